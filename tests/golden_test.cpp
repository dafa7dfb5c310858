// Runs every case of the golden files under tests/data.
//
// File format: a case starts with a line "=== title"; then optional directives; then the input
// lines, a line holding only ".", and the expected output lines. Input and output are joined with
// "\n"; blank lines before the next case are not part of it. A line whose trailing whitespace
// matters ends with "¶", which is removed. Directives before the first case set the file's
// defaults:
//   @convert rtf2html|html2rtf|document|roundtrip|rtf2rtf|html-encode|rtf-encode|read-html|
//            html5|own-page
//            roundtrip: HTML loaded into the headless surface as TextHTML loads it, and its RTF
//            read back as HTML; a second trip must give the same HTML again.
//            rtf2rtf: RTF loaded into the headless surface and written back.
//            rtf2text: RTF loaded into the headless surface; its text in UTF-8, a line a paragraph.
//            RtfToHtml alone is held to the same text: its HTML read by the HTML reader (as a
//            browser shows it) into the surface must give the same lines.
//            read-html: a page read by the HTML reader into the headless surface, its document
//            written one paragraph a line: "p" or "li", the paragraph's settings, ":", then
//            each run as "[format]text" (format: b i u face= size= (points) color= (#rrggbb),
//            what differs from the surface's defaults).
//            html5: a page read by the HTML reader, the surface's document written as HTML5;
//            reading that HTML5 back must give the same document.
//            own-page: a page assigned to a headless control as TextHTML (HtmlImport Auto),
//            TextHTML read back; the document must be the one the dialect converter loads.
//   @default-color 0xRRGGBB          the control's text colour, HTML order
//   @face-list Verdana, Arial        a configured font face list (repeatable)
//   @font-name NAME                  the surface's font (default Arial)
//   @surface-only WHY                rtf2text: the surface alone is held to the text
// An expected output "!error MESSAGE" expects a ConversionError with exactly that message.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "conversion/conversion_context.h"
#include "conversion/conversion_error.h"
#include "conversion/html5_writer.h"
#include "conversion/html_reader.h"
#include "conversion/html_to_rtf.h"
#include "conversion/rtf_to_html.h"
#include "conversion/test_inputs.h"
#include "document/rtf_reader.h"
#include "document/rtf_writer.h"
#include "hosts/headless/headless_host.h"
#include "hosts/headless/memory_rich_text_box.h"
#include "text/text_codec.h"

