#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/shell_open.h"

namespace scrivlet {

// Whether the recording shell reports that a handler took the address.
enum class ShellOutcome { kOpened, kNoHandler };

// Opens nothing: records every address it is asked to open and answers with the outcome set.
class RecordingShellOpen final : public ShellOpen {
 public:
  bool Open(std::string_view address) override {
    addresses_.emplace_back(address);
    return outcome_ == ShellOutcome::kOpened;
  }

  void SetOutcome(ShellOutcome outcome) { outcome_ = outcome; }
  const std::vector<std::string>& Addresses() const { return addresses_; }

 private:
  ShellOutcome outcome_ = ShellOutcome::kOpened;
  std::vector<std::string> addresses_;
};

}  // namespace scrivlet
