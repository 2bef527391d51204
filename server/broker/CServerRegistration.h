// Registration of the server with the session bus: the activation file that names the server's
// program, and the introspection files of its interfaces, per machine or per user.
#pragma once

#include "HResult.h"

#include <string>

class CServerRegistration {
public:
    // Per machine: <install prefix>/share/dbus-1; per user: ${XDG_DATA_HOME:-~/.local/share}/dbus-1.
    explicit CServerRegistration(bool bPerUser);

    // Writes the activation file (its Exec line the program's path, quoted) and the interface files.
    HRESULT Register(const std::string& strServerPath) const;
    // Removes them, and the folders they leave empty; nothing registered is no error.
    HRESULT Unregister() const;

    const std::string& BusFolder() const { return m_strBusFolder; }
    std::string ServicesFolder() const { return m_strBusFolder + "/services"; }
    std::string InterfacesFolder() const { return m_strBusFolder + "/interfaces"; }

    // The activation file's text for a program path.
    static std::string ServiceFileText(const std::string& strServerPath);

private:
    std::string m_strBusFolder;
};
