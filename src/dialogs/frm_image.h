#pragma once

#include <array>
#include <string>
#include <vector>

#include "forms/form_controls.h"
#include "forms/ok_cancel_form.h"
#include "platform/form_host.h"
#include "settings/wddx.h"

namespace scrivlet {

class frmImageCopy;

// The picture properties dialog: the picture's title (with the predefined pictures to pick
// from), location, size, border, alignment and spacing. "From File..." publishes a local file
// through the control's picture-copy dialog when there is a place to publish to.
//
// Use: construct, set the fields and txtAlign, call Init, show through a FormHost, read
// Cancelled, the fields and txtAlign. OK and Cancel hide the form; the title-bar close acts as
// Cancel. Every use starts with an empty alignment.
class frmImage final : public OkCancelForm {
 public:
  // The entries of the alignment list, "Not set" first.
  static const std::array<std::string, 10> kAlignments;

  // `entries` are the predefined pictures; `host` shows the picture-copy dialog `imageCopy`.
  // All three must outlive the form.
  frmImage(const std::vector<ImageEntry>& entries, frmImageCopy& imageCopy, FormHost& host);

  void Init();
  // The picture's ALIGN keyword; empty when not set.
  const std::string& txtAlign() const { return alignment_; }
  void set_txtAlign(const std::string& alignment) { alignment_ = alignment; }

  void cboAlign_Click();
  void txtText_Click();
  void cmdSelect_Click();

  std::string Caption = "Picture";
  ControlRect ClientArea{0, 0, 7290, 2610};

  Label Label2;
  ComboBox txtText;
  CommandButton cmdSelect;
  Label Label1;
  TextBox txtURL;
  Frame Frame2;
  Label Label3;
  TextBox txtWidth;
  Label Label4;
  TextBox txtHeight;
  Label Label5;
  TextBox txtBorder;
  Label Label6;
  ComboBox cboAlign;
  Frame Frame1;
  Label Label7;
  TextBox txtHorzSpacing;
  Label Label8;
  TextBox txtVertSpacing;

 private:
  void NormalizeNumber(TextBox& field);

  const std::vector<ImageEntry>& entries_;
  frmImageCopy& imageCopy_;
  FormHost& host_;
  std::string alignment_;
};

// Cleans a number field's text: empty stays empty; otherwise the leading number (blanks
// skipped, sign, digits, fraction; none reads 0) in its shortest form: "12px" "12", "abc" "0",
// "1.50" "1.5", "007" "7".
std::string NormalizeNumberText(std::string_view text);

}  // namespace scrivlet
