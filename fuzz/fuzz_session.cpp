// A whole editing session against the headless control: the input is read as a sequence of
// commands (FuzzedDataProvider), each one a thing a host or a user does - assign TextHTML or
// TextRTF (fuzz bytes, or pieces of well-formed markup), select, type, click a toolbar button
// (with the popup menu, colour dialog, hyperlink or picture dialog answered by code), change a
// property, save and restore, read the document back.
//
// Properties, after every command: the surface's model is well formed and Text counts its runs
// and paragraph breaks; the selection lies within the text and splits no surrogate pair; unless
// AllowRawHtml is set, every <A> of TextHTML is closed and holds something. Text typed at a caret
// lands in a marker run only where the caret stood inside one (unless the session set a typing
// format itself). A rejected TextHTML assignment leaves TextRTF as it was. Reading TextHTML never
// throws, and the HTML read assigns; once it has been through one trip, a further trip reads the
// same HTML back (the first may lose what the dialect cannot carry), and unless AllowRawHtml is set
// the HTML can run no script. The comparison is skipped where the converters are known not to
// settle in one trip: HTML holding text in the marker colour (any silver italic text reads as a
// marker run) and a configured face list (faces mapping to one list settle on the trip after).
//
// Everything runs on the headless host's manual clock, so an input always replays the same way;
// document sizes and the number of commands are capped so that an input runs in milliseconds.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "actions/span_text.h"
#include "control/commands.h"
#include "conversion/conversion_context.h"
#include "conversion/conversion_error.h"
#include "dialogs/frm_hyperlink.h"
#include "dialogs/frm_image.h"
#include "fuzz_support.h"
#include "hosts/headless/headless_host.h"
#include "hosts/headless/memory_property_bag.h"
#include "script_checks.h"
#include "support/marker_invariants.h"
#include "surface_checks.h"
#include "text/text_codec.h"

