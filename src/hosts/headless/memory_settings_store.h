#pragma once

#include <map>
#include <string>
#include <string_view>
#include <tuple>

#include "platform/settings_store.h"

namespace scrivlet {

// Settings kept in memory for the life of the object; nothing reaches the disk. Never throws
// SettingsError.
class MemorySettingsStore final : public SettingsStore {
 public:
  std::string GetSetting(std::string_view application, std::string_view section,
                         std::string_view key, std::string_view default_value) const override;
  void SaveSetting(std::string_view application, std::string_view section, std::string_view key,
                   std::string_view value) override;

  // Number of values saved, for hosts and tests that check what was written.
  std::size_t Count() const { return values_.size(); }

 private:
  using Name = std::tuple<std::string, std::string, std::string>;
  std::map<Name, std::string> values_;
};

}  // namespace scrivlet
