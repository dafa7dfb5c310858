#include "actions/span_text.h"

#include <cmath>
#include <optional>

#include "conversion/color_lib.h"
#include "conversion/markers.h"
#include "conversion/text_codec.h"
#include "conversion/util_lib.h"

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

// One character (a surrogate pair is one) more of the walk. Returns the step taken, or 0 when
// the walk is at the end of the text.
std::int32_t StepBackward(RichTextBox& surface) {
  const std::int32_t p = surface.SelStart();
  if (p < 1) {
    return 0;
  }
  surface.SetSelStart(p - 1);
  const std::int32_t step = p - surface.SelStart();
  surface.SetSelLength(step);
  return step;
}

std::int32_t StepForward(RichTextBox& surface) {
  const std::int32_t end = surface.SelStart() + surface.SelLength();
  if (end >= static_cast<std::int32_t>(surface.Text().size())) {
    return 0;
  }
  const std::int32_t n = surface.SelLength();
  surface.SetSelLength(n + 1);
  if (surface.SelLength() == n) {
    surface.SetSelLength(n + 2);  // a surrogate pair is not split
    return 2;
  }
  return 1;
}

bool EndsWithBreak(const std::u16string& text) {
  return !text.empty() && text.back() == u'\n';
}

}  // namespace

HeldStyle& SharedHeldStyle() {
  static HeldStyle held;
  return held;
}

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

void HoldTypingStyle(RichTextBox& surface, TypingStyle action) {
  HeldStyle& held = SharedHeldStyle();
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
  const std::int32_t p = surface.SelStart();
  std::int32_t step = 0;
  if (p > 0) {
    surface.SetSelStart(p - 1);
    step = p - surface.SelStart();
    surface.SetSelLength(step);
  } else {
    surface.SetSelLength(1);
  }
  held.Underline = surface.SelUnderline().value_or(false);
  held.Italic = surface.SelItalic().value_or(false);
  held.Color = surface.SelColor().value_or(0);
  held.Size = static_cast<std::int32_t>(RoundHalfEven(surface.SelFontSize().value_or(0)));
  if (p > 0) {
    surface.SetSelStart(surface.SelStart() + step);
  } else {
    surface.SetSelLength(0);
  }
}

void WalkRun(RichTextBox& surface, RunKind kind, WalkDirection direction) {
  const bool backward = direction == WalkDirection::kBackward;
  std::int32_t lastStep = 0;
  bool reachedEnd = false;
  for (;;) {
    const std::int32_t step = backward ? StepBackward(surface) : StepForward(surface);
    if (step == 0) {
      reachedEnd = true;
      break;
    }
    lastStep = step;
    if (!InRun(surface, kind)) {
      break;
    }
  }
  // At an end of the text every character walked over is in the run, so none is given back.
  const std::int32_t giveBack = reachedEnd ? 0 : lastStep;
  if (backward) {
    surface.SetSelStart(surface.SelStart() + giveBack);
    return;
  }
  if (surface.SelLength() > 0) {
    surface.SetSelLength(surface.SelLength() - giveBack);
  }
  if (EndsWithBreak(surface.SelText())) {
    surface.SetSelLength(surface.SelLength() - 1);
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
      return {GetTagAttribute(tag, "SRC"),    GetTagAttribute(tag, "ALT"),
              GetTagAttribute(tag, "ALIGN"),  GetTagAttribute(tag, "WIDTH"),
              GetTagAttribute(tag, "HEIGHT"), GetTagAttribute(tag, "BORDER"),
              GetTagAttribute(tag, "HSPACE"), GetTagAttribute(tag, "VSPACE")};
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
