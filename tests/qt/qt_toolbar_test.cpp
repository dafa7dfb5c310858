// The QToolBar adapter: addressing, states and their look, clicks, geometry in twips, layouts
// shared with the headless toolbar, and customisation through its dialog.

#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include "hosts/headless/headless_screen.h"
#include "hosts/headless/headless_toolbar.h"
#include "hosts/headless/memory_settings_store.h"
#include "platform/toolbar_layout.h"
#include "qt/qt_toolbar.h"
#include "qt/qt_toolbar_customize_dialog.h"
#include "qt/toolbar_customization.h"
#include "qt_services_test_support.h"

namespace scrivlet {
namespace {

using testing::WhenModal;
using testing::WhenPopup;

// A toolbar shaped like the control's: edit buttons, styles, an alignment group.
const std::vector<ButtonDefinition> kEntries = {
    {"", ButtonStyle::kSeparator, "", "", ""},
    {"Cut", ButtonStyle::kDefault, "Cut", "Cut", ""},
    {"Copy", ButtonStyle::kDefault, "Copy", "Copy", ""},
    {"", ButtonStyle::kSeparator, "", "", ""},
    {"Bold", ButtonStyle::kCheck, "Bold", "Bold", ""},
    {"Italic", ButtonStyle::kCheck, "Italic", "Italic", ""},
    {"", ButtonStyle::kSeparator, "", "", ""},
    {"Left", ButtonStyle::kButtonGroup, "Align Left", "Align Left", ""},
    {"Center", ButtonStyle::kButtonGroup, "Align Center", "Align Center", ""},
    {"Right", ButtonStyle::kButtonGroup, "Align Right", "Align Right", ""},
    {"", ButtonStyle::kSeparator, "", "", ""},
    {"About", ButtonStyle::kDefault, "About", "About Scrivlet", ""},
};

std::vector<std::string> Keys(const Toolbar& bar) {
  std::vector<std::string> keys;
  for (std::int32_t i = 1; i <= bar.Count(); ++i) {
    const ToolbarButton& button = bar.Button(i);
    keys.push_back(button.Key().empty() ? "-" : button.Key());
  }
  return keys;
}

std::vector<std::string> HiddenKeys(const Toolbar& bar) {
  std::vector<std::string> keys;
  for (std::int32_t i = 1; i <= bar.Count(); ++i) {
    if (!bar.Button(i).Visible()) {
      keys.push_back(bar.Button(i).Key().empty() ? "-" : bar.Button(i).Key());
    }
  }
  return keys;
}

// A right click on `widget`, as the window system reports it.
void AskForContextMenu(QWidget* widget) {
  const QPoint position(2, 2);
  QContextMenuEvent event(QContextMenuEvent::Mouse, position, widget->mapToGlobal(position));
  QApplication::sendEvent(widget, &event);
}

void Fill(Toolbar& bar) {
  for (const ButtonDefinition& definition : kEntries) {
    bar.Add(definition);
  }
}

class QtToolbarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* key : {"Cut", "Copy", "Bold", "Italic", "Left", "Center", "Right", "About"}) {
      images_.Add(key);
    }
    owner_.resize(900, 300);
    auto* layout = new QVBoxLayout(&owner_);
    layout->setContentsMargins(5, 7, 5, 5);
    layout->addWidget(&bar_.Widget());
    layout->addStretch();
    Fill(bar_);
    bar_.SetImageList(&images_);
    for (std::int32_t i = 1; i <= bar_.Count(); ++i) {
      bar_.Button(i).SetImage(bar_.Button(i).Key());
    }
    bar_.SetButtonClickHandler([this](ToolbarButton& button) { clicks_.push_back(button.Key()); });
    bar_.SetChangeHandler([this] { ++changes_; });
    owner_.show();
    QApplication::processEvents();
  }

  // The actions of the QToolBar as keys, separators as "-", in their order on the bar.
  std::vector<std::string> BarOrder() {
    std::vector<std::string> keys;
    for (const QAction* action : bar_.Widget().actions()) {
      keys.push_back(action->isSeparator() ? "-" : action->objectName().toStdString());
    }
    return keys;
  }

  HeadlessScreen screen_;  // 15 twips per pixel
  MemorySettingsStore settings_;
  ImageList images_;
  QWidget owner_;
  QtToolbar bar_{settings_, screen_, &owner_};
  std::vector<std::string> clicks_;
  int changes_ = 0;
};

