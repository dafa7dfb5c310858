#include "qt/image_view.h"

namespace scrivlet {

ImageView::ImageView(frmImage& form, const Screen& screen, QWidget* parent)
    : FormView(form, screen, parent), form_(form) {
  FormBinder& binder = Binder();
  binder.Bind(form.Label2);
  binder.Bind(form.txtText);
  binder.Bind(form.cmdSelect);
  binder.Bind(form.Label1);
  binder.Bind(form.txtURL);
  QWidget* layout = binder.Bind(form.Frame2);
  binder.Bind(form.Label3, layout);
  binder.Bind(form.txtWidth, layout);
  binder.Bind(form.Label4, layout);
  binder.Bind(form.txtHeight, layout);
  binder.Bind(form.Label5, layout);
  binder.Bind(form.txtBorder, layout);
  binder.Bind(form.Label6, layout);
  binder.Bind(form.cboAlign, layout);
  QWidget* spacing = binder.Bind(form.Frame1);
  binder.Bind(form.Label7, spacing);
  binder.Bind(form.txtHorzSpacing, spacing);
  binder.Bind(form.Label8, spacing);
  binder.Bind(form.txtVertSpacing, spacing);
  binder.Bind(form.cmdOk);
  binder.Bind(form.cmdCancel);
  FinishBinding();
}

}  // namespace scrivlet
