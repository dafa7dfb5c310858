#pragma once

#include <cstdint>
#include <vector>

#include "platform/screen.h"

namespace scrivlet {

// A screen of 96 pixels per inch (15 twips per pixel) unless told otherwise; records every
// pointer change.
class HeadlessScreen final : public Screen {
 public:
  static constexpr std::int32_t kDefaultTwipsPerPixel = 15;

  HeadlessScreen() = default;
  HeadlessScreen(std::int32_t twips_per_pixel_x, std::int32_t twips_per_pixel_y)
      : twips_x_(twips_per_pixel_x), twips_y_(twips_per_pixel_y) {}

  std::int32_t TwipsPerPixelX() const override { return twips_x_; }
  std::int32_t TwipsPerPixelY() const override { return twips_y_; }
  MousePointer Pointer() const override { return pointer_; }
  void SetPointer(MousePointer pointer) override {
    pointer_ = pointer;
    pointer_changes_.push_back(pointer);
  }

  const std::vector<MousePointer>& PointerChanges() const { return pointer_changes_; }

 private:
  std::int32_t twips_x_ = kDefaultTwipsPerPixel;
  std::int32_t twips_y_ = kDefaultTwipsPerPixel;
  MousePointer pointer_ = MousePointer::kDefault;
  std::vector<MousePointer> pointer_changes_;
};

}  // namespace scrivlet
