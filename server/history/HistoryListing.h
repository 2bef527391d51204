// Listing of the history root and its month folders, shared by the direct search and its index.
#pragma once

#include "HistoryNames.h"

#include <string>
#include <vector>

struct CMonthFolder {
    std::string strName;
    HistoryFolderName folder;
};

// One image file met by a search: its parsed name, and the name itself unless it is exactly the
// formatted form of the fields.
struct CPlaneFile {
    HistoryFileName fields;
    const std::string* pName = nullptr;
    std::string Name() const { return pName != nullptr ? *pName : FormatImageFileName(fields); }
};

// Every folder of the root whose name parses as a month, in ascending name order. False when the
// root cannot be listed.
bool ReadMonthFolders(const std::string& strRoot, std::vector<CMonthFolder>& vFolders);
// The names of all entries of a folder except "." and "..". False when it cannot be listed.
bool ReadFolderNames(const std::string& strPath, std::vector<std::string>& vNames);
// The month folders on the searched side of year and month, in search order.
std::vector<CMonthFolder> SelectMonthFolders(const std::vector<CMonthFolder>& vAll, const HistoryFolderName& need,
                                             bool bAfter);
