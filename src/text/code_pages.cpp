#include "text/code_pages.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include "text/charset_converter.h"

namespace scrivlet {

namespace {

struct CodePageName {
  std::int32_t codePage;
  const char* iconvName;
  bool multiByte;
};

// Every code page the reader decodes, with the name glibc's iconv knows it by. Mac Japanese
// (10001) is Shift JIS with Apple's additions, of which Windows' 932 is the nearest iconv has.
constexpr CodePageName kCodePages[] = {
    {437, "CP437", false},    {850, "CP850", false},          {874, "CP874", false},
    {932, "CP932", true},     {936, "CP936", true},           {949, "CP949", true},
    {950, "CP950", true},     {1250, "CP1250", false},        {1251, "CP1251", false},
    {1252, "CP1252", false},  {1253, "CP1253", false},        {1254, "CP1254", false},
    {1255, "CP1255", false},  {1256, "CP1256", false},        {1257, "CP1257", false},
    {1258, "CP1258", false},  {1361, "JOHAB", true},          {10000, "MACINTOSH", false},
    {10001, "CP932", true},   {10007, "MAC-CYRILLIC", false}, {10029, "MAC-CENTRALEUROPE", false},
    {10079, "MAC-IS", false},
};

const CodePageName* FindCodePage(std::int32_t codePage) {
  for (const CodePageName& entry : kCodePages) {
    if (entry.codePage == codePage) {
      return &entry;
    }
  }
  return nullptr;
}

constexpr char32_t kReplacement = 0xFFFD;
constexpr std::size_t kMaxSequence = 4;

// The outcome of converting one whole byte sequence to Unicode.
struct Conversion {
  enum class Kind { kCharacters, kIncomplete, kInvalid } kind = Kind::kInvalid;
  std::array<char32_t, 2> characters{};
  std::size_t count = 0;
};

// Converts `bytes` from a fresh state, with what the converter holds back at the end (1258 waits
// for a combining mark after a base letter).
Conversion ConvertSequence(CharsetConverter& converter, const std::uint8_t* bytes,
                           std::size_t size) {
  converter.Reset();
  std::array<unsigned char, 16> out{};
  const char* inPtr = reinterpret_cast<const char*>(bytes);
  std::size_t inLeft = size;
  char* outPtr = reinterpret_cast<char*>(out.data());
  std::size_t outLeft = out.size();
  Conversion result;
  switch (converter.Convert(&inPtr, &inLeft, &outPtr, &outLeft)) {
    case CharsetConverter::Outcome::kDone:
      break;
    case CharsetConverter::Outcome::kIncomplete:
      result.kind = Conversion::Kind::kIncomplete;
      return result;
    case CharsetConverter::Outcome::kOutputFull:
    case CharsetConverter::Outcome::kInvalid:
      return result;
  }
  converter.Finish(&outPtr, &outLeft);
  result.count = std::min<std::size_t>((out.size() - outLeft) / 4, result.characters.size());
  for (std::size_t i = 0; i < result.count; ++i) {
    const unsigned char* u = out.data() + 4 * i;
    result.characters[i] = static_cast<char32_t>(u[0]) << 24 | static_cast<char32_t>(u[1]) << 16 |
                           static_cast<char32_t>(u[2]) << 8 | u[3];
  }
  result.kind = result.count > 0 ? Conversion::Kind::kCharacters : Conversion::Kind::kInvalid;
  return result;
}

CodePageDecoder::Decoded One(char32_t character) {
  CodePageDecoder::Decoded decoded;
  decoded.characters[0] = character;
  decoded.count = 1;
  return decoded;
}

}  // namespace

// A converter for one code page. A single-byte page is decoded once into a table of its upper
// half, so that a byte costs a lookup; a multi-byte page asks iconv for each character.
struct CodePageDecoder::Converter {
  std::int32_t codePage = 0;
  bool multiByte = false;
  CharsetConverter handle;
  std::array<char32_t, 128> upperHalf{};