namespace scrivlet {
namespace {

constexpr std::string_view kLineEnd = "\xC2\xB6";  // ¶
constexpr std::string_view kErrorPrefix = "!error ";

struct Settings {
  std::string convert;
  std::int32_t defaultColor = 0;
  std::vector<std::string> faceLists;
  std::string fontName = "Arial";
  bool surfaceOnly = false;
};

struct GoldenCase {
  std::string file;
  int line = 0;
  std::string title;
  Settings settings;
  std::string input;
  std::string expected;
};

// Names the case instead of dumping its bytes when a test fails.
void PrintTo(const GoldenCase& c, std::ostream* out) {
  *out << c.file << ":" << c.line;
}

std::string Join(const std::vector<std::string>& lines) {
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    text += (i ? "\n" : "") + lines[i];
  }
  return text;
}

// Applies a directive line; returns false when the line is none.
bool ApplyDirective(const std::string& line, Settings& settings) {
  const auto value = [&](std::string_view name) { return line.substr(name.size()); };
  if (line.starts_with("@convert ")) {
    settings.convert = value("@convert ");
  } else if (line.starts_with("@default-color ")) {
    settings.defaultColor =
        static_cast<std::int32_t>(std::stoul(value("@default-color "), nullptr, 0));
  } else if (line.starts_with("@face-list ")) {
    settings.faceLists.push_back(value("@face-list "));
  } else if (line.starts_with("@font-name ")) {
    settings.fontName = value("@font-name ");
  } else if (line.starts_with("@surface-only ")) {
    settings.surfaceOnly = true;
  } else {
    return false;
  }
  return true;
}

void FinishCase(GoldenCase& current, std::vector<std::string>& lines, bool inExpected,
                std::vector<GoldenCase>& cases) {
  while (!lines.empty() && lines.back().empty()) {
    lines.pop_back();
  }
  if (current.line == 0) {
    return;
  }
  if (!inExpected) {
    ADD_FAILURE() << current.file << ":" << current.line << ": case has no \".\" line";
    return;
  }
  current.expected = Join(lines);
  cases.push_back(current);
}

std::vector<GoldenCase> ReadGoldenFile(const std::filesystem::path& path) {
  std::ifstream stream(path);
  std::vector<GoldenCase> cases;
  Settings defaults;
  GoldenCase current;
  current.file = path.filename().string();
  std::vector<std::string> lines;
  bool inExpected = false;
  int number = 0;
  for (std::string line; std::getline(stream, line);) {
    ++number;
    if (!line.empty() && (line.back() == ' ' || line.back() == '\t')) {
      ADD_FAILURE() << current.file << ":" << number << ": trailing whitespace must end with ¶";
    }
    if (line.ends_with(kLineEnd)) {
      line.resize(line.size() - kLineEnd.size());
    }
    if (line.starts_with("=== ")) {
      FinishCase(current, lines, inExpected, cases);
      current = GoldenCase{current.file, number, line.substr(4), defaults, {}, {}};
      lines.clear();
      inExpected = false;
    } else if (current.line == 0) {
      if (!line.empty() && !line.starts_with("#") && !ApplyDirective(line, defaults)) {
        ADD_FAILURE() << current.file << ":" << number << ": text outside a case";
      }
    } else if (lines.empty() && !inExpected && line.starts_with("@")) {
      if (!ApplyDirective(line, current.settings)) {
        ADD_FAILURE() << current.file << ":" << number << ": unknown directive";
      }
    } else if (line == "." && !inExpected) {
      current.input = Join(lines);
      lines.clear();
      inExpected = true;
    } else {
      lines.push_back(line);
    }
  }
  FinishCase(current, lines, inExpected, cases);
  return cases;
}

std::vector<GoldenCase> AllCases() {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(SCRIVLET_TEST_DATA_DIR)) {
    if (entry.path().extension() == ".txt") {
      files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  std::vector<GoldenCase> cases;
  for (const auto& file : files) {
    const std::vector<GoldenCase> more = ReadGoldenFile(file);
    cases.insert(cases.end(), more.begin(), more.end());
  }
  return cases;
}

// RtfToHtml's HTML, or its error's message.
std::string RtfToHtmlOrError(TextPieces rtf, const Settings& settings) {
  ConversionContext context;
  context.DefaultColor = settings.defaultColor;
  context.FontFaceLists = settings.faceLists;
  try {
    return RtfToHtml(rtf, context);
  } catch (const ConversionError& error) {
    return std::string(kErrorPrefix) + error.what();
  }
}

// RtfToHtml of the RTF in pieces gives what it gives for the RTF whole, wherever the pieces end:
// cut anywhere, and (`written`) the surface's writer's pieces of one paragraph each.
void ExpectSameHtmlInPieces(const Settings& settings, std::string_view rtf,
                            PieceSource* written = nullptr) {
  const std::string whole = RtfToHtmlOrError(rtf, settings);
  for (const std::size_t size : {1, 7, 64, 1000}) {
    testing_inputs::ChoppedText pieces(rtf, size);
    EXPECT_EQ(RtfToHtmlOrError(pieces, settings), whole) << "in pieces of " << size << " bytes";
  }
  if (written != nullptr) {
    EXPECT_EQ(RtfToHtmlOrError(*written, settings), whole) << "in the writer's pieces";
  }
}

std::string LoadIntoSurface(const Settings& settings, const std::string& rtf) {
  MemoryRichTextBox surface;
  surface.SetFontName(settings.fontName);
  surface.SetTextRTF(rtf);
  std::string written = surface.TextRTF();
  const std::unique_ptr<PieceSource> pieces =
      WriteRtfPieces(surface.Paragraphs(), settings.fontName, surface.BulletIndent(), 1);
  std::string joined;
  for (std::string_view piece = pieces->Next(); !piece.empty(); piece = pieces->Next()) {
    joined += piece;
  }
  EXPECT_EQ(joined, written) << "the writer's pieces are not its RTF";
  EXPECT_EQ(pieces->Size(), written.size());
  pieces->Rewind();
  ExpectSameHtmlInPieces(settings, written, pieces.get());
  return written;
}

std::string SurfaceText(const Settings& settings, const std::string& rtf) {
  MemoryRichTextBox surface;
  surface.SetFontName(settings.fontName);
  surface.SetTextRTF(rtf);
  std::string text = Utf16ToUtf8(surface.Text());
  std::erase(text, '\r');
  return text;
}

std::string RoundTrip(const Settings& settings, ConversionContext& context,
                      const std::string& html) {
  const std::string document = BuildHtmlDocument(settings.fontName, HtmlToRtf(html, context));
  return RtfToHtml(LoadIntoSurface(settings, document), context);
}

std::string ReadThroughReader(const Settings& settings, const std::string& html) {
  ConversionContext context;
  context.DefaultColor = settings.defaultColor;
  const std::string body = ReadHtmlToRtf(html, context);
  // A page read a piece at a time, cut wherever it can be, is the same page.
  for (const std::size_t pieceBytes : {1, 40}) {
    ConversionContext pieces;
    pieces.DefaultColor = settings.defaultColor;
    EXPECT_EQ(ReadHtmlToRtf(html, pieces, {.pieceBytes = pieceBytes}), body)
        << "read in pieces of " << pieceBytes << " bytes";
  }
  return LoadIntoSurface(settings, BuildHtmlDocument(settings.fontName, body));
}

// The text of RtfToHtml's HTML for `rtf`, as rtf2text gives the surface's.
std::string DirectText(const Settings& settings, const std::string& rtf) {
  ConversionContext context;
  context.FontFaceLists = settings.faceLists;
  return SurfaceText(settings, ReadThroughReader(settings, RtfToHtml(rtf, context)));
}

std::string HexColor(std::int32_t platformColor) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", platformColor & 0xFF,
                (platformColor >> 8) & 0xFF, (platformColor >> 16) & 0xFF);
  return text;
}

