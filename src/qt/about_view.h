#pragma once

#include "dialogs/frm_about.h"
#include "qt/form_view.h"

namespace scrivlet {

// The window of frmAbout: the product's icon, name and version, the description, the maker's
// address (a click opens it) above an etched rule, and OK.
class AboutView final : public FormView {
  Q_OBJECT

 public:
  AboutView(frmAbout& form, const Screen& screen, QWidget* parent = nullptr);

 protected:
  ControlRect ClientArea() const override { return form_.ClientArea; }
  std::string Caption() const override { return form_.Caption; }

 private:
  frmAbout& form_;
};

}  // namespace scrivlet
