#pragma once

#include <string_view>

// Modal message boxes: a text, a title, the buttons offered and an icon; the answer is the
// button the user chose.
namespace scrivlet {

enum class MessageBoxButtons {
  kOkOnly,  // "OK"
  kYesNo,   // "Yes" and "No"
};

enum class MessageBoxIcon { kNone, kCritical, kQuestion };

enum class MessageBoxAnswer { kOk, kYes, kNo };

struct MessageBoxStyle {
  MessageBoxButtons Buttons = MessageBoxButtons::kOkOnly;
  MessageBoxIcon Icon = MessageBoxIcon::kNone;
};

class MessageBox {
 public:
  virtual ~MessageBox() = default;

  // Shows `text` (lines separated by "\r\n" or "\n") under `title` and waits for the user.
  // An empty title shows the application's title. Closing an OK box any way answers kOk; a
  // Yes/No box answers kYes or kNo.
  virtual MessageBoxAnswer Show(std::string_view text, MessageBoxStyle style,
                                std::string_view title) = 0;
};

}  // namespace scrivlet
