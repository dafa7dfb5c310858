#pragma once

#include <array>
#include <cstdint>
#include <optional>

// The system's colour-selection dialog. Colours are platform order 0x00BBGGRR.
namespace scrivlet {

// The dialog's 16 custom colours, which the caller keeps between uses (each editor its own).
using CustomColorSet = std::array<std::int32_t, 16>;

struct ColorChoice {
  std::int32_t Color = 0;
  // The custom colours as the user left them.
  CustomColorSet Custom{};
};

class ColorDialog {
 public:
  virtual ~ColorDialog() = default;

  // Shows the dialog with `custom` as its custom colours, not fully expanded, opening on
  // `initial` (the colour being changed) when given, and waits for the user. Returns the chosen
  // colour and the custom colours when the user confirms, nothing when the user cancels (the
  // custom colours are then to be kept as they were).
  virtual std::optional<ColorChoice> ChooseColor(const CustomColorSet& custom,
                                                 std::optional<std::int32_t> initial) = 0;
};

}  // namespace scrivlet
