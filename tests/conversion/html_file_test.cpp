#include "conversion/html_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace scrivlet {
namespace {

// Every way a page says how it is encoded, and pages that say nothing or lie.
TEST(DecodeHtmlFileTest, ReadsEachFileByItsDeclaration) {
  struct Case {
    std::string name, bytes, expected;
    bool unchanged;  // IsUtf8HtmlFile: the bytes may be used as they are
  };
  const std::vector<Case> cases = {
      {"plain UTF-8", "<p>caf\xC3\xA9 \xE4\xB8\xAD</p>", "<p>caf\xC3\xA9 \xE4\xB8\xAD</p>", true},
      {"UTF-8 byte order mark", "\xEF\xBB\xBF<p>\xC3\xA9", "<p>\xC3\xA9", false},
      {"UTF-16LE byte order mark", std::string("\xFF\xFE<\0p\0>\0\xE9\0", 10), "<p>\xC3\xA9",
       false},
      {"UTF-16BE byte order mark", std::string("\xFE\xFF\0<\0p\0>\x4E\x2D", 10), "<p>\xE4\xB8\xAD",
       false},
      {"meta charset", "<meta charset=\"windows-1251\"><p>\xCF\xF0",
       "<meta charset=\"windows-1251\"><p>\xD0\x9F\xD1\x80", false},
      {"http-equiv content",
       "<META HTTP-EQUIV='Content-Type' CONTENT='text/html; charset=Shift_JIS'>\x82\xA0",
       "<META HTTP-EQUIV='Content-Type' CONTENT='text/html; charset=Shift_JIS'>\xE3\x81\x82",
       false},
      {"gb2312 is read as its superset", "<meta charset=gb2312>\xC4\xE3\x81\x30\x81\x30",
       "<meta charset=gb2312>\xE4\xBD\xA0\xC2\x80", false},
      {"iso-8859-1 is windows-1252", "<meta charset=iso-8859-1>\x80\xE9",
       "<meta charset=iso-8859-1>\xE2\x82\xAC\xC3\xA9", false},
      {"an ASCII page declaring us-ascii is used as it is", "<meta charset=us-ascii><p>x</p>",
       "<meta charset=us-ascii><p>x</p>", true},
      {"no declaration: bytes that are not UTF-8 are windows-1252", "caf\xE9 \x93q\x94 \xC3\xA9",
       "caf\xC3\xA9 \xE2\x80\x9Cq\xE2\x80\x9D \xC3\xA9", false},
      {"a byte the declared page lacks is windows-1252, not U+FFFD",
       "<meta charset=shift_jis>\x82\xA0\x82", "<meta charset=shift_jis>\xE3\x81\x82\xE2\x80\x9A",
       false},
      {"an unknown charset falls back to UTF-8, then windows-1252",
       "<meta charset=x-nonsense>\xC3\xA9\xE9", "<meta charset=x-nonsense>\xC3\xA9\xC3\xA9", false},
      {"a declaration of UTF-16 in ASCII bytes is UTF-8", "<meta charset=utf-16>\xC3\xA9",
       "<meta charset=utf-16>\xC3\xA9", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecodeHtmlFile(c.bytes), c.expected) << c.name;
    EXPECT_EQ(IsUtf8HtmlFile(c.bytes), c.unchanged) << c.name;
  }
}

// The check runs over the whole page in blocks: a byte above ASCII counts wherever it stands,
// inside a block, across two or in the tail after the last.
TEST(DecodeHtmlFileTest, SeesEveryByteAboveAsciiOfALongPage) {
  const std::string ascii(200, 'x');
  EXPECT_TRUE(IsUtf8HtmlFile(ascii));
  for (const std::size_t at : {0, 63, 64, 127, 150, 199}) {
    std::string page = ascii;
    page[at] = '\xE9';  // windows-1252, no UTF-8
    EXPECT_FALSE(IsUtf8HtmlFile(page)) << at;
    EXPECT_FALSE(IsUtf8HtmlFile("<meta charset=us-ascii>" + page)) << at;
    page.replace(at, 1, "\xC3\xA9");
    EXPECT_TRUE(IsUtf8HtmlFile(page)) << at;
  }
}

TEST(DecodeHtmlFileTest, FindsTheDeclaredLabel) {
  EXPECT_EQ(FindDeclaredCharset("<html><head><meta name=x><meta charset='EUC-KR'/>"), "EUC-KR");
  EXPECT_EQ(FindDeclaredCharset("<meta content=\"text/html;charset=koi8-r\" http-equiv>"),
            "koi8-r");
  EXPECT_EQ(FindDeclaredCharset("<p>charset=utf-8 in text is no declaration</p>"), "");
  EXPECT_EQ(FindDeclaredCharset(std::string(5000, ' ') + "<meta charset=big5>"), "");
}

}  // namespace
}  // namespace scrivlet
