// Throughput and memory of the converters, of the headless surface's RTF reader and writer, and
// of the whole control's TextHTML round trip on its headless host, on the documents
// bench/compare.sh generates.
//
// Usage: converters_bench --docs=DIR [--only=NAME/SIZE] [Google Benchmark flags]
// DIR holds doc_<SIZE>.rtf and doc_<SIZE>.html; every size found is measured, or with --only the
// one benchmark named (for example RtfToHtml/10M), its document alone loaded, so that the
// process's peak resident size is that benchmark's. Times are wall-clock. Each benchmark reports
// bytes per second (of the document read, or of the RTF written) and two counters:
//   peak_mem_x_doc  the most memory one operation holds at once - its input or the surface's
//                   document included - as a multiple of the document's size;
//   peak_rss_MB     the process's peak resident size (meaningful when one benchmark runs per
//                   process, as compare.sh runs them).
#include <benchmark/benchmark.h>
#include <gumbo.h>
#include <malloc.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "bench_driver.h"
#include "conversion/conversion_context.h"
#include "conversion/html5_writer.h"
#include "conversion/html_reader.h"
#include "conversion/html_to_rtf.h"
#include "conversion/rtf_to_html.h"
#include "hosts/headless/headless_host.h"
#include "hosts/headless/memory_rich_text_box.h"
#include "reader_pages.h"

// ----- Heap accounting: every allocation of the process passes through here -----

namespace {
std::size_t liveBytes = 0;
std::size_t peakBytes = 0;

void* Allocate(std::size_t size) {
  void* p = std::malloc(size == 0 ? 1 : size);
  if (p == nullptr) {
    throw std::bad_alloc();
  }
  liveBytes += malloc_usable_size(p);
  peakBytes = std::max(peakBytes, liveBytes);
  return p;
}

void Release(void* p) noexcept {
  if (p != nullptr) {
    liveBytes -= malloc_usable_size(p);
    std::free(p);
  }
}
}  // namespace

void* operator new(std::size_t size) {
  return Allocate(size);
}
void* operator new[](std::size_t size) {
  return Allocate(size);
}
void operator delete(void* p) noexcept {
  Release(p);
}
void operator delete[](void* p) noexcept {
  Release(p);
}
void operator delete(void* p, std::size_t) noexcept {
  Release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  Release(p);
}

namespace {

using scrivlet::MemoryRichTextBox;
using scrivlet::bench::AsHtml5;
using scrivlet::bench::LowerCaseTags;
using scrivlet::bench::PeakRssMegabytes;

// The heap held at the peak of `operation`, beyond what was live before it.
template <typename Operation>
std::size_t PeakOf(Operation&& operation) {
  const std::size_t before = liveBytes;
  peakBytes = liveBytes;
  operation();
  return peakBytes - before;
}

void Report(benchmark::State& state, std::size_t bytes, std::size_t peak, std::size_t docSize) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(bytes));
  state.counters["peak_mem_x_doc"] =
      static_cast<double>(peak) / static_cast<double>(std::max<std::size_t>(docSize, 1));
  state.counters["peak_rss_MB"] = PeakRssMegabytes();
}

void BenchRtfToHtml(benchmark::State& state, const std::string* rtf) {
  scrivlet::ConversionContext context;
  const std::size_t peak =
      rtf->size() + PeakOf([&] { benchmark::DoNotOptimize(scrivlet::RtfToHtml(*rtf, context)); });
  for (auto _ : state) {
    std::string html = scrivlet::RtfToHtml(*rtf, context);
    benchmark::DoNotOptimize(html.data());
  }
  Report(state, rtf->size(), peak, rtf->size());
}

void BenchHtmlToRtf(benchmark::State& state, const std::string* html) {
  scrivlet::ConversionContext context;
  const std::size_t peak =
      html->size() + PeakOf([&] { benchmark::DoNotOptimize(scrivlet::HtmlToRtf(*html, context)); });
  for (auto _ : state) {
    std::string rtf = scrivlet::HtmlToRtf(*html, context);
    benchmark::DoNotOptimize(rtf.data());
  }
  Report(state, html->size(), peak, html->size());
}

