#include "hosts/headless/header_picture_reader.h"

#include <array>
#include <fstream>
#include <limits>
#include <string_view>

namespace scrivlet {
namespace {

// Reads bytes from a stream; every read reports failure instead of throwing.
class ByteReader {
 public:
  explicit ByteReader(std::istream& in) : in_(in) {}

  std::optional<std::uint8_t> Byte() {
    const std::istream::int_type c = in_.get();
    if (c == std::istream::traits_type::eof()) {
      return std::nullopt;
    }
    return static_cast<std::uint8_t>(c);
  }

  template <std::size_t N>
  std::optional<std::array<std::uint8_t, N>> Bytes() {
    std::array<std::uint8_t, N> bytes{};
    for (std::uint8_t& byte : bytes) {
      const std::optional<std::uint8_t> next = Byte();
      if (!next) {
        return std::nullopt;
      }
      byte = *next;
    }
    return bytes;
  }

  std::optional<std::uint32_t> BigEndian16() {
    const auto bytes = Bytes<2>();
    if (!bytes) {
      return std::nullopt;
    }
    return static_cast<std::uint32_t>((*bytes)[0] << 8 | (*bytes)[1]);
  }

  void Skip(std::uint32_t count) { in_.seekg(count, std::ios::cur); }

 private:
  std::istream& in_;
};

std::uint32_t LittleEndian16(std::uint8_t low, std::uint8_t high) {
  return static_cast<std::uint32_t>(high) << 8 | low;
}

std::uint32_t BigEndian32(const std::uint8_t* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) << 24 | static_cast<std::uint32_t>(bytes[1]) << 16 |
         static_cast<std::uint32_t>(bytes[2]) << 8 | bytes[3];
}

std::optional<PictureInfo> Sized(PictureFormat format, std::uint32_t width, std::uint32_t height) {
  constexpr std::uint32_t kLargest = std::numeric_limits<std::int32_t>::max();
  if (width == 0 || height == 0 || width > kLargest || height > kLargest) {
    return std::nullopt;
  }
  return PictureInfo{format, static_cast<std::int32_t>(width), static_cast<std::int32_t>(height)};
}

bool StartsWith(const std::array<std::uint8_t, 8>& head, std::string_view magic) {
  for (std::size_t i = 0; i < magic.size(); ++i) {
    if (head[i] != static_cast<std::uint8_t>(magic[i])) {
      return false;
    }
  }
  return true;
}

// After the 8-byte head: bytes 6..9 of the file are the logical screen width and height.
std::optional<PictureInfo> ReadGif(const std::array<std::uint8_t, 8>& head, ByteReader& reader) {
  const auto rest = reader.Bytes<2>();
  if (!rest) {
    return std::nullopt;
  }
  return Sized(PictureFormat::kGif, LittleEndian16(head[6], head[7]),
               LittleEndian16((*rest)[0], (*rest)[1]));
}

// After the signature: the first chunk must be IHDR, 13 bytes, width and height first.
std::optional<PictureInfo> ReadPng(ByteReader& reader) {
  const auto chunk = reader.Bytes<16>();
  if (!chunk || BigEndian32(chunk->data()) != 13) {
    return std::nullopt;
  }
  constexpr std::string_view kIhdr = "IHDR";
  for (std::size_t i = 0; i < kIhdr.size(); ++i) {
    if ((*chunk)[4 + i] != static_cast<std::uint8_t>(kIhdr[i])) {
      return std::nullopt;
    }
  }
  return Sized(PictureFormat::kPng, BigEndian32(chunk->data() + 8),
               BigEndian32(chunk->data() + 12));
}

std::uint32_t LittleEndian24(const std::uint8_t* bytes) {
  return static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[1]) << 8 |
         bytes[0];
}

