#pragma once

#include <QSettings>
#include <QString>
#include <memory>

#include "platform/settings_store.h"

namespace scrivlet {

// Settings kept by QSettings: each value lives under the key "application/section/key".
//
// Names may hold any text, so each one is escaped to a single QSettings key part: "%" becomes
// "%25", "/" "%2F" and "\" "%5C" (the characters QSettings gives a meaning), and an empty name
// is written "%". QSettings escapes the file's own special characters on top of that.
//
// The settings file is readable by the user only (KeepPrivate). Every save is written through at
// once, so that a store that cannot keep it (a read-only
// file, a full disk) is found out while the caller can still be told.
class QtSettingsStore final : public SettingsStore {
 public:
  static constexpr const char* kDefaultOrganization = "Korvex";
  static constexpr const char* kDefaultApplication = "Scrivlet";

  // The user's settings of the organization and application, in the platform's usual place.
  QtSettingsStore(const QString& organization = QString::fromLatin1(kDefaultOrganization),
                  const QString& application = QString::fromLatin1(kDefaultApplication));
  // Settings in an INI file at `path` (created by the first save).
  static std::unique_ptr<QtSettingsStore> FromFile(const QString& path);
  // Settings in the store given, which the object takes over.
  explicit QtSettingsStore(std::unique_ptr<QSettings> settings);

  std::string GetSetting(std::string_view application, std::string_view section,
                         std::string_view key, std::string_view default_value) const override;
  // Throws SettingsError naming the file when QSettings cannot write it; the earlier value then
  // stays, in memory and in the file.
  void SaveSetting(std::string_view application, std::string_view section, std::string_view key,
                   std::string_view value) override;

  // The QSettings object in use now (a failed save replaces it).
  QSettings& Settings() { return *settings_; }

  // One name as a QSettings key part, as described above.
  static QString EscapeName(std::string_view name);

  // Makes the file behind `settings`, when it is one, readable and writable by the user only
  // (it may hold FTP settings and passwords); creates it empty first when it does not exist,
  // so that no other user can open it before that.
  static void KeepPrivate(const QSettings& settings);

 private:
  std::unique_ptr<QSettings> settings_;
};

}  // namespace scrivlet
