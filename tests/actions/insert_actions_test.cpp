#include <gtest/gtest.h>

#include <optional>

#include "actions/actions.h"
#include "actions/surface_builder.h"
#include "conversion/rtf_to_html.h"
#include "dialogs/frm_hyperlink.h"
#include "hosts/headless/headless_form_host.h"
#include "hosts/headless/scripted_message_box.h"

namespace scrivlet {
namespace {

using testing_surface::Append;
using testing_surface::Select;
using testing_surface::Style;

// What the user does in the hyperlink dialog: what the fields held when it opened is recorded,
// then the given values are typed (nothing for a field left alone) and OK or Cancel pressed.
struct HyperlinkUser {
  std::optional<std::string> url;
  std::optional<std::string> text;
  bool ok = true;
  std::string seenUrl;
  std::string seenText;
};

class InsertActionsTest : public testing::Test {
 protected:
  void SetUp() override {
    host.SetUser("frmHyperlink", [this](Form& form) {
      auto& dialog = static_cast<frmHyperlink&>(form);
      user.seenUrl = dialog.txtURL.Text;
      user.seenText = dialog.txtText.Text;
      if (user.url)
        dialog.txtURL.SetText(*user.url);
      if (user.text)
        dialog.txtText.Text = *user.text;
      (user.ok ? dialog.cmdOk : dialog.cmdCancel).Press();
    });
  }

  void Hyperlink() { DoHyperlink(surface, flags, host, messages, entries); }
  std::string Html() const {
    ConversionContext context;
    return RtfToHtml(surface.TextRTF(), context);
  }

  MemoryRichTextBox surface;
  HeadlessFormHost host;
  ScriptedMessageBox messages;
  std::vector<HyperlinkEntry> entries;
  ActionFlags flags;
  HyperlinkUser user;
};

TEST_F(InsertActionsTest, EditsTheLinkAtTheCaret) {
  Append(surface, u"See ", Style::kPlain);
  Append(surface, u"a.htm", Style::kUrl);
  Append(surface, u"Home", Style::kLinkText);
  Append(surface, u" now", Style::kPlain);
  for (const std::int32_t caret : {6, 11}) {
    Select(surface, caret, 0);
    user.url = "http://b.htm";
    Hyperlink();
    EXPECT_EQ(user.seenText, "Home");
    EXPECT_EQ(surface.Text(), u"See http://b.htmHome now") << caret;
    Select(surface, 4, 12);
    EXPECT_TRUE(IsUrlRun(surface));
    Select(surface, 16, 4);
    EXPECT_TRUE(IsLinkTextRun(surface));
    user.url = "a.htm";
    Select(surface, 6, 0);
    Hyperlink();  // back to the start for the next caret
  }
  EXPECT_NE(Html().find("<A HREF='a.htm'><U>Home</U></A>"), std::string::npos);
  EXPECT_TRUE(flags.TrackSelection);
}

TEST_F(InsertActionsTest, SelectedTextBecomesTheLinkText) {
  Append(surface, u"click here please", Style::kPlain);
  Select(surface, 6, 4);
  user.url = "C:\\docs\\a.htm";
  Hyperlink();
  EXPECT_EQ(user.seenUrl, "http://");
  EXPECT_EQ(user.seenText, "here");
  EXPECT_EQ(surface.Text(), u"click C:/docs/a.htmhere please");
  EXPECT_NE(Html().find("<A HREF='C:/docs/a.htm'><U>here</U></A>"), std::string::npos);
}

TEST_F(InsertActionsTest, CaretInPlainTextInsertsANewLink) {
  Append(surface, u"ab", Style::kPlain);
  Select(surface, 1, 0);
  user.url = "http://x.org/";
  user.text = "X";
  Hyperlink();
  EXPECT_EQ(user.seenText, "");
  EXPECT_EQ(surface.Text(), u"ahttp://x.org/Xb");
}

TEST_F(InsertActionsTest, EmptyLocationInsertsPlainTextAndEmptyTextDeletes) {
  Append(surface, u"one two", Style::kPlain);
  Select(surface, 4, 3);
  user.url = "";
  Hyperlink();
  EXPECT_EQ(surface.Text(), u"one two");
  Select(surface, 4, 3);
  EXPECT_FALSE(IsUrlRun(surface) || IsLinkTextOrRawTag(surface));
  Select(surface, 0, 4);
  user.text = "";
  Hyperlink();
  EXPECT_EQ(surface.Text(), u"two");
}

TEST_F(InsertActionsTest, CancelChangesNothingAndKeepsTheLinkSelected) {
  Append(surface, u"x ", Style::kPlain);
  Append(surface, u"a.htm", Style::kUrl);
  Append(surface, u"Go", Style::kLinkText);
  const std::string before = surface.TextRTF();
  Select(surface, 8, 0);
  user.url = "changed";
  user.ok = false;
  Hyperlink();
  EXPECT_EQ(surface.TextRTF(), before);
  EXPECT_EQ(surface.SelStart(), 2);
  EXPECT_EQ(surface.SelLength(), 7);
}

TEST_F(InsertActionsTest, TypingAfterALinkContinuesInTheEarlierStyle) {
  Append(surface, u"big", Style::kBold);
  Select(surface, 0, 3);
  surface.SetSelFontSize(18);
  Select(surface, 3, 0);
  user.url = "u.htm";
  user.text = "<IMG SRC='p.gif'>";
  Hyperlink();
  surface.SetSelText(u"after");
  Select(surface, 25, 5);
  EXPECT_EQ(surface.SelText(), u"after");
  EXPECT_EQ(surface.SelFontSize(), 18.0);
  EXPECT_EQ(surface.SelUnderline(), false);
  EXPECT_EQ(surface.SelItalic(), false);
  EXPECT_EQ(surface.SelColor(), 0);
  Select(surface, 8, 17);  // a whole tag as the link text is a raw-tag run
  EXPECT_TRUE(IsRawTagRun(surface));
}

}  // namespace
}  // namespace scrivlet