// After "RIFF" and the file size: "WEBP", then the first chunk's name, size and opening bytes.
std::optional<PictureInfo> ReadWebp(ByteReader& reader) {
  const auto chunk = reader.Bytes<22>();
  if (!chunk) {
    return std::nullopt;
  }
  const auto named = [&chunk](std::size_t at, std::string_view name) {
    for (std::size_t i = 0; i < name.size(); ++i) {
      if ((*chunk)[at + i] != static_cast<std::uint8_t>(name[i])) {
        return false;
      }
    }
    return true;
  };
  if (!named(0, "WEBP")) {
    return std::nullopt;
  }
  const std::uint8_t* payload = chunk->data() + 12;
  if (named(4, "VP8X")) {  // flags (4 bytes), then canvas width - 1 and height - 1, 24 bits each
    return Sized(PictureFormat::kWebp, LittleEndian24(payload + 4) + 1,
                 LittleEndian24(payload + 7) + 1);
  }
  if (named(4, "VP8L")) {  // signature 0x2F, then width - 1 and height - 1, 14 bits each
    if (payload[0] != 0x2F) {
      return std::nullopt;
    }
    const std::uint32_t bits =
        static_cast<std::uint32_t>(payload[1]) | static_cast<std::uint32_t>(payload[2]) << 8 |
        static_cast<std::uint32_t>(payload[3]) << 16 | static_cast<std::uint32_t>(payload[4]) << 24;
    return Sized(PictureFormat::kWebp, (bits & 0x3FFF) + 1, ((bits >> 14) & 0x3FFF) + 1);
  }
  if (named(4, "VP8 ")) {  // frame tag (3 bytes), start code 9D 01 2A, width and height, 14 bits
    if (payload[3] != 0x9D || payload[4] != 0x01 || payload[5] != 0x2A) {
      return std::nullopt;
    }
    return Sized(PictureFormat::kWebp, LittleEndian16(payload[6], payload[7]) & 0x3FFF,
                 LittleEndian16(payload[8], payload[9]) & 0x3FFF);
  }
  return std::nullopt;
}

bool IsStartOfFrame(std::uint8_t marker) {
  // C4 (Huffman tables), C8 (reserved) and CC (arithmetic conditioning) share the range.
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

bool IsStandalone(std::uint8_t marker) {
  return marker == 0x01 || marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7);
}

// Walks the markers after SOI until the first start-of-frame. The stream goes back to just after
// SOI, because the head read past the first marker.
std::optional<PictureInfo> ReadJpeg(std::istream& in) {
  in.seekg(2);
  ByteReader reader(in);
  for (;;) {
    std::optional<std::uint8_t> byte = reader.Byte();
    if (byte != 0xFF) {
      return std::nullopt;
    }
    while (byte == 0xFF) {  // fill bytes may pad a marker
      byte = reader.Byte();
    }
    if (!byte) {
      return std::nullopt;
    }
    const std::uint8_t marker = *byte;
    if (IsStandalone(marker)) {
      continue;
    }
    if (marker == 0xD9 || marker == 0xDA) {  // end of image or start of scan: no frame header
      return std::nullopt;
    }
    const std::optional<std::uint32_t> length = reader.BigEndian16();
    if (!length || *length < 2) {
      return std::nullopt;
    }
    if (IsStartOfFrame(marker)) {
      constexpr std::uint32_t kFrameHeaderLength = 7;  // length, precision, height, width
      const auto frame = *length < kFrameHeaderLength ? std::nullopt : reader.Bytes<5>();
      if (!frame) {
        return std::nullopt;
      }
      const std::uint32_t height = static_cast<std::uint32_t>((*frame)[1] << 8 | (*frame)[2]);
      const std::uint32_t width = static_cast<std::uint32_t>((*frame)[3] << 8 | (*frame)[4]);
      return Sized(PictureFormat::kJpeg, width, height);
    }
    reader.Skip(*length - 2);
  }
}

}  // namespace

std::optional<PictureInfo> HeaderPictureReader::ReadPicture(
    const std::filesystem::path& path) const {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) {
    return std::nullopt;
  }
  std::ifstream in(path, std::ios::binary);
  ByteReader reader(in);
  const auto head = reader.Bytes<8>();
  if (!in || !head) {
    return std::nullopt;
  }
  if (StartsWith(*head, "GIF87a") || StartsWith(*head, "GIF89a")) {
    return ReadGif(*head, reader);
  }
  if (StartsWith(*head, "\x89PNG\r\n\x1A\n")) {
    return ReadPng(reader);
  }
  if (StartsWith(*head, "RIFF")) {
    return ReadWebp(reader);
  }
  if ((*head)[0] == 0xFF && (*head)[1] == 0xD8) {
    return ReadJpeg(in);
  }
  return std::nullopt;
}

}  // namespace scrivlet
