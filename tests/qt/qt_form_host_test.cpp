// The form host and the four dialog views: each form's logic shown and driven through real
// widgets, and each show ending as the form decides.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <functional>

#include "dialogs/frm_about.h"
#include "dialogs/frm_hyperlink.h"
#include "dialogs/frm_image.h"
#include "hosts/curl/curl_internet_library.h"
#include "hosts/headless/header_picture_reader.h"
#include "hosts/headless/headless_screen.h"
#include "hosts/headless/manual_event_loop.h"
#include "hosts/headless/memory_settings_store.h"
#include "hosts/headless/recording_shell_open.h"
#include "hosts/headless/scripted_file_dialog.h"
#include "hosts/headless/scripted_message_box.h"
#include "publishing/frm_image_copy.h"
#include "publishing/local_sockets.h"
#include "qt/about_view.h"
#include "qt/hyperlink_view.h"
#include "qt/image_copy_view.h"
#include "qt/image_view.h"
#include "qt/qt_event_loop.h"
#include "qt/qt_form_host.h"
#include "qt/qt_text.h"
#include "qt_services_test_support.h"

namespace scrivlet {
namespace {

using testing::WhenFound;
using testing::WhenModal;
using testing::WhenModalAbove;

template <typename T>
T* Child(QWidget* view, const char* name) {
  T* child = view->findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(child, nullptr) << name;
  return child;
}

class QtFormHostTest : public ::testing::Test {
 protected:
  HeadlessScreen screen_;  // 15 twips per pixel
  QtFormHost host_{screen_};
};

// ----- frmHyperlink -----

class HyperlinkViewTest : public QtFormHostTest {
 protected:
  void SetUp() override {
    form_.txtURL.Text = "http://old.example/";
    form_.txtText.Text = "old text";
    form_.Init();
  }

