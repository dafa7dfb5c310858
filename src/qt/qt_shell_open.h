#pragma once

#include "platform/shell_open.h"

namespace scrivlet {

// QDesktopServices::openUrl: the user's browser, mail program or file handler. An address
// without a scheme is read as Qt reads user input ("www.example.com" is a web address, an
// existing path a local file).
class QtShellOpen final : public ShellOpen {
 public:
  bool Open(std::string_view address) override;
};

}  // namespace scrivlet