namespace {

using scrivlet::HeadlessHost;

constexpr int kMaxCommands = 64;
constexpr std::size_t kMaxMarkup = 1024;    // bytes of one TextHTML/TextRTF assignment
constexpr std::size_t kMaxDocument = 1024;  // UTF-16 units; beyond it nothing grows the text
constexpr std::size_t kMaxPieces = 6;       // fragments joined into one assignment
// The hyperlink and picture commands search the text around the caret one character at a time,
// and each read of a character costs its paragraph's length: beyond this they are not clicked.
constexpr std::size_t kMaxSearchedText = 384;

// Pieces of well-formed markup: random bytes rarely get past the tokenisers, pieces of the
// vocabulary joined at random do.
constexpr std::string_view kHtmlPieces[] = {
    "plain text ",
    "<B>bold</B>",
    "<I>italic</I> ",
    "<U>under</U>",
    "<STRONG>s</STRONG><EM>e</EM>",
    "<FONT SIZE=5>big</FONT>",
    "<FONT SIZE=+2 COLOR=#FF0000>red</FONT>",
    "<FONT FACE='Times New Roman, Times'>face</FONT>",
    "<FONT COLOR=blue>named</FONT>",
    "<P ALIGN=CENTER>centred</P>",
    "<P ALIGN=RIGHT>right</P>",
    "<DIV ALIGN=LEFT>div</DIV>",
    "<BLOCKQUOTE>quoted</BLOCKQUOTE>",
    "<UL><LI>one<LI>two</UL>",
    "<BR>",
    "<P>",
    "</P>",
    "<A HREF='http://example.com/'>link</A>",
    "<A HREF=\"mailto:a@b.c\"><B>mail</B></A>",
    "<IMG SRC='images/logo.gif' ALT='Logo' WIDTH=88 HEIGHT=31 BORDER=0>",
    "<!-- ScrivletHTML --><HR>",
    "<!-- comment -->",
    "&amp;&lt;&gt;&quot;&nbsp;&#8364;&#x263A;",
    "&#128512;",
    "\xF0\x9F\x98\x80",
    "caf\xC3\xA9 ",
    "\xE9",
    "<FONT SIZE=x>",
    "<FONT COLOR=#GG0000>",
    "&#-1;",
    "<",
    ">",
    "\r\n",
    "<TABLE><TR><TD>cell</TD></TR></TABLE>",
};

constexpr std::string_view kRtfPieces[] = {
    "{\\rtf1\\ansi\\deff0",
    "{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman Times New Roman;}}",
    "{\\colortbl ;\\red192\\green192\\blue192;\\red0\\green0\\blue255;}",
    "\\pard\\plain\\f0\\fs24 ",
    "plain ",
    "\\b bold\\b0 ",
    "\\i italic\\i0 ",
    "\\ul under\\ulnone ",
    "\\cf1\\i\\ul http://x/\\cf2\\i0 link\\cf0\\ulnone ",
    "\\cf1\\i <IMG SRC='a.gif'>\\cf0\\i0 ",
    "\\f1\\fs48 big ",
    "\\par ",
    "\\qc ",
    "\\qr ",
    "\\li720\\ri720 ",
    "{\\pntext\\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnindent360{\\pntxtb\\'b7}}\\fi-360\\li360 ",
    "\\u9786?",
    "\\u-10179?\\u-8704?",
    "\\u55357?",
    "\\u56832?",
    "\\'e9\\'80",
    "{\\*\\unknown ignored}",
    "\\fs99999999999 ",
    "}",
    "{",
};

constexpr std::u16string_view kTypedPieces[] = {
    u"a",     u"Hello ",     u"\n",     u"\r\n",      u"\r",
    u"\t",    u"\U0001F600", u"\xD83D", u"\xDE00",    u"<IMG SRC='x.gif'>",
    u"<B>",   u"\\",         u"{}",     u"caf\u00E9", u"\u20AC",
    u"&amp;",
};

constexpr std::string_view kWddxPackets[] = {
    "",
    "<field name='HYPERLINK_TITLE'><string>Home</string><string>Mail us</string></field>"
    "<field name='HYPERLINK_LOCATION'><string>index.htm</string>"
    "<string>mailto:info@example.com</string></field>",
    "<field name='IMAGE_TITLE'><string>Logo</string></field><field name='IMAGE_LOCATION'>"
    "<string>images\\logo.gif</string></field><field name='IMAGE_WIDTH'><number>88</number>"
    "</field><field name='IMAGE_HEIGHT'><number>31.4</number></field>",
    "<field name='FONT_FACE'><string>Verdana, Arial</string>"
    "<string>Times New Roman, Times</string></field>",
};

constexpr std::string_view kFaces[] = {"Arial", "Times New Roman", "Courier New", "", "Verdana"};

// Colours the dialogs and properties are given: the marker and link colours among them, so that
// the user can forge marker runs.
constexpr std::int32_t kColors[] = {0x000000, 0xC0C0C0, 0xFF0000, 0x0000FF, 0x00FF00, 0xFFFFFF};

enum class Command : std::uint8_t {
  kHtmlBytes,
  kHtmlPieces,
  kRtfBytes,
  kRtfPieces,
  kSelect,
  kType,
  kClick,
  kClickIndex,
  kHyperlink,
  kPicture,
  kProperty,
  kClipboard,
  kReadBack,
  kHtmlTrip,
  kUndo,
  kRedo,
  kKey,
  kCustomize,
  kResize,
  kSaveRestore,
  kTick,
  kMaxValue = kTick,
};

template <typename T, std::size_t N>
const T& Pick(FuzzedDataProvider& input, const T (&table)[N]) {
  return table[input.ConsumeIntegralInRange<std::size_t>(0, N - 1)];
}

std::string JoinPieces(FuzzedDataProvider& input, std::span<const std::string_view> pieces) {
  std::string joined;
  const std::size_t count = input.ConsumeIntegralInRange<std::size_t>(1, kMaxPieces);
  for (std::size_t i = 0; i < count; ++i) {
    joined += pieces[input.ConsumeIntegralInRange<std::size_t>(0, pieces.size() - 1)];
  }
  return joined;
}

// One session: a host of its own, and the picture-copy dialog, which the process shares, put
// back as a new one, so that every input starts alike.
class Session {
 public:
  explicit Session(FuzzedDataProvider& input) : input_(input) {
    Start(nullptr);
    // The picture-copy dialog is shared by the process; what an earlier input assigned to it
    // must not offer "From File..." now.
    Control().SetFTPServer("");
    Control().SetFTPUsername("");
    Control().SetFTPPassword("");
    Control().SetFTPSecure(false);
    Control().SetImagesPath("");
  }

  void Run() {
    for (int i = 0; i < kMaxCommands && input_.remaining_bytes() > 0; ++i) {
      Step(input_.ConsumeEnum<Command>());
      CheckInvariants();
    }
  }