  const std::vector<HyperlinkEntry> entries_ = {{"Home", "http://home.example/"},
                                                {"Mail us", "mailto:me@example.com"}};
  ScriptedMessageBox messages_;
  frmHyperlink form_{entries_, messages_};
};

TEST_F(HyperlinkViewTest, OpensOnTheFormsTextAndSelectionAndOkEndsTheShow) {
  WhenModal<HyperlinkView>([](HyperlinkView* view) {
    EXPECT_EQ(Child<QLineEdit>(view, "txtURL")->text(), QStringLiteral("http://old.example/"));
    // The text takes focus first, with the part the form selects selected.
    auto* text = Child<QComboBox>(view, "txtText");
    EXPECT_EQ(QApplication::focusWidget(), text);
    EXPECT_EQ(text->lineEdit()->selectedText(), QStringLiteral("text"));
    EXPECT_TRUE(Child<QRadioButton>(view, "optProtocol(0)")->isChecked());
    Child<QPushButton>(view, "cmdOk")->click();
  });
  form_.txtText.SelStart = 4;
  form_.txtText.SelLength = 4;
  host_.ShowModal(form_);
  EXPECT_FALSE(form_.Visible());
  EXPECT_FALSE(form_.Cancelled());
  EXPECT_TRUE(host_.OpenViews().empty());
}

TEST_F(HyperlinkViewTest, EditsReachTheLogicAndItsAnswersShow) {
  WhenModal<HyperlinkView>([this](HyperlinkView* view) {
    auto* text = Child<QComboBox>(view, "txtText");
    auto* url = Child<QLineEdit>(view, "txtURL");
    auto* mail = Child<QRadioButton>(view, "optProtocol(1)");
    // Picking a predefined link fills the location and its protocol.
    QTest::keyClick(text, Qt::Key_Down);
    QTest::keyClick(text, Qt::Key_Down);
    EXPECT_EQ(form_.txtText.ListIndex, 1);
    EXPECT_EQ(form_.txtText.Text, "Mail us");
    EXPECT_EQ(url->text(), QStringLiteral("mailto:me@example.com"));
    EXPECT_TRUE(mail->isChecked());
    // The protocol option rewrites the prefix.
    QTest::mouseClick(Child<QRadioButton>(view, "optProtocol(0)"), Qt::LeftButton);
    EXPECT_EQ(form_.txtURL.Text, "http://me@example.com");
    EXPECT_EQ(url->text(), QStringLiteral("http://me@example.com"));
    EXPECT_FALSE(mail->isChecked());
    // Typing goes through SetText.
    url->selectAll();
    QTest::keyClicks(url, "mailto:x@y.example");
    EXPECT_EQ(form_.txtURL.Text, "mailto:x@y.example");
    text->lineEdit()->selectAll();
    QTest::keyClicks(text->lineEdit(), "Write to ");
    QTest::sendKeyEvent(QTest::Click, text->lineEdit(), Qt::Key_unknown, QStringLiteral("\u00E9"),
                        Qt::NoModifier);
    EXPECT_EQ(form_.txtText.Text, "Write to \xC3\xA9");
    EXPECT_EQ(form_.txtText.ListIndex, -1);
    // Enter presses the default button.
    QTest::keyClick(url, Qt::Key_Return);
  });
  host_.ShowModal(form_);
  EXPECT_FALSE(form_.Cancelled());
  EXPECT_EQ(form_.txtURL.Text, "mailto:x@y.example");
}

TEST_F(HyperlinkViewTest, TabOrderAndAccessKeysFollowTheForm) {
  WhenModal<HyperlinkView>([](HyperlinkView* view) {
    auto* text = Child<QComboBox>(view, "txtText");
    auto* url = Child<QLineEdit>(view, "txtURL");
    QWidget* next = text->nextInFocusChain();
    while (next != nullptr && (next->focusPolicy() == Qt::NoFocus || next == text->lineEdit())) {
      next = next->nextInFocusChain();
    }
    std::vector<QString> order;
    QWidget* widget = text;
    for (int i = 0; i < 6; ++i) {
      order.push_back(widget->objectName());
      do {
        widget = widget->nextInFocusChain();
      } while (widget->focusPolicy() == Qt::NoFocus || widget->objectName().isEmpty());
    }
    EXPECT_EQ(order, (std::vector<QString>{"txtText", "optProtocol(0)", "optProtocol(1)", "txtURL",
                                           "cboTarget", "cmdOk"}));
    QTest::keyClick(view, Qt::Key_L, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), url);
    Child<QPushButton>(view, "cmdCancel")->click();
  });
  host_.ShowModal(form_);
  EXPECT_TRUE(form_.Cancelled());
}

TEST_F(HyperlinkViewTest, EscapeTheCloseBoxAndAnyOtherEndActAsCancel) {
  const std::vector<std::pair<const char*, std::function<void(HyperlinkView*)>>> ends = {
      {"Escape",
       [](HyperlinkView* view) {
         QTest::keyClicks(Child<QLineEdit>(view, "txtURL"), "changed");
         QTest::keyClick(view, Qt::Key_Escape);
       }},
      {"close box", [](HyperlinkView* view) { view->close(); }},
      // Ended some other way: the host asks the form as the close box does.
      {"accept", [](HyperlinkView* view) { view->QDialog::accept(); }},
  };
  for (const auto& [name, end] : ends) {
    SCOPED_TRACE(name);
    WhenModal<HyperlinkView>(end);
    host_.ShowModal(form_);
    EXPECT_TRUE(form_.Cancelled());
    EXPECT_FALSE(form_.Visible());
  }
}

// ----- frmAbout -----

TEST_F(QtFormHostTest, AboutOpensTheAddressAndEscapeClosesIt) {
  RecordingShellOpen shell;
  frmAbout about(shell);
  WhenModal<AboutView>([](AboutView* view) {
    QTest::mouseClick(Child<QLabel>(view, "lblURL"), Qt::LeftButton);
    QTest::keyClick(view, Qt::Key_Escape);  // OK is also the cancel button
  });
  host_.ShowModal(about);
  EXPECT_EQ(shell.Addresses(), (std::vector<std::string>{std::string(kMakerAddress)}));
  EXPECT_FALSE(about.Visible());
}

// ----- frmImage with the picture-copy dialog on top -----

class PictureDialogsTest : public QtFormHostTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(images_dir_.isValid() && source_dir_.isValid());
    QImage picture(120, 60, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    picture_ = source_dir_.filePath(QStringLiteral("sunset.png"));
    ASSERT_TRUE(picture.save(picture_));
    copy_.SetImagesPath(ToStdString(images_dir_.path()));
  }

