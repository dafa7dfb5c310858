#pragma once

#include <string>
#include <string_view>

// The system clipboard, as the cut, copy and paste commands use it.
namespace scrivlet {

// The formats the control exchanges.
enum class ClipboardFormat {
  kText,      // plain UTF-8 text
  kRichText,  // an RTF document, as the editing surface's SelRTF gives it
};

class Clipboard {
 public:
  virtual ~Clipboard() = default;

  // Empties the clipboard of every format.
  virtual void Clear() = 0;
  // Whether the clipboard holds `format`.
  virtual bool HasFormat(ClipboardFormat format) const = 0;
  // The clipboard's text in `format`, or "" when it holds no such format.
  virtual std::string GetText(ClipboardFormat format) const = 0;
  // Puts `text` on the clipboard under `format`, replacing what that format held; other formats
  // stay until Clear.
  virtual void SetText(std::string_view text, ClipboardFormat format) = 0;
};

}  // namespace scrivlet