 private:
  scrivlet::Scrivlet& Control() { return host_->Control; }
  scrivlet::MemoryRichTextBox& Surface() { return host_->Surface; }
  bool Full() { return Surface().Text().size() > kMaxDocument; }

  void Start(const scrivlet::PropertyBag* restoreFrom) {
    host_.reset();  // the old control lets go of the shared parts first
    host_ = std::make_unique<HeadlessHost>();
    if (restoreFrom != nullptr) {
      host_->Restore(*restoreFrom);
    } else {
      host_->StartNew();
    }
    host_->Forms.SetUser("frmHyperlink", [this](scrivlet::Form& form) {
      AnswerHyperlink(static_cast<scrivlet::frmHyperlink&>(form));
    });
    host_->Forms.SetUser("frmImage", [this](scrivlet::Form& form) {
      AnswerPicture(static_cast<scrivlet::frmImage&>(form));
    });
    // Nobody answers the picture-copy dialog: it is closed from its title bar, so that no file
    // is copied and no connection made.
  }

  void Step(Command command) {
    switch (command) {
      case Command::kHtmlBytes:
        AssignHtml(input_.ConsumeRandomLengthString(kMaxMarkup));
        break;
      case Command::kHtmlPieces:
        AssignHtml(JoinPieces(input_, kHtmlPieces));
        break;
      case Command::kRtfBytes:
        Control().SetTextRTF(input_.ConsumeRandomLengthString(kMaxMarkup));
        break;
      case Command::kRtfPieces:
        Control().SetTextRTF(JoinPieces(input_, kRtfPieces));
        break;
      case Command::kSelect:
        Select();
        formatForced_ = false;
        break;
      case Command::kType:
        Type();
        break;
      case Command::kClick:
        Click(PickCommand().key);
        break;
      case Command::kClickIndex:
        ClickIndex();
        break;
      case Command::kHyperlink:
        ClickOffered(scrivlet::Property::kButtonsHyperlink);
        break;
      case Command::kPicture:
        ClickOffered(scrivlet::Property::kButtonsPicture);
        break;
      case Command::kProperty:
        ChangeProperty();
        break;
      case Command::kClipboard:
        FillClipboard();
        break;
      case Command::kReadBack:
        ReadBack();
        break;
      case Command::kHtmlTrip:
        HtmlTrip();
        break;
      // A step undone or redone drops the format held at the caret; with nothing to undo or
      // redo the format the user chose is still held.
      case Command::kUndo:
        formatForced_ = formatForced_ && !Surface().CanUndo();
        Surface().Undo();
        break;
      case Command::kRedo:
        formatForced_ = formatForced_ && !Surface().CanRedo();
        Surface().Redo();
        break;
      case Command::kKey:
        if (input_.ConsumeBool()) {
          Surface().DeleteBackward();
        } else {
          Surface().DeleteForward();
        }
        break;
      case Command::kCustomize:
        Customize();
        break;
      case Command::kResize:
        host_->Resize(input_.ConsumeIntegralInRange<std::int32_t>(-1000, 20000),
                      input_.ConsumeIntegralInRange<std::int32_t>(-1000, 20000));
        break;
      case Command::kSaveRestore:
        SaveRestore();
        break;
      case Command::kTick:
        host_->RunPendingWork();
        break;
    }
  }

  void CheckInvariants() {
    scrivlet::fuzz::CheckModel(Surface());
    scrivlet::fuzz::CheckSelection(Surface());
    const std::string html = Control().TextHTML();
    // Raw HTML a trusting host lets through is the author's, anchors included.
    const std::string fault =
        Control().AllowRawHtml() ? std::string() : scrivlet::checks::AnchorFault(html);
    if (!fault.empty()) {
      std::fprintf(stderr, "%s\n%s\n", fault.c_str(), html.c_str());
    }
    SCRIVLET_FUZZ_CHECK(fault.empty());
  }

  // A rejected page leaves the document as it was.
  void AssignHtml(const std::string& html) {
    const std::string before = Control().TextRTF();
    try {
      Control().SetTextHTML(html);
    } catch (const scrivlet::ConversionError&) {
      SCRIVLET_FUZZ_CHECK(Control().TextRTF() == before);
    }
  }

  void Select() {
    const auto length = static_cast<std::int32_t>(Surface().Text().size());
    // Mostly inside the text, sometimes anywhere: the surface clamps.
    if (input_.ConsumeBool()) {
      Surface().SetSelStart(input_.ConsumeIntegralInRange<std::int32_t>(0, length));
      Surface().SetSelLength(input_.ConsumeIntegralInRange<std::int32_t>(0, length));
    } else {
      Surface().SetSelStart(input_.ConsumeIntegral<std::int32_t>());
      Surface().SetSelLength(input_.ConsumeIntegral<std::int32_t>());
    }
  }

