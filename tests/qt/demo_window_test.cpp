// The demo host's window, driven as a user drives it: the sample page, the HTML pane following
// the edits off the user-interface thread, documents with unsaved changes, the menus, the
// properties form, the dialogs' presets, state kept between runs (and kept safe from bad stored
// values), the run-scoped settings of --fresh, and its screenshot.

#include <gtest/gtest.h>

#ifdef SCRIVLET_HAS_DEMO_WINDOW

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QToolBar>
#include <cstdlib>
#include <map>

#include "control/scrivlet.h"
#include "demo_window.h"
#include "qt/hyperlink_view.h"
#include "qt/qt_platform.h"
#include "qt/scrivlet_widget.h"
#include "qt_services_test_support.h"
#include "settings_sandbox.h"

namespace scrivlet {
namespace {

QString ReadFile(const QString& path) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
  return QString::fromUtf8(file.readAll());
}

QString Text(ScrivletWidget& widget) {
  return QString::fromStdU16String(widget.Surface().Text());
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
  file.write(bytes);
}

// Every file under `folder`, with its size and contents' checksum, for comparing a folder
// before and after.
QStringList Listing(const QString& folder) {
  QStringList entries;
  QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly)) {
      bytes = file.readAll();
    }
    entries << QDir(folder).relativeFilePath(path) + QLatin1Char(' ') +
                   QString::number(qHash(bytes));
  }
  entries.sort();
  return entries;
}

void WaitForStart(ScrivletWidget& editor) {
  for (int turns = 0; editor.StartPending() && turns < 2000; ++turns) {
    QTest::qWait(5);
  }
  ASSERT_FALSE(editor.StartPending());
}

// A window whose questions and errors are answered by the test.
struct Answers {
  std::vector<QString> files;
  std::vector<DemoWindow::ChangesAnswer> changes;
  QStringList errors;
  int asked = 0;

  void Attach(DemoWindow& window) {
    window.SetFileChooser([this](DemoWindow::FileAction, DemoWindow::FileKind, const QString&) {
      if (files.empty()) {
        ADD_FAILURE() << "a file name was asked for unexpectedly";
        return QString();
      }
      const QString answer = files.front();
      files.erase(files.begin());
      return answer;
    });
    window.SetChangesQuestion([this] {
      ++asked;
      if (changes.empty()) {
        ADD_FAILURE() << "unsaved changes were asked about unexpectedly";
        return DemoWindow::ChangesAnswer::kCancel;
      }
      const DemoWindow::ChangesAnswer answer = changes.front();
      changes.erase(changes.begin());
      return answer;
    });
    window.SetErrorReporter([this](const QString& message) { errors << message; });
  }
};

// How many pixels of `area` differ clearly from its most common colour.
int MarkedPixels(const QImage& image, const QRect& area) {
  std::map<QRgb, int> counts;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      ++counts[image.pixel(x, y)];
    }
  }
  QRgb background = 0;
  int most = -1;
  for (const auto& [color, count] : counts) {
    if (count > most) {
      most = count;
      background = color;
    }
  }
  int marked = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      const QRgb pixel = image.pixel(x, y);
      const int distance = std::abs(qRed(pixel) - qRed(background)) +
                           std::abs(qGreen(pixel) - qGreen(background)) +
                           std::abs(qBlue(pixel) - qBlue(background));
      if (distance > 96) {
        ++marked;
      }
    }
  }
  return marked;
}

class DemoWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(sandbox_.IsValid()); }

  // Shows `window` and, with `active`, makes it the active window so that focus and keys work.
  static void Show(DemoWindow& window, bool active = false) {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    if (active) {
      window.activateWindow();
      ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
  }

  QString Path(const char* name) const { return sandbox_.FilePath(QString::fromLatin1(name)); }

  testing::SettingsSandbox sandbox_;
};

