#include "control/commands.h"

#include "control/scrivlet.h"
#include "settings/wddx.h"

namespace scrivlet {

namespace {

constexpr std::int32_t kIndentStep = 360;

}  // namespace

// A friend of Scrivlet: the commands run on its parts.
std::span<const CommandDefinition> ToolbarCommands() {
  using B = ButtonStyle;
  using P = Property;
  using S = ShownState;
  using C = Scrivlet;
  using Button = ToolbarButton;
  constexpr CommandDefinition kSeparator{"", B::kSeparator, "", "", "", {}, "", nullptr, S::kNone};
  static constexpr CommandDefinition kTable[] = {
      kSeparator,
      {"Cut", B::kDefault, "Cut", "Cut", "Ctrl+X", P::kButtonsEdit, "edit-cut",
       [](C& c, Button&) { DoCut(c.services_.Surface, c.services_.Clip); }, S::kEnabledBySelection},
      {"Copy", B::kDefault, "Copy", "Copy", "Ctrl+C", P::kButtonsEdit, "edit-copy",
       [](C& c, Button&) { DoCopy(c.services_.Surface, c.services_.Clip); },
       S::kEnabledBySelection},
      {"Paste", B::kDefault, "Paste", "Paste", "Ctrl+V", P::kButtonsEdit, "edit-paste",
       [](C& c, Button&) { DoPaste(c.services_.Surface, c.services_.Clip); },
       S::kEnabledByRichText},
      {"Undo", B::kDefault, "Undo", "Undo", "Ctrl+Z", P::kButtonsEdit, "edit-undo",
       [](C& c, Button&) { DoUndo(c.services_.Surface); }, S::kEnabledByUndo},
      kSeparator,
      // Offered while the WDDX packet holds face lists.
      {"FontFace", B::kDefault, "Font", "Font", "", P::kWDDX, "preferences-desktop-font",
       [](C& c, Button& b) { c.ShowFaceMenu(b); }, S::kNone},
      {"FontSize", B::kDefault, "Font Size", "Font Size", "", P::kButtonsFontSize,
       "format-font-size-more", [](C& c, Button& b) { c.ShowSizeMenu(b); }, S::kNone},
      kSeparator,
      {"Bold", B::kCheck, "Bold", "Bold", "Ctrl+B", P::kButtonsFontStyle, "format-text-bold",
       [](C& c, Button&) { DoBold(c.services_.Surface); }, S::kBold},
      {"Italic", B::kCheck, "Italic", "Italic", "Ctrl+I", P::kButtonsFontStyle,
       "format-text-italic", [](C& c, Button&) { DoItalic(c.services_.Surface); }, S::kItalic},
      {"Underline", B::kCheck, "Underline", "Underline", "Ctrl+U", P::kButtonsFontStyle,
       "format-text-underline", [](C& c, Button&) { DoUnderline(c.services_.Surface); },
       S::kUnderline},
      {"FontColor", B::kDefault, "Font Color", "Font Color", "", P::kButtonsFontColor,
       "format-text-color",
       [](C& c, Button&) { DoFontColor(c.services_.Surface, c.context_.Colors); }, S::kNone},
      kSeparator,
      {"Bullets", B::kCheck, "Bullets", "Bullets", "", P::kButtonsBullets, "format-list-unordered",
       [](C& c, Button&) { DoBullets(c.services_.Surface); }, S::kBullets},
      {"IndentLeft", B::kDefault, "Decrease Indentation", "Decrease Indentation", "",
       P::kButtonsIndent, "format-indent-less",
       [](C& c, Button&) { DoIndent(c.services_.Surface, -kIndentStep); }, S::kNone},
      {"IndentRight", B::kDefault, "Increase Indentation", "Increase Indentation", "",
       P::kButtonsIndent, "format-indent-more",
       [](C& c, Button&) { DoIndent(c.services_.Surface, kIndentStep); }, S::kNone},
      kSeparator,
      {"Left", B::kButtonGroup, "Align Left", "Align Left", "", P::kButtonsAlign,
       "format-justify-left", [](C& c, Button&) { DoAlign(c.services_.Surface, Alignment::kLeft); },
       S::kAlignLeft},
      {"Center", B::kButtonGroup, "Align Center", "Align Center", "", P::kButtonsAlign,
       "format-justify-center",
       [](C& c, Button&) { DoAlign(c.services_.Surface, Alignment::kCenter); }, S::kAlignCenter},
      {"Right", B::kButtonGroup, "Align Right", "Align Right", "", P::kButtonsAlign,
       "format-justify-right",
       [](C& c, Button&) { DoAlign(c.services_.Surface, Alignment::kRight); }, S::kAlignRight},
      kSeparator,
      {"Hyperlink", B::kDefault, "Insert Hyperlink", "Insert Hyperlink", "Ctrl+K",
       P::kButtonsHyperlink, "insert-link",
       [](C& c, Button&) {
         DoHyperlink(c.services_.Surface, c.context_.Actions, c.services_.Forms,
                     c.services_.Publishing.Messages, c.context_.Fields.HyperlinkEntries);
       },
       S::kNone},
      {"Picture", B::kDefault, "Insert Picture", "Insert Picture", "", P::kButtonsPicture,
       "insert-image",
       [](C& c, Button&) {
         DoPicture(c.services_.Surface, c.context_.Actions, c.services_.Forms,
                   c.context_.Fields.ImageEntries, c.ImageCopy());
       },
       S::kNone},
      kSeparator,
      {"About", B::kDefault, "About", "About Scrivlet", "", P::kButtonsAbout, "help-about",
       [](C& c, Button&) { c.ShowAbout(); }, S::kNone},
  };
  return kTable;
}

const CommandDefinition* FindCommand(std::string_view key) {
  for (const CommandDefinition& command : ToolbarCommands()) {
    if (!command.key.empty() && command.key == key) {
      return &command;
    }
  }
  return nullptr;
}

}  // namespace scrivlet
