#pragma once

#include <QDialog>
#include <exception>

#include "platform/form_host.h"
#include "platform/screen.h"
#include "qt/form_binder.h"

namespace scrivlet {

// The window of one form: a fixed-size QDialog whose controls a FormBinder shows. Each form's
// view derives from it, binds the form's controls and says what the window shows.
//
// - The close box asks the form: Form::RequestClose(UnloadMode::kUserClose). The form decides
//   (the dialogs press their Cancel button).
// - Escape presses the form's Cancel button, when it has one; Enter the default button (or the
//   focused one), as QDialog does.
// - The view never ends its own modal loop: the host ends it when the form hides itself.
// - What a handler throws is kept (TakeError) and the form hidden, so that the show ends.
class FormView : public QDialog {
  Q_OBJECT

 public:
  FormView(Form& form, const Screen& screen, QWidget* parent);

  Form& ViewedForm() const { return form_; }
  FormBinder& Binder() { return binder_; }
  // The error a handler threw during the show, if any; taken out.
  std::exception_ptr TakeError() { return std::exchange(error_, nullptr); }

  // Shows the form's present state (the host calls it before the show).
  void Refresh() { binder_.Refresh(); }

 public slots:
  // Escape, and a reject() by code: the Cancel button, when there is one.
  void reject() override;

 protected:
  // For the derived views: the window's client area in twips and its caption, read at every
  // refresh.
  virtual ControlRect ClientArea() const = 0;
  virtual std::string Caption() const = 0;
  // Call at the end of the derived constructor, once every control is bound.
  void FinishBinding();

  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void RefreshWindow();

  Form& form_;
  const Screen& screen_;
  FormBinder binder_;
  std::exception_ptr error_;
};

}  // namespace scrivlet
