// Conversions between the system's text forms: UTF-16 wide text, narrow text (UTF-8) and wchar_t.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Narrow text of the C locale (UTF-8) to wide text; undecodable bytes become U+FFFD.
std::u16string NarrowToWide(std::string_view narrow);
// Wide text to narrow UTF-8; unpaired surrogates become U+FFFD.
std::string WideToNarrow(std::u16string_view wide);
// Wide text for the wchar_t formatting functions (UTF-32 on this platform).
std::wstring WideToWchar(std::u16string_view wide);
std::u16string WcharToWide(std::wstring_view text);

// A decimal integer read the way wcstol reads it into a 32-bit long: leading white space, an optional
// sign, digits up to the first other character; no digits give 0; out-of-range values saturate.
std::int32_t ParseLong(std::u16string_view text);

// Case-insensitive ASCII comparison of the beginning of text with prefix.
bool StartsWithNoCase(std::u16string_view text, std::string_view prefix);
bool EqualsNoCase(std::u16string_view text, std::string_view word);
