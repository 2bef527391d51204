// Folder and file names of the history: scanf-style reading, printf-style writing, UTF-16 order.
#include "HistoryNames.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace {

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// One %d (width 0: unlimited) as scanf reads it: white space, sign, digits; the width counts sign and
// digits. Out-of-range values saturate.
bool ScanInt(std::string_view text, std::size_t& pos, std::size_t width, std::int32_t& out)
{
    while (pos < text.size() && IsSpace(text[pos]))
        ++pos;
    const std::size_t end = width == 0 ? text.size() : std::min(text.size(), pos + width);
    std::size_t i = pos;
    bool negative = false;
    if (i < end && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= end || !IsDigit(text[i]))
        return false;
    std::int64_t value = 0;
    while (i < end && IsDigit(text[i])) {
        if (value <= std::numeric_limits<std::int32_t>::max())
            value = value * 10 + (text[i] - '0');
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

bool ScanLiteral(std::string_view text, std::size_t& pos, std::string_view literal)
{
    if (text.substr(pos, literal.size()) != literal)
        return false;
    pos += literal.size();
    return true;
}

// "%02d" and "%d" of printf.
void AppendInt(std::string& out, std::int32_t value, bool bTwoDigits)
{
    if (bTwoDigits && value >= 0 && value < 10)
        out.push_back('0');
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month)
{
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Decodes one UTF-8 sequence at pos into a key that orders code points as their UTF-16 code units do:
// supplementary characters (surrogate pairs) sort between U+D7FF and U+E000. Undecodable bytes count
// as U+FFFD.
std::uint32_t NextWideKey(std::string_view text, std::size_t& pos)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    std::uint32_t cp = 0xFFFD;
    std::size_t length = 1;
    if (lead < 0x80) {
        cp = lead;
    } else {
        std::size_t need = 0;
        std::uint32_t value = 0;
        std::uint32_t minimum = 0;
        if ((lead & 0xE0) == 0xC0) {
            need = 1;
            value = lead & 0x1F;
            minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            need = 2;
            value = lead & 0x0F;
            minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            need = 3;
            value = lead & 0x07;
            minimum = 0x10000;
        }
        bool ok = need > 0;
        for (std::size_t k = 1; ok && k <= need; ++k) {
            if (pos + k >= text.size() || (byte(pos + k) & 0xC0) != 0x80)
                ok = false;
            else
                value = (value << 6) | (byte(pos + k) & 0x3F);
        }
        if (ok && value >= minimum && value <= 0x10FFFF && !(value >= 0xD800 && value <= 0xDFFF)) {
            cp = value;
            length = need + 1;
        }
    }
    pos += length;
    if (cp >= 0xE000 && cp <= 0xFFFF)
        return cp + 0x110000;
    return cp;
}

} // namespace

std::string FormatMonthFolder(int nYear, int nMonth)
{
    std::string out;
    AppendInt(out, nYear, false);
    out.push_back('_');
    AppendInt(out, nMonth, true);
    return out;
}

std::string FormatImageFileName(const HistoryFileName& name)
{
    std::string out;
    out.reserve(48);
    out.append("Plane");
    AppendInt(out, name.nPlane, true);
    out.append("_d");
    AppendInt(out, name.nDay, true);
    out.append("___hms");
    AppendInt(out, name.nHour, true);
    out.push_back('_');
    AppendInt(out, name.nMinute, true);
    out.push_back('_');
    AppendInt(out, name.nSecond, true);
    out.append("__t");
    AppendInt(out, name.nLowest, false);
    out.push_back('_');
    AppendInt(out, name.nHighest, false);
    out.append(kImageFileExtension);
    return out;
}

std::string PlaneFilePrefix(int nPlaneNumber)
{
    std::string out("Plane");
    AppendInt(out, nPlaneNumber, true);
    out.append("_d");
    return out;
}

bool ParseMonthFolder(std::string_view name, HistoryFolderName& folder)
{
    std::size_t pos = 0;
    return ScanInt(name, pos, 0, folder.nYear) && ScanLiteral(name, pos, "_") && ScanInt(name, pos, 2, folder.nMonth);
}

bool ParseImageFileName(std::string_view name, HistoryFileName& file)
{
    std::size_t pos = 0;
    return ScanLiteral(name, pos, "Plane") && ScanInt(name, pos, 2, file.nPlane) && ScanLiteral(name, pos, "_d") &&
           ScanInt(name, pos, 2, file.nDay) && ScanLiteral(name, pos, "___hms") && ScanInt(name, pos, 2, file.nHour) &&
           ScanLiteral(name, pos, "_") && ScanInt(name, pos, 2, file.nMinute) && ScanLiteral(name, pos, "_") &&
           ScanInt(name, pos, 2, file.nSecond) && ScanLiteral(name, pos, "__t") && ScanInt(name, pos, 0, file.nLowest) &&
           ScanLiteral(name, pos, "_") && ScanInt(name, pos, 0, file.nHighest);
}

bool MatchesPlanePattern(std::string_view name, std::string_view prefix)
{
    return name.size() >= prefix.size() + kImageFileExtension.size() && name.starts_with(prefix) &&
           name.ends_with(kImageFileExtension);
}

std::int32_t TemperatureTenths(double value)
{
    const double tenths = std::trunc(value * 10.0 + 0.499);
    if (std::isnan(tenths))
        return 0;
    if (tenths >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    if (tenths <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(tenths);
}

bool HistoryImageTime(const HistoryFolderName& folder, const HistoryFileName& file, FILETIME64& ft)
{
    if (folder.nYear < 1601 || folder.nYear > 30827 || folder.nMonth < 1 || folder.nMonth > 12 || file.nDay < 1 ||
        file.nDay > DaysInMonth(folder.nYear, folder.nMonth))
        return false;
    CalendarTime local;
    local.nYear = folder.nYear;
    local.nMonth = folder.nMonth;
    local.nDay = file.nDay;
    local.nHour = file.nHour;
    local.nMinute = file.nMinute;
    local.nSecond = file.nSecond;
    return LocalCalendarToFileTime(local, ft);
}

int CompareNamesAsWide(std::string_view a, std::string_view b)
{
    std::size_t common = 0;
    const std::size_t shorter = std::min(a.size(), b.size());
    while (common < shorter && a[common] == b[common])
        ++common;
    if (common == shorter)
        return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
    const auto ua = static_cast<unsigned char>(a[common]);
    const auto ub = static_cast<unsigned char>(b[common]);
    if (ua < 0x80 && ub < 0x80)
        return ua < ub ? -1 : 1;
    // Back to the start of the character that holds the first difference; the bytes before are equal.
    const auto continuation = [](char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; };
    while (common > 0 && (continuation(a[common]) || continuation(b[common])))
        --common;
    std::size_t ia = common;
    std::size_t ib = common;
    while (ia < a.size() && ib < b.size()) {
        const std::uint32_t ka = NextWideKey(a, ia);
        const std::uint32_t kb = NextWideKey(b, ib);
        if (ka != kb)
            return ka < kb ? -1 : 1;
    }
    if (ia < a.size())
        return 1;
    if (ib < b.size())
        return -1;
    // Equal as text but not as bytes (undecodable bytes): the bytes decide, so the order stays strict.
    return a.compare(b) < 0 ? -1 : 1;
}
