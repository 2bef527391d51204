// Formatting of the server log lines with their local-time prefix.
#include "DebugPrint.h"

#include "DebugOutput.h"
#include "FileTime.h"
#include "TextConvert.h"
#include "TimeSource.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

void FormatPrefix(char* out)
{
    CalendarTime now;
    if (!FileTimeToLocalCalendar(TimeSource().SystemFileTime(), now))
        now = CalendarTime{};
    char prefix[64];
    std::snprintf(prefix, sizeof(prefix), "%02d:%02d:%02d.%03d: ", now.nHour % 100, now.nMinute % 100,
                  now.nSecond % 100, now.nMilliseconds % 1000);
    std::memcpy(out, prefix, kDebugPrefixLength);
    out[kDebugPrefixLength] = '\0';
}

} // namespace

void DebugPrint(const char* szFormat, ...)
{
    char line[kDebugLineSize];
    FormatPrefix(line);
    va_list args;
    va_start(args, szFormat);
    const int written = std::vsnprintf(line + kDebugPrefixLength, kDebugMessageLimit + 1, szFormat, args);
    va_end(args);
    if (written < 0)
        line[kDebugPrefixLength] = '\0';
    DebugOutputWrite(line);
}

void DebugPrintW(const wchar_t* szFormat, ...)
{
    // vswprintf reports truncation without a usable result, so the message is formatted whole first.
    std::vector<wchar_t> message(kDebugLineSize);
    for (;;) {
        va_list args;
        va_start(args, szFormat);
        const int written = std::vswprintf(message.data(), message.size(), szFormat, args);
        va_end(args);
        if (written >= 0)
            break;
        if (message.size() >= (1U << 20)) {
            message[0] = L'\0';
            break;
        }
        message.assign(message.size() * 4, L'\0');
    }
    std::wstring text(message.data());
    if (text.size() > kDebugMessageLimit)
        text.resize(kDebugMessageLimit);
    char prefix[kDebugPrefixLength + 1];
    FormatPrefix(prefix);
    std::string line(prefix);
    line += WideToNarrow(WcharToWide(text));
    DebugOutputWrite(line);
}
