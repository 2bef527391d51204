// Switch scanning of the server's command line.
#include "ServerSwitches.h"

#include <cctype>

namespace {

struct SwitchName {
    std::string_view strName;
    eServerSwitch eSwitch;
};

constexpr SwitchName kSwitches[] = {
    {"RegServer", eSwitchRegServer},
    {"UnregServer", eSwitchUnregServer},
    {"RegServerPerUser", eSwitchRegServerPerUser},
    {"UnregServerPerUser", eSwitchUnregServerPerUser},
};

bool EqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

} // namespace

eServerSwitch ScanServerSwitches(std::string_view strCommandLine)
{
    for (std::size_t i = 0; i < strCommandLine.size(); ++i) {
        if (strCommandLine[i] != '-' && strCommandLine[i] != '/')
            continue;
        std::size_t end = i + 1;
        while (end < strCommandLine.size() && strCommandLine[end] != ' ' && strCommandLine[end] != '\t')
            ++end;
        const std::string_view word = strCommandLine.substr(i + 1, end - i - 1);
        for (const SwitchName& name : kSwitches)
            if (EqualNoCase(word, name.strName))
                return name.eSwitch;
    }
    return eSwitchNone;
}

std::string CommandLineOf(int argc, const char* const* argv)
{
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            line += ' ';
        line += argv[i];
    }
    return line;
}
