#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace scrivlet {

// How much of an offending value an error message quotes.
inline constexpr std::size_t kQuotedValueCharacters = 64;

// `value` cut to its first kQuotedValueCharacters characters (UTF-8, never inside one), with
// "..." when anything was cut: an error names the value without repeating a page of it.
inline std::string CutForMessage(std::string_view value) {
  std::size_t characters = 0;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if ((static_cast<unsigned char>(value[i]) & 0xC0) != 0x80 &&
        characters++ == kQuotedValueCharacters) {
      return std::string(value.substr(0, i)) + "...";
    }
  }
  return std::string(value);
}

}  // namespace scrivlet