TEST_F(DemoWindowTest, FirstStartShowsTheSamplePageItsHtmlAndFitsTheScreen) {
  DemoWindow window;
  const QString sample = DemoWindow::SampleHtml();
  ASSERT_TRUE(sample.contains(QStringLiteral("Scrivlet sample page")));
  EXPECT_TRUE(Text(window.Editor()).startsWith(QStringLiteral("Scrivlet sample page")));
  window.FinishSource();
  EXPECT_EQ(window.Source().toPlainText(), window.Editor().TextHTML());
  EXPECT_TRUE(window.Source().isReadOnly());
  EXPECT_FALSE(window.isWindowModified());

  // The first window fits the screen it opens on (the offscreen screen is smaller than the
  // window's preferred size).
  Show(window);
  const QRect available = window.screen()->availableGeometry();
  EXPECT_TRUE(available.contains(window.frameGeometry()))
      << window.frameGeometry().width() << "x" << window.frameGeometry().height() << " on "
      << available.width() << "x" << available.height();

  // The face menu offers the default face lists, and a page's faces survive.
  EXPECT_FALSE(window.Editor().WDDX().isEmpty());
  EXPECT_GT(window.Editor().Platform().FaceMenu.Count(), 1);
  window.Editor().setTextHTML(QStringLiteral("<FONT FACE='Georgia'>serif</FONT>"));
  EXPECT_TRUE(window.Editor().TextHTML().contains(
      QStringLiteral("FACE='Georgia, Times New Roman, Times, serif'")))
      << window.Editor().TextHTML().toStdString();
}

TEST_F(DemoWindowTest, HtmlPaneFollowsTheEditsOnceTheyPause) {
  DemoWindow window;
  Show(window);
  window.Editor().setTextHTML(QStringLiteral("start"));
  window.FinishSource();
  const QString before = window.Source().toPlainText();

  window.Editor().Surface().SetSelStart(5);
  QTest::keyClicks(window.Editor().Editor(), " typed");
  // Not rebuilt with every keystroke: the pane waits for the pause.
  EXPECT_TRUE(window.SourcePending());
  EXPECT_EQ(window.Source().toPlainText(), before);
  EXPECT_TRUE(window.isWindowModified());
  for (int turns = 0; window.SourcePending() && turns < 6000; ++turns) {
    QTest::qWait(5);
  }
  ASSERT_FALSE(window.SourcePending());
  EXPECT_EQ(window.Source().toPlainText(), window.Editor().TextHTML());
  EXPECT_TRUE(window.Source().toPlainText().contains(QStringLiteral("start typed")));
}

TEST_F(DemoWindowTest, LargeDocumentsPaneShowsItsStartAndTheFullSize) {
  DemoWindow window;
  QString page;
  for (int i = 0; i < 4000; ++i) {
    page += QStringLiteral("<B>Paragraph %1</B> with some text to make it longer.<BR>").arg(i);
  }
  window.Editor().setTextHTML(page);
  window.FinishSource();
  const QString html = window.Editor().TextHTML();
  ASSERT_GT(html.size(), DemoWindow::kSourcePaneLimit);
  const QString shown = window.Source().toPlainText();
  EXPECT_TRUE(shown.startsWith(html.left(DemoWindow::kSourcePaneLimit)));
  EXPECT_LT(shown.size(), DemoWindow::kSourcePaneLimit + 200);
  EXPECT_TRUE(shown.contains(QLocale().toString(html.size()))) << shown.right(200).toStdString();
}

