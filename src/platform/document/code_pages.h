#pragma once

#include <cstdint>

// The single-byte Windows code pages RTF documents declare with \ansicpg and \fcharset.
namespace scrivlet {

// True for the code pages this module has a table for: 874 and 1250 to 1258.
bool IsKnownCodePage(std::int32_t codePage);

// The Unicode character of `byte` in `codePage`; an unknown code page is read as 1252.
char32_t ByteToUnicode(std::int32_t codePage, std::uint8_t byte);

// The code page of an RTF \fcharset value, or 0 when the charset names none of the known pages
// (the symbol charset 2 among them).
std::int32_t CodePageForCharset(std::int32_t charset);

}  // namespace scrivlet
