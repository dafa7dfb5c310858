#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

// Forms (dialog windows) and the host that shows them.
//
// A form's logic is plain C++ in a class derived from Form: its fields, lists and handlers. A
// view, where there is one, only shows that state and forwards the user's input. The form is
// shown modally by a FormHost; the modal display ends when the form hides itself (its OK or
// Cancel handler calls Hide) or when it agrees to be closed from its title bar.
namespace scrivlet {

// Raised for a show the host cannot carry out: the form is already shown, or it refuses every
// way of closing, so that a modal display would never end.
class FormError : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

// Who asks a form to close.
enum class UnloadMode {
  kUserClose,  // the user, from the window's title bar or system menu
  kCode,       // the program, unloading the form
};

class Form {
 public:
  explicit Form(std::string name) : name_(std::move(name)) {}
  virtual ~Form() = default;
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  // The form's name, by which hosts find its view or the code that plays its user.
  const std::string& Name() const { return name_; }
  // True while a host shows the form.
  bool Visible() const { return visible_; }

  // Hides the form and ends its modal display; the form keeps its state. Does nothing when the
  // form is not shown.
  void Hide();

  // Asks the form to close: runs QueryUnload(mode) and hides the form unless it refuses.
  // Returns true when the form agreed. Hosts call it for the title-bar close; owners call it
  // with kCode before discarding a form.
  bool RequestClose(UnloadMode mode);

 protected:
  // Decides whether the form may close. Return true to refuse. A form that refuses a user's
  // close may still end its display, for instance by pressing its own Cancel. Default: agree.
  virtual bool QueryUnload(UnloadMode mode);

 private:
  friend class FormHost;

  std::string name_;
  bool visible_ = false;
  std::function<void()> on_hidden_;
};

class FormHost {
 public:
  virtual ~FormHost() = default;

  // Shows `form` modally and returns once it is hidden. Other forms may be shown modally on top
  // of it meanwhile. Throws FormError when `form` is already shown, or when it refuses to close
  // after the user has closed its window.
  virtual void ShowModal(Form& form) = 0;

 protected:
  // For implementations: marks `form` shown; `on_hidden` runs once when it is hidden (a view's
  // modal loop ends there) and may be empty.
  static void BeginShow(Form& form, std::function<void()> on_hidden);
};

}  // namespace scrivlet