  ImageCopyServices Services(EventLoop& loop) {
    return ImageCopyServices{messages_, files_, pictures_, settings_, loop, screen_, internet_};
  }

  QTemporaryDir images_dir_;
  QTemporaryDir source_dir_;
  QString picture_;
  ScriptedMessageBox messages_;
  ScriptedFileDialog files_;
  HeaderPictureReader pictures_;
  MemorySettingsStore settings_;
  ManualEventLoop manual_loop_;
  CurlInternetLibrary internet_;
  InternetHandles handles_;
  frmImageCopy copy_{Services(manual_loop_), handles_};
  const std::vector<ImageEntry> entries_ = {{"Logo", "http://example.com/logo.gif", 88, 31}};
};

TEST_F(PictureDialogsTest, PictureFromAFileThroughTheNestedCopyDialog) {
  frmImage image(entries_, copy_, host_);
  image.Init();
  files_.QueueChoice(ToStdString(picture_));

  WhenModal<ImageView>([&](ImageView* view) {
    auto* select = Child<QPushButton>(view, "cmdSelect");
    EXPECT_TRUE(select->isVisibleTo(view));
    auto* width = Child<QLineEdit>(view, "txtWidth");
    // Numbers are cleaned as they are typed.
    QTest::keyClicks(width, "12px");
    EXPECT_EQ(width->text(), QStringLiteral("12"));
    EXPECT_EQ(image.txtWidth.Text, "12");
    auto* align = Child<QComboBox>(view, "cboAlign");
    EXPECT_EQ(align->currentText(), QStringLiteral("Not set"));
    QTest::keyClick(align, Qt::Key_Down);
    QTest::keyClick(align, Qt::Key_Down);
    EXPECT_EQ(align->currentText(), QStringLiteral("Middle"));

    WhenModalAbove<ImageCopyView>(view, [&](ImageCopyView* copy_view) {
      EXPECT_FALSE(Child<QGroupBox>(copy_view, "fraFtpSetup")->isVisibleTo(copy_view));
      auto* ok = Child<QPushButton>(copy_view, "cmdOk");
      EXPECT_FALSE(ok->isEnabled());
      QTest::mouseClick(Child<QPushButton>(copy_view, "cmdBrowse"), Qt::LeftButton);
      EXPECT_EQ(Child<QLineEdit>(copy_view, "LocalFilename")->text(), picture_);
      EXPECT_EQ(Child<QLineEdit>(copy_view, "RemoteFilename")->text(),
                QStringLiteral("sunset.png"));
      EXPECT_TRUE(ok->isEnabled());
      QTest::mouseClick(ok, Qt::LeftButton);
    });
    QTest::mouseClick(select, Qt::LeftButton);
    // Back from the copy dialog: its answers are in the picture dialog.
    EXPECT_EQ(Child<QLineEdit>(view, "txtURL")->text().toStdString(), copy_.FullPath());
    EXPECT_EQ(width->text(), QStringLiteral("120"));
    EXPECT_EQ(Child<QLineEdit>(view, "txtHeight")->text(), QStringLiteral("60"));
    Child<QPushButton>(view, "cmdOk")->click();
  });
  host_.ShowModal(image);
  EXPECT_FALSE(image.Cancelled());
  EXPECT_EQ(image.txtAlign(), "Middle");
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(images_dir_.path().toStdString()) /
                                      "sunset.png"));
}

