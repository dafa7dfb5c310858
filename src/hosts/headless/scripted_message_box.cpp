#include "hosts/headless/scripted_message_box.h"

#include <stdexcept>
#include <string>

namespace scrivlet {
namespace {

bool Offers(MessageBoxButtons buttons, MessageBoxAnswer answer) {
  switch (buttons) {
    case MessageBoxButtons::kOkOnly:
      return answer == MessageBoxAnswer::kOk;
    case MessageBoxButtons::kYesNo:
      return answer == MessageBoxAnswer::kYes || answer == MessageBoxAnswer::kNo;
  }
  return false;
}

MessageBoxAnswer ClosedWithoutChoice(MessageBoxButtons buttons) {
  return buttons == MessageBoxButtons::kYesNo ? MessageBoxAnswer::kNo : MessageBoxAnswer::kOk;
}

}  // namespace

MessageBoxAnswer ScriptedMessageBox::Show(std::string_view text, MessageBoxStyle style,
                                          std::string_view title) {
  Call call{std::string(text), style, std::string(title), ClosedWithoutChoice(style.Buttons)};
  if (!answers_.empty()) {
    call.Answer = answers_.front();
    answers_.pop_front();
  } else if (responder_) {
    call.Answer = responder_(call);
  }
  if (!Offers(style.Buttons, call.Answer)) {
    throw std::invalid_argument("scripted answer is not a button of the message box \"" +
                                call.Text + "\"");
  }
  calls_.push_back(call);
  return call.Answer;
}

}  // namespace scrivlet
