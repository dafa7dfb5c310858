// scrivlet: the converters on the command line.
//
//   scrivlet html2rtf --body [OPTIONS] [FILE]      HtmlToRtf of the input
//   scrivlet html2rtf --document [OPTIONS] [FILE]  the document a TextHTML assignment loads
//   scrivlet rtf2html --direct [OPTIONS] [FILE]    RtfToHtml of the input
//   scrivlet rtf2rtf [OPTIONS] [FILE]              the RTF loaded into the headless surface and
//                                                  written back in the surface's own dialect
//   scrivlet html2rtf [OPTIONS] [FILE]             TextHTML assigned to a headless control, its
//                                                  TextRTF printed
//   scrivlet rtf2html [OPTIONS] [FILE]             TextRTF assigned, TextHTML printed
//   scrivlet roundtrip [OPTIONS] [FILE]            TextHTML assigned, TextHTML printed
//   --html-import auto|dialect|html5 and --html-output classic|html5 set the control's HtmlImport
//   and HtmlOutput for the commands through the control.
//   scrivlet script [FILE]                         a scripted session (see script_session.h)
//
// Input is UTF-8 from FILE or standard input; the result goes to standard output byte for byte.
// Exit status: 0 success, 1 conversion error, 2 usage or I/O error.

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/color_lib.h"
#include "conversion/conversion_context.h"
#include "conversion/conversion_error.h"
#include "conversion/html_to_rtf.h"
#include "conversion/rtf_to_html.h"
#include "platform/headless/headless_host.h"
#include "platform/headless/memory_rich_text_box.h"
#include "script_session.h"
#include "settings/wddx.h"

