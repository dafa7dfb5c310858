#include "actions/span_text.h"

#include <cmath>
#include <optional>
#include <string_view>

#include "conversion/color_lib.h"
#include "conversion/html_safety.h"
#include "conversion/markers.h"
#include "text/text_codec.h"
#include "text/util_lib.h"

namespace scrivlet {

namespace {

std::int32_t PlatformColor(std::int32_t htmlColor) {
  return SwapRedBlue(htmlColor);
}

void SetRunStyle(RichTextBox& surface, bool underline, bool italic, std::int32_t htmlColor) {
  surface.SetSelUnderline(underline);
  surface.SetSelItalic(italic);
  surface.SetSelColor(PlatformColor(htmlColor));
}

bool Is(const std::optional<bool>& value, bool expected) {
  return value && *value == expected;
}

// Whether characters of this underline, italic and colour belong to a run of `kind`, as the
// run tests read a selection of them.
bool FormatInRun(RunKind kind, bool underline, bool italic, std::int32_t color) {
  const bool marker = color == PlatformColor(MarkerColor);
  const bool url = marker && italic && underline;
  const bool linkText = color == PlatformColor(LinkColor) && underline;
  const bool rawTag = marker && italic && !underline;
  switch (kind) {
    case RunKind::kLinkTextOrRawTag:
      return linkText || rawTag;
    case RunKind::kUrl:
      return url;
    case RunKind::kAnyMarker:
      return url || linkText || rawTag;
    case RunKind::kRawTag:
      return rawTag;
  }
  return false;
}

bool InRun(const RichTextBox& surface, RunKind kind) {
  switch (kind) {
    case RunKind::kLinkTextOrRawTag:
      return IsLinkTextOrRawTag(surface);
    case RunKind::kUrl:
      return IsUrlRun(surface);
    case RunKind::kAnyMarker:
      return IsUrlRun(surface) || IsLinkTextOrRawTag(surface);
    case RunKind::kRawTag:
      return IsRawTagRun(surface);
  }
  return false;
}

// One character (a surrogate pair is one) more of a forward walk, over a paragraph break. Returns
// the step taken, or 0 at the end of the text. The surface clamps the selection to the text, so
// the end of the text shows as no growth.
std::int32_t StepForward(RichTextBox& surface) {
  const std::int32_t n = surface.SelLength();
  surface.SetSelLength(n + 1);
  if (surface.SelLength() == n) {
    surface.SetSelLength(n + 2);  // a surrogate pair is not split
  }
  return surface.SelLength() - n;
}

bool HasCharacter(std::u16string_view text) {
  return text.find_first_not_of(u'\n') != std::u16string_view::npos;
}

// The run tests of the selection a forward walk grows, kept up to date one step at a time:
// reading them from the surface after each step would read the whole selection again, making a
// walk over a long run quadratic in its length. Each test holds for the whole selection exactly
// when it holds for every character (a raw tag's "not underlined" when some character is not).
class RunTally {
 public:
  // Adds the characters of the surface's selection; paragraph breaks carry no format.
  void Add(const RichTextBox& surface) {
    if (!HasCharacter(surface.SelText())) {
      return;
    }
    const auto color = surface.SelColor();
    Add(Is(surface.SelUnderline(), true), Is(surface.SelItalic(), true), color ? *color : -1);
  }

  // Adds characters of one format (a colour of -1 matches no marker colour: a mixed one).
  void Add(bool underline, bool italic, std::int32_t color) {
    const bool marker = color == PlatformColor(MarkerColor);
    const bool link = color == PlatformColor(LinkColor);
    any_ = true;
    allUrl_ = allUrl_ && marker && italic && underline;
    allLinkText_ = allLinkText_ && link && underline;
    allMarkerItalic_ = allMarkerItalic_ && marker && italic;
    someNotUnderlined_ = someNotUnderlined_ || !underline;
  }

  // Whether everything added is a run of `kind`; nothing before a character has been added.
  std::optional<bool> Matches(RunKind kind) const {
    if (!any_) {
      return std::nullopt;
    }
    const bool rawTag = allMarkerItalic_ && someNotUnderlined_;
    switch (kind) {
      case RunKind::kLinkTextOrRawTag:
        return allLinkText_ || rawTag;
      case RunKind::kUrl:
        return allUrl_;
      case RunKind::kAnyMarker:
        return allUrl_ || allLinkText_ || rawTag;
      case RunKind::kRawTag:
        return rawTag;
    }
    return false;
  }

