#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <tuple>

#include "platform/settings_store.h"

namespace scrivlet {

// Settings kept in an INI file, one section per application and section:
//
//   [application/section]
//   key=value
//
// A backslash escapes what would otherwise end a name or value: "\\", "\n" and "\r" stand for a
// backslash, a line feed and a carriage return anywhere; "/", "[" and "]" are escaped in
// section headers, and "=", "[", ";" and "#" in keys. Nothing is trimmed. The file is read once,
// when the store is created; lines it cannot read are ignored.
class IniSettingsStore final : public SettingsStore {
 public:
  // Reads `path` when it exists; a missing file is an empty store (the file is created by the
  // first save). Throws SettingsError when `path` exists but cannot be read as a file.
  explicit IniSettingsStore(std::filesystem::path path);

  std::string GetSetting(std::string_view application, std::string_view section,
                         std::string_view key, std::string_view default_value) const override;
  // Rewrites the whole file through a temporary file in the same folder that then replaces it,
  // so a failed save leaves the old file whole. Throws SettingsError naming the path when the
  // file cannot be written; the value is then not kept.
  void SaveSetting(std::string_view application, std::string_view section, std::string_view key,
                   std::string_view value) override;

  const std::filesystem::path& Path() const { return path_; }

 private:
  using Name = std::tuple<std::string, std::string, std::string>;

  void Load();
  void Write() const;

  std::filesystem::path path_;
  std::map<Name, std::string> values_;
};

}  // namespace scrivlet
