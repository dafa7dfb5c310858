#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_dialog.h"

namespace scrivlet {

// An open-file dialog answered by code. Each use takes the first queued answer, else asks the
// responder, else cancels, as a user who closes the dialog would. Every use is recorded.
class ScriptedFileDialog final : public FileDialog {
 public:
  using Responder = std::function<std::optional<std::string>(const OpenFileRequest& request)>;

  struct Call {
    OpenFileRequest Request;
    std::optional<std::string> Result;
  };

  std::optional<std::string> GetOpenFileName(const OpenFileRequest& request) override;

  // The user picks `path`.
  void QueueChoice(std::string path) { answers_.emplace_back(std::move(path)); }
  void QueueCancel() { answers_.emplace_back(std::nullopt); }
  void SetResponder(Responder responder) { responder_ = std::move(responder); }

  const std::vector<Call>& Calls() const { return calls_; }

 private:
  std::deque<std::optional<std::string>> answers_;
  Responder responder_;
  std::vector<Call> calls_;
};

}  // namespace scrivlet
