#include "actions/actions.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "actions/surface_builder.h"
#include "hosts/headless/headless_toolbar.h"
#include "hosts/headless/memory_clipboard.h"
#include "hosts/headless/memory_settings_store.h"
#include "hosts/headless/scripted_color_dialog.h"

namespace scrivlet {
namespace {

using testing_surface::Append;
using testing_surface::Select;
using testing_surface::Style;

constexpr ButtonStateRule kRules[] = {{"Cut", ShownState::kEnabledBySelection},
                                      {"Copy", ShownState::kEnabledBySelection},
                                      {"Paste", ShownState::kEnabledByRichText},
                                      {"Undo", ShownState::kEnabledByUndo},
                                      {"Bold", ShownState::kBold},
                                      {"Italic", ShownState::kItalic},
                                      {"Underline", ShownState::kUnderline},
                                      {"Bullets", ShownState::kBullets},
                                      {"Left", ShownState::kAlignLeft},
                                      {"Center", ShownState::kAlignCenter},
                                      {"Right", ShownState::kAlignRight}};

class ActionsTest : public testing::Test {
 protected:
  void SetUp() override {
    for (const ButtonStateRule& rule : kRules) {
      toolbar.Add({std::string(rule.key), ButtonStyle::kCheck, {}, {}, {}});
    }
  }

  ToolbarButton& Button(std::string_view key) { return toolbar.Button(key); }
  void Refresh() { UpdateToolbar(toolbar, surface, clipboard, flags, kRules); }