// The surface reading TextRTF: the document replaced by the RTF's.
void BenchSurfaceRead(benchmark::State& state, const std::string* rtf) {
  const std::size_t peak = rtf->size() + PeakOf([&] {
                             MemoryRichTextBox surface;
                             surface.SetTextRTF(*rtf);
                           });
  MemoryRichTextBox surface;
  for (auto _ : state) {
    surface.SetTextRTF(*rtf);
  }
  Report(state, rtf->size(), peak, rtf->size());
}

// The surface writing TextRTF of the document it read. Its memory is the document model the
// surface holds plus what the write takes at its peak.
void BenchSurfaceWrite(benchmark::State& state, const std::string* rtf) {
  MemoryRichTextBox surface;
  const std::size_t empty = liveBytes;
  surface.SetTextRTF(*rtf);
  const std::size_t model = liveBytes - empty;
  std::size_t written = 0;
  const std::size_t peak = model + PeakOf([&] { written = surface.TextRTF().size(); });
  for (auto _ : state) {
    std::string out = surface.TextRTF();
    benchmark::DoNotOptimize(out.data());
  }
  Report(state, written, peak, rtf->size());
  state.counters["model_x_doc"] =
      static_cast<double>(model) / static_cast<double>(std::max<std::size_t>(rtf->size(), 1));
}

// The control's round trip as a host drives it: TextHTML assigned, then read back. Its memory,
// as for the other benchmarks, is what the operation holds at its peak, its input (the HTML)
// included, over the HTML's size: here the first assignment, into an empty control, then the
// read. The other counters, over the HTML's size too:
//   assign_mem_x_doc, read_mem_x_doc  the peak of each half (the read's includes the document
//                                     model it writes from);
//   replace_mem_x_doc  the peak of a round trip replacing a document of the same size: the old
//                      document is held while the new page converts, since a page the converter
//                      rejects must leave it in place;
//   model_x_doc        the document model the control holds afterwards.
// Whether RtfToHtml of the surface's RTF read a piece at a time, as TextHTML reads it, is the
// HTML of the whole RTF, byte for byte (with face lists, which read the font table in full).
bool PiecesConvertAsTheWhole(const std::string& html) {
  scrivlet::ConversionContext context;
  context.FontFaceLists = {"Verdana, Arial, Helvetica"};
  scrivlet::MemoryRichTextBox surface;
  surface.SetTextRTF(scrivlet::BuildHtmlDocument("Arial", scrivlet::HtmlToRtf(html, context)));
  const std::string whole = scrivlet::RtfToHtml(surface.TextRTF(), context);
  return scrivlet::RtfToHtml(*surface.TextRTFPieces(), context) == whole;
}

void BenchControlRoundTrip(benchmark::State& state, const std::string* html) {
  if (!PiecesConvertAsTheWhole(*html)) {
    state.SkipWithError("TextHTML read in pieces differs from the whole RTF's HTML");
    return;
  }
  scrivlet::HeadlessHost host;
  host.StartNew();
  const std::size_t empty = liveBytes;
  const std::size_t assign = PeakOf([&] { host.Control.SetTextHTML(*html); });
  const std::size_t held = liveBytes - empty;
  const std::size_t read =
      PeakOf([&] { benchmark::DoNotOptimize(host.Control.TextHTML().data()); });
  const std::size_t first = html->size() + std::max(assign, held + read);
  const std::size_t replace = html->size() + held + PeakOf([&] {
                                host.Control.SetTextHTML(*html);
                                benchmark::DoNotOptimize(host.Control.TextHTML().data());
                              });
  for (auto _ : state) {
    host.Control.SetTextHTML(*html);
    std::string out = host.Control.TextHTML();
    benchmark::DoNotOptimize(out.data());
  }
  Report(state, html->size(), first, html->size());
  const double size = static_cast<double>(std::max<std::size_t>(html->size(), 1));
  state.counters["assign_mem_x_doc"] = static_cast<double>(html->size() + assign) / size;
  state.counters["read_mem_x_doc"] = static_cast<double>(html->size() + held + read) / size;
  state.counters["replace_mem_x_doc"] = static_cast<double>(replace) / size;
  state.counters["model_x_doc"] = static_cast<double>(held) / size;
}

// The same round trip on the control's own page, as a host stores TextHTML and assigns it back
// later: the page the control wrote for the document, read by its own dialect's converter. The
// generated page is not the control's own (no version comment), so the round trip above reads
// it with the HTML reader, as a page from another program.
void BenchControlOwnRoundTrip(benchmark::State& state, const std::string* html) {
  std::string own;
  {
    scrivlet::HeadlessHost host;
    host.StartNew();
    host.Control.SetTextHTML(*html);
    own = host.Control.TextHTML();
  }
  BenchControlRoundTrip(state, &own);
}

