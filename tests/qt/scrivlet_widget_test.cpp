// ScrivletWidget as a user and a host use it: properties, toolbar clicks, typing, the keyboard
// shortcuts, the popup menus, the clipboard between two editors, toolbar customisation and saved
// property sets. The dialogs' views are held to their forms in qt_form_host_test.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>

#include "control/scrivlet.h"
#include "hosts/headless/memory_property_bag.h"
#include "qt/hyperlink_view.h"
#include "qt/qt_password_keyring.h"
#include "qt/qt_platform.h"
#include "qt/qt_text.h"
#include "qt/qt_toolbar_customize_dialog.h"
#include "qt/scrivlet_widget.h"
#include "qt_services_test_support.h"
#include "settings_sandbox.h"
#include "text/util_lib.h"

namespace scrivlet {
namespace {

using testing::WhenModal;
using testing::WhenPopup;

// Runs the event loop until a restored widget has finished starting.
void FinishStart(ScrivletWidget& widget) {
  for (int turns = 0; widget.StartPending() && turns < 2000; ++turns) {
    QTest::qWait(5);
  }
  ASSERT_FALSE(widget.StartPending());
}

void Select(ScrivletWidget& widget, int start, int length) {
  widget.Surface().SetSelStart(start);
  widget.Surface().SetSelLength(length);
}

QString Text(ScrivletWidget& widget) {
  return QString::fromStdU16String(widget.Surface().Text());
}

QToolButton* ButtonOf(ScrivletWidget& widget, const char* key) {
  QToolButton* button = widget.Platform().Bar.ButtonWidget(key);
  EXPECT_NE(button, nullptr) << key;
  return button;
}

void Click(ScrivletWidget& widget, const char* key) {
  QToolButton* button = ButtonOf(widget, key);
  if (button != nullptr) {
    QTest::mouseClick(button, Qt::LeftButton);
  }
}

class ScrivletWidgetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sandbox_.IsValid());
    QApplication::clipboard()->clear();
  }

  // Shows `widget` in an active window, so that focus and keys work as for a user.
  static void ShowActive(ScrivletWidget& widget) {
    widget.resize(640, 400);
    widget.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
    widget.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&widget));
    widget.Editor()->setFocus();
  }

  testing::SettingsSandbox sandbox_;
};

// ----- Properties -----

// The Q_PROPERTY lines are written out for moc: they must be the property table's rows, in its
// order and of its types, so that a property added to the table without its line fails here.
TEST_F(ScrivletWidgetTest, QtPropertiesAreThePropertyTable) {
  const QMetaObject& meta = ScrivletWidget::staticMetaObject;
  const std::span<const PropertyDefinition> table = ControlProperties();
  ASSERT_EQ(meta.propertyCount() - meta.propertyOffset(), static_cast<int>(table.size()));
  for (std::size_t i = 0; i < table.size(); ++i) {
    const PropertyDefinition& row = table[i];
    const QMetaProperty property = meta.property(meta.propertyOffset() + static_cast<int>(i));
    SCOPED_TRACE(std::string(row.name));
    EXPECT_EQ(property.name(), row.name);
    EXPECT_TRUE(property.isWritable());
    EXPECT_TRUE(property.hasNotifySignal());
    const int expected =
        row.type == PropertyType::kBoolean || row.type == PropertyType::kButtonGroup
            ? QMetaType::Bool
        : row.type == PropertyType::kHtmlSize ? QMetaType::Int
        : row.type == PropertyType::kColor    ? QMetaType::QColor
                                              : QMetaType::QString;
    EXPECT_EQ(property.metaType().id(), expected);
  }
}