// The surface's document, one paragraph a line, formats as differences from the defaults.
std::string DescribeDocument(const Settings& settings, const std::string& rtf) {
  CharFormat defaults;
  defaults.face = settings.fontName;
  const RichDocument document = ReadRtf(rtf, {defaults, 360});
  std::string out;
  for (const Paragraph& paragraph : document.paragraphs) {
    const ParaFormat& format = paragraph.format;
    out += out.empty() ? "" : "\n";
    out += format.bullet ? "li" : "p";
    if (format.alignment == Alignment::kCenter)
      out += " center";
    if (format.alignment == Alignment::kRight)
      out += " right";
    if (format.indent != 0)
      out += " indent=" + std::to_string(format.indent);
    if (format.rightIndent != 0)
      out += " right-indent=" + std::to_string(format.rightIndent);
    out += ":";
    for (const TextRun& run : paragraph.runs) {
      const CharFormat& f = run.format;
      std::vector<std::string> parts;
      if (f.bold)
        parts.push_back("b");
      if (f.italic)
        parts.push_back("i");
      if (f.underline)
        parts.push_back("u");
      if (f.face != defaults.face)
        parts.push_back("face=" + f.face.str());
      if (f.halfPoints != defaults.halfPoints) {
        parts.push_back("size=" + std::to_string(f.halfPoints / 2) +
                        (f.halfPoints % 2 ? ".5" : ""));
      }
      if (f.color != 0)
        parts.push_back("color=" + HexColor(f.color));
      std::string joined;
      for (const std::string& part : parts) {
        joined += (joined.empty() ? "" : " ") + part;
      }
      out += " [" + joined + "]" + Utf16ToUtf8(run.text);
    }
  }
  return out;
}

std::string ConvertThroughControl(const Settings& settings, const std::string& html) {
  HeadlessHost host;
  host.StartNew();
  host.Control.SetFontName(settings.fontName);
  host.Control.SetTextHTML(html);
  ConversionContext context;
  const std::string dialect =
      LoadIntoSurface(settings, BuildHtmlDocument(settings.fontName, HtmlToRtf(html, context)));
  EXPECT_EQ(host.Control.TextRTF(), dialect) << "the control did not load its own page as the "
                                                "converter does";
  return host.Control.TextHTML();
}

