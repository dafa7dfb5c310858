#include "text/util_lib.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "text/text_codec.h"

namespace scrivlet {
namespace {

TEST(ReplaceTextTest, Replacements) {
  struct Case {
    std::string text, find, replacement, expected;
  };
  const std::vector<Case> cases = {
      {"a\\b\\c", "\\", "/", "a/b/c"},
      {"xXx", "x", "y", "yyy"},
      {"<P>text</p>", "<p>", "<DIV>", "<DIV>text</p>"},
      {"aAa", "a", "aa", "aaaaaa"},
      {"abab", "ab", "abab", "abababab"},
      {"a-b-c", "-", "", "abc"},
      {"abc", "", "x", "abc"},
      {"abc", "z", "x", "abc"},
      {"", "a", "b", ""},
      // Only ASCII letters fold: É and é stay distinct.
      {"\xC3\x89\xC3\xA9", "\xC3\xA9", "e",
       "\xC3\x89"
       "e"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text + " / " + c.find);
    EXPECT_EQ(ReplaceText(c.text, c.find, c.replacement), c.expected);
  }
}

TEST(InStrAfterTest, Positions) {
  struct Case {
    std::size_t start;
    std::string text, find;
    std::size_t expected;
  };
  const std::vector<Case> cases = {
      {1, "abcabc", "bc", 4}, {0, "abcabc", "bc", 4}, {2, "abcabc", "bc", 4},
      {3, "abcabc", "bc", 7}, {6, "abcabc", "bc", 0}, {1, "abc", "c", 4},
      {1, "abc", "C", 0},     {1, "abc", "x", 0},     {100, "abc", "a", 0},
      {1, "", "a", 0},        {1, "ab", "abc", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text + " / " + c.find + " from " + std::to_string(c.start));
    EXPECT_EQ(InStrAfter(c.start, c.text, c.find), c.expected);
  }
}

TEST(SplitTextTest, Pieces) {
  struct Case {
    std::string text, delimiter;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"a,,b", ",", {"a", "", "b"}},      {"a,b,", ",", {"a", "b", ""}}, {",", ",", {"", ""}},
      {"a<>b<>c", "<>", {"a", "b", "c"}}, {"a<b", "<>", {"a<b"}},        {"abc", "", {"abc"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text + " / " + c.delimiter);
    std::vector<std::string> pieces = {"old", "pieces", "here", "too", "many"};
    SplitText(c.text, c.delimiter, pieces);
    EXPECT_EQ(pieces, c.expected);
  }
  std::vector<std::string> pieces = {"keep", "me"};
  SplitText("", ",", pieces);  // an empty text leaves the pieces as they were
  EXPECT_EQ(pieces, (std::vector<std::string>{"keep", "me"}));
}

TEST(SplitTextTest, MorePiecesThanASixteenBitCount) {
  std::string text;
  for (int i = 0; i < 40000; ++i) {
    text += std::to_string(i) + ",";
  }
  std::vector<std::string> pieces;
  SplitText(text, ",", pieces);
  ASSERT_EQ(pieces.size(), 40001u);
  EXPECT_EQ(pieces[32767], "32767");
  EXPECT_EQ(pieces[39999], "39999");
  EXPECT_EQ(pieces[40000], "");
}

TEST(GetTagAttributeTest, Values) {
  struct Case {
    std::string tag, name, expected;
  };
  const std::vector<Case> cases = {
      {"IMG SRC='a b.gif' WIDTH=10", "SRC", "a b.gif"},
      {"IMG SRC='a b.gif' WIDTH=10", "WIDTH", "10"},
      {"IMG SRC='a b.gif' WIDTH=10", "width", "10"},
      {"IMG SRC='a b.gif' WIDTH=10", "HEIGHT", ""},
      {"IMG SRC=a.gif>", "SRC", "a.gif"},
      {"IMG SRC=a.gif WIDTH=3>", "SRC", "a.gif"},
      {"IMG WIDTH=3 SRC=x.gif", "SRC", "x.gif"},
      {"IMG SRC=\"a b.gif\" ALT=\"x\"", "SRC", "a b.gif"},
      {"IMG SRC=\"it's.gif\"", "SRC", "it's.gif"},
      {"IMG ALT='SRC=fake.gif here' SRC=real.gif", "SRC", "fake.gif"},
      {"IMG SRC='' WIDTH=1", "SRC", ""},
      {"IMG SRC=", "SRC", ""},
      {"IMG SRC a.gif", "SRC", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tag + " / " + c.name);
    EXPECT_EQ(GetTagAttribute(c.tag, c.name), c.expected);
  }
}

TEST(UrlTest, JoinUrl) {
  struct Case {
    std::string base, tail, expected;
  };
  const std::vector<Case> cases = {
      {"dir/", "/f.gif", "dir/f.gif"},
      {"dir", "f.gif", "dir/f.gif"},
      {"dir", "/f.gif", "dir/f.gif"},
      {"dir/", "f.gif", "dir/f.gif"},
      {"", "f.gif", "f.gif"},
      {"", "/f.gif", "/f.gif"},
      {"dir/", "", "dir/"},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(JoinUrl(c.base, c.tail), c.expected) << c.base << " + " << c.tail;
  }
}

TEST(UrlTest, FileNameFromUrl) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"http://host/img/a.gif", "a.gif"},   {"a.gif", "a.gif"}, {"img/", ""}, {"", ""},
      {"C:\\img\\a.gif", "C:\\img\\a.gif"},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(FileNameFromUrl(text), expected) << text;
  }
}

