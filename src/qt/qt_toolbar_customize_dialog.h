#pragma once

#include <QDialog>
#include <QListWidget>
#include <QPushButton>

#include "qt/toolbar_customization.h"

namespace scrivlet {

// The "Customize Toolbar" dialog: the hidden entries on the left, the toolbar's entries on the
// right in their order. "Add ->" shows the chosen hidden entry before the chosen toolbar entry,
// "<- Remove" hides the chosen toolbar entry, "Move Up" and "Move Down" reorder, "Reset" brings
// back the default toolbar. OK keeps the result (read it from Customization()), Cancel drops
// it. Double-clicking an entry moves it to the other list.
//
// The widgets have object names for tests and accessibility tools: availableList, toolbarList,
// addButton, removeButton, moveUpButton, moveDownButton, resetButton, okButton, cancelButton.
class QtToolbarCustomizeDialog final : public QDialog {
  Q_OBJECT

 public:
  explicit QtToolbarCustomizeDialog(ToolbarCustomization customization, QWidget* parent = nullptr);

  const ToolbarCustomization& Customization() const { return customization_; }

  QListWidget* AvailableList() const { return available_; }
  QListWidget* ToolbarList() const { return toolbar_; }

  // The user's commands, as the buttons run them on the chosen list entries.
  void AddChosen();
  void RemoveChosen();
  void MoveChosenUp();
  void MoveChosenDown();
  void ResetEntries();

 private:
  // Fills both lists from the customization, choosing `toolbar_id` on the right and
  // `available_id` on the left where present.
  void Fill(std::int32_t toolbar_id, std::int32_t available_id);
  void UpdateButtons();
  static std::int32_t ChosenId(const QListWidget* list);

  ToolbarCustomization customization_;
  QListWidget* available_;
  QListWidget* toolbar_;
  QPushButton* add_;
  QPushButton* remove_;
  QPushButton* up_;
  QPushButton* down_;
};

}  // namespace scrivlet