  void Type() {
    std::u16string text;
    if (input_.ConsumeBool()) {
      text = Pick(input_, kTypedPieces);
    } else {
      text = scrivlet::Utf8ToUtf16(input_.ConsumeRandomLengthString(64));
    }
    if (Full()) {
      return;
    }
    const std::int32_t caret = Surface().SelStart();
    const bool checked = !formatForced_ && Surface().SelLength() == 0 &&
                         text.find_first_of(u"\r\n") == std::u16string::npos &&
                         std::none_of(text.begin(), text.end(),
                                      [](char16_t c) { return c >= 0xD800 && c <= 0xDFFF; });
    const bool aimed = scrivlet::checks::AimsIntoMarker(Surface().Paragraphs(), caret);
    Surface().SetSelText(text);
    if (checked && !aimed) {
      const std::int32_t end = Surface().SelStart();
      const auto typed = static_cast<std::int32_t>(text.size());
      SCRIVLET_FUZZ_CHECK(
          !scrivlet::checks::HasMarkerText(Surface().Paragraphs(), end - typed, end));
    }
  }

  // Any command of the toolbar's table, whether the toolbar shows it or not.
  const scrivlet::CommandDefinition& PickCommand() {
    std::vector<const scrivlet::CommandDefinition*> commands;
    for (const scrivlet::CommandDefinition& command : scrivlet::ToolbarCommands()) {
      if (!command.key.empty()) {
        commands.push_back(&command);
      }
    }
    return *commands[input_.ConsumeIntegralInRange<std::size_t>(0, commands.size() - 1)];
  }

  void ClickOffered(scrivlet::Property group) {
    for (const scrivlet::CommandDefinition& command : scrivlet::ToolbarCommands()) {
      if (command.group == group) {
        Click(command.key);
      }
    }
  }

  // Clicks as the user does; the menu or colour dialog the click opens is answered first.
  void Click(std::string_view key) {
    using scrivlet::Property;
    scrivlet::HeadlessToolbar& bar = host_->Bar;
    const scrivlet::CommandDefinition* command = scrivlet::FindCommand(key);
    if (!bar.Contains(key) || command == nullptr) {
      return;
    }
    const scrivlet::ToolbarButton& button = bar.Button(key);
    if (!button.Enabled() || !button.Visible()) {
      return;
    }
    // What a command does, told by what offers it: the face button by WDDX, the size, style and
    // colour buttons by their groups, paste by rich text on the clipboard.
    const auto group = command->group.value_or(Property::kCount);
    if (command->state == scrivlet::ShownState::kEnabledByRichText && Full()) {
      return;
    }
    if ((group == Property::kButtonsHyperlink || group == Property::kButtonsPicture) &&
        Surface().Text().size() > kMaxSearchedText) {
      return;
    }
    // A format set at the caret is the user's: typing in it may forge a marker run.
    if (Surface().SelLength() == 0 &&
        (group == Property::kButtonsFontStyle || group == Property::kButtonsFontColor ||
         group == Property::kWDDX || group == Property::kButtonsFontSize)) {
      formatForced_ = true;
    }
    if (group == Property::kWDDX) {
      QueueMenuChoice(host_->FaceMenu);
    } else if (group == Property::kButtonsFontSize) {
      QueueMenuChoice(host_->SizeMenu);
    } else if (group == Property::kButtonsFontColor) {
      if (input_.ConsumeBool()) {
        host_->Colors.QueueChoice(Pick(input_, kColors));
      } else {
        host_->Colors.QueueCancel();
      }
    }
    bar.UserClick(key);
  }

  void QueueMenuChoice(scrivlet::HeadlessPopupMenu& menu) {
    const std::vector<std::int32_t> indexes = menu.Indexes();
    if (indexes.empty() || input_.ConsumeBool()) {
      menu.QueueDismiss();
      return;
    }
    menu.QueueChoice(indexes[input_.ConsumeIntegralInRange<std::size_t>(0, indexes.size() - 1)]);
  }

