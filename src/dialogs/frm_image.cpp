#include "dialogs/frm_image.h"

#include <algorithm>
#include <cstdio>

#include "conversion/html_safety.h"
#include "publishing/frm_image_copy.h"
#include "text/text_codec.h"
#include "text/util_lib.h"

namespace scrivlet {

namespace {

std::string Decimal(std::int32_t value) {
  std::string text;
  AppendDecimal(text, value);
  return text;
}

constexpr std::int32_t kSelectGap = 240;

}  // namespace

// "Not set", then the keywords a picture tag may carry, from the one table of them.
const std::array<std::string, 10> frmImage::kAlignments = [] {
  std::array<std::string, 10> alignments;
  static_assert(kPictureAlignments.size() + 1 == alignments.size());
  alignments[0] = "Not set";
  std::copy(kPictureAlignments.begin(), kPictureAlignments.end(), alignments.begin() + 1);
  return alignments;
}();

std::string NormalizeNumberText(std::string_view text) {
  if (text.empty()) {
    return {};
  }
  double value = ReadLeadingNumber(text);
  if (value == 0) {
    value = 0;  // no "-0"
  }
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.15g", value);
  return buffer;
}

frmImage::frmImage(const std::vector<ImageEntry>& entries, frmImageCopy& imageCopy, FormHost& host)
    : OkCancelForm("frmImage", {5880, 240, 1215, 375}, 19, {5880, 720, 1215, 375}, 20),
      entries_(entries),
      imageCopy_(imageCopy),
      host_(host) {
  Label2 = MakeLabel("Label2", "&Picture:", {240, 360, 855, 255}, 0);
  txtText = MakeControl<ComboBox>("txtText", {1200, 240, 2895, 315}, 1);
  cmdSelect = MakeControl<CommandButton>("cmdSelect", {4320, 240, 1215, 375}, 2);
  cmdSelect.Caption = "&From File...";
  Label1 = MakeLabel("Label1", "&Location:", {240, 840, 855, 255}, 3);
  txtURL = MakeControl<TextBox>("txtURL", {1200, 720, 4335, 375}, 4);
  Frame2 = MakeControl<Frame>("Frame2", {240, 1200, 4695, 1215}, 5);
  Frame2.Caption = "Layout";
  Label3 = MakeLabel("Label3", "&Width:", {120, 360, 735, 255}, 6);
  txtWidth = MakeControl<TextBox>("txtWidth", {960, 240, 735, 375}, 7);
  Label4 = MakeLabel("Label4", "&Height:", {120, 840, 735, 255}, 8);
  txtHeight = MakeControl<TextBox>("txtHeight", {960, 720, 735, 375}, 9);
  Label5 = MakeLabel("Label5", "&Border Thickness:", {2040, 360, 1455, 255}, 10);
  txtBorder = MakeControl<TextBox>("txtBorder", {3720, 240, 735, 375}, 11);
  txtBorder.Text = "0";
  Label6 = MakeLabel("Label6", "&Alignment:", {2040, 840, 975, 255}, 12);
  cboAlign = MakeControl<ComboBox>("cboAlign", {3120, 720, 1335, 315}, 13);
  cboAlign.DropDownList = true;
  for (const std::string& alignment : kAlignments) {
    cboAlign.AddItem(alignment);
  }
  Frame1 = MakeControl<Frame>("Frame1", {5040, 1200, 2055, 1215}, 14);
  Frame1.Caption = "Spacing";
  Label7 = MakeLabel("Label7", "H&orizontal:", {240, 360, 855, 255}, 15);
  txtHorzSpacing = MakeControl<TextBox>("txtHorzSpacing", {1200, 240, 735, 375}, 16);
  Label8 = MakeLabel("Label8", "&Vertical:", {240, 840, 855, 255}, 17);
  txtVertSpacing = MakeControl<TextBox>("txtVertSpacing", {1200, 720, 735, 375}, 18);

  cboAlign.Click = [this] { cboAlign_Click(); };
  txtText.Click = [this] { txtText_Click(); };
  cmdSelect.Click = [this] { cmdSelect_Click(); };
  for (TextBox* field : {&txtWidth, &txtHeight, &txtBorder, &txtHorzSpacing, &txtVertSpacing}) {
    field->Change = [this, field] { NormalizeNumber(*field); };
  }
}

void frmImage::Init() {
  if (alignment_.empty()) {
    cboAlign.Choose(0);
  } else {
    for (std::size_t i = 1; i < kAlignments.size(); ++i) {
      if (StartsWithNoCase(alignment_, kAlignments[i])) {
        cboAlign.Choose(static_cast<std::int32_t>(i));
        break;
      }
    }
  }

  const std::string title = txtText.Text;
  txtText.Clear();
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    txtText.AddItem(entries_[i].Title, static_cast<std::int32_t>(i + 1));
  }
  txtText.Text = title;

  const bool fromFile = !imageCopy_.FTPServer().empty() || !imageCopy_.ImagesPath().empty();
  txtText.Rect.Width =
      fromFile ? txtURL.Rect.Width - cmdSelect.Rect.Width - kSelectGap : txtURL.Rect.Width;
  cmdSelect.Visible = fromFile;
  cmdSelect.Enabled = fromFile;

  txtText.SelStart = 0;
  txtText.SelLength = static_cast<std::int32_t>(txtText.Text.size());
}

void frmImage::cboAlign_Click() {
  const std::int32_t index = cboAlign.ListIndex;
  if (index == 0) {
    alignment_.clear();
  } else if (index > 0 && static_cast<std::size_t>(index) < kAlignments.size()) {
    alignment_ = kAlignments[static_cast<std::size_t>(index)];
  }
}

void frmImage::txtText_Click() {
  const auto entry = static_cast<std::size_t>(txtText.ChosenItemData());
  if (entry < 1 || entry > entries_.size()) {
    return;
  }
  const ImageEntry& picture = entries_[entry - 1];
  txtURL.SetText(picture.Location);
  if (picture.Width > 0) {
    txtWidth.SetText(Decimal(picture.Width));
  }
  if (picture.Height > 0) {
    txtHeight.SetText(Decimal(picture.Height));
  }
}

void frmImage::NormalizeNumber(TextBox& field) {
  // Setting the cleaned text raises Change again, which then finds nothing to clean.
  field.SetText(NormalizeNumberText(field.Text));
}

void frmImage::cmdSelect_Click() {
  imageCopy_.LocalFilename.SetText("");
  imageCopy_.SetFullPath(txtURL.Text);
  host_.ShowModal(imageCopy_);
  if (imageCopy_.Cancelled()) {
    return;
  }
  txtURL.SetText(imageCopy_.FullPath());
  const std::int32_t width = imageCopy_.ImageWidth();
  const std::int32_t height = imageCopy_.ImageHeight();
  if (width >= 1 && height >= 1) {
    txtWidth.SetText(Decimal(width));
    txtHeight.SetText(Decimal(height));
  }
  // A picture without a text says nothing to readers who cannot see it; the file's name is a
  // start the user can improve.
  if (txtText.Text.empty()) {
    txtText.Text = imageCopy_.ProposedAltText();
  }
}

}  // namespace scrivlet
