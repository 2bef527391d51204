// The server log: DebugPrint and DebugPrintW write one time-stamped line to the debugger output.
#pragma once

#include <cstddef>

// Size of the line buffer, and the time prefix "hh:mm:ss.mmm: " at its start.
inline constexpr std::size_t kDebugLineSize = 1024;
inline constexpr std::size_t kDebugPrefixLength = 14;
// Longest message kept behind the prefix; longer ones are cut.
inline constexpr std::size_t kDebugMessageLimit = 1009;

void DebugPrint(const char* szFormat, ...) __attribute__((format(printf, 1, 2)));
// Wide variant; on this platform wide strings are passed with %ls.
void DebugPrintW(const wchar_t* szFormat, ...);
