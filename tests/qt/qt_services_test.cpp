// The Qt platform services: each against the interface's semantics, as the headless
// implementations show them, and against the Qt facility underneath.

#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QColorDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <fstream>

#include "control/commands.h"
#include "hosts/headless/header_picture_reader.h"
#include "hosts/headless/headless_screen.h"
#include "platform/popup_menu_contract.h"
#include "qt/qt_clipboard.h"
#include "qt/qt_color_dialog.h"
#include "qt/qt_event_loop.h"
#include "qt/qt_file_dialog.h"
#include "qt/qt_icons.h"
#include "qt/qt_message_box.h"
#include "qt/qt_picture_reader.h"
#include "qt/qt_popup_menu.h"
#include "qt/qt_property_bag.h"
#include "qt/qt_screen.h"
#include "qt/qt_settings_store.h"
#include "qt/qt_text.h"
#include "qt_services_test_support.h"

namespace scrivlet {
namespace {

using testing::WhenModal;
using testing::WhenPopup;

// ----- Screen -----

TEST(QtScreenTest, HourglassIsOneOverrideCursorTakenBackOnlyByItsOwner) {
  ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
  {
    QtScreen screen;
    screen.SetPointer(MousePointer::kHourglass);
    screen.SetPointer(MousePointer::kHourglass);  // no second override
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    EXPECT_EQ(screen.Pointer(), MousePointer::kHourglass);
    screen.SetPointer(MousePointer::kDefault);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    screen.SetPointer(MousePointer::kDefault);  // nothing of ours left to take back

    QGuiApplication::setOverrideCursor(QCursor(Qt::CrossCursor));
    screen.SetPointer(MousePointer::kDefault);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::CrossCursor);
    QGuiApplication::restoreOverrideCursor();

    screen.SetPointer(MousePointer::kHourglass);
  }
  // Destroyed while busy: the pointer is back.
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// ----- Event loop -----

// Runs pending events until `done` holds, a bounded number of times.
template <typename Predicate>
bool RunUntil(QtEventLoop& loop, Predicate done) {
  for (int i = 0; i < 2000 && !done(); ++i) {
    loop.ProcessPendingEvents();
  }
  return done();
}

TEST(QtEventLoopTest, DeferredCallRunsOnceFromTheLoopUnlessDroppedOrCancelled) {
  QtEventLoop loop;
  int runs = 0;
  ScheduledCall call = loop.Defer(std::chrono::milliseconds(0), [&runs] { ++runs; });
  EXPECT_EQ(runs, 0);
  EXPECT_TRUE(call.Pending());
  {
    ScheduledCall dropped = loop.Defer(std::chrono::milliseconds(0), [&runs] { runs += 10; });
  }
  ScheduledCall cancelled = loop.Defer(std::chrono::milliseconds(0), [&runs] { runs += 10; });
  cancelled.Cancel();
  EXPECT_FALSE(cancelled.Pending());
  bool marker = false;
  ScheduledCall later = loop.Defer(std::chrono::milliseconds(1), [&marker] { marker = true; });
  ASSERT_TRUE(RunUntil(loop, [&] { return runs == 1 && marker; }));
  EXPECT_FALSE(call.Pending());
  for (int i = 0; i < 5; ++i) {
    loop.ProcessPendingEvents();
  }
  EXPECT_EQ(runs, 1);
}

TEST(QtEventLoopTest, CallMayDropItsOwnHandleAndDeferAgain) {
  QtEventLoop loop;
  ScheduledCall call;
  int runs = 0;
  call = loop.Defer(std::chrono::milliseconds(0), [&] {
    ++runs;
    call.Cancel();  // as the one-shot pass does
    if (runs == 1) {
      call = loop.Defer(std::chrono::milliseconds(0), [&runs] { ++runs; });
    }
  });
  ASSERT_TRUE(RunUntil(loop, [&runs] { return runs == 2; }));
  EXPECT_FALSE(call.Pending());
}

TEST(QtEventLoopTest, LongIntervalIsNotCutShortByProcessingEvents) {
  QtEventLoop loop;
  bool ran = false;
  ScheduledCall call = loop.Defer(std::chrono::hours(1), [&ran] { ran = true; });
  for (int i = 0; i < 20; ++i) {
    loop.ProcessPendingEvents();
  }
  EXPECT_FALSE(ran);
  EXPECT_TRUE(call.Pending());
}

TEST(QtEventLoopTest, ProcessPendingEventsRunsQueuedEventsAndTheClockMovesOn) {
  QtEventLoop loop;
  loop.SetIdleWait(std::chrono::milliseconds(0));
  bool delivered = false;
  QObject context;
  QMetaObject::invokeMethod(
      &context, [&delivered] { delivered = true; }, Qt::QueuedConnection);
  EXPECT_FALSE(delivered);
  loop.ProcessPendingEvents();
  EXPECT_TRUE(delivered);

  const std::chrono::milliseconds start = loop.Now();
  EXPECT_GE(start.count(), 0);
  loop.SetIdleWait(std::chrono::milliseconds(5));
  ASSERT_TRUE(RunUntil(loop, [&] { return loop.Now() > start; }));
}

// ----- Clipboard -----

class QtClipboardTest : public ::testing::Test {
 protected:
  void SetUp() override { QGuiApplication::clipboard()->clear(); }
  void TearDown() override { QGuiApplication::clipboard()->clear(); }