// The addressing rules are the shared toolbar's; here the QToolBar's actions must follow them.
TEST_F(QtToolbarTest, BarActionsFollowTheEntriesThroughAddsAndRemovals) {
  bar_.Add({"", ButtonStyle::kSeparator, "", "", ""});  // separators share the empty key
  ToolbarButton& about = bar_.Button("About");
  bar_.Remove(2);
  bar_.Remove("Copy");
  EXPECT_EQ(about.Index(), 10);
  EXPECT_EQ(BarOrder(), (std::vector<std::string>{"-", "-", "Bold", "Italic", "-", "Left", "Center",
                                                  "Right", "-", "About", "-"}));
  EXPECT_EQ(&bar_.Action("About"), &bar_.Action(10));
  EXPECT_THROW(bar_.ButtonWidget(""), ToolbarError);  // separators have no key to find
}

TEST_F(QtToolbarTest, StatesFollowTheEntriesIncludingAVisibleMixedState) {
  ToolbarButton& bold = bar_.Button("Bold");
  QAction& action = bar_.Action("Bold");
  bold.SetValue(ButtonValue::kPressed);
  EXPECT_TRUE(action.isChecked());
  const QImage plain = action.icon().pixmap(16, 16).toImage();

  bold.SetMixedState(true);
  EXPECT_TRUE(bold.MixedState());
  EXPECT_EQ(bold.Value(), ButtonValue::kPressed);
  EXPECT_FALSE(action.isChecked());  // neither pressed nor released: shown released, faded
  EXPECT_NE(action.icon().pixmap(16, 16).toImage(), plain);
  QToolButton* button = bar_.ButtonWidget("Bold");
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->accessibleDescription(), QStringLiteral("mixed"));
  EXPECT_TRUE(button->property("mixedState").toBool());

  bold.SetMixedState(false);
  EXPECT_TRUE(action.isChecked());
  EXPECT_EQ(action.icon().pixmap(16, 16).toImage(), plain);
  EXPECT_TRUE(button->accessibleDescription().isEmpty());

  bold.SetEnabled(false);
  EXPECT_FALSE(action.isEnabled());
  EXPECT_FALSE(button->isEnabled());
  bold.SetVisible(false);
  QApplication::processEvents();
  EXPECT_FALSE(action.isVisible());
  EXPECT_FALSE(button->isVisible());
  EXPECT_FALSE(bold.Visible());
}

TEST_F(QtToolbarTest, ClicksFollowTheStylesAndReachTheHandler) {
  ToolbarButton& bold = bar_.Button("Bold");
  bold.SetMixedState(true);
  QTest::mouseClick(bar_.ButtonWidget("Bold"), Qt::LeftButton);
  EXPECT_EQ(bold.Value(), ButtonValue::kPressed);
  EXPECT_FALSE(bold.MixedState());
  EXPECT_TRUE(bar_.Action("Bold").isChecked());
  bar_.Action("Bold").trigger();
  EXPECT_EQ(bold.Value(), ButtonValue::kUnpressed);
  EXPECT_FALSE(bar_.Action("Bold").isChecked());

  // A group presses one of its members; clicking the pressed one keeps it pressed.
  bar_.Button("Left").SetValue(ButtonValue::kPressed);
  bar_.Button("Center").SetMixedState(true);
  bar_.Action("Center").trigger();
  EXPECT_EQ(bar_.Button("Left").Value(), ButtonValue::kUnpressed);
  EXPECT_EQ(bar_.Button("Center").Value(), ButtonValue::kPressed);
  EXPECT_FALSE(bar_.Button("Center").MixedState());
  EXPECT_TRUE(bar_.Action("Center").isChecked());
  EXPECT_FALSE(bar_.Action("Left").isChecked());
  bar_.Action("Center").trigger();
  EXPECT_EQ(bar_.Button("Center").Value(), ButtonValue::kPressed);
  EXPECT_TRUE(bar_.Action("Center").isChecked());

  // Push buttons stay unpressed; disabled and hidden entries do nothing.
  QTest::mouseClick(bar_.ButtonWidget("Cut"), Qt::LeftButton);
  EXPECT_EQ(bar_.Button("Cut").Value(), ButtonValue::kUnpressed);
  bar_.Button("Copy").SetEnabled(false);
  bar_.Action("Copy").trigger();
  QTest::mouseClick(bar_.ButtonWidget("Copy"), Qt::LeftButton);
  bar_.Button("Italic").SetVisible(false);
  bar_.Action("Italic").trigger();
  EXPECT_EQ(bar_.Button("Italic").Value(), ButtonValue::kUnpressed);
  EXPECT_EQ(clicks_, (std::vector<std::string>{"Bold", "Bold", "Center", "Center", "Cut"}));
}

