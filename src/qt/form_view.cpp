#include "qt/form_view.h"

#include <QCloseEvent>

#include "qt/qt_text.h"

namespace scrivlet {

FormView::FormView(Form& form, const Screen& screen, QWidget* parent)
    : QDialog(parent), form_(form), screen_(screen), binder_(*this, screen) {
  setObjectName(ToQString(form.Name()));
  setModal(true);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  binder_.SetClientArea([this] { return ClientArea(); });
  binder_.SetAfterRefresh([this] { RefreshWindow(); });
  binder_.SetErrorHandler([this](std::exception_ptr error) {
    if (!error_) {
      error_ = error;
    }
    // Ends the show; the host rethrows.
    if (form_.Visible()) {
      form_.Hide();
    } else {
      done(QDialog::Rejected);
    }
  });
}

void FormView::FinishBinding() {
  binder_.FinishBinding();
}

void FormView::RefreshWindow() {
  const QString title = ToQString(Caption());
  if (windowTitle() != title) {
    setWindowTitle(title);
  }
  const ControlRect area = ClientArea();
  const QSize size(TwipsToPixels(area.Width, screen_.TwipsPerPixelX()),
                   TwipsToPixels(area.Height, screen_.TwipsPerPixelY()));
  if (this->size() != size || minimumSize() != size || maximumSize() != size) {
    setFixedSize(size);
  }
}

void FormView::reject() {
  CommandButton* cancel = binder_.CancelButton();
  if (cancel != nullptr) {
    binder_.Forward([cancel] { cancel->Press(); });
  }
}

void FormView::closeEvent(QCloseEvent* event) {
  // Whether the window goes is the form's choice, made through its handlers.
  event->ignore();
  binder_.Forward([this] { form_.RequestClose(UnloadMode::kUserClose); });
}

void FormView::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  binder_.FocusFirst();
}

}  // namespace scrivlet
