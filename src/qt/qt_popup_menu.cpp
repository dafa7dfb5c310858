#include "qt/qt_popup_menu.h"

#include <utility>

#include "qt/qt_text.h"

namespace scrivlet {

QtPopupMenu::QtPopupMenu(std::string caption, const std::vector<std::string>& fixed_items,
                         const Screen& screen, QWidget* owner)
    : caption_(std::move(caption)),
      screen_(screen),
      owner_(owner),
      menu_(std::make_unique<QMenu>()) {
  menu_->setTitle(ToQString(caption_));
  menu_->setAccessibleName(ToQString(caption_));
  std::int32_t index = 0;
  for (const std::string& item_caption : fixed_items) {
    items_.emplace(index, Item{MakeAction(index, item_caption), true});
    ++index;
  }
}

QtPopupMenu::~QtPopupMenu() = default;

QAction* QtPopupMenu::MakeAction(std::int32_t index, const std::string& caption) {
  auto* action = new QAction(ToQString(caption), menu_.get());
  action->setCheckable(true);
  // Kept in index order: before the first loaded item with a higher index.
  const auto next = items_.upper_bound(index);
  menu_->insertAction(next == items_.end() ? nullptr : next->second.action, action);
  QObject::connect(action, &QAction::triggered, menu_.get(), [this, index] {
    chosen_ = index;
    menu_->close();
  });
  return action;
}

std::vector<std::int32_t> QtPopupMenu::Indexes() const {
  std::vector<std::int32_t> indexes;
  indexes.reserve(items_.size());
  for (const auto& [index, item] : items_) {
    indexes.push_back(index);
  }
  return indexes;
}

void QtPopupMenu::Load(std::int32_t index) {
  if (index < 0) {
    throw MenuError("menu item index below 0", index);
  }
  if (IsLoaded(index)) {
    throw MenuError("menu item already loaded", index);
  }
  QAction* action = MakeAction(index, {});
  items_.emplace(index, Item{action, false});
}

void QtPopupMenu::Unload(std::int32_t index) {
  const Item item = Find(index);
  if (item.fixed) {
    throw MenuError("a menu item made with the menu cannot be unloaded", index);
  }
  items_.erase(index);
  menu_->removeAction(item.action);
  delete item.action;
}

std::string QtPopupMenu::ItemCaption(std::int32_t index) const {
  return ToStdString(Find(index).action->text());
}

void QtPopupMenu::SetItemCaption(std::int32_t index, std::string_view caption) {
  Find(index).action->setText(ToQString(caption));
}

bool QtPopupMenu::ItemChecked(std::int32_t index) const {
  return Find(index).action->isChecked();
}

void QtPopupMenu::SetItemChecked(std::int32_t index, bool checked) {
  Find(index).action->setChecked(checked);
}

QAction& QtPopupMenu::ItemAction(std::int32_t index) {
  return *Find(index).action;
}

void QtPopupMenu::ShowPopup(std::int32_t x, std::int32_t y) {
  const QPoint local(TwipsToPixels(x, screen_.TwipsPerPixelX()),
                     TwipsToPixels(y, screen_.TwipsPerPixelY()));
  last_position_ = owner_ ? owner_->mapToGlobal(local) : local;
  // Triggering an item toggles its check mark; the menu shows the state its owner sets.
  std::map<std::int32_t, bool> checks;
  for (const auto& [index, item] : items_) {
    checks[index] = item.action->isChecked();
  }
  chosen_.reset();
  menu_->exec(last_position_);
  for (const auto& [index, checked] : checks) {
    if (const auto it = items_.find(index); it != items_.end()) {
      it->second.action->setChecked(checked);
    }
  }
  const std::optional<std::int32_t> chosen = std::exchange(chosen_, std::nullopt);
  // A copy, so that a handler that replaces itself finishes running.
  const ClickHandler handler = click_handler_;
  if (chosen && handler && IsLoaded(*chosen)) {
    handler(*chosen);
  }
}

QtPopupMenu::Item& QtPopupMenu::Find(std::int32_t index) {
  const auto it = items_.find(index);
  if (it == items_.end()) {
    throw MenuError("no menu item loaded at this index", index);
  }
  return it->second;
}

const QtPopupMenu::Item& QtPopupMenu::Find(std::int32_t index) const {
  const auto it = items_.find(index);
  if (it == items_.end()) {
    throw MenuError("no menu item loaded at this index", index);
  }
  return it->second;
}

}  // namespace scrivlet
