#include "qt/qt_color_dialog.h"

#include <QColorDialog>

#include "qt/qt_message_box.h"
#include "qt/qt_text.h"

namespace scrivlet {
namespace {

void FillCustomColors(const CustomColorSet& custom) {
  for (std::size_t i = 0; i < custom.size(); ++i) {
    QColorDialog::setCustomColor(static_cast<int>(i), ColorFromPlatform(custom[i]));
  }
}

}  // namespace

std::optional<ColorChoice> QtColorDialog::ChooseColor(const CustomColorSet& custom,
                                                      std::optional<std::int32_t> initial) {
  FillCustomColors(custom);
  QColorDialog dialog(initial ? ColorFromPlatform(*initial) : QColor(Qt::white),
                      ModalParent(owner_.data()));
  dialog.setOption(QColorDialog::DontUseNativeDialog);
  if (dialog.exec() != QDialog::Accepted) {
    FillCustomColors(custom);
    return std::nullopt;
  }
  ColorChoice choice;
  choice.Color = ColorToPlatform(dialog.selectedColor());
  for (std::size_t i = 0; i < choice.Custom.size(); ++i) {
    choice.Custom[i] = ColorToPlatform(QColorDialog::customColor(static_cast<int>(i)));
  }
  if (chosen_) {
    chosen_(choice.Color);
  }
  return choice;
}

}  // namespace scrivlet