  QtClipboard clipboard_;
};

TEST_F(QtClipboardTest, RichTextGoesUnderBothRtfTypesAndEachFormatKeepsTheOtherUntilClear) {
  const std::string rtf = "{\\rtf1\\ansi caf\\u233? {\\b bold}}";
  clipboard_.SetText(rtf, ClipboardFormat::kRichText);
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->data("text/rtf").toStdString(), rtf);
  EXPECT_EQ(data->data("application/rtf").toStdString(), rtf);
  EXPECT_FALSE(clipboard_.HasFormat(ClipboardFormat::kText));
  EXPECT_EQ(clipboard_.GetText(ClipboardFormat::kText), "");

  clipboard_.SetText("{\\rtf1 x}", ClipboardFormat::kRichText);
  clipboard_.SetText("plain \xC3\xA9", ClipboardFormat::kText);
  EXPECT_EQ(clipboard_.GetText(ClipboardFormat::kRichText), "{\\rtf1 x}");
  EXPECT_EQ(clipboard_.GetText(ClipboardFormat::kText), "plain \xC3\xA9");
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("plain \u00E9"));

  clipboard_.SetText("{\\rtf1 y}", ClipboardFormat::kRichText);
  EXPECT_EQ(clipboard_.GetText(ClipboardFormat::kText), "plain \xC3\xA9");
  EXPECT_EQ(clipboard_.GetText(ClipboardFormat::kRichText), "{\\rtf1 y}");

  clipboard_.Clear();
  EXPECT_FALSE(clipboard_.HasFormat(ClipboardFormat::kText));
  EXPECT_FALSE(clipboard_.HasFormat(ClipboardFormat::kRichText));
}

TEST_F(QtClipboardTest, ReadsWhatOtherProgramsPut) {
  auto* data = new QMimeData;
  data->setData("application/rtf", "{\\rtf1 from elsewhere}");
  data->setText(QStringLiteral("from elsewhere"));
  QGuiApplication::clipboard()->setMimeData(data);
  EXPECT_TRUE(clipboard_.HasFormat(ClipboardFormat::kRichText));
  EXPECT_EQ(clipboard_.GetText(ClipboardFormat::kRichText), "{\\rtf1 from elsewhere}");
  EXPECT_EQ(clipboard_.GetText(ClipboardFormat::kText), "from elsewhere");
}

// ----- Settings and property bags -----

class QtSettingsTest : public ::testing::Test {
 protected:
  QString Path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

  QTemporaryDir dir_;
};