// ----- The HTML reader, on the page as other programs write it -----

// The resident size now, in bytes.
std::size_t CurrentRssBytes() {
  std::ifstream statm("/proc/self/statm");
  std::size_t pages = 0;
  std::size_t resident = 0;
  statm >> pages >> resident;
  return resident * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

// The growth of the process's peak resident size over one operation, over the page's size, the
// page included: the parser allocates with malloc, which the heap accounting above does not see.
template <typename Operation>
double RssGrowthOverPage(const std::string& page, Operation&& operation) {
  malloc_trim(0);
  const std::size_t before = CurrentRssBytes();
  operation();
  const double peak = PeakRssMegabytes() * 1024 * 1024;
  return (std::max(peak - static_cast<double>(before), 0.0) + static_cast<double>(page.size())) /
         static_cast<double>(std::max<std::size_t>(page.size(), 1));
}

// The parser's own pass: gumbo building its tree of the page, and freeing it.
void RunParse(benchmark::State& state, const std::string& page) {
  const auto parse = [&] {
    GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, page.data(), page.size());
    benchmark::DoNotOptimize(output);
    gumbo_destroy_output(&kGumboDefaultOptions, output);
  };
  const double rss = RssGrowthOverPage(page, parse);
  for (auto _ : state) {
    parse();
  }
  Report(state, page.size(), 0, page.size());
  state.counters["peak_mem_x_doc"] = rss;
}

// The whole reader: the parse and the mapping of its tree onto the surface's RTF. The mapping's
// own cost is this benchmark's time less the parse's.
void RunReader(benchmark::State& state, const std::string& page) {
  scrivlet::ConversionContext context;
  const double rss = RssGrowthOverPage(
      page, [&] { benchmark::DoNotOptimize(scrivlet::ReadHtmlToRtf(page, context)); });
  for (auto _ : state) {
    std::string rtf = scrivlet::ReadHtmlToRtf(page, context);
    benchmark::DoNotOptimize(rtf.data());
  }
  Report(state, page.size(), 0, page.size());
  state.counters["peak_mem_x_doc"] = rss;
}

void BenchParseLower(benchmark::State& state, const std::string* html) {
  RunParse(state, LowerCaseTags(*html));
}
void BenchReaderLower(benchmark::State& state, const std::string* html) {
  RunReader(state, LowerCaseTags(*html));
}
void BenchParseHtml5(benchmark::State& state, const std::string* html) {
  RunParse(state, AsHtml5(*html));
}
void BenchReaderHtml5(benchmark::State& state, const std::string* html) {
  RunReader(state, AsHtml5(*html));
}

// The HTML5 writer on the surface's RTF of the page; bytes are the HTML5 written.
void BenchHtml5Write(benchmark::State& state, const std::string* html) {
  scrivlet::HeadlessHost host;
  host.StartNew();
  host.Control.SetTextHTML(*html);
  const std::string rtf = host.Control.TextRTF();
  std::size_t written = 0;
  const std::size_t peak =
      rtf.size() + PeakOf([&] { written = scrivlet::RtfToHtml5(rtf, {}).size(); });
  for (auto _ : state) {
    std::string out = scrivlet::RtfToHtml5(rtf, {});
    benchmark::DoNotOptimize(out.data());
  }
  Report(state, written, peak, rtf.size());
}

// Typing a word ("word ", a key at a time) in the middle of one paragraph after another, as
// the undo history gathers it (a step a word); the paragraphs are taken from the last to the
// first, so that the positions found before the run stay true. Counters:
//   history_KB_per_step  what the history holds after 100 words, a step: the paragraph each
//                        word changed, as it was;
//   paragraph_KB         the average paragraph's text, for comparison (UTF-16).
std::vector<std::int32_t> ParagraphMiddles(const MemoryRichTextBox& surface) {
  std::vector<std::int32_t> middles;
  const std::u16string text = surface.Text();
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = std::min(text.find(u'\n', start), text.size());
    middles.push_back(static_cast<std::int32_t>((start + end) / 2));
    if (end == text.size()) {
      return middles;
    }
    start = end + 1;
  }
}

