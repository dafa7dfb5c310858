#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>

#include "platform/screen.h"

namespace scrivlet {

// The screen a widget is shown on (the primary screen when there is no widget, or before it is
// shown): twips per pixel from the screen's logical resolution, 1440 / dots per inch rounded
// (15 at 96 dpi), and the busy pointer as the application's override cursor.
//
// Only the override this object pushed is ever taken back, so a pointer another part of the
// program set stays. Destroying the object while the hourglass shows restores the pointer.
class QtScreen final : public Screen {
 public:
  explicit QtScreen(QWidget* reference = nullptr);
  ~QtScreen() override;
  QtScreen(const QtScreen&) = delete;
  QtScreen& operator=(const QtScreen&) = delete;

  std::int32_t TwipsPerPixelX() const override;
  std::int32_t TwipsPerPixelY() const override;
  MousePointer Pointer() const override { return pointer_; }
  void SetPointer(MousePointer pointer) override;

 private:
  QPointer<QWidget> reference_;
  MousePointer pointer_ = MousePointer::kDefault;
};

}  // namespace scrivlet
