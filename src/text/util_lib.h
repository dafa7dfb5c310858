#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// String and path helpers shared by the converters, the editing actions and the picture
// dialogs. All text is UTF-8; positions are 1-based byte positions, 0 meaning "not found".
namespace scrivlet {

// Returns `text` with every occurrence of `find` replaced by `replacement`, searching without
// regard to ASCII letter case. The scan moves forward once, past each replacement, so a
// replacement that contains `find` is safe and the time is linear. An empty `find` changes
// nothing.
std::string ReplaceText(std::string_view text, std::string_view find, std::string_view replacement);

// The position just after the first occurrence of `find` in `text` at or after the 1-based
// position `start` (exact comparison), or 0 when there is none. A start below 1 counts as 1.
std::size_t InStrAfter(std::size_t start, std::string_view text, std::string_view find);

// Splits `text` on `delimiter` into `pieces`, replacing its contents: "a,,b" on "," gives "a",
// "" and "b", and a text ending with the delimiter gives a final empty piece. An empty text
// leaves `pieces` unchanged. An empty delimiter yields the whole text as one piece. There is
// no limit on the number of pieces.
void SplitText(std::string_view text, std::string_view delimiter, std::vector<std::string>& pieces);

// The value of the attribute `name` in the text of a tag, or "" when it is absent. The first
// occurrence of name followed by "=" anywhere in the tag counts (letter case ignored), even
// inside another attribute's value. A value quoted with ' or " runs to the matching quote;
// a bare value runs to the next space, else to the next ">", else to the end of the tag.
std::string GetTagAttribute(std::string_view tag, std::string_view name);

// The value GetTagAttribute takes when the name's "=" stands just before position `valueStart`.
std::string TagAttributeValueAt(std::string_view tag, std::size_t valueStart);

// TagAttributeValueAt as a view into `tag`, without a copy.
std::string_view TagAttributeViewAt(std::string_view tag, std::size_t valueStart);

// Maps a point size to the HTML font size 1..7 (9 or less is 1, 31 or more is 7).
std::int16_t PointsToHtmlSize(std::int16_t points);

// Maps an HTML font size to points (1 or less is 8, 7 or more is 36).
std::int16_t HtmlSizeToPoints(std::int16_t size);

// The part of a path or URL after its last "/", or the whole text when there is none.
std::string FileNameFromUrl(std::string_view text);

// Joins `base` and `tail` with exactly one "/" between them; an empty side gives the other.
std::string JoinUrl(std::string_view base, std::string_view tail);

// True when the file system reports a length for the file at `path`; never throws.
bool FileExists(std::string_view path);

// Reads a leading decimal number as the classic Val function does: blanks are skipped, an
// optional sign, digits, a fraction and an exponent are read, and reading stops at the first
// character that cannot continue the number. A text without digits reads 0. Values too large for
// a double read as infinity.
double ReadLeadingNumber(std::string_view text);

// Rounds to the nearest whole number, halves to even, saturating at the int64 range.
std::int64_t RoundHalfEven(double value);

// Whether ScramblePassword encodes or decodes.
enum class ScrambleDirection { kEncode, kDecode };

// The reversible letter-and-digit substitution that protects the stored FTP password, keyed by
// the word "Harmonica" over the UTF-16 little-endian bytes of the text. Decoding an encoded text
// gives it back; characters other than ASCII letters and digits pass through unchanged (above
// U+00FF each of a character's two bytes is treated on its own).
std::string ScramblePassword(ScrambleDirection direction, std::string_view text);

}  // namespace scrivlet
