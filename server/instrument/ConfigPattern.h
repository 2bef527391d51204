// A scanf-style reader for the indexed configuration keys ("%d=%d_%s" and the like).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

using ConfigPatternField = std::variant<std::int32_t*, float*, std::u16string*>;

// Longest direction word read by %s; a longer word counts as missing.
inline constexpr std::size_t kConfigWordLimit = 15;

// Matches text against a pattern of %d, %f, %s and literal characters, filling the fields in order.
// Answers the number of fields filled before the first mismatch, as swscanf does. %d saturates at the
// 32-bit limits; %f accepts decimal numbers with fraction and exponent (no inf or nan).
int ScanConfigPattern(std::u16string_view text, std::string_view pattern, std::span<const ConfigPatternField> fields);

// Converts a double to int32 with truncation toward zero, saturating at the limits; NaN gives 0.
std::int32_t TruncateToInt32(double value);
