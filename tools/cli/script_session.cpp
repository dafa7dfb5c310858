#include "script_session.h"

#include <charconv>
#include <fstream>
#include <istream>
#include <ostream>
#include <sstream>

#include "conversion/conversion_error.h"
#include "dialogs/frm_hyperlink.h"
#include "dialogs/frm_image.h"
#include "text/text_codec.h"

namespace scrivlet {

namespace {

std::string Unescape(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      const char next = text[++i];
      out += next == 'n' ? '\n' : next == 't' ? '\t' : next;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string Escape(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      continue;  // a CR LF pair is one line break
    }
    if (c == '\n' || c == '\r') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\\') {
      out += "\\\\";
    } else {
      out += c;
    }
  }
  return out;
}

// Splits on spaces; a double-quoted stretch stays in one word without its quotes.
std::vector<std::string> SplitWords(std::string_view text) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false;
  bool any = false;
  for (const char c : text) {
    if (c == '"') {
      quoted = !quoted;
      any = true;
    } else if (c == ' ' && !quoted) {
      if (any)
        words.push_back(Unescape(word));
      word.clear();
      any = false;
    } else {
      word += c;
      any = true;
    }
  }
  if (quoted) {
    throw ScriptError("unbalanced double quote");
  }
  if (any)
    words.push_back(Unescape(word));
  return words;
}

std::int64_t ParseNumber(std::string_view text) {
  int base = 10;
  std::string_view digits = text;
  bool negative = false;
  if (digits.starts_with('-')) {
    negative = true;
    digits.remove_prefix(1);
  }
  if (digits.starts_with("0x") || digits.starts_with("0X")) {
    base = 16;
    digits.remove_prefix(2);
  }
  std::int64_t value = 0;
  const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
  if (digits.empty() || result.ec != std::errc() || result.ptr != digits.data() + digits.size()) {
    throw ScriptError("\"" + std::string(text) + "\" is not a number");
  }
  return negative ? -value : value;
}

std::int32_t ParseInt32(std::string_view text) {
  // Colours such as 0x80000005 are written unsigned.
  const std::int64_t value = ParseNumber(text);
  if (value < INT32_MIN || value > 0xFFFFFFFFLL) {
    throw ScriptError("\"" + std::string(text) + "\" is out of range");
  }
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

bool ParseBoolean(std::string_view text) {
  if (StartsWithNoCase(text, "true") && text.size() == 4)
    return true;
  if (StartsWithNoCase(text, "false") && text.size() == 5)
    return false;
  throw ScriptError("\"" + std::string(text) + "\" is not True or False");
}

std::string ReadValue(std::string_view value) {
  if (!value.starts_with('@')) {
    return Unescape(value);
  }
  const std::string path(value.substr(1));
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    throw ScriptError("cannot read " + path);
  }
  std::ostringstream contents;
  contents << file.rdbuf();
  return contents.str();
}

// The `key=value` options of an answer, after its verb.
std::map<std::string, std::string> Options(const std::vector<std::string>& words,
                                           std::size_t from) {
  std::map<std::string, std::string> options;
  for (std::size_t i = from; i < words.size(); ++i) {
    const std::size_t equals = words[i].find('=');
    if (equals == std::string::npos) {
      options[words[i]] = "";
    } else {
      options[words[i].substr(0, equals)] = words[i].substr(equals + 1);
    }
  }
  return options;
}

std::string_view AnswerName(MessageBoxAnswer answer) {
  switch (answer) {
    case MessageBoxAnswer::kOk:
      return "ok";
    case MessageBoxAnswer::kYes:
      return "yes";
    case MessageBoxAnswer::kNo:
      return "no";
  }
  return "?";
}

std::string Bool(bool value) {
  return value ? "True" : "False";
}

void Require(bool condition, std::string_view message) {
  if (!condition) {
    throw ScriptError(std::string(message));
  }
}

// A picked entry of a list: N counts from 1.
std::int32_t PickIndex(const std::string& value, std::size_t count) {
  const std::int64_t n = ParseNumber(value);
  Require(n >= 1 && static_cast<std::size_t>(n) <= count, "no entry " + value + " to pick");
  return static_cast<std::int32_t>(n - 1);
}

const PropertyDefinition& PropertyNamed(std::string_view name) {
  const PropertyDefinition* property = scrivlet::FindProperty(name);
  if (property == nullptr) {
    throw ScriptError("no property \"" + std::string(name) + "\"");
  }
  return *property;
}

// A script's word as the property's value: True/False, a number, or the text itself.
PropertyValue ParseValue(const PropertyDefinition& property, const std::string& text) {
  switch (ValueIndexOf(property.type)) {
    case 1:
      return static_cast<std::int16_t>(ParseInt32(text));
    case 2:
      return ParseInt32(text);
    case 3:
      return ParseBoolean(text);
    default:
      return text;
  }
}

