#include "platform/headless/headless_toolbar.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>

#include "platform/toolbar_layout.h"

namespace scrivlet {

class HeadlessToolbar::Entry final : public ToolbarButton {
 public:
  Entry(const HeadlessToolbar& owner, const ButtonDefinition& definition, std::int32_t serial)
      : owner_(owner), definition_(definition), serial_(serial) {}

  std::int32_t Index() const override { return owner_.IndexOf(*this); }
  const std::string& Key() const override { return definition_.Key; }
  ButtonStyle Style() const override { return definition_.Style; }
  const std::string& Description() const override { return definition_.Description; }
  const std::string& ToolTipText() const override { return definition_.ToolTipText; }
  const std::string& Image() const override { return definition_.Image; }
  void SetImage(std::string_view image_key) override { definition_.Image = image_key; }
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }
  bool Visible() const override { return visible_; }
  void SetVisible(bool visible) override { visible_ = visible; }
  ButtonValue Value() const override { return value_; }
  void SetValue(ButtonValue value) override { value_ = value; }
  bool MixedState() const override { return mixed_; }
  void SetMixedState(bool mixed) override { mixed_ = mixed; }
  std::int32_t Left() const override { return owner_.LeftOf(*this); }
  std::int32_t Top() const override { return kMarginPixels * kTwipsPerPixel; }
  std::int32_t Height() const override { return kButtonHeightPixels * kTwipsPerPixel; }

  std::int32_t Serial() const { return serial_; }
  std::int32_t WidthTwips() const {
    if (!visible_) {
      return 0;
    }
    const bool separator = definition_.Style == ButtonStyle::kSeparator;
    return (separator ? kSeparatorWidthPixels : kButtonWidthPixels) * kTwipsPerPixel;
  }
  // Whether a stored layout item names this entry.
  bool Matches(const LayoutItem& item) const {
    return definition_.Key.empty() ? item.Key.empty() && item.Serial == serial_
                                   : item.Key == definition_.Key;
  }
  LayoutItem ToLayoutItem() const {
    return LayoutItem{definition_.Key, definition_.Key.empty() ? serial_ : 0, !visible_};
  }

 private:
  const HeadlessToolbar& owner_;
  ButtonDefinition definition_;
  std::int32_t serial_;
  bool enabled_ = true;
  bool visible_ = true;
  ButtonValue value_ = ButtonValue::kUnpressed;
  bool mixed_ = false;
};

HeadlessToolbar::HeadlessToolbar(SettingsStore& settings) : settings_(settings) {}

HeadlessToolbar::~HeadlessToolbar() = default;

std::int32_t HeadlessToolbar::Count() const {
  return static_cast<std::int32_t>(entries_.size());
}

std::size_t HeadlessToolbar::Position(std::int32_t index) const {
  if (index < 1 || index > Count()) {
    throw ToolbarError(index);
  }
  return static_cast<std::size_t>(index - 1);
}

std::size_t HeadlessToolbar::Position(std::string_view key) const {
  const auto it = std::find_if(entries_.begin(), entries_.end(), [key](const auto& entry) {
    return !key.empty() && entry->Key() == key;
  });
  if (it == entries_.end()) {
    throw ToolbarError(key);
  }
  return static_cast<std::size_t>(it - entries_.begin());
}

ToolbarButton& HeadlessToolbar::Button(std::int32_t index) {
  return *entries_[Position(index)];
}

const ToolbarButton& HeadlessToolbar::Button(std::int32_t index) const {
  return *entries_[Position(index)];
}

ToolbarButton& HeadlessToolbar::Button(std::string_view key) {
  return *entries_[Position(key)];
}

const ToolbarButton& HeadlessToolbar::Button(std::string_view key) const {
  return *entries_[Position(key)];
}

bool HeadlessToolbar::Contains(std::string_view key) const {
  return !key.empty() && std::any_of(entries_.begin(), entries_.end(),
                                     [key](const auto& entry) { return entry->Key() == key; });
}

ToolbarButton& HeadlessToolbar::Add(const ButtonDefinition& definition) {
  if (Contains(definition.Key)) {
    throw std::invalid_argument("toolbar key \"" + definition.Key + "\" is already in use");
  }
  entries_.push_back(std::make_unique<Entry>(*this, definition, ++next_serial_));
  return *entries_.back();
}

void HeadlessToolbar::Remove(std::int32_t index) {
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(Position(index)));
}

void HeadlessToolbar::Remove(std::string_view key) {
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(Position(key)));
}

std::int32_t HeadlessToolbar::Height() const {
  return (kButtonHeightPixels + 2 * kMarginPixels) * kTwipsPerPixel;
}

