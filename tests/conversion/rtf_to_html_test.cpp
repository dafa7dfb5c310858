#include "conversion/rtf_to_html.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "conversion/conversion_context.h"
#include "conversion/conversion_error.h"
#include "test_inputs.h"
#include "text/output_buffer.h"

namespace scrivlet {
namespace {

using testing_inputs::ChoppedText;
using testing_inputs::RandomFragments;
using testing_inputs::RandomText;
using testing_inputs::Repeat;
using testing_inputs::SurfaceDocument;

// A conversion with the default settings and tables of its own.
std::string ToHtml(std::string_view rtf) {
  ConversionContext context;
  return RtfToHtml(rtf, context);
}

std::size_t Count(const std::string& text, std::string_view what) {
  std::size_t n = 0;
  for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) {
    ++n;
  }
  return n;
}

TEST(HtmlEncode, EscapesMarkupSpacesAndNonAscii) {
  const struct {
    std::string_view text;
    std::string_view html;
  } cases[] = {
      {"", ""},
      {"a<b>c", "a&lt;b&gt;c"},
      {"\"&\"", "&quot;&amp;&quot;"},
      {"a b", "a b"},
      {"a   b", "a &nbsp;&nbsp;b"},
      {"  ", " &nbsp;"},
      {"caf\xC3\xA9", "caf&#233;"},
      {"\xF0\x9F\x98\x80", "&#128512;"},
      {"\xE2\x82\xAC", "&#8364;"},
      // Bytes that are not UTF-8 are code page 1252 characters.
      {"caf\xE9", "caf&#233;"},
      {"\x80", "&#8364;"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HtmlEncode(c.text), c.html) << c.text;
  }
}

TEST(RtfToHtml, RebuildsTheTablesOfTheContext) {
  ConversionContext context;
  context.ColorTable = {1, 2, 3};
  context.FontFaceLists = {"Verdana, Arial"};
  RtfToHtml(
      "{\\rtf1{\\fonttbl{\\f0\\fswiss Arial;}{\\f1 Courier;}{\\f2\\froman "
      "Times;}}{\\colortbl;\\red1\\green2\\blue3;"
      "\\red255\\green255\\blue255;}\\pard x\\par }",
      context);
  EXPECT_EQ(context.ColorTable, (std::vector<std::int32_t>{0x010203, 0xFFFFFF}));
  EXPECT_EQ(context.FontTable, (std::vector<std::string>{"Verdana, Arial", "Courier", "Times"}));
}

TEST(RtfToHtml, RawLineEndsDelimitWordsAndAreNotText) {
  EXPECT_EQ(ToHtml("{\\rtf1\\ansi\r\n\\pard\\b\r\nbold\\b0\r\n plain\\par\r\nnext\\par }"),
            "<B>bold</B> plain<BR>next");
}

TEST(RtfToHtml, ContextsOnSeveralThreadsDoNotInterfere) {
  const std::string rtf = SurfaceDocument(300);
  ConversionContext reference;
  const std::string expected = RtfToHtml(rtf, reference);
  std::vector<std::string> results(4);
  std::vector<std::thread> threads;
  for (std::string& result : results) {
    threads.emplace_back([&rtf, &result] {
      ConversionContext own;
      for (int i = 0; i < 5; ++i)
        result = RtfToHtml(rtf, own);
    });
  }
  for (std::thread& t : threads)
    t.join();
  for (const std::string& result : results)
    EXPECT_EQ(result, expected);
}

TEST(RtfToHtml, LargeDocumentConvertsWhole) {
  const int paragraphs = 100000;  // about 13 MB
  ConversionContext context;
  const std::string html = RtfToHtml(SurfaceDocument(paragraphs), context);
  // Every paragraph mark but the last is a BR; every seventh paragraph holds a link.
  EXPECT_EQ(Count(html, "<BR>"), static_cast<std::size_t>(paragraphs - 1));
  EXPECT_EQ(Count(html, "<A HREF='page"), static_cast<std::size_t>((paragraphs + 6) / 7));
  EXPECT_EQ(Count(html, "<!-- ScrivletHTML --><IMG SRC='p.gif'>"),
            static_cast<std::size_t>((paragraphs + 10) / 11));
  EXPECT_EQ(Count(html, "caf&#233;"), static_cast<std::size_t>(paragraphs));
}

// A sink takes the finished front of the output while the conversion runs (the command-line
// tool writes it out meanwhile): together its pieces are a prefix of the result, and none holds
// an anchor's start tag that is still rewritten (a URL split into two runs) or taken back (a
// link that shows nothing). Long URLs make most of the output such tags, so that the hand-overs,
// four megabytes apart, fall inside them.
TEST(RtfToHtml, ASinkGetsOnlyTheFinishedFrontOfTheOutput) {
  struct Recorder final : OutputSink {
    std::string taken;
    void Take(std::string_view done) override { taken += done; }
    void Settle() override {}
  };
  std::string rtf =
      "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}{\\colortbl\\red0\\green0\\blue0;"
      "\\red192\\green192\\blue192;\\red0\\green0\\blue255;}\\pard";
  const std::string path(400, 'p');
  for (int i = 0; i < 14000; ++i) {
    rtf += "\\plain\\f0\\fs24\\cf1\\i\\ul http://a.example/" + path + std::to_string(i) +
           "\\plain\\f0\\fs24\\cf1\\i\\ul\\b /" + path + ".htm";
    rtf += i % 3 == 0 ? "\\plain\\par " : "\\plain\\f0\\fs24\\cf2\\ul link\\plain\\par ";
  }
  rtf += "}";
  Recorder recorder;
  ConversionContext context;
  context.Sink = &recorder;
  const std::string html = RtfToHtml(rtf, context);
  EXPECT_EQ(html, ToHtml(rtf));
  EXPECT_GT(recorder.taken.size(), std::size_t{6} << 20);
  EXPECT_TRUE(html.starts_with(recorder.taken));
}

// Inputs that once cost quadratic time or deep recursion in scanners of this kind.
TEST(RtfToHtml, HostileStructuresFinish) {
  const std::size_t n = 200000;
  const std::string inputs[] = {
      Repeat("{", n) + "x" + Repeat("}", n),
      "{\\rtf1" + Repeat("{\\*\\x ", n),
      "{\\rtf1" + Repeat("{\\*\\x}", n) + "\\pard y\\par }",
      "{\\rtf1{\\fonttbl" + Repeat("{\\f0", n) + "}}",
      "{\\rtf1" + Repeat("\\", n),
      "{\\rtf1\\pard " + Repeat("a\\{", n) + "\\par }",
      Repeat("\\li720", n),
      Repeat("\\u-10179 ", n),
      std::string(n, ' '),
  };
  for (const std::string& rtf : inputs) {
    ConversionContext context;
    context.FontFaceLists = {"Arial"};
    EXPECT_NO_THROW(RtfToHtml(rtf, context)) << rtf.substr(0, 40);
  }
}

TEST(RtfToHtml, SkippedStarGroupsAreFoundFromAnyDepth) {
  const std::string rtf = "{\\rtf1\\pard a{\\*\\x{{\\y}}\\}}\\b0 b{\\*\\z \\{}\\b0 c\\par }";
  EXPECT_EQ(ToHtml(rtf), "abc");
}

// Random bytes from the characters that matter to the scanner: every input either converts or
// fails with a ConversionError, never anything else.
TEST(RtfToHtml, ArbitraryInputConvertsOrFailsCleanly) {
  const std::string_view alphabet = "\\{}' ;~*abfilpqrsu0129-\r\n\xC3\xA9";
  for (std::uint32_t seed = 1; seed <= 3000; ++seed) {
    const std::string rtf = RandomText(alphabet, 1 + seed % 97, seed);
    ConversionContext context;
    context.FontFaceLists = {"Arial"};
    try {
      RtfToHtml(rtf, context);
    } catch (const ConversionError&) {
    }
  }
}

// The HTML, or the error's message.
std::string ToHtmlOrError(TextPieces rtf) {
  ConversionContext context;
  context.FontFaceLists = {"Arial"};
  try {
    return RtfToHtml(rtf, context);
  } catch (const ConversionError& error) {
    return std::string("!error ") + error.what();
  }
}

// Where the pieces end never changes the HTML: a "\par " inside a group, an escape, a skipped
// group or a face name, a table or a group that a later piece closes, a character escape cut in
// two, all cut at every byte.
TEST(RtfToHtml, PiecesConvertAsTheWhole) {
  const std::vector<std::string_view> fragments = {
      "\\par ",
      "\\par ",
      "\\par ",
      "{",
      "}",
      "\\*\\x ",
      "{\\fonttbl{\\f0 ",
      "{\\f1\\fswiss A",
      ";",
      " ",
      "x",
      "\\\\",
      "\\'e9",
      "\\'8",
      "\\u233 ",
      "\\u-10179 ",
      "\\uc2 ",
      "\\ansicpg932",
      "\\'82a",
      "\\cf1\\i ",
      "\\ul ",
      "\\plain ",
      "\\pard\\li720 ",
      "{\\pntext x}",
      "\\emdash ",
      "\\~",
      "\\f1 ",
      "\\fs2x ",
      "\\line ",
      "\r\n",
      "{\\colortbl\\red255;",
      "p<a>&",
  };
  for (std::uint32_t seed = 1; seed <= 400; ++seed) {
    const std::string rtf = "{\\rtf1" + RandomFragments(fragments, 1 + seed % 60, seed) + "\\par }";
    const std::string whole = ToHtmlOrError(rtf);
    for (const std::size_t size :
         {std::size_t{1}, std::size_t{3}, std::size_t{17}, std::size_t{1} + seed % 50}) {
      ChoppedText pieces(rtf, size);
      ASSERT_EQ(ToHtmlOrError(pieces), whole) << "pieces of " << size << ": " << rtf;
    }
  }
}

// The surface's RTF is cut at its paragraph ends and never read again whole: a large document's
// RTF is held a piece at a time, not at once.
TEST(RtfToHtml, SurfaceDocumentInPiecesIsNotReadAgain) {
  const std::string rtf = SurfaceDocument(2000);
  ChoppedText pieces(rtf, 4096);
  EXPECT_EQ(ToHtmlOrError(pieces), ToHtmlOrError(rtf));
  EXPECT_EQ(pieces.Rewinds(), 0);
}

TEST(RtfToHtml, ErrorsNameTheOffendingWord) {
  try {
    ToHtml("{\\rtf1\\pard\\fs2x4 a\\par }");
    FAIL() << "no error";
  } catch (const ConversionError& error) {
    EXPECT_EQ(error.value(), "fs2x4");
    EXPECT_NE(std::string(error.what()).find("\\fs2x4"), std::string::npos);
  }
}

}  // namespace
}  // namespace scrivlet