std::string FormatValue(const PropertyValue& value) {
  switch (value.index()) {
    case 1:
      return std::to_string(std::get<std::int16_t>(value));
    case 2:
      return std::to_string(std::get<std::int32_t>(value));
    case 3:
      return Bool(std::get<bool>(value));
    default:
      return std::get<std::string>(value);
  }
}

}  // namespace

ScriptSession::ScriptSession(std::ostream& out) : out_(out) {
  StartHost(nullptr);
}

ScriptSession::~ScriptSession() = default;

void ScriptSession::StartHost(const PropertyBag* restoreFrom) {
  host_.reset();  // the old control and its window go before the new one starts
  host_ = std::make_unique<HeadlessHost>();
  if (restoreFrom != nullptr) {
    host_->Restore(*restoreFrom);
  } else {
    host_->StartNew();
  }
  RegisterDialogUsers();
}

void ScriptSession::RegisterDialogUsers() {
  for (const std::string_view form : {"frmHyperlink", "frmImage", "frmImageCopy"}) {
    host_->Forms.SetUser(form, [this, name = std::string(form)](Form& shown) {
      auto& queue = answers_[name];
      if (queue.empty()) {
        return;  // nobody answers: the window is closed from its title bar
      }
      const DialogAnswer answer = std::move(queue.front());
      queue.pop_front();
      answer(shown);
    });
  }
}

void ScriptSession::Run(std::istream& script) {
  std::string line;
  for (int number = 1; std::getline(script, line); ++number) {
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
    }
    try {
      Execute(line);
    } catch (const std::exception& error) {
      throw ScriptError("line " + std::to_string(number) + ": " + error.what());
    }
  }
}

void ScriptSession::Execute(std::string_view line) {
  if (line.empty() || line.starts_with('#')) {
    return;
  }
  const std::size_t space = line.find(' ');
  const std::string_view command = line.substr(0, space);
  const std::string_view rest = space == std::string_view::npos ? "" : line.substr(space + 1);
  Scrivlet& control = host_->Control;
  if (command == "html") {
    control.SetTextHTML(Unescape(rest));
  } else if (command == "rtf") {
    control.SetTextRTF(Unescape(rest));
  } else if (command == "type") {
    Type(Utf8ToUtf16(Unescape(rest)));
  } else if (command == "paste") {
    const UndoStep step(host_->Surface);  // never part of the typing around it
    host_->Surface.SetSelText(Utf8ToUtf16(Unescape(rest)));
  } else if (command == "undo") {
    host_->Surface.Undo();
  } else if (command == "redo") {
    host_->Surface.Redo();
  } else if (command == "set") {
    const std::size_t split = rest.find(' ');
    Require(split != std::string_view::npos, "set needs a property and a value");
    Set(rest.substr(0, split), rest.substr(split + 1));
  } else {
    const Words words = SplitWords(rest);
    const auto number = [&words](std::size_t i) {
      Require(i < words.size(), "a number is missing");
      return ParseInt32(words[i]);
    };
    if (command == "size") {
      host_->Resize(number(0), number(1));
    } else if (command == "select") {
      host_->Surface.SetSelStart(number(0));
      host_->Surface.SetSelLength(number(1));
    } else if (command == "key") {
      Require(
          !words.empty() && words.size() <= 2 && (words[0] == "backspace" || words[0] == "delete"),
          "key needs backspace or delete");
      for (std::int32_t i = words.size() > 1 ? number(1) : 1; i > 0; --i) {
        if (words[0] == "backspace") {
          host_->Surface.DeleteBackward();
        } else {
          host_->Surface.DeleteForward();
        }
      }
    } else if (command == "click") {
      Require(words.size() == 1, "click needs one key");
      Require(host_->Bar.Contains(words[0]), "no toolbar button \"" + words[0] + "\"");
      // A click on a disabled or hidden button does nothing, as for the user.
      host_->Bar.UserClick(words[0]);
    } else if (command == "menu") {
      Require(words.size() == 2 && (words[0] == "face" || words[0] == "size"),
              "menu needs face or size and an index");
      (words[0] == "face" ? host_->FaceMenu : host_->SizeMenu).QueueChoice(number(1));
    } else if (command == "answer") {
      Answer(words);
    } else if (command == "clipboard") {
      Clipboard(words, rest);
    } else if (command == "save") {
      bag_ = MemoryPropertyBag();
      control.UserControl_WriteProperties(bag_);
    } else if (command == "load") {
      StartHost(&bag_);
    } else if (command == "tick") {
      host_->RunPendingWork();
    } else if (command == "print") {
      Print(words);
    } else {
      throw ScriptError("unknown command \"" + std::string(command) + "\"");
    }
  }
}

