// The headless popup menu held to the popup menu's contract, and the form base's modal loop.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "hosts/headless/headless_popup_menu.h"
#include "platform/form_host.h"
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

}  // namespace
}  // namespace scrivlet
