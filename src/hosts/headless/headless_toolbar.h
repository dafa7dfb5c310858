#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/settings_store.h"
#include "platform/toolbar_model.h"

namespace scrivlet {

// A toolbar without a screen: the entries, their states and a simple deterministic geometry,
// plus methods that play the user (click, customise).
//
// Layout: one row from left 0; a visible button is kButtonWidthPixels wide, a visible separator
// kSeparatorWidthPixels; a hidden entry takes no room. Every entry is kButtonHeightPixels high,
// kMarginPixels below the toolbar's top, and the toolbar is that height plus a margin above and
// below. Pixels are kTwipsPerPixel twips.
class HeadlessToolbar final : public ToolbarModel {
 public:
  static constexpr std::int32_t kTwipsPerPixel = 15;
  static constexpr std::int32_t kButtonWidthPixels = 24;
  static constexpr std::int32_t kSeparatorWidthPixels = 8;
  static constexpr std::int32_t kButtonHeightPixels = 22;
  static constexpr std::int32_t kMarginPixels = 2;

  // Saved layouts go to `settings`, which must outlive the toolbar.
  explicit HeadlessToolbar(SettingsStore& settings);
  ~HeadlessToolbar() override;

  std::int32_t Height() const override;

  // Clicks the entry as the user would: a check entry toggles, a group member presses and
  // releases the adjacent members of its group (clearing its own mixed state), then the click
  // handler runs. Returns false and does nothing when the entry is disabled, hidden or a
  // separator. Throws ToolbarError when there is no such entry.
  bool UserClick(std::int32_t index);
  bool UserClick(std::string_view key);

  // One finished customisation each: hide, show, or move the entry at `from` to position `to`
  // (both 1-based, `to` counted after taking the entry out). Each raises the change event.
  // Return false and change nothing while AllowCustomize is false. Throw ToolbarError for an
  // index outside 1..Count().
  bool UserHide(std::int32_t index);
  bool UserShow(std::int32_t index);
  bool UserMove(std::int32_t from, std::int32_t to);

 private:
  class Entry;
  friend class Entry;

  std::unique_ptr<ToolbarModel::Entry> MakeEntry(const ButtonDefinition& definition,
                                                 std::int32_t serial) override;
  std::int32_t LeftOf(const ToolbarModel::Entry& entry) const;
};

}  // namespace scrivlet
