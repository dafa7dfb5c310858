#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "text/piece_source.h"

// Shared by the fuzz targets: a property that does not hold stops the run with a message, so
// that libFuzzer saves the input as a crash.
namespace scrivlet::fuzz {

[[noreturn]] inline void PropertyFailed(const char* file, int line, const char* condition) {
  std::fprintf(stderr, "%s:%d: property does not hold: %s\n", file, line, condition);
  std::abort();
}

inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// A text handed over in pieces of `size` bytes, each a copy the next call replaces, so that a
// reader keeping a view of an earlier piece reads freed memory (which the sanitizer reports).
class ChoppedText final : public PieceSource {
 public:
  ChoppedText(std::string_view text, std::size_t size) : text_(text), size_(size) {}
  std::string_view Next() override {
    piece_ = std::string(text_.substr(at_, size_));
    at_ += piece_.size();
    return piece_;
  }
  void Rewind() override { at_ = 0; }
  std::size_t Size() const override { return 0; }

 private:
  std::string_view text_;
  std::size_t size_;
  std::size_t at_ = 0;
  std::string piece_;
};

}  // namespace scrivlet::fuzz

#define SCRIVLET_FUZZ_CHECK(condition)                                  \
  do {                                                                  \
    if (!(condition)) {                                                 \
      ::scrivlet::fuzz::PropertyFailed(__FILE__, __LINE__, #condition); \
    }                                                                   \
  } while (false)