void TypeWord(MemoryRichTextBox& surface, std::int32_t at) {
  static constexpr std::u16string_view kWord = u"word ";
  surface.SetSelStart(at);
  for (const char16_t c : kWord) {
    surface.SetSelText(std::u16string_view(&c, 1));
  }
}

void BenchTyping(benchmark::State& state, const std::string* rtf, bool keepHistory) {
  MemoryRichTextBox surface;
  surface.SetTextRTF(*rtf);
  std::vector<std::int32_t> middles = ParagraphMiddles(surface);
  const double paragraphKB =
      static_cast<double>(surface.Text().size() * 2) / static_cast<double>(middles.size()) / 1024.0;
  const std::size_t before = liveBytes;
  for (std::size_t i = 0; i < 100 && i < middles.size(); ++i) {
    TypeWord(surface, middles[middles.size() - 1 - i]);
  }
  const std::size_t history = liveBytes - before;
  surface.EmptyUndoBuffer();
  middles = ParagraphMiddles(surface);
  std::size_t next = middles.size();
  std::int64_t keys = 0;
  for (auto _ : state) {
    if (next == 0) {
      state.PauseTiming();
      middles = ParagraphMiddles(surface);
      next = middles.size();
      state.ResumeTiming();
    }
    TypeWord(surface, middles[--next]);
    if (!keepHistory) {
      // What a surface with one step of undo holds: the last change alone.
      surface.EmptyUndoBuffer();
    }
    keys += 5;
  }
  state.SetItemsProcessed(keys);
  state.counters["history_KB_per_step"] = static_cast<double>(history) / 1024.0 / 100.0;
  state.counters["paragraph_KB"] = paragraphKB;
}

void BenchTypingWithHistory(benchmark::State& state, const std::string* rtf) {
  BenchTyping(state, rtf, true);
}
void BenchTypingOneStep(benchmark::State& state, const std::string* rtf) {
  BenchTyping(state, rtf, false);
}

// ----- Keystrokes, one at a time -----

// The page as one paragraph: every paragraph mark and line break (`\par` and `\line` as words
// of their own, not `\pard`) becomes a space, the rest of the RTF as it was.
std::string AsOneParagraph(const std::string& rtf) {
  std::string out;
  out.reserve(rtf.size());
  for (std::size_t i = 0; i < rtf.size(); ++i) {
    bool replaced = false;
    for (const std::string_view word : {std::string_view("\\par"), std::string_view("\\line")}) {
      const std::size_t end = i + word.size();
      if (rtf.compare(i, word.size(), word) == 0 && (i == 0 || rtf[i - 1] != '\\') &&
          (end == rtf.size() || !std::isalpha(static_cast<unsigned char>(rtf[end])))) {
        out += ' ';
        i = end < rtf.size() && rtf[end] == ' ' ? end : end - 1;  // and the word's delimiter
        replaced = true;
        break;
      }
    }
    if (!replaced) {
      out += rtf[i];
    }
  }
  return out;
}

struct KeyTimes {
  double median = 0;
  double p99 = 0;
};

// Times `samples` consecutive operations, each on its own (microseconds), the caret placed once
// before the first: typing goes on where the last key left it, as a user's does. A `step`
// moves the caret on that far before each operation, outside the timing.
template <typename Operation>
KeyTimes TimeKeys(MemoryRichTextBox& surface, std::int32_t caret, int samples,
                  Operation&& operation, std::int32_t step = 0) {
  surface.SetSelStart(caret);
  std::vector<double> times;
  times.reserve(static_cast<std::size_t>(samples));
  for (int i = 0; i < samples; ++i) {
    if (step > 0) {
      surface.SetSelStart(surface.SelStart() + step);
    }
    const auto start = std::chrono::steady_clock::now();
    operation(i);
    const auto end = std::chrono::steady_clock::now();
    times.push_back(std::chrono::duration<double, std::micro>(end - start).count());
  }
  std::sort(times.begin(), times.end());
  return {times[times.size() / 2], times[(times.size() * 99) / 100]};
}

// A keystroke, Backspace, Enter and a paste of 80 characters at the start, middle and end of
// the page as generated (many paragraphs) and of the page as one paragraph, 200 of each in a
// row (the history gathering them as a user's typing), median and 99th percentile printed as a
// table on standard error. After them, a paste of 80 characters in three lines, and Enter with
// the caret moved 1000 characters on before each (a split with the rest of a long paragraph
// after it every time, where Enter after Enter splits at the paragraph's start). The
// benchmark's own time is a keystroke in the middle of the page.
static constexpr std::u16string_view kTyped = u"word ";

