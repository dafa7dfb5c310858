#include "hosts/headless/headless_popup_menu.h"

#include <utility>

namespace scrivlet {

HeadlessPopupMenu::HeadlessPopupMenu(std::string caption,
                                     const std::vector<std::string>& fixed_items)
    : caption_(std::move(caption)) {
  std::int32_t index = 0;
  for (const std::string& item_caption : fixed_items) {
    items_.emplace(index++, Item{item_caption, false, true});
  }
}

std::vector<std::int32_t> HeadlessPopupMenu::Indexes() const {
  std::vector<std::int32_t> indexes;
  indexes.reserve(items_.size());
  for (const auto& [index, item] : items_) {
    indexes.push_back(index);
  }
  return indexes;
}

void HeadlessPopupMenu::Load(std::int32_t index) {
  if (index < 0) {
    throw MenuError("menu item index below 0", index);
  }
  if (!items_.emplace(index, Item{}).second) {
    throw MenuError("menu item already loaded", index);
  }
}

void HeadlessPopupMenu::Unload(std::int32_t index) {
  if (Find(index).Fixed) {
    throw MenuError("a menu item made with the menu cannot be unloaded", index);
  }
  items_.erase(index);
}

std::string HeadlessPopupMenu::ItemCaption(std::int32_t index) const {
  return Find(index).Caption;
}

void HeadlessPopupMenu::SetItemCaption(std::int32_t index, std::string_view caption) {
  Find(index).Caption = caption;
}

bool HeadlessPopupMenu::ItemChecked(std::int32_t index) const {
  return Find(index).Checked;
}

void HeadlessPopupMenu::SetItemChecked(std::int32_t index, bool checked) {
  Find(index).Checked = checked;
}

void HeadlessPopupMenu::ShowPopup(std::int32_t x, std::int32_t y) {
  ShowRecord show{x, y, {}, std::nullopt};
  for (const auto& [index, item] : items_) {
    show.Items.push_back(ItemState{index, item.Caption, item.Checked});
  }
  if (!choices_.empty()) {
    show.Chosen = choices_.front();
    choices_.pop_front();
  }
  if (show.Chosen && !IsLoaded(*show.Chosen)) {
    throw MenuError("the scripted choice is not a loaded menu item", *show.Chosen);
  }
  const std::optional<std::int32_t> chosen = show.Chosen;
  shows_.push_back(std::move(show));
  // A copy, so that a handler that replaces itself finishes running.
  const ClickHandler handler = click_handler_;
  if (chosen && handler) {
    handler(*chosen);
  }
}

HeadlessPopupMenu::Item& HeadlessPopupMenu::Find(std::int32_t index) {
  const auto it = items_.find(index);
  if (it == items_.end()) {
    throw MenuError("no menu item loaded at this index", index);
  }
  return it->second;
}

const HeadlessPopupMenu::Item& HeadlessPopupMenu::Find(std::int32_t index) const {
  const auto it = items_.find(index);
  if (it == items_.end()) {
    throw MenuError("no menu item loaded at this index", index);
  }
  return it->second;
}

}  // namespace scrivlet
