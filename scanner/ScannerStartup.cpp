// Configuration path of the tool and the pre-filling of its address and port.
#include "ScannerStartup.h"

#include "CEncodedTextFile.h"
#include "TextConvert.h"

#include <filesystem>
#include <system_error>

std::string DefaultConfigurationPath()
{
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return "PyrolanServer.ini";
    return (program.parent_path() / "PyrolanServer.ini").string();
}

void ReadInstrumentDefaults(const std::string& strPath, std::u16string& strAddress, std::int32_t& nPort)
{
    CEncodedTextFile file;
    if (!file.OpenRead(strPath))
        return;
    std::u16string strLine;
    while (file.ReadLine(strLine)) {
        if (StartsWithNoCase(strLine, "IP="))
            strAddress = strLine.substr(3);
        else if (StartsWithNoCase(strLine, "Port="))
            nPort = ParseLong(std::u16string_view(strLine).substr(5));
    }
}
