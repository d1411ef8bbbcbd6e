// Text primitives used by every page reader and by the settings file. Text is
// UTF-16; lengths and positions count UTF-16 code units.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nimbulux {

using Text = std::u16string;
using TextView = std::u16string_view;

// Splits at every occurrence of sep. An empty text gives no pieces at all, so that
// "piece k is missing" covers the empty reply as well. An empty sep gives the whole text.
std::vector<Text> Split(TextView text, TextView sep);

// Joins pieces with sep between them.
Text Join(const std::vector<Text>& pieces, TextView sep);

// Replaces every non-overlapping occurrence of from, left to right. An empty from
// leaves the text as it is.
Text ReplaceAll(TextView text, TextView from, TextView to);

// The first / last n code units (all when the text is shorter; none for n <= 0).
Text Left(TextView text, long long n);
Text Right(TextView text, long long n);
// The code units from position start (counted from 1) on, at most length of them
// (all the rest when length is negative). A start beyond the end gives the empty text.
Text Mid(TextView text, long long start, long long length = -1);

// Position (counted from 1) of the first occurrence of what at or after position
// start (counted from 1); 0 when there is none.
std::size_t InStr(TextView text, TextView what, std::size_t start = 1);

// Removes leading and trailing U+0020 blanks only (not tabs, line breaks or U+3000).
Text TrimBlanks(TextView text);
TextView TrimBlanksView(TextView text);

// Returns the trimmed text between the first startMarker and the next endMarker after
// it, and cuts text to what follows that end marker, so that successive calls read
// field after field. Nothing found: the empty text and text unchanged.
Text TextBetween(Text& text, TextView startMarker, TextView endMarker);

// The number at the start of the text: optional sign, digits, fraction and exponent,
// blanks (U+0020, tab, line feed) ignored anywhere inside; "&H" hexadecimal and "&O"
// octal. 0 when the text starts with no number.
double LeadingNumber(TextView text);

// Rounds to the nearest whole number, halves to the even one.
double RoundHalfEven(double value);

// The value rounded (halves to even) when it fits into a 16-bit signed integer;
// nothing otherwise, so that the caller keeps the value it had.
std::optional<std::int16_t> ToInt16(double value);
// The same for a 32-bit signed integer.
std::optional<std::int32_t> ToInt32(double value);

// Upper-cases for comparisons (ASCII and the Latin, Greek and Cyrillic letters that
// have a one-to-one upper case in UTF-16).
Text UpperCase(TextView text);
Text LowerCase(TextView text);

// Decimal digits of a whole number, no blanks.
Text DecimalText(long long value);

// UTF-8 <-> UTF-16. Malformed UTF-8 becomes U+FFFD; a lone surrogate becomes U+FFFD.
Text FromUtf8(std::string_view bytes);
std::string ToUtf8(TextView text);
// True when the bytes are well-formed UTF-8.
bool IsValidUtf8(std::string_view bytes);

// Literal helper: u"..." is already UTF-16; this turns UTF-8 std::string literals.
inline Text T(std::string_view utf8) { return FromUtf8(utf8); }

}  // namespace nimbulux
