#pragma once

#include <cstdint>
#include <string>

#include "platform/rich_text_box.h"

// The editing side of the hyperlink and picture marker runs: styling the insertion point,
// testing the selection, walking over a run, finding the hyperlink or picture at the caret, and
// holding the typing style aside while a marker is inserted. Everything works through the
// surface's selection and its run query (RunAt); no RTF is built or read.
namespace scrivlet {

// Which runs a walk may cross.
enum class RunKind : std::int32_t {
  kLinkTextOrRawTag = 1,
  kUrl = 2,
  kAnyMarker = 3,
  kRawTag = 4,
};

enum class WalkDirection : std::int16_t { kBackward = -1, kForward = 1 };

// Whether HoldTypingStyle keeps the insertion point's style or gives it back.
enum class TypingStyle { kHold, kGiveBack };

// The style HoldTypingStyle keeps, owned by the caller for the span of one insertion.
struct HeldStyle {
  bool Held = false;
  bool Underline = false;
  bool Italic = false;
  std::int32_t Color = 0;  // platform order
  std::int32_t Size = 0;   // whole points
};

// Style the insertion point (or the selection) as a URL run, link text run or raw-tag run:
// underline, italic and colour are written in that order.
void SetUrlRun(RichTextBox& surface);
void SetLinkTextRun(RichTextBox& surface);
void SetRawTagRun(RichTextBox& surface);

// Tests of the whole selection (of the insertion point when it is empty). A mixed attribute
// counts as not matching, except that a raw-tag run's underline may be off or mixed.
bool IsUrlRun(const RichTextBox& surface);
bool IsLinkTextRun(const RichTextBox& surface);
bool IsRawTagRun(const RichTextBox& surface);
bool IsLinkTextOrRawTag(const RichTextBox& surface);

// kHold: keeps in `held` the underline, italic, colour and size text typed at the caret would
// take (the ordinary text's beside a marker), unless a style is held already; any selection
// collapses to its start. kGiveBack: writes a style `held` keeps to the selection and forgets it.
void HoldTypingStyle(RichTextBox& surface, HeldStyle& held, TypingStyle action);

// Backward: moves the caret to the first character of the run of `kind` that ends at it.
// Forward: extends the selection to the end of the run of `kind` that follows it, without a
// closing paragraph break. A walk steps over a surrogate pair as one character; at the ends of
// the text it leaves the caret on the run's first character and the whole run selected.
void WalkRun(RichTextBox& surface, RunKind kind, WalkDirection direction);

// The attributes of a picture's IMG tag, as the tag writes them.
struct PictureAttributes {
  std::string src, alt, align, width, height, border, hspace, vspace;
};

// Selects the picture (a raw-tag run beginning "<IMG ") at the caret and returns its
// attributes; anywhere else the selection stays as it was and every attribute is empty.
PictureAttributes SelectPicture(RichTextBox& surface);

struct HyperlinkParts {
  std::string url;   // the URL run's text, UTF-8
  std::string text;  // the link text (or linked tag), or the user's selected plain text
};

// Selects the hyperlink at the caret (URL and text together) and returns its parts. With plain
// text selected, returns it as text with an empty url, the selection less a closing paragraph
// break. With the caret outside any hyperlink, or just after one, returns nothing and leaves
// the selection as it was.
HyperlinkParts SelectHyperlink(RichTextBox& surface);

}  // namespace scrivlet
