#include "actions/actions.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

#include "actions/span_text.h"
#include "conversion/color_lib.h"
#include "conversion/font_lib.h"
#include "conversion/html_safety.h"
#include "conversion/text_codec.h"
#include "conversion/util_lib.h"
#include "dialogs/frm_hyperlink.h"
#include "dialogs/frm_image.h"

namespace scrivlet {

namespace {

ColorDialog* colorDialog = nullptr;

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

void ShowState(Toolbar& toolbar, std::string_view key, std::optional<bool> state) {
  WithButton(toolbar, key, [state](ToolbarButton& button) {
    if (!state) {
      button.SetMixedState(true);
      return;
    }
    button.SetValue(*state ? ButtonValue::kPressed : ButtonValue::kUnpressed);
    button.SetMixedState(false);
  });
}

void ShowAlignment(Toolbar& toolbar, std::optional<Alignment> alignment) {
  constexpr std::string_view kKeys[] = {"Left", "Center", "Right"};
  if (!alignment) {
    for (const std::string_view key : kKeys) {
      WithButton(toolbar, key, [](ToolbarButton& button) { button.SetMixedState(true); });
    }
    return;
  }
  for (const std::string_view key : kKeys) {
    WithButton(toolbar, key, [](ToolbarButton& b) { b.SetValue(ButtonValue::kUnpressed); });
  }
  for (const std::string_view key : kKeys) {
    WithButton(toolbar, key, [](ToolbarButton& b) { b.SetMixedState(false); });
  }
  const std::string_view pressed = *alignment == Alignment::kLeft     ? "Left"
                                   : *alignment == Alignment::kCenter ? "Center"
                                   : *alignment == Alignment::kRight  ? "Right"
                                                                      : "";
  if (!pressed.empty()) {
    WithButton(toolbar, pressed, [](ToolbarButton& b) { b.SetValue(ButtonValue::kPressed); });
  }
}

}  // namespace

ActionFlags& SharedActionFlags() {
  static ActionFlags flags;
  return flags;
}

void InitActions() {
  SharedActionFlags() = ActionFlags{false, true};
}

void InitColorDialog(ColorDialog& dialog) {
  colorDialog = &dialog;
  CustomColors().fill(0);
}

void ReleaseColorDialog(const ColorDialog& dialog) {
  if (colorDialog == &dialog) {
    colorDialog = nullptr;
  }
}

bool ChooseColorDialog(std::int32_t& color, std::optional<std::int32_t> initial) {
  if (colorDialog == nullptr) {
    return false;
  }
  const std::optional<ColorChoice> choice = colorDialog->ChooseColor(CustomColors(), initial);
  if (!choice) {
    return false;
  }
  color = choice->Color;
  CustomColors() = choice->Custom;
  return true;
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
  SharedActionFlags().ToolbarDirty = true;
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

void DoFontColor(RichTextBox& surface) {
  std::int32_t color = 0;
  if (ChooseColorDialog(color, surface.SelColor())) {
    SetFontColor(surface, color);
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

// Runs the search for a marker at the caret without a toolbar refresh for each of the many
// selections it makes; the command's end refreshes once.
template <typename Search>
auto SearchQuietly(Search search) {
  ActionFlags& flags = SharedActionFlags();
  flags.TrackSelection = false;
  auto found = search();
  flags.TrackSelection = true;
  flags.ToolbarDirty = true;
  return found;
}

// Replaces the selection by what `insert` writes, and gives the typing style that stood before
// the caret back after it. Also when nothing was inserted: a style left held would be written
// after some later, unrelated insertion.
template <typename Insert>
void ReplaceHoldingStyle(RichTextBox& surface, Insert insert) {
  const UndoStep step(surface);
  surface.SetSelText(u"");
  HoldTypingStyle(surface, TypingStyle::kHold);
  insert();
  HoldTypingStyle(surface, TypingStyle::kGiveBack);
}

}  // namespace

void DoHyperlink(RichTextBox& surface, FormHost& host, MessageBox& messages,
                 const std::vector<HyperlinkEntry>& entries) {
  const HyperlinkParts found = SearchQuietly([&surface] { return SelectHyperlink(surface); });
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

void DoPicture(RichTextBox& surface, FormHost& host, const std::vector<ImageEntry>& entries,
               frmImageCopy& imageCopy) {
  const PictureAttributes found = SearchQuietly([&surface] { return SelectPicture(surface); });
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

void UpdateToolbar(Toolbar& toolbar, const RichTextBox& surface, const Clipboard& clipboard) {
  ActionFlags& flags = SharedActionFlags();
  if (!flags.TrackSelection) {
    return;
  }
  flags.ToolbarDirty = false;
  const bool selected = surface.SelLength() > 0;
  WithButton(toolbar, "Cut", [selected](ToolbarButton& b) { b.SetEnabled(selected); });
  WithButton(toolbar, "Copy", [selected](ToolbarButton& b) { b.SetEnabled(selected); });
  const bool richText = clipboard.HasFormat(ClipboardFormat::kRichText);
  WithButton(toolbar, "Paste", [richText](ToolbarButton& b) { b.SetEnabled(richText); });
  const bool canUndo = surface.CanUndo();
  WithButton(toolbar, "Undo", [canUndo](ToolbarButton& b) { b.SetEnabled(canUndo); });
  ShowState(toolbar, "Bold", surface.SelBold());
  ShowState(toolbar, "Italic", surface.SelItalic());
  ShowState(toolbar, "Underline", surface.SelUnderline());
  ShowState(toolbar, "Bullets", surface.SelBullet());
  ShowAlignment(toolbar, surface.SelAlignment());
}

}  // namespace scrivlet
