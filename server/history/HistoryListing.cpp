// Folder listings of the history through readdir.
#include "HistoryListing.h"

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

bool ReadFolderNames(const std::string& strPath, std::vector<std::string>& vNames)
{
    DIR* dir = ::opendir(strPath.c_str());
    if (dir == nullptr)
        return false;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name(entry->d_name);
        if (name != "." && name != "..")
            vNames.emplace_back(name);
    }
    ::closedir(dir);
    return true;
}

bool ReadMonthFolders(const std::string& strRoot, std::vector<CMonthFolder>& vFolders)
{
    DIR* dir = ::opendir(strRoot.c_str());
    if (dir == nullptr)
        return false;
    while (const dirent* entry = ::readdir(dir)) {
        CMonthFolder month;
        if (!ParseMonthFolder(entry->d_name, month.folder))
            continue;
        bool isFolder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat info {};
            isFolder = ::stat((strRoot + entry->d_name).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
        }
        if (!isFolder)
            continue;
        month.strName = entry->d_name;
        vFolders.push_back(std::move(month));
    }
    ::closedir(dir);
    std::sort(vFolders.begin(), vFolders.end(), [](const CMonthFolder& a, const CMonthFolder& b) {
        return CompareNamesAsWide(a.strName, b.strName) < 0;
    });
    return true;
}

std::vector<CMonthFolder> SelectMonthFolders(const std::vector<CMonthFolder>& vAll, const HistoryFolderName& need,
                                             bool bAfter)
{
    std::vector<CMonthFolder> out;
    const auto key = [](const HistoryFolderName& f) { return std::pair(f.nYear, f.nMonth); };
    for (const auto& month : vAll)
        if (bAfter ? key(month.folder) >= key(need) : key(month.folder) <= key(need))
            out.push_back(month);
    if (!bAfter)
        std::reverse(out.begin(), out.end());
    return out;
}
