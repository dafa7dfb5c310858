// Real pages written by other programs (tests/data/html_corpus, sources in SOURCES.md), each
// assigned to a headless control as TextHTML: every word a browser shows must be in the
// document, in order, and the bold, italic and link formatting of each word must survive. The
// words to expect come from an independent reading of the page, Python's html.parser
// (extract_words.py), run at test time.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "conversion/color_lib.h"
#include "conversion/conversion_context.h"
#include "conversion/html_reader.h"
#include "conversion/markers.h"
#include "document/rtf_reader.h"
#include "hosts/headless/headless_host.h"
#include "text/text_codec.h"

namespace scrivlet {
namespace {

const std::filesystem::path kCorpus = std::filesystem::path(SCRIVLET_TEST_DATA_DIR) / "html_corpus";

struct Word {
  std::string text;
  std::string flags;  // "b", "i", "a" as they apply, in that order

  bool operator==(const Word&) const = default;
};

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream stream(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << stream.rdbuf();
  return bytes.str();
}

struct PipeCloser {
  void operator()(FILE* pipe) const { pclose(pipe); }
};

std::vector<Word> ExpectedWords(const std::filesystem::path& page) {
  const std::string command =
      "python3 '" + (kCorpus / "extract_words.py").string() + "' '" + page.string() + "'";
  const std::unique_ptr<FILE, PipeCloser> pipe(popen(command.c_str(), "r"));
  std::string output;
  char buffer[4096];
  while (pipe && std::fgets(buffer, sizeof buffer, pipe.get()) != nullptr) {
    output += buffer;
  }
  std::vector<Word> words;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t tab = line.find('\t');
    words.push_back({line.substr(0, tab), tab == std::string::npos ? "" : line.substr(tab + 1)});
  }
  return words;
}

// White space as Python's str.isspace() knows it.
bool IsSpace(char16_t c) {
  return c == u' ' || (c >= 0x09 && c <= 0x0D) || (c >= 0x1C && c <= 0x1F) || c == 0x85 ||
         c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 ||
         c == 0x202F || c == 0x205F || c == 0x3000;
}

// The words of the document, marker runs left out: a picture separates words, a link's URL
// run does not (the link's text is what a browser shows there).
std::vector<Word> DocumentWords(const std::string& rtf) {
  CharFormat defaults;
  const RichDocument document = ReadRtf(rtf, {defaults, 360});
  std::vector<Word> words;
  std::u16string current;
  std::string flags;
  const auto end = [&] {
    if (!current.empty()) {
      words.push_back({Utf16ToUtf8(current), flags});
      current.clear();
    }
  };
  for (const Paragraph& paragraph : document.paragraphs) {
    for (const TextRun& run : paragraph.runs) {
      const CharFormat& f = run.format;
      if (f.italic && f.color == MarkerColor) {
        if (!f.underline) {
          end();
        }
        continue;
      }
      for (const char16_t c : run.text) {
        if (IsSpace(c)) {
          end();
          continue;
        }
        if (current.empty()) {
          const bool link = f.underline && f.color == SwapRedBlue(LinkColor);
          flags = std::string(f.bold ? "b" : "") + (f.italic ? "i" : "") + (link ? "a" : "");
        }
        current += c;
      }
    }
    end();
  }
  return words;
}

std::vector<std::filesystem::path> Pages() {
  std::vector<std::filesystem::path> pages;
  for (const auto& entry : std::filesystem::directory_iterator(kCorpus)) {
    if (entry.path().extension() == ".html") {
      pages.push_back(entry.path());
    }
  }
  std::sort(pages.begin(), pages.end());
  return pages;
}

class HtmlCorpus : public testing::TestWithParam<std::filesystem::path> {};

TEST_P(HtmlCorpus, WordsAndTheirFormattingSurvive) {
  const std::filesystem::path& page = GetParam();
  const std::vector<Word> expected = ExpectedWords(page);
  ASSERT_GT(expected.size(), 10u) << "the independent reading found no text in " << page;
  HeadlessHost host;
  host.StartNew();
  host.Control.SetTextHTML(ReadFile(page));
  const std::vector<Word> actual = DocumentWords(host.Control.TextRTF());
  std::size_t i = 0;
  while (i < expected.size() && i < actual.size() && expected[i] == actual[i]) {
    ++i;
  }
  if (i < expected.size() || i < actual.size()) {
    std::ostringstream context;
    for (std::size_t j = i >= 3 ? i - 3 : 0; j < i + 4; ++j) {
      context << "\n  " << j << ": expected "
              << (j < expected.size() ? expected[j].text + " [" + expected[j].flags + "]" : "-")
              << ", document "
              << (j < actual.size() ? actual[j].text + " [" + actual[j].flags + "]" : "-");
    }
    ADD_FAILURE() << page.filename() << ": " << expected.size() << " words expected, "
                  << actual.size() << " in the document; first difference at word " << i
                  << context.str();
  }
}

TEST_P(HtmlCorpus, ReadInPiecesGivesTheSamePage) {
  const std::string page = ReadFile(GetParam());
  ConversionContext whole;
  const std::string expected = ReadHtmlToRtf(page, whole);
  for (const std::size_t pieceBytes : {1, 100, 4096}) {
    ConversionContext pieces;
    EXPECT_EQ(ReadHtmlToRtf(page, pieces, {.pieceBytes = pieceBytes}), expected)
        << "read in pieces of " << pieceBytes << " bytes";
    EXPECT_EQ(pieces.FontTable, whole.FontTable);
    EXPECT_EQ(pieces.ColorTable, whole.ColorTable);
  }
}

INSTANTIATE_TEST_SUITE_P(Pages, HtmlCorpus, testing::ValuesIn(Pages()),
                         [](const testing::TestParamInfo<std::filesystem::path>& info) {
                           std::string name = info.param.stem().string();
                           for (char& c : name) {
                             c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           }
                           return name;
                         });

}  // namespace
}  // namespace scrivlet