  Converter(std::int32_t page, const CodePageName* name)
      : codePage(page),
        multiByte(name != nullptr && name->multiByte),
        handle("UTF-32BE", name != nullptr ? name->iconvName : "CP1252") {
    if (!handle.IsOpen() && name != nullptr) {
      multiByte = false;
      handle = CharsetConverter("UTF-32BE", "CP1252");
    }
    if (multiByte) {
      return;
    }
    for (std::size_t i = 0; i < upperHalf.size(); ++i) {
      const auto byte = static_cast<std::uint8_t>(0x80 + i);
      upperHalf[i] = byte;  // undefined in the page, or no converter at all: the byte itself
      if (handle.IsOpen()) {
        const Conversion result = ConvertSequence(handle, &byte, 1);
        if (result.kind == Conversion::Kind::kCharacters && result.count == 1) {
          upperHalf[i] = result.characters[0];
        }
      }
    }
  }
};

std::int32_t CodePageForCharset(std::int32_t charset) {
  switch (charset) {
    case 0:
      return 1252;
    case 77:
      return 10000;
    case 78:
      return 10001;
    case 89:
      return 10007;
    case 88:
      return 10029;
    case 128:
      return 932;
    case 129:
      return 949;
    case 130:
      return 1361;
    case 134:
      return 936;
    case 136:
      return 950;
    case 161:
      return 1253;
    case 162:
      return 1254;
    case 163:
      return 1258;
    case 177:
      return 1255;
    case 178:
      return 1256;
    case 186:
      return 1257;
    case 204:
      return 1251;
    case 222:
      return 874;
    case 238:
      return 1250;
    case 254:
      return 437;
    case 255:
      return 850;
    default:
      return 0;
  }
}

CodePageDecoder::CodePageDecoder() = default;
CodePageDecoder::~CodePageDecoder() = default;

CodePageDecoder::Converter& CodePageDecoder::ConverterFor(std::int32_t codePage) {
  // Every page without a converter of its own shares 1252's: a document naming thousands of
  // unknown pages opens one converter, not thousands.
  if (FindCodePage(codePage) == nullptr) {
    codePage = 1252;
  }
  if (last_ < converters_.size() && converters_[last_].codePage == codePage) {
    return converters_[last_];
  }
  for (last_ = 0; last_ < converters_.size(); ++last_) {
    if (converters_[last_].codePage == codePage) {
      return converters_[last_];
    }
  }
  converters_.emplace_back(codePage, FindCodePage(codePage));
  last_ = converters_.size() - 1;
  return converters_.back();
}

CodePageDecoder::Decoded CodePageDecoder::Flush() {
  if (pendingCount_ == 0) {
    return {};
  }
  pendingCount_ = 0;
  return One(kReplacement);
}

CodePageDecoder::Decoded CodePageDecoder::Feed(std::int32_t codePage, std::uint8_t byte) {
  if (pendingCount_ > 0 && codePage != pendingPage_) {
    // The page changed inside a character: what waited is broken, the byte starts afresh.
    Decoded decoded = Flush();
    const Decoded next = Feed(codePage, byte);
    decoded.characters[1] = next.count > 0 ? next.characters[0] : 0;
    decoded.count += next.count > 0 ? 1 : 0;
    return decoded;
  }
  if (byte < 0x80 && pendingCount_ == 0) {
    return One(byte);
  }
  Converter& converter = ConverterFor(codePage);
  if (!converter.multiByte) {
    return One(converter.upperHalf[byte - 0x80]);
  }
  pending_[pendingCount_++] = byte;
  pendingPage_ = codePage;
  const Conversion result = ConvertSequence(converter.handle, pending_.data(), pendingCount_);
  switch (result.kind) {
    case Conversion::Kind::kCharacters: {
      pendingCount_ = 0;
      Decoded decoded;
      decoded.characters = result.characters;
      decoded.count = result.count;
      return decoded;
    }
    case Conversion::Kind::kIncomplete:
      if (pendingCount_ < kMaxSequence) {
        return {};
      }
      pendingCount_ = 0;
      return One(kReplacement);
    case Conversion::Kind::kInvalid:
      break;
  }
  if (pendingCount_ == 1) {
    pendingCount_ = 0;
    return One(byte);  // a single byte the page leaves undefined keeps its own value
  }
  // A lead byte followed by a byte that cannot trail it: the lead is lost, the byte is read anew
  // (an ASCII letter after it is text of its own, as browsers read it).
  pendingCount_ = 0;
  Decoded decoded = One(kReplacement);
  const Decoded next = Feed(codePage, byte);
  if (next.count > 0) {
    decoded.characters[1] = next.characters[0];
    decoded.count = 2;
  }
  return decoded;
}

}  // namespace scrivlet