TEST_F(DemoWindowTest, FileMenuSavesOpensAndRemembersRecentFiles) {
  DemoWindow window;
  Answers answers;
  answers.Attach(window);

  window.Editor().setTextHTML(QStringLiteral("<B>saved</B> page"));
  ASSERT_TRUE(window.IsModified());
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Untitled[*] - Scrivlet Demo"));
  // Save on a new document asks for a name.
  answers.files = {Path("page.html")};
  window.SaveAction()->trigger();
  const QString html = window.Editor().TextHTML();
  EXPECT_EQ(ReadFile(Path("page.html")), html);
  EXPECT_EQ(window.FilePath(), Path("page.html"));
  EXPECT_EQ(window.windowTitle(), QStringLiteral("page.html[*] - Scrivlet Demo"));
  EXPECT_FALSE(window.isWindowModified());

  // Save writes the current file without asking.
  window.Editor().Surface().SetSelStart(0);
  window.Editor().Surface().SetSelText(u"more ");
  EXPECT_TRUE(window.isWindowModified());
  window.SaveAction()->trigger();
  EXPECT_TRUE(answers.files.empty());
  EXPECT_TRUE(ReadFile(Path("page.html")).contains(QStringLiteral("more ")));
  EXPECT_FALSE(window.isWindowModified());

  const QString rtf = window.Editor().TextRTF();
  answers.files = {Path("page.rtf")};
  window.SaveAsRtfAction()->trigger();
  EXPECT_EQ(ReadFile(Path("page.rtf")), rtf);
  EXPECT_EQ(window.FilePath(), Path("page.rtf"));
  // Save keeps the file's kind.
  window.Editor().Surface().SetSelText(u"x");
  window.SaveAction()->trigger();
  EXPECT_TRUE(ReadFile(Path("page.rtf")).startsWith(QStringLiteral("{\\rtf")));
  EXPECT_EQ(window.RecentFiles(), (QStringList{Path("page.rtf"), Path("page.html")}));

  window.NewAction()->trigger();
  EXPECT_EQ(Text(window.Editor()), QString());
  EXPECT_TRUE(window.FilePath().isEmpty());

  // A recent file opens from the menu.
  QMenu* recent = window.RecentMenu();
  ASSERT_EQ(recent->actions().size(), 2);
  recent->actions().at(1)->trigger();
  EXPECT_EQ(window.FilePath(), Path("page.html"));
  EXPECT_TRUE(Text(window.Editor()).startsWith(QStringLiteral("more saved page")));
  EXPECT_EQ(window.RecentFiles().front(), Path("page.html"));

  // A cancelled file dialog does nothing; a missing file is reported.
  const QString shown = window.Editor().TextRTF();
  answers.files = {QString()};
  window.OpenRtfAction()->trigger();
  EXPECT_EQ(window.Editor().TextRTF(), shown);
  answers.files = {Path("missing.html")};
  window.OpenHtmlAction()->trigger();
  EXPECT_EQ(answers.errors.size(), 1);
  EXPECT_EQ(window.Editor().TextRTF(), shown);
  EXPECT_EQ(answers.asked, 0);
}

TEST_F(DemoWindowTest, UnsavedChangesAskSaveDiscardOrCancel) {
  DemoWindow window;
  Show(window);
  Answers answers;
  answers.Attach(window);
  window.Editor().Surface().SetSelStart(0);
  QTest::keyClicks(window.Editor().Editor(), "edit ");
  ASSERT_TRUE(window.isWindowModified());

  // Cancel keeps everything.
  answers.changes = {DemoWindow::ChangesAnswer::kCancel};
  window.NewAction()->trigger();
  EXPECT_TRUE(Text(window.Editor()).startsWith(QStringLiteral("edit ")));
  answers.changes = {DemoWindow::ChangesAnswer::kCancel};
  window.QuitAction()->trigger();
  EXPECT_TRUE(window.isVisible());

  // Save, then go on: the edit is in the file.
  answers.changes = {DemoWindow::ChangesAnswer::kSave};
  answers.files = {Path("kept.html"), Path("other.html")};
  WriteFile(Path("other.html"), "<I>other</I>");
  window.OpenHtmlAction()->trigger();
  EXPECT_TRUE(ReadFile(Path("kept.html")).contains(QStringLiteral("edit ")));
  EXPECT_EQ(window.FilePath(), Path("other.html"));
  EXPECT_EQ(Text(window.Editor()), QStringLiteral("other"));

  // Discard drops the edit.
  QTest::keyClicks(window.Editor().Editor(), "dropped");
  answers.changes = {DemoWindow::ChangesAnswer::kDiscard};
  window.NewAction()->trigger();
  EXPECT_EQ(Text(window.Editor()), QString());

  // Quit with unsaved changes, the user saves: the file has them and the window closes.
  answers.files = {Path("at-quit.html")};
  QTest::keyClicks(window.Editor().Editor(), "last words");
  answers.changes = {DemoWindow::ChangesAnswer::kSave};
  window.QuitAction()->trigger();
  EXPECT_FALSE(window.isVisible());
  EXPECT_TRUE(ReadFile(Path("at-quit.html")).contains(QStringLiteral("last words")));
  EXPECT_EQ(answers.asked, 5);
}

