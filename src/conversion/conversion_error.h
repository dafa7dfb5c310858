#pragma once

#include <stdexcept>
#include <string>

namespace scrivlet {

// Raised by the converters for the input errors they keep: a SIZE that is not a number, a COLOR
// that is not hexadecimal, a number too large for its field, a negative character reference, a
// malformed RTF parameter. The message names the offending attribute or word and its value.
// A conversion that raises leaves its output unused; callers load nothing.
class ConversionError : public std::runtime_error {
 public:
  ConversionError(std::string what, std::string value)
      : std::runtime_error(std::move(what)), value_(std::move(value)) {}

  // The offending value exactly as it stood in the input.
  const std::string& value() const noexcept { return value_; }

 private:
  std::string value_;
};

}  // namespace scrivlet
