#pragma once

#include <string>
#include <string_view>

namespace scrivlet {

// The text of an HTML file as UTF-8, for the converters: a file is read by its byte order mark
// (UTF-8, UTF-16LE, UTF-16BE), else by the charset a <meta charset> or <meta http-equiv
// content="...; charset=..."> in its first 4 KB declares (any charset the C library's iconv
// knows, under the names pages use: "shift_jis", "windows-1251", "iso-8859-2"...), else as UTF-8.
// A byte sequence the charset in force does not define is read as the windows-1252 character of
// each byte, so that nothing is lost and nothing becomes U+FFFD; "iso-8859-1" and "us-ascii"
// are read as windows-1252, as browsers read them.
//
// Never fails.
std::string DecodeHtmlFile(std::string_view bytes);

// True when DecodeHtmlFile would return `bytes` unchanged (valid UTF-8, no byte order mark, no
// other charset declared): the common case, in which a caller may use the bytes as they are.
bool IsUtf8HtmlFile(std::string_view bytes);

// The charset label an HTML file declares in a <meta> tag near its start, as written (letter case
// kept), or empty when it declares none.
std::string_view FindDeclaredCharset(std::string_view html);

}  // namespace scrivlet
