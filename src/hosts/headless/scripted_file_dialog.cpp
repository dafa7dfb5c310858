#include "hosts/headless/scripted_file_dialog.h"

namespace scrivlet {

std::optional<std::string> ScriptedFileDialog::GetOpenFileName(const OpenFileRequest& request) {
  std::optional<std::string> result;
  if (!answers_.empty()) {
    result = std::move(answers_.front());
    answers_.pop_front();
  } else if (responder_) {
    result = responder_(request);
  }
  calls_.push_back(Call{request, result});
  return result;
}

}  // namespace scrivlet
