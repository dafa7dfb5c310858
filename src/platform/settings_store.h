#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

// The user's own application settings: text values addressed by application, section and key.
// Names compare exactly (letter case counts); any UTF-8 text, empty included, is a valid name
// or value.
namespace scrivlet {

// Raised when a store cannot keep a value (for instance its file cannot be written). The message
// names the store's location and the cause.
class SettingsError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;

  // The value saved under the three names, or `default_value` when none was saved.
  virtual std::string GetSetting(std::string_view application, std::string_view section,
                                 std::string_view key, std::string_view default_value) const = 0;
  // Saves `value` under the three names, replacing an earlier value. Throws SettingsError when
  // the store cannot keep it; the earlier value then stays.
  virtual void SaveSetting(std::string_view application, std::string_view section,
                           std::string_view key, std::string_view value) = 0;
};

}  // namespace scrivlet