TEST_F(QtToolbarTest, HandlerMayRemoveEntriesAndReplaceItself) {
  bar_.SetButtonClickHandler([this](ToolbarButton& button) {
    clicks_.push_back(button.Key());
    bar_.Remove("Copy");
    bar_.SetButtonClickHandler({});
  });
  bar_.Action("Cut").trigger();
  bar_.Action("Cut").trigger();
  EXPECT_EQ(clicks_, (std::vector<std::string>{"Cut"}));
  EXPECT_FALSE(bar_.Contains("Copy"));

  // Even the entry being clicked, from a real click on its button.
  bar_.SetButtonClickHandler([this](ToolbarButton& button) {
    clicks_.push_back(button.Key());
    bar_.Remove(button.Key());
  });
  QTest::mouseClick(bar_.ButtonWidget("Bold"), Qt::LeftButton);
  QApplication::processEvents();
  EXPECT_FALSE(bar_.Contains("Bold"));
  EXPECT_EQ(clicks_.back(), "Bold");
  EXPECT_EQ(BarOrder(), Keys(bar_));
}

TEST_F(QtToolbarTest, GeometryIsInTwipsInTheOwnersCoordinates) {
  const auto pixel_rect = [this](const char* key) {
    QToolButton* button = bar_.ButtonWidget(key);
    return QRect(button->mapTo(&owner_, QPoint(0, 0)), button->size());
  };
  const QRect cut = pixel_rect("Cut");
  ASSERT_GT(cut.width(), 0);
  EXPECT_EQ(bar_.Button("Cut").Left(), cut.left() * 15);
  EXPECT_EQ(bar_.Button("Cut").Top(), cut.top() * 15);
  EXPECT_GE(cut.top(), 7);  // the owner's margin counts
  EXPECT_EQ(bar_.Button("Cut").Height(), cut.height() * 15);
  EXPECT_LT(bar_.Button("Cut").Left(), bar_.Button("Copy").Left());
  EXPECT_LT(bar_.Button("Copy").Left(), bar_.Button("Bold").Left());
  EXPECT_EQ(bar_.Height(), bar_.Widget().height() * 15);
  EXPECT_GE(bar_.Height(), bar_.Button("Cut").Height());

  // A hidden entry takes no room and reports where the next shown one is.
  const std::int32_t copy_left = bar_.Button("Copy").Left();
  bar_.Button("Cut").SetVisible(false);
  EXPECT_EQ(bar_.Button("Cut").Left(), bar_.Button("Copy").Left());
  EXPECT_EQ(bar_.Button("Copy").Left(), bar_.Button("Cut").Left());
  EXPECT_LT(bar_.Button("Copy").Left(), copy_left);
  EXPECT_EQ(bar_.Button("Copy").Left(), pixel_rect("Copy").left() * 15);
  // The last entry hidden: the right edge of the one before.
  bar_.Button("About").SetVisible(false);
  bar_.Button(11).SetVisible(false);
  EXPECT_GT(bar_.Button("About").Left(), bar_.Button("Right").Left());
  EXPECT_EQ(bar_.Button("About").Left(), (pixel_rect("Right").right() + 1) * 15);
}

