// What both benchmark programs share: the generated documents, the process's peak resident
// size, and a main that registers every subject at every document size found.
//
// Usage of a program built on it: PROGRAM --docs=DIR [--only=NAME/SIZE] [Google Benchmark flags]
#pragma once

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace scrivlet::bench {

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream stream(path, std::ios::binary);
  std::ostringstream text;
  text << stream.rdbuf();
  return text.str();
}

inline double PeakRssMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// The sizes bench/compare.sh generates (doc_<SIZE>.html and .rtf), smallest first; any other
// doc_<SIZE> file is taken too.
inline std::vector<std::string> SizesIn(const std::filesystem::path& dir) {
  std::vector<std::string> sizes;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with("doc_") && entry.path().extension() == ".html") {
      sizes.push_back(name.substr(4, name.size() - 9));
    }
  }
  const auto bytes = [](const std::string& size) {
    const char unit = size.empty() ? ' ' : size.back();
    const double scale = unit == 'K' ? 1e3 : unit == 'M' ? 1e6 : 1.0;
    return std::atof(size.c_str()) * scale;
  };
  std::sort(sizes.begin(), sizes.end(),
            [&](const std::string& a, const std::string& b) { return bytes(a) < bytes(b); });
  return sizes;
}

// One benchmark, run on the document of each size with the given extension.
struct Subject {
  std::string_view name;
  void (*run)(benchmark::State&, const std::string*);
  std::string_view extension;  // ".html" or ".rtf"
};

// Reads the arguments, registers each subject at each size (or only NAME/SIZE), and runs them.
// Returns the process's exit code: 2 for a bad argument, a missing directory or nothing to run.
inline int RunSubjects(int argc, char** argv, std::string_view program,
                       std::span<const Subject> subjects, benchmark::TimeUnit unit) {
  benchmark::Initialize(&argc, argv);
  std::filesystem::path docs = "docs";
  std::string only;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg.starts_with("--docs=")) {
      docs = std::string(arg.substr(7));
    } else if (arg.starts_with("--only=")) {
      only = arg.substr(7);
    } else {
      std::cerr << "unknown argument " << arg << "\nusage: " << program
                << " --docs=DIR [--only=NAME/SIZE]\n";
      return 2;
    }
  }
  if (!std::filesystem::is_directory(docs)) {
    std::cerr << "no document directory " << docs << " (see bench/compare.sh)\n";
    return 2;
  }
  // The documents live for the whole run; the benchmarks read them through pointers.
  static std::map<std::string, std::string> texts;
  for (const std::string& size : SizesIn(docs)) {
    for (const Subject& subject : subjects) {
      const std::string name = std::string(subject.name) + "/" + size;
      if (!only.empty() && name != only) {
        continue;
      }
      const std::string file = "doc_" + size + std::string(subject.extension);
      if (!texts.contains(file)) {
        texts[file] = ReadFile(docs / file);
      }
      benchmark::RegisterBenchmark(name.c_str(), subject.run, &texts[file])
          ->UseRealTime()
          ->Unit(unit);
    }
  }
  if (texts.empty()) {
    std::cerr << "nothing to measure in " << docs << (only.empty() ? "" : " for " + only) << "\n";
    return 2;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

}  // namespace scrivlet::bench
