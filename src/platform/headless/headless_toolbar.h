#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/settings_store.h"
#include "platform/toolbar.h"

namespace scrivlet {

// A toolbar without a screen: the entries, their states and a simple deterministic geometry,
// plus methods that play the user (click, customise).
//
// Layout: one row from left 0; a visible button is kButtonWidthPixels wide, a visible separator
// kSeparatorWidthPixels; a hidden entry takes no room. Every entry is kButtonHeightPixels high,
// kMarginPixels below the toolbar's top, and the toolbar is that height plus a margin above and
// below. Pixels are kTwipsPerPixel twips.
class HeadlessToolbar final : public Toolbar {
 public:
  static constexpr std::int32_t kTwipsPerPixel = 15;
  static constexpr std::int32_t kButtonWidthPixels = 24;
  static constexpr std::int32_t kSeparatorWidthPixels = 8;
  static constexpr std::int32_t kButtonHeightPixels = 22;
  static constexpr std::int32_t kMarginPixels = 2;

  // Saved layouts go to `settings`, which must outlive the toolbar.
  explicit HeadlessToolbar(SettingsStore& settings);
  ~HeadlessToolbar() override;
  HeadlessToolbar(const HeadlessToolbar&) = delete;
  HeadlessToolbar& operator=(const HeadlessToolbar&) = delete;

  std::int32_t Count() const override;
  ToolbarButton& Button(std::int32_t index) override;
  const ToolbarButton& Button(std::int32_t index) const override;
  ToolbarButton& Button(std::string_view key) override;
  const ToolbarButton& Button(std::string_view key) const override;
  bool Contains(std::string_view key) const override;
  ToolbarButton& Add(const ButtonDefinition& definition) override;
  void Remove(std::int32_t index) override;
  void Remove(std::string_view key) override;
  const ImageList* GetImageList() const override { return images_; }
  void SetImageList(const ImageList* images) override { images_ = images; }
  bool AllowCustomize() const override { return allow_customize_; }
  void SetAllowCustomize(bool allow) override { allow_customize_ = allow; }
  std::int32_t Height() const override;
  void SaveToolbar(std::string_view key, std::string_view subkey,
                   std::string_view value_name) override;
  void RestoreToolbar(std::string_view key, std::string_view subkey,
                      std::string_view value_name) override;
  void SetButtonClickHandler(ButtonClickHandler handler) override;
  void SetChangeHandler(ChangeHandler handler) override;

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

  std::size_t Position(std::int32_t index) const;  // throws ToolbarError
  std::size_t Position(std::string_view key) const;
  std::int32_t IndexOf(const Entry& entry) const;
  std::int32_t LeftOf(const Entry& entry) const;
  void PressInGroup(std::size_t position);
  void RaiseChange();

  SettingsStore& settings_;
  std::vector<std::unique_ptr<Entry>> entries_;
  std::int32_t next_serial_ = 0;
  const ImageList* images_ = nullptr;
  bool allow_customize_ = true;
  ButtonClickHandler click_handler_;
  ChangeHandler change_handler_;
};

}  // namespace scrivlet
