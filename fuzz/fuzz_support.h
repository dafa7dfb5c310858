#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

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

}  // namespace scrivlet::fuzz

#define SCRIVLET_FUZZ_CHECK(condition)                                  \
  do {                                                                  \
    if (!(condition)) {                                                 \
      ::scrivlet::fuzz::PropertyFailed(__FILE__, __LINE__, #condition); \
    }                                                                   \
  } while (false)
