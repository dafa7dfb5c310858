#pragma once

#include <cstdint>
#include <optional>
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

// The flags that keep toolbar refreshes in step with the commands; module-wide, shared by every
// control in the process.
struct ActionFlags {
  // A command asks the click handler to refresh the toolbar once it has returned.
  bool ToolbarDirty = false;
  // Selection changes refresh the toolbar; false only while the hyperlink and picture commands
  // search the text.
  bool TrackSelection = true;
};
ActionFlags& SharedActionFlags();

// Resets the flags for an editor that starts: ToolbarDirty false, TrackSelection true.
void InitActions();

class frmImageCopy;

// Makes `dialog` the colour dialog of ChooseColorDialog (the newest editor's) and clears the
// 16 custom colours. The dialog is not owned; it must outlive its use.
void InitColorDialog(ColorDialog& dialog);
// Forgets `dialog` when it is the colour dialog in use, for an owner that goes away.
void ReleaseColorDialog(const ColorDialog& dialog);

// Shows the colour dialog with the custom colours kept so far, opening on `initial` when given.
// On OK stores the chosen colour (platform order) in `color`, keeps the dialog's custom colours
// and returns true; on cancel, or when no dialog was given, returns false and changes nothing.
bool ChooseColorDialog(std::int32_t& color, std::optional<std::int32_t> initial = std::nullopt);

// Cut and copy put the selection's RTF on the clipboard under the rich-text format; cut then
// deletes the selection. Paste replaces the selection by the clipboard's rich text, and does
// nothing when the clipboard holds none (plain text included).
void DoCut(RichTextBox& surface, Clipboard& clipboard);
void DoCopy(RichTextBox& surface, Clipboard& clipboard);
void DoPaste(RichTextBox& surface, const Clipboard& clipboard);

// Undoes the last step of the surface's history and asks for a toolbar refresh.
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
// Asks the colour dialog for a colour, opening on the selection's (when it has one), and applies
// it; a cancel changes nothing.
void DoFontColor(RichTextBox& surface);

// Aligns the paragraphs the selection touches (with only a caret, the caret's paragraph).
void DoAlign(RichTextBox& surface, Alignment alignment);

// Moves the left and right indents of the selected paragraphs together by `step` twips, between
// 0 and half the surface's width; paragraphs of differing indents are left as they are.
void DoIndent(RichTextBox& surface, std::int32_t step);

// The Hyperlink command: selects the hyperlink at the caret (or keeps the user's selection),
// edits it in the hyperlink dialog shown through `host` with the predefined `entries`, and on OK
// replaces the selection by the URL run and the link text run (a text that is a whole tag
// becomes a raw-tag run), with backslashes turned into slashes, as one step of the undo history.
// Typing afterwards continues in the style that stood before the caret. An empty text deletes
// the selection; an empty location inserts the text as ordinary text. Cancel changes nothing. A
// location the link rule refuses
// is refused on OK with a message through `messages`, and the dialog stays open.
void DoHyperlink(RichTextBox& surface, FormHost& host, MessageBox& messages,
                 const std::vector<HyperlinkEntry>& entries);

// The Picture command: selects the picture at the caret (or keeps the user's selection), edits
// it in the picture dialog shown through `host` with the predefined `entries` and the shared
// picture-copy dialog, and on OK replaces the selection by the IMG tag as an 8-point raw-tag
// run, with backslashes in the location and title turned into slashes, as one step of the undo
// history. Typing afterwards
// continues in the style that stood before the caret. An empty location deletes the selection.
// Cancel changes nothing.
void DoPicture(RichTextBox& surface, FormHost& host, const std::vector<ImageEntry>& entries,
               frmImageCopy& imageCopy);

// Shows the selection's state on the toolbar: Cut and Copy enabled with a selection, Paste with
// rich text on the clipboard, Undo when the surface can undo; Bold, Italic, Underline and
// Bullets pressed, released or mixed; Left, Center and Right from the alignment. Does nothing
// while TrackSelection is false; otherwise clears ToolbarDirty. A button missing from the
// toolbar is left out; no error reaches the caller.
void UpdateToolbar(Toolbar& toolbar, const RichTextBox& surface, const Clipboard& clipboard);

}  // namespace scrivlet