TEST_F(QtSettingsTest, ValuesSurviveANewStoreOnTheSameFile) {
  const std::vector<std::tuple<std::string, std::string, std::string, std::string>> values = {
      {"Scrivlet", "FTPSetup", "Proxy", "proxy.example:8080"},
      {"Software\\Korvex\\Scrivlet", "ToolbarLayout", "Toolbar", "1|#1|Cut|!Copy"},
      {"a/b", "100%", "", "commas, semicolons; and = signs"},
      {"", "General", "Key", "line one\nline two\r\n\"quoted\""},
      {"Caf\xC3\xA9", "\xE2\x82\xAC", "key", "  leading and trailing  "},
      {"app", "section", "at", "@Invalid()"},
      {"app", "section", "empty", ""},
  };
  {
    const auto store = QtSettingsStore::FromFile(Path("round.ini"));
    for (const auto& [application, section, key, value] : values) {
      store->SaveSetting(application, section, key, value);
    }
  }
  const auto store = QtSettingsStore::FromFile(Path("round.ini"));
  for (const auto& [application, section, key, value] : values) {
    EXPECT_EQ(store->GetSetting(application, section, key, "default"), value)
        << application << "/" << section << "/" << key;
  }
  // Names compare exactly, and a missing value reads as the default.
  EXPECT_EQ(store->GetSetting("scrivlet", "FTPSetup", "Proxy", "none"), "none");
  EXPECT_EQ(store->GetSetting("a", "b/100%", "", "none"), "none");
  EXPECT_EQ(store->GetSetting("Scrivlet", "FTPSetup", "Missing", "none"), "none");
}

TEST_F(QtSettingsTest, SettingsFilesAreReadableByTheUserOnly) {
  constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
  // A new file in a new folder, and one that another program left readable by all.
  const auto fresh = QtSettingsStore::FromFile(Path("new-folder/fresh.ini"));
  fresh->SaveSetting("Scrivlet", "FTPSetup", "Proxy", "proxy.example:8080");
  {
    QFile open(Path("open.ini"));
    ASSERT_TRUE(open.open(QIODevice::WriteOnly));
    open.write("[General]\nKey=1\n");
  }
  ASSERT_TRUE(QFile::setPermissions(Path("open.ini"),
                                    kOwnerOnly | QFileDevice::ReadGroup | QFileDevice::ReadOther));
  const auto earlier = QtSettingsStore::FromFile(Path("open.ini"));
  earlier->SaveSetting("Scrivlet", "FTPSetup", "Passive", "1");
  for (const char* name : {"new-folder/fresh.ini", "open.ini"}) {
    EXPECT_EQ(QFile::permissions(Path(name)) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
              kOwnerOnly)
        << name;
  }
  EXPECT_EQ(earlier->GetSetting("", "General", "Key", ""), "");  // escaped apart from the rest
  EXPECT_EQ(QtSettingsStore::FromFile(Path("open.ini"))
                ->GetSetting("Scrivlet", "FTPSetup", "Passive", ""),
            "1");
}

TEST_F(QtSettingsTest, SaveReplacesAndAFileThatCannotBeWrittenThrowsKeepingTheOldValue) {
  const auto store = QtSettingsStore::FromFile(Path("replace.ini"));
  store->SaveSetting("app", "s", "k", "one");
  store->SaveSetting("app", "s", "k", "two");
  EXPECT_EQ(store->GetSetting("app", "s", "k", ""), "two");

  // A file whose folder is a file cannot be made, whoever runs the test.
  QFile blocker(Path("not-a-folder"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  const auto broken = QtSettingsStore::FromFile(Path("not-a-folder/settings.ini"));
  try {
    broken->SaveSetting("app", "s", "k", "value");
    ADD_FAILURE() << "expected SettingsError";
  } catch (const SettingsError& error) {
    EXPECT_NE(std::string(error.what()).find("not-a-folder"), std::string::npos) << error.what();
  }
  EXPECT_EQ(broken->GetSetting("app", "s", "k", "old"), "old");

  // Once the folder can be made, saving works again: one failure does not stick.
  ASSERT_TRUE(QFile::remove(Path("not-a-folder")));
  ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("not-a-folder")));
  broken->SaveSetting("app", "s", "k", "value");
  EXPECT_EQ(broken->GetSetting("app", "s", "k", "old"), "value");
  EXPECT_TRUE(QFile::exists(Path("not-a-folder/settings.ini")));
}

