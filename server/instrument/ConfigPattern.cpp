// The pattern matcher behind the Plane, Chan and Seg lines.
#include "ConfigPattern.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

bool IsSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

void SkipSpace(std::u16string_view text, std::size_t& pos)
{
    while (pos < text.size() && IsSpace(text[pos]))
        ++pos;
}

bool ReadInt(std::u16string_view text, std::size_t& pos, std::int32_t& out)
{
    SkipSpace(text, pos);
    std::size_t i = pos;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i >= text.size() || !IsDigit(text[i]))
        return false;
    std::int64_t value = 0;
    while (i < text.size() && IsDigit(text[i])) {
        if (value <= std::numeric_limits<std::int32_t>::max())
            value = value * 10 + (text[i] - u'0');
        ++i;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<std::int32_t>::max())
        value = std::numeric_limits<std::int32_t>::max();
    if (value < std::numeric_limits<std::int32_t>::min())
        value = std::numeric_limits<std::int32_t>::min();
    out = static_cast<std::int32_t>(value);
    pos = i;
    return true;
}

bool ReadFloat(std::u16string_view text, std::size_t& pos, float& out)
{
    SkipSpace(text, pos);
    std::string ascii;
    std::size_t i = pos;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        ascii.push_back(static_cast<char>(text[i++]));
    std::size_t digits = 0;
    while (i < text.size() && IsDigit(text[i]) && ascii.size() < 400) {
        ascii.push_back(static_cast<char>(text[i++]));
        ++digits;
    }
    if (i < text.size() && text[i] == u'.') {
        ascii.push_back('.');
        ++i;
        while (i < text.size() && IsDigit(text[i]) && ascii.size() < 800) {
            ascii.push_back(static_cast<char>(text[i++]));
            ++digits;
        }
    }
    // Digits beyond the cut-offs above do not change a float; they are passed over.
    while (i < text.size() && IsDigit(text[i]))
        ++i;
    if (digits == 0)
        return false;
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (j < text.size() && (text[j] == u'+' || text[j] == u'-'))
            exponent.push_back(static_cast<char>(text[j++]));
        if (j < text.size() && IsDigit(text[j])) {
            while (j < text.size() && IsDigit(text[j])) {
                if (exponent.size() < 8)
                    exponent.push_back(static_cast<char>(text[j]));
                ++j;
            }
            ascii += exponent;
            i = j;
        }
    }
    out = std::strtof(ascii.c_str(), nullptr);
    pos = i;
    return true;
}

bool ReadWord(std::u16string_view text, std::size_t& pos, std::u16string& out)
{
    SkipSpace(text, pos);
    std::size_t i = pos;
    while (i < text.size() && !IsSpace(text[i]))
        ++i;
    if (i == pos || i - pos > kConfigWordLimit)
        return false;
    out.assign(text.substr(pos, i - pos));
    pos = i;
    return true;
}

} // namespace

int ScanConfigPattern(std::u16string_view text, std::string_view pattern, std::span<const ConfigPatternField> fields)
{
    std::size_t pos = 0;
    std::size_t field = 0;
    int filled = 0;
    for (std::size_t p = 0; p < pattern.size(); ++p) {
        if (pattern[p] == '%' && p + 1 < pattern.size()) {
            const char conversion = pattern[++p];
            if (field >= fields.size())
                return filled;
            const ConfigPatternField& target = fields[field++];
            bool ok = false;
            if (conversion == 'd' && std::holds_alternative<std::int32_t*>(target))
                ok = ReadInt(text, pos, *std::get<std::int32_t*>(target));
            else if (conversion == 'f' && std::holds_alternative<float*>(target))
                ok = ReadFloat(text, pos, *std::get<float*>(target));
            else if (conversion == 's' && std::holds_alternative<std::u16string*>(target))
                ok = ReadWord(text, pos, *std::get<std::u16string*>(target));
            if (!ok)
                return filled;
            ++filled;
        } else {
            if (pos >= text.size() || text[pos] != static_cast<char16_t>(static_cast<unsigned char>(pattern[p])))
                return filled;
            ++pos;
        }
    }
    return filled;
}

std::int32_t TruncateToInt32(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 2147483647.0)
        return std::numeric_limits<std::int32_t>::max();
    if (value <= -2147483648.0)
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}
