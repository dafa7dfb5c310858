#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "platform/color_dialog.h"

namespace scrivlet {

// A colour dialog answered by code. Each use takes the first queued answer, else asks the
// responder, else cancels, as a user who closes the dialog would. Every use is recorded.
class ScriptedColorDialog final : public ColorDialog {
 public:
  using Responder = std::function<std::optional<ColorChoice>(const CustomColorSet& custom)>;

  struct Call {
    CustomColorSet Custom{};              // the custom colours the dialog was given
    std::optional<std::int32_t> Initial;  // the colour it opened on
    std::optional<ColorChoice> Result;    // what it answered
  };

  // Throws std::invalid_argument when the scripted colour has bits above 0x00FFFFFF, which no
  // dialog returns.
  std::optional<ColorChoice> ChooseColor(const CustomColorSet& custom,
                                         std::optional<std::int32_t> initial) override;

  // The user picks `color` and leaves the custom colours as they were.
  void QueueChoice(std::int32_t color);
  // The user picks a colour and edits the custom colours.
  void QueueChoice(const ColorChoice& choice);
  void QueueCancel();
  void SetResponder(Responder responder) { responder_ = std::move(responder); }

  const std::vector<Call>& Calls() const { return calls_; }

 private:
  struct Scripted {
    std::optional<std::int32_t> Color;     // nothing: cancel
    std::optional<CustomColorSet> Custom;  // nothing: as given
  };

  std::deque<Scripted> answers_;
  Responder responder_;
  std::vector<Call> calls_;
};

}  // namespace scrivlet
