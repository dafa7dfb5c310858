// The headless services that stand in for the user: menus, message boxes, forms and dialogs
// answered by code, and the in-memory clipboard and property bag.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "hosts/headless/headless_form_host.h"
#include "hosts/headless/headless_popup_menu.h"
#include "hosts/headless/memory_clipboard.h"
#include "hosts/headless/memory_property_bag.h"
#include "hosts/headless/recording_shell_open.h"
#include "hosts/headless/scripted_color_dialog.h"
#include "hosts/headless/scripted_file_dialog.h"
#include "hosts/headless/scripted_message_box.h"

namespace scrivlet {
namespace {

// --- Popup menus -------------------------------------------------------------------------------

class PopupMenuTest : public ::testing::Test {
 protected:
  PopupMenuTest() {
    menu_.SetClickHandler([this](std::int32_t index) { clicks_.push_back(index); });
  }

  // Rebuilds the run-time items the way the font face menu is rebuilt from a new packet.
  void Rebuild(const std::vector<std::string>& captions) {
    const std::int32_t count = menu_.Count();
    for (std::int32_t i = 1; i <= count - 1; ++i) {
      menu_.Unload(i);
    }
    for (std::size_t i = 0; i < captions.size(); ++i) {
      const auto index = static_cast<std::int32_t>(i + 1);
      menu_.Load(index);
      menu_.SetItemCaption(index, captions[i]);
    }
  }

