#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What the toolbar's customise dialog edits: the entries in toolbar order, each shown or hidden.
// Plain C++, so that the dialog's rules are tested without a screen.
namespace scrivlet {

class ToolbarCustomization {
 public:
  struct Entry {
    std::int32_t Id = 0;  // the toolbar's own identifier of the entry
    std::string Label;    // what the lists show
    bool Hidden = false;
  };

  // `entries` in their present order; `default_order` the ids in the order "Reset" brings back
  // (with every entry shown). Ids are unique and never 0.
  ToolbarCustomization(std::vector<Entry> entries, std::vector<std::int32_t> default_order);

  const std::vector<Entry>& Entries() const { return entries_; }
  // The ids of the shown entries, in order, and of the hidden ones, in order.
  std::vector<std::int32_t> Shown() const;
  std::vector<std::int32_t> Hidden() const;

  // Shows the hidden entry `id` just before the shown entry `before` (after the last shown
  // entry when `before` is 0 or not shown). Returns false, changing nothing, when `id` is not
  // a hidden entry.
  bool Show(std::int32_t id, std::int32_t before = 0);
  // Hides the shown entry `id`; it keeps its place among the others. False when not shown.
  bool Hide(std::int32_t id);
  // Moves the shown entry `id` past the shown entry before or after it. False when there is
  // none or `id` is not shown.
  bool MoveUp(std::int32_t id);
  bool MoveDown(std::int32_t id);
  // Every entry shown, in the default order.
  void Reset();

  // The label of `id`; empty when there is no such entry.
  std::string LabelOf(std::int32_t id) const;

 private:
  std::size_t PositionOf(std::int32_t id) const;  // entries_.size() when absent
  bool MovePast(std::int32_t id, int direction);

  std::vector<Entry> entries_;
  std::vector<std::int32_t> default_order_;
};

}  // namespace scrivlet
