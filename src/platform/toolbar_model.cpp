#include "platform/toolbar_model.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace scrivlet {

// ----- Entry -----

void ToolbarModel::Entry::SetImage(std::string_view image_key) {
  definition_.Image = image_key;
  ImageChanged();
}

// A view may show a state other than the entry's (Qt toggles a checkable action before the
// click reaches us): every assignment redraws, even of the same value.
void ToolbarModel::Entry::SetEnabled(bool enabled) {
  enabled_ = enabled;
  StateChanged();
}

void ToolbarModel::Entry::SetVisible(bool visible) {
  visible_ = visible;
  StateChanged();
}

void ToolbarModel::Entry::SetValue(ButtonValue value) {
  value_ = value;
  StateChanged();
}

void ToolbarModel::Entry::SetMixedState(bool mixed) {
  if (mixed_ != mixed) {
    mixed_ = mixed;
    StateChanged();
  }
}

bool ToolbarModel::Entry::Clickable() const {
  return enabled_ && visible_ && definition_.Style != ButtonStyle::kSeparator;
}

bool ToolbarModel::Entry::Matches(const LayoutItem& item) const {
  return definition_.Key.empty() ? item.Key.empty() && item.Serial == serial_
                                 : item.Key == definition_.Key;
}

LayoutItem ToolbarModel::Entry::ToLayoutItem() const {
  return LayoutItem{definition_.Key, definition_.Key.empty() ? serial_ : 0, !visible_};
}

std::string ToolbarModel::Entry::Label() const {
  if (definition_.Style == ButtonStyle::kSeparator) {
    return "Separator";
  }
  return definition_.Description.empty() ? definition_.Key : definition_.Description;
}

// ----- Toolbar -----

ToolbarModel::ToolbarModel(SettingsStore& settings) : settings_(settings) {}

ToolbarModel::~ToolbarModel() = default;

std::int32_t ToolbarModel::Count() const {
  return static_cast<std::int32_t>(entries_.size());
}

std::size_t ToolbarModel::Position(std::int32_t index) const {
  if (index < 1 || index > Count()) {
    throw ToolbarError(index);
  }
  return static_cast<std::size_t>(index - 1);
}

std::size_t ToolbarModel::Position(std::string_view key) const {
  const auto it = std::find_if(entries_.begin(), entries_.end(), [key](const auto& entry) {
    return !key.empty() && entry->Key() == key;
  });
  if (it == entries_.end()) {
    throw ToolbarError(key);
  }
  return static_cast<std::size_t>(it - entries_.begin());
}

std::int32_t ToolbarModel::IndexOf(const Entry& entry) const {
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].get() == &entry) {
      return static_cast<std::int32_t>(i + 1);
    }
  }
  return 0;  // not reachable: an entry lives only while it is on its toolbar
}

ToolbarButton& ToolbarModel::Button(std::int32_t index) {
  return *entries_[Position(index)];
}

const ToolbarButton& ToolbarModel::Button(std::int32_t index) const {
  return *entries_[Position(index)];
}

ToolbarButton& ToolbarModel::Button(std::string_view key) {
  return *entries_[Position(key)];
}

const ToolbarButton& ToolbarModel::Button(std::string_view key) const {
  return *entries_[Position(key)];
}

bool ToolbarModel::Contains(std::string_view key) const {
  return !key.empty() && std::any_of(entries_.begin(), entries_.end(),
                                     [key](const auto& entry) { return entry->Key() == key; });
}

ToolbarButton& ToolbarModel::Add(const ButtonDefinition& definition) {
  if (Contains(definition.Key)) {
    throw std::invalid_argument("toolbar key \"" + definition.Key + "\" is already in use");
  }
  entries_.push_back(MakeEntry(definition, ++nextSerial_));
  return *entries_.back();
}

void ToolbarModel::Remove(std::int32_t index) {
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(Position(index)));
}

void ToolbarModel::Remove(std::string_view key) {
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(Position(key)));
}

