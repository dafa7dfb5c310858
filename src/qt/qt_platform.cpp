#include "qt/qt_platform.h"

#include "qt/qt_text.h"

namespace scrivlet {

QtPlatform::QtPlatform(QWidget& owner)
    : Display(&owner),
      Surface(&owner),
      Bar(Settings, Display, &owner),
      FaceMenu("Font", Scrivlet::kFontFaceMenuItems, Display, &owner),
      SizeMenu("Font Size", Scrivlet::kFontSizeMenuItems, Display, &owner),
      Forms(Display, &owner),
      Colors(&owner),
      Messages(&owner),
      Files(&owner) {
  // The font colour button (the colour group's) shows the colour the user applied last.
  Colors.SetChosenHandler([this](std::int32_t color) {
    for (const CommandDefinition& command : ToolbarCommands()) {
      if (command.group == Property::kButtonsFontColor) {
        Bar.ShowColor(command.key, ColorFromPlatform(color));
      }
    }
  });
}

ControlServices QtPlatform::Services() {
  return {Surface,
          Bar,
          FaceMenu,
          SizeMenu,
          Clip,
          Forms,
          Colors,
          Shell,
          Display,
          Loop,
          ImageCopyServices{Messages, Files, Pictures, Settings, Loop, Display, Internet}};
}

}  // namespace scrivlet
