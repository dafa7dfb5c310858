#include "qt/about_view.h"

#include <algorithm>

namespace scrivlet {

AboutView::AboutView(frmAbout& form, const Screen& screen, QWidget* parent)
    : FormView(form, screen, parent), form_(form) {
  FormBinder& binder = Binder();
  binder.Bind(form.picIcon);
  binder.Bind(form.lblTitle);
  binder.Bind(form.lblDescription);
  binder.Bind(form.lblURL);
  // The grey and the white line together are one etched rule.
  const ControlRect& grey = form.Line1Grey;
  const ControlRect& white = form.Line1White;
  const std::int32_t top = std::min(grey.Top, white.Top);
  binder.BindRule(
      ControlRect{grey.Left, top, grey.Width, std::max(grey.Top, white.Top) - top + grey.Height});
  binder.Bind(form.cmdOK);
  FinishBinding();
}

}  // namespace scrivlet
