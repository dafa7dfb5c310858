#pragma once

#include <QClipboard>

#include "platform/clipboard.h"

namespace scrivlet {

// The system clipboard through QClipboard. Plain text is "text/plain" (UTF-8); rich text is an
// RTF document put under both "text/rtf" and "application/rtf", the names other programs look
// for, and read from whichever is there. Putting one format keeps the others the clipboard
// holds, as the interface asks, by copying them into the new contents.
class QtClipboard final : public Clipboard {
 public:
  // The MIME types rich text is written under, in the order they are read.
  static constexpr const char* kRtfMimeTypes[] = {"text/rtf", "application/rtf"};

  // `mode` chooses the clipboard or, on X11, the selection.
  explicit QtClipboard(QClipboard::Mode mode = QClipboard::Clipboard);

  void Clear() override;
  bool HasFormat(ClipboardFormat format) const override;
  std::string GetText(ClipboardFormat format) const override;
  void SetText(std::string_view text, ClipboardFormat format) override;

 private:
  QClipboard::Mode mode_;
};

}  // namespace scrivlet
