#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

#include "platform/color_dialog.h"

namespace scrivlet {

// QColorDialog (Qt's own, so that the 16 custom colours always show). The custom colours given
// fill QColorDialog's custom colour slots before it opens and are read back from them when the
// user confirms; on cancel the slots get the given colours back. The dialog opens on white, or
// on the initial colour when one is given.
class QtColorDialog final : public ColorDialog {
 public:
  explicit QtColorDialog(QWidget* owner = nullptr) : owner_(owner) {}

  std::optional<ColorChoice> ChooseColor(const CustomColorSet& custom,
                                         std::optional<std::int32_t> initial) override;
  // Told of every colour the user confirms (platform order).
  void SetChosenHandler(std::function<void(std::int32_t)> handler) { chosen_ = std::move(handler); }

 private:
  QPointer<QWidget> owner_;
  std::function<void(std::int32_t)> chosen_;
};

}  // namespace scrivlet
