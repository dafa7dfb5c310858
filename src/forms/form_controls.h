#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The controls of a form as plain state. Form logic owns them and changes them; a view shows
// them (laid out from the twip positions kept here) and forwards the user's input through the
// same members, so that the logic runs the same with or without a screen.
namespace scrivlet {

// Position and size in twips, relative to the form's inner area (or to the enclosing frame).
struct ControlRect {
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Width = 0;
  std::int32_t Height = 0;
};

// What every control has. TabIndex orders keyboard focus; -1 for controls that take none.
struct ControlBase {
  std::string Name;
  ControlRect Rect;
  bool Enabled = true;
  bool Visible = true;
  std::int32_t TabIndex = -1;
};

struct Label : ControlBase {
  std::string Caption;  // "&" marks the access key of the control after it
  bool Bold = false;
  double FontSize = 0;          // points; 0 for the form's font
  std::int32_t ForeColor = -1;  // platform order; -1 for the system's text colour
  bool LinkCursor = false;      // the pointer a clickable address shows
  std::function<void()> Click;
};

struct TextBox : ControlBase {
  // Sets the text and raises Change when it differs, as a user's typing does.
  void SetText(std::string_view text) {
    if (Text == text) {
      return;
    }
    Text = text;
    if (Change) {
      Change();
    }
  }

  std::string Text;
  bool Locked = false;
  // The selected part of the text (byte offsets); a view selects it when the box takes focus.
  std::int32_t SelStart = 0;
  std::int32_t SelLength = 0;
  std::function<void()> Change;
};

struct CommandButton : ControlBase {
  // Runs the click handler when the button is enabled and visible, as a user's click does.
  // Returns whether it ran.
  bool Press() {
    if (!Enabled || !Visible || !Click) {
      return false;
    }
    Click();
    return true;
  }

  std::string Caption;
  bool Default = false;  // pressed by Enter
  bool Cancel = false;   // pressed by Escape
  std::function<void()> Click;
};

struct CheckBox : ControlBase {
  std::string Caption;
  bool Checked = false;
};

struct OptionButton : ControlBase {
  // What the form stores with the option (a protocol prefix, for instance).
  std::string Tag;
  // Selects this option as a user's click does and raises Click.
  void Choose() {
    Value = true;
    if (Click) {
      Click();
    }
  }

  std::string Caption;
  bool Value = false;
  std::function<void()> Click;
};

struct ComboBox : ControlBase {
  // Selects entry `index` (-1 none) as the user does; Text follows, and Click is raised.
  void Choose(std::int32_t index) {
    ListIndex = index;
    if (index >= 0 && static_cast<std::size_t>(index) < List.size()) {
      Text = List[static_cast<std::size_t>(index)];
    }
    if (Click) {
      Click();
    }
  }

  // Appends an entry with a number the form keeps with it.
  void AddItem(std::string_view entry, std::int32_t itemData = 0) {
    List.emplace_back(entry);
    ItemData.push_back(itemData);
  }
  void Clear() {
    List.clear();
    ItemData.clear();
    ListIndex = -1;
  }

  std::vector<std::string> List;
  std::vector<std::int32_t> ItemData;
  std::int32_t ListIndex = -1;
  std::string Text;
  std::int32_t SelStart = 0;  // the selected part of Text, as in TextBox
  std::int32_t SelLength = 0;

  // The number kept with the chosen entry, or 0 when none is chosen.
  std::int32_t ChosenItemData() const {
    if (ListIndex < 0 || static_cast<std::size_t>(ListIndex) >= ItemData.size()) {
      return 0;
    }
    return ItemData[static_cast<std::size_t>(ListIndex)];
  }
  bool DropDownList = false;  // only the entries can be chosen; no free text
  std::function<void()> Click;
};

struct Frame : ControlBase {
  std::string Caption;
};

// A picture area: what it shows (a file path, empty for none) and whether it stretches the
// picture to its size.
struct PictureBox : ControlBase {
  std::string Picture;
  bool Stretch = false;
};

// A control with its name, place and tab position.
template <typename Control>
Control MakeControl(std::string name, ControlRect rect, std::int32_t tabIndex) {
  Control control;
  control.Name = std::move(name);
  control.Rect = rect;
  control.TabIndex = tabIndex;
  return control;
}

inline Label MakeLabel(std::string name, std::string caption, ControlRect rect,
                       std::int32_t tabIndex) {
  Label label = MakeControl<Label>(std::move(name), rect, tabIndex);
  label.Caption = std::move(caption);
  return label;
}

}  // namespace scrivlet
