// The control in its Qt widget (ScrivletWidget over QtRichTextBox), offscreen, on the HTML
// documents bench/compare.sh generates:
//   QtRoundTrip   TextHTML assigned, then read back, through the widget's QString properties;
//   QtBoldAll     on a page just loaded, the whole document selected in the editor (as Ctrl+A
//                 does) and the toolbar's Bold action triggered, as a click on it runs;
//   QtReadHtml    TextHTML read from a loaded page.
// The widget is shown (offscreen), each operation starts from a page laid out in full, and the
// events it leaves are processed inside the timed region: the figures are what the user waits
// for before the editor shows the result and takes input again. After a change of most of a
// large page Qt lays the rest of the document out lazily, in steps between events; that
// deferred layout is timed apart (deferred_layout_s), outside the figure.
//
// Usage: qt_control_bench --docs=DIR [--only=NAME/SIZE] [Google Benchmark flags]
// Counters:
//   peak_rss_x_doc  the growth of the process's resident size over the first operation of the
//                   process, from before it to its peak (Qt allocates outside operator new, so
//                   the heap is not counted here), over the HTML's size; coarse (pages the
//                   allocator already holds are not counted), so run one benchmark a process;
//   peak_rss_MB     the process's peak resident size;
//   deferred_layout_s  the layout left for later by the last operation measured.
#include <benchmark/benchmark.h>

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>

#include "bench_driver.h"
#include "qt/qt_platform.h"
#include "qt/scrivlet_widget.h"

namespace {

using scrivlet::ScrivletWidget;
using scrivlet::bench::PeakRssMegabytes;

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

// A shown widget, as a form holds it, with its start-up work done.
struct Page {
  Page() {
    widget.resize(800, 600);
    widget.show();
    Settle();
  }
  static void Settle() { QApplication::processEvents(); }
  // Completes the layout Qt does lazily, in steps between events, after a change of most of a
  // large page (the first screen is laid out at once); returns the seconds it took.
  double LayOutFully() {
    QElapsedTimer timer;
    timer.start();
    QTextDocument* document = widget.Editor()->document();
    document->documentLayout()->blockBoundingRect(document->lastBlock());
    Settle();
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
  }
  ScrivletWidget widget;
};

// Seconds the layout left for later by the last measured operation took.
double deferredLayout = 0;

void Report(benchmark::State& state, std::size_t bytes, double peakGrowth) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(bytes));
  state.counters["peak_rss_x_doc"] =
      peakGrowth / static_cast<double>(std::max<std::size_t>(bytes, 1));
  state.counters["peak_rss_MB"] = PeakRssMegabytes();
}

// Seconds each step of the last RoundTrip took: the assignment, the events it left, the read.
double roundTripSteps[3] = {};

[[gnu::noinline]] void RoundTrip(Page& page, const QString& html) {
  QElapsedTimer timer;
  timer.start();
  page.widget.setTextHTML(html);
  roundTripSteps[0] = static_cast<double>(timer.nsecsElapsed()) / 1e9;
  Page::Settle();
  roundTripSteps[1] = static_cast<double>(timer.nsecsElapsed()) / 1e9 - roundTripSteps[0];
  const QString out = page.widget.TextHTML();
  benchmark::DoNotOptimize(out.constData());
  roundTripSteps[2] =
      static_cast<double>(timer.nsecsElapsed()) / 1e9 - roundTripSteps[0] - roundTripSteps[1];
}

void BenchRoundTrip(benchmark::State& state, const std::string* html) {
  const QString text = QString::fromStdString(*html);
  Page page;
  // The first assignment, into the empty editor; the loop then replaces a page of the same size.
  const double peak = PeakRssGrowthOf([&] { RoundTrip(page, text); });
  page.LayOutFully();
  for (auto _ : state) {
    RoundTrip(page, text);
    state.PauseTiming();
    deferredLayout = page.LayOutFully();
    state.ResumeTiming();
  }
  Report(state, html->size(), peak);
  state.counters["deferred_layout_s"] = deferredLayout;
  state.counters["assign_s"] = roundTripSteps[0];
  state.counters["events_s"] = roundTripSteps[1];
  state.counters["read_s"] = roundTripSteps[2];
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
  page.LayOutFully();
  const double peak = PeakRssGrowthOf([&] { BoldAll(page); });
  for (auto _ : state) {
    state.PauseTiming();
    page.widget.setTextHTML(text);
    page.LayOutFully();
    state.ResumeTiming();
    BoldAll(page);
    state.PauseTiming();
    deferredLayout = page.LayOutFully();
    state.ResumeTiming();
  }
  Report(state, html->size(), peak);
  state.counters["deferred_layout_s"] = deferredLayout;
  state.counters["select_s"] = boldSteps[0];
  state.counters["command_s"] = boldSteps[1];
  state.counters["events_s"] = boldSteps[2];
}

void BenchReadHtml(benchmark::State& state, const std::string* html) {
  Page page;
  page.widget.setTextHTML(QString::fromStdString(*html));
  page.LayOutFully();
  const double peak =
      PeakRssGrowthOf([&] { benchmark::DoNotOptimize(page.widget.TextHTML().constData()); });
  for (auto _ : state) {
    const QString out = page.widget.TextHTML();
    benchmark::DoNotOptimize(out.constData());
  }
  Report(state, html->size(), peak);
}

constexpr scrivlet::bench::Subject kSubjects[] = {
    {"QtRoundTrip", BenchRoundTrip, ".html"},
    {"QtBoldAll", BenchBoldAll, ".html"},
    {"QtReadHtml", BenchReadHtml, ".html"},
};

}  // namespace

int main(int argc, char** argv) {
  // No display needed: the widget draws offscreen unless the caller chose a platform.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication application(argc, argv);
  return scrivlet::bench::RunSubjects(argc, argv, "qt_control_bench", kSubjects,
                                      benchmark::kMillisecond);
}