void ToolbarModel::SetImageList(const ImageList* images) {
  images_ = images;
  for (const auto& entry : entries_) {
    entry->ImageChanged();
  }
}

void ToolbarModel::SaveToolbar(std::string_view key, std::string_view subkey,
                               std::string_view value_name) {
  std::vector<LayoutItem> items;
  items.reserve(entries_.size());
  for (const auto& entry : entries_) {
    items.push_back(entry->ToLayoutItem());
  }
  const LayoutLocation where = ToolbarLayoutLocation(key, subkey, value_name);
  settings_.SaveSetting(where.Application, where.Section, where.Key, EncodeToolbarLayout(items));
}

void ToolbarModel::RestoreToolbar(std::string_view key, std::string_view subkey,
                                  std::string_view value_name) {
  const LayoutLocation where = ToolbarLayoutLocation(key, subkey, value_name);
  const std::vector<LayoutItem> items =
      DecodeToolbarLayout(settings_.GetSetting(where.Application, where.Section, where.Key, ""));
  if (items.empty()) {
    return;
  }
  std::vector<Placement> placements;
  placements.reserve(items.size());
  for (const LayoutItem& item : items) {
    const auto it = std::find_if(entries_.begin(), entries_.end(),
                                 [&item](const auto& entry) { return entry->Matches(item); });
    if (it != entries_.end()) {
      placements.push_back({(*it)->Serial(), item.Hidden});
    }
  }
  Reorder(placements);
}

void ToolbarModel::SetButtonClickHandler(ButtonClickHandler handler) {
  clickHandler_ = std::move(handler);
}

void ToolbarModel::SetChangeHandler(ChangeHandler handler) {
  changeHandler_ = std::move(handler);
}

bool ToolbarModel::Click(std::size_t position) {
  Entry& entry = *entries_[position];
  if (!entry.Clickable()) {
    return false;
  }
  if (entry.Style() == ButtonStyle::kCheck) {
    const bool pressed = entry.Value() == ButtonValue::kPressed;
    entry.SetMixedState(false);
    entry.SetValue(pressed ? ButtonValue::kUnpressed : ButtonValue::kPressed);
  } else if (entry.Style() == ButtonStyle::kButtonGroup) {
    PressInGroup(position);
  }
  // A copy, so that a handler that replaces itself finishes running.
  const ButtonClickHandler handler = clickHandler_;
  if (handler) {
    handler(entry);
  }
  return true;
}

void ToolbarModel::PressInGroup(std::size_t position) {
  const auto inGroup = [this](std::size_t i) {
    return entries_[i]->Style() == ButtonStyle::kButtonGroup;
  };
  std::size_t first = position;
  while (first > 0 && inGroup(first - 1)) {
    --first;
  }
  entries_[position]->SetMixedState(false);
  for (std::size_t i = first; i < entries_.size() && inGroup(i); ++i) {
    entries_[i]->SetValue(i == position ? ButtonValue::kPressed : ButtonValue::kUnpressed);
  }
}

void ToolbarModel::Reorder(const std::vector<Placement>& placements) {
  std::vector<std::unique_ptr<Entry>> ordered;
  ordered.reserve(entries_.size());
  for (const Placement& placement : placements) {
    const auto it = std::find_if(entries_.begin(), entries_.end(), [&placement](const auto& e) {
      return e != nullptr && e->Serial() == placement.Serial;
    });
    if (it != entries_.end()) {
      (*it)->SetVisible(!placement.Hidden);
      ordered.push_back(std::move(*it));
    }
  }
  for (auto& entry : entries_) {
    if (entry != nullptr) {
      ordered.push_back(std::move(entry));
    }
  }
  entries_ = std::move(ordered);
  OrderChanged();
}

void ToolbarModel::Move(std::size_t from, std::size_t to) {
  std::unique_ptr<Entry> moving = std::move(entries_[from]);
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(from));
  entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(to), std::move(moving));
  OrderChanged();
}

void ToolbarModel::RaiseChange() {
  const ChangeHandler handler = changeHandler_;
  if (handler) {
    handler();
  }
}

}  // namespace scrivlet
