// The walks around the caret that find the picture or hyperlink it stands in: SelectPicture with
// the caret in the middle of a long raw-tag run (a data-URI picture), and SelectHyperlink in the
// middle of a long link text, on the headless surface, for runs of 200 000, 400 000 and 800 000
// characters in one paragraph. Linear time shows as a time per character that stays flat.
//
// Usage: walk_bench [Google Benchmark flags]
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "actions/span_text.h"
#include "hosts/headless/memory_rich_text_box.h"

namespace {

// A paragraph "before <run> after" whose middle run has `length` characters.
std::string Document(std::int64_t length, bool picture) {
  const std::string colors = "{\\colortbl;\\red192\\green192\\blue192;\\red0\\green0\\blue255;}";
  std::string run;
  if (picture) {
    run = "{\\i\\cf1 <IMG SRC='data:image/png;base64,";
    run.append(static_cast<std::size_t>(length) - 34, 'A');  // the tag is `length` long
    run += "'>}";
  } else {
    run = "{\\i\\ul\\cf1 http://example.com/}{\\ul\\cf2 ";
    run.append(static_cast<std::size_t>(length), 'x');
    run += "}";
  }
  return "{\\rtf1\\ansi" + colors + "\\pard before " + run + " after\\par }";
}

void Walk(benchmark::State& state, bool picture) {
  scrivlet::MemoryRichTextBox surface;
  surface.SetTextRTF(Document(state.range(0), picture));
  const auto middle = static_cast<std::int32_t>(7 + state.range(0) / 2);
  for (auto _ : state) {
    surface.SetSelStart(middle);
    if (picture) {
      benchmark::DoNotOptimize(scrivlet::SelectPicture(surface).src.size());
    } else {
      benchmark::DoNotOptimize(scrivlet::SelectHyperlink(surface).text.size());
    }
  }
  if (surface.SelLength() < state.range(0)) {
    state.SkipWithError("the walk did not select the whole run");
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_SelectPicture(benchmark::State& state) {
  Walk(state, true);
}
void BM_SelectHyperlink(benchmark::State& state) {
  Walk(state, false);
}

BENCHMARK(BM_SelectPicture)->Arg(200000)->Arg(400000)->Arg(800000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SelectHyperlink)->Arg(200000)->Arg(400000)->Arg(800000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