TEST_F(DemoWindowTest, SessionKeepsTheUnsavedDocumentAndSaysSo) {
  QSettings settings(Path("demo.ini"), QSettings::IniFormat);
  WriteFile(Path("page.html"), "<B>on disk</B>");
  {
    DemoWindow first(&settings);
    Answers answers;
    answers.Attach(first);
    ASSERT_TRUE(first.OpenFile(Path("page.html"), DemoWindow::FileKind::kHtml));
    first.Editor().Surface().SetSelStart(7);
    first.Editor().Surface().SetSelText(u" edited");
    // The window goes without the question (as when the desktop session ends).
    first.SaveState();
  }
  {
    DemoWindow second(&settings);
    Answers answers;
    answers.Attach(second);
    EXPECT_EQ(Text(second.Editor()), QStringLiteral("on disk edited"));
    EXPECT_EQ(second.FilePath(), Path("page.html"));
    EXPECT_TRUE(second.isWindowModified());
    EXPECT_EQ(second.windowTitle(), QStringLiteral("page.html[*] - Scrivlet Demo"));
    EXPECT_EQ(second.RecentFiles(), QStringList{Path("page.html")});
    // Quitting, the user discards the changes: the next start shows the file as it is.
    answers.changes = {DemoWindow::ChangesAnswer::kDiscard};
    second.close();
    EXPECT_EQ(answers.asked, 1);
  }
  WriteFile(Path("page.html"), "<B>changed on disk</B>");
  DemoWindow third(&settings);
  EXPECT_EQ(Text(third.Editor()), QStringLiteral("changed on disk"));
  EXPECT_FALSE(third.isWindowModified());
}

TEST_F(DemoWindowTest, PropertiesDocumentAndLayoutAreKeptBetweenRuns) {
  QSettings settings(Path("demo.ini"), QSettings::IniFormat);
  {
    DemoWindow first(&settings);
    Answers answers;
    answers.Attach(first);
    EXPECT_TRUE(Text(first.Editor()).startsWith(QStringLiteral("Scrivlet sample page")));
    PropertiesDialog dialog(first.Editor(), &first);
    auto* face = qobject_cast<QLineEdit*>(dialog.Field("FontName"));
    auto* about = qobject_cast<QCheckBox*>(dialog.Field("ButtonsAbout"));
    auto* size = qobject_cast<QComboBox*>(dialog.Field("FontSize"));
    auto* password = qobject_cast<QLineEdit*>(dialog.Field("FTPPassword"));
    ASSERT_NE(face, nullptr);
    ASSERT_NE(about, nullptr);
    ASSERT_NE(size, nullptr);
    ASSERT_NE(password, nullptr);
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);

    face->setText(QStringLiteral("Georgia"));
    about->setChecked(false);
    size->setCurrentIndex(size->findData(5));
    password->setText(QStringLiteral("s3cret"));
    dialog.Apply();
    EXPECT_EQ(first.Editor().FontName(), QStringLiteral("Georgia"));
    EXPECT_EQ(first.Editor().FontSize(), 5);
    // The property holds the scrambled form; the field showed and took the password itself.
    EXPECT_NE(first.Editor().FTPPassword(), QStringLiteral("s3cret"));
    EXPECT_EQ(
        qobject_cast<QLineEdit*>(PropertiesDialog(first.Editor()).Field("FTPPassword"))->text(),
        QStringLiteral("s3cret"));
    EXPECT_FALSE(first.Editor().Control().Toolbar1().Contains("About"));
    first.Editor().setTextHTML(QStringLiteral("kept <I>between</I> runs"));
    // Unsaved, kept in the session as such.
    first.SaveState();
  }
  DemoWindow second(&settings);
  WaitForStart(second.Editor());
  EXPECT_EQ(second.Editor().FontName(), QStringLiteral("Georgia"));
  EXPECT_FALSE(second.Editor().ButtonsAbout());
  EXPECT_FALSE(second.Editor().Control().Toolbar1().Contains("About"));
  EXPECT_EQ(Text(second.Editor()), QStringLiteral("kept between runs"));

  // A window without settings starts afresh.
  DemoWindow fresh;
  EXPECT_EQ(fresh.Editor().FontName(), QStringLiteral("Arial"));
}