namespace {

constexpr int kExitConversionError = 1;
constexpr int kExitUsage = 2;

constexpr std::string_view kUsage =
    "usage: scrivlet html2rtf [--body|--document] | rtf2html [--direct] | rtf2rtf | roundtrip "
    "[--fore-color N] [--font-name NAME] [--wddx FILE] [--html-import auto|dialect|html5] "
    "[--html-output classic|html5] [FILE] | script [FILE]";

enum class Command {
  kHtmlToRtfBody,
  kHtmlToRtfDocument,
  kRtfToHtmlDirect,
  kRtfToRtf,
  kControlHtmlToRtf,
  kControlRtfToHtml,
  kControlRoundTrip,
  kScript,
};

struct Options {
  std::optional<Command> command;
  std::string verb;
  std::int32_t foreColor = 0;  // platform order, as the ForeColor property takes it
  std::string fontName = "Arial";
  std::optional<std::string> wddxFile;
  std::optional<std::string> inputFile;
  // The control's HtmlImport and HtmlOutput properties, for the commands through the control.
  std::string htmlImport = "Auto";
  std::string htmlOutput = "Classic";
};

// A usage or I/O problem, reported with the usage line.
struct UsageError {
  std::string message;
};

std::int32_t ParseColorNumber(std::string_view text) {
  int base = 10;
  if (text.starts_with("0x") || text.starts_with("0X")) {
    base = 16;
    text.remove_prefix(2);
  }
  const std::string digits(text);
  char* end = nullptr;
  const long long value = digits.empty() ? -1 : std::strtoll(digits.c_str(), &end, base);
  if (digits.empty() || *end != '\0' || value < 0 || value > 0xFFFFFFFFLL) {
    throw UsageError{"--fore-color needs a number from 0 to 0xFFFFFFFF, not \"" + digits + "\""};
  }
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

std::string ReadAll(std::istream& in, const std::string& name) {
  std::ostringstream buffer;
  buffer << in.rdbuf();
  if (in.bad()) {
    throw UsageError{"cannot read " + name};
  }
  return buffer.str();
}

std::string ReadInput(const std::optional<std::string>& file) {
  if (!file || *file == "-") {
    return ReadAll(std::cin, "standard input");
  }
  std::ifstream stream(*file, std::ios::binary);
  if (!stream) {
    throw UsageError{"cannot open " + *file};
  }
  return ReadAll(stream, *file);
}

Options ParseArguments(const std::vector<std::string_view>& args) {
  if (args.empty()) {
    throw UsageError{"no command given"};
  }
  Options options;
  options.verb = args[0];
  const std::pair<std::string_view, Command> verbs[] = {{"html2rtf", Command::kControlHtmlToRtf},
                                                        {"rtf2html", Command::kControlRtfToHtml},
                                                        {"rtf2rtf", Command::kRtfToRtf},
                                                        {"roundtrip", Command::kControlRoundTrip},
                                                        {"script", Command::kScript}};
  for (const auto& [verb, command] : verbs) {
    if (options.verb == verb) {
      options.command = command;
    }
  }
  if (!options.command) {
    throw UsageError{"unknown command \"" + options.verb + "\""};
  }
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    const auto value = [&]() -> std::string {
      if (i + 1 >= args.size()) {
        throw UsageError{std::string(arg) + " needs a value"};
      }
      return std::string(args[++i]);
    };
    if (arg == "--body" && options.verb == "html2rtf") {
      options.command = Command::kHtmlToRtfBody;
    } else if (arg == "--document" && options.verb == "html2rtf") {
      options.command = Command::kHtmlToRtfDocument;
    } else if (arg == "--direct" && options.verb == "rtf2html") {
      options.command = Command::kRtfToHtmlDirect;
    } else if (arg == "--fore-color") {
      options.foreColor = ParseColorNumber(value());
    } else if (arg == "--font-name") {
      options.fontName = value();
    } else if (arg == "--wddx") {
      options.wddxFile = value();
    } else if (arg == "--html-import") {
      options.htmlImport = value();
    } else if (arg == "--html-output") {
      options.htmlOutput = value();
    } else if (arg.starts_with("--") || options.inputFile) {
      throw UsageError{"unexpected argument \"" + std::string(arg) + "\""};
    } else {
      options.inputFile = std::string(arg);
    }
  }
  if (options.command == Command::kScript &&
      (options.wddxFile || options.foreColor != 0 || options.fontName != "Arial" ||
       options.htmlImport != "Auto" || options.htmlOutput != "Classic")) {
    throw UsageError{"script takes no options; a script sets properties itself"};
  }
  return options;
}

// The conversions a host sees: through the properties of a headless control.
std::string ConvertThroughControl(const Options& options, std::string_view input) {
  scrivlet::HeadlessHost host;
  host.StartNew();
  scrivlet::Scrivlet& control = host.Control;
  control.SetFontName(options.fontName);
  control.SetForeColor(options.foreColor);
  try {
    control.SetHtmlImport(options.htmlImport);
    control.SetHtmlOutput(options.htmlOutput);
  } catch (const scrivlet::PropertyValueError& error) {
    throw UsageError{error.what()};
  }
  if (options.wddxFile) {
    control.SetWDDX(ReadInput(options.wddxFile));
  }
  if (*options.command == Command::kControlRtfToHtml) {
    control.SetTextRTF(input);
    return control.TextHTML();
  }
  control.SetTextHTML(input);
  return *options.command == Command::kControlHtmlToRtf ? control.TextRTF() : control.TextHTML();
}

std::string Convert(const Options& options, std::string_view input) {
  scrivlet::ConversionContext& context = scrivlet::SharedContext();
  context.DefaultColor = scrivlet::OleColorToRgb(options.foreColor);
  switch (*options.command) {
    case Command::kHtmlToRtfBody:
      return scrivlet::HtmlToRtf(input, context);
    case Command::kHtmlToRtfDocument:
      return scrivlet::BuildHtmlDocument(options.fontName, scrivlet::HtmlToRtf(input, context));
    case Command::kRtfToHtmlDirect:
      return scrivlet::RtfToHtml(input, context);
    case Command::kControlHtmlToRtf:
    case Command::kControlRtfToHtml:
    case Command::kControlRoundTrip:
      return ConvertThroughControl(options, input);
    case Command::kScript:
      return {};
    case Command::kRtfToRtf: {
      scrivlet::MemoryRichTextBox surface;
      surface.SetFontName(options.fontName);
      surface.SetTextRTF(input);
      return surface.TextRTF();
    }
  }
  return {};
}

int RunScript(const Options& options) {
  std::ifstream file;
  if (options.inputFile && *options.inputFile != "-") {
    file.open(*options.inputFile, std::ios::binary);
    if (!file) {
      throw UsageError{"cannot open " + *options.inputFile};
    }
  }
  std::istream& script = file.is_open() ? static_cast<std::istream&>(file) : std::cin;
  try {
    scrivlet::ScriptSession session(std::cout);
    session.Run(script);
  } catch (const scrivlet::ScriptError& error) {
    std::cout.flush();
    std::cerr << "scrivlet: script " << error.what() << '\n';
    return kExitConversionError;
  }
  std::cout.flush();
  return 0;
}

int Run(const std::vector<std::string_view>& args) {
  try {
    const Options options = ParseArguments(args);
    if (options.command == Command::kScript) {
      return RunScript(options);
    }
    if (options.wddxFile) {
      scrivlet::ParseWddx(ReadInput(options.wddxFile));
    }
    const std::string input = ReadInput(options.inputFile);
    const std::string output = Convert(options, input);
    std::cout.write(output.data(), static_cast<std::streamsize>(output.size()));
    std::cout.flush();
    return std::cout ? 0 : kExitUsage;
  } catch (const UsageError& error) {
    std::cerr << "scrivlet: " << error.message << '\n' << kUsage << '\n';
    return kExitUsage;
  } catch (const scrivlet::ConversionError& error) {
    std::cerr << "scrivlet: " << error.what() << '\n';
    return kExitConversionError;
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  return Run(std::vector<std::string_view>(argv + 1, argv + argc));
}