  HeadlessPopupMenu menu_{"Font", {"Normal"}};
  std::vector<std::int32_t> clicks_;
};

TEST_F(PopupMenuTest, RunTimeItemsAreLoadedAndReplaced) {
  Rebuild({"Arial, Helvetica", "Times New Roman, Times", "Courier"});
  EXPECT_EQ(menu_.Count(), 4);
  EXPECT_EQ(menu_.ItemCaption(2), "Times New Roman, Times");
  EXPECT_FALSE(menu_.ItemChecked(2));

  Rebuild({"Verdana"});
  EXPECT_EQ(menu_.Indexes(), (std::vector<std::int32_t>{0, 1}));
  EXPECT_EQ(menu_.ItemCaption(0), "Normal");
  EXPECT_EQ(menu_.ItemCaption(1), "Verdana");

  Rebuild({});
  EXPECT_EQ(menu_.Indexes(), std::vector<std::int32_t>{0});
}

TEST_F(PopupMenuTest, UnloadingLeavesTheOtherIndexesInPlace) {
  Rebuild({"a", "b", "c"});
  menu_.Unload(1);
  EXPECT_EQ(menu_.Indexes(), (std::vector<std::int32_t>{0, 2, 3}));
  EXPECT_EQ(menu_.ItemCaption(2), "b");
  EXPECT_FALSE(menu_.IsLoaded(1));
  menu_.Load(1);
  EXPECT_EQ(menu_.ItemCaption(1), "");
}

TEST_F(PopupMenuTest, BadIndexesFailWithTheIndexNamed) {
  Rebuild({"a"});
  const struct {
    const char* what;
    std::int32_t index;
    std::function<void()> call;
  } cases[] = {
      {"load loaded", 1, [this] { menu_.Load(1); }},
      {"load negative", -1, [this] { menu_.Load(-1); }},
      {"unload fixed", 0, [this] { menu_.Unload(0); }},
      {"unload absent", 5, [this] { menu_.Unload(5); }},
      {"caption absent", 9, [this] { menu_.ItemCaption(9); }},
      {"check absent", 2, [this] { menu_.SetItemChecked(2, true); }},
  };
  for (const auto& bad : cases) {
    SCOPED_TRACE(bad.what);
    try {
      bad.call();
      ADD_FAILURE() << "no error";
    } catch (const MenuError& error) {
      EXPECT_EQ(error.index(), bad.index);
    }
  }
  EXPECT_EQ(menu_.Indexes(), (std::vector<std::int32_t>{0, 1}));
}

TEST_F(PopupMenuTest, ShowRecordsTheMenuAndDispatchesTheScriptedChoice) {
  Rebuild({"Arial", "Times"});
  menu_.SetItemChecked(2, true);
  menu_.QueueChoice(1);
  menu_.QueueDismiss();
  menu_.ShowPopup(360, 420);
  menu_.ShowPopup(0, 0);
  menu_.ShowPopup(0, 0);  // nothing queued: dismissed
  EXPECT_EQ(clicks_, std::vector<std::int32_t>{1});

  ASSERT_EQ(menu_.Shows().size(), 3u);
  const HeadlessPopupMenu::ShowRecord& first = menu_.Shows()[0];
  EXPECT_EQ(first.X, 360);
  EXPECT_EQ(first.Y, 420);
  EXPECT_EQ(first.Chosen, 1);
  ASSERT_EQ(first.Items.size(), 3u);
  EXPECT_EQ(first.Items[2].Caption, "Times");
  EXPECT_TRUE(first.Items[2].Checked);
  EXPECT_FALSE(menu_.Shows()[1].Chosen.has_value());
  EXPECT_FALSE(menu_.Shows()[2].Chosen.has_value());
}

TEST_F(PopupMenuTest, AScriptedChoiceOfAnAbsentItemIsAnError) {
  menu_.QueueChoice(4);
  EXPECT_THROW(menu_.ShowPopup(0, 0), MenuError);
  EXPECT_TRUE(clicks_.empty());
}

// --- Message boxes -----------------------------------------------------------------------------

TEST(ScriptedMessageBoxTest, UnansweredBoxesAnswerAsAUserClosingThem) {
  ScriptedMessageBox box;
  EXPECT_EQ(box.Show("Could not connect to the Internet.", {}, ""), MessageBoxAnswer::kOk);
  EXPECT_EQ(box.Show("Replace existing file?",
                     {MessageBoxButtons::kYesNo, MessageBoxIcon::kQuestion}, "File Exists"),
            MessageBoxAnswer::kNo);
}

TEST(ScriptedMessageBoxTest, QueuedAnswersComeFirstThenTheResponder) {
  ScriptedMessageBox box;
  const MessageBoxStyle yes_no{MessageBoxButtons::kYesNo, MessageBoxIcon::kNone};
  box.QueueAnswer(MessageBoxAnswer::kYes);
  std::vector<std::string> asked;
  box.SetResponder([&asked](const ScriptedMessageBox::Call& call) {
    asked.push_back(call.Text);
    return call.Style.Buttons == MessageBoxButtons::kYesNo ? MessageBoxAnswer::kYes : call.Answer;
  });
  EXPECT_EQ(box.Show("first", yes_no, "t1"), MessageBoxAnswer::kYes);
  EXPECT_EQ(box.Show("second", yes_no, "t2"), MessageBoxAnswer::kYes);
  EXPECT_EQ(
      box.Show("third", {MessageBoxButtons::kOkOnly, MessageBoxIcon::kCritical}, "Program Error"),
      MessageBoxAnswer::kOk);
  EXPECT_EQ(asked, (std::vector<std::string>{"second", "third"}));

  ASSERT_EQ(box.Calls().size(), 3u);
  const ScriptedMessageBox::Call& last = box.Calls()[2];
  EXPECT_EQ(last.Text, "third");
  EXPECT_EQ(last.Title, "Program Error");
  EXPECT_EQ(last.Style.Icon, MessageBoxIcon::kCritical);
  EXPECT_EQ(last.Answer, MessageBoxAnswer::kOk);
}

TEST(ScriptedMessageBoxTest, AnAnswerTheBoxDoesNotOfferIsAScriptFault) {
  ScriptedMessageBox box;
  box.QueueAnswer(MessageBoxAnswer::kYes);
  EXPECT_THROW(box.Show("imgFrame must be square", {}, ""), std::invalid_argument);
  box.QueueAnswer(MessageBoxAnswer::kOk);
  EXPECT_THROW(box.Show("Close?", {MessageBoxButtons::kYesNo, MessageBoxIcon::kNone}, ""),
               std::invalid_argument);
}

// --- Forms -------------------------------------------------------------------------------------

// A dialog that follows the OK/Cancel protocol: a user's close presses Cancel and is refused.
class TestDialog : public Form {
 public:
  explicit TestDialog(std::string name = "frmTest") : Form(std::move(name)) {}

