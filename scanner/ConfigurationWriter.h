// The server's configuration file written from the channel table of a scan.
#pragma once

#include "ScanChannel.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Highest segment ID of each group g at plane index g - 1, as many entries as the highest group.
std::vector<std::int32_t> PlaneTable(const std::vector<ScanChannel>& vChannels);

// A position rounded to single precision and printed with six decimals and a '.', whatever the locale.
std::string FormatPosition(double dValue);

// Writes the file as narrow text with LF line ends, replacing an existing one. On a file error the
// writing ends at once and strError holds the text to show, naming the file.
bool WriteConfiguration(const std::string& strPath, const std::vector<ScanChannel>& vChannels,
                        std::u16string_view strAddress, std::int32_t nPort, std::string& strError);

// The platform's text for a file error, naming the file.
std::string FileErrorText(const std::string& strPath, int nError, bool bCreating);
