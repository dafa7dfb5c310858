#include "actions/actions.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

#include "actions/span_text.h"
#include "conversion/color_lib.h"
#include "conversion/font_lib.h"
#include "conversion/html_safety.h"
#include "dialogs/frm_hyperlink.h"
#include "dialogs/frm_image.h"
#include "text/text_codec.h"
#include "text/util_lib.h"

namespace scrivlet {

namespace {

// The attribute after a click: a mixed selection becomes all on.
bool Toggled(std::optional<bool> value) {
  return !value || !*value;
}

// Runs `apply` on the button with `key`; a button removed from the toolbar, or one that fails,
// is left out so that the rest of the refresh goes on.
void WithButton(Toolbar& toolbar, std::string_view key,
                const std::function<void(ToolbarButton&)>& apply) {
  try {
    if (toolbar.Contains(key)) {
      apply(toolbar.Button(key));
    }
  } catch (const std::exception&) {
  }
}

void ShowToggle(ToolbarButton& button, std::optional<bool> state) {
  if (!state) {
    button.SetMixedState(true);
    return;
  }
  button.SetValue(*state ? ButtonValue::kPressed : ButtonValue::kUnpressed);
  button.SetMixedState(false);
}

void ShowAlignment(ToolbarButton& button, std::optional<Alignment> alignment, Alignment own) {
  if (!alignment) {
    button.SetMixedState(true);
    return;
  }
  button.SetValue(*alignment == own ? ButtonValue::kPressed : ButtonValue::kUnpressed);
  button.SetMixedState(false);
}

}  // namespace

std::optional<std::int32_t> ColorChooser::Choose(std::optional<std::int32_t> initial) {
  const std::optional<ColorChoice> choice = dialog_.ChooseColor(custom_, initial);
  if (!choice) {
    return std::nullopt;
  }
  custom_ = choice->Custom;
  return choice->Color;
}

// The clipboard is emptied first: text another program left there must not stand beside the
// selection as if it were the same content.
void DoCut(RichTextBox& surface, Clipboard& clipboard) {
  clipboard.Clear();
  clipboard.SetText(surface.SelRTF(), ClipboardFormat::kRichText);
  surface.SetSelRTF("");
}

void DoCopy(RichTextBox& surface, Clipboard& clipboard) {
  clipboard.Clear();
  clipboard.SetText(surface.SelRTF(), ClipboardFormat::kRichText);
}

void DoPaste(RichTextBox& surface, const Clipboard& clipboard) {
  if (clipboard.HasFormat(ClipboardFormat::kRichText)) {
    surface.SetSelRTF(clipboard.GetText(ClipboardFormat::kRichText));
  }
}

void DoUndo(RichTextBox& surface) {
  surface.Undo();
}

void DoFontFace(RichTextBox& surface, std::string_view faceList) {
  surface.SetSelFontName(FirstFontFace(faceList));
}

void DoFontSize(RichTextBox& surface, std::int16_t size) {
  surface.SetSelFontSize(HtmlSizeToPoints(size));
}

void DoBold(RichTextBox& surface) {
  surface.SetSelBold(Toggled(surface.SelBold()));
}
void DoItalic(RichTextBox& surface) {
  surface.SetSelItalic(Toggled(surface.SelItalic()));
}
void DoUnderline(RichTextBox& surface) {
  surface.SetSelUnderline(Toggled(surface.SelUnderline()));
}
void DoBullets(RichTextBox& surface) {
  surface.SetSelBullet(Toggled(surface.SelBullet()));
}

void SetFontColor(RichTextBox& surface, std::int32_t color) {
  surface.SetSelColor(color);
}

void DoFontColor(RichTextBox& surface, ColorChooser& colors) {
  if (const std::optional<std::int32_t> color = colors.Choose(surface.SelColor())) {
    SetFontColor(surface, *color);
  }
}

void DoAlign(RichTextBox& surface, Alignment alignment) {
  surface.SetSelAlignment(alignment);
}

void DoIndent(RichTextBox& surface, std::int32_t step) {
  const auto limit = static_cast<std::int32_t>(RoundHalfEven(surface.Width() / 2.0));
  const std::optional<std::int32_t> indent = surface.SelIndent();
  if (!indent) {
    return;
  }
  const std::int32_t indented = std::clamp(*indent + step, 0, std::max(0, limit));
  surface.SetSelIndent(indented);
  surface.SetSelRightIndent(indented);
}

namespace {

std::string Slashed(std::string_view value) {
  return ReplaceText(value, "\\", "/");
}

bool IsWholeTag(std::string_view text) {
  return text.starts_with('<') && text.ends_with('>');
}

// Replaces the selection by what `insert` writes, and gives the typing style that stood before
// the caret back after it, also when nothing was inserted. The style is held for this one
// insertion only: when `insert` throws it is dropped with the call, never written after some
// later, unrelated insertion.
template <typename Insert>
void ReplaceHoldingStyle(RichTextBox& surface, Insert insert) {
  const UndoStep step(surface);
  surface.SetSelText(u"");
  HeldStyle held;
  HoldTypingStyle(surface, held, TypingStyle::kHold);
  insert();
  HoldTypingStyle(surface, held, TypingStyle::kGiveBack);
}

}  // namespace

// The search for the marker at the caret makes many selections; the command's end refreshes the
// toolbar once.
void DoHyperlink(RichTextBox& surface, ActionFlags& flags, FormHost& host, MessageBox& messages,
                 const std::vector<HyperlinkEntry>& entries) {
  const HyperlinkParts found = [&] {
    const QuietSelection quiet(flags);
    return SelectHyperlink(surface);
  }();
  frmHyperlink form(entries, messages);
  if (!found.url.empty()) {
    form.txtURL.SetText(found.url);
  }
  if (!found.text.empty()) {
    form.txtText.Text = found.text;
  }
  form.Init();
  host.ShowModal(form);
  if (form.Cancelled()) {
    return;
  }
  ReplaceHoldingStyle(surface, [&surface, &form] {
    const std::string text = Slashed(form.txtText.Text);
    if (text.empty()) {
      return;
    }
    const std::string url = Slashed(form.txtURL.Text);
    const std::int32_t at = surface.SelStart();
    if (!url.empty()) {
      SetLinkTextRun(surface);
    }
    if (IsWholeTag(text)) {
      SetRawTagRun(surface);
    }
    surface.SetSelText(Utf8ToUtf16(text));
    if (url.empty()) {
      return;
    }
    // The URL goes in before its text, not the other way round: the surface drops a URL that
    // no link text follows.
    const std::int32_t end = surface.SelStart();
    surface.SetSelStart(at);
    SetUrlRun(surface);
    surface.SetSelText(Utf8ToUtf16(url));
    surface.SetSelStart(end + (surface.SelStart() - at));
  });
}

namespace {

void SetIfNotEmpty(TextBox& field, const std::string& value) {
  if (!value.empty()) {
    field.SetText(value);
  }
}

// The values the user typed are encoded: a quote in a title must not end the value and start
// an attribute of its own.
std::string PictureTag(const frmImage& form, const std::string& src) {
  std::string tag = "<IMG SRC='" + EncodeAttributeValue(src) + "'";
  const std::string alt = Slashed(form.txtText.Text);
  if (!alt.empty()) {
    tag += " ALT='" + EncodeAttributeValue(alt) + "'";
  }
  if (!form.txtAlign().empty()) {
    tag += " ALIGN=" + form.txtAlign();
  }
  const std::pair<const TextBox*, std::string_view> numbers[] = {
      {&form.txtWidth, " WIDTH="},        {&form.txtHeight, " HEIGHT="},
      {&form.txtBorder, " BORDER="},      {&form.txtHorzSpacing, " HSPACE="},
      {&form.txtVertSpacing, " VSPACE="},
  };
  for (const auto& [field, name] : numbers) {
    if (!field->Text.empty()) {
      tag += name;
      tag += field->Text;
    }
  }
  return tag + ">";
}

}  // namespace

void DoPicture(RichTextBox& surface, ActionFlags& flags, FormHost& host,
               const std::vector<ImageEntry>& entries, frmImageCopy& imageCopy) {
  const PictureAttributes found = [&] {
    const QuietSelection quiet(flags);
    return SelectPicture(surface);
  }();
  frmImage form(entries, imageCopy, host);
  SetIfNotEmpty(form.txtURL, found.src);
  if (!found.alt.empty()) {
    form.txtText.Text = found.alt;
  }
  if (!found.align.empty()) {
    form.set_txtAlign(found.align);
  }
  SetIfNotEmpty(form.txtWidth, found.width);
  SetIfNotEmpty(form.txtHeight, found.height);
  SetIfNotEmpty(form.txtBorder, found.border);
  SetIfNotEmpty(form.txtHorzSpacing, found.hspace);
  SetIfNotEmpty(form.txtVertSpacing, found.vspace);
  form.Init();
  host.ShowModal(form);
  if (form.Cancelled()) {
    return;
  }
  ReplaceHoldingStyle(surface, [&surface, &form] {
    const std::string src = Slashed(form.txtURL.Text);
    if (src.empty()) {
      return;
    }
    SetRawTagRun(surface);
    DoFontSize(surface, 1);
    surface.SetSelText(Utf8ToUtf16(PictureTag(form, src)));
  });
}

void UpdateToolbar(Toolbar& toolbar, const RichTextBox& surface, const Clipboard& clipboard,
                   const ActionFlags& flags, std::span<const ButtonStateRule> rules) {
  if (!flags.TrackSelection) {
    return;
  }
  // Read whole before any entry changes: an entry's redraw must not see half a refresh.
  const bool selected = surface.SelLength() > 0;
  const bool richText = clipboard.HasFormat(ClipboardFormat::kRichText);
  const bool canUndo = surface.CanUndo();
  const std::optional<bool> bold = surface.SelBold();
  const std::optional<bool> italic = surface.SelItalic();
  const std::optional<bool> underline = surface.SelUnderline();
  const std::optional<bool> bullet = surface.SelBullet();
  const std::optional<Alignment> alignment = surface.SelAlignment();
  for (const ButtonStateRule& rule : rules) {
    WithButton(toolbar, rule.key, [&](ToolbarButton& b) {
      switch (rule.state) {
        case ShownState::kNone:
          break;
        case ShownState::kEnabledBySelection:
          b.SetEnabled(selected);
          break;
        case ShownState::kEnabledByRichText:
          b.SetEnabled(richText);
          break;
        case ShownState::kEnabledByUndo:
          b.SetEnabled(canUndo);
          break;
        case ShownState::kBold:
          ShowToggle(b, bold);
          break;
        case ShownState::kItalic:
          ShowToggle(b, italic);
          break;
        case ShownState::kUnderline:
          ShowToggle(b, underline);
          break;
        case ShownState::kBullets:
          ShowToggle(b, bullet);
          break;
        case ShownState::kAlignLeft:
          ShowAlignment(b, alignment, Alignment::kLeft);
          break;
        case ShownState::kAlignCenter:
          ShowAlignment(b, alignment, Alignment::kCenter);
          break;
        case ShownState::kAlignRight:
          ShowAlignment(b, alignment, Alignment::kRight);
          break;
      }
    });
  }
}

}  // namespace scrivlet
