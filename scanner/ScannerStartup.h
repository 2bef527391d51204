// Start-up of the configuration tool: where the server's configuration file lies and the instrument
// address and port pre-filled from it.
#pragma once

#include <cstdint>
#include <string>

// "PyrolanServer.ini" in the folder of the running program.
std::string DefaultConfigurationPath();

// Takes the last "IP=" line (verbatim) and the last "Port=" line (a decimal number, no digits give 0),
// keys in any letter case, from the file in any encoding. A missing file leaves both unchanged.
void ReadInstrumentDefaults(const std::string& strPath, std::u16string& strAddress, std::int32_t& nPort);
