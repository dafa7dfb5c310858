// The headless services the script host relies on: the popup menu's contract, message boxes and
// forms answered by code, and the in-memory property bag.
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
#include "platform/popup_menu_contract.h"

namespace scrivlet {
namespace {

// --- Popup menus -------------------------------------------------------------------------------

struct HeadlessPopupMenuFixture {
  PopupMenu& Menu() { return menu; }
  void ChooseOnNextShow(std::int32_t index) { menu.QueueChoice(index); }
  void DismissOnNextShow() { menu.QueueDismiss(); }

  HeadlessPopupMenu menu{"Font Size", {"Normal", "1 (8 pt)", "2 (10 pt)"}};
};

}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Headless, PopupMenuContract, HeadlessPopupMenuFixture);

namespace {

TEST(HeadlessPopupMenuTest, AScriptedChoiceOfAnAbsentItemIsAnError) {
  HeadlessPopupMenu menu{"Font", {"Normal"}};
  menu.QueueChoice(4);
  EXPECT_THROW(menu.ShowPopup(0, 0), MenuError);
}

// --- Message boxes -----------------------------------------------------------------------------

TEST(ScriptedMessageBoxTest, UnansweredBoxesAnswerAsAUserClosingThem) {
  ScriptedMessageBox box;
  EXPECT_EQ(box.Show("Could not connect to the Internet.", {}, ""), MessageBoxAnswer::kOk);
  EXPECT_EQ(box.Show("Replace existing file?",
                     {MessageBoxButtons::kYesNo, MessageBoxIcon::kQuestion}, "File Exists"),
            MessageBoxAnswer::kNo);
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

// --- Property bag ------------------------------------------------------------------------------

TEST(MemoryPropertyBagTest, DefaultsAreLeftOutAndOtherValuesKept) {
  MemoryPropertyBag bag;
  EXPECT_EQ(bag.ReadInt16("FontSize", 3), 3);
  bag.WriteBoolean("AllowCustomize", true, true);
  bag.WriteString("FontName", "Arial", "Arial");
  EXPECT_EQ(bag.Count(), 0u);
  bag.WriteInt16("FontSize", 5, 3);
  bag.WriteInt32("ForeColor", 0x0000FF, 0);
  EXPECT_EQ(bag.ReadInt16("FontSize", 3), 5);
  EXPECT_EQ(bag.ReadInt32("ForeColor", 0), 0x0000FF);
  // Writing the default again takes the older value out.
  bag.WriteInt16("FontSize", 3, 3);
  EXPECT_FALSE(bag.Find("FontSize").has_value());
  EXPECT_EQ(bag.Count(), 1u);
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
