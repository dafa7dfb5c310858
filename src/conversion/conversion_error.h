#pragma once

#include <cstddef>
#include <stdexcept>
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

// Raised by the converters for the input errors they keep: a SIZE that is not a number, a COLOR
// that is not hexadecimal, a number too large for its field, a negative character reference, a
// malformed RTF parameter. The message names the offending attribute or word and its value,
// both cut by CutForMessage.
// A conversion that raises leaves its output unused; callers load nothing.
class ConversionError : public std::runtime_error {
 public:
  ConversionError(std::string what, std::string value)
      : std::runtime_error(std::move(what)), value_(CutForMessage(value)) {}

  // The offending value as it stood in the input, cut by CutForMessage.
  const std::string& value() const noexcept { return value_; }

 private:
  std::string value_;
};

}  // namespace scrivlet