TEST_F(ScrivletWidgetTest, AssignedPropertiesReachTheControlAndAreAnnounced) {
  ScrivletWidget widget;
  QSignalSpy names(&widget, &ScrivletWidget::propertyChanged);
  QSignalSpy buttons(&widget, &ScrivletWidget::buttonsChanged);

  widget.setProperty("FontSize", 5);
  EXPECT_DOUBLE_EQ(widget.Surface().FontSize(), 18.0);
  widget.setFontSize(100000);  // clamped, not wrapped
  EXPECT_EQ(widget.Control().FontSize(), 32767);

  // Qt's colours are RGB, the control's are in platform (BGR) order; the system colour is reset.
  widget.setProperty("ForeColor", QColor(0x12, 0x34, 0x56));
  EXPECT_EQ(widget.Control().ForeColor(), 0x563412);
  widget.setProperty("BackColor", QColor(Qt::yellow));
  EXPECT_EQ(widget.Editor()->palette().color(QPalette::Base), QColor(Qt::yellow));
  widget.resetBackColor();
  EXPECT_EQ(widget.Control().BackColor(), Scrivlet::kSystemWindowColor);
  EXPECT_EQ(widget.Editor()->palette().color(QPalette::Base),
            QApplication::palette().color(QPalette::Base));

  // A group assigned false leaves the toolbar for good.
  widget.setProperty("ButtonsFontStyle", false);
  EXPECT_FALSE(widget.Control().Toolbar1().Contains("Bold"));
  widget.setProperty("ButtonsFontStyle", true);
  EXPECT_FALSE(widget.property("ButtonsFontStyle").toBool());
  EXPECT_EQ(buttons.count(), 1);

  QStringList announced;
  for (const QList<QVariant>& call : names) {
    announced << call.at(0).toString();
  }
  EXPECT_TRUE(announced.contains(QStringLiteral("FontSize")));
  EXPECT_TRUE(announced.contains(QStringLiteral("ButtonsFontStyle")));
}

TEST_F(ScrivletWidgetTest, DocumentReadsAndAssignsAsHtmlAndRtf) {
  ScrivletWidget widget;
  widget.setProperty("TextHTML", QStringLiteral("<B>Hello</B> world<BR>"));
  // Another program's page, read as a browser reads it: a trailing BR opens no line.
  EXPECT_EQ(Text(widget), QStringLiteral("Hello world"));
  const QString html = widget.property("TextHTML").toString();
  EXPECT_TRUE(html.contains(QStringLiteral("<B>Hello</B>"))) << html.toStdString();
  const QString rtf = widget.TextRTF();

  ScrivletWidget copy;
  copy.setProperty("TextRTF", rtf);
  EXPECT_EQ(copy.TextRTF(), rtf);
  EXPECT_EQ(copy.TextHTML(), html);

  // Non-ASCII text survives both ways.
  widget.setTextHTML(QStringLiteral("caf\u00E9 \U0001F600"));
  EXPECT_EQ(Text(widget), QStringLiteral("caf\u00E9 \U0001F600"));
  EXPECT_TRUE(widget.TextHTML().contains(QStringLiteral("caf&#233; &#128512;")));
}

