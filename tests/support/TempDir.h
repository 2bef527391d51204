// A temporary folder that lives as long as the object, with helpers to write fixture files into it.
#pragma once

#include <string>
#include <string_view>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_strPath; }
    // Full path of a name inside the folder.
    std::string File(std::string_view name) const;
    // Writes the bytes to the named file (creating parent folders) and answers its full path.
    std::string Write(std::string_view name, std::string_view bytes) const;

private:
    std::string m_strPath;
};

// The whole content of a file; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);
