#include "dialogs/frm_image.h"

#include <gtest/gtest.h>

#include "actions/actions.h"
#include "actions/span_text.h"
#include "hosts/headless/headless_host.h"
#include "platform/temp_dir.h"
#include "publishing/picture_files.h"

namespace scrivlet {
namespace {

class PictureDialogTest : public ::testing::Test {
 protected:
  PictureDialogTest() {
    imageCopy.SetFTPServer("");
    imageCopy.SetImagesPath("");
  }

  HeadlessHost host;
  InternetHandles internet;
  frmImageCopy imageCopy{ImageCopyServices{host.Messages, host.Files, host.Pictures, host.Settings,
                                           host.Loop, host.Display, host.Internet},
                         internet};
  std::vector<ImageEntry> entries{{"Logo", "images/logo.gif", 88, 31},
                                  {"Photo", "images/photo.jpg", 0, 0}};
  frmImage form{entries, imageCopy, host.Forms};
};

TEST_F(PictureDialogTest, InitMatchesTheAlignment) {
  const struct {
    std::string given;
    std::int32_t selected;
    std::string readBack;
  } cases[] = {
      {"", 0, ""},
      {"absmiddle", 5, "AbsMiddle"},
      {"Lefty", 8, "Left"},
      {"center", -1, "center"},
  };
  for (const auto& c : cases) {
    frmImage dialog(entries, imageCopy, host.Forms);
    dialog.set_txtAlign(c.given);
    dialog.Init();
    EXPECT_EQ(dialog.cboAlign.ListIndex, c.selected) << c.given;
    EXPECT_EQ(dialog.txtAlign(), c.readBack) << c.given;
  }
}

TEST_F(PictureDialogTest, NumberFieldsCleanTheirText) {
  const struct {
    std::string typed;
    std::string kept;
  } cases[] = {{"12px", "12"}, {"abc", "0"},    {"1.50", "1.5"}, {"007", "7"},
               {"", ""},       {" -3.0", "-3"}, {"+4", "4"}};
  for (const auto& c : cases) {
    form.txtWidth.SetText("x");
    form.txtWidth.SetText(c.typed);
    EXPECT_EQ(form.txtWidth.Text, c.kept) << c.typed;
  }
}

TEST_F(PictureDialogTest, PickingAPredefinedPictureFillsLocationAndSize) {
  form.Init();
  EXPECT_EQ(form.txtText.List, (std::vector<std::string>{"Logo", "Photo"}));
  form.txtText.Choose(0);
  EXPECT_EQ(form.txtURL.Text, "images/logo.gif");
  EXPECT_EQ(form.txtWidth.Text, "88");
  EXPECT_EQ(form.txtHeight.Text, "31");
  form.txtText.Choose(1);  // no size given: the fields keep theirs
  EXPECT_EQ(form.txtURL.Text, "images/photo.jpg");
  EXPECT_EQ(form.txtWidth.Text, "88");
}

TEST_F(PictureDialogTest, FromFileIsOfferedOnlyWithAPlaceToPublish) {
  form.Init();
  EXPECT_FALSE(form.cmdSelect.Visible);
  imageCopy.SetImagesPath("C:\\site\\images");
  frmImage offered(entries, imageCopy, host.Forms);
  offered.Init();
  EXPECT_TRUE(offered.cmdSelect.Visible);
}

TEST_F(PictureDialogTest, FromFilePublishesAndTakesLocationAndSize) {
  testing::TempDir site;
  testing::TempDir pictures;
  const auto logo = pictures.Write("Logo.GIF", testing::GifBytes(120, 60));
  imageCopy.SetImagesPath(site.path().string());
  host.Files.QueueChoice(logo.string());
  host.Forms.SetUser("frmImageCopy", [](Form& shown) {
    auto& dialog = static_cast<frmImageCopy&>(shown);
    dialog.cmdBrowse.Press();
    dialog.cmdOk.Press();
  });
  form.Init();
  form.cmdSelect.Press();
  EXPECT_EQ(form.txtURL.Text, site.path().generic_string() + "/Logo.GIF");
  EXPECT_EQ(form.txtWidth.Text, "120");
  EXPECT_EQ(form.txtHeight.Text, "60");
  EXPECT_EQ(form.txtText.Text, "Logo");  // the file's name, proposed as the text
  EXPECT_TRUE(std::filesystem::exists(site.path() / "Logo.GIF"));

  host.Forms.SetUser("frmImageCopy",
                     [](Form& shown) { static_cast<frmImageCopy&>(shown).cmdCancel.Press(); });
  form.txtURL.SetText("kept.gif");
  form.cmdSelect.Press();
  EXPECT_EQ(form.txtURL.Text, "kept.gif");

  // A text the user typed is kept.
  host.Files.QueueChoice(logo.string());
  host.Forms.SetUser("frmImageCopy", [](Form& shown) {
    auto& dialog = static_cast<frmImageCopy&>(shown);
    dialog.cmdBrowse.Press();
    dialog.RemoteFilename.SetText("Logo2.GIF");
    dialog.cmdOk.Press();
  });
  form.txtText.Text = "Our logo";
  form.cmdSelect.Press();
  EXPECT_EQ(form.txtURL.Text, site.path().generic_string() + "/Logo2.GIF");
  EXPECT_EQ(form.txtText.Text, "Our logo");
}

TEST_F(PictureDialogTest, TheCloseBoxActsAsCancel) {
  form.Init();
  host.Forms.ShowModal(form);
  EXPECT_TRUE(form.Cancelled());
}

class PictureCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host.StartNew();
    host.Control.SetTextHTML("<FONT SIZE=4>Before after</FONT>");
  }
  void Answer(std::function<void(frmImage&)> user) {
    host.Forms.SetUser("frmImage", [user](Form& shown) { user(static_cast<frmImage&>(shown)); });
  }
  void Picture() { host.Bar.UserClick("Picture"); }