TEST_F(DemoWindowTest, BadStoredStateIsReportedAtOnceAndLosesNothing) {
  QSettings settings(Path("demo.ini"), QSettings::IniFormat);
  settings.setValue(QStringLiteral("Editor/FontSize"), QStringLiteral("abc"));
  settings.setValue(QStringLiteral("Editor/FontName"), QStringLiteral("Georgia"));
  settings.setValue(QStringLiteral("Editor/ButtonsAbout"), false);
  // The editor's own page, which its dialect's converter rejects.
  const QString badPage =
      QStringLiteral("<!-- Korvex, Inc. Scrivlet 2.3.0.0 --><FONT SIZE=huge>x</FONT>");
  settings.setValue(QStringLiteral("Document/HTML"), badPage);
  settings.sync();
  {
    QStringList errors;
    // The reporter is there while the window starts: no box waits for an answer.
    DemoWindow window(&settings, [&errors](const QString& message) { errors << message; });
    WaitForStart(window.Editor());
    ASSERT_EQ(errors.size(), 2) << errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(errors[0].contains(QStringLiteral("abc")));
    EXPECT_TRUE(errors[1].contains(QStringLiteral("huge")));
    EXPECT_EQ(window.Editor().FontName(), QStringLiteral("Georgia"));
    EXPECT_EQ(window.Editor().FontSize(), 3);
    EXPECT_FALSE(window.Editor().ButtonsAbout());
    window.close();
  }
  settings.sync();
  EXPECT_EQ(settings.value(QStringLiteral("Editor/FontName")).toString(),
            QStringLiteral("Georgia"));
  EXPECT_EQ(settings.value(QStringLiteral("Editor/ButtonsAbout")).toBool(), false);
  EXPECT_EQ(settings.value(QStringLiteral("Document/HTML")).toString(), badPage);

  // Once the user makes a document of their own, the unread one is kept beside it.
  {
    DemoWindow window(&settings, [](const QString&) {});
    window.Editor().setTextHTML(QStringLiteral("new work"));
    window.SaveState();
  }
  settings.sync();
  EXPECT_EQ(settings.value(QStringLiteral("Document/Unread HTML")).toString(), badPage);
  EXPECT_TRUE(settings.value(QStringLiteral("Document/HTML")).toString().contains("new work"));
}

TEST_F(DemoWindowTest, RunScopedSettingsLeaveTheConfigurationFolderUntouched) {
  // The user's configuration folder, with the editor's per-user settings in it.
  const QString config = Path("config");
  ASSERT_TRUE(QDir().mkpath(config));
  testing::PointUserSettingsAt(config);
  {
    QSettings user(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Korvex"),
                   QStringLiteral("Scrivlet"));
    user.setValue(QStringLiteral("Scrivlet/FTPSetup/Proxy"), QStringLiteral("proxy.example:8080"));
  }
  const QStringList before = Listing(config);
  ASSERT_FALSE(before.isEmpty());
  {
    const RunScopedSettings scope;
    ASSERT_TRUE(scope.IsValid());
    DemoWindow window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    WaitForStart(window.Editor());
    // What writes per-user settings: the toolbar layout, the FTP panel.
    window.Editor().Platform().Bar.SaveToolbar("", Scrivlet::kToolbarLayoutSubkey,
                                               Scrivlet::kToolbarLayoutValue);
    window.Editor().Platform().Settings.SaveSetting("Scrivlet", "FTPSetup", "Proxy", "run-only");
    EXPECT_EQ(window.Editor().Platform().Settings.GetSetting("Scrivlet", "FTPSetup", "Proxy", ""),
              "run-only");
    window.close();
    EXPECT_EQ(Listing(config), before);
  }
  EXPECT_EQ(Listing(config), before);
}

