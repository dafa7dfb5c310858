#include "text/charset_converter.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <utility>

namespace scrivlet {

namespace {

void* const kClosed = reinterpret_cast<void*>(static_cast<std::intptr_t>(-1));

iconv_t Descriptor(void* handle) {
  return static_cast<iconv_t>(handle);
}

}  // namespace

CharsetConverter::CharsetConverter(const char* to, const char* from)
    : handle_(static_cast<void*>(iconv_open(to, from))) {}

CharsetConverter::~CharsetConverter() {
  if (IsOpen()) {
    iconv_close(Descriptor(handle_));
  }
}

CharsetConverter::CharsetConverter(CharsetConverter&& other) noexcept
    : handle_(std::exchange(other.handle_, kClosed)) {}

CharsetConverter& CharsetConverter::operator=(CharsetConverter&& other) noexcept {
  std::swap(handle_, other.handle_);
  return *this;
}

bool CharsetConverter::IsOpen() const {
  return handle_ != kClosed;
}

CharsetConverter::Outcome CharsetConverter::Convert(const char** in, std::size_t* inLeft,
                                                    char** out, std::size_t* outLeft) {
  if (!IsOpen()) {
    return Outcome::kInvalid;
  }
  // iconv's input is not const on every C library; it never writes through it.
  char** input = const_cast<char**>(in);
  if (iconv(Descriptor(handle_), input, inLeft, out, outLeft) != static_cast<std::size_t>(-1)) {
    return Outcome::kDone;
  }
  switch (errno) {
    case E2BIG:
      return Outcome::kOutputFull;
    case EINVAL:
      return Outcome::kIncomplete;
    default:
      return Outcome::kInvalid;
  }
}

void CharsetConverter::Finish(char** out, std::size_t* outLeft) {
  if (IsOpen()) {
    iconv(Descriptor(handle_), nullptr, nullptr, out, outLeft);
  }
}

void CharsetConverter::Reset() {
  if (IsOpen()) {
    iconv(Descriptor(handle_), nullptr, nullptr, nullptr, nullptr);
  }
}

}  // namespace scrivlet
