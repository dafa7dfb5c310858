#include "hosts/headless/memory_clipboard.h"

namespace scrivlet {

bool MemoryClipboard::HasFormat(ClipboardFormat format) const {
  return contents_.find(format) != contents_.end();
}

std::string MemoryClipboard::GetText(ClipboardFormat format) const {
  const auto it = contents_.find(format);
  return it == contents_.end() ? std::string() : it->second;
}

void MemoryClipboard::SetText(std::string_view text, ClipboardFormat format) {
  contents_[format] = text;
}

}  // namespace scrivlet
