#include "publishing/frm_image_copy.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "hosts/headless/header_picture_reader.h"
#include "hosts/headless/headless_form_host.h"
#include "hosts/headless/headless_screen.h"
#include "hosts/headless/manual_event_loop.h"
#include "hosts/headless/memory_settings_store.h"
#include "hosts/headless/scripted_file_dialog.h"
#include "hosts/headless/scripted_message_box.h"
#include "platform/temp_dir.h"
#include "publishing/fake_internet_library.h"
#include "publishing/picture_files.h"
#include "publishing/win_inet.h"
#include "text/util_lib.h"

namespace scrivlet {
namespace {

using std::chrono::milliseconds;
using testing::FakeInternetLibrary;
using testing::GifBytes;
using testing::TempDir;

constexpr std::string_view kApp = "Scrivlet";
constexpr std::string_view kSection = "FTPSetup";

// A settings store whose disk is gone.
class BrokenSettingsStore final : public SettingsStore {
 public:
  std::string GetSetting(std::string_view, std::string_view, std::string_view,
                         std::string_view default_value) const override {
    return std::string(default_value);
  }
  void SaveSetting(std::string_view, std::string_view, std::string_view,
                   std::string_view) override {
    throw SettingsError("settings.ini: read-only file system");
  }
};

class ImageCopyTest : public ::testing::Test {
 protected:
  ImageCopyServices Services() {
    return ImageCopyServices{messages_, files_, pictures_, *settings_, loop_, screen_, internet_};
  }

  // Created on first use, so that a test may seed the settings first.
  frmImageCopy& Form() {
    if (!form_) {
      form_ = std::make_unique<frmImageCopy>(Services(), handles_);
    }
    return *form_;
  }

  // Shows the dialog modally; `user` plays the user while it is shown.
  void Show(std::function<void(frmImageCopy&)> user) {
    host_.SetUser(frmImageCopy::kFormName,
                  [user](scrivlet::Form& form) { user(static_cast<frmImageCopy&>(form)); });
    host_.ShowModal(Form());
  }

  std::string Picture(std::string_view name, std::int32_t width, std::int32_t height) {
    return dir_.Write(name, GifBytes(width, height)).string();
  }

  const std::vector<ScriptedMessageBox::Call>& Boxes() const { return messages_.Calls(); }