std::string Encode(const std::string& text) {
  return ScramblePassword(ScrambleDirection::kEncode, text);
}
std::string Decode(const std::string& text) {
  return ScramblePassword(ScrambleDirection::kDecode, text);
}

TEST(ScramblePasswordTest, KnownValues) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"a", "k"},
      {"ab", "kA"},
      {"0", "A"},
      // The key "Harmonica" repeats from the tenth character.
      {"aaaaaaaaaa", "k9QLNMHB9k"},
      // U+0141: only the low byte 0x41 'A' is a letter, so it becomes 0x4B, giving U+014B.
      {"\xC5\x81", "\xC5\x8B"},
      {"", ""},
  };
  for (const auto& [plain, encoded] : cases) {
    EXPECT_EQ(Encode(plain), encoded) << plain;
    EXPECT_EQ(Decode(encoded), plain) << plain;
  }
}

TEST(ScramblePasswordTest, DecodeUndoesEncodeAndOnlyLettersAndDigitsChange) {
  const std::vector<std::string> texts = {
      "Pa55 w0rd! -_",
      "caf\xC3\xA9 na\xC3\xAFve \xE4\xB8\xAD",
      "\xF0\x9F\x98\x80 emoji \xF0\x9F\x8E\xB9",
      "\xC5\x81\xC5\x81\xC5\x81\xC5\x81\xC5\x81\xC5\x81\xC5\x81\xC5\x81\xC5\x81\xC5\x81",
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
  };
  for (const std::string& text : texts) {
    EXPECT_EQ(Decode(Encode(text)), text) << text;
    EXPECT_EQ(Encode(Decode(text)), text) << text;
  }
  const std::string plain = texts.back();
  const std::string encoded = Encode(plain);
  ASSERT_EQ(encoded.size(), plain.size());
  for (std::size_t i = 0; i < plain.size(); ++i) {
    EXPECT_NE(encoded[i], plain[i]) << "at " << i;
    EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(encoded[i]))) << "at " << i;
  }
  EXPECT_EQ(Encode(" !\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~"), " !\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~");
}

TEST(ReadLeadingNumberTest, Values) {
  const std::vector<std::pair<std::string, double>> cases = {
      {"88.5", 88.5},   {"12px", 12},   {"abc", 0},    {" 1 2", 12},   {"-3", -3},
      {"+7", 7},        {"1e2", 100},   {"1E+2", 100}, {"25e-1", 2.5}, {"1e", 1},
      {"1ex", 1},       {".", 0},       {".5", 0.5},   {"", 0},        {"-", 0},
      {"3.25.5", 3.25}, {"\t42\n", 42}, {"7 .5", 7.5},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_DOUBLE_EQ(ReadLeadingNumber(text), expected) << '"' << text << '"';
  }
  EXPECT_TRUE(std::isinf(ReadLeadingNumber("1e999")));
}

