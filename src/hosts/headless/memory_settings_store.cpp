#include "hosts/headless/memory_settings_store.h"

namespace scrivlet {

std::string MemorySettingsStore::GetSetting(std::string_view application, std::string_view section,
                                            std::string_view key,
                                            std::string_view default_value) const {
  const auto it = values_.find(Name(application, section, key));
  return it == values_.end() ? std::string(default_value) : it->second;
}

void MemorySettingsStore::SaveSetting(std::string_view application, std::string_view section,
                                      std::string_view key, std::string_view value) {
  values_[Name(application, section, key)] = value;
}

}  // namespace scrivlet