  void cmdOk_Click() {
    ok = true;
    Hide();
  }
  void cmdCancel_Click() {
    ok = false;
    Hide();
  }

  bool ok = false;
  std::vector<UnloadMode> queries;

 protected:
  bool QueryUnload(UnloadMode mode) override {
    queries.push_back(mode);
    if (mode == UnloadMode::kUserClose) {
      cmdCancel_Click();
      return true;
    }
    return false;
  }
};

TEST(HeadlessFormHostTest, TheRegisteredUserPlaysTheForm) {
  HeadlessFormHost host;
  TestDialog dialog;
  host.SetUser("frmTest", [](Form& form) {
    EXPECT_TRUE(form.Visible());
    static_cast<TestDialog&>(form).cmdOk_Click();
  });
  host.ShowModal(dialog);
  EXPECT_TRUE(dialog.ok);
  EXPECT_FALSE(dialog.Visible());
  EXPECT_TRUE(dialog.queries.empty());
  ASSERT_EQ(host.Shows().size(), 1u);
  EXPECT_EQ(host.Shows()[0].FormName, "frmTest");
  EXPECT_EQ(host.Shows()[0].End, HeadlessFormHost::ShowEnd::kHiddenByForm);
}

TEST(HeadlessFormHostTest, WithoutAUserTheFormIsClosedFromItsTitleBar) {
  HeadlessFormHost host;
  TestDialog dialog;
  dialog.ok = true;
  host.ShowModal(dialog);
  EXPECT_FALSE(dialog.ok);  // the close pressed Cancel
  EXPECT_FALSE(dialog.Visible());
  EXPECT_EQ(dialog.queries, std::vector<UnloadMode>{UnloadMode::kUserClose});
  EXPECT_EQ(host.Shows()[0].End, HeadlessFormHost::ShowEnd::kClosedFromTitleBar);

  // A user that leaves the form shown ends the same way; a plain form simply agrees to close.
  host.SetUser("frmTest", [](Form&) {});
  host.ShowModal(dialog);
  EXPECT_EQ(host.Shows()[1].End, HeadlessFormHost::ShowEnd::kClosedFromTitleBar);
  Form plain("frmAbout");
  host.ShowModal(plain);
  EXPECT_FALSE(plain.Visible());
}

TEST(HeadlessFormHostTest, ShowsThatCouldNeverEndAreErrors) {
  class Stubborn : public Form {
   public:
    Stubborn() : Form("frmStubborn") {}

   protected:
    bool QueryUnload(UnloadMode) override { return true; }
  } stubborn;
  HeadlessFormHost host;
  EXPECT_THROW(host.ShowModal(stubborn), FormError);
  EXPECT_FALSE(stubborn.Visible());

  TestDialog dialog;
  host.SetUser("frmTest", [&host](Form& form) { host.ShowModal(form); });
  EXPECT_THROW(host.ShowModal(dialog), FormError);  // already shown
  EXPECT_FALSE(dialog.Visible());
}

TEST(HeadlessFormHostTest, ModalFormsNestAndAreRecordedInOrder) {
  HeadlessFormHost host;
  TestDialog outer("frmImage");
  TestDialog inner("frmImageCopy");
  host.SetUser("frmImage", [&](Form&) {
    host.ShowModal(inner);
    outer.cmdOk_Click();
  });
  host.SetUser("frmImageCopy", [&](Form&) {
    EXPECT_TRUE(outer.Visible());
    inner.cmdOk_Click();
  });
  host.ShowModal(outer);
  ASSERT_EQ(host.Shows().size(), 2u);
  EXPECT_EQ(host.Shows()[0].FormName, "frmImage");
  EXPECT_EQ(host.Shows()[1].FormName, "frmImageCopy");
  EXPECT_TRUE(outer.ok && inner.ok);
}

TEST(HeadlessFormHostTest, WhatTheUserThrowsPropagatesAndTheFormIsHidden) {
  HeadlessFormHost host;
  TestDialog dialog;
  host.SetUser("frmTest", [](Form&) { throw std::runtime_error("surface failed"); });
  EXPECT_THROW(host.ShowModal(dialog), std::runtime_error);
  EXPECT_FALSE(dialog.Visible());
  host.SetUser("frmTest", nullptr);  // removed: the title-bar close again
  host.ShowModal(dialog);
  EXPECT_EQ(host.Shows().back().End, HeadlessFormHost::ShowEnd::kClosedFromTitleBar);
}

TEST(FormTest, HidingEndsTheHostsModalLoopOnce) {
  class LoopHost : public FormHost {
   public:
    void ShowModal(Form& form) override {
      BeginShow(form, [this] { ++loops_ended; });
    }
    int loops_ended = 0;
  } host;
  TestDialog dialog;
  host.ShowModal(dialog);
  EXPECT_TRUE(dialog.Visible());
  dialog.cmdOk_Click();
  dialog.Hide();
  EXPECT_EQ(host.loops_ended, 1);
  EXPECT_TRUE(dialog.RequestClose(UnloadMode::kCode));
  EXPECT_EQ(dialog.queries, std::vector<UnloadMode>{UnloadMode::kCode});
}

// --- Colour, file and shell --------------------------------------------------------------------

TEST(ScriptedColorDialogTest, AnswersFromTheScriptAndCancelsOtherwise) {
  ScriptedColorDialog dialog;
  CustomColorSet custom{};
  custom[0] = 0x0000FF;
  CustomColorSet edited = custom;
  edited[15] = 0x123456;

  dialog.QueueChoice(0x00FF00);
  dialog.QueueChoice(ColorChoice{0x0000FF, edited});
  dialog.QueueCancel();

  const std::optional<ColorChoice> first = dialog.ChooseColor(custom, std::nullopt);
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(first->Color, 0x00FF00);
  EXPECT_EQ(first->Custom, custom);
  EXPECT_EQ(dialog.ChooseColor(custom, std::nullopt)->Custom, edited);
  EXPECT_FALSE(dialog.ChooseColor(custom, std::nullopt).has_value());
  EXPECT_FALSE(dialog.ChooseColor(custom, std::nullopt).has_value());  // nothing scripted

  dialog.SetResponder([](const CustomColorSet& given) { return ColorChoice{given[0], given}; });
  EXPECT_EQ(dialog.ChooseColor(custom, std::nullopt)->Color, 0x0000FF);

  ASSERT_EQ(dialog.Calls().size(), 5u);
  EXPECT_EQ(dialog.Calls()[0].Custom, custom);
  EXPECT_FALSE(dialog.Calls()[2].Result.has_value());
}

TEST(ScriptedColorDialogTest, AColourOutsidePlatformOrderIsAScriptFault) {
  ScriptedColorDialog dialog;
  dialog.QueueChoice(static_cast<std::int32_t>(0x80000005));
  EXPECT_THROW(dialog.ChooseColor(CustomColorSet{}, std::nullopt), std::invalid_argument);
}

TEST(ScriptedFileDialogTest, RecordsTheRequestAndAnswersFromTheScript) {
  ScriptedFileDialog dialog;
  OpenFileRequest request;
  request.Title = "Picture";
  request.Filters = {{"GIF and JPEG (*.gif, *.jpg)", "*.GIF;*.JPG"}, {"All files (*.*)", "*.*"}};

  EXPECT_FALSE(dialog.GetOpenFileName(request).has_value());
  dialog.QueueChoice("/home/user/pics/Logo.GIF");
  EXPECT_EQ(dialog.GetOpenFileName(request), "/home/user/pics/Logo.GIF");
  dialog.SetResponder([](const OpenFileRequest& asked) { return asked.Title + ".gif"; });
  EXPECT_EQ(dialog.GetOpenFileName(request), "Picture.gif");

  ASSERT_EQ(dialog.Calls().size(), 3u);
  const OpenFileRequest& recorded = dialog.Calls()[1].Request;
  EXPECT_EQ(recorded.Title, "Picture");
  ASSERT_EQ(recorded.Filters.size(), 2u);
  EXPECT_EQ(recorded.Filters[0].Patterns, "*.GIF;*.JPG");
  EXPECT_EQ(recorded.FilterIndex, 1);
  EXPECT_EQ(recorded.ReadOnly, ReadOnlyBox::kHidden);
}

TEST(RecordingShellOpenTest, RecordsEveryAddressAndAnswersWithTheOutcomeSet) {
  RecordingShellOpen shell;
  EXPECT_TRUE(shell.Open("http://www.example.com/"));
  shell.SetOutcome(ShellOutcome::kNoHandler);
  EXPECT_FALSE(shell.Open("mailto:someone@example.com"));
  EXPECT_EQ(shell.Addresses(),
            (std::vector<std::string>{"http://www.example.com/", "mailto:someone@example.com"}));
}

// --- Clipboard ---------------------------------------------------------------------------------

TEST(MemoryClipboardTest, FormatsAreKeptApartUntilCleared) {
  MemoryClipboard clipboard;
  EXPECT_FALSE(clipboard.HasFormat(ClipboardFormat::kRichText));
  EXPECT_EQ(clipboard.GetText(ClipboardFormat::kRichText), "");

  clipboard.SetText("plain", ClipboardFormat::kText);
  EXPECT_FALSE(clipboard.HasFormat(ClipboardFormat::kRichText));
  clipboard.SetText("{\\rtf1 x}", ClipboardFormat::kRichText);
  EXPECT_EQ(clipboard.GetText(ClipboardFormat::kRichText), "{\\rtf1 x}");
  EXPECT_EQ(clipboard.GetText(ClipboardFormat::kText), "plain");

  clipboard.SetText("", ClipboardFormat::kRichText);
  EXPECT_TRUE(clipboard.HasFormat(ClipboardFormat::kRichText));  // empty text is still there
  clipboard.Clear();
  EXPECT_FALSE(clipboard.HasFormat(ClipboardFormat::kText));
  EXPECT_FALSE(clipboard.HasFormat(ClipboardFormat::kRichText));
}

// --- Property bag ------------------------------------------------------------------------------

TEST(MemoryPropertyBagTest, MissingNamesReadAsTheirDefaults) {
  const MemoryPropertyBag bag;
  EXPECT_EQ(bag.ReadString("FontName", "Arial"), "Arial");
  EXPECT_EQ(bag.ReadInt16("FontSize", 3), 3);
  EXPECT_EQ(bag.ReadInt32("BackColor", static_cast<std::int32_t>(0x80000005)),
            static_cast<std::int32_t>(0x80000005));
  EXPECT_TRUE(bag.ReadBoolean("AllowCustomize", true));
}

TEST(MemoryPropertyBagTest, DefaultsAreLeftOutAndOtherValuesKept) {
  MemoryPropertyBag bag;
  bag.WriteBoolean("AllowCustomize", true, true);
  bag.WriteInt16("FontSize", 3, 3);
  bag.WriteString("FontName", "Arial", "Arial");
  bag.WriteInt32("ForeColor", 0, 0);
  EXPECT_EQ(bag.Count(), 0u);

  bag.WriteBoolean("ButtonsAbout", false, true);
  bag.WriteInt16("FontSize", 5, 3);
  bag.WriteString("FTPServer", "ftp.example.com/images", "");
  bag.WriteInt32("ForeColor", 0x0000FF, 0);
  EXPECT_EQ(bag.Count(), 4u);
  EXPECT_FALSE(bag.ReadBoolean("ButtonsAbout", true));
  EXPECT_EQ(bag.ReadInt16("FontSize", 3), 5);
  EXPECT_EQ(bag.ReadString("FTPServer", ""), "ftp.example.com/images");
  EXPECT_EQ(bag.ReadInt32("ForeColor", 0), 0x0000FF);

  // Writing the default again takes the older value out.
  bag.WriteInt16("FontSize", 3, 3);
  EXPECT_FALSE(bag.Find("FontSize").has_value());
  EXPECT_EQ(bag.ReadInt16("FontSize", 3), 3);

  ASSERT_EQ(bag.Writes().size(), 9u);
  EXPECT_EQ(bag.Writes()[0].Name, "AllowCustomize");
  EXPECT_FALSE(bag.Writes()[0].Stored);
  EXPECT_TRUE(bag.Writes()[5].Stored);
  EXPECT_EQ(std::get<std::int16_t>(bag.Writes()[5].Written), 5);
}

TEST(MemoryPropertyBagTest, StoredValuesConvertToTheTypeAskedFor) {
  using Value = MemoryPropertyBag::Value;
  const struct {
    Value stored;
    std::string as_string;
    std::optional<std::int16_t> as_int16;
    std::optional<std::int32_t> as_int32;
    std::optional<bool> as_boolean;
  } cases[] = {
      {Value(std::string("7")), "7", 7, 7, true},
      {Value(std::string("-2147483648")), "-2147483648", std::nullopt, INT32_MIN, true},
      {Value(std::string("tRUE")), "tRUE", -1, -1, true},
      {Value(std::string("False")), "False", 0, 0, false},
      {Value(std::string("abc")), "abc", std::nullopt, std::nullopt, std::nullopt},
      {Value(std::string("12px")), "12px", std::nullopt, std::nullopt, std::nullopt},
      {Value(std::string("")), "", std::nullopt, std::nullopt, std::nullopt},
      {Value(std::int16_t{-5}), "-5", -5, -5, true},
      {Value(std::int32_t{70000}), "70000", std::nullopt, 70000, true},
      {Value(true), "True", -1, -1, true},
      {Value(false), "False", 0, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.as_string);
    MemoryPropertyBag bag;
    bag.Set("P", c.stored);
    EXPECT_EQ(bag.ReadString("P", "?"), c.as_string);
    if (c.as_int16) {
      EXPECT_EQ(bag.ReadInt16("P", 99), *c.as_int16);
    } else {
      EXPECT_THROW(bag.ReadInt16("P", 99), PropertyBagError);
    }
    if (c.as_int32) {
      EXPECT_EQ(bag.ReadInt32("P", 99), *c.as_int32);
    } else {
      EXPECT_THROW(bag.ReadInt32("P", 99), PropertyBagError);
    }
    if (c.as_boolean) {
      EXPECT_EQ(bag.ReadBoolean("P", false), *c.as_boolean);
    } else {
      EXPECT_THROW(bag.ReadBoolean("P", false), PropertyBagError);
    }
  }
}

TEST(MemoryPropertyBagTest, AMismatchNamesThePropertyAndItsValue) {
  MemoryPropertyBag bag;
  bag.Set("FontSize", std::string("large"));
  try {
    bag.ReadInt16("FontSize", 3);
    ADD_FAILURE() << "read succeeded";
  } catch (const PropertyBagError& error) {
    const std::string what = error.what();
    EXPECT_NE(what.find("FontSize"), std::string::npos);
    EXPECT_NE(what.find("large"), std::string::npos);
  }
}

}  // namespace
}  // namespace scrivlet
