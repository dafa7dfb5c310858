#include "qt/qt_file_dialog.h"

#include <QFileDialog>
#include <QStringList>

#include "qt/qt_message_box.h"
#include "qt/qt_text.h"

namespace scrivlet {
namespace {

QString CaseFreePattern(const QString& pattern) {
  QString out;
  for (const QChar c : pattern) {
    if (c.isLetter() && c.toLower() != c.toUpper()) {
      out += QLatin1Char('[') + c.toLower() + c.toUpper() + QLatin1Char(']');
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

QString QtFileDialog::NameFilter(const FileFilter& filter) {
  QStringList patterns;
  for (const QString& pattern : ToQString(filter.Patterns).split(QLatin1Char(';'))) {
    const QString trimmed = pattern.trimmed();
    if (!trimmed.isEmpty()) {
      patterns << CaseFreePattern(trimmed);
    }
  }
  if (patterns.isEmpty()) {
    patterns << QStringLiteral("*");
  }
  return ToQString(filter.Description) + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
         QLatin1Char(')');
}

std::optional<std::string> QtFileDialog::GetOpenFileName(const OpenFileRequest& request) {
  QFileDialog dialog(ModalParent(owner_.data()), ToQString(request.Title));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setOption(QFileDialog::DontUseNativeDialog, !native_);
  QStringList filters;
  for (const FileFilter& filter : request.Filters) {
    filters << NameFilter(filter);
  }
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters);
    const auto index = static_cast<qsizetype>(request.FilterIndex) - 1;
    dialog.selectNameFilter(filters.at(index >= 0 && index < filters.size() ? index : 0));
  }
  if (!request.InitialDirectory.empty()) {
    dialog.setDirectory(ToQString(request.InitialDirectory));
  }
  if (!request.FileName.empty()) {
    dialog.selectFile(ToQString(request.FileName));
  }
  if (dialog.exec() != QDialog::Accepted) {
    return std::nullopt;
  }
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) {
    return std::nullopt;
  }
  return ToStdString(chosen.front());
}

}  // namespace scrivlet
