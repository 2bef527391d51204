// The server's command-line switches and their recognition.
#pragma once

#include <string>
#include <string_view>

enum eServerSwitch {
    eSwitchNone = 0,  // run as the server
    eSwitchRegServer,
    eSwitchUnregServer,
    eSwitchRegServerPerUser,
    eSwitchUnregServerPerUser,
};

// The first word after a '-' or '/' that names a switch, compared without regard to case; a word
// ends at a blank, a tab or the end of the line.
eServerSwitch ScanServerSwitches(std::string_view strCommandLine);
// The program's arguments joined by blanks, as one command line.
std::string CommandLineOf(int argc, const char* const* argv);
