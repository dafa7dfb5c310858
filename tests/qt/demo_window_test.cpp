// The demo host's window: the sample page, the HTML pane following the edits, the File menu,
// state kept between runs, and its screenshot.

#include <gtest/gtest.h>

#ifdef SCRIVLET_HAS_DEMO_WINDOW

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QToolBar>
#include <cstdlib>
#include <map>

#include "control/scrivlet.h"
#include "demo_window.h"
#include "qt/qt_platform.h"
#include "qt/scrivlet_widget.h"
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

  QString Path(const char* name) const { return sandbox_.FilePath(QString::fromLatin1(name)); }

  testing::SettingsSandbox sandbox_;
};

TEST_F(DemoWindowTest, FirstStartShowsTheSamplePageAndItsHtml) {
  DemoWindow window;
  const QString sample = DemoWindow::SampleHtml();
  ASSERT_TRUE(sample.contains(QStringLiteral("Scrivlet sample page")));
  EXPECT_TRUE(Text(window.Editor()).startsWith(QStringLiteral("Scrivlet sample page")));
  EXPECT_EQ(window.Source().toPlainText(), window.Editor().TextHTML());
  EXPECT_TRUE(window.Source().isReadOnly());
  EXPECT_FALSE(window.isWindowModified());
}

TEST_F(DemoWindowTest, HtmlPaneFollowsTheEditsOnceTheyPause) {
  DemoWindow window;
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  window.Editor().setTextHTML(QStringLiteral("start"));
  window.RefreshSource();
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
  EXPECT_TRUE(window.Source().toPlainText().contains(QStringLiteral("start typed")))
      << window.Source().toPlainText().toStdString();
}

TEST_F(DemoWindowTest, FileMenuSavesAndOpensHtmlAndRtf) {
  DemoWindow window;
  std::vector<QString> answers;
  window.SetFileChooser([&answers](DemoWindow::FileAction, DemoWindow::FileKind, const QString&) {
    const QString answer = answers.front();
    answers.erase(answers.begin());
    return answer;
  });
  QStringList errors;
  window.SetErrorReporter([&errors](const QString& message) { errors << message; });
  window.SetDiscardQuestion([] { return true; });

  // The menu holds the commands, in order.
  QMenu* file = window.menuBar()->actions().front()->menu();
  ASSERT_NE(file, nullptr);
  QStringList titles;
  for (QAction* action : file->actions()) {
    if (!action->isSeparator()) {
      titles << action->text();
    }
  }
  EXPECT_EQ(titles, (QStringList{"&New", "&Open HTML...", "Open &RTF...", "&Save HTML...",
                                 "Save R&TF...", "&Quit"}));

  window.Editor().setTextHTML(QStringLiteral("<B>saved</B> page"));
  const QString html = window.Editor().TextHTML();
  const QString rtf = window.Editor().TextRTF();
  answers = {Path("page.html")};
  window.SaveHtmlAction()->trigger();
  EXPECT_EQ(ReadFile(Path("page.html")), html);
  EXPECT_EQ(window.FilePath(), Path("page.html"));
  EXPECT_TRUE(window.windowTitle().contains(QStringLiteral("page.html")));
  answers = {Path("page.rtf")};
  window.SaveRtfAction()->trigger();
  EXPECT_EQ(ReadFile(Path("page.rtf")), rtf);

  window.NewAction()->trigger();
  EXPECT_EQ(Text(window.Editor()), QString());
  EXPECT_TRUE(window.FilePath().isEmpty());

  answers = {Path("page.html")};
  window.OpenHtmlAction()->trigger();
  EXPECT_EQ(window.Editor().TextHTML(), html);
  EXPECT_EQ(window.Source().toPlainText(), html);
  window.NewAction()->trigger();
  answers = {Path("page.rtf")};
  window.OpenRtfAction()->trigger();
  EXPECT_EQ(window.Editor().TextRTF(), rtf);

  // A cancelled file dialog does nothing; a missing file is reported.
  answers = {QString()};
  window.OpenHtmlAction()->trigger();
  EXPECT_EQ(window.Editor().TextRTF(), rtf);
  answers = {Path("missing.html")};
  window.OpenHtmlAction()->trigger();
  EXPECT_EQ(errors.size(), 1);
  EXPECT_EQ(window.Editor().TextRTF(), rtf);
  EXPECT_TRUE(answers.empty());
}

