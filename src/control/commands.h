#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "actions/actions.h"
#include "control/properties.h"
#include "platform/toolbar.h"

// The toolbar's commands, one row each, in toolbar order with its separators: the entries the
// control adds, the pictures of its image list, the button groups, what a click runs and what a
// refresh shows all come from this table, and so do the views' icons, a host's menus and the
// fuzz target's clicks. A command is added here (and, for a new picture, in a view's icon set).
namespace scrivlet {

class Scrivlet;

struct CommandDefinition {
  // The entry's key; empty for a separator. Keys compare exactly, letter case included.
  std::string_view key;
  ButtonStyle style;
  // The entry's description (a customisation dialog lists it), and its tooltip.
  std::string_view caption;
  std::string_view tooltip;
  // The key that runs the command in the editor, shown in the tooltip; empty for none.
  std::string_view shortcut;
  // The property that offers the entry: a button-group property, which removes it when false,
  // or WDDX, which shows it while the packet holds face lists; none for a separator.
  std::optional<Property> group;
  // The picture's name in the freedesktop icon naming (a view draws its own by that name, or
  // takes the theme's); empty for a separator. The image list holds it under the key.
  std::string_view image;
  // What a click runs, as one step of the undo history; null for a separator.
  void (*run)(Scrivlet&, ToolbarButton&);
  // What the entry shows of the selection.
  ShownState state;
};

// Every entry in toolbar order, separators included.
std::span<const CommandDefinition> ToolbarCommands();
// The command with `key` (exactly), or null; never a separator.
const CommandDefinition* FindCommand(std::string_view key);

}  // namespace scrivlet
