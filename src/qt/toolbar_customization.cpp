#include "qt/toolbar_customization.h"

#include <algorithm>
#include <utility>

namespace scrivlet {

ToolbarCustomization::ToolbarCustomization(std::vector<Entry> entries,
                                           std::vector<std::int32_t> default_order)
    : entries_(std::move(entries)), default_order_(std::move(default_order)) {}

std::vector<std::int32_t> ToolbarCustomization::Shown() const {
  std::vector<std::int32_t> ids;
  for (const Entry& entry : entries_) {
    if (!entry.Hidden) {
      ids.push_back(entry.Id);
    }
  }
  return ids;
}

std::vector<std::int32_t> ToolbarCustomization::Hidden() const {
  std::vector<std::int32_t> ids;
  for (const Entry& entry : entries_) {
    if (entry.Hidden) {
      ids.push_back(entry.Id);
    }
  }
  return ids;
}

std::size_t ToolbarCustomization::PositionOf(std::int32_t id) const {
  const auto it = std::find_if(entries_.begin(), entries_.end(),
                               [id](const Entry& entry) { return entry.Id == id; });
  return static_cast<std::size_t>(it - entries_.begin());
}

std::string ToolbarCustomization::LabelOf(std::int32_t id) const {
  const std::size_t position = PositionOf(id);
  return position < entries_.size() ? entries_[position].Label : std::string();
}

bool ToolbarCustomization::Show(std::int32_t id, std::int32_t before) {
  const std::size_t position = PositionOf(id);
  if (position >= entries_.size() || !entries_[position].Hidden) {
    return false;
  }
  Entry entry = entries_[position];
  entry.Hidden = false;
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(position));
  std::size_t target = PositionOf(before);
  if (target >= entries_.size() || entries_[target].Hidden) {
    // After the last shown entry, so that hidden entries behind it keep their places.
    target = 0;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      if (!entries_[i].Hidden) {
        target = i + 1;
      }
    }
  }
  entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(target), std::move(entry));
  return true;
}

bool ToolbarCustomization::Hide(std::int32_t id) {
  const std::size_t position = PositionOf(id);
  if (position >= entries_.size() || entries_[position].Hidden) {
    return false;
  }
  entries_[position].Hidden = true;
  return true;
}

bool ToolbarCustomization::MoveUp(std::int32_t id) {
  return MovePast(id, -1);
}

bool ToolbarCustomization::MoveDown(std::int32_t id) {
  return MovePast(id, +1);
}

bool ToolbarCustomization::MovePast(std::int32_t id, int direction) {
  const std::size_t position = PositionOf(id);
  if (position >= entries_.size() || entries_[position].Hidden) {
    return false;
  }
  // The neighbour among the shown entries; hidden ones in between keep their places.
  std::ptrdiff_t other = static_cast<std::ptrdiff_t>(position) + direction;
  while (other >= 0 && other < static_cast<std::ptrdiff_t>(entries_.size()) &&
         entries_[static_cast<std::size_t>(other)].Hidden) {
    other += direction;
  }
  if (other < 0 || other >= static_cast<std::ptrdiff_t>(entries_.size())) {
    return false;
  }
  std::swap(entries_[position], entries_[static_cast<std::size_t>(other)]);
  return true;
}

void ToolbarCustomization::Reset() {
  std::vector<Entry> ordered;
  ordered.reserve(entries_.size());
  for (const std::int32_t id : default_order_) {
    const std::size_t position = PositionOf(id);
    if (position < entries_.size()) {
      ordered.push_back(entries_[position]);
      entries_[position].Id = 0;  // taken
    }
  }
  // Entries the default order does not name keep their relative order at the end.
  for (const Entry& entry : entries_) {
    if (entry.Id != 0 &&
        std::find(default_order_.begin(), default_order_.end(), entry.Id) == default_order_.end()) {
      ordered.push_back(entry);
    }
  }
  for (Entry& entry : ordered) {
    entry.Hidden = false;
  }
  entries_ = std::move(ordered);
}

}  // namespace scrivlet