TEST_F(QtSettingsTest, PropertyBagsDropDefaultsAndConvertLikeAContainer) {
  QVariantMap map;
  QSettings settings(Path("bag.ini"), QSettings::IniFormat);
  QVariantMapPropertyBag map_bag(map);
  QSettingsPropertyBag settings_bag(settings, QStringLiteral("Scrivlet1"));
  for (QtPropertyBag* bag : std::initializer_list<QtPropertyBag*>{&map_bag, &settings_bag}) {
    SCOPED_TRACE(bag == &map_bag ? "map" : "settings");
    bag->WriteString("FontName", "Verdana", "Arial");
    bag->WriteInt16("FontSize", 5, 3);
    bag->WriteInt32("ForeColor", 0x00FF00, 0);
    bag->WriteBoolean("ButtonsAbout", false, true);
    bag->WriteString("WDDX", "", "");
    EXPECT_EQ(bag->ReadString("FontName", "Arial"), "Verdana");
    EXPECT_EQ(bag->ReadInt16("FontSize", 3), 5);
    EXPECT_EQ(bag->ReadInt32("ForeColor", 0), 0x00FF00);
    EXPECT_FALSE(bag->ReadBoolean("ButtonsAbout", true));
    EXPECT_EQ(bag->ReadString("WDDX", "default"), "default");
    // Conversions between the stored and the asked type.
    EXPECT_EQ(bag->ReadString("FontSize", ""), "5");
    EXPECT_EQ(bag->ReadString("ButtonsAbout", ""), "False");
    EXPECT_EQ(bag->ReadInt16("ButtonsAbout", 7), 0);
    EXPECT_TRUE(bag->ReadBoolean("FontSize", false));
    EXPECT_THROW(bag->ReadInt16("FontName", 0), PropertyBagError);
    EXPECT_THROW(bag->ReadBoolean("FontName", false), PropertyBagError);
    bag->WriteInt32("Big", 70000, 0);
    EXPECT_EQ(bag->ReadInt32("Big", 0), 70000);
    EXPECT_THROW(bag->ReadInt16("Big", 0), PropertyBagError);
    // Writing the default takes an older value away.
    bag->WriteString("FontName", "Arial", "Arial");
    EXPECT_EQ(bag->ReadString("FontName", "unset"), "unset");
  }
  EXPECT_FALSE(map.contains(QStringLiteral("FontName")));
  EXPECT_EQ(map.value(QStringLiteral("FontSize")).toInt(), 5);
  EXPECT_EQ(map.value(QStringLiteral("ButtonsAbout")).typeId(), QMetaType::Bool);

  map.insert(QStringLiteral("Text"), QStringLiteral("TRUE"));
  map.insert(QStringLiteral("Spaced"), QStringLiteral(" 5"));
  map.insert(QStringLiteral("Plus"), QStringLiteral("+5"));
  EXPECT_TRUE(map_bag.ReadBoolean("Text", false));
  EXPECT_EQ(map_bag.ReadInt16("Text", 0), -1);
  EXPECT_THROW(map_bag.ReadInt16("Spaced", 0), PropertyBagError);
  EXPECT_THROW(map_bag.ReadInt16("Plus", 0), PropertyBagError);

  // What a settings bag keeps survives a new QSettings on the same file.
  settings.sync();
  QSettings reopened(Path("bag.ini"), QSettings::IniFormat);
  const QSettingsPropertyBag again(reopened, QStringLiteral("Scrivlet1"));
  EXPECT_EQ(again.ReadInt16("FontSize", 3), 5);
  EXPECT_FALSE(again.ReadBoolean("ButtonsAbout", true));
}

// ----- Message box -----

TEST(QtMessageBoxTest, TextIsPlainAndClosingWithoutChoosingAnswersOkOrNo) {
  QtMessageBox messages;
  WhenModal<QMessageBox>([](QMessageBox* box) {
    // A file name is shown as it is, never read as markup; Windows line ends become Qt's.
    EXPECT_EQ(box->text(), QStringLiteral("Replace existing file?\n\nFile: a<b>.gif"));
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    box->button(QMessageBox::Yes)->click();
  });
  EXPECT_EQ(messages.Show("Replace existing file?\r\n\r\nFile: a<b>.gif",
                          {MessageBoxButtons::kYesNo, MessageBoxIcon::kQuestion}, "File Exists"),
            MessageBoxAnswer::kYes);

  WhenModal<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
  EXPECT_EQ(messages.Show("Sure?", {MessageBoxButtons::kYesNo, MessageBoxIcon::kQuestion}, "t"),
            MessageBoxAnswer::kNo);
  WhenModal<QMessageBox>([](QMessageBox* box) { box->close(); });
  EXPECT_EQ(messages.Show("Failed", {MessageBoxButtons::kOkOnly, MessageBoxIcon::kCritical}, ""),
            MessageBoxAnswer::kOk);
}