void PrintKeyTimes(const std::string& rtf) {
  static constexpr std::u16string_view kLine =
      u"Eighty characters of pasted text, a line's worth, the way a user pastes it here.";
  static constexpr std::u16string_view kLines =
      u"Eighty characters of pasted text\r\nin three lines, the way a user\r\npastes them here.";
  static constexpr int kSamples = 200;
  struct Shape {
    const char* name;
    std::string rtf;
  };
  const Shape shapes[] = {{"paragraphs", rtf}, {"one paragraph", AsOneParagraph(rtf)}};
  std::fprintf(stderr, "%-14s %-13s %-7s %10s %10s\n", "shape", "operation", "at", "median_us",
               "p99_us");
  for (const Shape& shape : shapes) {
    MemoryRichTextBox surface;
    surface.SetTextRTF(shape.rtf);
    const struct {
      const char* name;
      std::function<void(int)> run;
      std::int32_t step = 0;
    } operations[] = {
        {"key", [&](int i) { surface.SetSelText(kTyped.substr(i % kTyped.size(), 1)); }},
        {"Backspace", [&](int) { surface.DeleteBackward(); }},
        {"Enter", [&](int) { surface.SetSelText(u"\n"); }},
        {"paste 80", [&](int) { surface.SetSelText(kLine); }},
        {"paste 3 lines", [&](int) { surface.SetSelText(kLines); }},
        {"Enter +1000", [&](int) { surface.SetSelText(u"\n"); }, 1000},
    };
    for (const auto& operation : operations) {
      for (const char* place : {"start", "middle", "end"}) {
        const std::int32_t length = static_cast<std::int32_t>(surface.Text().size());
        const std::string_view at = place;
        // Backspace "at the start" begins far enough in to have that much to delete.
        const std::int32_t caret = at == "start"    ? (operation.name[0] == 'B' ? kSamples : 0)
                                   : at == "middle" ? length / 2
                                                    : length;
        const KeyTimes times = TimeKeys(surface, caret, kSamples, operation.run, operation.step);
        std::fprintf(stderr, "%-14s %-13s %-7s %10.1f %10.1f\n", shape.name, operation.name, place,
                     times.median, times.p99);
      }
    }
  }
}

void BenchSurfaceKeys(benchmark::State& state, const std::string* rtf) {
  static bool printed = false;  // Google Benchmark may call a benchmark more than once
  if (!printed) {
    printed = true;
    PrintKeyTimes(*rtf);
  }
  MemoryRichTextBox surface;
  surface.SetTextRTF(*rtf);
  surface.SetSelStart(static_cast<std::int32_t>(surface.Text().size() / 2));
  std::size_t i = 0;
  for (auto _ : state) {
    surface.SetSelText(kTyped.substr(i++ % kTyped.size(), 1));
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(i));
}

constexpr scrivlet::bench::Subject kSubjects[] = {
    {"SurfaceTyping", BenchTypingWithHistory, ".rtf"},
    {"SurfaceTypingOneStep", BenchTypingOneStep, ".rtf"},
    {"SurfaceKeys", BenchSurfaceKeys, ".rtf"},
    {"HtmlParseLowerCase", BenchParseLower, ".html"},
    {"HtmlReaderLowerCase", BenchReaderLower, ".html"},
    {"HtmlParseHtml5", BenchParseHtml5, ".html"},
    {"HtmlReaderHtml5", BenchReaderHtml5, ".html"},
    {"Html5Write", BenchHtml5Write, ".html"},
    {"RtfToHtml", BenchRtfToHtml, ".rtf"},
    {"HtmlToRtf", BenchHtmlToRtf, ".html"},
    {"SurfaceReadRtf", BenchSurfaceRead, ".rtf"},
    {"SurfaceWriteRtf", BenchSurfaceWrite, ".rtf"},
    {"ControlRoundTrip", BenchControlRoundTrip, ".html"},
    {"ControlOwnRoundTrip", BenchControlOwnRoundTrip, ".html"},
};

}  // namespace

int main(int argc, char** argv) {
  return scrivlet::bench::RunSubjects(argc, argv, "converters_bench", kSubjects,
                                      benchmark::kNanosecond);
}
