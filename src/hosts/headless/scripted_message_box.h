#pragma once

#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/message_box.h"

namespace scrivlet {

// Message boxes answered by code. Each Show takes the first queued answer, else asks the
// responder, else answers as a user who closes the box without choosing: kOk for an OK box, kNo
// (the answer that changes nothing) for a Yes/No box. Every call is recorded.
class ScriptedMessageBox final : public MessageBox {
 public:
  struct Call {
    std::string Text;
    MessageBoxStyle Style;
    std::string Title;
    MessageBoxAnswer Answer;
  };
  using Responder = std::function<MessageBoxAnswer(const Call& call)>;

  // Throws std::invalid_argument (naming the text) when the queued or responded answer is not
  // one of the box's buttons, which is a fault in the script, not a user's choice.
  MessageBoxAnswer Show(std::string_view text, MessageBoxStyle style,
                        std::string_view title) override;

  // Answers the next box that is shown.
  void QueueAnswer(MessageBoxAnswer answer) { answers_.push_back(answer); }
  // Answers boxes once the queue is empty. It receives the call with Answer holding what
  // closing the box would answer.
  void SetResponder(Responder responder) { responder_ = std::move(responder); }

  const std::vector<Call>& Calls() const { return calls_; }

 private:
  std::deque<MessageBoxAnswer> answers_;
  Responder responder_;
  std::vector<Call> calls_;
};

}  // namespace scrivlet
