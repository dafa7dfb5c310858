#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// A popup menu whose items form an indexed array: the items made with the menu are fixed, more
// are loaded and unloaded at run time by index. Indexes need not be contiguous (unloading item 1
// of 0..3 leaves 0, 2 and 3). Everything runs on the user-interface thread.
namespace scrivlet {

// Raised for an item index that is not loaded, loading an index already loaded or below 0, and
// unloading a fixed item. The message names the index.
class MenuError : public std::out_of_range {
 public:
  MenuError(std::string_view what, std::int32_t index);

  std::int32_t index() const noexcept { return index_; }

 private:
  std::int32_t index_;
};

class PopupMenu {
 public:
  // Raised when the user chooses an item, with its index, before ShowPopup returns.
  using ClickHandler = std::function<void(std::int32_t index)>;

  virtual ~PopupMenu() = default;

  // The menu's own caption ("Font").
  virtual const std::string& Caption() const = 0;

  // Number of items loaded, and their indexes in ascending order.
  virtual std::int32_t Count() const = 0;
  virtual std::vector<std::int32_t> Indexes() const = 0;
  virtual bool IsLoaded(std::int32_t index) const = 0;

  // Loads a new item at `index`, with an empty caption and no check mark. Throws MenuError when
  // the index is below 0 or already loaded.
  virtual void Load(std::int32_t index) = 0;
  // Unloads the item at `index`. Throws MenuError when it is not loaded or is a fixed item.
  virtual void Unload(std::int32_t index) = 0;

  // An item's caption and check mark. Throw MenuError when the item is not loaded.
  virtual std::string ItemCaption(std::int32_t index) const = 0;
  virtual void SetItemCaption(std::int32_t index, std::string_view caption) = 0;
  virtual bool ItemChecked(std::int32_t index) const = 0;
  virtual void SetItemChecked(std::int32_t index, bool checked) = 0;

  // Opens the menu with its top-left corner at (x, y), twips in the control's coordinates, and
  // returns when it closes; a chosen item's click handler has run by then.
  virtual void ShowPopup(std::int32_t x, std::int32_t y) = 0;

  virtual void SetClickHandler(ClickHandler handler) = 0;
};

}  // namespace scrivlet
