#include "control/scrivlet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "conversion/conversion_context.h"
#include "conversion/conversion_error.h"
#include "hosts/headless/headless_host.h"
#include "hosts/headless/memory_property_bag.h"

namespace scrivlet {
namespace {

// The toolbar as "key key - key", a separator as "-".
std::string Keys(const Toolbar& bar) {
  std::string keys;
  for (std::int32_t i = 1; i <= bar.Count(); ++i) {
    const std::string& key = bar.Button(i).Key();
    keys += (keys.empty() ? "" : " ") + (key.empty() ? std::string("-") : key);
  }
  return keys;
}

constexpr std::string_view kAllKeys =
    "- Cut Copy Paste Undo - FontFace FontSize - Bold Italic Underline FontColor - Bullets "
    "IndentLeft IndentRight - Left Center Right - Hyperlink Picture - About";

class ControlTest : public testing::Test {
 protected:
  void SetUp() override { host.StartNew(); }
  Scrivlet& control() { return host.Control; }

  HeadlessHost host;
};

TEST_F(ControlTest, ANewInstanceSavesNothingButDefaultsAndReadsBackTheSame) {
  MemoryPropertyBag bag;
  control().UserControl_WriteProperties(bag);
  EXPECT_EQ(bag.Count(), 0u);
  HeadlessHost restored;
  restored.Restore(bag);
  restored.RunPendingWork();
  EXPECT_EQ(Keys(restored.Bar), kAllKeys);
  EXPECT_EQ(restored.Control.FontSize(), 3);
  EXPECT_EQ(restored.Control.FontName(), "Arial");
  // A restored control always assigns WDDX: without face lists the face button is hidden.
  EXPECT_FALSE(restored.Bar.Button("FontFace").Visible());
}

TEST_F(ControlTest, FlagsReadAsFalseRemoveTheirGroupsAtTheOneShotPass) {
  const struct {
    std::vector<std::string> flags;
    std::string keys;
  } cases[] = {
      {{"ButtonsAbout"},
       "- Cut Copy Paste Undo - FontFace FontSize - Bold Italic Underline FontColor - Bullets "
       "IndentLeft IndentRight - Left Center Right - Hyperlink Picture -"},
      {{"ButtonsEdit"},
       "- FontFace FontSize - Bold Italic Underline FontColor - Bullets IndentLeft IndentRight "
       "- Left Center Right - Hyperlink Picture - About"},
      {{"ButtonsEdit", "ButtonsFontSize", "ButtonsFontStyle", "ButtonsFontColor", "ButtonsIndent",
        "ButtonsAlign", "ButtonsBullets", "ButtonsHyperlink", "ButtonsPicture", "ButtonsAbout"},
       "- FontFace -"},
  };
  for (const auto& c : cases) {
    MemoryPropertyBag bag;
    for (const std::string& flag : c.flags)
      bag.WriteBoolean(flag, false, true);
    HeadlessHost restored;
    restored.Restore(bag);
    EXPECT_TRUE(restored.Control.Timer1Enabled());
    EXPECT_EQ(Keys(restored.Bar), kAllKeys);  // nothing happens before the pass
    restored.RunPendingWork();
    EXPECT_FALSE(restored.Control.Timer1Enabled());
    EXPECT_EQ(Keys(restored.Bar), c.keys);
    EXPECT_FALSE(restored.Control.ButtonsEdit() && c.flags.size() > 1);
  }
}

TEST_F(ControlTest, AssigningFalseRemovesAGroupForGood) {
  control().SetButtonsAlign(false);
  EXPECT_EQ(Keys(host.Bar),
            "- Cut Copy Paste Undo - FontFace FontSize - Bold Italic Underline FontColor - Bullets "
            "IndentLeft IndentRight - Hyperlink Picture - About");
  control().SetButtonsAlign(true);
  control().SetButtonsAlign(false);
  EXPECT_FALSE(control().ButtonsAlign());
  EXPECT_EQ(std::count(host.PropertyChanges.begin(), host.PropertyChanges.end(), "ButtonsAlign"),
            1);
  control().SetButtonsFontSize(false);
  EXPECT_TRUE(host.Bar.Contains("FontFace"));
  EXPECT_FALSE(host.Bar.Contains("FontSize"));
}

TEST_F(ControlTest, ARemovedButtonTheUserTookOffIsSkipped) {
  host.Bar.Remove("About");  // as the user's customisation might
  control().SetButtonsAbout(false);
  EXPECT_FALSE(control().ButtonsAbout());
}

TEST_F(ControlTest, WddxRebuildsTheFaceMenuAndTheFaceButton) {
  control().SetWDDX(
      "<field name='FONT_FACE'><string>Arial, Helvetica</string><string>Times New Roman, "
      "Times</string><string>Courier</string></field>");
  EXPECT_EQ(host.FaceMenu.Indexes(), (std::vector<std::int32_t>{0, 1, 2, 3}));
  EXPECT_EQ(host.FaceMenu.ItemCaption(2), "Times New Roman, Times");
  EXPECT_TRUE(host.Bar.Button("FontFace").Visible());
  control().SetWDDX("<field name='FONT_FACE'><string>Georgia</string></field>");
  EXPECT_EQ(host.FaceMenu.Indexes(), (std::vector<std::int32_t>{0, 1}));
  EXPECT_EQ(host.FaceMenu.ItemCaption(1), "Georgia");
  control().SetWDDX("");
  EXPECT_EQ(host.FaceMenu.Indexes(), std::vector<std::int32_t>{0});
  EXPECT_FALSE(host.Bar.Button("FontFace").Visible());
  EXPECT_FALSE(host.Bar.Button("FontFace").Enabled());
}

TEST_F(ControlTest, PropertiesReachTheSurfaceAndTheSharedState) {
  control().SetFontSize(0);
  EXPECT_EQ(host.Surface.FontSize(), 8.0);
  control().SetFontSize(9);
  EXPECT_EQ(host.Surface.FontSize(), 36.0);
  EXPECT_EQ(control().FontSize(), 9);
  control().SetForeColor(0x0000FF);
  EXPECT_EQ(control().ConversionSettings().DefaultColor, 0xFF0000);
  control().SetForeColor(0);
  control().SetFontName("Verdana");
  EXPECT_EQ(host.Surface.FontName(), "Verdana");
  EXPECT_EQ(host.PropertyChanges, (std::vector<std::string>{"FontSize", "FontSize", "ForeColor",
                                                            "ForeColor", "FontName"}));
}

TEST_F(ControlTest, TextHtmlReadsBehindTheMarkerAndARejectedPageChangesNothing) {
  control().SetTextHTML("<B>Hi</B>");
  EXPECT_EQ(control().TextHTML(),
            "<!-- Korvex, Inc. Scrivlet 2.3.0.0 --><FONT SIZE=3 COLOR=#000000><B>Hi</B></FONT>");
  const std::string before = control().TextRTF();
  // The control's own page goes through the converter, which keeps its typed error.
  EXPECT_THROW(control().SetTextHTML("<!-- Korvex, Inc. Scrivlet 1.0.0.0 --><FONT COLOR=red>x"),
               ConversionError);
  EXPECT_EQ(control().TextRTF(), before);
}

TEST_F(ControlTest, HtmlImportChoosesTheReader) {
  EXPECT_EQ(control().HtmlImport(), "Auto");
  control().SetTextHTML("<p>a <b>b</b></p><FONT COLOR=red>c</FONT>");  // another program's page
  EXPECT_EQ(control().TextHTML(),
            "<!-- Korvex, Inc. Scrivlet 2.3.0.0 --><FONT SIZE=3 COLOR=#000000>a </FONT><FONT "
            "SIZE=3 COLOR=#000000><B>b</B></FONT><BR><FONT SIZE=3 COLOR=#FF0000>c</FONT>");

  control().SetHtmlImport("dialect");
  EXPECT_EQ(control().HtmlImport(), "Dialect");
  EXPECT_THROW(control().SetTextHTML("<FONT COLOR=red>c</FONT>"), ConversionError);
  control().SetTextHTML("<p>a <b>b</b></p>");  // lower case is no dialect
  EXPECT_EQ(control().TextHTML(),
            "<!-- Korvex, Inc. Scrivlet 2.3.0.0 --><FONT SIZE=3 COLOR=#000000>a b</FONT>");

  control().SetHtmlImport("Html5");
  control().SetTextHTML("<!-- Korvex, Inc. Scrivlet 2.3.0.0 --><FONT COLOR=red>c</FONT>");
  EXPECT_EQ(control().TextHTML(),
            "<!-- Korvex, Inc. Scrivlet 2.3.0.0 --><FONT SIZE=3 COLOR=#FF0000>c</FONT>");

  try {
    control().SetHtmlImport("Browser");
    ADD_FAILURE() << "an unknown mode was taken";
  } catch (const PropertyValueError& error) {
    EXPECT_EQ(error.value(), "Browser");
  }
  EXPECT_EQ(control().HtmlImport(), "Html5");
}

TEST_F(ControlTest, Html5OutputReadsBackIntoTheSameDocument) {
  control().SetFontName("Georgia");
  control().SetTextHTML(
      "<h1>Title</h1><p align=center>x <i>y</i></p><ul><li><a href='a.htm'>link</a></li></ul>"
      "<blockquote><font color=green size=2>q</font></blockquote>");
  const std::string document = control().TextRTF();
  control().SetHtmlOutput("Html5");
  const std::string html5 = control().TextHTML();
  EXPECT_EQ(html5.find("FONT"), std::string::npos);
  EXPECT_EQ(html5.find("<!--"), std::string::npos);
  control().SetTextHTML(html5);
  EXPECT_EQ(control().TextRTF(), document);
}

TEST_F(ControlTest, KeysDispatchExactly) {
  control().SetTextHTML("word");
  host.Surface.SetSelStart(0);
  host.Surface.SetSelLength(4);
  const struct {
    std::string key;
    std::optional<bool> bold;
  } cases[] = {{"bold", false}, {"Bold ", false}, {"BOLD", false}, {"Bold", true}};
  for (const auto& c : cases) {
    ButtonDefinition definition;
    definition.Key = c.key;
    ToolbarButton& extra =
        host.Bar.Contains(c.key) ? host.Bar.Button(c.key) : host.Bar.Add(definition);
    control().Toolbar1_ButtonClick(extra);
    EXPECT_EQ(host.Surface.SelBold(), c.bold) << "[" << c.key << "]";
  }
}

// Every key runs its command: each case sets up a selection, clicks, and checks the effect.
TEST_F(ControlTest, EveryKeyRunsItsCommand) {
  const struct {
    std::string key;
    std::function<bool(HeadlessHost&)> done;
  } cases[] = {
      {"Bold", [](HeadlessHost& h) { return h.Surface.SelBold() == true; }},
      {"Italic", [](HeadlessHost& h) { return h.Surface.SelItalic() == true; }},
      {"Underline", [](HeadlessHost& h) { return h.Surface.SelUnderline() == true; }},
      {"Bullets", [](HeadlessHost& h) { return h.Surface.SelBullet() == true; }},
      {"IndentRight", [](HeadlessHost& h) { return h.Surface.SelIndent() == 360; }},
      {"IndentLeft", [](HeadlessHost& h) { return h.Surface.SelIndent() == 0; }},
      {"Center", [](HeadlessHost& h) { return h.Surface.SelAlignment() == Alignment::kCenter; }},
      {"Right", [](HeadlessHost& h) { return h.Surface.SelAlignment() == Alignment::kRight; }},
      {"Left", [](HeadlessHost& h) { return h.Surface.SelAlignment() == Alignment::kLeft; }},
      {"FontColor", [](HeadlessHost& h) { return h.Surface.SelColor() == 0x00FF00; }},
      {"Copy", [](HeadlessHost& h) { return h.Clip.HasFormat(ClipboardFormat::kRichText); }},
      {"Cut", [](HeadlessHost& h) { return h.Surface.Text() == u" text"; }},
      {"Paste", [](HeadlessHost& h) { return h.Surface.Text() == u"Somet"; }},  // over " tex"
      {"Undo", [](HeadlessHost& h) { return h.Surface.Text() == u" text"; }},
      {"About", [](HeadlessHost& h) { return h.Forms.Shows().back().FormName == "frmAbout"; }},
      {"Hyperlink",
       [](HeadlessHost& h) { return h.Forms.Shows().back().FormName == "frmHyperlink"; }},
      {"Picture", [](HeadlessHost& h) { return h.Forms.Shows().back().FormName == "frmImage"; }},
      {"FontFace", [](HeadlessHost& h) { return h.FaceMenu.Shows().size() == 1; }},
      {"FontSize", [](HeadlessHost& h) { return h.SizeMenu.Shows().size() == 1; }},
  };
  control().SetTextHTML("Some text");
  host.Colors.QueueChoice(0x00FF00);
  for (const auto& c : cases) {
    host.Surface.SetSelStart(0);
    host.Surface.SetSelLength(4);
    host.Surface.SetFocus();  // the refresh enables the edit buttons as the state allows
    host.Bar.UserClick(c.key);
    EXPECT_TRUE(c.done(host)) << c.key;
  }
}

TEST_F(ControlTest, MenusCheckTheSelectionAndApplyTheChosenItem) {
  control().SetWDDX(
      "<field name='FONT_FACE'><string>Arial, Helvetica</string><string>Times New Roman, "
      "Times</string></field>");
  control().SetTextRTF(
      "{\\rtf1{\\fonttbl{\\f0 Times New Roman;}}\\f0\\fs22 eleven\\plain\\fs80  forty\\par }");
  host.Surface.SetSelStart(0);
  host.Surface.SetSelLength(6);
  host.FaceMenu.QueueDismiss();
  host.Bar.UserClick("FontFace");
  EXPECT_TRUE(host.FaceMenu.Shows().back().Items[2].Checked);
  host.SizeMenu.QueueChoice(0);
  host.Bar.UserClick("FontSize");
  EXPECT_TRUE(host.SizeMenu.Shows().back().Items[2].Checked);  // 11 pt: "2 (10 pt)"
  EXPECT_EQ(host.Surface.SelFontSize(), 12.0);                 // "Normal": the control's size 3
  host.Surface.SetSelLength(12);                               // sizes mixed: nothing checked
  host.SizeMenu.QueueDismiss();
  host.Bar.UserClick("FontSize");
  for (const auto& item : host.SizeMenu.Shows().back().Items)
    EXPECT_FALSE(item.Checked);
}

TEST_F(ControlTest, TheUsersLayoutIsSavedAndRestoredByThePass) {
  ASSERT_TRUE(host.Bar.UserHide(host.Bar.Button("About").Index()));
  MemoryPropertyBag bag;
  control().UserControl_WriteProperties(bag);
  HeadlessHost restored;
  restored.Settings = host.Settings;
  restored.Restore(bag);
  restored.RunPendingWork();
  EXPECT_FALSE(restored.Bar.Button("About").Visible());
  bag.WriteBoolean("AllowCustomize", false, true);
  HeadlessHost locked;
  locked.Settings = host.Settings;
  locked.Restore(bag);
  locked.RunPendingWork();
  EXPECT_TRUE(locked.Bar.Button("About").Visible());
}

// The table is indexed by Property, and every saved property comes back in a restored control.
TEST(PropertyTable, EverySavedPropertyComesBackAfterARestore) {
  HeadlessHost host;
  host.StartNew();
  std::vector<std::pair<const PropertyDefinition*, PropertyValue>> assigned;
  const std::span<const PropertyDefinition> table = ControlProperties();
  for (std::size_t i = 0; i < table.size(); ++i) {
    const PropertyDefinition& row = table[i];
    EXPECT_EQ(static_cast<std::size_t>(row.id), i) << row.name;
    EXPECT_EQ(row.defaultValue.index(), ValueIndexOf(row.type)) << row.name;
    if (row.persisted.empty()) {
      continue;
    }
    PropertyValue value;
    switch (row.type) {
      case PropertyType::kBoolean:
      case PropertyType::kButtonGroup:
        value = !std::get<bool>(row.defaultValue);
        break;
      case PropertyType::kHtmlSize:
        value = std::int16_t{5};
        break;
      case PropertyType::kColor:
        value = std::int32_t{0x123456};
        break;
      case PropertyType::kChoice:
        value = std::string(row.choices.back());
        break;
      default:
        value = std::string("x");
        break;
    }
    row.set(host.Control, value);
    assigned.emplace_back(&row, value);
  }
  MemoryPropertyBag bag;
  host.Control.UserControl_WriteProperties(bag);
  HeadlessHost restored;
  restored.Restore(bag);
  restored.RunPendingWork();
  for (const auto& [row, value] : assigned) {
    EXPECT_EQ(row->get(restored.Control), value) << row->name;
  }
}

// Each control converts with its own packet and colours and keeps its own custom colours: what
// one does never shows in the other's TextHTML, TextRTF or colour dialog.
TEST(TwoControls, KeepTheirPacketsColoursAndDialogsApart) {
  HeadlessHost a;
  HeadlessHost b;
  a.StartNew();
  b.StartNew();
  const std::string_view page = "<FONT FACE='Courier'>code</FONT> <FONT COLOR=#FF0000>red</FONT>";
  a.Control.SetForeColor(0x800000);  // navy
  a.Control.SetTextHTML(page);
  const std::string html = a.Control.TextHTML();
  const std::string rtf = a.Control.TextRTF();
  ASSERT_EQ(html.find("FACE="), std::string::npos);

  b.Control.SetWDDX("<field name='FONT_FACE'><string>Courier, monospace</string></field>");
  b.Control.SetForeColor(0x00FF00);
  b.Control.SetTextHTML("<FONT FACE='Courier'>mono</FONT> <FONT COLOR=#0000FF>blue</FONT>");
  EXPECT_NE(b.Control.TextHTML().find("FACE='Courier, monospace'"), std::string::npos);

  EXPECT_EQ(a.Control.TextHTML(), html);
  EXPECT_EQ(a.Control.TextRTF(), rtf);
  EXPECT_EQ(a.Control.ConversionSettings().DefaultColor, 0x000080);
  EXPECT_TRUE(a.Control.ConversionSettings().FontFaceLists.empty());
  EXPECT_EQ(a.FaceMenu.Indexes(), std::vector<std::int32_t>{0});
  // Assigning A's page again loads what it loaded before: B's settings are not A's.
  a.Control.SetTextHTML(page);
  EXPECT_EQ(a.Control.TextRTF(), rtf);

  // Each Font Color click opens the clicking control's dialog with that control's custom
  // colours.
  ColorChoice choice;
  choice.Color = 0x0000FF;
  choice.Custom[3] = 0x123456;
  a.Colors.QueueChoice(choice);
  a.Bar.UserClick("FontColor");
  b.Colors.QueueCancel();
  b.Bar.UserClick("FontColor");
  a.Colors.QueueCancel();
  a.Bar.UserClick("FontColor");
  ASSERT_EQ(a.Colors.Calls().size(), 2u);
  ASSERT_EQ(b.Colors.Calls().size(), 1u);
  EXPECT_EQ(b.Colors.Calls()[0].Custom, CustomColorSet{});
  EXPECT_EQ(a.Colors.Calls()[1].Custom[3], 0x123456);

  // A group one control drops stays on the other's toolbar.
  b.Control.SetButtonsAbout(false);
  EXPECT_TRUE(a.Bar.Contains("About"));
}

}  // namespace
}  // namespace scrivlet
