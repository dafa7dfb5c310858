#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "conversion/color_lib.h"
#include "conversion/conversion_context.h"
#include "conversion/font_lib.h"

namespace scrivlet {
namespace {

TEST(ColorTest, HtmlColorAttribute) {
  const std::vector<std::pair<std::int32_t, std::string>> cases = {
      {0x0000FF, " COLOR=#0000FF"},   {0, " COLOR=#000000"},    {0xABCDEF, " COLOR=#ABCDEF"},
      {0x1234567, " COLOR=#1234567"}, {-1, " COLOR=#FFFFFFFF"},
  };
  for (const auto& [color, expected] : cases) {
    EXPECT_EQ(HtmlColorAttribute(color), expected) << std::hex << color;
  }
}

TEST(ColorTest, SplitColor) {
  const ColorBytes bytes = SplitColor(0x123456);
  EXPECT_EQ(bytes.high, 0x12);
  EXPECT_EQ(bytes.middle, 0x34);
  EXPECT_EQ(bytes.low, 0x56);

  const ColorBytes all = SplitColor(-1);
  EXPECT_EQ(all.high, 0xFF);
  EXPECT_EQ(all.middle, 0xFF);
  EXPECT_EQ(all.low, 0xFF);
}

TEST(ColorTest, SwapRedBlueAndOleColorToRgb) {
  EXPECT_EQ(SwapRedBlue(0x0000FF), 0xFF0000);
  EXPECT_EQ(SwapRedBlue(0x123456), 0x563412);
  EXPECT_EQ(SwapRedBlue(0x7F123456), 0x563412);
  EXPECT_EQ(SwapRedBlue(-1), 0xFFFFFF);
  EXPECT_EQ(OleColorToRgb(static_cast<std::int32_t>(0xFF123456u)), 0x563412);
  EXPECT_EQ(OleColorToRgb(static_cast<std::int32_t>(0x80000005u)), 0x050000);

  for (std::int32_t color = 0; color < 0x1000000; color += 0x10101 * 7 + 3) {
    EXPECT_EQ(SwapRedBlue(SwapRedBlue(color)), color) << std::hex << color;
    EXPECT_EQ(OleColorToRgb(color), SwapRedBlue(color)) << std::hex << color;
  }
}

TEST(ColorTest, ColorTableIndexFindsOrAppends) {
  ConversionContext context;
  context.ColorTable = {0x000000, 0xFF0000, 0x00FF00, 0x00FF00};

  EXPECT_EQ(ColorTableIndex(context, 0x00FF00), 2);
  EXPECT_EQ(context.ColorCount(), 4);
  EXPECT_EQ(ColorTableIndex(context, 0x000000), 0);
  EXPECT_EQ(ColorTableIndex(context, 0x0000FF), 4);
  EXPECT_EQ(ColorTableIndex(context, 0x0000FF), 4);
  EXPECT_EQ(context.ColorTable,
            (std::vector<std::int32_t>{0x000000, 0xFF0000, 0x00FF00, 0x00FF00, 0x0000FF}));
}

TEST(FontTest, FontTableIndexIsExactAndCaseSensitive) {
  ConversionContext context;
  EXPECT_EQ(FontTableIndex(context, "Arial"), 0);
  EXPECT_EQ(FontTableIndex(context, "arial"), 1);
  EXPECT_EQ(FontTableIndex(context, "Arial "), 2);
  EXPECT_EQ(FontTableIndex(context, "Arial"), 0);
  EXPECT_EQ(context.FontTable, (std::vector<std::string>{"Arial", "arial", "Arial "}));
}

TEST(FontTest, FontFaceListFor) {
  using Lists = std::vector<std::string>;
  struct Case {
    Lists lists;
    std::string face, expected;
  };
  const std::vector<Case> cases = {
      {{"Arial, Helvetica"}, "Helvetica", "Arial, Helvetica"},
      {{"Arial, Helvetica"}, "Arial", "Arial, Helvetica"},
      {{}, "Arial", "Arial"},
      {{"", "Arial"}, "Arial", "Arial"},
      // An empty list is skipped, not read as one empty member that an empty face matches.
      {{"", " ,Courier"}, "", " ,Courier"},
      {{"Verdana, Arial", "Arial, Helvetica"}, "Arial", "Verdana, Arial"},
      {{"Arial Black, Impact"}, "Arial", "Arial"},
      {{"Arial, Helvetica"}, "Arial Black", "Arial Black"},
      {{"Arial, Helvetica"}, "arial", "arial"},
      {{"Times New Roman ,  Times"}, "Times New Roman", "Times New Roman ,  Times"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FontFaceListFor(c.lists, c.face), c.expected) << c.face;
  }
}

TEST(FontTest, FirstFontFace) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {" Arial , Helvetica", "Arial"},
      {"Times New Roman, Times", "Times New Roman"},
      {"Verdana", "Verdana"},
      {", Arial", ""},
      {"   ", ""},
      {"", ""},
  };
  for (const auto& [list, expected] : cases) {
    EXPECT_EQ(FirstFontFace(list), expected) << list;
  }
}

}  // namespace
}  // namespace scrivlet