  // Any entry by position, separators and hidden entries included: the toolbar refuses those.
  void ClickIndex() {
    scrivlet::HeadlessToolbar& bar = host_->Bar;
    if (bar.Count() == 0) {
      return;
    }
    const std::int32_t index = input_.ConsumeIntegralInRange<std::int32_t>(1, bar.Count());
    const std::string key = bar.Button(index).Key();
    if (key.empty()) {
      bar.UserClick(index);
    } else {
      Click(key);
    }
  }

  std::string FieldText() {
    return input_.ConsumeBool() ? std::string(Pick(input_, kHtmlPieces))
                                : input_.ConsumeRandomLengthString(48);
  }

  void AnswerHyperlink(scrivlet::frmHyperlink& dialog) {
    if (!dialog.txtText.List.empty() && input_.ConsumeBool()) {
      dialog.txtText.Choose(input_.ConsumeIntegralInRange<std::int32_t>(
          0, static_cast<std::int32_t>(dialog.txtText.List.size()) - 1));
    }
    if (input_.ConsumeBool()) {
      dialog.optProtocol[input_.ConsumeIntegralInRange<std::size_t>(0, 1)].Choose();
    }
    if (input_.ConsumeBool()) {
      dialog.txtURL.SetText(FieldText());
    }
    if (input_.ConsumeBool()) {
      dialog.txtText.Text = FieldText();
    }
    (input_.ConsumeBool() ? dialog.cmdOk : dialog.cmdCancel).Press();
  }

  void AnswerPicture(scrivlet::frmImage& dialog) {
    if (input_.ConsumeBool()) {
      dialog.cmdSelect.Press();  // the copy dialog is closed unanswered
    }
    if (!dialog.txtText.List.empty() && input_.ConsumeBool()) {
      dialog.txtText.Choose(input_.ConsumeIntegralInRange<std::int32_t>(
          0, static_cast<std::int32_t>(dialog.txtText.List.size()) - 1));
    }
    scrivlet::TextBox* const fields[] = {&dialog.txtURL,         &dialog.txtWidth,
                                         &dialog.txtHeight,      &dialog.txtBorder,
                                         &dialog.txtHorzSpacing, &dialog.txtVertSpacing};
    for (scrivlet::TextBox* field : fields) {
      if (input_.ConsumeBool()) {
        field->SetText(FieldText());
      }
    }
    if (input_.ConsumeBool()) {
      dialog.txtText.Text = FieldText();
    }
    if (input_.ConsumeBool()) {
      dialog.cboAlign.Choose(input_.ConsumeIntegralInRange<std::int32_t>(
          0, static_cast<std::int32_t>(dialog.cboAlign.List.size()) - 1));
    }
    (input_.ConsumeBool() ? dialog.cmdOk : dialog.cmdCancel).Press();
  }

  // Any setting of the property table (the document has commands of its own), with a value of
  // its type: a face, a packet, a folder, one of its words or random text; colours that forge
  // marker runs.
  void ChangeProperty() {
    scrivlet::Scrivlet& control = Control();
    std::vector<const scrivlet::PropertyDefinition*> settings;
    for (const scrivlet::PropertyDefinition& property : scrivlet::ControlProperties()) {
      if (property.type != scrivlet::PropertyType::kDocument) {
        settings.push_back(&property);
      }
    }
    // One more choice: the separators' tidy-up, which no property assigns.
    const std::size_t pick = input_.ConsumeIntegralInRange<std::size_t>(0, settings.size());
    if (pick == settings.size()) {
      control.RemoveExtraSeparators();
      return;
    }
    const scrivlet::PropertyDefinition& property = *settings[pick];
    scrivlet::PropertyValue value;
    switch (property.type) {
      case scrivlet::PropertyType::kBoolean:
      case scrivlet::PropertyType::kButtonGroup:
        value = input_.ConsumeBool();
        break;
      case scrivlet::PropertyType::kHtmlSize:
        value = input_.ConsumeIntegral<std::int16_t>();
        break;
      case scrivlet::PropertyType::kColor:
        value =
            input_.ConsumeBool() ? Pick(input_, kColors) : input_.ConsumeIntegral<std::int32_t>();
        break;
      default:
        value = SettingText(property);
        break;
    }
    try {
      property.set(control, value);
    } catch (const scrivlet::PropertyValueError&) {
      // A word outside the choices is refused and changes nothing.
    }
  }

