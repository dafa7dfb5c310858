#include "qt/qt_settings_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <optional>

#include "qt/qt_text.h"

namespace scrivlet {
namespace {

QString KeyOf(std::string_view application, std::string_view section, std::string_view key) {
  return QtSettingsStore::EscapeName(application) + QLatin1Char('/') +
         QtSettingsStore::EscapeName(section) + QLatin1Char('/') + QtSettingsStore::EscapeName(key);
}

}  // namespace

QtSettingsStore::QtSettingsStore(const QString& organization, const QString& application)
    : settings_(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                            organization, application)) {}

QtSettingsStore::QtSettingsStore(std::unique_ptr<QSettings> settings)
    : settings_(std::move(settings)) {}

void QtSettingsStore::KeepPrivate(const QSettings& settings) {
  const QString path = settings.fileName();
  // The registry and other stores that are not files have nothing to restrict.
  if (path.isEmpty() || !QFileInfo(path).isAbsolute()) {
    return;
  }
  constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
  if (!QFileInfo::exists(path)) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    // Fails quietly where the folder is missing or read-only: the save reports that.
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly, kOwnerOnly)) {
      file.close();
    }
    return;
  }
  QFile::setPermissions(path, kOwnerOnly);
}

std::unique_ptr<QtSettingsStore> QtSettingsStore::FromFile(const QString& path) {
  return std::make_unique<QtSettingsStore>(std::make_unique<QSettings>(path, QSettings::IniFormat));
}

QString QtSettingsStore::EscapeName(std::string_view name) {
  if (name.empty()) {
    return QStringLiteral("%");
  }
  QString escaped;
  for (const QChar c : ToQString(name)) {
    if (c == QLatin1Char('%')) {
      escaped += QStringLiteral("%25");
    } else if (c == QLatin1Char('/')) {
      escaped += QStringLiteral("%2F");
    } else if (c == QLatin1Char('\\')) {
      escaped += QStringLiteral("%5C");
    } else {
      escaped += c;
    }
  }
  return escaped;
}

std::string QtSettingsStore::GetSetting(std::string_view application, std::string_view section,
                                        std::string_view key,
                                        std::string_view default_value) const {
  const QVariant value = settings_->value(KeyOf(application, section, key));
  if (!value.isValid()) {
    return std::string(default_value);
  }
  return ToStdString(value.toString());
}

void QtSettingsStore::SaveSetting(std::string_view application, std::string_view section,
                                  std::string_view key, std::string_view value) {
  // QSettings keeps the first error it met for good; a fresh object tells whether this save
  // works, so that one failure (a disk that was full) does not fail every later save.
  if (settings_->status() == QSettings::AccessError) {
    const QString file = settings_->fileName();
    const QSettings::Format format = settings_->format();
    settings_.reset();
    settings_ = std::make_unique<QSettings>(file, format);
  }
  const QString name = KeyOf(application, section, key);
  const QVariant earlier = settings_->value(name);
  KeepPrivate(*settings_);
  settings_->setValue(name, ToQString(value));
  settings_->sync();
  KeepPrivate(*settings_);
  if (settings_->status() != QSettings::AccessError) {
    return;
  }
  if (earlier.isValid()) {
    settings_->setValue(name, earlier);
  } else {
    settings_->remove(name);
  }
  throw SettingsError("cannot save the setting in \"" + ToStdString(settings_->fileName()) +
                      "\": the file cannot be written");
}

}  // namespace scrivlet
