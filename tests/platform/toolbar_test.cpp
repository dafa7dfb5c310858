#include "platform/toolbar.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "hosts/headless/headless_toolbar.h"
#include "hosts/headless/ini_settings_store.h"
#include "hosts/headless/memory_settings_store.h"
#include "platform/temp_dir.h"
#include "platform/toolbar_layout.h"

namespace scrivlet {
namespace {

constexpr std::string_view kSubkey = "Software\\Korvex\\Scrivlet";
constexpr std::string_view kValueName = "Toolbar";

// A toolbar shaped like the control's: separators between groups, check and group entries.
void Fill(Toolbar& toolbar) {
  const std::vector<ButtonDefinition> definitions = {
      {"", ButtonStyle::kSeparator, "", "", ""},
      {"Cut", ButtonStyle::kDefault, "Cut", "Cut", "Cut"},
      {"Copy", ButtonStyle::kDefault, "Copy", "Copy", "Copy"},
      {"Paste", ButtonStyle::kDefault, "Paste", "Paste", "Paste"},
      {"Undo", ButtonStyle::kDefault, "Undo", "Undo", "Undo"},
      {"", ButtonStyle::kSeparator, "", "", ""},
      {"FontFace", ButtonStyle::kDefault, "Font", "Font", "FontFace"},
      {"FontSize", ButtonStyle::kDefault, "Font Size", "Font Size", "FontSize"},
      {"", ButtonStyle::kSeparator, "", "", ""},
      {"Bold", ButtonStyle::kCheck, "Bold", "Bold", "Bold"},
      {"Italic", ButtonStyle::kCheck, "Italic", "Italic", "Italic"},
      {"", ButtonStyle::kSeparator, "", "", ""},
      {"Left", ButtonStyle::kButtonGroup, "Align Left", "Align Left", "Left"},
      {"Center", ButtonStyle::kButtonGroup, "Align Center", "Align Center", "Center"},
      {"Right", ButtonStyle::kButtonGroup, "Align Right", "Align Right", "Right"},
      {"", ButtonStyle::kSeparator, "", "", ""},
      {"About", ButtonStyle::kDefault, "About", "About Scrivlet", "About"},
  };
  for (const ButtonDefinition& definition : definitions) {
    toolbar.Add(definition);
  }
}

// The entries as "key" or "-" for a separator, hidden ones in brackets.
std::vector<std::string> Entries(const Toolbar& toolbar) {
  std::vector<std::string> entries;
  for (std::int32_t i = 1; i <= toolbar.Count(); ++i) {
    const ToolbarButton& button = toolbar.Button(i);
    const std::string name = button.Style() == ButtonStyle::kSeparator ? "-" : button.Key();
    entries.push_back(button.Visible() ? name : "(" + name + ")");
  }
  return entries;
}

class ToolbarTest : public ::testing::Test {
 protected:
  ToolbarTest() { Fill(toolbar_); }