// One keystroke a character (a surrogate pair together; "\r\n" is one Enter), so that typing
// is gathered into undo steps as the user's is.
void ScriptSession::Type(std::u16string_view text) {
  if (text.empty()) {
    host_->Surface.SetSelText(u"");  // deletes the selection
  }
  for (std::size_t i = 0; i < text.size();) {
    std::size_t length = 1;
    if ((text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ||
        (text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
         text[i + 1] <= 0xDFFF)) {
      length = 2;
    }
    host_->Surface.SetSelText(text.substr(i, length));
    i += length;
  }
}

void ScriptSession::Set(std::string_view property, std::string_view value) {
  const PropertyDefinition& definition = PropertyNamed(property);
  definition.set(host_->Control, ParseValue(definition, ReadValue(value)));
}

void ScriptSession::Print(const Words& words) {
  Require(!words.empty(), "print what?");
  const std::string& what = words[0];
  if (what == "html") {
    out_ << host_->Control.TextHTML() << '\n';
  } else if (what == "rtf") {
    out_ << host_->Control.TextRTF() << '\n';
  } else if (what == "text") {
    out_ << Utf16ToUtf8(host_->Surface.Text()) << '\n';
  } else if (what == "selection") {
    out_ << host_->Surface.SelStart() << ' ' << host_->Surface.SelLength() << '\n';
  } else if (what == "toolbar") {
    PrintToolbar();
  } else if (what == "menu" && words.size() == 2 && words[1] == "face") {
    PrintMenu(host_->FaceMenu);
  } else if (what == "menu" && words.size() == 2 && words[1] == "size") {
    PrintMenu(host_->SizeMenu);
  } else if (what == "property" && words.size() == 2) {
    out_ << FormatValue(PropertyNamed(words[1]).get(host_->Control)) << '\n';
  } else if (what == "messages") {
    PrintMessages();
  } else {
    throw ScriptError("cannot print \"" + what + "\"");
  }
}

void ScriptSession::PrintToolbar() {
  const Toolbar& bar = host_->Bar;
  for (std::int32_t i = 1; i <= bar.Count(); ++i) {
    const ToolbarButton& button = bar.Button(i);
    out_ << i << ' ' << (button.Key().empty() ? "-" : button.Key()) << ' '
         << (button.Enabled() ? "enabled" : "disabled") << ' '
         << (button.Visible() ? "visible" : "hidden")
         << " value=" << static_cast<int>(button.Value()) << (button.MixedState() ? " mixed" : "")
         << '\n';
  }
}

void ScriptSession::PrintMenu(const PopupMenu& menu) {
  for (const std::int32_t index : menu.Indexes()) {
    out_ << index << ' ' << (menu.ItemChecked(index) ? '*' : '-') << ' ' << menu.ItemCaption(index)
         << '\n';
  }
}

void ScriptSession::PrintMessages() {
  for (const ScriptedMessageBox::Call& call : host_->Messages.Calls()) {
    out_ << Escape(call.Title) << " | " << Escape(call.Text) << " | " << AnswerName(call.Answer)
         << '\n';
  }
}

void ScriptSession::Answer(const Words& words) {
  Require(words.size() >= 2, "answer needs a dialog and an answer");
  const std::string& dialog = words[0];
  if (dialog == "hyperlink") {
    AnswerHyperlink(words);
  } else if (dialog == "picture") {
    AnswerPicture(words);
  } else if (dialog == "imagecopy") {
    AnswerImageCopy(words);
  } else if (dialog == "color") {
    if (words[1] == "ok") {
      Require(words.size() == 3, "answer color ok needs a colour");
      host_->Colors.QueueChoice(ParseInt32(words[2]));
    } else {
      Require(words[1] == "cancel", "answer color ok N or cancel");
      host_->Colors.QueueCancel();
    }
  } else if (dialog == "msgbox") {
    const std::string& answer = words[1];
    Require(answer == "yes" || answer == "no" || answer == "ok", "answer msgbox yes|no|ok");
    host_->Messages.QueueAnswer(answer == "yes"  ? MessageBoxAnswer::kYes
                                : answer == "no" ? MessageBoxAnswer::kNo
                                                 : MessageBoxAnswer::kOk);
  } else {
    throw ScriptError("no dialog \"" + dialog + "\" to answer");
  }
}

void ScriptSession::AnswerHyperlink(const Words& words) {
  const bool ok = words[1] == "ok";
  Require(ok || words[1] == "cancel", "answer hyperlink ok or cancel");
  const auto options = Options(words, 2);
  answers_["frmHyperlink"].push_back([ok, options](Form& form) {
    auto& dialog = static_cast<frmHyperlink&>(form);
    if (const auto pick = options.find("pick"); pick != options.end()) {
      dialog.txtText.Choose(PickIndex(pick->second, dialog.txtText.List.size()));
    }
    if (const auto url = options.find("url"); url != options.end()) {
      dialog.txtURL.SetText(url->second);
    }
    if (const auto text = options.find("text"); text != options.end()) {
      dialog.txtText.Text = text->second;
    }
    (ok ? dialog.cmdOk : dialog.cmdCancel).Press();
  });
}

void ScriptSession::AnswerPicture(const Words& words) {
  const bool ok = words[1] == "ok";
  Require(ok || words[1] == "cancel", "answer picture ok or cancel");
  const auto options = Options(words, 2);
  answers_["frmImage"].push_back([ok, options](Form& form) {
    auto& dialog = static_cast<frmImage&>(form);
    if (options.contains("fromfile")) {
      Require(dialog.cmdSelect.Press(), "\"From File...\" is not offered");
    }
    if (const auto pick = options.find("pick"); pick != options.end()) {
      dialog.txtText.Choose(PickIndex(pick->second, dialog.txtText.List.size()));
    }
    const std::pair<const char*, TextBox*> fields[] = {{"src", &dialog.txtURL},
                                                       {"width", &dialog.txtWidth},
                                                       {"height", &dialog.txtHeight},
                                                       {"border", &dialog.txtBorder},
                                                       {"hspace", &dialog.txtHorzSpacing},
                                                       {"vspace", &dialog.txtVertSpacing}};
    for (const auto& [name, field] : fields) {
      if (const auto value = options.find(name); value != options.end()) {
        field->SetText(value->second);
      }
    }
    if (const auto alt = options.find("alt"); alt != options.end()) {
      dialog.txtText.Text = alt->second;
    }
    if (const auto align = options.find("align"); align != options.end()) {
      bool found = false;
      for (std::size_t i = 0; i < dialog.cboAlign.List.size() && !found; ++i) {
        const std::string& entry = dialog.cboAlign.List[i];
        if (entry.size() == align->second.size() && StartsWithNoCase(entry, align->second)) {
          dialog.cboAlign.Choose(static_cast<std::int32_t>(i));
          found = true;
        }
      }
      Require(found, "no alignment \"" + align->second + "\"");
    }
    (ok ? dialog.cmdOk : dialog.cmdCancel).Press();
  });
}

void ScriptSession::AnswerImageCopy(const Words& words) {
  const bool copy = words[1] == "copy";
  Require(copy || words[1] == "cancel", "answer imagecopy copy or cancel");
  const auto options = Options(words, 2);
  answers_["frmImageCopy"].push_back([this, copy, options](Form& form) {
    auto& dialog = static_cast<frmImageCopy&>(form);
    if (const auto file = options.find("file"); file != options.end()) {
      host_->Files.QueueChoice(file->second);
      dialog.cmdBrowse.Press();
    }
    if (const auto as = options.find("as"); as != options.end()) {
      dialog.RemoteFilename.SetText(as->second);
    }
    if (const auto proxy = options.find("proxy"); proxy != options.end()) {
      dialog.txtProxy.SetText(proxy->second);
    }
    if (const auto passive = options.find("passive"); passive != options.end()) {
      dialog.chkPassive.Checked = passive->second == "1";
    }
    if (const auto append = options.find("append"); append != options.end()) {
      dialog.chkAppendFtpServer.Checked = append->second == "1";
    }
    if (const auto secure = options.find("secure"); secure != options.end()) {
      dialog.chkSecure.Checked = secure->second == "1";
    }
    (copy ? dialog.cmdOk : dialog.cmdCancel).Press();
  });
}

void ScriptSession::Clipboard(const Words& words, std::string_view rest) {
  Require(!words.empty(), "clipboard rtf TEXT, text TEXT or clear");
  if (words[0] == "clear") {
    host_->Clip.Clear();
    return;
  }
  const std::string text = Unescape(rest.substr(std::min(rest.size(), words[0].size() + 1)));
  host_->Clip.Clear();  // what a program puts on the clipboard replaces what was there
  if (words[0] == "rtf") {
    host_->Clip.SetText(text, ClipboardFormat::kRichText);
  } else if (words[0] == "text") {
    host_->Clip.SetText(text, ClipboardFormat::kText);
  } else {
    throw ScriptError("clipboard rtf TEXT, text TEXT or clear");
  }
}

}  // namespace scrivlet
