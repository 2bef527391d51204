// Program, configuration and CSV paths of the server.
#include "ServerFilePaths.h"

#include <climits>
#include <cstdlib>
#include <unistd.h>

std::string ServerProgramPath()
{
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (length <= 0)
        return {};
    return std::string(buffer, static_cast<std::size_t>(length));
}

std::string ReplaceExtension(const std::string& strPath, const std::string& strExtension)
{
    const std::size_t slash = strPath.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = strPath.rfind('.');
    // A dot that starts the name (a hidden file) is no extension.
    if (dot != std::string::npos && dot > nameStart)
        return strPath.substr(0, dot) + strExtension;
    return strPath + strExtension;
}

std::string ServerConfigurationPath()
{
    const char* configured = std::getenv("PYROLAN_SERVER_INI");
    if (configured != nullptr && configured[0] != '\0')
        return configured;
    const std::string program = ServerProgramPath();
    if (program.empty())
        return {};
    return ReplaceExtension(program, ".ini");
}

std::string ServerCsvPath()
{
    const std::string configuration = ServerConfigurationPath();
    if (configuration.empty())
        return {};
    return ReplaceExtension(configuration, ".csv");
}
