#pragma once

#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QWidget>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/popup_menu.h"
#include "platform/screen.h"

namespace scrivlet {

// A popup menu as a QMenu: one QAction per loaded item, kept in index order, every item
// checkable so that a check mark shows when set. Captions are menu texts, so "&" marks an
// access key ("&&" shows one).
//
// ShowPopup converts its twips to pixels with the screen's twips per pixel, places the menu at
// that point of `owner` (of the screen when there is no owner) and runs it modally. Choosing an
// item, by the user or by triggering its action, closes the menu; the click handler runs once
// the menu has closed, before ShowPopup returns.
class QtPopupMenu final : public PopupMenu {
 public:
  // The menu with its fixed items, indexes 0 .. fixed_items.size() - 1. `screen` must outlive
  // the menu; `owner` may go away first.
  QtPopupMenu(std::string caption, const std::vector<std::string>& fixed_items,
              const Screen& screen, QWidget* owner = nullptr);
  ~QtPopupMenu() override;
  QtPopupMenu(const QtPopupMenu&) = delete;
  QtPopupMenu& operator=(const QtPopupMenu&) = delete;

  const std::string& Caption() const override { return caption_; }
  std::int32_t Count() const override { return static_cast<std::int32_t>(items_.size()); }
  std::vector<std::int32_t> Indexes() const override;
  bool IsLoaded(std::int32_t index) const override { return items_.count(index) != 0; }
  void Load(std::int32_t index) override;
  void Unload(std::int32_t index) override;
  std::string ItemCaption(std::int32_t index) const override;
  void SetItemCaption(std::int32_t index, std::string_view caption) override;
  bool ItemChecked(std::int32_t index) const override;
  void SetItemChecked(std::int32_t index, bool checked) override;
  void ShowPopup(std::int32_t x, std::int32_t y) override;
  void SetClickHandler(ClickHandler handler) override { click_handler_ = std::move(handler); }

  // The Qt side, for hosts and tests: the menu and an item's action (MenuError when the item
  // is not loaded).
  QMenu& Menu() { return *menu_; }
  QAction& ItemAction(std::int32_t index);
  // Where the last ShowPopup placed the menu, in global pixels.
  QPoint LastPosition() const { return last_position_; }

 private:
  struct Item {
    QAction* action = nullptr;  // owned by the menu
    bool fixed = false;
  };

  Item& Find(std::int32_t index);
  const Item& Find(std::int32_t index) const;
  QAction* MakeAction(std::int32_t index, const std::string& caption);

  std::string caption_;
  const Screen& screen_;
  QPointer<QWidget> owner_;
  std::unique_ptr<QMenu> menu_;
  std::map<std::int32_t, Item> items_;
  std::optional<std::int32_t> chosen_;
  QPoint last_position_;
  ClickHandler click_handler_;
};

}  // namespace scrivlet
