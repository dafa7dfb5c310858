#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace scrivlet::testing {

// The bytes of a small GIF file whose header gives its size in pixels.
inline std::string GifBytes(std::int32_t width, std::int32_t height) {
  std::string bytes = "GIF89a";
  for (const std::int32_t side : {width, height}) {
    bytes += static_cast<char>(side & 0xFF);
    bytes += static_cast<char>((side >> 8) & 0xFF);
  }
  bytes += std::string("\x00\x00\x00\x3B", 4);
  return bytes;
}

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace scrivlet::testing