// ----- Colour and file dialogs -----

TEST(QtColorDialogTest, CustomColoursGoInAndComeBackWithTheChoice) {
  QtColorDialog colors;
  CustomColorSet custom{};
  for (std::size_t i = 0; i < custom.size(); ++i) {
    custom[i] = static_cast<std::int32_t>(0x010203 * (i + 1));
  }
  custom[0] = 0x0000FF;  // red in platform order
  WhenModal<QColorDialog>([](QColorDialog* dialog) {
    EXPECT_EQ(QColorDialog::customColor(0), QColor(255, 0, 0));
    EXPECT_EQ(QColorDialog::customColor(1), QColor(0x06, 0x04, 0x02));
    QColorDialog::setCustomColor(15, QColor(0x12, 0x34, 0x56));
    dialog->setCurrentColor(QColor(0x10, 0x20, 0x30));
    dialog->accept();
  });
  const std::optional<ColorChoice> choice = colors.ChooseColor(custom, std::nullopt);
  ASSERT_TRUE(choice.has_value());
  EXPECT_EQ(choice->Color, 0x302010);
  EXPECT_EQ(choice->Custom[0], 0x0000FF);
  EXPECT_EQ(choice->Custom[1], custom[1]);
  EXPECT_EQ(choice->Custom[15], 0x563412);

  WhenModal<QColorDialog>([](QColorDialog* dialog) {
    QColorDialog::setCustomColor(0, Qt::green);
    dialog->reject();
  });
  EXPECT_FALSE(colors.ChooseColor(custom, std::nullopt).has_value());
  EXPECT_EQ(QColorDialog::customColor(0), QColor(255, 0, 0));
}

TEST(QtFileDialogTest, FiltersKeepTheirDescriptionAndMatchAnyLetterCase) {
  EXPECT_EQ(QtFileDialog::NameFilter({"GIF and JPEG (*.gif, *.jpg)", "*.GIF;*.JPG"}),
            QStringLiteral("GIF and JPEG (*.gif, *.jpg) (*.[gG][iI][fF] *.[jJ][pP][gG])"));
  EXPECT_EQ(QtFileDialog::NameFilter({"All files (*.*)", "*.*"}),
            QStringLiteral("All files (*.*) (*.*)"));
  EXPECT_EQ(QtFileDialog::NameFilter({"Anything", ""}), QStringLiteral("Anything (*)"));
}

TEST(QtFileDialogTest, AsksWithTheRequestAndReturnsTheChosenFile) {
  QTemporaryDir dir;
  const QString picture = dir.filePath(QStringLiteral("Photo.JPG"));
  QFile file(picture);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();

  QtFileDialog files(nullptr, false);
  OpenFileRequest request;
  request.Title = "Picture";
  request.Filters = {{"GIF and JPEG (*.gif, *.jpg)", "*.GIF;*.JPG"}, {"All files (*.*)", "*.*"}};
  request.FilterIndex = 2;
  request.InitialDirectory = ToStdString(dir.path());
  WhenModal<QFileDialog>([&](QFileDialog* dialog) {
    // With its details hidden the dialog shows, and names, the description alone.
    EXPECT_EQ(dialog->selectedNameFilter(), QStringLiteral("All files (*.*)"));
    EXPECT_EQ(QDir(dialog->directory()).canonicalPath(), QDir(dir.path()).canonicalPath());
    // As a user types the name and presses Enter.
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);
    name->setText(picture);
    QTest::keyClick(name, Qt::Key_Return);
  });
  const std::optional<std::string> chosen = files.GetOpenFileName(request);
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(QFileInfo(ToQString(*chosen)).canonicalFilePath(),
            QFileInfo(picture).canonicalFilePath());

  WhenModal<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
  EXPECT_FALSE(files.GetOpenFileName(request).has_value());
}