TEST_F(QtToolbarTest, LayoutsRoundTripThroughSettingsAndTheHeadlessToolbar) {
  bar_.Button("Copy").SetVisible(false);
  bar_.Button(4).SetVisible(false);  // a separator, stored by its serial
  bar_.SaveToolbar("", "Software\\Korvex\\Scrivlet", "Toolbar");
  const LayoutLocation where = ToolbarLayoutLocation("", "Software\\Korvex\\Scrivlet", "Toolbar");
  EXPECT_EQ(settings_.GetSetting(where.Application, where.Section, where.Key, ""),
            "1|#1|Cut|!Copy|!#4|Bold|Italic|#7|Left|Center|Right|#11|About");

  // The same layout, reordered, restores in a headless toolbar and back here.
  HeadlessToolbar headless(settings_);
  Fill(headless);
  headless.RestoreToolbar("", "Software\\Korvex\\Scrivlet", "Toolbar");
  EXPECT_EQ(HiddenKeys(headless), (std::vector<std::string>{"Copy", "-"}));
  ASSERT_TRUE(headless.UserMove(12, 2));
  ASSERT_TRUE(headless.UserShow(4));
  headless.SaveToolbar("", "Software\\Korvex\\Scrivlet", "Toolbar");

  bar_.RestoreToolbar("", "Software\\Korvex\\Scrivlet", "Toolbar");
  EXPECT_EQ(Keys(bar_), Keys(headless));
  EXPECT_EQ(HiddenKeys(bar_), HiddenKeys(headless));
  EXPECT_EQ(BarOrder(), Keys(bar_));
  EXPECT_EQ(changes_, 0);  // restoring is not a change by the user
  // The buttons were made again: their names and pictures came back.
  ASSERT_NE(bar_.ButtonWidget("About"), nullptr);
  EXPECT_EQ(bar_.ButtonWidget("About")->accessibleName(), QStringLiteral("About Scrivlet"));
  EXPECT_FALSE(bar_.ButtonWidget("About")->icon().isNull());
  EXPECT_LT(bar_.Button("About").Left(), bar_.Button("Cut").Left());
}

TEST_F(QtToolbarTest, ContextMenuOffersCustomisingOnlyWhenAllowed) {
  bar_.SetAllowCustomize(false);
  AskForContextMenu(&bar_.Widget());  // would block in a menu if one opened
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
  EXPECT_FALSE(bar_.Customize());

  bar_.SetAllowCustomize(true);
  bool offered = false;
  WhenPopup([&offered](QMenu* menu) {
    ASSERT_EQ(menu->actions().size(), 1);
    offered = menu->actions().front()->text() == QStringLiteral("Customize Toolbar...");
    menu->close();
  });
  AskForContextMenu(bar_.ButtonWidget("Cut"));
  EXPECT_TRUE(offered);
  EXPECT_EQ(changes_, 0);
}

TEST_F(QtToolbarTest, CustomiseDialogHidesShowsReordersAndRaisesChangeOnOk) {
  WhenPopup([](QMenu* menu) { menu->actions().front()->trigger(); });
  WhenModal<QtToolbarCustomizeDialog>([](QtToolbarCustomizeDialog* dialog) {
    QListWidget* shown = dialog->ToolbarList();
    QListWidget* hidden = dialog->AvailableList();
    const auto click = [dialog](const char* name) {
      auto* button = dialog->findChild<QPushButton*>(QString::fromLatin1(name));
      ASSERT_NE(button, nullptr) << name;
      QTest::mouseClick(button, Qt::LeftButton);
    };
    shown->setCurrentRow(2);  // Copy
    click("removeButton");
    EXPECT_EQ(hidden->count(), 1);
    EXPECT_EQ(shown->currentItem()->text(), QStringLiteral("Separator"));  // the next one
    shown->setCurrentRow(10);                                              // About, now 11th shown
    ASSERT_EQ(shown->currentItem()->text(), QStringLiteral("About"));
    click("moveUpButton");
    click("moveUpButton");
    EXPECT_EQ(shown->item(8)->text(), QStringLiteral("About"));
    // Copy comes back before Cut.
    hidden->setCurrentRow(0);
    shown->setCurrentRow(1);
    click("addButton");
    EXPECT_EQ(hidden->count(), 0);
    EXPECT_EQ(shown->item(1)->text(), QStringLiteral("Copy"));
    EXPECT_EQ(shown->item(2)->text(), QStringLiteral("Cut"));
    shown->setCurrentRow(4);  // Bold
    click("removeButton");
    click("okButton");
  });
  AskForContextMenu(&bar_.Widget());

  EXPECT_EQ(changes_, 1);
  EXPECT_EQ(Keys(bar_), (std::vector<std::string>{"-", "Copy", "Cut", "-", "Bold", "Italic", "-",
                                                  "Left", "Center", "About", "Right", "-"}));
  EXPECT_EQ(HiddenKeys(bar_), (std::vector<std::string>{"Bold"}));
  EXPECT_EQ(BarOrder(), Keys(bar_));
  EXPECT_FALSE(bar_.Action("Bold").isVisible());
  EXPECT_LT(bar_.Button("Copy").Left(), bar_.Button("Cut").Left());
}