TEST_F(PictureDialogsTest, CopyDialogShowsItsStatusAndBlocksItsButtonsWhileCopying) {
  QtEventLoop loop;
  copy_.UseServices(Services(loop));
  copy_.LocalFilename.SetText("");
  copy_.SetFullPath("");
  bool seen_busy = false;
  WhenModal<ImageCopyView>([&](ImageCopyView* view) {
    auto* status = Child<QLabel>(view, "lblStatus");
    auto* cancel = Child<QPushButton>(view, "cmdCancel");
    EXPECT_FALSE(status->isVisibleTo(view));
    QTest::keyClicks(Child<QLineEdit>(view, "LocalFilename"), picture_);
    QTest::keyClicks(Child<QLineEdit>(view, "RemoteFilename"), "copy.png");
    // While the copy pauses on its status line, the window shows it; only Cancel is offered.
    WhenFound([status] { return status->isVisible() ? status : nullptr; },
              [&seen_busy, status, cancel, view](QWidget*) {
                seen_busy =
                    status->text() == QStringLiteral("Copying picture file, please wait...") &&
                    cancel->isEnabled() && !Child<QPushButton>(view, "cmdOk")->isEnabled() &&
                    !Child<QPushButton>(view, "cmdBrowse")->isEnabled() &&
                    Child<QLineEdit>(view, "LocalFilename")->isReadOnly();
              });
    QTest::mouseClick(Child<QPushButton>(view, "cmdOk"), Qt::LeftButton);
  });
  host_.ShowModal(copy_);
  EXPECT_TRUE(seen_busy);
  EXPECT_FALSE(copy_.Cancelled());
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(images_dir_.path().toStdString()) /
                                      "copy.png"));
  copy_.UseServices(Services(manual_loop_));
}

// A server that accepts the connection and never says a word: the login waits off the window's
// thread, the window keeps running, and its Cancel button ends the wait at once.
TEST_F(PictureDialogsTest, CopyDialogStaysLiveWhileAServerStallsAndCancelEndsTheWait) {
  const testing::LocalSocket silent(testing::LocalSocket::Mode::kListening);
  QtEventLoop loop;
  copy_.UseServices(Services(loop));
  copy_.SetFTPServer("127.0.0.1:" + std::to_string(silent.Port()));
  copy_.LocalFilename.SetText("");
  int ticks = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
  ticker.start(50);
  std::chrono::steady_clock::time_point cancelled_at;
  std::chrono::steady_clock::duration took{};
  bool stayed_open = false;
  WhenModal<ImageCopyView>([&](ImageCopyView* view) {
    auto* status = Child<QLabel>(view, "lblStatus");
    auto* cancel = Child<QPushButton>(view, "cmdCancel");
    QTest::keyClicks(Child<QLineEdit>(view, "LocalFilename"), picture_);
    QTest::keyClicks(Child<QLineEdit>(view, "RemoteFilename"), "stalled.png");
    WhenFound(
        [status] {
          return status->isVisible() && status->text() == QStringLiteral("Connecting...") ? status
                                                                                          : nullptr;
        },
        [&, cancel](QWidget*) {
          // After the status line's second, the login runs; let it wait a while.
          QTimer::singleShot(2500, cancel, [&, cancel] {
            EXPECT_GT(ticks, 40) << "the window's events ran all along";
            cancelled_at = std::chrono::steady_clock::now();
            QTest::mouseClick(cancel, Qt::LeftButton);
          });
        });
    QTest::mouseClick(Child<QPushButton>(view, "cmdOk"), Qt::LeftButton);
    took = std::chrono::steady_clock::now() - cancelled_at;
    stayed_open = view->isVisible();
    view->close();
  });
  host_.ShowModal(copy_);
  EXPECT_LT(took, std::chrono::seconds(4));
  EXPECT_TRUE(stayed_open);
  EXPECT_TRUE(copy_.Cancelled());
  EXPECT_TRUE(messages_.Calls().empty());
  copy_.SetFTPServer("");
  copy_.UseServices(Services(manual_loop_));
}