  MemorySettingsStore settings;
  HeadlessToolbar toolbar{settings};
  MemoryRichTextBox surface;
  MemoryClipboard clipboard;
  ScriptedColorDialog colors;
  ColorChooser chooser{colors};
  ActionFlags flags;
};

TEST_F(ActionsTest, TogglesMakeAMixedSelectionWhollyOnThenOff) {
  Append(surface, u"plain", Style::kPlain);
  Append(surface, u"bold", Style::kBold);
  const struct {
    void (*toggle)(RichTextBox&);
    std::optional<bool> (RichTextBox::*read)() const;
  } toggles[] = {{DoBold, &RichTextBox::SelBold},
                 {DoItalic, &RichTextBox::SelItalic},
                 {DoUnderline, &RichTextBox::SelUnderline}};
  for (const auto& t : toggles) {
    Select(surface, 3, 4);
    if ((surface.*t.read)() == false) {
      t.toggle(surface);  // make it partly on first
      Select(surface, 3, 1);
      t.toggle(surface);
      Select(surface, 3, 4);
    }
    ASSERT_EQ((surface.*t.read)(), std::nullopt);
    t.toggle(surface);
    EXPECT_EQ((surface.*t.read)(), true);
    t.toggle(surface);
    EXPECT_EQ((surface.*t.read)(), false);
  }
}

TEST_F(ActionsTest, BulletsOverPartlyBulletedParagraphsBulletAll) {
  Append(surface, u"one\ntwo", Style::kPlain);
  Select(surface, 0, 1);
  DoBullets(surface);
  Select(surface, 0, 5);
  DoBullets(surface);
  EXPECT_EQ(surface.SelBullet(), true);
}

TEST_F(ActionsTest, IndentMovesBothIndentsWithinHalfTheWidth) {
  Append(surface, u"one\ntwo", Style::kPlain);
  surface.Move(0, 0, 4000, 1000);
  Select(surface, 0, 1);
  DoIndent(surface, -360);
  EXPECT_EQ(surface.SelIndent(), 0);
  DoIndent(surface, 360);
  EXPECT_EQ(surface.SelIndent(), 360);
  EXPECT_EQ(surface.SelRightIndent(), 360);
  surface.SetSelIndent(1800);
  DoIndent(surface, 360);
  EXPECT_EQ(surface.SelIndent(), 2000);
  EXPECT_EQ(surface.SelRightIndent(), 2000);
  Select(surface, 0, 6);  // two paragraphs, indents differ
  DoIndent(surface, 360);
  Select(surface, 5, 0);
  EXPECT_EQ(surface.SelIndent(), 0);
}

TEST_F(ActionsTest, CutAndPasteMoveFormattedTextThroughTheClipboard) {
  Append(surface, u"keep ", Style::kPlain);
  Append(surface, u"moved", Style::kBold);
  Select(surface, 5, 5);
  DoCut(surface, clipboard);
  EXPECT_EQ(surface.Text(), u"keep ");
  Select(surface, 0, 0);
  DoPaste(surface, clipboard);
  EXPECT_EQ(surface.Text(), u"movedkeep ");
  Select(surface, 0, 5);
  EXPECT_EQ(surface.SelBold(), true);
  DoCopy(surface, clipboard);
  EXPECT_EQ(surface.SelLength(), 5);
}

TEST_F(ActionsTest, PasteIgnoresPlainText) {
  Append(surface, u"text", Style::kPlain);
  clipboard.SetText("plain", ClipboardFormat::kText);
  DoPaste(surface, clipboard);
  EXPECT_EQ(surface.Text(), u"text");
  Refresh();
  EXPECT_FALSE(Button("Paste").Enabled());
  Select(surface, 0, 2);
  DoCopy(surface, clipboard);
  Refresh();
  EXPECT_TRUE(Button("Paste").Enabled());
}

TEST_F(ActionsTest, UndoStaysEnabledWhileTheHistoryHoldsAStep) {
  Append(surface, u"text", Style::kPlain);
  surface.EmptyUndoBuffer();
  Select(surface, 0, 4);
  DoBold(surface);
  DoItalic(surface);
  Refresh();
  EXPECT_TRUE(Button("Undo").Enabled());
  DoUndo(surface);
  EXPECT_EQ(surface.SelItalic(), false);
  Refresh();
  EXPECT_TRUE(Button("Undo").Enabled());
  DoUndo(surface);
  EXPECT_EQ(surface.SelBold(), false);
  Refresh();
  EXPECT_FALSE(Button("Undo").Enabled());
}

TEST_F(ActionsTest, FontColorFollowsTheDialogAndKeepsCustomColors) {
  Append(surface, u"text", Style::kPlain);
  Select(surface, 0, 4);
  colors.QueueCancel();
  DoFontColor(surface, chooser);
  EXPECT_EQ(surface.SelColor(), 0);
  ColorChoice choice;
  choice.Color = 0x00FF00;
  choice.Custom[3] = 0x123456;
  colors.QueueChoice(choice);
  DoFontColor(surface, chooser);
  EXPECT_EQ(surface.SelColor(), 0x00FF00);
  colors.QueueCancel();
  DoFontColor(surface, chooser);
  ASSERT_EQ(colors.Calls().size(), 3u);
  EXPECT_EQ(colors.Calls()[2].Custom[3], 0x123456);  // kept for the next call
  // The dialog opens on the selection's colour; a mixed selection has none to offer.
  EXPECT_EQ(colors.Calls()[0].Initial, std::optional<std::int32_t>(0));
  EXPECT_EQ(colors.Calls()[2].Initial, std::optional<std::int32_t>(0x00FF00));
  Append(surface, u"more", Style::kPlain);
  Select(surface, 0, 8);
  colors.QueueCancel();
  DoFontColor(surface, chooser);
  EXPECT_EQ(colors.Calls().back().Initial, std::nullopt);
}

TEST_F(ActionsTest, ToolbarShowsTheSelection) {
  Append(surface, u"plain", Style::kPlain);
  Append(surface, u"bold\nnext", Style::kBold);
  Select(surface, 2, 0);
  Refresh();
  EXPECT_FALSE(Button("Cut").Enabled());
  EXPECT_FALSE(Button("Copy").Enabled());
  EXPECT_EQ(Button("Bold").Value(), ButtonValue::kUnpressed);
  EXPECT_EQ(Button("Left").Value(), ButtonValue::kPressed);
  Select(surface, 6, 1);
  Refresh();
  EXPECT_TRUE(Button("Cut").Enabled());
  EXPECT_EQ(Button("Bold").Value(), ButtonValue::kPressed);
  Select(surface, 3, 4);  // partly bold: mixed, the value stays
  Refresh();
  EXPECT_TRUE(Button("Bold").MixedState());
  EXPECT_EQ(Button("Bold").Value(), ButtonValue::kPressed);
  Select(surface, 10, 1);
  DoAlign(surface, Alignment::kRight);
  Select(surface, 0, 12);  // paragraphs aligned differently
  Refresh();
  for (const std::string_view key : {"Left", "Center", "Right"}) {
    EXPECT_TRUE(Button(key).MixedState()) << key;
  }
  Select(surface, 11, 0);
  Refresh();
  EXPECT_EQ(Button("Right").Value(), ButtonValue::kPressed);
  EXPECT_EQ(Button("Left").Value(), ButtonValue::kUnpressed);
  EXPECT_FALSE(Button("Left").MixedState());
}

TEST_F(ActionsTest, RefreshSkipsRemovedButtonsAndPausesWhileNotTracking) {
  Append(surface, u"bold", Style::kBold);
  for (const std::string_view key : {"Cut", "Copy", "Paste", "Undo"}) {
    toolbar.Remove(key);
  }
  Select(surface, 0, 4);
  Refresh();
  EXPECT_EQ(Button("Bold").Value(), ButtonValue::kPressed);
  // A search that throws while tracking is paused must not leave the toolbar frozen.
  try {
    const QuietSelection quiet(flags);
    Select(surface, 0, 0);
    surface.SetSelBold(false);
    Refresh();
    EXPECT_EQ(Button("Bold").Value(), ButtonValue::kPressed);
    throw std::runtime_error("search failed");
  } catch (const std::runtime_error&) {
  }
  Refresh();
  EXPECT_EQ(Button("Bold").Value(), ButtonValue::kUnpressed);
}

}  // namespace
}  // namespace scrivlet
