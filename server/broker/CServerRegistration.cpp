// Writing and removing the bus activation and introspection files.
#include "CServerRegistration.h"

#include "BusInterfaceXml.h"
#include "PyrolanBusNames.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#ifndef PYROLAN_INSTALL_PREFIX
#define PYROLAN_INSTALL_PREFIX "/usr/local"
#endif

namespace {

HRESULT HResultOf(const std::error_code& ec) { return HResultFromErrno(ec ? ec.value() : 0); }

// Writes through a temporary file and a rename, so that the bus never reads half a file.
HRESULT WriteFile(const std::string& strPath, const std::string& strContent)
{
    const std::string strTemporary = strPath + ".tmp";
    std::FILE* file = std::fopen(strTemporary.c_str(), "wb");
    if (file == nullptr)
        return HResultFromErrno(errno);
    const bool bWritten = std::fwrite(strContent.data(), 1, strContent.size(), file) == strContent.size();
    const int nWriteError = errno;
    if (std::fclose(file) != 0 || !bWritten) {
        std::remove(strTemporary.c_str());
        return HResultFromErrno(bWritten ? errno : nWriteError);
    }
    if (std::rename(strTemporary.c_str(), strPath.c_str()) != 0) {
        const int nError = errno;
        std::remove(strTemporary.c_str());
        return HResultFromErrno(nError);
    }
    return S_OK;
}

HRESULT RemoveFile(const std::string& strPath)
{
    std::error_code ec;
    std::filesystem::remove(strPath, ec);
    return ec ? HResultOf(ec) : S_OK;
}

void RemoveFolderIfEmpty(const std::string& strPath)
{
    std::error_code ec;
    if (std::filesystem::is_directory(strPath, ec) && std::filesystem::is_empty(strPath, ec) && !ec)
        std::filesystem::remove(strPath, ec);
}

} // namespace

CServerRegistration::CServerRegistration(bool bPerUser)
{
    if (!bPerUser) {
        m_strBusFolder = std::string(PYROLAN_INSTALL_PREFIX) + "/share/dbus-1";
        return;
    }
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome != nullptr && dataHome[0] != '\0') {
        m_strBusFolder = std::string(dataHome) + "/dbus-1";
        return;
    }
    const char* home = std::getenv("HOME");
    m_strBusFolder = std::string(home != nullptr ? home : "") + "/.local/share/dbus-1";
}

std::string CServerRegistration::ServiceFileText(const std::string& strServerPath)
{
    // Inside double quotes the bus reads a backslash as escaping these characters only.
    std::string strQuoted = "\"";
    for (const char c : strServerPath) {
        if (c == '"' || c == '\\' || c == '$' || c == '`')
            strQuoted += '\\';
        strQuoted += c;
    }
    strQuoted += '"';
    return std::string("# PyrolanBroker Class ") + kBrokerClassId + ", program identifiers " + kBrokerProgId +
           " and " + kBrokerVersionIndependentProgId + ".\n[D-BUS Service]\nName=" + kBrokerBusName +
           "\nExec=" + strQuoted + "\n";
}

HRESULT CServerRegistration::Register(const std::string& strServerPath) const
{
    if (strServerPath.empty())
        return E_FAIL;
    std::error_code ec;
    std::filesystem::create_directories(ServicesFolder(), ec);
    if (ec)
        return HResultOf(ec);
    std::filesystem::create_directories(InterfacesFolder(), ec);
    if (ec)
        return HResultOf(ec);
    for (const char* szName : kInterfaceFileNames) {
        const QByteArray xml = BusInterfaceXml(szName);
        if (xml.isEmpty())
            return E_FAIL;
        if (const HRESULT hr = WriteFile(InterfacesFolder() + "/" + szName, xml.toStdString()); FAILED(hr))
            return hr;
    }
    return WriteFile(ServicesFolder() + "/" + kServiceFileName, ServiceFileText(strServerPath));
}

HRESULT CServerRegistration::Unregister() const
{
    // The activation file goes first: without it the bus no longer starts the server.
    if (const HRESULT hr = RemoveFile(ServicesFolder() + "/" + kServiceFileName); FAILED(hr))
        return hr;
    for (const char* szName : kInterfaceFileNames)
        if (const HRESULT hr = RemoveFile(InterfacesFolder() + "/" + szName); FAILED(hr))
            return hr;
    RemoveFolderIfEmpty(ServicesFolder());
    RemoveFolderIfEmpty(InterfacesFolder());
    RemoveFolderIfEmpty(m_strBusFolder);
    return S_OK;
}