TEST_F(DemoWindowTest, EditAndFormatMenusRunTheCommandsWithTheirShortcuts) {
  DemoWindow window;
  Show(window, true);
  QMenu* edit = window.menuBar()->actions().at(1)->menu();
  QMenu* format = window.menuBar()->actions().at(2)->menu();
  ASSERT_NE(edit, nullptr);
  ASSERT_NE(format, nullptr);
  // No two actions share a key.
  QStringList keys;
  for (QAction* menu : window.menuBar()->actions()) {
    for (QAction* action : menu->menu()->actions()) {
      if (!action->shortcut().isEmpty()) {
        keys << action->shortcut().toString();
      }
    }
  }
  EXPECT_EQ(keys.size(), QSet<QString>(keys.begin(), keys.end()).size())
      << keys.join(' ').toStdString();
  // Every command has a shortcut.
  for (QMenu* menu : {edit, format}) {
    for (QAction* action : menu->actions()) {
      if (!action->isSeparator() && action != window.PropertiesAction()) {
        EXPECT_FALSE(action->shortcut().isEmpty()) << action->text().toStdString();
      }
    }
  }

  window.Editor().setTextHTML(QStringLiteral("one two"));
  window.Editor().Editor()->setFocus();
  // Select All, then Bold from the menu, then Align Right by its key.
  window.MenuAction(QStringLiteral("selectAll"))->trigger();
  EXPECT_EQ(window.Editor().Surface().SelLength(), 7);
  window.MenuAction(QStringLiteral("bold"))->trigger();
  EXPECT_EQ(window.Editor().Surface().SelBold(), std::optional<bool>(true));
  QTest::keyClick(window.Editor().Editor(), Qt::Key_R, Qt::ControlModifier);
  EXPECT_EQ(window.Editor().Surface().SelAlignment(), std::optional<Alignment>(Alignment::kRight));
  // Ctrl+B stays the editing widget's: one press, one toggle.
  QTest::keyClick(window.Editor().Editor(), Qt::Key_B, Qt::ControlModifier);
  EXPECT_EQ(window.Editor().Surface().SelBold(), std::optional<bool>(false));

  // Cut and Paste through the menu.
  window.Editor().Surface().SetSelStart(0);
  window.Editor().Surface().SetSelLength(4);
  window.MenuAction(QStringLiteral("cut"))->trigger();
  EXPECT_EQ(Text(window.Editor()), QStringLiteral("two"));
  window.Editor().Surface().SetSelStart(3);
  window.MenuAction(QStringLiteral("paste"))->trigger();
  EXPECT_EQ(Text(window.Editor()), QStringLiteral("twoone "));
  window.MenuAction(QStringLiteral("undo"))->trigger();
  EXPECT_EQ(Text(window.Editor()), QStringLiteral("two"));
  window.MenuAction(QStringLiteral("redo"))->trigger();
  EXPECT_EQ(Text(window.Editor()), QStringLiteral("twoone "));

  // A command the toolbar no longer offers is disabled in the menu.
  window.Editor().setButtonsAlign(false);
  QCoreApplication::processEvents();
  EXPECT_FALSE(window.MenuAction(QStringLiteral("alignRight"))->isEnabled());
  EXPECT_TRUE(window.MenuAction(QStringLiteral("bold"))->isEnabled());
}

TEST_F(DemoWindowTest, HyperlinkDialogSelectsThePresetPrefixSoTypingReplacesIt) {
  DemoWindow window;
  Show(window, true);
  window.Editor().setTextHTML(QStringLiteral("see here"));
  window.Editor().Surface().SetSelStart(4);
  window.Editor().Surface().SetSelLength(4);
  testing::WhenModal<HyperlinkView>([](HyperlinkView* view) {
    auto* url = view->findChild<QLineEdit*>(QStringLiteral("txtURL"));
    ASSERT_NE(url, nullptr);
    ASSERT_EQ(url->text(), QStringLiteral("http://"));
    // Tab from the text field into the location.
    auto* text = view->findChild<QWidget*>(QStringLiteral("txtText"));
    ASSERT_NE(text, nullptr);
    text->setFocus(Qt::OtherFocusReason);
    for (int tabs = 0; tabs < 12 && QApplication::focusWidget() != url; ++tabs) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    ASSERT_EQ(QApplication::focusWidget(), url);
    EXPECT_EQ(url->selectedText(), QStringLiteral("http://"));
    QTest::keyClicks(url, "https://www.example.org/");
    EXPECT_EQ(url->text(), QStringLiteral("https://www.example.org/"));
    view->findChild<QPushButton*>(QStringLiteral("cmdOk"))->click();
  });
  window.MenuAction(QStringLiteral("insertHyperlink"))->trigger();
  EXPECT_TRUE(
      window.Editor().TextHTML().contains(QStringLiteral("HREF='https://www.example.org/'")))
      << window.Editor().TextHTML().toStdString();
}

