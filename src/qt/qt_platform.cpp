#include "qt/qt_platform.h"

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
      Files(&owner) {}

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