// ----- Pictures -----

class QtPictureReaderTest : public ::testing::Test {
 protected:
  std::filesystem::path Write(const char* name, const QByteArray& bytes) {
    const QString path = dir_.filePath(QString::fromLatin1(name));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return std::filesystem::path(path.toStdString());
  }

  std::filesystem::path WriteImage(const char* name, const char* format, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format));
    return Write(name, bytes);
  }

  QTemporaryDir dir_;
  QtPictureReader reader_;
  HeaderPictureReader headers_;
};

// A 3 x 2 GIF: Qt reads GIF but cannot write it.
const QByteArray kGif3x2 = QByteArray::fromHex(
    "474946383961"  // GIF89a
    "03000200"
    "800000"  // 3 x 2, a table of two colours
    "000000"
    "ffffff"                // black, white
    "2c000000000300020000"  // the image: at 0, 0, 3 x 2
    "0205"
    "0441100451"
    "00"  // LZW: six pixels of colour 0, each after a clear code
    "3b");

TEST_F(QtPictureReaderTest, MeasuresGifJpegPngAndWebpByContentAsTheHeaderReaderDoes) {
  const std::vector<std::tuple<std::filesystem::path, PictureFormat, int, int>> cases = {
      {WriteImage("wide.png", "PNG", {40, 25}), PictureFormat::kPng, 40, 25},
      {WriteImage("tall.jpg", "JPEG", {17, 90}), PictureFormat::kJpeg, 17, 90},
      {Write("small.gif", kGif3x2), PictureFormat::kGif, 3, 2},
      {WriteImage("photo.webp", "WEBP", {31, 12}), PictureFormat::kWebp, 31, 12},
      // The content decides, not the name.
      {WriteImage("really-a-png.gif", "PNG", {8, 9}), PictureFormat::kPng, 8, 9},
  };
  for (const auto& [path, format, width, height] : cases) {
    SCOPED_TRACE(path.string());
    const std::optional<PictureInfo> info = reader_.ReadPicture(path);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->Format, format);
    EXPECT_EQ(info->Width, width);
    EXPECT_EQ(info->Height, height);
    const std::optional<PictureInfo> header = headers_.ReadPicture(path);
    ASSERT_TRUE(header.has_value());
    EXPECT_EQ(header->Width, info->Width);
    EXPECT_EQ(header->Height, info->Height);
  }
}

TEST_F(QtPictureReaderTest, AnythingElseIsUnreadableWithoutThrowing) {
  EXPECT_FALSE(reader_.ReadPicture(dir_.filePath("missing.gif").toStdString()).has_value());
  EXPECT_FALSE(reader_.ReadPicture(Write("text.jpg", "not a picture at all")).has_value());
  EXPECT_FALSE(reader_.ReadPicture(Write("empty.png", QByteArray())).has_value());
  EXPECT_FALSE(reader_.ReadPicture(WriteImage("picture.bmp", "BMP", {4, 4})).has_value());
  EXPECT_FALSE(reader_.ReadPicture(Write("cut.gif", kGif3x2.left(7))).has_value());
  EXPECT_FALSE(reader_.ReadPicture(std::filesystem::path(dir_.path().toStdString())).has_value());
}

// ----- Popup menu -----

struct QtPopupMenuFixture {
  QtPopupMenuFixture() {
    owner.setGeometry(100, 50, 300, 200);
    owner.show();
  }
  PopupMenu& Menu() { return menu; }
  void ChooseOnNextShow(std::int32_t index) {
    WhenPopup([this, index](QMenu* shown) {
      EXPECT_EQ(shown, &menu.Menu());
      menu.ItemAction(index).trigger();
    });
  }
  void DismissOnNextShow() {
    WhenPopup([](QMenu* shown) { QTest::keyClick(shown, Qt::Key_Escape); });
  }

  HeadlessScreen screen;  // 15 twips per pixel
  QWidget owner;
  QtPopupMenu menu{"Font Size", {"Normal", "1 (8 pt)", "2 (10 pt)"}, screen, &owner};
};

}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Qt, PopupMenuContract, QtPopupMenuFixture);

