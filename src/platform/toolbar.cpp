#include "platform/toolbar.h"

#include <string>

namespace scrivlet {

ToolbarError::ToolbarError(std::string_view key)
    : std::out_of_range("no toolbar entry or image with key \"" + std::string(key) + "\""),
      key_(key) {}

ToolbarError::ToolbarError(std::int32_t index)
    : std::out_of_range("no toolbar entry at index " + std::to_string(index)), index_(index) {}

void ImageList::Add(std::string_view key, std::string_view picture) {
  if (key.empty()) {
    throw std::invalid_argument("an image list entry needs a key");
  }
  const auto [it, inserted] = pictures_.emplace(std::string(key), std::string(picture));
  if (!inserted) {
    throw std::invalid_argument("image key \"" + std::string(key) + "\" is already in the list");
  }
}

bool ImageList::Has(std::string_view key) const {
  return pictures_.find(key) != pictures_.end();
}

const std::string& ImageList::Picture(std::string_view key) const {
  const auto it = pictures_.find(key);
  if (it == pictures_.end()) {
    throw ToolbarError(key);
  }
  return it->second;
}

}  // namespace scrivlet
