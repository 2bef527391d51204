// A cache of the history listings that answers exactly as listing the folders afresh would. It learns of
// every change, the SAVE loop's files and other hands' alike, through inotify on the root and on the
// month folders it holds, and checks each folder's identity and times before it trusts it.
#pragma once

#include "HistoryListing.h"

#include <array>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

class CHistoryIndex {
public:
    explicit CHistoryIndex(std::string strRoot);
    ~CHistoryIndex();
    CHistoryIndex(const CHistoryIndex&) = delete;
    CHistoryIndex& operator=(const CHistoryIndex&) = delete;

    // Applies the changes reported since the last call; once at the start of every search.
    void Refresh();
    // The root's month folders on the searched side, in search order. False when the index cannot answer
    // and the caller has to list the root itself.
    bool MonthFolders(const HistoryFolderName& need, bool bAfter, std::vector<CMonthFolder>& vOut);
    // Visits the files of plane number p in the folder in search order, only those on the searched side
    // of nNeedSeconds when bRequestedMonth; bStopped tells whether visit ended it. False when the index
    // cannot answer for this folder.
    bool VisitPlaneFiles(const std::string& strFolder, bool bRequestedMonth, std::int64_t nNeedSeconds, bool bAfter,
                         int p, const std::function<bool(const CPlaneFile&)>& visit, bool& bStopped);

    // Month folders held at most; each costs 16 bytes per file.
    static constexpr std::size_t kMaxFolders = 3;

private:
    struct CSignature {
        dev_t dev = 0;
        ino_t ino = 0;
        timespec mtim{};
        timespec ctim{};
        bool SameObject(const CSignature& other) const { return dev == other.dev && ino == other.ino; }
        bool operator==(const CSignature& other) const;
    };
    // A file with a name in its formatted form keeps only its fields; any other name sits in vOdd.
    struct CEntry {
        std::int32_t nLowest = 0;
        std::int32_t nHighest = 0;
        std::uint8_t nDay = 0;
        std::uint8_t nHour = 0;
        std::uint8_t nMinute = 0;
        std::uint8_t nSecond = 0;
        std::int32_t nOdd = -1;
    };
    struct COdd {
        std::string strName;
        HistoryFileName fields;
    };
    struct CFolder {
        std::string strName;
        int wd = -1;
        CSignature signature;
        bool bEvents = false;
        std::uint64_t nLastUse = 0;
        // By plane number; a pattern "Plane%02d_d" has two digits up to plane 99.
        std::array<std::vector<CEntry>, 100> vPlanes;
        // Entries per plane whose name order may differ from their time order; without any, a plane's
        // files are found by binary search.
        std::array<int, 100> vIrregular{};
        std::vector<COdd> vOdd;
    };

    static bool ReadSignature(const std::string& strPath, CSignature& signature);
    HistoryFileName Fields(const CFolder& folder, int p, const CEntry& entry) const;
    std::string Name(const CFolder& folder, int p, const CEntry& entry) const;
    int Compare(const CFolder& folder, int p, const CEntry& a, const CEntry& b) const;
    // The plane number of a name that some plane's pattern matches and that parses; 0 otherwise.
    static int PlaneOfName(std::string_view name, HistoryFileName& fields);
    static bool IsRegular(const CEntry& entry);
    CEntry MakeEntry(CFolder& folder, std::string_view name, const HistoryFileName& fields) const;
    void Insert(CFolder& folder, std::string_view name);
    void Erase(CFolder& folder, std::string_view name);
    CFolder* Folder(const std::string& strName);
    CFolder* Load(const std::string& strName);
    void DropFolder(const std::string& strName);
    void DropAll();
    bool RootReady();

    std::string m_strRoot;
    int m_fd = -1;
    int m_wdRoot = -1;
    CSignature m_rootSignature;
    bool m_bRootEvents = false;
    bool m_bRootListed = false;
    std::vector<CMonthFolder> m_vMonths;
    std::vector<std::unique_ptr<CFolder>> m_vFolders;
    std::uint64_t m_nUse = 0;
};