std::int32_t HeadlessToolbar::IndexOf(const Entry& entry) const {
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].get() == &entry) {
      return static_cast<std::int32_t>(i + 1);
    }
  }
  return 0;  // not reachable: an entry lives only while it is on its toolbar
}

std::int32_t HeadlessToolbar::LeftOf(const Entry& entry) const {
  std::int32_t left = 0;
  for (const auto& other : entries_) {
    if (other.get() == &entry) {
      break;
    }
    left += other->WidthTwips();
  }
  return left;
}

void HeadlessToolbar::SaveToolbar(std::string_view key, std::string_view subkey,
                                  std::string_view value_name) {
  std::vector<LayoutItem> items;
  items.reserve(entries_.size());
  for (const auto& entry : entries_) {
    items.push_back(entry->ToLayoutItem());
  }
  const LayoutLocation where = ToolbarLayoutLocation(key, subkey, value_name);
  settings_.SaveSetting(where.Application, where.Section, where.Key, EncodeToolbarLayout(items));
}

void HeadlessToolbar::RestoreToolbar(std::string_view key, std::string_view subkey,
                                     std::string_view value_name) {
  const LayoutLocation where = ToolbarLayoutLocation(key, subkey, value_name);
  const std::vector<LayoutItem> items =
      DecodeToolbarLayout(settings_.GetSetting(where.Application, where.Section, where.Key, ""));
  if (items.empty()) {
    return;
  }
  std::vector<std::unique_ptr<Entry>> ordered;
  ordered.reserve(entries_.size());
  for (const LayoutItem& item : items) {
    const auto it = std::find_if(entries_.begin(), entries_.end(), [&item](const auto& entry) {
      return entry != nullptr && entry->Matches(item);
    });
    if (it != entries_.end()) {
      (*it)->SetVisible(!item.Hidden);
      ordered.push_back(std::move(*it));
    }
  }
  for (auto& entry : entries_) {
    if (entry != nullptr) {
      ordered.push_back(std::move(entry));
    }
  }
  entries_ = std::move(ordered);
}

void HeadlessToolbar::SetButtonClickHandler(ButtonClickHandler handler) {
  click_handler_ = std::move(handler);
}

void HeadlessToolbar::SetChangeHandler(ChangeHandler handler) {
  change_handler_ = std::move(handler);
}

bool HeadlessToolbar::UserClick(std::string_view key) {
  return UserClick(static_cast<std::int32_t>(Position(key) + 1));
}

bool HeadlessToolbar::UserClick(std::int32_t index) {
  const std::size_t position = Position(index);
  Entry& entry = *entries_[position];
  if (!entry.Enabled() || !entry.Visible() || entry.Style() == ButtonStyle::kSeparator) {
    return false;
  }
  if (entry.Style() == ButtonStyle::kCheck) {
    const bool pressed = entry.Value() == ButtonValue::kPressed;
    entry.SetValue(pressed ? ButtonValue::kUnpressed : ButtonValue::kPressed);
    entry.SetMixedState(false);
  } else if (entry.Style() == ButtonStyle::kButtonGroup) {
    PressInGroup(position);
  }
  // A copy, so that a handler that replaces itself finishes running.
  const ButtonClickHandler handler = click_handler_;
  if (handler) {
    handler(entry);
  }
  return true;
}

void HeadlessToolbar::PressInGroup(std::size_t position) {
  const auto in_group = [this](std::size_t i) {
    return entries_[i]->Style() == ButtonStyle::kButtonGroup;
  };
  std::size_t first = position;
  while (first > 0 && in_group(first - 1)) {
    --first;
  }
  for (std::size_t i = first; i < entries_.size() && in_group(i); ++i) {
    entries_[i]->SetValue(i == position ? ButtonValue::kPressed : ButtonValue::kUnpressed);
  }
  entries_[position]->SetMixedState(false);
}

bool HeadlessToolbar::UserHide(std::int32_t index) {
  const std::size_t position = Position(index);
  if (!allow_customize_) {
    return false;
  }
  entries_[position]->SetVisible(false);
  RaiseChange();
  return true;
}

bool HeadlessToolbar::UserShow(std::int32_t index) {
  const std::size_t position = Position(index);
  if (!allow_customize_) {
    return false;
  }
  entries_[position]->SetVisible(true);
  RaiseChange();
  return true;
}

bool HeadlessToolbar::UserMove(std::int32_t from, std::int32_t to) {
  const std::size_t source = Position(from);
  const std::size_t target = Position(to);
  if (!allow_customize_) {
    return false;
  }
  std::unique_ptr<Entry> moving = std::move(entries_[source]);
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(source));
  entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(target), std::move(moving));
  RaiseChange();
  return true;
}

void HeadlessToolbar::RaiseChange() {
  const ChangeHandler handler = change_handler_;
  if (handler) {
    handler();
  }
}

}  // namespace scrivlet
