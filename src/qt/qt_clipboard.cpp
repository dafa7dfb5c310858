#include "qt/qt_clipboard.h"

#include <QGuiApplication>
#include <QMimeData>

#include "qt/qt_text.h"

namespace scrivlet {
namespace {

QClipboard& SystemClipboard() {
  return *QGuiApplication::clipboard();
}

}  // namespace

QtClipboard::QtClipboard(QClipboard::Mode mode) : mode_(mode) {}

void QtClipboard::Clear() {
  SystemClipboard().clear(mode_);
}

bool QtClipboard::HasFormat(ClipboardFormat format) const {
  const QMimeData* data = SystemClipboard().mimeData(mode_);
  if (data == nullptr) {
    return false;
  }
  if (format == ClipboardFormat::kText) {
    return data->hasText();
  }
  for (const char* type : kRtfMimeTypes) {
    if (data->hasFormat(QString::fromLatin1(type))) {
      return true;
    }
  }
  return false;
}

std::string QtClipboard::GetText(ClipboardFormat format) const {
  const QMimeData* data = SystemClipboard().mimeData(mode_);
  if (data == nullptr) {
    return {};
  }
  if (format == ClipboardFormat::kText) {
    return data->hasText() ? ToStdString(data->text()) : std::string();
  }
  for (const char* type : kRtfMimeTypes) {
    if (data->hasFormat(QString::fromLatin1(type))) {
      const QByteArray bytes = data->data(QString::fromLatin1(type));
      return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }
  }
  return {};
}

void QtClipboard::SetText(std::string_view text, ClipboardFormat format) {
  auto* data = new QMimeData;
  if (const QMimeData* current = SystemClipboard().mimeData(mode_); current != nullptr) {
    for (const QString& type : current->formats()) {
      data->setData(type, current->data(type));
    }
  }
  if (format == ClipboardFormat::kText) {
    // Other programs may have left text in another encoding or flavour; one kind of text only.
    for (const QString& type : data->formats()) {
      if (type.startsWith(QLatin1String("text/plain"))) {
        data->removeFormat(type);
      }
    }
    data->setText(ToQString(text));
  } else {
    const QByteArray bytes(text.data(), static_cast<qsizetype>(text.size()));
    for (const char* type : kRtfMimeTypes) {
      data->setData(QString::fromLatin1(type), bytes);
    }
  }
  SystemClipboard().setMimeData(data, mode_);
}

}  // namespace scrivlet
