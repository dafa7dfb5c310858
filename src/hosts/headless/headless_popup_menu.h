#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/popup_menu.h"

namespace scrivlet {

// A popup menu without a screen. Each ShowPopup takes the first queued choice (an item, or a
// dismissal) and dispatches it to the click handler; with nothing queued the user dismisses the
// menu. Every show is recorded with the items as they stood when the menu opened.
class HeadlessPopupMenu final : public PopupMenu {
 public:
  struct ItemState {
    std::int32_t Index = 0;
    std::string Caption;
    bool Checked = false;
  };

  struct ShowRecord {
    std::int32_t X = 0;
    std::int32_t Y = 0;
    std::vector<ItemState> Items;
    std::optional<std::int32_t> Chosen;
  };

  // The menu with its fixed items, indexes 0 .. fixed_items.size() - 1, captioned in order.
  HeadlessPopupMenu(std::string caption, const std::vector<std::string>& fixed_items);

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
  // Throws MenuError when the queued choice is not a loaded item, a fault in the script.
  void ShowPopup(std::int32_t x, std::int32_t y) override;
  void SetClickHandler(ClickHandler handler) override { click_handler_ = std::move(handler); }

  // The user chooses the item at `index` the next time the menu opens.
  void QueueChoice(std::int32_t index) { choices_.emplace_back(index); }
  // The user closes the menu without choosing the next time it opens.
  void QueueDismiss() { choices_.emplace_back(std::nullopt); }

  const std::vector<ShowRecord>& Shows() const { return shows_; }

 private:
  struct Item {
    std::string Caption;
    bool Checked = false;
    bool Fixed = false;
  };

  Item& Find(std::int32_t index);
  const Item& Find(std::int32_t index) const;

  std::string caption_;
  std::map<std::int32_t, Item> items_;
  std::deque<std::optional<std::int32_t>> choices_;
  std::vector<ShowRecord> shows_;
  ClickHandler click_handler_;
};

}  // namespace scrivlet
