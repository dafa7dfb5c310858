#include "platform/popup_menu.h"

#include <string>

namespace scrivlet {

MenuError::MenuError(std::string_view what, std::int32_t index)
    : std::out_of_range(std::string(what) + " (menu item " + std::to_string(index) + ")"),
      index_(index) {}

}  // namespace scrivlet
