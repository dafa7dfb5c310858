// The control in its Qt widget (ScrivletWidget over QtRichTextBox), offscreen, on the HTML
// documents bench/compare.sh generates:
//   QtRoundTrip   TextHTML assigned, then read back, through the widget's QString properties;
//   QtBoldAll     on a page just loaded, the whole document selected in the editor (as Ctrl+A
//                 does) and the toolbar's Bold action triggered, as a click on it runs;
//   QtReadHtml    TextHTML read from a loaded page.
// The widget is shown (offscreen) and the events an operation leaves (the editor's layout and
// repaint) are processed inside the timed region, so the figures are what the user waits for.
//
// Usage: qt_control_bench --docs=DIR [--only=NAME/SIZE] [Google Benchmark flags]
// Counters:
//   peak_rss_x_doc  the growth of the process's resident size over the first operation of the
//                   process, from before it to its peak (Qt allocates outside operator new, so
//                   the heap is not counted here), over the HTML's size; coarse (pages the
//                   allocator already holds are not counted), so run one benchmark a process;
//   peak_rss_MB     the process's peak resident size.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTextEdit>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "qt/qt_platform.h"
#include "qt/scrivlet_widget.h"

namespace {

using scrivlet::ScrivletWidget;

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream stream(path, std::ios::binary);
  std::ostringstream text;
  text << stream.rdbuf();
  return text.str();
}

// A field of /proc/self/status, in KiB.
double StatusKib(std::string_view field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.starts_with(field)) {
      return std::atof(line.c_str() + field.size());
    }
  }
  return 0;
}

// The resident size's growth, in bytes, from before `operation` to its peak. Writing 5 to
// clear_refs restarts the kernel's peak (VmHWM) from the current resident size. Only the first
// measurement of a process counts: later ones reuse memory the allocator kept from the earlier
// repetitions, and would report less.
template <typename Operation>
double PeakRssGrowthOf(Operation&& operation) {
  static double first = -1;
  std::ofstream("/proc/self/clear_refs") << "5";
  const double before = StatusKib("VmRSS:");
  operation();
  if (first < 0) {
    first = (StatusKib("VmHWM:") - before) * 1024.0;
  }
  return first;
}

double PeakRssMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// A shown widget, as a form holds it, with its start-up work done.
struct Page {
  Page() {
    widget.resize(800, 600);
    widget.show();
    Settle();
  }
  static void Settle() { QApplication::processEvents(); }
  ScrivletWidget widget;
};

void Report(benchmark::State& state, std::size_t bytes, double peakGrowth) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(bytes));
  state.counters["peak_rss_x_doc"] =
      peakGrowth / static_cast<double>(std::max<std::size_t>(bytes, 1));
  state.counters["peak_rss_MB"] = PeakRssMegabytes();
}

[[gnu::noinline]] void RoundTrip(Page& page, const QString& html) {
  page.widget.setTextHTML(html);
  Page::Settle();
  const QString out = page.widget.TextHTML();
  benchmark::DoNotOptimize(out.constData());
}

void BenchRoundTrip(benchmark::State& state, const std::string* html) {
  const QString text = QString::fromStdString(*html);
  Page page;
  // The first assignment, into the empty editor; the loop then replaces a page of the same size.
  const double peak = PeakRssGrowthOf([&] { RoundTrip(page, text); });
  for (auto _ : state) {
    RoundTrip(page, text);
  }
  Report(state, html->size(), peak);
}

// Seconds each step of the last BoldAll took: select, command, the events left.
double boldSteps[3] = {};

[[gnu::noinline]] void BoldAll(Page& page) {
  QElapsedTimer timer;
  timer.start();
  page.widget.Editor()->selectAll();
  boldSteps[0] = static_cast<double>(timer.nsecsElapsed()) / 1e9;
  page.widget.Platform().Bar.Action("Bold").trigger();
  boldSteps[1] = static_cast<double>(timer.nsecsElapsed()) / 1e9 - boldSteps[0];
  Page::Settle();
  boldSteps[2] = static_cast<double>(timer.nsecsElapsed()) / 1e9 - boldSteps[0] - boldSteps[1];
}

void BenchBoldAll(benchmark::State& state, const std::string* html) {
  const QString text = QString::fromStdString(*html);
  Page page;
  page.widget.setTextHTML(text);
  Page::Settle();
  const double peak = PeakRssGrowthOf([&] { BoldAll(page); });
  for (auto _ : state) {
    state.PauseTiming();
    page.widget.setTextHTML(text);
    Page::Settle();
    state.ResumeTiming();
    BoldAll(page);
  }
  Report(state, html->size(), peak);
  state.counters["select_s"] = boldSteps[0];
  state.counters["command_s"] = boldSteps[1];
  state.counters["events_s"] = boldSteps[2];
}

void BenchReadHtml(benchmark::State& state, const std::string* html) {
  Page page;
  page.widget.setTextHTML(QString::fromStdString(*html));
  Page::Settle();
  const double peak =
      PeakRssGrowthOf([&] { benchmark::DoNotOptimize(page.widget.TextHTML().constData()); });
  for (auto _ : state) {
    const QString out = page.widget.TextHTML();
    benchmark::DoNotOptimize(out.constData());
  }
  Report(state, html->size(), peak);
}

std::vector<std::string> SizesIn(const std::filesystem::path& dir) {
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

struct Subject {
  std::string_view name;
  void (*run)(benchmark::State&, const std::string*);
};
constexpr Subject kSubjects[] = {
    {"QtRoundTrip", BenchRoundTrip},
    {"QtBoldAll", BenchBoldAll},
    {"QtReadHtml", BenchReadHtml},
};

}  // namespace

int main(int argc, char** argv) {
  // No display needed: the widget draws offscreen unless the caller chose a platform.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication application(argc, argv);
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
      std::cerr << "unknown argument " << arg
                << "\nusage: qt_control_bench --docs=DIR [--only=NAME/SIZE]\n";
      return 2;
    }
  }
  if (!std::filesystem::is_directory(docs)) {
    std::cerr << "no document directory " << docs << " (see bench/compare.sh)\n";
    return 2;
  }
  static std::map<std::string, std::string> texts;
  for (const std::string& size : SizesIn(docs)) {
    for (const Subject& subject : kSubjects) {
      const std::string name = std::string(subject.name) + "/" + size;
      if (!only.empty() && name != only) {
        continue;
      }
      const std::string file = "doc_" + size + ".html";
      if (!texts.contains(file)) {
        texts[file] = ReadFile(docs / file);
      }
      benchmark::RegisterBenchmark(name.c_str(), subject.run, &texts[file])
          ->UseRealTime()
          ->Unit(benchmark::kMillisecond);
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
