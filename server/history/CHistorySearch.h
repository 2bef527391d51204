// The history search over a root folder: month folders and plane files by their names, the nearest
// stored image, the first stretch of images outside limits, and the loading of one image.
#pragma once

#include "CHistoryIndex.h"
#include "FileTime.h"
#include "HistoryImage.h"
#include "HistoryListing.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CHistorySearch {
public:
    // eListing lists the folders afresh on every call; eIndexed answers the same from a cache.
    enum eMode { eListing, eIndexed };

    // strRoot ends in '/'; empty: nothing is ever found.
    explicit CHistorySearch(std::string strRoot, eMode mode = eIndexed);
    ~CHistorySearch();
    CHistorySearch(const CHistorySearch&) = delete;
    CHistorySearch& operator=(const CHistorySearch&) = delete;

    const std::string& Root() const { return m_strRoot; }

    // The names of the month folders to search, in search order.
    std::vector<std::string> ListMonthFolders(FILETIME64 ftTime, bool bAfter) const;
    // The names of the plane's files in the folder on the searched side of the time, in search order.
    std::vector<std::string> ListPlaneFiles(const std::string& strFolder, FILETIME64 ftTime, bool bAfter,
                                            int nGlobalIndex) const;

    bool FindHistory(int nGlobalIndex, FILETIME64 ftNeed, bool bAfter, float fMinLimit, float fMaxLimit,
                     FILETIME64& ftHas, float& fMinHas, float& fMaxHas);
    bool GetErrorInterval(int nGlobalIndex, FILETIME64 ftNeed, bool bAfter, float fMinLimit, float fMaxLimit,
                          FILETIME64& ftFrom, FILETIME64& ftTo);
    // Loads the first image at or after the time; true when its cells were read.
    bool FillHistoryData(int nGlobalIndex, FILETIME64 ftNeed, HistoryImage& image);

private:
    using Visitor = std::function<bool(const CMonthFolder&, const CPlaneFile&)>;
    struct CListedFile {
        std::string strName;
        HistoryFileName fields;
    };
    std::vector<CMonthFolder> MonthFolders(const HistoryFolderName& need, bool bAfter) const;
    std::vector<CListedFile> PlaneFiles(const CMonthFolder& folder, const CalendarTime& need, bool bAfter,
                                        int p) const;
    // Walks the files of plane number p in search order, each with a folder and a name that parse,
    // until visit answers false. False when the time has no local form.
    bool Search(int p, FILETIME64 ftNeed, bool bAfter, const Visitor& visit);

    std::string m_strRoot;
    std::unique_ptr<CHistoryIndex> m_pIndex;
    std::mutex m_mutex;
};
