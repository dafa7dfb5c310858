// scrivlet: the converters on the command line.
//
//   scrivlet html2rtf --body [OPTIONS] [FILE]      HtmlToRtf of the input
//   scrivlet html2rtf --document [OPTIONS] [FILE]  the document a TextHTML assignment loads
//   scrivlet rtf2html --direct [OPTIONS] [FILE]    RtfToHtml of the input
//   scrivlet rtf2rtf [OPTIONS] [FILE]              the RTF loaded into the headless surface and
//                                                  written back in the surface's own dialect
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
#include "platform/headless/memory_rich_text_box.h"
#include "settings/wddx.h"

namespace {

constexpr int kExitConversionError = 1;
constexpr int kExitUsage = 2;

constexpr std::string_view kUsage =
    "usage: scrivlet html2rtf --body|--document | rtf2html --direct | rtf2rtf "
    "[--fore-color N] [--font-name NAME] [--wddx FILE] [FILE]";

enum class Command { kHtmlToRtfBody, kHtmlToRtfDocument, kRtfToHtmlDirect, kRtfToRtf };

struct Options {
  std::optional<Command> command;
  std::string verb;
  std::int32_t foreColor = 0;  // platform order, as the ForeColor property takes it
  std::string fontName = "Arial";
  std::optional<std::string> wddxFile;
  std::optional<std::string> inputFile;
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
  if (options.verb != "html2rtf" && options.verb != "rtf2html" && options.verb != "rtf2rtf" &&
      options.verb != "roundtrip") {
    throw UsageError{"unknown command \"" + options.verb + "\""};
  }
  if (options.verb == "rtf2rtf") {
    options.command = Command::kRtfToRtf;
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
    } else if (arg.starts_with("--") || options.inputFile) {
      throw UsageError{"unexpected argument \"" + std::string(arg) + "\""};
    } else {
      options.inputFile = std::string(arg);
    }
  }
  if (!options.command) {
    throw UsageError{options.verb + " without --body, --document or --direct converts through " +
                     "the headless control, which this build does not have yet"};
  }
  return options;
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
    case Command::kRtfToRtf: {
      scrivlet::MemoryRichTextBox surface;
      surface.SetFontName(options.fontName);
      surface.SetTextRTF(input);
      return surface.TextRTF();
    }
  }
  return {};
}

int Run(const std::vector<std::string_view>& args) {
  try {
    const Options options = ParseArguments(args);
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
