#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

#include "text/message_value.h"

namespace scrivlet {

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
