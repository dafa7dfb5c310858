// The HTML reader alone in a process of its own, for /usr/bin/time -v: its maximum resident set
// is the reader's peak with nothing else held but the page and the program.
//
//   html_reader_run lower IN OUT    writes IN with its tags in lower case, as a modern page has
//   html_reader_run html5 IN OUT    writes IN as the control's HTML5 output writes it
//   html_reader_run read FILE       ReadHtmlToRtf of FILE; prints the page's and the RTF's size
//   html_reader_run parse FILE      gumbo's own pass over FILE (tree built, then freed)
//   html_reader_run same FILE       whether FILE read in pieces gives the RTF it gives read whole
#include <gumbo.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <string_view>

#include "conversion/conversion_context.h"
#include "conversion/html_reader.h"
#include "reader_pages.h"

namespace {

using scrivlet::bench::AsHtml5;
using scrivlet::bench::LowerCaseTags;

std::string ReadFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    throw std::runtime_error(std::string("cannot read ") + path);
  }
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const char* path, std::string_view text) {
  std::ofstream out(path, std::ios::binary);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  if (!out) {
    throw std::runtime_error(std::string("cannot write ") + path);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::string_view mode = argc > 1 ? argv[1] : "";
  try {
    if ((mode == "lower" || mode == "html5") && argc == 4) {
      const std::string page = ReadFile(argv[2]);
      WriteFile(argv[3], mode == "lower" ? LowerCaseTags(page) : AsHtml5(page));
      return 0;
    }
    if (mode == "read" && argc == 3) {
      const std::string page = ReadFile(argv[2]);
      scrivlet::ConversionContext context;
      const std::string rtf = scrivlet::ReadHtmlToRtf(page, context);
      std::cout << "page " << page.size() << " bytes, RTF " << rtf.size() << " bytes\n";
      return 0;
    }
    if (mode == "same" && argc == 3) {
      const std::string page = ReadFile(argv[2]);
      scrivlet::ConversionContext context;
      const std::string pieces = scrivlet::ReadHtmlToRtf(page, context);
      const std::string whole = scrivlet::ReadHtmlToRtf(page, context, {.pieceBytes = page.size()});
      std::cout << (pieces == whole ? "same RTF\n" : "DIFFERENT RTF\n");
      return pieces == whole ? 0 : 1;
    }
    if (mode == "parse" && argc == 3) {
      const std::string page = ReadFile(argv[2]);
      GumboOutput* output =
          gumbo_parse_with_options(&kGumboDefaultOptions, page.data(), page.size());
      gumbo_destroy_output(&kGumboDefaultOptions, output);
      std::cout << "page " << page.size() << " bytes\n";
      return 0;
    }
  } catch (const std::exception& e) {
    std::cerr << e.what() << '\n';
    return 1;
  }
  std::cerr << "usage: html_reader_run lower|html5 IN OUT | read|parse|same FILE\n";
  return 2;
}