TEST_F(QtToolbarTest, CustomiseCancelChangesNothingAndResetBringsBackTheDefault) {
  bar_.Button("Italic").SetVisible(false);
  WhenModal<QtToolbarCustomizeDialog>([](QtToolbarCustomizeDialog* dialog) {
    dialog->ToolbarList()->setCurrentRow(1);
    dialog->RemoveChosen();
    dialog->ResetEntries();
    EXPECT_EQ(dialog->AvailableList()->count(), 0);
    dialog->findChild<QPushButton*>(QStringLiteral("cancelButton"))->click();
  });
  EXPECT_FALSE(bar_.Customize());
  EXPECT_EQ(changes_, 0);
  EXPECT_EQ(HiddenKeys(bar_), (std::vector<std::string>{"Italic"}));

  // Reset: the order the entries were added in, all shown.
  HeadlessToolbar headless(settings_);
  Fill(headless);
  headless.UserMove(12, 1);
  headless.UserHide(3);
  headless.SaveToolbar("", "s", "v");
  bar_.RestoreToolbar("", "s", "v");
  ASSERT_EQ(Keys(bar_).front(), "About");
  WhenModal<QtToolbarCustomizeDialog>([](QtToolbarCustomizeDialog* dialog) {
    dialog->ResetEntries();
    dialog->accept();
  });
  EXPECT_TRUE(bar_.Customize());
  EXPECT_EQ(changes_, 1);
  MemorySettingsStore unused;
  HeadlessToolbar fresh(unused);
  Fill(fresh);
  EXPECT_EQ(Keys(bar_), Keys(fresh));
  EXPECT_TRUE(HiddenKeys(bar_).empty());
}

// ----- The customisation rules, without a screen -----

ToolbarCustomization Sample() {
  // 1 A, 2 B (hidden), 3 C, 4 D; default order 1..4.
  return ToolbarCustomization({{1, "A", false}, {2, "B", true}, {3, "C", false}, {4, "D", false}},
                              {1, 2, 3, 4});
}

TEST(ToolbarCustomizationTest, ShowHideAndMoveKeepHiddenEntriesInPlace) {
  ToolbarCustomization c = Sample();
  EXPECT_EQ(c.Shown(), (std::vector<std::int32_t>{1, 3, 4}));
  EXPECT_EQ(c.Hidden(), (std::vector<std::int32_t>{2}));
  EXPECT_FALSE(c.Show(1));  // already shown
  EXPECT_FALSE(c.Hide(2));  // already hidden
  EXPECT_FALSE(c.MoveUp(2));
  EXPECT_FALSE(c.MoveUp(1));
  EXPECT_FALSE(c.MoveDown(4));
  EXPECT_FALSE(c.Show(9));

  EXPECT_TRUE(c.MoveDown(1));  // past C, over the hidden B
  std::vector<std::int32_t> order;
  for (const auto& entry : c.Entries()) {
    order.push_back(entry.Id);
  }
  EXPECT_EQ(order, (std::vector<std::int32_t>{3, 2, 1, 4}));

  EXPECT_TRUE(c.Show(2, 3));  // before C
  EXPECT_EQ(c.Shown(), (std::vector<std::int32_t>{2, 3, 1, 4}));
  EXPECT_TRUE(c.Hide(4));
  EXPECT_TRUE(c.Hide(3));
  EXPECT_TRUE(c.Show(3, 0));  // after the last shown entry, before hidden D
  EXPECT_EQ(c.Shown(), (std::vector<std::int32_t>{2, 1, 3}));
  EXPECT_EQ(c.Entries().back().Id, 4);
  EXPECT_EQ(c.LabelOf(3), "C");
  EXPECT_EQ(c.LabelOf(7), "");

  c.Reset();
  EXPECT_EQ(c.Shown(), (std::vector<std::int32_t>{1, 2, 3, 4}));
  EXPECT_TRUE(c.Hidden().empty());
}

TEST(ToolbarCustomizationTest, ResetKeepsEntriesTheDefaultDoesNotName) {
  ToolbarCustomization c({{5, "E", true}, {1, "A", false}, {3, "C", false}}, {1, 2, 3});
  c.Reset();
  EXPECT_EQ(c.Shown(), (std::vector<std::int32_t>{1, 3, 5}));
}

}  // namespace
}  // namespace scrivlet