std::string Convert(const Settings& settings, const std::string& input) {
  ConversionContext context;
  context.DefaultColor = settings.defaultColor;
  context.FontFaceLists = settings.faceLists;
  const std::string& mode = settings.convert;
  if (mode == "rtf2html") {
    ExpectSameHtmlInPieces(settings, input);
    return RtfToHtml(input, context);
  }
  if (mode == "html2rtf")
    return HtmlToRtf(input, context);
  if (mode == "document")
    return BuildHtmlDocument(settings.fontName, HtmlToRtf(input, context));
  if (mode == "roundtrip") {
    const std::string once = RoundTrip(settings, context, input);
    const std::string twice = RoundTrip(settings, context, once);
    EXPECT_EQ(once, twice) << "a second round trip changed the HTML";
    return once;
  }
  if (mode == "rtf2rtf")
    return LoadIntoSurface(settings, input);
  if (mode == "rtf2text")
    return SurfaceText(settings, input);
  if (mode == "read-html")
    return DescribeDocument(settings, ReadThroughReader(settings, input));
  if (mode == "html5") {
    const std::string document = ReadThroughReader(settings, input);
    const std::string html5 = RtfToHtml5(document, {.defaultFace = settings.fontName});
    EXPECT_EQ(DescribeDocument(settings, ReadThroughReader(settings, html5)),
              DescribeDocument(settings, document));
    EXPECT_EQ(ReadThroughReader(settings, html5), document)
        << "the HTML5 read back is another document";
    return html5;
  }
  if (mode == "own-page")
    return ConvertThroughControl(settings, input);
  if (mode == "html-encode")
    return HtmlEncode(input);
  if (mode == "rtf-encode")
    return RtfEncode(input);
  throw std::invalid_argument("unknown @convert \"" + mode + "\"");
}

// The two texts with a caret under the first difference.
std::string Describe(const std::string& expected, const std::string& actual) {
  const auto mismatch =
      std::mismatch(expected.begin(), expected.end(), actual.begin(), actual.end());
  const auto at = static_cast<std::size_t>(mismatch.first - expected.begin());
  const std::size_t from = at > 40 ? at - 40 : 0;
  std::ostringstream out;
  out << "first difference at byte " << at << "\n- expected: " << expected.substr(from, 100)
      << "\n+ actual:   " << actual.substr(from, 100) << "\n            "
      << std::string(std::min<std::size_t>(at - from, 100), ' ') << "^\n"
      << "full expected:\n"
      << expected << "\nfull actual:\n"
      << actual;
  return out.str();
}

class GoldenTest : public testing::TestWithParam<GoldenCase> {};

TEST_P(GoldenTest, ConvertsAsExpected) {
  const GoldenCase& c = GetParam();
  SCOPED_TRACE(c.file + ":" + std::to_string(c.line) + ": " + c.title);
  std::string actual;
  try {
    actual = Convert(c.settings, c.input);
  } catch (const ConversionError& error) {
    actual = std::string(kErrorPrefix) + error.what();
  }
  EXPECT_TRUE(actual == c.expected) << c.file << ":" << c.line << ": " << c.title << "\n"
                                    << Describe(c.expected, actual);
  if (c.settings.convert == "rtf2text" && !c.settings.surfaceOnly) {
    const std::string direct = DirectText(c.settings, c.input);
    EXPECT_TRUE(direct == c.expected) << c.file << ":" << c.line << ": " << c.title
                                      << "\nRtfToHtml alone: " << Describe(c.expected, direct);
  }
}

std::string CaseName(const testing::TestParamInfo<GoldenCase>& info) {
  std::string name = info.param.file.substr(0, info.param.file.find('.')) + "_line" +
                     std::to_string(info.param.line);
  return name;
}

INSTANTIATE_TEST_SUITE_P(Data, GoldenTest, testing::ValuesIn(AllCases()), CaseName);

TEST(GoldenData, EveryFileHasCases) {
  for (const auto& entry : std::filesystem::directory_iterator(SCRIVLET_TEST_DATA_DIR)) {
    if (entry.path().extension() == ".txt") {
      EXPECT_FALSE(ReadGoldenFile(entry.path()).empty()) << entry.path();
    }
  }
}

}  // namespace
}  // namespace scrivlet
