#pragma once

#include <string>

#include "forms/form_controls.h"
#include "platform/form_host.h"

namespace scrivlet {

// A modal dialog that ends with OK or Cancel: both hide the form and leave it for the caller to
// read; closing the window from its title bar presses Cancel instead, and a close by code goes
// ahead.
class OkCancelForm : public Form {
 public:
  // True unless the dialog was closed with OK.
  bool Cancelled() const { return !ok_; }

  void cmdOk_Click();
  void cmdCancel_Click();

  CommandButton cmdOk;
  CommandButton cmdCancel;

 protected:
  // The buttons at their places and tab positions; OK is the default, Cancel the cancel button.
  OkCancelForm(std::string name, ControlRect okRect, std::int32_t okTab, ControlRect cancelRect,
               std::int32_t cancelTab);

  bool QueryUnload(UnloadMode mode) override;
  // Whether OK may close the dialog; a form that refuses tells the user why. Default: yes.
  virtual bool AcceptOk() { return true; }

 private:
  bool ok_ = false;
};

}  // namespace scrivlet
