#include "hosts/headless/scripted_color_dialog.h"

#include <stdexcept>
#include <string>

namespace scrivlet {
namespace {

constexpr std::uint32_t kColorBits = 0x00FFFFFF;

std::optional<ColorChoice> Checked(std::optional<ColorChoice> choice) {
  if (choice && (static_cast<std::uint32_t>(choice->Color) & ~kColorBits) != 0) {
    throw std::invalid_argument("scripted colour " + std::to_string(choice->Color) +
                                " is not a 0x00BBGGRR colour");
  }
  return choice;
}

}  // namespace

std::optional<ColorChoice> ScriptedColorDialog::ChooseColor(const CustomColorSet& custom,
                                                            std::optional<std::int32_t> initial) {
  std::optional<ColorChoice> result;
  if (!answers_.empty()) {
    const Scripted answer = answers_.front();
    answers_.pop_front();
    if (answer.Color) {
      result = ColorChoice{*answer.Color, answer.Custom.value_or(custom)};
    }
  } else if (responder_) {
    result = responder_(custom);
  }
  result = Checked(result);
  calls_.push_back(Call{custom, initial, result});
  return result;
}

void ScriptedColorDialog::QueueChoice(std::int32_t color) {
  answers_.push_back(Scripted{color, std::nullopt});
}

void ScriptedColorDialog::QueueChoice(const ColorChoice& choice) {
  answers_.push_back(Scripted{choice.Color, choice.Custom});
}

void ScriptedColorDialog::QueueCancel() {
  answers_.push_back(Scripted{});
}

}  // namespace scrivlet