  TempDir dir_;
  ScriptedMessageBox messages_;
  ScriptedFileDialog files_;
  HeaderPictureReader pictures_;
  std::unique_ptr<SettingsStore> settings_ = std::make_unique<MemorySettingsStore>();
  ManualEventLoop loop_;
  HeadlessScreen screen_;
  FakeInternetLibrary internet_;
  InternetHandles handles_;
  HeadlessFormHost host_;
  std::unique_ptr<frmImageCopy> form_;
};

TEST_F(ImageCopyTest, LoadReadsThePanelSettingsAndTakesDefaultsForNonNumbers) {
  const struct {
    const char* passive;  // nullptr: absent
    const char* append;
    bool passive_checked;
    bool append_checked;
  } cases[] = {
      {nullptr, nullptr, false, true}, {"1", "0", true, false},    {"0", "1", false, true},
      {" -1 ", "2", true, true},       {"yes", "no", false, true}, {"", "1x", false, true},
  };
  for (const auto& c : cases) {
    settings_ = std::make_unique<MemorySettingsStore>();
    settings_->SaveSetting(kApp, kSection, "Proxy", "proxy.example.com:3128");
    if (c.passive != nullptr) {
      settings_->SaveSetting(kApp, kSection, "Passive", c.passive);
      settings_->SaveSetting(kApp, kSection, "AppendFtpServer", c.append);
    }
    const frmImageCopy form(Services(), handles_);
    EXPECT_EQ(form.txtProxy.Text, "proxy.example.com:3128");
    EXPECT_EQ(form.chkPassive.Checked, c.passive_checked) << (c.passive ? c.passive : "absent");
    EXPECT_EQ(form.chkAppendFtpServer.Checked, c.append_checked)
        << (c.append ? c.append : "absent");
  }
}

TEST_F(ImageCopyTest, BrowseAsksForAPictureAndProposesItsNameWhenNoneIsTyped) {
  const std::string logo = Picture("Logo.GIF", 32, 16);
  frmImageCopy& form = Form();
  files_.QueueChoice("  " + logo + " ");
  ASSERT_TRUE(form.cmdBrowse.Press());

  EXPECT_EQ(form.LocalFilename.Text, logo);
  EXPECT_EQ(form.RemoteFilename.Text, "Logo.GIF");
  EXPECT_EQ(form.ImageWidth(), 32);  // previewed as part of the choice
  EXPECT_EQ(form.ImageHeight(), 16);

  // A typed remote name is kept; a Windows path gives its last part; cancelling changes nothing.
  form.RemoteFilename.SetText("mine.gif");
  files_.QueueChoice(logo);
  ASSERT_TRUE(form.cmdBrowse.Press());
  EXPECT_EQ(form.RemoteFilename.Text, "mine.gif");
  form.RemoteFilename.SetText("");
  files_.QueueChoice("C:\\pics\\Logo.GIF");
  ASSERT_TRUE(form.cmdBrowse.Press());
  EXPECT_EQ(form.RemoteFilename.Text, "Logo.GIF");
  files_.QueueCancel();
  ASSERT_TRUE(form.cmdBrowse.Press());
  EXPECT_EQ(form.LocalFilename.Text, "C:\\pics\\Logo.GIF");
}

TEST_F(ImageCopyTest, PreviewOfAFileThatIsNoPictureSaysSoAndMeasuresNothing) {
  frmImageCopy& form = Form();
  form.LocalFilename.SetText(Picture("good.gif", 10, 10));
  ASSERT_TRUE(form.cmdPreview.Press());
  const std::string text = dir_.Write("notes.gif", "just some text").string();
  form.LocalFilename.SetText(text);
  ASSERT_TRUE(form.cmdPreview.Press());
  ASSERT_EQ(Boxes().size(), 1U);
  EXPECT_NE(Boxes()[0].Text.find("File: " + text), std::string::npos);
  EXPECT_EQ(form.imgPreview.Picture, "");
  EXPECT_EQ(form.ImageWidth(), 0);
  EXPECT_EQ(form.ImageHeight(), 0);

  // A missing file only clears the preview.
  form.LocalFilename.SetText((dir_.path() / "gone.gif").string());
  ASSERT_TRUE(form.cmdPreview.Press());
  EXPECT_EQ(Boxes().size(), 1U);
  EXPECT_EQ(form.imgPreview.Picture, "");
}

TEST_F(ImageCopyTest, LocalCopyPublishesIntoTheImagesFolderAndSavesTheSettings) {
  std::filesystem::create_directory(dir_.path() / "images");
  const std::string source = Picture("source.gif", 40, 30);
  frmImageCopy& form = Form();
  form.SetImagesPath((dir_.path() / "images").string());
  form.chkPassive.Checked = true;
  form.chkAppendFtpServer.Checked = false;
  Show([&](frmImageCopy& shown) {
    files_.QueueChoice(source);
    ASSERT_TRUE(shown.cmdBrowse.Press());
    shown.RemoteFilename.SetText("copy.gif");
    ASSERT_TRUE(shown.cmdOk.Press());
  });

  EXPECT_FALSE(form.Cancelled());
  EXPECT_EQ(host_.Shows().back().End, HeadlessFormHost::ShowEnd::kHiddenByForm);
  EXPECT_EQ(form.FullPath(), (dir_.path() / "images" / "copy.gif").string());
  EXPECT_EQ(form.ImageWidth(), 40);
  EXPECT_EQ(form.ImageHeight(), 30);
  EXPECT_EQ(testing::ReadFile(dir_.path() / "images" / "copy.gif"), GifBytes(40, 30));
  EXPECT_EQ(form.imgPreview.Picture, "");
  EXPECT_FALSE(form.lblStatus.Visible);
  // The status line stays a second on the loop's clock, not the wall clock's.
  EXPECT_GE(loop_.Now(), milliseconds(1000));
  EXPECT_EQ(screen_.PointerChanges(),
            (std::vector<MousePointer>{MousePointer::kHourglass, MousePointer::kDefault}));
  EXPECT_EQ(settings_->GetSetting(kApp, kSection, "Passive", ""), "1");
  EXPECT_EQ(settings_->GetSetting(kApp, kSection, "AppendFtpServer", ""), "0");
  EXPECT_EQ(settings_->GetSetting(kApp, kSection, "Proxy", "?"), "");
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(ImageCopyTest, AnExistingFileIsReplacedOnlyWithConsent) {
  const std::string source = Picture("new.gif", 5, 5);
  const std::filesystem::path target = dir_.Write("old.gif", "precious");
  for (const MessageBoxAnswer answer : {MessageBoxAnswer::kNo, MessageBoxAnswer::kYes}) {
    frmImageCopy& form = Form();
    form.SetImagesPath(dir_.path().string());
    messages_.QueueAnswer(answer);
    Show([&](frmImageCopy& shown) {
      shown.LocalFilename.SetText(source);
      shown.RemoteFilename.SetText("old.gif");
      ASSERT_TRUE(shown.cmdOk.Press());
    });
    const ScriptedMessageBox::Call& question = Boxes().back();
    EXPECT_EQ(question.Text, "Replace existing file?");
    // Declining ends the whole dialog as cancelled; the dialog hid itself either way.
    const bool replaced = answer == MessageBoxAnswer::kYes;
    EXPECT_EQ(form.Cancelled(), !replaced);
    EXPECT_EQ(host_.Shows().back().End, HeadlessFormHost::ShowEnd::kHiddenByForm);
    EXPECT_EQ(testing::ReadFile(target), replaced ? GifBytes(5, 5) : "precious");
  }
  // No copy left behind beside the target.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()),
                          std::filesystem::directory_iterator()),
            2);
}

TEST_F(ImageCopyTest, AFailedCopyIsReportedAndKeepsTheDialogOpen) {
  frmImageCopy& form = Form();
  const std::string destination_folder = (dir_.path() / "no-such-folder").string();
  form.SetImagesPath(destination_folder);
  const std::string source = Picture("a.gif", 3, 3);
  bool stayed_open = false;
  Show([&](frmImageCopy& shown) {
    shown.LocalFilename.SetText(source);
    shown.RemoteFilename.SetText("a.gif");
    ASSERT_TRUE(shown.cmdOk.Press());
    stayed_open = shown.Visible();
    EXPECT_FALSE(shown.lblStatus.Visible);
    EXPECT_TRUE(shown.cmdOk.Enabled);
    ASSERT_TRUE(shown.cmdCancel.Press());
  });
  EXPECT_TRUE(stayed_open);
  EXPECT_TRUE(form.Cancelled());
  ASSERT_EQ(Boxes().size(), 1U);
  const ScriptedMessageBox::Call& box = Boxes()[0];
  EXPECT_EQ(box.Text.rfind("Could not copy file.\r\n\r\n", 0), 0U);
  const std::string tail = "\r\n\r\nFile: " + source + "\r\nTo:   " + destination_folder + "/a.gif";
  ASSERT_GE(box.Text.size(), tail.size());
  EXPECT_EQ(box.Text.substr(box.Text.size() - tail.size()), tail);
  EXPECT_EQ(screen_.Pointer(), MousePointer::kDefault);
}

TEST_F(ImageCopyTest, NothingToPublishCountsAsDone) {
  frmImageCopy& form = Form();
  form.LocalFilename.SetText(Picture("a.gif", 3, 3));
  form.cmdOK_Click();  // an empty remote name
  EXPECT_FALSE(form.Cancelled());

  // FTP settings without a usable host send nothing either.
  form.SetFTPServer("/images");
  form.RemoteFilename.SetText("a.gif");
  form.cmdOK_Click();
  EXPECT_FALSE(form.Cancelled());
  EXPECT_TRUE(internet_.script().Opens.empty());
}

TEST_F(ImageCopyTest, TheCloseBoxActsAsCancel) {
  frmImageCopy& form = Form();
  form.LocalFilename.SetText(Picture("a.gif", 3, 3));
  ASSERT_TRUE(form.cmdPreview.Press());
  host_.ShowModal(form);  // nobody plays the user: the host closes the window
  EXPECT_EQ(host_.Shows().back().End, HeadlessFormHost::ShowEnd::kClosedFromTitleBar);
  EXPECT_FALSE(form.Visible());
  EXPECT_TRUE(form.Cancelled());
  EXPECT_EQ(form.imgPreview.Picture, "");
  // Code may still close it.
  EXPECT_FALSE(form.Form_QueryUnload(UnloadMode::kCode));
}

TEST_F(ImageCopyTest, TheDialogIsBlockedWhileAPublishRuns) {
  frmImageCopy& form = Form();
  form.SetImagesPath(dir_.path().string());
  form.SetFTPServer("");
  int pauses = 0;
  bool input_blocked = true;
  Show([&](frmImageCopy& shown) {
    shown.LocalFilename.SetText(Picture("a.gif", 3, 3));
    shown.RemoteFilename.SetText("b.gif");
    // The user clicks everything but Cancel while the status line waits.
    loop_.SetUserActivity([&] {
      ++pauses;
      input_blocked = input_blocked && shown.Publishing() && !shown.cmdOk.Press() &&
                      shown.cmdCancel.Enabled && !shown.cmdBrowse.Press() &&
                      !shown.cmdPreview.Press() && shown.LocalFilename.Locked &&
                      shown.RemoteFilename.Locked;
      EXPECT_TRUE(shown.Visible());
    });
    ASSERT_TRUE(shown.cmdOk.Press());
    loop_.SetUserActivity(nullptr);
  });
  EXPECT_GT(pauses, 0);
  EXPECT_TRUE(input_blocked);
  EXPECT_FALSE(form.Cancelled());
  EXPECT_FALSE(form.Publishing());
  EXPECT_TRUE(form.cmdOk.Enabled);
  EXPECT_TRUE(form.cmdCancel.Enabled);
  EXPECT_TRUE(form.cmdBrowse.Enabled);
  EXPECT_FALSE(form.LocalFilename.Locked);
  EXPECT_TRUE(files_.Calls().empty());
}

TEST_F(ImageCopyTest, UploadLogsInAsTheProxyRuleSays) {
  const struct {
    const char* proxy;
    bool append;
    const char* user;
  } cases[] = {
      {"", true, "bob"},
      {"", false, "bob"},
      {"proxy.example.com:3128", true, "bob@ftp.example.com"},
      {"proxy.example.com:3128", false, "bob"},
  };
  for (const auto& c : cases) {
    frmImageCopy& form = Form();
    form.SetFTPServer("ftp.example.com/site/images/");
    form.SetFTPUsername("bob");
    form.SetFTPPassword(ScramblePassword(ScrambleDirection::kEncode, "Secret42"));
    form.txtProxy.SetText(c.proxy);
    form.chkAppendFtpServer.Checked = c.append;
    form.chkPassive.Checked = c.append;
    Show([&](frmImageCopy& shown) {
      shown.LocalFilename.SetText("/pics/a.gif");
      shown.RemoteFilename.SetText("b.gif");
      ASSERT_TRUE(shown.cmdOk.Press());
    });
    ASSERT_FALSE(internet_.script().Logins.empty());
    const FtpLogin& login = internet_.script().Logins.back();
    EXPECT_EQ(login.User, c.user) << c.proxy << " " << c.append;
    EXPECT_EQ(login.Server, "ftp.example.com");
    EXPECT_EQ(login.Password, "Secret42");
    EXPECT_EQ(login.Mode, c.append ? FtpMode::kPassive : FtpMode::kActive);
    EXPECT_EQ(internet_.script().Opens.back().Proxy, c.proxy);
    EXPECT_FALSE(form.Cancelled());
  }
  EXPECT_EQ(internet_.script().Commands.back(), "PUT /pics/a.gif b.gif");
  EXPECT_EQ(internet_.script().Commands.front(), "CWD /site/images");
  EXPECT_FALSE(handles_.HasSession());
  EXPECT_EQ(internet_.script().LiveSessions, 0);
}

TEST_F(ImageCopyTest, LoginDefaultsForUnsetAndEmptyCredentials) {
  frmImageCopy& form = Form();
  form.SetFTPServer("ftp.example.com");
  form.LocalFilename.SetText("/pics/a.gif");
  form.RemoteFilename.SetText("a.gif");
  form.cmdOK_Click();
  form.SetFTPUsername("");
  form.SetFTPPassword("");
  form.cmdOK_Click();
  const auto& logins = internet_.script().Logins;
  ASSERT_EQ(logins.size(), 2U);
  EXPECT_EQ(logins[0].User, "");
  EXPECT_EQ(logins[0].Password, "");
  EXPECT_EQ(logins[1].User, "anonymous");
  EXPECT_EQ(logins[1].Password, "Scrivlet");
}

TEST_F(ImageCopyTest, AFailedUploadKeepsTheDialogOpenAndClosesTheSession) {
  internet_.script().ConnectError = InternetError::kLoginRejected;
  frmImageCopy& form = Form();
  form.SetFTPServer("ftp.example.com");
  bool stayed_open = false;
  Show([&](frmImageCopy& shown) {
    shown.LocalFilename.SetText("/pics/a.gif");
    shown.RemoteFilename.SetText("a.gif");
    ASSERT_TRUE(shown.cmdOk.Press());  // the script answers No: keep the session
    stayed_open = shown.Visible();
    EXPECT_FALSE(shown.lblStatus.Visible);
  });
  EXPECT_TRUE(stayed_open);
  EXPECT_TRUE(form.Cancelled());
  ASSERT_EQ(Boxes().size(), 1U);
  EXPECT_EQ(Boxes()[0].Text.rfind("Internet Connect Err: 12014\r\n", 0), 0U);
  // The dialog closes what the No left open.
  EXPECT_FALSE(handles_.HasSession());
  EXPECT_EQ(internet_.script().LiveSessions, 0);
  EXPECT_TRUE(internet_.script().Commands.empty());
}

TEST_F(ImageCopyTest, SettingsThatCannotBeSavedAreReportedAndThePublishGoesOn) {
  settings_ = std::make_unique<BrokenSettingsStore>();
  frmImageCopy& form = Form();
  form.SetFTPServer("ftp.example.com");
  form.LocalFilename.SetText("/pics/a.gif");
  form.RemoteFilename.SetText("a.gif");
  form.cmdOK_Click();
  ASSERT_EQ(Boxes().size(), 1U);
  EXPECT_NE(Boxes()[0].Text.find("read-only file system"), std::string::npos);
  EXPECT_FALSE(form.Cancelled());
  EXPECT_EQ(internet_.script().Commands,
            (std::vector<std::string>{"CWD /", "SIZE a.gif", "CWD /", "PUT /pics/a.gif a.gif"}));
}

TEST_F(ImageCopyTest, CancelOrTheCloseBoxDuringAPublishStopsItAndKeepsTheDialogOpen) {
  for (const bool close_box : {false, true}) {
    for (const bool ftp : {false, true}) {
      SCOPED_TRACE(std::string(close_box ? "close box" : "Cancel") + (ftp ? " ftp" : " local"));
      frmImageCopy& form = Form();
      form.SetImagesPath(dir_.path().string());
      form.SetFTPServer(ftp ? "ftp.example.com" : "");
      internet_.script().Commands.clear();
      bool stayed_open = false;
      Show([&](frmImageCopy& shown) {
        shown.LocalFilename.SetText(Picture("a.gif", 3, 3));
        shown.RemoteFilename.SetText("copy.gif");
        loop_.SetUserActivity([&] {
          if (close_box) {
            EXPECT_FALSE(shown.RequestClose(UnloadMode::kUserClose)) << "refused; acts as Cancel";
          } else {
            EXPECT_TRUE(shown.cmdCancel.Press());
          }
        });
        ASSERT_TRUE(shown.cmdOk.Press());
        loop_.SetUserActivity(nullptr);
        stayed_open = shown.Visible();
        shown.cmdCancel.Press();
      });
      EXPECT_TRUE(stayed_open);
      EXPECT_TRUE(form.Cancelled());
      EXPECT_FALSE(std::filesystem::exists(dir_.path() / "copy.gif"));
      for (const std::string& command : internet_.script().Commands) {
        EXPECT_NE(command.rfind("PUT", 0), 0U) << command;
      }
      EXPECT_TRUE(Boxes().empty()) << "a cancel the user asked for needs no message";
      EXPECT_FALSE(handles_.HasSession());
    }
  }
}

TEST_F(ImageCopyTest, ACopyAsNameThatLeavesTheImagesFolderIsRefused) {
  const std::string outside = (dir_.path() / "outside.gif").string();
  const std::filesystem::path images = dir_.path() / "images";
  std::filesystem::create_directory(images);
  for (const std::string& name : {std::string(".."), std::string("."), std::string("../up.gif"),
                                  std::string("sub/a.gif"), std::string("sub\\a.gif"), outside,
                                  std::string("C:evil.gif"), std::string("a\r\nDELE x.gif")}) {
    for (const bool ftp : {false, true}) {
      SCOPED_TRACE(name + (ftp ? " ftp" : " local"));
      frmImageCopy& form = Form();
      form.SetImagesPath(images.string());
      form.SetFTPServer(ftp ? "ftp.example.com" : "");
      const std::size_t boxes = Boxes().size();
      form.LocalFilename.SetText(Picture("a.gif", 3, 3));
      form.RemoteFilename.SetText(name);
      form.cmdOK_Click();
      ASSERT_EQ(Boxes().size(), boxes + 1);
      EXPECT_EQ(Boxes().back().Title, "Copy As");
      EXPECT_NE(Boxes().back().Text.find("images folder"), std::string::npos);
      EXPECT_TRUE(form.Cancelled());
      EXPECT_TRUE(internet_.script().Opens.empty());
    }
  }
  EXPECT_FALSE(std::filesystem::exists(outside));
  EXPECT_TRUE(std::filesystem::is_empty(images));
  // Dots inside a name are fine.
  EXPECT_FALSE(frmImageCopy::CopyAsNameProblem("my..picture.v2.gif").has_value());
}

TEST_F(ImageCopyTest, TheFilesNameIsProposedAsAltText) {
  frmImageCopy& form = Form();
  EXPECT_EQ(form.ProposedAltText(), "");
  form.LocalFilename.SetText("/photos/sunset at sea.png");
  EXPECT_EQ(form.ProposedAltText(), "sunset at sea");
  form.LocalFilename.SetText("C:\\My Pictures\\logo.v2.webp");
  EXPECT_EQ(form.ProposedAltText(), "logo.v2");
  form.LocalFilename.SetText("/photos/.hidden");
  EXPECT_EQ(form.ProposedAltText(), ".hidden");
}

}  // namespace
}  // namespace scrivlet
