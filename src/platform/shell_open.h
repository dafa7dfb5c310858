#pragma once

#include <string_view>

// Opening an address (a web page, a mail address, a document) with the handler the user's
// system associates with it, as a click on a link does.
namespace scrivlet {

class ShellOpen {
 public:
  virtual ~ShellOpen() = default;

  // Hands `address` to the system's handler in a normal window and returns without waiting.
  // Returns false when no handler took it; callers may ignore that.
  virtual bool Open(std::string_view address) = 0;
};

}  // namespace scrivlet
