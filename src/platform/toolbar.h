#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>

// The toolbar above the editing surface and the image list its buttons draw from.
//
// Entries are addressed by a 1-based index or by key. Keys compare exactly (letter case and
// blanks count) and are unique among non-empty keys; separators have an empty key. Geometry is
// in twips in the control's coordinates. Everything runs on the user-interface thread.
namespace scrivlet {

// Raised when an entry or image is looked up, or an entry removed, by a key that is not present
// or an index outside 1..Count(). The message names the key or index.
class ToolbarError : public std::out_of_range {
 public:
  explicit ToolbarError(std::string_view key);
  explicit ToolbarError(std::int32_t index);

  // The key asked for; empty when the lookup was by index.
  const std::string& key() const noexcept { return key_; }
  // The index asked for; 0 when the lookup was by key.
  std::int32_t index() const noexcept { return index_; }

 private:
  std::string key_;
  std::int32_t index_ = 0;
};

// How an entry behaves when clicked.
enum class ButtonStyle {
  kDefault,      // a push button
  kCheck,        // stays pressed or released
  kButtonGroup,  // one of adjacent group members, of which at most one is pressed
  kSeparator,    // a gap between buttons; never clicked
};

// The pressed state of an entry.
enum class ButtonValue : std::int32_t { kUnpressed = 0, kPressed = 1 };

// What an entry is created with. Entries start enabled, visible, unpressed and not mixed.
struct ButtonDefinition {
  std::string Key;
  ButtonStyle Style = ButtonStyle::kDefault;
  // The text the customisation dialog lists for the entry.
  std::string Description;
  std::string ToolTipText;
  // Key of the entry's picture in the toolbar's image list; empty shows none.
  std::string Image;
};

// One toolbar entry. It belongs to its toolbar: a reference stays valid until the entry is
// removed or the toolbar destroyed.
class ToolbarButton {
 public:
  virtual ~ToolbarButton() = default;

  // Current 1-based position; changes when earlier entries are removed or moved.
  virtual std::int32_t Index() const = 0;
  virtual const std::string& Key() const = 0;
  virtual ButtonStyle Style() const = 0;
  virtual const std::string& Description() const = 0;
  virtual const std::string& ToolTipText() const = 0;

  // Key of the entry's picture in the image list. A key the list lacks shows no picture.
  virtual const std::string& Image() const = 0;
  virtual void SetImage(std::string_view image_key) = 0;

  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool Visible() const = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual ButtonValue Value() const = 0;
  virtual void SetValue(ButtonValue value) = 0;
  // True shows the entry as neither pressed nor released, whatever its Value.
  virtual bool MixedState() const = 0;
  virtual void SetMixedState(bool mixed) = 0;

  // Geometry in twips in the control's coordinates, as laid out now. A hidden entry takes no
  // room: it reports the left edge the next visible entry has.
  virtual std::int32_t Left() const = 0;
  virtual std::int32_t Top() const = 0;
  virtual std::int32_t Height() const = 0;
};

// 16 x 16 pictures addressed by key. The toolbar reads it; the owner keeps it alive while any
// toolbar refers to it.
class ImageList {
 public:
  // Adds a picture under `key`. `picture` names the artwork for the view that draws it (a
  // resource path, for instance); empty lets the view choose by key. Throws
  // std::invalid_argument when `key` is empty or already present.
  void Add(std::string_view key, std::string_view picture = {});
  bool Has(std::string_view key) const;
  std::int32_t Count() const { return static_cast<std::int32_t>(pictures_.size()); }
  // The artwork name given for `key`. Throws ToolbarError when the key is absent.
  const std::string& Picture(std::string_view key) const;

 private:
  std::map<std::string, std::string, std::less<>> pictures_;
};

class Toolbar {
 public:
  // Raised when the user clicks an enabled, visible, non-separator entry, after the entry's
  // Value has followed its style (a check toggles, a group member presses).
  using ButtonClickHandler = std::function<void(ToolbarButton& button)>;
  // Raised when the user has finished customising the toolbar.
  using ChangeHandler = std::function<void()>;

  virtual ~Toolbar() = default;

  virtual std::int32_t Count() const = 0;
  // The entry at 1-based `index`, or with `key`. Throw ToolbarError when there is none.
  virtual ToolbarButton& Button(std::int32_t index) = 0;
  virtual const ToolbarButton& Button(std::int32_t index) const = 0;
  virtual ToolbarButton& Button(std::string_view key) = 0;
  virtual const ToolbarButton& Button(std::string_view key) const = 0;
  // Whether an entry has `key`; an empty key is never found.
  virtual bool Contains(std::string_view key) const = 0;

  // Appends an entry and returns it. Throws std::invalid_argument when a non-empty key is
  // already on the toolbar.
  virtual ToolbarButton& Add(const ButtonDefinition& definition) = 0;
  // Removes an entry; later entries move down by one. Throw ToolbarError when there is none.
  virtual void Remove(std::int32_t index) = 0;
  virtual void Remove(std::string_view key) = 0;

  // The list the entries take their pictures from; nullptr shows none. Not owned: it must
  // outlive the toolbar or be replaced first. A view draws the pictures when the list is set
  // and when an entry's Image changes; after adding to a list already set, set it again.
  virtual const ImageList* GetImageList() const = 0;
  virtual void SetImageList(const ImageList* images) = 0;

  // Whether the user may customise the toolbar (hide, show and reorder entries).
  virtual bool AllowCustomize() const = 0;
  virtual void SetAllowCustomize(bool allow) = 0;

  // Height of the toolbar in twips; the editing surface starts below it.
  virtual std::int32_t Height() const = 0;

  // Stores the order of the entries and which are hidden in the user's settings, under
  // `subkey` and `value_name`; `key` selects a section of its own, empty the toolbar's default
  // one. Saving does not look at AllowCustomize. Failures of the settings store propagate.
  virtual void SaveToolbar(std::string_view key, std::string_view subkey,
                           std::string_view value_name) = 0;
  // Brings the entries into the stored order and hidden state. Stored entries no longer on the
  // toolbar are ignored; entries the stored layout does not name follow the others in their
  // present order. Nothing stored, or a value this toolbar cannot read, changes nothing.
  // Raises no change event.
  virtual void RestoreToolbar(std::string_view key, std::string_view subkey,
                              std::string_view value_name) = 0;

  virtual void SetButtonClickHandler(ButtonClickHandler handler) = 0;
  virtual void SetChangeHandler(ChangeHandler handler) = 0;
};

}  // namespace scrivlet
