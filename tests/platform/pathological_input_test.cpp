// Pathological documents through both converters and the headless surface: each finishes (in
// linear time: a quadratic step would not finish within the test's time) and gives the text it
// holds, or, for a converter, a ConversionError.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "conversion/conversion_context.h"
#include "conversion/conversion_error.h"
#include "conversion/html_reader.h"
#include "conversion/html_to_rtf.h"
#include "conversion/rtf_to_html.h"
#include "hosts/headless/memory_rich_text_box.h"

namespace scrivlet {
namespace {

std::string Repeat(std::string_view piece, std::size_t count) {
  std::string text;
  text.reserve(piece.size() * count);
  for (std::size_t i = 0; i < count; ++i) {
    text += piece;
  }
  return text;
}

std::size_t Count(std::string_view text, char c) {
  std::size_t n = 0;
  for (const char x : text) {
    n += x == c;
  }
  return n;
}

// RtfToHtml's result, or "!error" when it raised a ConversionError.
std::string ConvertRtf(const std::string& rtf) {
  ConversionContext context;
  context.FontFaceLists = {"Verdana, Arial"};
  try {
    return RtfToHtml(rtf, context);
  } catch (const ConversionError&) {
    return "!error";
  }
}

std::string ConvertHtml(const std::string& html) {
  ConversionContext context;
  try {
    return HtmlToRtf(html, context);
  } catch (const ConversionError&) {
    return "!error";
  }
}

constexpr std::size_t kMillion = 1000000;
constexpr std::size_t kTenMegabytes = 10 * kMillion;

TEST(PathologicalInput, AMillionNestedGroups) {
  const std::string rtf = "{\\rtf1 a" + Repeat("{", kMillion) + "b" + Repeat("}", kMillion) + "c}";
  // The converter opens a group only at "{\\", as the surface writes groups: bare braces are
  // text to it. Groups it does open hide their text.
  EXPECT_EQ(Count(ConvertRtf(rtf), '{'), kMillion);
  EXPECT_EQ(ConvertRtf("{\\rtf1\\pard a" + Repeat("{\\i ", kMillion) + "b" + Repeat("}", kMillion) +
                       "c\\par }"),
            "ac");
  MemoryRichTextBox surface;
  surface.SetTextRTF(rtf);
  EXPECT_EQ(surface.Text(), u"ac");  // groups beyond the reader's depth are skipped
  MemoryRichTextBox again;
  again.SetTextRTF(surface.TextRTF());
  EXPECT_EQ(again.Text(), u"ac");
}

TEST(PathologicalInput, AMillionTagOpenersWithoutClose) {
  EXPECT_EQ(ConvertHtml(Repeat("<", kMillion) + "x"),
            "{\\fonttbl{\\f0 Arial;}}{\\colortbl\\red0\\green0\\blue0;}x");
  EXPECT_EQ(ConvertHtml(Repeat("&", kMillion) + "x"),
            "{\\fonttbl{\\f0 Arial;}}{\\colortbl\\red0\\green0\\blue0;}x");
}

TEST(PathologicalInput, TenMegabytesOfOneCharacter) {
  const std::string text(kTenMegabytes, 'z');  // a letter no control word of either dialect has
  const std::string html = ConvertRtf("{\\rtf1\\pard " + text + "\\par }");
  EXPECT_EQ(Count(html, 'z'), kTenMegabytes);

  const std::string body = ConvertHtml(text);
  EXPECT_EQ(Count(body, 'z'), kTenMegabytes);

  MemoryRichTextBox surface;
  surface.SetTextRTF(BuildHtmlDocument("Arial", body));
  EXPECT_EQ(surface.Text().size(), kTenMegabytes);
  EXPECT_EQ(Count(surface.TextRTF(), 'z'), kTenMegabytes);

  const std::string spaces(kTenMegabytes, ' ');
  EXPECT_EQ(HtmlEncode(spaces).size(), 1 + (kTenMegabytes - 1) * 6);  // " " then "&nbsp;"s
}

TEST(PathologicalInput, AHundredThousandParagraphs) {
  const std::size_t paragraphs = 100000;
  const std::string rtf = "{\\rtf1\\pard " + Repeat("x\\par ", paragraphs) + "}";
  MemoryRichTextBox surface;
  surface.SetTextRTF(rtf);
  EXPECT_EQ(surface.Text().size(), 2 * paragraphs - 1);  // the last mark adds no paragraph
  surface.SetSelStart(static_cast<std::int32_t>(paragraphs));
  surface.SetSelLength(static_cast<std::int32_t>(paragraphs / 2));
  surface.SetSelBold(true);
  surface.SetSelText(u"y");
  EXPECT_EQ(Count(ConvertRtf(surface.TextRTF()), 'x'), paragraphs - paragraphs / 4);

  const std::string html = ConvertHtml(Repeat("x<BR>", paragraphs));
  MemoryRichTextBox loaded;
  loaded.SetTextRTF(BuildHtmlDocument("Arial", html));
  EXPECT_EQ(loaded.Text().size(), 2 * paragraphs);  // "x<BR>" ends with an empty paragraph
}

TEST(PathologicalInput, AColourTableOfAHundredThousandEntries) {
  const std::size_t colors = 100000;
  std::string table = "{\\colortbl";
  for (std::size_t i = 0; i < colors; ++i) {
    table += "\\red" + std::to_string(i % 256) + "\\green" + std::to_string(i / 256 % 256) +
             "\\blue" + std::to_string(i / 65536) + ";";
  }
  const std::string rtf = "{\\rtf1" + table + "}\\pard\\cf99999 x\\cf5 y\\par }";
  EXPECT_EQ(ConvertRtf(rtf), "<FONT COLOR=#9F8601>x</FONT><FONT COLOR=#050000>y</FONT>");
  MemoryRichTextBox surface;
  surface.SetTextRTF(rtf);
  EXPECT_EQ(surface.Text(), u"xy");
  EXPECT_NE(surface.TextRTF().find("\\red159\\green134\\blue1;"), std::string::npos);
}

TEST(PathologicalInput, UnicodeEscapesOutOfRange) {
  for (const std::string escape : {"\\u99999", "\\u-99999", "\\u2147483647", "\\u-2147483648",
                                   "\\u99999999999", "\\u65536", "\\u0"}) {
    const std::string rtf = "{\\rtf1\\uc0\\pard a" + escape + " b\\par }";
    const std::string html = ConvertRtf(rtf);
    EXPECT_TRUE(html == "!error" || html.starts_with("a")) << escape << ": " << html;
    MemoryRichTextBox surface;
    surface.SetTextRTF(rtf);
    const std::u16string text = surface.Text();
    EXPECT_TRUE(text.starts_with(u"a") && text.ends_with(u"b")) << escape;
  }
  EXPECT_EQ(ConvertHtml("&#99999999999999999999;&#x110000;x"),
            "{\\fonttbl{\\f0 Arial;}}{\\colortbl\\red0\\green0\\blue0;}x");
}

TEST(PathologicalInput, EscapesTruncatedAtTheEnd) {
  for (const std::string end : {"\\", "\\'", "\\'4", "\\u", "\\u-", "\\u12", "\\uc", "\\*", "{\\*",
                                "\\par", "\\b", "{\\fonttbl{\\f0 Ari"}) {
    const std::string rtf = "{\\rtf1\\pard x" + end;
    const std::string html = ConvertRtf(rtf);
    EXPECT_TRUE(html == "!error" || html.find('x') != std::string::npos) << end;
    MemoryRichTextBox surface;
    surface.SetTextRTF(rtf);
    EXPECT_TRUE(surface.Text().starts_with(u"x")) << end;
  }
  // A "<" or "&" that ends nothing is dropped and what follows it stays text.
  for (const std::string end : {"<", "<B", "<FONT SIZE=", "&", "&#", "&#x", "&amp", "<!--"}) {
    const std::string body = ConvertHtml("x" + end);
    EXPECT_NE(body.find("}x"), std::string::npos) << end << ": " << body;
  }
}

// The HTML reader's document: the page read as another program's, loaded into the surface.
std::u16string ReadPage(const std::string& html, const HtmlReadOptions& options = {}) {
  ConversionContext context;
  MemoryRichTextBox surface;
  surface.SetTextRTF(BuildHtmlDocument("Arial", ReadHtmlToRtf(html, context, options)));
  return surface.Text();
}

// Pages nested far deeper than any real page: the parser's tree building would take time that
// grows with the square of the depth. The reader caps the depth as a browser does, keeping the
// text; what nests too deep takes the format of the element at the cap.
TEST(PathologicalInput, PagesNestedFiftyThousandDeep) {
  const std::size_t depth = 50000;
  for (const std::string tag : {"UL", "b", "div", "span", "font", "table", "blockquote", "li"}) {
    EXPECT_EQ(ReadPage(Repeat("<" + tag + ">", depth)), u"") << tag;
    const std::u16string text = ReadPage(Repeat("<" + tag + ">x", depth));
    EXPECT_EQ(std::count(text.begin(), text.end(), u'x'), static_cast<std::ptrdiff_t>(depth))
        << tag;
  }
  // Closed again, the text after the deep part is where the page puts it.
  EXPECT_EQ(ReadPage(Repeat("<div>", depth) + "a" + Repeat("</div>", depth) + "<p>b</p>"), u"a\nb");
  ConversionContext context;
  const std::string rtf = ReadHtmlToRtf(Repeat("<b>", 600) + "x", context);
  EXPECT_NE(rtf.find("\\b x"), std::string::npos) << rtf.substr(rtf.size() - 40);
}

// A page of paragraphs the parser closes for each other is as flat as it looks, and is read in
// pieces the same as whole.
TEST(PathologicalInput, ManyUnclosedParagraphsAndCells) {
  const std::size_t paragraphs = 20000;
  const std::string page = Repeat("<P>p", paragraphs);
  EXPECT_EQ(ReadPage(page).size(), 2 * paragraphs - 1);
  for (const std::string& html : {page, Repeat("<table><tr><td>a<td>b", paragraphs)}) {
    ConversionContext whole;
    ConversionContext pieces;
    EXPECT_EQ(ReadHtmlToRtf(html, pieces, {.pieceBytes = 1000}),
              ReadHtmlToRtf(html, whole, {.pieceBytes = html.size()}));
  }
}

}  // namespace
}  // namespace scrivlet
