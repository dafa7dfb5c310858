// RTF written by other programs (tests/data/rtf_corpus), read through a headless control: the
// words must be those an independent reader finds, the formatting the surface holds must be the
// document's, and the control's own TextHTML round trip must keep both.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "hosts/headless/headless_host.h"
#include "text/text_codec.h"

namespace scrivlet {
namespace {

const std::filesystem::path kCorpus = std::filesystem::path(SCRIVLET_TEST_DATA_DIR) / "rtf_corpus";

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// The words of `text`: runs between white space. The independent extraction writes a list
// item's bullet as a character, which the surface holds as paragraph format: it is no word.
std::vector<std::string> Words(std::string text) {
  // A no-break space separates words as a space does (the extraction writes it as one).
  for (std::size_t at = text.find("\xC2\xA0"); at != std::string::npos;
       at = text.find("\xC2\xA0", at)) {
    text.replace(at, 2, " ");
  }
  std::vector<std::string> words;
  std::istringstream in(text);
  for (std::string word; in >> word;) {
    if (word != "\xE2\x80\xA2") {
      words.push_back(word);
    }
  }
  return words;
}

// The surface's words, without the URL marker run of each hyperlink in `rtf` (the independent
// extraction shows only the link text).
std::vector<std::string> SurfaceWords(const std::u16string& surfaceText, const std::string& rtf) {
  std::string text = Utf16ToUtf8(surfaceText);
  const std::string field = "HYPERLINK \"";
  for (std::size_t at = rtf.find(field); at != std::string::npos; at = rtf.find(field, at + 1)) {
    const std::size_t start = at + field.size();
    const std::string url = rtf.substr(start, rtf.find('"', start) - start);
    if (const std::size_t run = text.find(url); run != std::string::npos) {
      text.erase(run, url.size());
    }
  }
  return Words(text);
}

// Where two word lists first part, for a readable failure.
std::string FirstDifference(const std::vector<std::string>& read,
                            const std::vector<std::string>& expected) {
  std::size_t i = 0;
  while (i < read.size() && i < expected.size() && read[i] == expected[i]) {
    ++i;
  }
  std::string message = "word " + std::to_string(i) + ": read";
  for (std::size_t k = i; k < std::min(read.size(), i + 6); ++k) {
    message += " [" + read[k] + "]";
  }
  message += ", expected";
  for (std::size_t k = i; k < std::min(expected.size(), i + 6); ++k) {
    message += " [" + expected[k] + "]";
  }
  return message;
}

std::vector<std::string> CorpusFiles() {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(kCorpus)) {
    if (entry.path().extension() == ".rtf") {
      names.push_back(entry.path().stem().string());
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

class RtfCorpusTest : public testing::TestWithParam<std::string> {};

TEST_P(RtfCorpusTest, TextSurvivesAsAnIndependentReaderFindsIt) {
  const std::string name = GetParam();
  HeadlessHost host;
  host.StartNew();
  const std::string rtf = ReadFile(kCorpus / (name + ".rtf"));
  host.Control.SetTextRTF(rtf);
  const std::vector<std::string> expected = Words(ReadFile(kCorpus / (name + ".words")));
  const std::vector<std::string> read = SurfaceWords(host.Surface.Text(), rtf);
  EXPECT_TRUE(read == expected) << FirstDifference(read, expected);
  EXPECT_EQ(Utf16ToUtf8(host.Surface.Text()).find("\xEF\xBF\xBD"), std::string::npos)
      << "a character became U+FFFD";

  // The words survive the control's own TextHTML round trip.
  host.Control.SetTextHTML(host.Control.TextHTML());
  const std::vector<std::string> again = SurfaceWords(host.Surface.Text(), rtf);
  EXPECT_TRUE(again == expected) << FirstDifference(again, expected);
}

INSTANTIATE_TEST_SUITE_P(Corpus, RtfCorpusTest, testing::ValuesIn(CorpusFiles()),
                         [](const testing::TestParamInfo<std::string>& info) {
                           return info.param;
                         });

// What each document formats, as the surface must hold it.
struct FormatCheck {
  std::string file;
  std::u16string text;  // the first occurrence is checked
  std::optional<Alignment> alignment = std::nullopt;
  std::optional<bool> bold = std::nullopt;
  std::optional<bool> italic = std::nullopt;
  std::optional<bool> underline = std::nullopt;
  std::optional<std::int32_t> color = std::nullopt;  // platform order, 0x00BBGGRR
  std::optional<std::int32_t> indent = std::nullopt;
  std::optional<bool> bullet = std::nullopt;
};

TEST(RtfCorpusFormatTest, FormattingSurvives) {
  const std::vector<FormatCheck> checks = {
      {.file = "msftedit_paragraphs",
       .text = u"line break and it is centered.",
       .alignment = Alignment::kCenter},
      {.file = "msftedit_paragraphs", .text = u"right aligned", .alignment = Alignment::kRight},
      {.file = "msftedit_paragraphs", .text = u"This is the third", .alignment = Alignment::kLeft},
      {.file = "msftedit_paragraphs",
       .text = u"five",
       .bold = true,
       .italic = false,
       .underline = true},
      {.file = "msftedit_paragraphs",
       .text = u"paragraph",
       .bold = true,
       .italic = true,
       .underline = true},
      {.file = "msftedit_paragraphs", .text = u"second", .bold = false, .color = 0xBB4D00},
      {.file = "msftedit_hyperlink", .text = u"unsafe link", .underline = true},
      {.file = "riched_colors", .text = u"Colored Line", .color = 0x00FF00},
      {.file = "libreoffice_letter",
       .text = u"Quarterly letter",
       .alignment = Alignment::kCenter,
       .bold = true},
      {.file = "libreoffice_letter",
       .text = u"Signed on the right",
       .alignment = Alignment::kRight},
      {.file = "libreoffice_letter",
       .text = u"The centred closing line.",
       .alignment = Alignment::kCenter},
      {.file = "libreoffice_letter", .text = u"apples", .bullet = true},
      {.file = "libreoffice_letter",
       .text = u"italic",
       .bold = false,
       .italic = true,
       .underline = false},
      {.file = "libreoffice_letter",
       .text = u"underlined",
       .bold = false,
       .italic = false,
       .underline = true},
      {.file = "pandoc_article", .text = u"bold words", .bold = true, .italic = false},
      {.file = "pandoc_article", .text = u"short", .bold = false, .italic = true},
      {.file = "pandoc_article", .text = u"A quoted paragraph", .indent = 720},
      {.file = "word97_japanese", .text = u"MS-IME for Japanese", .bold = true},
      {.file = "word_sample", .text = u"bold", .bold = true, .italic = false, .underline = false},
      {.file = "word_sample", .text = u"Item 2", .bullet = true},
      {.file = "textedit_mac_japanese", .text = u"お読みください", .bold = true},
  };
  for (const FormatCheck& check : checks) {
    SCOPED_TRACE(check.file + ": " + Utf16ToUtf8(check.text));
    HeadlessHost host;
    host.StartNew();
    host.Control.SetTextRTF(ReadFile(kCorpus / (check.file + ".rtf")));
    const std::size_t at = host.Surface.Text().find(check.text);
    ASSERT_NE(at, std::u16string::npos);
    host.Surface.SetSelStart(static_cast<std::int32_t>(at));
    host.Surface.SetSelLength(static_cast<std::int32_t>(check.text.size()));
    if (check.alignment) {
      EXPECT_EQ(host.Surface.SelAlignment(), check.alignment);
    }
    if (check.bold) {
      EXPECT_EQ(host.Surface.SelBold(), check.bold);
    }
    if (check.italic) {
      EXPECT_EQ(host.Surface.SelItalic(), check.italic);
    }
    if (check.underline) {
      EXPECT_EQ(host.Surface.SelUnderline(), check.underline);
    }
    if (check.color) {
      EXPECT_EQ(host.Surface.SelColor(), check.color);
    }
    if (check.indent) {
      EXPECT_EQ(host.Surface.SelIndent(), check.indent);
    }
    if (check.bullet) {
      EXPECT_EQ(host.Surface.SelBullet(), check.bullet);
    }
  }
}

}  // namespace
}  // namespace scrivlet
