#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "conversion/color_lib.h"
#include "conversion/font_lib.h"

namespace scrivlet {
namespace {

TEST(ColorTest, ByteOrders) {
  EXPECT_EQ(SwapRedBlue(0x7F123456), 0x563412);
  EXPECT_EQ(SwapRedBlue(-1), 0xFFFFFF);
  EXPECT_EQ(OleColorToRgb(static_cast<std::int32_t>(0x80000005u)), 0x050000);
  for (std::int32_t color = 0; color < 0x1000000; color += 0x10101 * 7 + 3) {
    EXPECT_EQ(SwapRedBlue(SwapRedBlue(color)), color) << std::hex << color;
    EXPECT_EQ(OleColorToRgb(color), SwapRedBlue(color)) << std::hex << color;
  }
  std::string table;
  AppendRtfColorTable(table, {0x000000, 0x123456, -1});
  EXPECT_EQ(
      table,
      "{\\colortbl\\red0\\green0\\blue0;\\red18\\green52\\blue86;\\red255\\green255\\blue255;}");
}

TEST(FontTest, FontFaceListFor) {
  using Lists = std::vector<std::string>;
  struct Case {
    Lists lists;
    std::string face, expected;
  };
  const std::vector<Case> cases = {
      {{"Arial, Helvetica"}, "Helvetica", "Arial, Helvetica"},
      {{}, "Arial", "Arial"},
      // An empty list is skipped, not read as one empty member that an empty face matches.
      {{"", " ,Courier"}, "", " ,Courier"},
      {{"Verdana, Arial", "Arial, Helvetica"}, "Arial", "Verdana, Arial"},
      {{"Arial Black, Impact"}, "Arial", "Arial"},
      {{"Arial, Helvetica"}, "arial", "arial"},
      {{"Times New Roman ,  Times"}, "Times New Roman", "Times New Roman ,  Times"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FontFaceListFor(c.lists, c.face), c.expected) << c.face;
  }
}

}  // namespace
}  // namespace scrivlet