  std::string SettingText(const scrivlet::PropertyDefinition& property) {
    switch (input_.ConsumeIntegralInRange(0, 4)) {
      case 0:
        return std::string(Pick(input_, kFaces));
      case 1:
        return std::string(Pick(input_, kWddxPackets));
      case 2:
        return input_.ConsumeBool() ? "images\\" : "";
      case 3:
        if (!property.choices.empty()) {
          return std::string(property.choices[input_.ConsumeIntegralInRange<std::size_t>(
              0, property.choices.size() - 1)]);
        }
        [[fallthrough]];
      default:
        return input_.ConsumeRandomLengthString(256);
    }
  }

  void FillClipboard() {
    scrivlet::MemoryClipboard& clip = host_->Clip;
    switch (input_.ConsumeIntegralInRange(0, 3)) {
      case 0:
        clip.Clear();
        break;
      case 1:
        clip.Clear();
        clip.SetText(JoinPieces(input_, kRtfPieces), scrivlet::ClipboardFormat::kRichText);
        break;
      case 2:
        clip.Clear();
        clip.SetText(input_.ConsumeRandomLengthString(256), scrivlet::ClipboardFormat::kRichText);
        break;
      default:
        clip.Clear();
        clip.SetText(input_.ConsumeRandomLengthString(64), scrivlet::ClipboardFormat::kText);
        break;
    }
  }

  // What a host reads; none of it may throw or change the document.
  void ReadBack() {
    const std::string rtf = Control().TextRTF();
    const std::u16string text = Surface().Text();
    const std::string html = Control().TextHTML();
    CheckScriptFree(html);
    static_cast<void>(Surface().SelRTF());
    static_cast<void>(Surface().SelText());
    SCRIVLET_FUZZ_CHECK(Control().TextRTF() == rtf);
    SCRIVLET_FUZZ_CHECK(Surface().Text() == text);
    SCRIVLET_FUZZ_CHECK(!html.empty());
  }

  // Assigns the HTML read; once through that trip, a further one changes nothing.
  void HtmlTrip() {
    const std::string first = Control().TextHTML();
    const std::string second = AssignAndRead(first);
    const std::string third = AssignAndRead(second);
    if (scrivlet::FindNoCase(first, "C0C0C0") != std::string_view::npos ||
        Control().ConversionSettings().FontFaceListCount() > 0) {
      return;
    }
    if (third != second) {
      std::fprintf(stderr, "first:  %s\nsecond: %s\nthird:  %s\n", first.c_str(), second.c_str(),
                   third.c_str());
    }
    SCRIVLET_FUZZ_CHECK(third == second);
  }

  // The HTML the control wrote is HTML it accepts.
  std::string AssignAndRead(const std::string& html) {
    try {
      Control().SetTextHTML(html);
    } catch (const scrivlet::ConversionError& error) {
      std::fprintf(stderr, "TextHTML read back is rejected: %s\n%s\n", error.what(), html.c_str());
      SCRIVLET_FUZZ_CHECK(!"TextHTML read back is rejected");
    }
    std::string read = Control().TextHTML();
    CheckScriptFree(read);
    return read;
  }

  // Unless the host passes raw HTML through, nothing the control writes can run script.
  void CheckScriptFree(const std::string& html) {
    if (Control().AllowRawHtml()) {
      return;
    }
    const std::string hazard = scrivlet::fuzz::FindScriptHazard(html);
    if (!hazard.empty()) {
      std::fprintf(stderr, "script-capable TextHTML (%s):\n%s\n", hazard.c_str(), html.c_str());
    }
    SCRIVLET_FUZZ_CHECK(hazard.empty());
  }

  void Customize() {
    scrivlet::HeadlessToolbar& bar = host_->Bar;
    if (bar.Count() == 0) {
      return;
    }
    const auto index = [this, &bar] {
      return input_.ConsumeIntegralInRange<std::int32_t>(1, bar.Count());
    };
    switch (input_.ConsumeIntegralInRange(0, 2)) {
      case 0:
        bar.UserHide(index());
        break;
      case 1:
        bar.UserShow(index());
        break;
      default: {
        const std::int32_t from = index();
        bar.UserMove(from, index());
        break;
      }
    }
  }

  // The property bag written and a new instance restored from it, its one-shot pass run.
  void SaveRestore() {
    scrivlet::MemoryPropertyBag bag;
    Control().UserControl_WriteProperties(bag);
    Start(&bag);
    host_->RunPendingWork();
    SCRIVLET_FUZZ_CHECK(!Control().Timer1Enabled());
  }

  FuzzedDataProvider& input_;
  std::unique_ptr<HeadlessHost> host_;
  bool formatForced_ = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  Session session(input);
  session.Run();
  return 0;
}
