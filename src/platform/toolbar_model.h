#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/settings_store.h"
#include "platform/toolbar.h"
#include "platform/toolbar_layout.h"

namespace scrivlet {

// What every toolbar implementation shares: the entries in order with their states, lookups by
// index and key, clicks as the styles make them, reordering, and layouts saved in the shared
// format (toolbar_layout.h). A view derives from it, makes its own kind of entry (MakeEntry),
// supplies the geometry, and draws what the hooks tell it has changed.
class ToolbarModel : public Toolbar {
 public:
  // An entry's state. A view's entry derives from it for its geometry, and overrides the hooks
  // to draw changes.
  class Entry : public ToolbarButton {
   public:
    Entry(const ToolbarModel& owner, const ButtonDefinition& definition, std::int32_t serial)
        : owner_(owner), definition_(definition), serial_(serial) {}

    std::int32_t Index() const final { return owner_.IndexOf(*this); }
    const std::string& Key() const final { return definition_.Key; }
    ButtonStyle Style() const final { return definition_.Style; }
    const std::string& Description() const final { return definition_.Description; }
    const std::string& ToolTipText() const final { return definition_.ToolTipText; }
    const std::string& Image() const final { return definition_.Image; }
    void SetImage(std::string_view image_key) final;
    bool Enabled() const final { return enabled_; }
    void SetEnabled(bool enabled) final;
    bool Visible() const final { return visible_; }
    void SetVisible(bool visible) final;
    ButtonValue Value() const final { return value_; }
    void SetValue(ButtonValue value) final;
    bool MixedState() const final { return mixed_; }
    void SetMixedState(bool mixed) final;

    // The order it was added in, 1 for the first entry ever added; never reused.
    std::int32_t Serial() const { return serial_; }
    // Enabled, visible and not a separator.
    bool Clickable() const;
    // Whether a stored layout item names this entry (by key, or by serial when it has none).
    bool Matches(const LayoutItem& item) const;
    LayoutItem ToLayoutItem() const;
    // How a customisation dialog lists it: the description, else the key; "Separator" for one.
    std::string Label() const;

   protected:
    // Called after Enabled, Visible, Value or MixedState changed.
    virtual void StateChanged() {}
    // Called after the image key or the toolbar's image list changed.
    virtual void ImageChanged() {}

   private:
    friend class ToolbarModel;

    const ToolbarModel& owner_;
    ButtonDefinition definition_;
    std::int32_t serial_;
    bool enabled_ = true;
    bool visible_ = true;
    ButtonValue value_ = ButtonValue::kUnpressed;
    bool mixed_ = false;
  };

  ~ToolbarModel() override;
  ToolbarModel(const ToolbarModel&) = delete;
  ToolbarModel& operator=(const ToolbarModel&) = delete;

  std::int32_t Count() const final;
  ToolbarButton& Button(std::int32_t index) final;
  const ToolbarButton& Button(std::int32_t index) const final;
  ToolbarButton& Button(std::string_view key) final;
  const ToolbarButton& Button(std::string_view key) const final;
  bool Contains(std::string_view key) const final;
  // Throws std::invalid_argument when a non-empty key is already in use.
  ToolbarButton& Add(const ButtonDefinition& definition) final;
  void Remove(std::int32_t index) final;
  void Remove(std::string_view key) final;
  const ImageList* GetImageList() const final { return images_; }
  void SetImageList(const ImageList* images) final;
  bool AllowCustomize() const final { return allowCustomize_; }
  void SetAllowCustomize(bool allow) final { allowCustomize_ = allow; }
  void SaveToolbar(std::string_view key, std::string_view subkey,
                   std::string_view value_name) final;
  void RestoreToolbar(std::string_view key, std::string_view subkey,
                      std::string_view value_name) final;
  void SetButtonClickHandler(ButtonClickHandler handler) final;
  void SetChangeHandler(ChangeHandler handler) final;

 protected:
  // Saved layouts go to `settings`, which must outlive the toolbar.
  explicit ToolbarModel(SettingsStore& settings);

  // Makes the view's entry for a new definition, to be placed last. Removing an entry
  // destroys it.
  virtual std::unique_ptr<Entry> MakeEntry(const ButtonDefinition& definition,
                                           std::int32_t serial) = 0;
  // Called after Reorder or Move.
  virtual void OrderChanged() {}

  const std::vector<std::unique_ptr<Entry>>& Entries() const { return entries_; }
  // 0-based position of the entry at 1-based `index`, or with `key`; throw ToolbarError.
  std::size_t Position(std::int32_t index) const;
  std::size_t Position(std::string_view key) const;
  std::int32_t IndexOf(const Entry& entry) const;

  // Clicks the entry at `position` as the user would: a check entry toggles, a group member
  // presses and releases the adjacent members of its group (clearing its own mixed state), then
  // the click handler runs. Returns false, doing nothing, when the entry is not clickable.
  bool Click(std::size_t position);

  // One entry's place and visibility in a new order.
  struct Placement {
    std::int32_t Serial;
    bool Hidden;
  };
  // Puts the placed entries first, in the given order and shown or hidden as given; entries no
  // placement names (and placements naming no entry) keep their order after them.
  void Reorder(const std::vector<Placement>& placements);
  // Moves the entry at position `from` to position `to` (counted after taking it out).
  void Move(std::size_t from, std::size_t to);
  // Destroys every entry; for a view whose entries must go before the rest of it does.
  void RemoveAll() { entries_.clear(); }

  void RaiseChange();

 private:
  void PressInGroup(std::size_t position);

  SettingsStore& settings_;
  std::vector<std::unique_ptr<Entry>> entries_;
  std::int32_t nextSerial_ = 0;
  const ImageList* images_ = nullptr;
  bool allowCustomize_ = true;
  ButtonClickHandler clickHandler_;
  ChangeHandler changeHandler_;
};

}  // namespace scrivlet
