#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The stored form of a toolbar layout, shared by every toolbar implementation so that a layout
// saved by one can be restored by another.
//
// An entry is identified by its key, or, when its key is empty (a separator), by its serial:
// its 1-based position in the order entries were added to the toolbar. Serials survive removals,
// so a separator the control took away is simply missing at restore time instead of being
// mistaken for the next one.
namespace scrivlet {

struct LayoutItem {
  std::string Key;          // empty for an entry identified by serial
  std::int32_t Serial = 0;  // used only when Key is empty
  bool Hidden = false;
};

// Writes the items as one line of text: a version mark, then one item per entry separated by
// "|"; "!" marks a hidden entry, "#n" a serial, and "\" escapes those characters in keys.
std::string EncodeToolbarLayout(const std::vector<LayoutItem>& items);

// Reads what EncodeToolbarLayout wrote. Items it cannot read are left out; a value without the
// version mark gives no items. Never throws on bad input.
std::vector<LayoutItem> DecodeToolbarLayout(std::string_view value);

// Where a layout saved by (key, subkey, value name) lands in a SettingsStore: application =
// subkey, section = key, or kDefaultToolbarLayoutSection when key is empty, key = value name.
struct LayoutLocation {
  std::string Application;
  std::string Section;
  std::string Key;
};

inline constexpr std::string_view kDefaultToolbarLayoutSection = "ToolbarLayout";

LayoutLocation ToolbarLayoutLocation(std::string_view key, std::string_view subkey,
                                     std::string_view value_name);

}  // namespace scrivlet
