#pragma once

#include <map>
#include <string>
#include <string_view>

#include "platform/clipboard.h"

namespace scrivlet {

// A clipboard private to the process: what one control copies, another in the same process can
// paste; nothing reaches the system's clipboard.
class MemoryClipboard final : public Clipboard {
 public:
  void Clear() override { contents_.clear(); }
  bool HasFormat(ClipboardFormat format) const override;
  std::string GetText(ClipboardFormat format) const override;
  void SetText(std::string_view text, ClipboardFormat format) override;

 private:
  std::map<ClipboardFormat, std::string> contents_;
};

}  // namespace scrivlet
