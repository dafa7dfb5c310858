#pragma once

#include <QAction>
#include <QColor>
#include <QPointer>
#include <QToolBar>
#include <QToolButton>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/screen.h"
#include "platform/settings_store.h"
#include "platform/toolbar_model.h"

namespace scrivlet {

// The toolbar as a QToolBar: one QAction per entry, in entry order, 16 x 16 icons only.
//
// - Styles: a check entry is a checkable action that toggles; a group entry presses and
//   releases the adjacent group entries (separators end a group), and clicking a pressed one
//   keeps it pressed; a separator is a separator action. Clicks on disabled or hidden entries
//   do nothing. The state shown always follows the entries' Value and MixedState.
// - A mixed entry shows released, with its icon faded under a dash (MixedStateIcon) and
//   "mixed" as the button's accessible description.
// - Pictures come from the image list: ToolbarIcon(key, artwork) for an image key the list has,
//   none otherwise (the button then shows its description).
// - Each button's tooltip is the entry's ToolTipText and its accessible name the tooltip (or
//   the description, or the key); actions and buttons carry the key as object name.
// - Geometry is measured from the laid-out buttons, in twips, in `owner`'s coordinates (the
//   toolbar's own when there is no owner). A hidden entry, or one that does not fit and went
//   into the toolbar's overflow menu, reports the left edge of the next shown entry (or the
//   right edge of the last one). Before the toolbar is first shown nothing is laid out.
// - With AllowCustomize, the toolbar's context menu offers "Customize Toolbar...", which opens
//   QtToolbarCustomizeDialog; closing it with OK applies the order and hidden entries and
//   raises the change event. Reset there brings back the order entries were added in, all
//   shown.
// - SaveToolbar and RestoreToolbar use the shared layout format (toolbar_layout.h), so a layout
//   saved by any toolbar implementation restores here.
class QtToolbar final : public ToolbarModel {
 public:
  static constexpr int kIconPixels = 16;

  // `settings` keeps saved layouts and `screen` converts pixels to twips; both must outlive the
  // toolbar. The QToolBar is made as a child of `owner`; the owner may delete it first, after
  // which only destruction is allowed.
  QtToolbar(SettingsStore& settings, const Screen& screen, QWidget* owner = nullptr);
  ~QtToolbar() override;

  std::int32_t Height() const override;

  // The Qt side, for the host that places the toolbar and for tests.
  QToolBar& Widget() { return *bar_; }
  // The entry's action, and its button (nullptr while the toolbar has made none, as for a
  // separator). Both throw ToolbarError when there is no such entry.
  QAction& Action(std::int32_t index);
  QAction& Action(std::string_view key);
  QToolButton* ButtonWidget(std::string_view key);
  // The entry `key` shows `color` in its picture's colour bar from now on (the last font colour
  // applied); nothing happens while there is no such entry.
  void ShowColor(std::string_view key, const QColor& color);

  // Keyboard access (a host binds a key such as Alt+F10 to FocusFirstButton): the focus goes to
  // the first button that can be clicked, and shows; Left and Right (Home, End) move it between
  // such buttons, Enter or Space clicks the one that has it, and Escape calls the leave
  // handler, which gives the focus back to the host's text.
  void FocusFirstButton();
  void SetLeaveHandler(std::function<void()> leave) { leave_ = std::move(leave); }

  // Opens the customise dialog modally, as the context menu does; returns true when the user
  // closed it with OK (the change event has then run). Returns false at once while
  // AllowCustomize is false.
  bool Customize();

 private:
  class Entry;
  friend class Entry;

  std::unique_ptr<ToolbarModel::Entry> MakeEntry(const ButtonDefinition& definition,
                                                 std::int32_t serial) override;
  void OrderChanged() override;
  Entry& At(std::size_t position) const;
  void OnTriggered(Entry& entry);
  void ShowContextMenu(const QPoint& position);
  // The buttons the keyboard can reach, in order.
  std::vector<QToolButton*> ReachableButtons() const;
  bool HandleButtonKey(QToolButton& button, int key);
  class KeyboardFilter;
  // Geometry helpers, in pixels in the owner's coordinates.
  QWidget* Origin() const;
  QWidget* LaidOutButton(const Entry& entry) const;
  QRect ButtonRect(const QWidget* button) const;
  QRect EntryRect(const Entry& entry) const;

  const Screen& screen_;
  QPointer<QWidget> owner_;
  QPointer<QToolBar> bar_;
  std::map<std::string, QColor, std::less<>> colors_;
  std::function<void()> leave_;
  std::unique_ptr<KeyboardFilter> keyboard_;
};

}  // namespace scrivlet
