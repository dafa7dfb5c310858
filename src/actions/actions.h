#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include <vector>

#include "platform/clipboard.h"
#include "platform/color_dialog.h"
#include "platform/form_host.h"
#include "platform/message_box.h"
#include "platform/rich_text_box.h"
#include "platform/toolbar.h"
#include "settings/wddx.h"

// The editor's commands on the editing surface's selection, and the toolbar refresh that shows
// the selection's state. Errors of the surface or the clipboard pass to the caller.
namespace scrivlet {

// The flags that keep one editor's toolbar refreshes in step with its commands. Each editor
// owns its own; the commands change them only through the guard below.
struct ActionFlags {
  // Selection changes refresh the toolbar; false only while the hyperlink and picture commands
  // search the text.
  bool TrackSelection = true;
};

// Turns TrackSelection off for its lifetime, so that the many selections a search makes do not
// each refresh the toolbar, and puts it back as it was when the scope ends, also when a search
// throws: a flag left off would freeze the toolbar for good.
class QuietSelection {
 public:
  explicit QuietSelection(ActionFlags& flags) : flags_(flags), before_(flags.TrackSelection) {
    flags_.TrackSelection = false;
  }
  ~QuietSelection() { flags_.TrackSelection = before_; }
  QuietSelection(const QuietSelection&) = delete;
  QuietSelection& operator=(const QuietSelection&) = delete;

 private:
  ActionFlags& flags_;
  bool before_;
};

class frmImageCopy;

// One editor's colour dialog and the 16 custom colours the user has kept in it, which start
// empty. The dialog is not owned; it must outlive the chooser.
class ColorChooser {
 public:
  explicit ColorChooser(ColorDialog& dialog) : dialog_(dialog) {}

  // Shows the dialog with the custom colours kept so far, opening on `initial` when given. On OK
  // keeps the dialog's custom colours and returns the chosen colour (platform order); on cancel
  // returns nothing and changes nothing. Errors of the dialog pass to the caller.
  std::optional<std::int32_t> Choose(std::optional<std::int32_t> initial = std::nullopt);

 private:
  ColorDialog& dialog_;
  CustomColorSet custom_{};
};

// Cut and copy put the selection's RTF on the clipboard under the rich-text format; cut then
// deletes the selection. Paste replaces the selection by the clipboard's rich text, and does
// nothing when the clipboard holds none (plain text included).
void DoCut(RichTextBox& surface, Clipboard& clipboard);
void DoCopy(RichTextBox& surface, Clipboard& clipboard);
void DoPaste(RichTextBox& surface, const Clipboard& clipboard);

// Undoes the last step of the surface's history.
void DoUndo(RichTextBox& surface);

// The selection's face becomes the first face of `faceList`.
void DoFontFace(RichTextBox& surface, std::string_view faceList);
// The selection's size becomes the points of HTML size `size` (1 or less 8, ..., 7 or more 36).
void DoFontSize(RichTextBox& surface, std::int16_t size);

// Toggles: a mixed selection becomes all on, otherwise the attribute flips.
void DoBold(RichTextBox& surface);
void DoItalic(RichTextBox& surface);
void DoUnderline(RichTextBox& surface);
void DoBullets(RichTextBox& surface);

// The selection's colour, platform order.
void SetFontColor(RichTextBox& surface, std::int32_t color);
// Asks `colors` for a colour, opening on the selection's (when it has one), and applies it; a
// cancel changes nothing.
void DoFontColor(RichTextBox& surface, ColorChooser& colors);

// Aligns the paragraphs the selection touches (with only a caret, the caret's paragraph).
void DoAlign(RichTextBox& surface, Alignment alignment);

// Moves the left and right indents of the selected paragraphs together by `step` twips, between
// 0 and half the surface's width; paragraphs of differing indents are left as they are.
void DoIndent(RichTextBox& surface, std::int32_t step);

// The Hyperlink command: selects the hyperlink at the caret (or keeps the user's selection), with
// the editor's selection tracking in `flags` paused while it searches; edits it in the hyperlink
// dialog shown through `host` with the predefined `entries`, and on OK replaces the selection by
// the URL run and the link text run (a text that is a whole tag becomes a raw-tag run), with
// backslashes turned into slashes, as one step of the undo history. Typing afterwards continues
// in the style that stood before the caret. An empty text deletes the selection; an empty
// location inserts the text as ordinary text. Cancel changes nothing. A location the link rule
// refuses is refused on OK with a message through `messages`, and the dialog stays open.
void DoHyperlink(RichTextBox& surface, ActionFlags& flags, FormHost& host, MessageBox& messages,
                 const std::vector<HyperlinkEntry>& entries);

// The Picture command: selects the picture at the caret (or keeps the user's selection), with
// selection tracking paused as for DoHyperlink; edits it in the picture dialog shown through
// `host` with the predefined `entries` and the picture-copy dialog, and on OK replaces the
// selection by the IMG tag as an 8-point raw-tag run, with backslashes in the location and title
// turned into slashes, as one step of the undo history. Typing afterwards continues in the style
// that stood before the caret. An empty location deletes the selection. Cancel changes nothing.
void DoPicture(RichTextBox& surface, ActionFlags& flags, FormHost& host,
               const std::vector<ImageEntry>& entries, frmImageCopy& imageCopy);

// What a toolbar entry shows of the selection.
enum class ShownState : std::uint8_t {
  kNone,
  kEnabledBySelection,  // enabled while text is selected
  kEnabledByRichText,   // enabled while the clipboard holds rich text
  kEnabledByUndo,       // enabled while the surface can undo
  kBold,                // pressed, released or mixed as the selection is
  kItalic,
  kUnderline,
  kBullets,
  kAlignLeft,  // pressed when the selection has this alignment, mixed when it has several
  kAlignCenter,
  kAlignRight,
};

// One entry's key and what it shows.
struct ButtonStateRule {
  std::string_view key;
  ShownState state;
};

// Shows the selection's state on the entries `rules` name, in their order. Does nothing while
// the editor's `flags` have TrackSelection off. An entry missing from the toolbar is left out;
// no error of an entry reaches the caller.
void UpdateToolbar(Toolbar& toolbar, const RichTextBox& surface, const Clipboard& clipboard,
                   const ActionFlags& flags, std::span<const ButtonStateRule> rules);

}  // namespace scrivlet