TEST_F(DemoWindowTest, FileMenuOpensFromTheMenuBarAndItsItemsAreClicked) {
  DemoWindow window;
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  window.SetDiscardQuestion([] { return true; });
  ASSERT_FALSE(Text(window.Editor()).isEmpty());

  QMenuBar* bar = window.menuBar();
  QAction* fileEntry = bar->actions().front();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(fileEntry).center());
  QMenu* file = fileEntry->menu();
  ASSERT_TRUE(file->isVisible());
  QTest::mouseClick(file, Qt::LeftButton, {}, file->actionGeometry(window.NewAction()).center());
  EXPECT_FALSE(file->isVisible());
  EXPECT_EQ(Text(window.Editor()), QString());
  EXPECT_EQ(window.Source().toPlainText(), window.Editor().TextHTML());

  // Quit closes the window.
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(fileEntry).center());
  ASSERT_TRUE(file->isVisible());
  QTest::mouseClick(file, Qt::LeftButton, {}, file->actionGeometry(window.QuitAction()).center());
  EXPECT_FALSE(window.isVisible());
}

TEST_F(DemoWindowTest, ChangedDocumentIsReplacedOnlyWhenTheUserAgrees) {
  DemoWindow window;
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  QTest::keyClicks(window.Editor().Editor(), "edit");
  ASSERT_TRUE(window.isWindowModified());
  int asked = 0;
  window.SetDiscardQuestion([&asked] {
    ++asked;
    return false;
  });
  window.NewAction()->trigger();
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(Text(window.Editor()).contains(QStringLiteral("edit")));
}

TEST_F(DemoWindowTest, PropertiesDocumentAndLayoutAreKeptBetweenRuns) {
  QSettings settings(Path("demo.ini"), QSettings::IniFormat);
  {
    DemoWindow first(&settings);
    EXPECT_TRUE(Text(first.Editor()).startsWith(QStringLiteral("Scrivlet sample page")));
    PropertiesDialog dialog(first.Editor(), &first);
    auto* face = qobject_cast<QLineEdit*>(dialog.Field("FontName"));
    auto* about = qobject_cast<QCheckBox*>(dialog.Field("ButtonsAbout"));
    ASSERT_NE(face, nullptr);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(dialog.Field("TextHTML"), nullptr);
    face->setText(QStringLiteral("Georgia"));
    about->setChecked(false);
    dialog.Apply();
    EXPECT_EQ(first.Editor().FontName(), QStringLiteral("Georgia"));
    EXPECT_FALSE(first.Editor().Control().Toolbar1().Contains("About"));
    first.Editor().setTextHTML(QStringLiteral("kept <I>between</I> runs"));
    first.close();
  }
  DemoWindow second(&settings);
  for (int turns = 0; second.Editor().StartPending() && turns < 2000; ++turns) {
    QTest::qWait(5);
  }
  ASSERT_FALSE(second.Editor().StartPending());
  EXPECT_EQ(second.Editor().FontName(), QStringLiteral("Georgia"));
  EXPECT_FALSE(second.Editor().ButtonsAbout());
  EXPECT_FALSE(second.Editor().Control().Toolbar1().Contains("About"));
  EXPECT_EQ(Text(second.Editor()), QStringLiteral("kept between runs"));

  // A window without settings starts afresh.
  DemoWindow fresh;
  EXPECT_EQ(fresh.Editor().FontName(), QStringLiteral("Arial"));
}

TEST_F(DemoWindowTest, ScreenshotShowsTheToolbarAndTheSampleText) {
  DemoWindow window;
  window.resize(800, 600);
  const QImage shot = window.Screenshot();
  ASSERT_FALSE(shot.isNull());
  EXPECT_EQ(shot.size() / shot.devicePixelRatio(), window.size());

  // The toolbar's buttons are drawn at the top of the editor.
  QToolBar* bar = window.Editor().ToolBar();
  const QRect barArea(bar->mapTo(&window, QPoint(0, 0)), bar->size());
  ASSERT_TRUE(QRect(QPoint(0, 0), window.size()).contains(barArea));
  EXPECT_GT(MarkedPixels(shot, barArea), 200);
  int drawnButtons = 0;
  for (const char* key : {"Cut", "Bold", "Italic", "Underline", "Center", "Hyperlink", "About"}) {
    QWidget* button = window.Editor().Platform().Bar.ButtonWidget(key);
    ASSERT_NE(button, nullptr) << key;
    const QRect area(button->mapTo(&window, QPoint(0, 0)), button->size());
    if (MarkedPixels(shot, area) > 10) {
      ++drawnButtons;
    }
  }
  EXPECT_EQ(drawnButtons, 7);

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
