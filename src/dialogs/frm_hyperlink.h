#pragma once

#include <array>
#include <string>
#include <vector>

#include "forms/form_controls.h"
#include "forms/ok_cancel_form.h"
#include "platform/message_box.h"
#include "settings/wddx.h"

namespace scrivlet {

// The hyperlink dialog: the link's visible text (with the predefined hyperlinks to pick from)
// and its location, whose "http://" or "mailto:" prefix follows the protocol options.
//
// Use: construct, set txtURL and txtText, call Init, show through a FormHost, read Cancelled and
// the two texts. OK and Cancel hide the form; the title-bar close acts as Cancel. OK refuses a
// location the link rule does not allow (a "javascript:" URL, say) with a message, and the
// form stays open.
class frmHyperlink final : public OkCancelForm {
 public:
  // `entries` are the predefined hyperlinks; `messages` shows why a location is refused. Both
  // must outlive the form.
  frmHyperlink(const std::vector<HyperlinkEntry>& entries, MessageBox& messages);

  // Selects the protocol of the location, lists the predefined hyperlinks and selects the
  // visible text so that typing replaces it.
  void Init();

  // Handlers, run by the controls (and so by a view or a test playing the user).
  void optProtocol_Click(std::size_t index);
  void txtText_Click();

  std::string Caption = "Hyperlink";
  ControlRect ClientArea{0, 0, 6225, 2700};

  Label Label2;
  ComboBox txtText;
  Frame Frame1;
  std::array<OptionButton, 2> optProtocol;  // inside Frame1
  Label Label1;
  TextBox txtURL;
  // The target-frame chooser lies below the visible area: no marker run holds a target.
  Label Label3;
  ComboBox cboTarget;

 protected:
  bool AcceptOk() override;

 private:
  void SyncProtocol();
  void SelectProtocol(std::size_t index);
  // The first option whose tag begins the location, letter case ignored.
  const OptionButton* MatchingProtocol() const;

  const std::vector<HyperlinkEntry>& entries_;
  MessageBox& messages_;
};

}  // namespace scrivlet