  MemorySettingsStore settings_;
  HeadlessToolbar toolbar_{settings_};
};

TEST_F(ToolbarTest, AbsentKeysAndIndexesFailWithTheValueNamed) {
  // Keys compare exactly: case, blanks; separators' empty key is never found.
  for (const std::string key : {"cut", "Cut ", "", "Nothing"}) {
    SCOPED_TRACE(key);
    EXPECT_FALSE(toolbar_.Contains(key));
    try {
      toolbar_.Button(key);
      ADD_FAILURE() << "lookup succeeded";
    } catch (const ToolbarError& error) {
      EXPECT_EQ(error.key(), key);
      EXPECT_NE(std::string(error.what()).find("\"" + key + "\""), std::string::npos);
    }
    EXPECT_THROW(toolbar_.Remove(key), ToolbarError);
  }
  for (const std::int32_t index : {0, -1, 18}) {
    SCOPED_TRACE(index);
    try {
      toolbar_.Button(index);
      ADD_FAILURE() << "lookup succeeded";
    } catch (const ToolbarError& error) {
      EXPECT_EQ(error.index(), index);
    }
    EXPECT_THROW(toolbar_.Remove(index), ToolbarError);
  }
  EXPECT_EQ(toolbar_.Count(), 17);
}

TEST_F(ToolbarTest, UserClicksFollowTheEntryStyle) {
  std::vector<std::string> clicked;
  toolbar_.SetButtonClickHandler(
      [&clicked](ToolbarButton& button) { clicked.push_back(button.Key()); });

  EXPECT_TRUE(toolbar_.UserClick("Bold"));
  EXPECT_EQ(toolbar_.Button("Bold").Value(), ButtonValue::kPressed);
  toolbar_.Button("Bold").SetMixedState(true);
  EXPECT_TRUE(toolbar_.UserClick("Bold"));
  EXPECT_EQ(toolbar_.Button("Bold").Value(), ButtonValue::kUnpressed);
  EXPECT_FALSE(toolbar_.Button("Bold").MixedState());

  toolbar_.Button("Left").SetValue(ButtonValue::kPressed);
  EXPECT_TRUE(toolbar_.UserClick("Center"));
  EXPECT_EQ(toolbar_.Button("Left").Value(), ButtonValue::kUnpressed);
  EXPECT_EQ(toolbar_.Button("Center").Value(), ButtonValue::kPressed);
  EXPECT_EQ(toolbar_.Button("Right").Value(), ButtonValue::kUnpressed);

  EXPECT_TRUE(toolbar_.UserClick("Cut"));
  EXPECT_EQ(toolbar_.Button("Cut").Value(), ButtonValue::kUnpressed);

  // Entries a user cannot click raise nothing.
  toolbar_.Button("Copy").SetEnabled(false);
  toolbar_.Button("Paste").SetVisible(false);
  EXPECT_FALSE(toolbar_.UserClick("Copy"));
  EXPECT_FALSE(toolbar_.UserClick("Paste"));
  EXPECT_FALSE(toolbar_.UserClick(1));
  EXPECT_THROW(toolbar_.UserClick("Nothing"), ToolbarError);

  EXPECT_EQ(clicked, (std::vector<std::string>{"Bold", "Bold", "Center", "Cut"}));
}

TEST_F(ToolbarTest, CustomisationRaisesChangeOnlyWhileAllowed) {
  int changes = 0;
  toolbar_.SetChangeHandler([&changes] { ++changes; });

  EXPECT_TRUE(toolbar_.UserHide(toolbar_.Button("Copy").Index()));
  EXPECT_TRUE(toolbar_.UserMove(toolbar_.Button("About").Index(), 1));
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(toolbar_.Button(1).Key(), "About");
  EXPECT_FALSE(toolbar_.Button("Copy").Visible());

  toolbar_.SetAllowCustomize(false);
  EXPECT_FALSE(toolbar_.UserShow(toolbar_.Button("Copy").Index()));
  EXPECT_FALSE(toolbar_.UserMove(1, 5));
  EXPECT_EQ(changes, 2);
  EXPECT_FALSE(toolbar_.Button("Copy").Visible());
  EXPECT_EQ(toolbar_.Button(1).Key(), "About");
}

TEST_F(ToolbarTest, MovingToTheLastPlaceWorks) {
  ASSERT_TRUE(toolbar_.UserMove(1, toolbar_.Count()));
  EXPECT_EQ(toolbar_.Button(toolbar_.Count()).Style(), ButtonStyle::kSeparator);
  EXPECT_EQ(toolbar_.Button(1).Key(), "Cut");
}

TEST_F(ToolbarTest, RestoreWithoutAReadableLayoutChangesNothing) {
  const std::vector<std::string> before = Entries(toolbar_);
  toolbar_.RestoreToolbar("", kSubkey, kValueName);  // nothing saved
  EXPECT_EQ(Entries(toolbar_), before);
  for (const std::string stored : {"garbage", "2|About|Cut", "1", "|About"}) {
    SCOPED_TRACE(stored);
    settings_.SaveSetting(kSubkey, kDefaultToolbarLayoutSection, kValueName, stored);
    toolbar_.RestoreToolbar("", kSubkey, kValueName);
    EXPECT_EQ(Entries(toolbar_), before);
  }
}

TEST_F(ToolbarTest, RestoreIgnoresUnknownKeysAndKeepsUnnamedEntriesLast) {
  MemorySettingsStore settings;
  HeadlessToolbar saved(settings);
  saved.Add({"Extra", ButtonStyle::kDefault, "", "", ""});
  saved.Add({"About", ButtonStyle::kDefault, "", "", ""});
  saved.Add({"Cut", ButtonStyle::kDefault, "", "", ""});
  saved.Button("Cut").SetVisible(false);
  saved.SaveToolbar("", kSubkey, kValueName);

  HeadlessToolbar restored(settings);
  restored.Add({"Cut", ButtonStyle::kDefault, "", "", ""});
  restored.Add({"New", ButtonStyle::kDefault, "", "", ""});
  restored.Add({"About", ButtonStyle::kDefault, "", "", ""});
  restored.RestoreToolbar("", kSubkey, kValueName);
  EXPECT_EQ(Entries(restored), (std::vector<std::string>{"About", "(Cut)", "New"}));
}

// The one-shot pass removes a button group and the separator that became doubled before it
// restores the layout: the surviving separators must keep their own places.
TEST_F(ToolbarTest, RestoreAfterRemovalsKeepsSeparatorsWhereTheyWere) {
  toolbar_.UserHide(toolbar_.Button("Italic").Index());
  toolbar_.SaveToolbar("", kSubkey, kValueName);

  HeadlessToolbar restored(settings_);
  Fill(restored);
  for (const char* key : {"Cut", "Copy", "Paste", "Undo"}) {
    restored.Remove(key);
  }
  restored.Remove(2);  // the separator now next to the first one
  restored.RestoreToolbar("", kSubkey, kValueName);
  EXPECT_EQ(Entries(restored),
            (std::vector<std::string>{"-", "FontFace", "FontSize", "-", "Bold", "(Italic)", "-",
                                      "Left", "Center", "Right", "-", "About"}));
}

TEST_F(ToolbarTest, RestoreRaisesNoChangeEvent) {
  toolbar_.SaveToolbar("", kSubkey, kValueName);
  int changes = 0;
  toolbar_.SetChangeHandler([&changes] { ++changes; });
  toolbar_.RestoreToolbar("", kSubkey, kValueName);
  EXPECT_EQ(changes, 0);
}

// The layout survives a restart: each session opens the settings file anew.
TEST(ToolbarLayoutRoundTripTest, OrderAndHiddenEntriesComeBack) {
  const testing::TempDir dir;
  const auto open_store = [&dir] { return IniSettingsStore(dir.path() / "settings.ini"); };
  std::vector<std::string> customised;
  {
    IniSettingsStore settings = open_store();
    HeadlessToolbar toolbar(settings);
    Fill(toolbar);
    toolbar.SetChangeHandler([&toolbar] { toolbar.SaveToolbar("", kSubkey, kValueName); });
    toolbar.UserMove(toolbar.Button("About").Index(), 1);
    toolbar.UserHide(toolbar.Button("Copy").Index());
    ASSERT_EQ(toolbar.Button(7).Style(), ButtonStyle::kSeparator);
    toolbar.UserHide(7);
    toolbar.UserMove(toolbar.Button("Left").Index(), toolbar.Count());
    customised = Entries(toolbar);
  }
  ASSERT_EQ(customised.front(), "About");

  IniSettingsStore settings = open_store();
  HeadlessToolbar toolbar(settings);
  Fill(toolbar);
  toolbar.RestoreToolbar("", kSubkey, kValueName);
  EXPECT_EQ(Entries(toolbar), customised);
}

TEST(ToolbarLayoutTest, KeysWithMarkCharactersRoundTrip) {
  const std::vector<LayoutItem> items = {
      {"a|b", 0, false}, {"!x", 0, true}, {"#3", 0, false},      {"back\\slash\\", 0, true},
      {"", 7, true},     {"", 2, false},  {"Ünïcødé", 0, false},
  };
  const std::vector<LayoutItem> decoded = DecodeToolbarLayout(EncodeToolbarLayout(items));
  ASSERT_EQ(decoded.size(), items.size());
  for (std::size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(decoded[i].Key, items[i].Key);
    EXPECT_EQ(decoded[i].Serial, items[i].Serial);
    EXPECT_EQ(decoded[i].Hidden, items[i].Hidden);
  }
}

TEST(ToolbarLayoutTest, UnreadableItemsAreLeftOut) {
  const std::vector<LayoutItem> decoded = DecodeToolbarLayout("1|#x|#0|#-2||!|#4z|Cut|!#3");
  ASSERT_EQ(decoded.size(), 2u);
  EXPECT_EQ(decoded[0].Key, "Cut");
  EXPECT_EQ(decoded[1].Serial, 3);
  EXPECT_TRUE(decoded[1].Hidden);
  EXPECT_TRUE(DecodeToolbarLayout("").empty());
}

}  // namespace
}  // namespace scrivlet
