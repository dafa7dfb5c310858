#pragma once

// Keeps the user's own settings (QSettings' user scope: the toolbar layout, the FTP panel, the
// demo's state) out of the real home folder: each test gets an empty folder of its own, and
// after it the rest of the test program a folder of its own too, so that no test sees another's
// settings or writes into a folder that is gone.

#include <QSettings>
#include <QString>
#include <QTemporaryDir>

namespace scrivlet::testing {

inline void PointUserSettingsAt(const QString& folder) {
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
}

class SettingsSandbox {
 public:
  SettingsSandbox() { PointUserSettingsAt(folder_.path()); }
  ~SettingsSandbox() {
    static QTemporaryDir afterwards;
    PointUserSettingsAt(afterwards.path());
  }
  SettingsSandbox(const SettingsSandbox&) = delete;
  SettingsSandbox& operator=(const SettingsSandbox&) = delete;

  bool IsValid() const { return folder_.isValid(); }
  QString FilePath(const QString& name) const { return folder_.filePath(name); }

 private:
  QTemporaryDir folder_;
};

}  // namespace scrivlet::testing
