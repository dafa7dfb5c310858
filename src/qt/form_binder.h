#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QObject>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <exception>
#include <functional>
#include <map>
#include <vector>

#include "forms/form_controls.h"
#include "platform/screen.h"

namespace scrivlet {

// Shows a form's controls (form_controls.h) as Qt widgets and forwards the user's input to
// them. The controls are the truth: after every input the form's handlers have run, every
// widget is refreshed from its control (text, list, value, enabled, visible, place), and
// while a handler lets events run (a pause) the widgets are refreshed every kLiveRefresh as
// well, so that a status line shows.
//
// - Places and sizes are the controls' twips, converted with the screen's twips per pixel, in
//   the surface or in the frame given as container (a frame's controls are placed relative to
//   it). A control that lies wholly outside the client area is not shown.
// - The form's font is the surface's, made smaller (down to kSmallestFontPixels) where its
//   captions would not fit the controls the layout gives them.
// - Captions keep their "&" access keys: a label's key focuses the control that follows it in
//   tab order; a label with no such control shows its text without the mark.
// - Tab order follows TabIndex; the widgets carry the controls' names as object names.
// - Input forwarded: typing in a text box (TextBox::SetText), picking a list entry
//   (ComboBox::Choose), typing in a combo box's edit field (Text; ListIndex becomes -1 unless
//   the text is the chosen entry's), clicking an option (OptionButton::Choose), a check box
//   (CheckBox::Checked), a button (CommandButton::Press) or a label with a Click handler.
// - A text box or combo box that takes focus selects the control's SelStart/SelLength (byte
//   offsets into the UTF-8 text); a text box that holds only a preset prefix (a URL scheme
//   such as "http://" or "mailto:") and no selection selects the prefix, so typing replaces it.
// - An exception from a handler must not cross Qt's event handling: it is handed to the error
//   handler and the input ends there.
class FormBinder final : public QObject {
  Q_OBJECT

 public:
  static constexpr int kLiveRefreshMilliseconds = 100;
  static constexpr int kSmallestFontPixels = 9;

  // `surface` is the widget the controls are placed on (a dialog); `screen` must outlive the
  // binder.
  FormBinder(QWidget& surface, const Screen& screen);

  // Makes and binds a widget for each kind of control; `container` is a frame's widget made by
  // Bind(Frame&), or nullptr for the surface. The controls must outlive the binder.
  QLabel* Bind(Label& label, QWidget* container = nullptr);
  QLineEdit* Bind(TextBox& box, QWidget* container = nullptr);
  QComboBox* Bind(ComboBox& box, QWidget* container = nullptr);
  QPushButton* Bind(CommandButton& button, QWidget* container = nullptr);
  QCheckBox* Bind(CheckBox& box, QWidget* container = nullptr);
  QRadioButton* Bind(OptionButton& option, QWidget* container = nullptr);
  QGroupBox* Bind(Frame& frame, QWidget* container = nullptr);
  // A picture: a file (scaled to the control with Stretch, else at its own size, top left) or
  // the product's icon (kProductIconName); nothing for an empty Picture.
  QLabel* Bind(PictureBox& picture, QWidget* container = nullptr);
  // An etched horizontal rule over `rect` (its height is taken as at least 2 pixels).
  QFrame* BindRule(const ControlRect& rect, QWidget* container = nullptr);

  // The client area's size in twips, read at every refresh; controls outside it are hidden.
  void SetClientArea(std::function<ControlRect()> client_area) {
    client_area_ = std::move(client_area);
  }
  // Runs after every refresh, for the window's own state (title, size).
  void SetAfterRefresh(std::function<void()> after) { after_refresh_ = std::move(after); }
  // Receives what a handler threw.
  void SetErrorHandler(std::function<void(std::exception_ptr)> handler) {
    error_handler_ = std::move(handler);
  }

  // Call once all controls are bound: fits the font, sets the tab order and the labels'
  // buddies.
  void FinishBinding();
  // Shows every control's present state.
  void Refresh();
  // Runs a user's input through the logic, then refreshes (see above).
  void Forward(const std::function<void()>& input);
  // Focuses the first control in tab order that can take focus.
  void FocusFirst();

  // The enabled, visible button marked Cancel, or nullptr.
  CommandButton* CancelButton() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  enum class Kind { kLabel, kText, kCombo, kButton, kCheck, kOption, kFrame, kPicture, kRule };

  struct Binding {
    Kind kind;
    ControlBase* control;  // nullptr for a rule
    QWidget* widget;
    QWidget* container;  // nullptr: the surface
    std::function<void()> refresh;
  };

  QWidget* Parent(QWidget* container) const;
  Binding& Add(Kind kind, ControlBase* control, QWidget* widget, QWidget* container,
               std::function<void()> refresh);
  void Place(const Binding& binding) const;
  bool OutsideClientArea(const Binding& binding) const;
  static bool TakesFocus(Kind kind);
  void FitFont();
  bool CaptionsFit(const QFont& font) const;

  QWidget& surface_;
  const Screen& screen_;
  std::vector<Binding> bindings_;
  std::map<QObject*, std::function<void()>> focus_selections_;
  std::map<QObject*, Label*> clickable_labels_;
  std::function<ControlRect()> client_area_;
  std::function<void()> after_refresh_;
  std::function<void(std::exception_ptr)> error_handler_;
  QTimer live_refresh_;
  int forward_depth_ = 0;
  bool refreshing_ = false;
};

}  // namespace scrivlet