namespace {

class QtPopupMenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fixture_.menu.SetClickHandler([this](std::int32_t index) { clicks_.push_back(index); });
  }

  QtPopupMenuFixture fixture_;
  QtPopupMenu& menu_ = fixture_.menu;
  std::vector<std::int32_t> clicks_;
};

TEST_F(QtPopupMenuTest, ItemsShowInIndexOrderWithTheirMarksAtTheCaretPosition) {
  menu_.Load(10);
  menu_.SetItemCaption(10, "Verdana");
  menu_.Load(5);
  menu_.SetItemCaption(5, "Arial");
  menu_.SetItemChecked(2, true);
  QStringList texts;
  for (const QAction* action : menu_.Menu().actions()) {
    texts << action->text();
  }
  EXPECT_EQ(texts, (QStringList{"Normal", "1 (8 pt)", "2 (10 pt)", "Arial", "Verdana"}));
  EXPECT_TRUE(menu_.ItemAction(2).isChecked());
  EXPECT_TRUE(menu_.ItemAction(2).isCheckable());

  WhenPopup([](QMenu* shown) {
    QTest::keyClick(shown, Qt::Key_Down);
    QTest::keyClick(shown, Qt::Key_Down);
    QTest::keyClick(shown, Qt::Key_Return);
  });
  menu_.ShowPopup(150, 300);  // 10 and 20 pixels
  EXPECT_EQ(clicks_, (std::vector<std::int32_t>{1}));
  EXPECT_EQ(menu_.LastPosition(), fixture_.owner.mapToGlobal(QPoint(10, 20)));
  EXPECT_FALSE(menu_.Menu().isVisible());
}

// ----- Icons -----

int InkedPixels(const QImage& image) {
  int inked = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      inked += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
    }
  }
  return inked;
}

// Every command of the table, so that a command added without a picture fails here.
TEST(QtIconsTest, EveryImageKeyHasItsOwnDrawingAtAnySize) {
  std::vector<std::string> keys = {std::string(kProductIconName)};
  for (const CommandDefinition& command : ToolbarCommands()) {
    if (!command.key.empty()) {
      keys.emplace_back(command.key);
    }
  }
  std::vector<QImage> drawn;
  for (const std::string& key : keys) {
    SCOPED_TRACE(key);
    const QIcon icon = BuiltinIcon(key);
    ASSERT_FALSE(icon.isNull());
    const QImage small = icon.pixmap(QSize(16, 16)).toImage();
    const QImage large = icon.pixmap(QSize(48, 48)).toImage();
    EXPECT_EQ(small.size(), QSize(16, 16));
    EXPECT_EQ(large.size(), QSize(48, 48));
    EXPECT_GT(InkedPixels(small), 10);
    EXPECT_GT(InkedPixels(large), InkedPixels(small));
    const QImage disabled = icon.pixmap(QSize(16, 16), QIcon::Disabled).toImage();
    EXPECT_NE(disabled, small);
    for (const QImage& other : drawn) {
      EXPECT_NE(other, small);
    }
    drawn.push_back(small);
    if (key != kProductIconName) {
      EXPECT_FALSE(ThemeIconName(key).isEmpty());
    }
  }
  EXPECT_TRUE(BuiltinIcon("NoSuchKey").isNull());
}

TEST(QtIconsTest, ArtworkReplacesTheBuiltInDrawing) {
  // No icon theme offscreen: the built-in drawing.
  ASSERT_TRUE(QIcon::themeName().isEmpty() || !QIcon::hasThemeIcon("format-text-bold"));
  const QImage builtin = BuiltinIcon("Bold").pixmap(16, 16).toImage();
  EXPECT_EQ(ToolbarIcon("Bold").pixmap(16, 16).toImage(), builtin);

  QTemporaryDir dir;
  QImage red(16, 16, QImage::Format_ARGB32);
  red.fill(Qt::red);
  const QString path = dir.filePath(QStringLiteral("bold.png"));
  ASSERT_TRUE(red.save(path));
  const QImage artwork = ToolbarIcon("Bold", path.toStdString()).pixmap(16, 16).toImage();
  EXPECT_EQ(artwork.pixelColor(8, 8), QColor(Qt::red));
}

}  // namespace
}  // namespace scrivlet
