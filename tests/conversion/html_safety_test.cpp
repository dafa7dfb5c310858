#include "conversion/html_safety.h"

#include <gtest/gtest.h>

#include "conversion/conversion_error.h"

namespace scrivlet {
namespace {

TEST(HtmlSafetyTest, TheLinkRuleReadsAUrlAsABrowserDoes) {
  const struct {
    std::string_view url;
    bool allowed;
  } cases[] = {
      {"http://a.example/", true},
      {"HTTPS://a.example/", true},
      {"mailto:x@a.example", true},
      {"ftp://a.example/f", true},
      {"tel:+1555", true},
      {"page.htm", true},
      {"#top", true},
      {"/root", true},
      {"//host.example/x", true},
      {"C:/site/index.htm", true},  // a local path
      {"a/b:c", true},              // a colon after a slash is no scheme
      {"", true},
      {"javascript:alert(1)", false},
      {"JavaScript:alert(1)", false},
      {" \t javascript:alert(1)", false},
      {"  javascript:alert(1) ", false},
      {"java\x7Fscript:alert(1)", false},
      {" http://a.example/?q=1&amp;r=2", true},
      {"java\tscript:alert(1)", false},
      {"java\nscript:alert(1)", false},
      {"&#106;avascript:alert(1)", false},
      {"&#x6A;avascript:alert(1)", false},
      {"&#106avascript:alert(1)", false},  // a numeric reference needs no ";"
      {"javascript&colon;alert(1)", false},
      {"vbscript:msgbox", false},
      {"data:text/html,x", false},
      {"data:image/png;base64,AAAA", false},  // a picture source, not a link
      {"file:///etc/passwd", false},
      {"c:alert(1)", false},  // one letter is a drive only before a slash
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsAllowedLinkUrl(c.url), c.allowed) << c.url;
  }
  EXPECT_EQ(AllowedLinkUrlOr("javascript:x"), "#");
  EXPECT_EQ(AllowedLinkUrlOr("a.htm"), "a.htm");
}

TEST(HtmlSafetyTest, PictureSourcesAreWebOrRelativeOrImageData) {
  EXPECT_TRUE(IsAllowedPictureSource("x.gif"));
  EXPECT_TRUE(IsAllowedPictureSource("https://a.example/x.png"));
  for (const char* type : {"png", "gif", "jpeg", "webp", "PNG"}) {
    EXPECT_TRUE(IsAllowedPictureSource(std::string("data:image/") + type + ";base64,AA")) << type;
  }
  EXPECT_FALSE(IsAllowedPictureSource("data:image/svg+xml,<svg/>"));
  EXPECT_FALSE(IsAllowedPictureSource("data:image/pngx,AA"));
  EXPECT_FALSE(IsAllowedPictureSource("mailto:x@a.example"));
  EXPECT_FALSE(IsAllowedPictureSource("javascript:alert(1)"));
}

TEST(HtmlSafetyTest, OnlyAWholeAllowedPictureTagIsRewritten) {
  const struct {
    std::string_view tag;
    std::string_view rewritten;  // "" for a refused tag
  } cases[] = {
      {"<IMG SRC='x.gif' BORDER=0>", "<IMG SRC='x.gif' BORDER=0>"},
      {"<img src=x.gif alt=\"a b\">", "<img src='x.gif' alt='a b'>"},
      {"<IMG SRC='x.gif' ALT='O&#39;Neil &amp; co'>",
       "<IMG SRC='x.gif' ALT='O&#39;Neil &amp; co'>"},
      {"<IMG SRC='x.gif' ALT='AT&T'>", "<IMG SRC='x.gif' ALT='AT&amp;T'>"},
      {"<IMG SRC='x.gif' WIDTH=\"50%\" HSPACE=-2 VSPACE=1.5 ALIGN=textTOP />",
       "<IMG SRC='x.gif' WIDTH='50%' HSPACE=-2 VSPACE=1.5 ALIGN=textTOP>"},
      {"<IMG SRC='x.gif' onerror='x'>", ""},
      {"<IMG SRC='x.gif' STYLE='x'>", ""},
      {"<IMG SRC='x.gif' SRC='y.gif'>", ""},
      {"<IMG SRC='x.gif' WIDTH=10px>", ""},
      {"<IMG SRC='x.gif' ALIGN=center>", ""},
      {"<IMG SRC='x.gif' ALT=a'b>", ""},
      {"<IMG SRC='x.gif' ALT='open>", ""},
      {"<IMG SRC='x.gif'ALT='a'>", ""},
      {"<IMGX SRC='x.gif'>", ""},
      {"<SCRIPT>", ""},
      {"IMG SRC='x.gif'", ""},
  };
  for (const auto& c : cases) {
    const std::optional<std::string> rewritten = RewriteAllowedTag(c.tag);
    EXPECT_EQ(rewritten.value_or(""), c.rewritten) << c.tag;
  }
}

TEST(HtmlSafetyTest, ErrorMessagesQuoteAtMost64Characters) {
  EXPECT_EQ(CutForMessage("short"), "short");
  EXPECT_EQ(CutForMessage(std::string(64, 'x')), std::string(64, 'x'));
  EXPECT_EQ(CutForMessage(std::string(65, 'x')), std::string(64, 'x') + "...");
  // Characters, not bytes: a character is never cut in two.
  std::string accents;
  for (int i = 0; i < 70; ++i) {
    accents += "\xC3\xA9";
  }
  EXPECT_EQ(CutForMessage(accents), accents.substr(0, 128) + "...");
  const ConversionError error("message", std::string(1000, 'v'));
  EXPECT_EQ(error.value().size(), 67u);
}

}  // namespace
}  // namespace scrivlet
