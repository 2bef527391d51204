// UTF-8 / UTF-16 / UTF-32 conversions and the wcstol-style integer reader.
#include "TextConvert.h"

#include <limits>

namespace {

constexpr char16_t kReplacement = 0xFFFD;

void AppendCodePoint(std::u16string& out, char32_t cp)
{
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
        out.push_back(static_cast<char16_t>(cp));
    }
}

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

bool IsSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

char16_t LowerAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c; }

} // namespace

std::u16string NarrowToWide(std::string_view narrow)
{
    std::u16string out;
    out.reserve(narrow.size());
    std::size_t i = 0;
    while (i < narrow.size()) {
        const auto lead = static_cast<unsigned char>(narrow[i]);
        if (lead < 0x80) {
            out.push_back(lead);
            ++i;
            continue;
        }
        int extra = 0;
        char32_t cp = 0;
        char32_t minimum = 0;
        if (lead == 0xC0 || lead == 0xC1 || lead >= 0xF5) {
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        if ((lead & 0xE0) == 0xC0) {
            extra = 1;
            cp = lead & 0x1F;
            minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2;
            cp = lead & 0x0F;
            minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3;
            cp = lead & 0x07;
            minimum = 0x10000;
        } else {
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        int taken = 0;
        while (taken < extra && j < narrow.size() && (static_cast<unsigned char>(narrow[j]) & 0xC0) == 0x80) {
            cp = (cp << 6) | (static_cast<unsigned char>(narrow[j]) & 0x3F);
            ++j;
            ++taken;
        }
        if (taken < extra || cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out.push_back(kReplacement);
            i = (taken < extra) ? j : i + 1 + static_cast<std::size_t>(extra);
            continue;
        }
        AppendCodePoint(out, cp);
        i = j;
    }
    return out;
}

std::string WideToNarrow(std::u16string_view wide)
{
    std::string out;
    out.reserve(wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i) {
        const char16_t c = wide[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (wide[i + 1] - 0xDC00));
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            AppendUtf8(out, kReplacement);
        } else {
            AppendUtf8(out, c);
        }
    }
    return out;
}

std::wstring WideToWchar(std::u16string_view wide)
{
    std::wstring out;
    out.reserve(wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i) {
        const char16_t c = wide[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) {
            out.push_back(static_cast<wchar_t>(0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (wide[i + 1] - 0xDC00)));
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            out.push_back(static_cast<wchar_t>(kReplacement));
        } else {
            out.push_back(static_cast<wchar_t>(c));
        }
    }
    return out;
}

std::u16string WcharToWide(std::wstring_view text)
{
    std::u16string out;
    out.reserve(text.size());
    for (const wchar_t c : text) {
        const auto cp = static_cast<char32_t>(c);
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            out.push_back(kReplacement);
        else
            AppendCodePoint(out, cp);
    }
    return out;
}

std::int32_t ParseLong(std::u16string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    std::int64_t value = 0;
    constexpr std::int64_t kLimit = static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + 1;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') {
        if (value <= kLimit)
            value = value * 10 + (text[i] - u'0');
        ++i;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (value < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

bool StartsWithNoCase(std::u16string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (LowerAscii(text[i]) != LowerAscii(static_cast<char16_t>(static_cast<unsigned char>(prefix[i]))))
            return false;
    }
    return true;
}

bool EqualsNoCase(std::u16string_view text, std::string_view word)
{
    return text.size() == word.size() && StartsWithNoCase(text, word);
}