TEST(RoundHalfEvenTest, Values) {
  const std::vector<std::pair<double, std::int64_t>> cases = {
      {0.5, 0},
      {1.5, 2},
      {2.5, 2},
      {-0.5, 0},
      {-1.5, -2},
      {-2.5, -2},
      {0.49, 0},
      {0.51, 1},
      {88.5, 88},
      {89.5, 90},
      {9.22e18, 9220000000000000000},
  };
  for (const auto& [value, expected] : cases) {
    EXPECT_EQ(RoundHalfEven(value), expected) << value;
  }
  constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
  constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
  EXPECT_EQ(RoundHalfEven(1e30), kMax);
  EXPECT_EQ(RoundHalfEven(-1e30), kMin);
  EXPECT_EQ(RoundHalfEven(std::numeric_limits<double>::infinity()), kMax);
  EXPECT_EQ(RoundHalfEven(std::nan("")), 0);
}

TEST(TextPrimitivesTest, FindByteOfStopsAtTheFirstByteBeforeTheEnd) {
  // Every length and position around the sixteen-byte steps, the end inside and at a step.
  for (std::size_t size = 0; size < 40; ++size) {
    for (std::size_t at = 0; at <= size; ++at) {
      std::string text(size, 'a');
      if (at < size) {
        text[at] = '{';
      }
      const std::string longer = text + std::string(20, '{');
      for (std::size_t from = 0; from <= std::min<std::size_t>(at, 17); ++from) {
        const std::size_t expected = at < size ? at : size;
        EXPECT_EQ((FindByteOf<NonAsciiBytes::kPass, '{', '}'>(text, from, size)), expected);
        EXPECT_EQ((FindByteOf<NonAsciiBytes::kPass, '{', '}'>(longer, from, size)), expected)
            << size << " " << at << " " << from;
      }
    }
  }
  const std::string text = "plain words and then caf\xC3\xA9 {";
  EXPECT_EQ((FindByteOf<NonAsciiBytes::kStop, '{'>(text, 0, text.size())), text.find('\xC3'));
  EXPECT_EQ((FindByteOf<NonAsciiBytes::kPass, '{'>(text, 0, text.size())), text.find('{'));
}

TEST(TextPrimitivesTest, FirstUseNumberingKeepsTheFirstEntryAndAppends) {
  std::vector<std::string> faces = {"Arial", "Symbol", "Arial"};
  FirstUseNumbering<std::string> fonts(faces);
  EXPECT_EQ(fonts.NumberOf(std::string_view("Arial")), 0);
  EXPECT_EQ(fonts.NumberOf(std::string_view("arial")), 3);
  EXPECT_EQ(fonts.NumberOf(std::string("Symbol")), 1);
  EXPECT_EQ(faces, (std::vector<std::string>{"Arial", "Symbol", "Arial", "arial"}));

  // Past the size searched in place the lookups go through the map, which must know every entry.
  std::vector<std::int32_t> colors = {7, 7};
  FirstUseNumbering<std::int32_t> numbers(colors);
  for (std::int32_t color = 100; color < 140; ++color) {
    EXPECT_EQ(numbers.NumberOf(color), color - 98);
  }
  EXPECT_EQ(numbers.NumberOf(7), 0);
  EXPECT_EQ(numbers.NumberOf(120), 22);
  EXPECT_EQ(colors.size(), 42u);
}

TEST(TextPrimitivesTest, Utf16Units) {
  std::string out;
  char32_t high = 0;
  for (const char32_t unit : {0xD83Du, 0xDE00u, 0x41u, 0xDE00u, 0xD83Du, 0xD83Du, 0x42u}) {
    AppendUtf16Unit(out, unit, high);
  }
  EXPECT_EQ(out,
            "\xF0\x9F\x98\x80"
            "A\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"
            "B");
  const SurrogatePair pair = SplitSurrogates(0x1F600);
  EXPECT_EQ(CombineSurrogates(pair.high, pair.low), 0x1F600u);
}

}  // namespace
}  // namespace scrivlet
