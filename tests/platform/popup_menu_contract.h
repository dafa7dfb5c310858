#pragma once

// The contract every PopupMenu implementation keeps. An implementation joins the suite with
//   INSTANTIATE_TYPED_TEST_SUITE_P(Name, PopupMenuContract, TheFixture);
// where TheFixture is default-constructible and offers
//   PopupMenu& Menu();  // a menu with the fixed items "Normal", "1 (8 pt)" and "2 (10 pt)"
//   void ChooseOnNextShow(std::int32_t index);  // the user picks that item when it opens
//   void DismissOnNextShow();                   // the user closes it without a choice

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/popup_menu.h"

namespace scrivlet {

template <typename Fixture>
class PopupMenuContract : public testing::Test {
 protected:
  void SetUp() override {
    fixture.Menu().SetClickHandler([this](std::int32_t index) { clicks.push_back(index); });
  }
  PopupMenu& menu() { return fixture.Menu(); }

  Fixture fixture;
  std::vector<std::int32_t> clicks;
};

TYPED_TEST_SUITE_P(PopupMenuContract);

TYPED_TEST_P(PopupMenuContract, ItemsAreIndexedLoadedAndUnloadedInIndexOrder) {
  PopupMenu& menu = this->menu();
  EXPECT_EQ(menu.Count(), 3);
  menu.Load(10);
  menu.SetItemCaption(10, "Verdana");
  menu.Load(5);
  menu.SetItemCaption(5, "Arial");
  EXPECT_EQ(menu.Indexes(), (std::vector<std::int32_t>{0, 1, 2, 5, 10}));
  menu.Unload(5);
  EXPECT_FALSE(menu.IsLoaded(5));
  EXPECT_EQ(menu.Indexes(), (std::vector<std::int32_t>{0, 1, 2, 10}));
  EXPECT_EQ(menu.ItemCaption(10), "Verdana");
  menu.Load(5);  // a reloaded index starts empty
  EXPECT_EQ(menu.ItemCaption(5), "");
  EXPECT_FALSE(menu.ItemChecked(5));
  menu.SetItemChecked(2, true);
  EXPECT_TRUE(menu.ItemChecked(2));
  EXPECT_FALSE(menu.ItemChecked(0));
}

TYPED_TEST_P(PopupMenuContract, BadIndexesFailWithTheIndexNamed) {
  PopupMenu& menu = this->menu();
  const struct {
    const char* what;
    std::int32_t index;
    std::function<void()> call;
  } cases[] = {
      {"load loaded", 1, [&menu] { menu.Load(1); }},
      {"load negative", -1, [&menu] { menu.Load(-1); }},
      {"unload fixed", 0, [&menu] { menu.Unload(0); }},
      {"unload absent", 5, [&menu] { menu.Unload(5); }},
      {"caption absent", 9, [&menu] { menu.ItemCaption(9); }},
      {"check absent", 7, [&menu] { menu.SetItemChecked(7, true); }},
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
  EXPECT_EQ(menu.Indexes(), (std::vector<std::int32_t>{0, 1, 2}));
}

TYPED_TEST_P(PopupMenuContract, AChoiceRaisesClickBeforeShowPopupReturnsAndKeepsTheMarks) {
  PopupMenu& menu = this->menu();
  menu.SetItemChecked(1, true);
  this->fixture.ChooseOnNextShow(2);
  menu.ShowPopup(150, 300);
  EXPECT_EQ(this->clicks, (std::vector<std::int32_t>{2}));
  // The marks stay as the owner set them; choosing does not toggle them.
  EXPECT_TRUE(menu.ItemChecked(1));
  EXPECT_FALSE(menu.ItemChecked(2));

  this->fixture.DismissOnNextShow();
  menu.ShowPopup(0, 0);
  EXPECT_EQ(this->clicks, (std::vector<std::int32_t>{2}));
}

REGISTER_TYPED_TEST_SUITE_P(PopupMenuContract, ItemsAreIndexedLoadedAndUnloadedInIndexOrder,
                            BadIndexesFailWithTheIndexNamed,
                            AChoiceRaisesClickBeforeShowPopupReturnsAndKeepsTheMarks);

}  // namespace scrivlet
