#include "qt/hyperlink_view.h"

namespace scrivlet {

HyperlinkView::HyperlinkView(frmHyperlink& form, const Screen& screen, QWidget* parent)
    : FormView(form, screen, parent), form_(form) {
  FormBinder& binder = Binder();
  binder.Bind(form.Label2);
  binder.Bind(form.txtText);
  QWidget* frame = binder.Bind(form.Frame1);
  for (OptionButton& option : form.optProtocol) {
    binder.Bind(option, frame);
  }
  binder.Bind(form.Label1);
  binder.Bind(form.txtURL);
  binder.Bind(form.Label3);
  binder.Bind(form.cboTarget);
  binder.Bind(form.cmdOk);
  binder.Bind(form.cmdCancel);
  FinishBinding();
}

}  // namespace scrivlet