 private:
  bool any_ = false;
  bool allUrl_ = true;
  bool allLinkText_ = true;
  bool allMarkerItalic_ = true;
  bool someNotUnderlined_ = false;
};

// One step of a forward walk, and whether the grown selection is still a run of `kind`.
bool StepForwardInRun(RichTextBox& surface, RunKind kind, RunTally& tally, std::int32_t& step) {
  const std::int32_t start = surface.SelStart();
  const std::int32_t before = surface.SelLength();
  step = StepForward(surface);
  if (step == 0) {
    return false;
  }
  surface.SetSelStart(start + before);
  surface.SetSelLength(step);
  tally.Add(surface);
  surface.SetSelStart(start);
  surface.SetSelLength(before + step);
  const std::optional<bool> matches = tally.Matches(kind);
  return matches ? *matches : InRun(surface, kind);
}

bool EndsWithBreak(const std::u16string& text) {
  return !text.empty() && text.back() == u'\n';
}

}  // namespace

void SetUrlRun(RichTextBox& surface) {
  SetRunStyle(surface, true, true, MarkerColor);
}
void SetLinkTextRun(RichTextBox& surface) {
  SetRunStyle(surface, true, false, LinkColor);
}
void SetRawTagRun(RichTextBox& surface) {
  SetRunStyle(surface, false, true, MarkerColor);
}

bool IsUrlRun(const RichTextBox& surface) {
  const auto color = surface.SelColor();
  return color && *color == PlatformColor(MarkerColor) && Is(surface.SelItalic(), true) &&
         Is(surface.SelUnderline(), true);
}

bool IsLinkTextRun(const RichTextBox& surface) {
  const auto color = surface.SelColor();
  return color && *color == PlatformColor(LinkColor) && Is(surface.SelUnderline(), true);
}

bool IsRawTagRun(const RichTextBox& surface) {
  const auto color = surface.SelColor();
  return color && *color == PlatformColor(MarkerColor) && Is(surface.SelItalic(), true) &&
         !Is(surface.SelUnderline(), true);
}

bool IsLinkTextOrRawTag(const RichTextBox& surface) {
  const bool linkText = IsLinkTextRun(surface);
  const bool rawTag = IsRawTagRun(surface);
  return linkText || rawTag;
}

void HoldTypingStyle(RichTextBox& surface, HeldStyle& held, TypingStyle action) {
  if (action == TypingStyle::kGiveBack) {
    if (held.Held) {
      surface.SetSelUnderline(held.Underline);
      surface.SetSelItalic(held.Italic);
      surface.SetSelColor(held.Color);
      surface.SetSelFontSize(held.Size);
      held.Held = false;
    }
    return;
  }
  if (held.Held) {
    return;
  }
  held.Held = true;
  // The caret's typing style, not the character before it: next to a picture or a URL that
  // would be the marker's reserved style, and text typed after the insertion would join it.
  surface.SetSelLength(0);
  held.Underline = surface.SelUnderline().value_or(false);
  held.Italic = surface.SelItalic().value_or(false);
  held.Color = surface.SelColor().value_or(0);
  held.Size = static_cast<std::int32_t>(RoundHalfEven(surface.SelFontSize().value_or(0)));
}

// The walk asks the surface for whole runs (RunAt) and crosses each in one move: a walk over a
// run costs a pass over its paragraph, not a selection per character. A paragraph break has no
// format of its own, so it is still stepped over and tested as a one-character selection, as
// before.
void WalkRun(RichTextBox& surface, RunKind kind, WalkDirection direction) {
  if (direction == WalkDirection::kBackward) {
    std::int32_t caret = surface.SelStart();
    while (caret > 0) {
      const RichTextBox::FormatRun run = surface.RunAt(caret - 1);
      if (run.paragraphBreak) {
        surface.SetSelStart(caret - 1);
        surface.SetSelLength(1);
        if (!InRun(surface, kind)) {
          break;
        }
        caret -= 1;
      } else if (FormatInRun(kind, run.underline, run.italic, run.color)) {
        caret = run.start;
      } else {
        break;
      }
    }
    surface.SetSelStart(caret);
    return;
  }
  const std::int32_t start = surface.SelStart();
  RunTally tally;
  if (surface.SelLength() > 0) {
    tally.Add(surface);
  }
  std::int32_t end = start + surface.SelLength();
  for (;;) {
    const RichTextBox::FormatRun run = surface.RunAt(end);
    if (run.length == 0) {
      break;  // the end of the text
    }
    if (run.paragraphBreak) {
      surface.SetSelStart(start);
      surface.SetSelLength(end - start);
      std::int32_t step = 0;
      if (!StepForwardInRun(surface, kind, tally, step)) {
        break;
      }
      end += step;
      continue;
    }
    tally.Add(run.underline, run.italic, run.color);
    if (!tally.Matches(kind).value_or(false)) {
      break;
    }
    end = run.start + run.length;
  }
  surface.SetSelStart(start);
  surface.SetSelLength(end - start);
  if (end > start && surface.RunAt(end - 1).paragraphBreak) {
    surface.SetSelLength(end - start - 1);
  }
}

PictureAttributes SelectPicture(RichTextBox& surface) {
  const std::int32_t s0 = surface.SelStart();
  const std::int32_t l0 = surface.SelLength();
  WalkRun(surface, RunKind::kRawTag, WalkDirection::kBackward);
  if (!(l0 == 0 && surface.SelStart() == s0)) {
    WalkRun(surface, RunKind::kRawTag, WalkDirection::kForward);
    const bool justAfter = l0 == 0 && surface.SelStart() + surface.SelLength() == s0;
    const std::string tag = Utf16ToUtf8(surface.SelText());
    if (!justAfter && surface.SelLength() >= 1 && StartsWithNoCase(tag, "<IMG ")) {
      // The tag holds its values encoded; the dialog shows them as the user typed them.
      const auto value = [&tag](std::string_view name) {
        return DecodeAttributeReferences(GetTagAttribute(tag, name));
      };
      return {value("SRC"),    value("ALT"),    value("ALIGN"),  value("WIDTH"),
              value("HEIGHT"), value("BORDER"), value("HSPACE"), value("VSPACE")};
    }
    surface.SetSelStart(s0);
  }
  surface.SetSelLength(l0);
  return {};
}

HyperlinkParts SelectHyperlink(RichTextBox& surface) {
  const std::int32_t s0 = surface.SelStart();
  const std::int32_t l0 = surface.SelLength();
  WalkRun(surface, RunKind::kAnyMarker, WalkDirection::kBackward);
  if (l0 == 0 && surface.SelStart() == s0) {
    surface.SetSelLength(l0);
    return {};
  }
  WalkRun(surface, RunKind::kUrl, WalkDirection::kForward);
  std::u16string url;
  if (surface.SelLength() > 0) {
    url = surface.SelText();
    surface.SetSelStart(surface.SelStart() + surface.SelLength());
  } else {
    surface.SetSelStart(s0);
    WalkRun(surface, RunKind::kLinkTextOrRawTag, WalkDirection::kBackward);
  }
  WalkRun(surface, RunKind::kLinkTextOrRawTag, WalkDirection::kForward);
  if (l0 == 0 && surface.SelStart() + surface.SelLength() == s0) {
    surface.SetSelStart(s0);
    surface.SetSelLength(l0);
    return {};
  }
  if (surface.SelLength() == 0) {
    surface.SetSelStart(s0);
    surface.SetSelLength(l0);
  }
  if (surface.SelLength() < 1) {
    return {Utf16ToUtf8(url), {}};
  }
  if (EndsWithBreak(surface.SelText())) {
    surface.SetSelLength(surface.SelLength() - 1);
  }
  const std::u16string text = surface.SelText();
  const auto urlLength = static_cast<std::int32_t>(url.size());
  surface.SetSelStart(surface.SelStart() - urlLength);
  surface.SetSelLength(urlLength + static_cast<std::int32_t>(text.size()));
  return {Utf16ToUtf8(url), Utf16ToUtf8(text)};
}

}  // namespace scrivlet
