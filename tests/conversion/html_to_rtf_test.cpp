#include "conversion/html_to_rtf.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "conversion/conversion_context.h"
#include "conversion/conversion_error.h"
#include "test_inputs.h"

namespace scrivlet {
namespace {

using testing_inputs::DialectHtml;
using testing_inputs::RandomText;
using testing_inputs::Repeat;

TEST(BuildHtmlDocument, DeclaresNoFallbacksWhenUnicodeEscapesAppear) {
  const struct {
    std::string_view font;
    std::string_view body;
    bool unicode;
  } cases[] = {
      {"Arial", "caf\\u233 ", true},
      {"Arial", "\\u-10179 \\u-8704 ", true},
      {"Arial", "\\ul x\\ulnone ", false},
      {"Arial", "a\\\\u233", false},  // an escaped backslash followed by text
      {"Arial", "\\uc1", false},
      {"Segoe\xC2\xA0UI", "x", true},
  };
  for (const auto& c : cases) {
    const std::string document = BuildHtmlDocument(c.font, std::string(c.body));
    EXPECT_EQ(document.starts_with("{\\rtf1\\ansi\\uc0\\deftab720"), c.unicode) << c.body;
    EXPECT_TRUE(document.ends_with(std::string(c.body) + "}"));
  }
}

TEST(BuildHtmlDocument, EscapesTheFontName) {
  EXPECT_NE(BuildHtmlDocument("Odd{Name}\\", "").find("\\fswiss Odd\\{Name\\}\\\\;}"),
            std::string::npos);
}

TEST(HtmlToRtf, ResetsAndFillsTheTablesOfTheContext) {
  ConversionContext context;
  context.DefaultColor = 0x112233;
  context.ColorTable = {7, 8};
  context.FontTable = {"Old"};
  HtmlToRtf("<FONT FACE='Verdana, Arial' COLOR=#00FF00>a<A HREF='x'>b</A><FONT FACE=Georgia>",
            context);
  EXPECT_EQ(context.ColorTable,
            (std::vector<std::int32_t>{0x112233, 0x00FF00, 0xC0C0C0, 0x0000FF}));
  EXPECT_EQ(context.FontTable, (std::vector<std::string>{"Arial", "Verdana, Arial", "Georgia"}));
}

TEST(HtmlToRtf, FailedConversionKeepsWhatTheScanFilledAndNextOneResets) {
  ConversionContext context;
  EXPECT_THROW(HtmlToRtf("<FONT COLOR=#FF0000>a<FONT SIZE=x>", context), ConversionError);
  EXPECT_EQ(context.ColorTable, (std::vector<std::int32_t>{0, 0xFF0000}));
  HtmlToRtf("plain", context);
  EXPECT_EQ(context.ColorTable, std::vector<std::int32_t>{0});
}

TEST(HtmlToRtf, ErrorsCarryTheOffendingValue) {
  const struct {
    std::string_view html;
    std::string_view value;
  } cases[] = {
      {"<FONT SIZE='12pt'>", "12pt"},
      {"<FONT COLOR=\"#GG0000\">", "#GG0000"},
      {"&#-1;", "#-1"},
  };
  for (const auto& c : cases) {
    try {
      ConversionContext context;
      HtmlToRtf(c.html, context);
      ADD_FAILURE() << c.html << " converted";
    } catch (const ConversionError& error) {
      EXPECT_EQ(error.value(), c.value);
    }
  }
}

TEST(HtmlToRtf, BytesThatAreNotUtf8AreCodePage1252) {
  ConversionContext context;
  const std::string body = HtmlToRtf("caf\xE9 \x80", context);
  EXPECT_TRUE(body.ends_with("caf\\u233  \\u8364 ")) << body;
}

TEST(HtmlToRtf, ContextsOnSeveralThreadsDoNotInterfere) {
  const std::string html = DialectHtml(300);
  ConversionContext reference;
  const std::string expected = HtmlToRtf(html, reference);
  std::vector<std::string> results(4);
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < results.size(); ++i) {
    threads.emplace_back([&html, &results, i] {
      ConversionContext own;
      for (int n = 0; n < 5; ++n)
        results[i] = HtmlToRtf(html, own);
    });
  }
  for (std::thread& t : threads)
    t.join();
  for (const std::string& result : results)
    EXPECT_EQ(result, expected);
}

TEST(HtmlToRtf, LargeDocumentConvertsWhole) {
  const int paragraphs = 150000;  // about 12 MB
  ConversionContext context;
  const std::string rtf = HtmlToRtf(DialectHtml(paragraphs), context);
  std::size_t lines = 0;
  for (std::size_t p = rtf.find("\\line "); p != std::string::npos;
       p = rtf.find("\\line ", p + 1)) {
    ++lines;
  }
  EXPECT_EQ(lines, static_cast<std::size_t>(paragraphs));
  EXPECT_EQ(context.ColorCount(), 3);
}

// Inputs that once cost quadratic time in scanners of this kind: a needle searched from every
// token but found far away or never.
TEST(HtmlToRtf, HostileStructuresFinish) {
  const std::size_t n = 200000;
  std::string manyColors;
  for (std::size_t i = 0; i < n; ++i) {
    manyColors += "<FONT COLOR=#" + std::to_string(100000 + i) + ">";
  }
  const std::string inputs[] = {
      manyColors,
      Repeat("<", n),
      Repeat("&", n),
      Repeat("&<", n),
      Repeat("<&", n) + ";",
      Repeat("<!--", n) + ">",
      Repeat("<!-- > ", n),
      Repeat("<BLOCKQUOTE>", n),
      Repeat("<!-- ScrivletHTML -->", n),
      Repeat("\\{", n),
      std::string(n, '\0'),
  };
  for (const std::string& html : inputs) {
    ConversionContext context;
    EXPECT_NO_THROW(HtmlToRtf(html, context)) << html.substr(0, 40);
  }
}

TEST(HtmlToRtf, ArbitraryInputConvertsOrFailsCleanly) {
  const std::string_view alphabet = "<>&;#!-/ =\"'ABFHILPRTUONabfx0129\\{}\xC3\xA9\xF0";
  for (std::uint32_t seed = 1; seed <= 3000; ++seed) {
    const std::string html = RandomText(alphabet, 1 + seed % 97, seed);
    ConversionContext context;
    try {
      HtmlToRtf(html, context);
    } catch (const ConversionError&) {
    }
  }
}

}  // namespace
}  // namespace scrivlet
