// The string and path helpers: GetTagAttribute, SplitText, JoinUrl and ScramblePassword, each
// with the property its contract gives.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "text/text_codec.h"
#include "text/util_lib.h"

namespace {

// GetTagAttribute's contract written out plainly: the first "NAME=" anywhere (letter case
// ignored), then a quoted value to its quote, or a bare one to a space, a ">" or the end.
std::string PlainTagAttribute(std::string_view tag, const std::string& name) {
  const std::string key = name + "=";
  const auto equal = [](char a, char b) {
    return scrivlet::FoldAscii(a) == scrivlet::FoldAscii(b);
  };
  const auto found = std::search(tag.begin(), tag.end(), key.begin(), key.end(), equal);
  if (found == tag.end()) {
    return {};
  }
  const auto at = static_cast<std::size_t>(found - tag.begin());
  std::size_t q = at + name.size() + 1;
  std::size_t e = std::string_view::npos;
  if (q < tag.size() && (tag[q] == '"' || tag[q] == '\'')) {
    e = tag.find(tag[q], q + 1);
    ++q;
  } else {
    e = tag.find(' ', q);
  }
  if (e == std::string_view::npos) {
    e = tag.find('>', q);
  }
  if (e == std::string_view::npos) {
    e = tag.size();
  }
  return q < e ? std::string(tag.substr(q, e - q)) : std::string();
}

// FindNoCase finds what a plain search ignoring letter case finds.
void CheckFindNoCase(std::string_view text, std::string_view find) {
  const auto equal = [](char a, char b) {
    return scrivlet::FoldAscii(a) == scrivlet::FoldAscii(b);
  };
  const auto found = std::search(text.begin(), text.end(), find.begin(), find.end(), equal);
  const std::size_t expected = found == text.end() && !find.empty()
                                   ? std::string_view::npos
                                   : static_cast<std::size_t>(found - text.begin());
  SCRIVLET_FUZZ_CHECK(scrivlet::FindNoCase(text, find) == expected);
}

// The value is the contract's, and a piece of the tag.
void CheckTagAttribute(const std::string& tag, const std::string& name) {
  const std::string value = scrivlet::GetTagAttribute(tag, name);
  SCRIVLET_FUZZ_CHECK(value == PlainTagAttribute(tag, name));
  SCRIVLET_FUZZ_CHECK(tag.find(value) != std::string::npos);
}

// The pieces joined with the delimiter give the text back.
void CheckSplit(const std::string& text, const std::string& delimiter) {
  std::vector<std::string> pieces = {"kept when the text is empty"};
  scrivlet::SplitText(text, delimiter, pieces);
  if (text.empty()) {
    SCRIVLET_FUZZ_CHECK(pieces.size() == 1 && pieces[0] == "kept when the text is empty");
    return;
  }
  SCRIVLET_FUZZ_CHECK(!pieces.empty());
  std::string joined = pieces[0];
  for (std::size_t i = 1; i < pieces.size(); ++i) {
    SCRIVLET_FUZZ_CHECK(!delimiter.empty());
    joined += delimiter + pieces[i];
  }
  SCRIVLET_FUZZ_CHECK(joined == text);
}

std::string_view WithoutTrailingSlash(std::string_view text) {
  return text.ends_with('/') ? text.substr(0, text.size() - 1) : text;
}
std::string_view WithoutLeadingSlash(std::string_view text) {
  return text.starts_with('/') ? text.substr(1) : text;
}

// Exactly one slash at the seam, nothing else changed.
void CheckJoinUrl(const std::string& base, const std::string& tail) {
  const std::string joined = scrivlet::JoinUrl(base, tail);
  if (base.empty() || tail.empty()) {
    SCRIVLET_FUZZ_CHECK(joined == base + tail);
    return;
  }
  SCRIVLET_FUZZ_CHECK(joined == std::string(WithoutTrailingSlash(base)) + "/" +
                                    std::string(WithoutLeadingSlash(tail)));
}

// Decoding reverses encoding. The text is compared as UTF-16 gives it back: bytes that are not
// UTF-8 are read as code page 1252 characters on the way in.
void CheckScramble(const std::string& password) {
  const std::string text = scrivlet::Utf16ToUtf8(scrivlet::Utf8ToUtf16(password));
  const std::string encoded =
      scrivlet::ScramblePassword(scrivlet::ScrambleDirection::kEncode, text);
  SCRIVLET_FUZZ_CHECK(scrivlet::Utf8ToUtf16(encoded).size() == scrivlet::Utf8ToUtf16(text).size());
  SCRIVLET_FUZZ_CHECK(scrivlet::ScramblePassword(scrivlet::ScrambleDirection::kDecode, encoded) ==
                      text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider provider(data, size);
  const std::string first = provider.ConsumeRandomLengthString(size);
  const std::string second = provider.ConsumeRandomLengthString(size);
  const std::string rest = provider.ConsumeRemainingBytesAsString();
  CheckFindNoCase(rest, first.substr(0, 8));
  CheckTagAttribute(rest, first);
  CheckTagAttribute(first + rest, second);
  CheckSplit(rest, first);
  CheckSplit(first, second.substr(0, 3));
  CheckJoinUrl(first, second);
  CheckScramble(first + second + rest);
  return 0;
}
