#include "settings/wddx.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace scrivlet {
namespace {

using Values = std::vector<std::string>;

std::string Field(const std::string& kind, const std::string& name, const Values& values) {
  std::string field =
      "<field name='" + name + "'><array length='" + std::to_string(values.size()) + "'>";
  for (const std::string& value : values) {
    field += "<" + kind + ">" + value + "</" + kind + ">";
  }
  return field + "</array></field>";
}
std::string StringField(const std::string& name, const Values& values) {
  return Field("string", name, values);
}
std::string NumberField(const std::string& name, const Values& values) {
  return Field("number", name, values);
}

std::string Packet(const std::string& fields) {
  return "<wddxPacket version='1.0'><header/><data><struct>" + fields +
         "</struct></data></wddxPacket>";
}

// The lists as one line: pictures "title|location|width|height", links "title|location" and
// faces, each list's entries separated by ";".
std::string Describe(const FieldSettings& settings) {
  std::string text = "images:";
  for (const ImageEntry& e : settings.ImageEntries) {
    text += e.Title + "|" + e.Location + "|" + std::to_string(e.Width) + "|" +
            std::to_string(e.Height) + ";";
  }
  text += " links:";
  for (const HyperlinkEntry& e : settings.HyperlinkEntries) {
    text += e.Title + "|" + e.Location + ";";
  }
  text += " faces:";
  for (const std::string& face : settings.FontFaceLists) {
    text += face + ";";
  }
  return text;
}

std::string Parsed(const std::string& packet) {
  FieldSettings settings;
  ParseWddx(packet, settings);
  return Describe(settings);
}

TEST(ParseWddxTest, Packets) {
  struct Case {
    std::string packet, expected;
  };
  const std::vector<Case> cases = {
      {Packet(StringField("IMAGE_TITLE", {"Logo", "Photo"}) +
              StringField("IMAGE_LOCATION", {"img/logo.gif", "img/photo.jpg"})),
       "images:Logo|img/logo.gif|0|0;Photo|img/photo.jpg|0|0; links: faces:"},
      // A value must use the tag of its field's kind.
      {Packet(StringField("IMAGE_WIDTH", {"10"}) + NumberField("FONT_FACE", {"Arial"})),
       "images: links: faces:"},
      // A list is as long as its longest field.
      {Packet(StringField("HYPERLINK_TITLE", {"Home", "News", "Mail"}) +
              StringField("HYPERLINK_LOCATION", {"/index.htm", "/news.htm"})),
       "images: links:Home|/index.htm;News|/news.htm;Mail|; faces:"},
      {Packet(StringField("IMAGE_TITLE", {"Logo"}) + NumberField("IMAGE_HEIGHT", {"5", "6", "7"})),
       "images:Logo||0|5;||0|6;||0|7; links: faces:"},
      // Numbers read as Val does, rounded half to even and clamped.
      {Packet(NumberField("IMAGE_WIDTH", {"88.5", "89.5", "abc", "12px", "", "-7.5", "1e12"}) +
              NumberField("IMAGE_HEIGHT", {"-1e12"})),
       "images:||88|-2147483648;||90|0;||0|0;||12|0;||0|0;||-8|0;||2147483647|0; links: faces:"},
      // Field names match only in their exact form.
      {Packet("<field name=\"FONT_FACE\"><string>Arial</string></field>"), "images: links: faces:"},
      {Packet("<FIELD NAME='FONT_FACE'><string>Arial</string></FIELD>"), "images: links: faces:"},
      {Packet("<field name='font_face'><string>Arial</string></field>"), "images: links: faces:"},
      {Packet("<field name=' FONT_FACE'><string>Arial</string></field>"), "images: links: faces:"},
      {Packet("<field name='FONT_FACE' ><string>Arial</string></field>"), "images: links: faces:"},
      // Values are stored unchanged.
      {Packet(StringField("FONT_FACE", {"Fish &amp; Chips", "  Verdana, Arial  ", ""})),
       "images: links: faces:Fish &amp; Chips;  Verdana, Arial  ;;"},
      // Locations that could run script are not offered.
      {Packet(StringField("HYPERLINK_LOCATION", {"javascript:alert(1)", "a.htm"}) +
              StringField("IMAGE_LOCATION", {"data:image/svg+xml,x", "x.gif"})),
       "images:||0|0;|x.gif|0|0; links:|#;|a.htm; faces:"},
      // A repeated field overwrites from the first row.
      {Packet(StringField("FONT_FACE", {"A", "B", "C"}) + StringField("FONT_FACE", {"X"})),
       "images: links: faces:X;B;C;"},
      // A field without values takes none from the next field.
      {Packet(StringField("FONT_FACE", {}) + StringField("IMAGE_TITLE", {"Logo"})),
       "images:Logo||0|0; links: faces:"},
      {Packet(StringField("IMAGE_TITLE", {"Logo"}) + StringField("COLOR", {"red", "green"}) +
              StringField("FONT_FACE", {"Arial"})),
       "images:Logo||0|0; links: faces:Arial;"},
      // Damaged packets: what stands before the damage is kept.
      {StringField("IMAGE_TITLE", {"Logo"}) +
           "<field name='FONT_FACE'><array length='1'><string>Arial</string></array>",
       "images:Logo||0|0; links: faces:"},
      {StringField("FONT_FACE", {"Arial"}) + "<field name='IMAGE_TITLE",
       "images: links: faces:Arial;"},
      {"<field name='FONT_FACE'><string>Arial</string><string>Helv</field>" +
           NumberField("IMAGE_WIDTH", {"5"}),
       "images: links: faces:Arial;"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Parsed(c.packet), c.expected) << c.packet;
  }
}

TEST(ParseWddxTest, EmptyPacketEmptiesEveryList) {
  FieldSettings settings;
  ParseWddx(Packet(StringField("IMAGE_TITLE", {"Logo"}) + StringField("HYPERLINK_TITLE", {"H"}) +
                   StringField("FONT_FACE", {"Arial"})),
            settings);
  ParseWddx("", settings);
  EXPECT_EQ(Describe(settings), "images: links: faces:");
}

TEST(ParseWddxTest, LargePacketsParse) {
  std::string packet;
  for (int i = 0; i < 200000; ++i) {
    packet += "<field name='FONT_FACE'></field><field name='IMAGE_WIDTH'></field>";
  }
  packet += StringField("FONT_FACE", {"Arial"}) + NumberField("IMAGE_WIDTH", {"3"});
  EXPECT_EQ(Parsed(packet), "images:||3|0; links: faces:Arial;");

  Values values;
  for (int i = 0; i < 100000; ++i) {
    values.push_back(std::to_string(i));
  }
  FieldSettings settings;
  ParseWddx(Packet(StringField("FONT_FACE", values)), settings);
  EXPECT_EQ(settings.FontFaceLists, values);
}

}  // namespace
}  // namespace scrivlet
