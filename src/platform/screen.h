#pragma once

#include <cstdint>

// The screen the control is shown on: the size of a pixel in twips (1440 per inch), which turns
// pixel sizes into layout units, and the mouse pointer shown over the application.
namespace scrivlet {

enum class MousePointer { kDefault, kHourglass };

class Screen {
 public:
  virtual ~Screen() = default;

  virtual std::int32_t TwipsPerPixelX() const = 0;
  virtual std::int32_t TwipsPerPixelY() const = 0;

  // The pointer shown while the application is busy or idle; kDefault restores the normal one.
  virtual MousePointer Pointer() const = 0;
  virtual void SetPointer(MousePointer pointer) = 0;
};

}  // namespace scrivlet
