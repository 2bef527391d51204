// Where the server finds its program, its configuration file and the simulated sensor's CSV file.
#pragma once

#include <string>

// Full path of the running program (/proc/self/exe); empty when it cannot be read.
std::string ServerProgramPath();
// PYROLAN_SERVER_INI when set, else the program's path with its extension replaced by ".ini".
std::string ServerConfigurationPath();
// The configuration path with its extension replaced by ".csv".
std::string ServerCsvPath();
// Replaces the extension of the path's file name (after its last '/'), or appends one when it has none.
std::string ReplaceExtension(const std::string& strPath, const std::string& strExtension);