TEST_F(ScrivletWidgetTest, RejectedHtmlLeavesTheDocumentAndSaysWhy) {
  ScrivletWidget widget;
  widget.setTextHTML(QStringLiteral("kept"));
  QSignalSpy failures(&widget, &ScrivletWidget::conversionFailed);
  QSignalSpy changes(&widget, &ScrivletWidget::contentsChanged);
  // Only the control's own pages can be rejected: the dialect converter reads them.
  widget.setTextHTML(
      QStringLiteral("<!-- Korvex, Inc. Scrivlet 2.3.0.0 --><FONT SIZE=big>x</FONT>"));
  ASSERT_EQ(failures.count(), 1);
  EXPECT_TRUE(failures.at(0).at(0).toString().contains(QStringLiteral("big")))
      << failures.at(0).at(0).toString().toStdString();
  EXPECT_EQ(changes.count(), 0);
  EXPECT_EQ(Text(widget), QStringLiteral("kept"));

  QString error;
  EXPECT_FALSE(widget.TrySetTextHTML(
      QStringLiteral("<!-- Korvex, Inc. Scrivlet 2.3.0.0 --><FONT COLOR=#GGHHII>x</FONT>"),
      &error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_TRUE(widget.TrySetTextHTML(QStringLiteral("fine"), &error));
  EXPECT_EQ(Text(widget), QStringLiteral("fine"));
}

TEST_F(ScrivletWidgetTest, ContentsChangedComesOncePerLoadAndWithEveryEdit) {
  ScrivletWidget widget;
  ShowActive(widget);
  QSignalSpy changes(&widget, &ScrivletWidget::contentsChanged);
  EXPECT_TRUE(changes.isValid());

  widget.setTextHTML(QStringLiteral("<B>one</B> two<BR>three"));
  EXPECT_EQ(changes.count(), 1);
  widget.setTextRTF(widget.TextRTF());
  EXPECT_EQ(changes.count(), 2);

  // Neither a resize nor a selection is an edit.
  widget.resize(500, 300);
  Select(widget, 0, 3);
  EXPECT_EQ(changes.count(), 2);

  QTest::keyClicks(widget.Editor(), "x");
  EXPECT_GE(changes.count(), 3);
  const int afterTyping = changes.count();
  Select(widget, 0, 1);
  Click(widget, "Italic");
  EXPECT_GT(changes.count(), afterTyping);
}

// ----- The user at work -----

TEST_F(ScrivletWidgetTest, ToolbarButtonsFormatTheSelection) {
  ScrivletWidget widget;
  ShowActive(widget);
  widget.setTextHTML(QStringLiteral("hello world"));
  Select(widget, 0, 5);

  Click(widget, "Bold");
  EXPECT_EQ(widget.Surface().SelBold(), std::optional<bool>(true));
  EXPECT_TRUE(ButtonOf(widget, "Bold")->isChecked());
  Click(widget, "Center");
  EXPECT_EQ(widget.Surface().SelAlignment(), std::optional<Alignment>(Alignment::kCenter));
  EXPECT_TRUE(ButtonOf(widget, "Center")->isChecked());
  EXPECT_FALSE(ButtonOf(widget, "Left")->isChecked());

  // A mixed selection shows the button in its mixed state.
  Select(widget, 0, 11);
  EXPECT_EQ(widget.Surface().SelBold(), std::nullopt);
  EXPECT_TRUE(widget.Control().Toolbar1().Button("Bold").MixedState());
}

TEST_F(ScrivletWidgetTest, UndoRedoHyperlinkAndTheToolbarFromTheKeyboard) {
  ScrivletWidget widget;
  ShowActive(widget);
  QWidget* editor = widget.Editor();
  QTest::keyClicks(editor, "one two");
  QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Text(widget), QStringLiteral("one "));
  QTest::keyClick(editor, Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(Text(widget), QStringLiteral("one two"));
  QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
  QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(Text(widget), QStringLiteral("one two"));

  // Ctrl+K is the hyperlink dialog, not Qt's delete to the end of the line.
  Select(widget, 0, 3);
  bool opened = false;
  WhenModal<HyperlinkView>([&opened](HyperlinkView* view) {
    opened = true;
    QTest::mouseClick(view->findChild<QPushButton*>(QStringLiteral("cmdCancel")), Qt::LeftButton);
  });
  QTest::keyClick(editor, Qt::Key_K, Qt::ControlModifier);
  EXPECT_TRUE(opened);
  EXPECT_EQ(Text(widget), QStringLiteral("one two"));

  // Alt+F10 reaches the toolbar; arrows move along it, Space clicks, Escape goes back.
  Select(widget, 0, 3);
  widget.activateWindow();  // the dialog had it
  ASSERT_TRUE(QTest::qWaitForWindowActive(&widget));
  editor->setFocus();
  QTest::keyClick(editor, Qt::Key_F10, Qt::AltModifier);
  ASSERT_NE(qobject_cast<QToolButton*>(QApplication::focusWidget()), nullptr);
  for (int i = 0; i < 30 && QApplication::focusWidget()->objectName() != "Bold"; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
  }
  ASSERT_EQ(QApplication::focusWidget()->objectName(), QStringLiteral("Bold"));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
  EXPECT_EQ(widget.Surface().SelBold(), std::optional<bool>(true));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
  EXPECT_EQ(QApplication::focusWidget(), editor);
}

// A style shortcut is its button's click, so the button shows it at once; without the button the
// shortcut still works.
TEST_F(ScrivletWidgetTest, StyleShortcutsClickTheirButtonsOrWorkWithoutThem) {
  ScrivletWidget widget;
  ShowActive(widget);
  QTest::keyClicks(widget.Editor(), "plain ");
  QTest::keyClick(widget.Editor(), Qt::Key_B, Qt::ControlModifier);
  EXPECT_TRUE(ButtonOf(widget, "Bold")->isChecked());
  QTest::keyClicks(widget.Editor(), "bold");
  EXPECT_TRUE(widget.TextHTML().contains(QStringLiteral("<B>bold</B>")))
      << widget.TextHTML().toStdString();

  ScrivletWidget bare;
  bare.setButtonsFontStyle(false);
  ShowActive(bare);
  bare.setTextHTML(QStringLiteral("word"));
  Select(bare, 0, 4);
  QTest::keyClick(bare.Editor(), Qt::Key_B, Qt::ControlModifier);
  EXPECT_EQ(bare.Surface().SelBold(), std::optional<bool>(true));
}

TEST_F(ScrivletWidgetTest, FontSizeAndFontMenusUnderTheirButtons) {
  ScrivletWidget widget;
  ShowActive(widget);
  widget.setTextHTML(QStringLiteral("sized text"));
  Select(widget, 0, 5);

  WhenPopup([](QMenu* menu) {
    QAction* chosen = nullptr;
    for (QAction* action : menu->actions()) {
      if (action->text() == QStringLiteral("5 (18 pt)")) {
        chosen = action;
      }
    }
    ASSERT_NE(chosen, nullptr);
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(chosen).center());
  });
  Click(widget, "FontSize");
  EXPECT_EQ(widget.Surface().SelFontSize(), std::optional<double>(18.0));

  // The font button shows once the WDDX packet brings face lists.
  widget.setWDDX(QStringLiteral(
      "<field name='FONT_FACE'><string>Georgia, Times</string><string>Courier</string></field>"));
  ASSERT_TRUE(widget.Control().Toolbar1().Button("FontFace").Visible());
  widget.Editor()->setFocus();
  Select(widget, 6, 4);
  WhenPopup([](QMenu* menu) {
    for (QAction* action : menu->actions()) {
      if (action->text().startsWith(QStringLiteral("Georgia"))) {
        action->trigger();
        return;
      }
    }
    ADD_FAILURE() << "no Georgia item";
    menu->close();
  });
  Click(widget, "FontFace");
  EXPECT_EQ(widget.Surface().SelFontName(), std::optional<std::string>("Georgia"));
}

// ----- The clipboard between two editors -----

TEST_F(ScrivletWidgetTest, CutInOneEditorPastesWithItsFormatInAnother) {
  ScrivletWidget source;
  ScrivletWidget target;
  ShowActive(source);
  source.setTextHTML(QStringLiteral("<B>bold</B> and <I>italic</I>"));
  Select(source, 0, 4);
  QTest::keyClick(source.Editor(), Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(Text(source), QStringLiteral(" and italic"));
  // The Paste button follows the clipboard.
  EXPECT_TRUE(ButtonOf(source, "Paste")->isEnabled());

  ShowActive(target);
  target.setTextHTML(QStringLiteral("[]"));
  Select(target, 1, 0);
  QTest::keyClick(target.Editor(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Text(target), QStringLiteral("[bold]"));
  EXPECT_TRUE(target.TextHTML().contains(QStringLiteral("<B>bold</B>")))
      << target.TextHTML().toStdString();

  // Copy keeps the source; the Paste button pastes the rich text too.
  ShowActive(source);
  Select(source, 5, 6);
  QTest::keyClick(source.Editor(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(Text(source), QStringLiteral(" and italic"));
  ShowActive(target);
  Select(target, 0, 0);
  Click(target, "Paste");
  EXPECT_EQ(Text(target), QStringLiteral("italic[bold]"));
  EXPECT_TRUE(target.TextHTML().contains(QStringLiteral("<I>italic</I>")))
      << target.TextHTML().toStdString();
}

TEST_F(ScrivletWidgetTest, PlainTextPastesByKeyboardOnlyInTheTypingStyle) {
  ScrivletWidget widget;
  ShowActive(widget);
  widget.setTextHTML(QStringLiteral("<B>ab</B>"));
  QApplication::clipboard()->setText(QStringLiteral("x\r\ny"));
  // The Paste button takes rich text only.
  Select(widget, 1, 0);
  Click(widget, "Paste");
  EXPECT_EQ(Text(widget), QStringLiteral("ab"));
  // The keyboard pastes the text in the style at the caret, its line end as one break.
  Select(widget, 1, 0);
  QTest::keyClick(widget.Editor(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Text(widget), QStringLiteral("ax\nyb"));
  Select(widget, 0, 5);
  EXPECT_EQ(widget.Surface().SelBold(), std::optional<bool>(true));
}

// ----- Customising and saving -----

TEST_F(ScrivletWidgetTest, CustomisedToolbarComesBackInARestoredWidget) {
  MemoryPropertyBag saved;
  {
    ScrivletWidget first;
    ShowActive(first);
    WhenModal<QtToolbarCustomizeDialog>([](QtToolbarCustomizeDialog* dialog) {
      const auto choose = [dialog](const QString& label) {
        const QList<QListWidgetItem*> items =
            dialog->ToolbarList()->findItems(label, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << label.toStdString();
        dialog->ToolbarList()->setCurrentItem(items.front());
      };
      choose(QStringLiteral("About"));
      for (int i = 0; i < 30; ++i) {
        dialog->MoveChosenUp();
      }
      choose(QStringLiteral("Italic"));
      dialog->RemoveChosen();
      dialog->accept();
    });
    ASSERT_TRUE(first.Platform().Bar.Customize());
    EXPECT_EQ(first.Control().Toolbar1().Button(1).Key(), "About");
    EXPECT_FALSE(first.Control().Toolbar1().Button("Italic").Visible());
    first.SaveProperties(saved);
  }

  // A new instance starts with the default toolbar...
  ScrivletWidget fresh;
  EXPECT_NE(fresh.Control().Toolbar1().Button(1).Key(), "About");
  // ...a restored one brings the user's layout back once it has started.
  ScrivletWidget restored(saved);
  EXPECT_TRUE(restored.StartPending());
  FinishStart(restored);
  EXPECT_EQ(restored.Control().Toolbar1().Button(1).Key(), "About");
  EXPECT_FALSE(restored.Control().Toolbar1().Button("Italic").Visible());
  EXPECT_TRUE(restored.Control().Toolbar1().Button("Bold").Visible());
}

TEST_F(ScrivletWidgetTest, PropertySetRoundTripsThroughAMapAndQSettings) {
  ScrivletWidget widget;
  widget.setProperty("FontName", QStringLiteral("Georgia"));
  widget.setProperty("FontSize", 4);
  widget.setProperty("AllowCustomize", false);
  widget.setProperty("ButtonsAbout", false);
  widget.setProperty("FTPServer", QStringLiteral("ftp.example.com"));
  widget.setProperty("ForeColor", QColor(0, 0, 255));
  widget.setProperty("BackColor", QColor(255, 255, 224));

  const QVariantMap map = widget.SaveProperties();
  EXPECT_EQ(map.value(QStringLiteral("FontName")).toString(), QStringLiteral("Georgia"));
  EXPECT_EQ(map.value(QStringLiteral("FontSize")).toInt(), 4);
  EXPECT_EQ(map.value(QStringLiteral("ButtonsAbout")), QVariant(false));
  // Defaults are left out.
  EXPECT_FALSE(map.contains(QStringLiteral("ButtonsEdit")));
  EXPECT_FALSE(map.contains(QStringLiteral("WDDX")));

  ScrivletWidget fromMap;
  ASSERT_TRUE(fromMap.RestoreProperties(map));
  FinishStart(fromMap);
  EXPECT_EQ(fromMap.SaveProperties(), map);
  EXPECT_FALSE(fromMap.Control().Toolbar1().Contains("About"));
  EXPECT_EQ(fromMap.Editor()->palette().color(QPalette::Base), QColor(255, 255, 224));

  QTemporaryDir dir;
  {
    QSettings settings(dir.filePath(QStringLiteral("host.ini")), QSettings::IniFormat);
    settings.setValue(QStringLiteral("Editor/Stale"), 1);
    widget.SaveProperties(settings, QStringLiteral("Editor"));
  }
  QSettings settings(dir.filePath(QStringLiteral("host.ini")), QSettings::IniFormat);
  EXPECT_FALSE(settings.contains(QStringLiteral("Editor/Stale")));
  ScrivletWidget fromSettings;
  QString error;
  ASSERT_TRUE(fromSettings.RestoreProperties(settings, QStringLiteral("Editor"), &error))
      << error.toStdString();
  FinishStart(fromSettings);
  EXPECT_EQ(fromSettings.SaveProperties(), map);
}

// The password of a saved set: in the desktop's keyring where there is one (the test runs under
// a private D-Bus session with gnome-keyring, see tests/qt/keyring_test.sh), in the set as its
// scrambled form where there is none (offscreen CI). Either way the restored widget has it, and
// the settings file is readable by the user only.
TEST_F(ScrivletWidgetTest, TheFtpPasswordGoesToTheKeyringOrStaysScrambledInTheSet) {
  const bool keyring = QtPasswordKeyring(QStringLiteral("Scrivlet")).Available();
  const bool keyring_expected = qEnvironmentVariableIsSet("SCRIVLET_EXPECT_KEYRING");
  ASSERT_EQ(keyring, keyring_expected) << "a keyring answers: " << keyring;
  const QString scrambled =
      QString::fromStdString(ScramblePassword(ScrambleDirection::kEncode, "s3cret"));
  ScrivletWidget widget;
  widget.setProperty("FTPServer", QStringLiteral("ftp.example.com/images"));
  widget.setProperty("FTPUsername", QStringLiteral("alice"));
  widget.setProperty("FTPPassword", scrambled);
  widget.setProperty("FTPSecure", true);

  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("host.ini"));
  {
    QSettings settings(file, QSettings::IniFormat);
    widget.SaveProperties(settings, QStringLiteral("Editor"));
  }
  EXPECT_EQ(QFile::permissions(file) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
            QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  QSettings settings(file, QSettings::IniFormat);
  EXPECT_EQ(settings.contains(QStringLiteral("Editor/FTPPassword")), !keyring);
  if (!keyring) {
    EXPECT_EQ(settings.value(QStringLiteral("Editor/FTPPassword")).toString(), scrambled);
  }
  ScrivletWidget restored;
  ASSERT_TRUE(restored.RestoreProperties(settings, QStringLiteral("Editor")));
  EXPECT_EQ(restored.FTPPassword(), scrambled);
  EXPECT_TRUE(restored.FTPSecure());

  // A set saved before the keyring, holding the scrambled form, is read as it is.
  ScrivletWidget older;
  ASSERT_TRUE(older.RestoreProperties(
      QVariantMap{{QStringLiteral("FTPServer"), QStringLiteral("ftp.example.com/images")},
                  {QStringLiteral("FTPUsername"), QStringLiteral("alice")},
                  {QStringLiteral("FTPPassword"), QStringLiteral("olderForm")}}));
  EXPECT_EQ(older.FTPPassword(), QStringLiteral("olderForm"));
  // Another user of the same server has no password of alice's.
  ScrivletWidget other;
  ASSERT_TRUE(other.RestoreProperties(
      QVariantMap{{QStringLiteral("FTPServer"), QStringLiteral("ftp.example.com/images")},
                  {QStringLiteral("FTPUsername"), QStringLiteral("bob")}}));
  EXPECT_EQ(other.FTPPassword(), QString());
}

TEST_F(ScrivletWidgetTest, PropertySetOfTheWrongTypeIsRefused) {
  ScrivletWidget widget;
  QString error;
  EXPECT_FALSE(widget.RestoreProperties(
      QVariantMap{{QStringLiteral("FontSize"), QStringLiteral("large")}}, &error));
  EXPECT_TRUE(error.contains(QStringLiteral("FontSize"))) << error.toStdString();

  MemoryPropertyBag bag;
  bag.Set("ButtonsEdit", std::string("perhaps"));
  EXPECT_THROW(ScrivletWidget restored(bag), PropertyBagError);
}

}  // namespace
}  // namespace scrivlet