TEST_F(DemoWindowTest, ColourDialogOpensOnTheSelectionsColourAndTheButtonShowsTheLast) {
  DemoWindow window;
  Show(window);
  window.Editor().setTextHTML(QStringLiteral("<FONT COLOR=#336699>blue</FONT> text"));
  window.Editor().Surface().SetSelStart(0);
  window.Editor().Surface().SetSelLength(4);
  QWidget* button = window.Editor().Platform().Bar.ButtonWidget("FontColor");
  ASSERT_NE(button, nullptr);
  const auto barColour = [button] {
    const QImage image = button->grab().toImage();
    // The colour bar runs along the foot of the picture, in the button's middle.
    return image.pixelColor(image.width() / 2, image.height() / 2 + 6 * image.height() / 22);
  };
  testing::WhenModal<QColorDialog>([](QColorDialog* dialog) {
    EXPECT_EQ(dialog->currentColor(), QColor(0x33, 0x66, 0x99));
    dialog->setCurrentColor(QColor(0x00, 0x99, 0x33));
    dialog->accept();
  });
  window.MenuAction(QStringLiteral("fontColor"))->trigger();
  EXPECT_TRUE(window.Editor().TextHTML().contains(QStringLiteral("COLOR=#009933")));
  const QColor shown = barColour();
  EXPECT_LT(std::abs(shown.green() - 0x99) + std::abs(shown.red()) + std::abs(shown.blue() - 0x33),
            60)
      << shown.name().toStdString();
}

// The picture dialogs themselves are held to their forms in qt_form_host_test; the demo decides
// where local pictures go: the images folder beside the open document.
TEST_F(DemoWindowTest, LocalPicturesGoBesideTheDocument) {
  ASSERT_TRUE(QDir().mkpath(Path("site/images")));
  WriteFile(Path("site/page.html"), "<B>page</B> ");
  DemoWindow window;
  ASSERT_TRUE(window.OpenFile(Path("site/page.html"), DemoWindow::FileKind::kHtml));
  EXPECT_EQ(QDir::cleanPath(window.Editor().ImagesPath()), Path("site/images"));
}

TEST_F(DemoWindowTest, ScreenshotShowsTheToolbarAndTheSampleText) {
  DemoWindow window;
  window.SetChangesQuestion([] { return DemoWindow::ChangesAnswer::kDiscard; });
  window.resize(800, 600);
  const QImage shot = window.Screenshot();
  ASSERT_FALSE(shot.isNull());
  EXPECT_EQ(shot.size() / shot.devicePixelRatio(), window.size());

  // The toolbar's buttons are drawn at the top of the editor.
  QToolBar* bar = window.Editor().ToolBar();
  const QRect barArea(bar->mapTo(&window, QPoint(0, 0)), bar->size());
  ASSERT_TRUE(QRect(QPoint(0, 0), window.size()).contains(barArea));
  EXPECT_GT(MarkedPixels(shot, barArea), 200);

  // The sample text is drawn in the editor; an empty page leaves it blank.
  QTextEdit* editor = window.Editor().Editor();
  const QRect textArea(editor->viewport()->mapTo(&window, QPoint(0, 0)),
                       editor->viewport()->size());
  const int withText = MarkedPixels(shot, textArea);
  EXPECT_GT(withText, 2000);
  window.Editor().setTextRTF(QString());
  const QImage blank = window.Screenshot();
  EXPECT_LT(MarkedPixels(blank, textArea), 50);
  // The HTML pane shows the page's source.
  const QRect sourceArea(window.Source().viewport()->mapTo(&window, QPoint(0, 0)),
                         window.Source().viewport()->size());
  EXPECT_GT(MarkedPixels(shot, sourceArea), 1000);
}

}  // namespace
}  // namespace scrivlet

#endif  // SCRIVLET_HAS_DEMO_WINDOW