  HeadlessHost host;
};

TEST_F(PictureCommandTest, InsertsTheTagAndTypingContinuesInTheEarlierStyle) {
  host.Surface.SetSelStart(7);
  Answer([](frmImage& dialog) {
    dialog.txtURL.SetText("images\\logo.gif");
    dialog.txtText.Text = "Logo";
    dialog.cboAlign.Choose(8);
    dialog.txtWidth.SetText("88");
    dialog.txtBorder.SetText("");
    dialog.cmdOk.Press();
  });
  Picture();
  EXPECT_EQ(host.Surface.Text(),
            u"Before <IMG SRC='images/logo.gif' ALT='Logo' ALIGN=Left WIDTH=88>after");
  host.Surface.SetSelText(u"typed");
  host.Surface.SetSelStart(65);
  host.Surface.SetSelLength(5);
  EXPECT_EQ(host.Surface.SelText(), u"typed");
  EXPECT_EQ(host.Surface.SelFontSize(), 14.0);
  EXPECT_EQ(host.Surface.SelItalic(), false);
  host.Surface.SetSelStart(10);
  host.Surface.SetSelLength(2);
  EXPECT_TRUE(IsRawTagRun(host.Surface));
  EXPECT_EQ(host.Surface.SelFontSize(), 8.0);
}

TEST_F(PictureCommandTest, CancelKeepsThePictureSelectedAndOkReplacesIt) {
  host.Surface.SetSelStart(7);
  Answer([](frmImage& dialog) {
    dialog.txtURL.SetText("a.gif");
    dialog.cmdOk.Press();
  });
  Picture();
  const std::string before = host.Control.TextRTF();
  host.Surface.SetSelStart(12);
  Answer([](frmImage& dialog) {
    EXPECT_EQ(dialog.txtURL.Text, "a.gif");
    EXPECT_EQ(dialog.txtBorder.Text, "0");
    dialog.txtURL.SetText("b.gif");
    dialog.cmdCancel.Press();
  });
  Picture();
  EXPECT_EQ(host.Control.TextRTF(), before);
  EXPECT_EQ(host.Surface.SelStart(), 7);
  EXPECT_EQ(host.Surface.SelLength(), 26);

  // OK on the picture at the caret replaces it.
  host.Surface.SetSelStart(12);
  Answer([](frmImage& dialog) {
    dialog.txtURL.SetText("b.gif");
    dialog.txtWidth.SetText("120");
    dialog.cmdOk.Press();
  });
  Picture();
  EXPECT_EQ(host.Surface.Text(), u"Before <IMG SRC='b.gif' WIDTH=120 BORDER=0>after");
}

}  // namespace
}  // namespace scrivlet
