#include "settings/wddx.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace scrivlet {
namespace {

using Values = std::vector<std::string>;

std::string StringField(const std::string& name, const Values& values) {
  std::string field =
      "<field name='" + name + "'><array length='" + std::to_string(values.size()) + "'>";
  for (const std::string& value : values) {
    field += "<string>" + value + "</string>";
  }
  return field + "</array></field>";
}

std::string NumberField(const std::string& name, const Values& values) {
  std::string field =
      "<field name='" + name + "'><array length='" + std::to_string(values.size()) + "'>";
  for (const std::string& value : values) {
    field += "<number>" + value + "</number>";
  }
  return field + "</array></field>";
}

std::string Packet(const std::string& fields) {
  return "<wddxPacket version='1.0'><header/><data><struct>" + fields +
         "</struct></data></wddxPacket>";
}

FieldSettings Parse(const std::string& packet) {
  FieldSettings settings;
  ParseWddx(packet, settings);
  return settings;
}

TEST(ParseWddxTest, ImageTitlesAndLocationsFormPictureEntries) {
  const FieldSettings settings =
      Parse(Packet(StringField("IMAGE_TITLE", {"Logo", "Photo"}) +
                   StringField("IMAGE_LOCATION", {"img/logo.gif", "img/photo.jpg"})));

  ASSERT_EQ(settings.ImageEntryCount(), 2);
  EXPECT_EQ(settings.ImageEntries[0].Title, "Logo");
  EXPECT_EQ(settings.ImageEntries[0].Location, "img/logo.gif");
  EXPECT_EQ(settings.ImageEntries[1].Title, "Photo");
  EXPECT_EQ(settings.ImageEntries[1].Location, "img/photo.jpg");
  for (const ImageEntry& entry : settings.ImageEntries) {
    EXPECT_EQ(entry.Width, 0);
    EXPECT_EQ(entry.Height, 0);
  }
  EXPECT_EQ(settings.HyperlinkEntryCount(), 0);
  EXPECT_EQ(settings.FontFaceListCount(), 0);
}

TEST(ParseWddxTest, NumberValuesAreRoundedHalfToEvenAndClamped) {
  struct Case {
    std::string text;
    std::int32_t expected;
  };
  const std::vector<Case> cases = {
      {"88.5", 88},
      {"89.5", 90},
      {"abc", 0},
      {"12px", 12},
      {"", 0},
      {"-7.5", -8},
      {"1e12", std::numeric_limits<std::int32_t>::max()},
      {"-1e12", std::numeric_limits<std::int32_t>::min()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("value \"" + c.text + "\"");
    const FieldSettings settings =
        Parse(Packet(NumberField("IMAGE_WIDTH", {c.text}) + NumberField("IMAGE_HEIGHT", {c.text})));
    ASSERT_EQ(settings.ImageEntryCount(), 1);
    EXPECT_EQ(settings.ImageEntries[0].Width, c.expected);
    EXPECT_EQ(settings.ImageEntries[0].Height, c.expected);
  }
}

TEST(ParseWddxTest, ValuesMustUseTheTagOfTheFieldKind) {
  const FieldSettings settings =
      Parse(Packet(StringField("IMAGE_WIDTH", {"10"}) + NumberField("FONT_FACE", {"Arial"})));
  EXPECT_EQ(settings.ImageEntryCount(), 0);
  EXPECT_EQ(settings.FontFaceListCount(), 0);
}

TEST(ParseWddxTest, ListCountIsTheLongestFieldOfTheList) {
  const FieldSettings settings =
      Parse(Packet(StringField("HYPERLINK_TITLE", {"Home", "News", "Mail"}) +
                   StringField("HYPERLINK_LOCATION", {"/index.htm", "/news.htm"})));

  ASSERT_EQ(settings.HyperlinkEntryCount(), 3);
  EXPECT_EQ(settings.HyperlinkEntries[0].Title, "Home");
  EXPECT_EQ(settings.HyperlinkEntries[0].Location, "/index.htm");
  EXPECT_EQ(settings.HyperlinkEntries[1].Title, "News");
  EXPECT_EQ(settings.HyperlinkEntries[1].Location, "/news.htm");
  EXPECT_EQ(settings.HyperlinkEntries[2].Title, "Mail");
  EXPECT_EQ(settings.HyperlinkEntries[2].Location, "");
}

TEST(ParseWddxTest, ImageCountGrowsFromANumberFieldAlone) {
  const FieldSettings settings = Parse(
      Packet(StringField("IMAGE_TITLE", {"Logo"}) + NumberField("IMAGE_HEIGHT", {"5", "6", "7"})));

  ASSERT_EQ(settings.ImageEntryCount(), 3);
  EXPECT_EQ(settings.ImageEntries[0].Title, "Logo");
  EXPECT_EQ(settings.ImageEntries[2].Title, "");
  EXPECT_EQ(settings.ImageEntries[2].Height, 7);
  EXPECT_EQ(settings.ImageEntries[2].Width, 0);
}

TEST(ParseWddxTest, FieldNamesMatchOnlyInTheirExactForm) {
  const std::vector<std::string> packets = {
      Packet("<field name=\"FONT_FACE\"><string>Arial</string></field>"),
      Packet("<FIELD NAME='FONT_FACE'><string>Arial</string></FIELD>"),
      Packet("<field name='font_face'><string>Arial</string></field>"),
      Packet("<field name=' FONT_FACE'><string>Arial</string></field>"),
      Packet("<field name='FONT_FACE' ><string>Arial</string></field>"),
  };
  for (const std::string& packet : packets) {
    SCOPED_TRACE(packet);
    EXPECT_EQ(Parse(packet).FontFaceListCount(), 0);
  }
}

TEST(ParseWddxTest, ValuesAreStoredUnchanged) {
  const FieldSettings settings =
      Parse(Packet(StringField("FONT_FACE", {"Fish &amp; Chips", "  Verdana, Arial  ", ""})));
  EXPECT_EQ(settings.FontFaceLists, (Values{"Fish &amp; Chips", "  Verdana, Arial  ", ""}));
}

TEST(ParseWddxTest, LocationsThatCouldRunScriptAreNotOffered) {
  const FieldSettings settings =
      Parse(Packet(StringField("HYPERLINK_LOCATION", {"javascript:alert(1)", "a.htm"}) +
                   StringField("IMAGE_LOCATION", {"data:image/svg+xml,x", "x.gif"})));
  ASSERT_EQ(settings.HyperlinkEntryCount(), 2);
  EXPECT_EQ(settings.HyperlinkEntries[0].Location, "#");
  EXPECT_EQ(settings.HyperlinkEntries[1].Location, "a.htm");
  ASSERT_EQ(settings.ImageEntryCount(), 2);
  EXPECT_EQ(settings.ImageEntries[0].Location, "");
  EXPECT_EQ(settings.ImageEntries[1].Location, "x.gif");
}

TEST(ParseWddxTest, EmptyPacketEmptiesEveryList) {
  FieldSettings settings;
  settings.ImageEntries.resize(2);
  settings.HyperlinkEntries.resize(3);
  settings.FontFaceLists = {"Arial"};
  ParseWddx("", settings);
  EXPECT_EQ(settings.ImageEntryCount(), 0);
  EXPECT_EQ(settings.HyperlinkEntryCount(), 0);
  EXPECT_EQ(settings.FontFaceListCount(), 0);

  ParseWddx(Packet(StringField("IMAGE_TITLE", {"Logo"}) + StringField("HYPERLINK_TITLE", {"H"}) +
                   StringField("FONT_FACE", {"Arial"})),
            settings);
  ASSERT_EQ(settings.ImageEntryCount(), 1);
  ParseWddx("", settings);
  EXPECT_EQ(settings.ImageEntryCount(), 0);
  EXPECT_EQ(settings.HyperlinkEntryCount(), 0);
  EXPECT_EQ(settings.FontFaceListCount(), 0);
}

TEST(ParseWddxTest, RepeatedFieldOverwritesFromTheFirstRow) {
  const FieldSettings settings =
      Parse(Packet(StringField("FONT_FACE", {"A", "B", "C"}) + StringField("FONT_FACE", {"X"})));
  EXPECT_EQ(settings.FontFaceLists, (Values{"X", "B", "C"}));
}

TEST(ParseWddxTest, FieldWithoutValuesTakesNoneFromTheNextField) {
  const FieldSettings settings =
      Parse(Packet(StringField("FONT_FACE", {}) + StringField("IMAGE_TITLE", {"Logo"})));
  EXPECT_EQ(settings.FontFaceListCount(), 0);
  ASSERT_EQ(settings.ImageEntryCount(), 1);
  EXPECT_EQ(settings.ImageEntries[0].Title, "Logo");
}

TEST(ParseWddxTest, LastFieldWithoutEndTagIsDropped) {
  const FieldSettings settings =
      Parse(StringField("IMAGE_TITLE", {"Logo"}) +
            "<field name='FONT_FACE'><array length='1'><string>Arial</string></array>");
  ASSERT_EQ(settings.ImageEntryCount(), 1);
  EXPECT_EQ(settings.ImageEntries[0].Title, "Logo");
  EXPECT_EQ(settings.FontFaceListCount(), 0);
}

TEST(ParseWddxTest, UnknownFieldIsSkipped) {
  const FieldSettings settings =
      Parse(Packet(StringField("IMAGE_TITLE", {"Logo"}) + StringField("COLOR", {"red", "green"}) +
                   StringField("FONT_FACE", {"Arial"})));
  ASSERT_EQ(settings.ImageEntryCount(), 1);
  EXPECT_EQ(settings.ImageEntries[0].Title, "Logo");
  EXPECT_EQ(settings.FontFaceLists, (Values{"Arial"}));
}

TEST(ParseWddxTest, UnterminatedNameStopsTheScan) {
  const FieldSettings settings =
      Parse(StringField("FONT_FACE", {"Arial"}) + "<field name='IMAGE_TITLE");
  EXPECT_EQ(settings.FontFaceLists, (Values{"Arial"}));
  EXPECT_EQ(settings.ImageEntryCount(), 0);
}

TEST(ParseWddxTest, TruncatedValueStopsTheScan) {
  const FieldSettings settings =
      Parse("<field name='FONT_FACE'><string>Arial</string><string>Helv</field>" +
            NumberField("IMAGE_WIDTH", {"5"}));
  EXPECT_EQ(settings.FontFaceLists, (Values{"Arial"}));
  EXPECT_EQ(settings.ImageEntryCount(), 0);
}

TEST(ParseWddxTest, AdversarialPacketWithManyEmptyFieldsParses) {
  std::string packet;
  for (int i = 0; i < 200000; ++i) {
    packet += "<field name='FONT_FACE'></field><field name='IMAGE_WIDTH'></field>";
  }
  packet += StringField("FONT_FACE", {"Arial"}) + NumberField("IMAGE_WIDTH", {"3"});
  const FieldSettings settings = Parse(packet);
  EXPECT_EQ(settings.FontFaceLists, (Values{"Arial"}));
  ASSERT_EQ(settings.ImageEntryCount(), 1);
  EXPECT_EQ(settings.ImageEntries[0].Width, 3);
}

TEST(ParseWddxTest, ManyValuesInOneField) {
  Values values;
  for (int i = 0; i < 100000; ++i) {
    values.push_back(std::to_string(i));
  }
  const FieldSettings settings = Parse(Packet(StringField("FONT_FACE", values)));
  EXPECT_EQ(settings.FontFaceLists, values);
}

TEST(GrowTest, GrowingKeepsEntriesAndNeverShrinks) {
  std::vector<ImageEntry> images = {{"Logo", "logo.gif", 10, 20}};
  GrowImageEntries(images, 3);
  ASSERT_EQ(images.size(), 3u);
  EXPECT_EQ(images[0].Title, "Logo");
  EXPECT_EQ(images[0].Width, 10);
  EXPECT_EQ(images[0].Height, 20);
  EXPECT_EQ(images[2].Title, "");
  EXPECT_EQ(images[2].Width, 0);
  GrowImageEntries(images, 1);
  GrowImageEntries(images, -1);
  EXPECT_EQ(images.size(), 3u);

  std::vector<HyperlinkEntry> links = {{"Home", "/"}};
  GrowHyperlinkEntries(links, 2);
  ASSERT_EQ(links.size(), 2u);
  EXPECT_EQ(links[0].Location, "/");
  EXPECT_EQ(links[1].Title, "");
  GrowHyperlinkEntries(links, 0);
  EXPECT_EQ(links.size(), 2u);

  Values lists = {"Arial"};
  GrowFontFaceLists(lists, 2);
  EXPECT_EQ(lists, (Values{"Arial", ""}));
  GrowFontFaceLists(lists, 1);
  EXPECT_EQ(lists.size(), 2u);
}

}  // namespace
}  // namespace scrivlet