TEST_F(PictureDialogsTest, CopyDialogFtpPanelOpensAndItsChecksReachTheForm) {
  copy_.SetFTPServer("ftp.example.com/images");
  WhenModal<ImageCopyView>([this](ImageCopyView* view) {
    auto* setup = Child<QPushButton>(view, "cmdFTPSetup");
    ASSERT_TRUE(setup->isVisibleTo(view));
    const int closed_height = view->height();
    QTest::mouseClick(setup, Qt::LeftButton);
    EXPECT_GT(view->height(), closed_height);
    auto* panel = Child<QGroupBox>(view, "fraFtpSetup");
    EXPECT_TRUE(panel->isVisible());
    auto* passive = Child<QCheckBox>(view, "chkPassive");
    const bool before = copy_.chkPassive.Checked;
    QTest::mouseClick(passive, Qt::LeftButton);
    EXPECT_EQ(copy_.chkPassive.Checked, !before);
    QTest::keyClicks(Child<QLineEdit>(view, "txtProxy"), "proxy:8080");
    EXPECT_EQ(copy_.txtProxy.Text, "proxy:8080");
    QTest::mouseClick(setup, Qt::LeftButton);
    EXPECT_EQ(view->height(), closed_height);
    view->close();  // the close box presses Cancel
  });
  host_.ShowModal(copy_);
  EXPECT_TRUE(copy_.Cancelled());
  copy_.SetFTPServer("");
}

// ----- The host's own rules -----

// A form with one button whose handler may throw, and a switch to refuse every close.
class TestForm final : public Form {
 public:
  TestForm() : Form("frmTest") {
    cmdGo = MakeControl<CommandButton>("cmdGo", {120, 120, 1200, 375}, 0);
    cmdGo.Caption = "&Go";
    cmdGo.Click = [this] {
      if (fail) {
        throw std::runtime_error("handler failed");
      }
      Hide();
    };
  }

  bool fail = false;
  bool refuse = false;
  CommandButton cmdGo;

 protected:
  bool QueryUnload(UnloadMode) override { return refuse; }
};

class TestView final : public FormView {
 public:
  TestView(TestForm& form, const Screen& screen, QWidget* parent) : FormView(form, screen, parent) {
    Binder().Bind(form.cmdGo);
    FinishBinding();
  }

 protected:
  ControlRect ClientArea() const override { return {0, 0, 3000, 1500}; }
  std::string Caption() const override { return "Test"; }
};

class HostRulesTest : public QtFormHostTest {
 protected:
  void SetUp() override {
    host_.SetViewFactory("frmTest", [](Form& form, const Screen& screen, QWidget* parent) {
      return std::make_unique<TestView>(static_cast<TestForm&>(form), screen, parent);
    });
  }

  TestForm form_;
};

TEST_F(HostRulesTest, ShowEndsWhenTheFormHidesItself) {
  std::vector<std::string> shown;
  host_.SetShowListener([&shown](FormView& view) { shown.push_back(view.ViewedForm().Name()); });
  WhenModal<FormView>([](FormView* view) {
    EXPECT_EQ(view->windowTitle(), QStringLiteral("Test"));
    EXPECT_EQ(view->size(), QSize(200, 100));
    QTest::keyClick(view, Qt::Key_G, Qt::AltModifier);  // the button's access key
  });
  host_.ShowModal(form_);
  EXPECT_FALSE(form_.Visible());
  EXPECT_EQ(shown, (std::vector<std::string>{"frmTest"}));
}

TEST_F(HostRulesTest, WhatAHandlerThrowsComesOutOfShowModal) {
  form_.fail = true;
  WhenModal<FormView>(
      [](FormView* view) { QTest::mouseClick(Child<QPushButton>(view, "cmdGo"), Qt::LeftButton); });
  EXPECT_THROW(host_.ShowModal(form_), std::runtime_error);
  EXPECT_FALSE(form_.Visible());
}

TEST_F(HostRulesTest, RefusedCloseAndBadShowsAreFormErrors) {
  form_.refuse = true;
  WhenModal<FormView>([](FormView* view) {
    view->close();  // refused: the window stays
    EXPECT_TRUE(view->isVisible());
    view->QDialog::reject();  // gone some other way
  });
  EXPECT_THROW(host_.ShowModal(form_), FormError);
  EXPECT_FALSE(form_.Visible());

  form_.refuse = false;
  WhenModal<FormView>([this](FormView* view) {
    EXPECT_THROW(host_.ShowModal(form_), FormError);  // already shown
    view->close();
  });
  host_.ShowModal(form_);

  class Unknown final : public Form {
   public:
    Unknown() : Form("frmUnknown") {}
  } unknown;
  EXPECT_THROW(host_.ShowModal(unknown), FormError);
  EXPECT_FALSE(unknown.Visible());
}

}  // namespace
}  // namespace scrivlet
