#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/color_dialog.h"

namespace scrivlet {

// QColorDialog (Qt's own, so that the 16 custom colours always show). The custom colours given
// fill QColorDialog's custom colour slots before it opens and are read back from them when the
// user confirms; on cancel the slots get the given colours back. The dialog opens on white,
// with no colour preset.
class QtColorDialog final : public ColorDialog {
 public:
  explicit QtColorDialog(QWidget* owner = nullptr) : owner_(owner) {}

  std::optional<ColorChoice> ChooseColor(const CustomColorSet& custom) override;

 private:
  QPointer<QWidget> owner_;
};

}  // namespace scrivlet
