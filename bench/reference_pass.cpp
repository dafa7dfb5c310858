// The physical reference for the converters' speed: one pass over the document's bytes finding
// every backslash with memchr, as any RTF reader must at least do.
//
// Usage: reference_pass FILE [PASSES]
// Prints "bytes=N MBps=X backslashes=K": the median of PASSES (default 15) passes over the file
// held in memory.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: reference_pass FILE [PASSES]\n");
    return 2;
  }
  std::ifstream stream(argv[1], std::ios::binary);
  if (!stream) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return 2;
  }
  std::ostringstream buffer;
  buffer << stream.rdbuf();
  const std::string text = buffer.str();
  const int passes = argc > 2 ? std::max(1, std::atoi(argv[2])) : 15;

  std::vector<double> seconds;
  std::size_t count = 0;
  for (int pass = 0; pass < passes; ++pass) {
    const auto start = std::chrono::steady_clock::now();
    count = 0;
    const char* p = text.data();
    const char* const end = p + text.size();
    while ((p = static_cast<const char*>(
                std::memchr(p, '\\', static_cast<std::size_t>(end - p)))) != nullptr) {
      ++count;
      ++p;
    }
    seconds.push_back(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(seconds.begin(), seconds.end());
  const double median = std::max(seconds[seconds.size() / 2], 1e-9);
  std::printf("bytes=%zu MBps=%.1f backslashes=%zu\n", text.size(),
              static_cast<double>(text.size()) / median / 1e6, count);
  return 0;
}
