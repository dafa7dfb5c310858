#include "hosts/headless/header_picture_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/temp_dir.h"

namespace scrivlet {
namespace {

std::string Le16(std::uint32_t value) {
  return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8 & 0xFF)};
}

std::string Be16(std::uint32_t value) {
  return {static_cast<char>(value >> 8 & 0xFF), static_cast<char>(value & 0xFF)};
}

std::string Be32(std::uint32_t value) {
  return Be16(value >> 16) + Be16(value & 0xFFFF);
}

// Headers only: each file ends with the last byte the reader needs.
std::string Gif(std::string_view version, std::uint32_t width, std::uint32_t height) {
  return "GIF" + std::string(version) + Le16(width) + Le16(height);
}

std::string Png(std::uint32_t width, std::uint32_t height, std::string_view chunk = "IHDR") {
  return std::string("\x89PNG\r\n\x1A\n", 8) + Be32(13) + std::string(chunk) + Be32(width) +
         Be32(height);
}

std::string Segment(std::uint8_t marker, std::string_view payload) {
  return std::string("\xFF", 1) + static_cast<char>(marker) +
         Be16(static_cast<std::uint32_t>(payload.size() + 2)) + std::string(payload);
}

std::string Frame(std::uint8_t marker, std::uint32_t width, std::uint32_t height) {
  return std::string("\xFF", 1) + static_cast<char>(marker) + Be16(17) + "\x08" + Be16(height) +
         Be16(width);
}

std::string Le24(std::uint32_t value) {
  return Le16(value & 0xFFFF) + static_cast<char>(value >> 16 & 0xFF);
}

// "RIFF", the file size, "WEBP" and the first chunk, its payload padded to the 10 bytes the
// reader takes.
std::string Webp(std::string_view chunk, std::string payload) {
  payload.resize(10, '\0');
  return "RIFF" + Le16(1000) + Le16(0) + "WEBP" + std::string(chunk) + Le16(100) + Le16(0) +
         payload;
}

std::string Vp8LBits(std::uint32_t width, std::uint32_t height) {
  const std::uint32_t bits = (width - 1) | (height - 1) << 14;
  return Le16(bits & 0xFFFF) + Le16(bits >> 16);
}

const std::string kSoi("\xFF\xD8", 2);
const std::string kApp0 = Segment(0xE0, std::string("JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 14));

struct GoodCase {
  std::string name;
  std::string bytes;
  PictureFormat format;
  std::int32_t width;
  std::int32_t height;
};

class HeaderPictureReaderTest : public ::testing::Test {
 protected:
  std::optional<PictureInfo> Read(std::string_view bytes) {
    return reader_.ReadPicture(dir_.Write("picture", bytes));
  }

  static std::vector<GoodCase> GoodCases() {
    return {
        {"gif87a", Gif("87a", 1, 1), PictureFormat::kGif, 1, 1},
        {"gif89a", Gif("89a", 640, 480), PictureFormat::kGif, 640, 480},
        {"png", Png(3000, 20), PictureFormat::kPng, 3000, 20},
        {"jpeg baseline after APP0", kSoi + kApp0 + Frame(0xC0, 320, 200), PictureFormat::kJpeg,
         320, 200},
        {"jpeg progressive after tables",
         kSoi + Segment(0xDB, std::string(65, '\x01')) + Segment(0xC4, std::string(30, '\x02')) +
             Frame(0xC2, 1024, 768),
         PictureFormat::kJpeg, 1024, 768},
        {"jpeg with fill bytes and a comment",
         kSoi + std::string("\xFF\xFF\xFF", 3) + Segment(0xFE, "made by hand") +
             std::string("\xFF", 1) + Frame(0xC1, 65535, 1),
         PictureFormat::kJpeg, 65535, 1},
        {"webp extended", Webp("VP8X", std::string(4, '\x10') + Le24(1919) + Le24(1079)),
         PictureFormat::kWebp, 1920, 1080},
        {"webp lossless", Webp("VP8L", "\x2F" + Vp8LBits(16384, 3)), PictureFormat::kWebp, 16384,
         3},
        {"webp lossy",
         Webp("VP8 ", std::string("\x30\x01\x00\x9D\x01\x2A", 6) + Le16(550) + Le16(368)),
         PictureFormat::kWebp, 550, 368},
    };
  }

  testing::TempDir dir_;
  HeaderPictureReader reader_;
};

TEST_F(HeaderPictureReaderTest, MeasuresGifPngJpegAndWebpHeaders) {
  for (const GoodCase& good : GoodCases()) {
    SCOPED_TRACE(good.name);
    const std::optional<PictureInfo> info = Read(good.bytes);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->Format, good.format);
    EXPECT_EQ(info->Width, good.width);
    EXPECT_EQ(info->Height, good.height);
  }
}

TEST_F(HeaderPictureReaderTest, EveryTruncatedHeaderIsUnreadable) {
  for (const GoodCase& good : GoodCases()) {
    for (std::size_t length = 0; length < good.bytes.size(); ++length) {
      SCOPED_TRACE(good.name + " cut to " + std::to_string(length));
      EXPECT_FALSE(Read(std::string_view(good.bytes).substr(0, length)).has_value());
    }
  }
}

TEST_F(HeaderPictureReaderTest, DamagedOrForeignFilesAreUnreadable) {
  const struct {
    std::string name;
    std::string bytes;
  } cases[] = {
      {"text", "Just some text, long enough to look at."},
      {"gif of no size", Gif("89a", 0, 10)},
      {"gif of an unknown version", Gif("90a", 10, 10)},
      {"png whose first chunk is not IHDR", Png(10, 10, "IDAT")},
      {"png wider than 32 bits signed", Png(0x80000000u, 10)},
      {"png of no height", Png(10, 0)},
      {"riff that is not webp", "RIFF" + Le16(1000) + Le16(0) + "WAVEfmt " + std::string(14, 'x')},
      {"webp lossless without its signature", Webp("VP8L", "\x2E" + Vp8LBits(4, 4))},
      {"jpeg scan before any frame", kSoi + kApp0 + Segment(0xDA, "scan") + Frame(0xC0, 8, 8)},
      {"jpeg end before any frame", kSoi + std::string("\xFF\xD9", 2) + Frame(0xC0, 8, 8)},
      {"jpeg segment length below 2", kSoi + std::string("\xFF\xE0\x00\x01", 4) + kApp0},
      {"jpeg frame length too short", kSoi + std::string("\xFF\xC0\x00\x05\x08\x00\x08", 7)},
      {"jpeg bytes between segments", kSoi + kApp0 + "junk" + Frame(0xC0, 8, 8)},
      {"jpeg height left to DNL", kSoi + Frame(0xC0, 8, 0)},
      {"jpeg segment running past the end", kSoi + std::string("\xFF\xE1\xFF\xFF", 4) + "short"},
  };
  for (const auto& bad : cases) {
    SCOPED_TRACE(bad.name);
    EXPECT_FALSE(Read(bad.bytes).has_value());
  }
}

TEST_F(HeaderPictureReaderTest, MissingFilesAndFoldersAreUnreadable) {
  EXPECT_FALSE(reader_.ReadPicture(dir_.path() / "missing.gif").has_value());
  EXPECT_FALSE(reader_.ReadPicture(dir_.path()).has_value());
}

}  // namespace
}  // namespace scrivlet
