#pragma once

#include <QIcon>
#include <string_view>

// The toolbar's pictures and the about box's icon.
//
// Every toolbar image key has a picture of the project's own, drawn as vectors at whatever size
// is asked for (crisp at any scale, greyed when disabled). Where the desktop has an icon theme,
// its icon for the key is preferred.
namespace scrivlet {

// The name of the product's own icon, as a picture box names it.
inline constexpr std::string_view kProductIconName = "scrivlet-icon";

// The project's own picture for a toolbar image key ("Bold", "Cut", ...) or kProductIconName;
// a null icon for any other name.
QIcon BuiltinIcon(std::string_view key);

// The freedesktop icon-theme name used for a toolbar image key ("format-text-bold"), empty when
// there is none.
QString ThemeIconName(std::string_view key);

// The icon to show for an image key whose artwork is `picture`: that file or resource when
// `picture` is not empty; else the theme's icon when QIcon::themeName() is set and the theme
// has one; else the built-in picture.
QIcon ToolbarIcon(std::string_view key, std::string_view picture = {});

// `base` as it shows for an entry in a mixed state: faded, with a small dash in its lower
// right corner, like a partly checked box.
QIcon MixedStateIcon(const QIcon& base);

// `base` with its colour bar (the lowest fifth, as the font colour picture has) painted in
// `color`, for an entry that shows the colour it applies.
QIcon ColorBarIcon(const QIcon& base, const QColor& color);

}  // namespace scrivlet
