// History search: folders and files by name, in the order of their names.
#include "CHistorySearch.h"

#include "HistoryImageFile.h"

#include <algorithm>

namespace {

bool ValidPlane(int nGlobalIndex) { return nGlobalIndex >= 0 && nGlobalIndex < 99; }

} // namespace

CHistorySearch::CHistorySearch(std::string strRoot, eMode mode) : m_strRoot(std::move(strRoot))
{
    if (mode == eIndexed && !m_strRoot.empty())
        m_pIndex = std::make_unique<CHistoryIndex>(m_strRoot);
}

CHistorySearch::~CHistorySearch() = default;

std::vector<CMonthFolder> CHistorySearch::MonthFolders(const HistoryFolderName& need, bool bAfter) const
{
    std::vector<CMonthFolder> all;
    if (!ReadMonthFolders(m_strRoot, all))
        return {};
    return SelectMonthFolders(all, need, bAfter);
}

std::vector<CHistorySearch::CListedFile> CHistorySearch::PlaneFiles(const CMonthFolder& folder,
                                                                    const CalendarTime& need, bool bAfter,
                                                                    int p) const
{
    std::vector<std::string> names;
    if (!ReadFolderNames(m_strRoot + folder.strName, names))
        return {};
    const std::string prefix = PlaneFilePrefix(p);
    const bool requestedMonth = folder.folder.nYear == need.nYear && folder.folder.nMonth == need.nMonth;
    const std::int64_t needSeconds = SecondsInMonth(need.nDay, need.nHour, need.nMinute, need.nSecond);
    std::vector<CListedFile> files;
    for (auto& name : names) {
        CListedFile file;
        if (!MatchesPlanePattern(name, prefix) || !ParseImageFileName(name, file.fields))
            continue;
        if (requestedMonth) {
            const std::int64_t seconds =
                SecondsInMonth(file.fields.nDay, file.fields.nHour, file.fields.nMinute, file.fields.nSecond);
            if (bAfter ? seconds < needSeconds : seconds > needSeconds)
                continue;
        }
        file.strName = std::move(name);
        files.push_back(std::move(file));
    }
    std::sort(files.begin(), files.end(), [bAfter](const CListedFile& a, const CListedFile& b) {
        const int order = CompareNamesAsWide(a.strName, b.strName);
        return bAfter ? order < 0 : order > 0;
    });
    return files;
}

std::vector<std::string> CHistorySearch::ListMonthFolders(FILETIME64 ftTime, bool bAfter) const
{
    CalendarTime local;
    if (m_strRoot.empty() || !FileTimeToLocalCalendar(ftTime, local))
        return {};
    std::vector<std::string> names;
    for (auto& month : MonthFolders({local.nYear, local.nMonth}, bAfter))
        names.push_back(std::move(month.strName));
    return names;
}

std::vector<std::string> CHistorySearch::ListPlaneFiles(const std::string& strFolder, FILETIME64 ftTime, bool bAfter,
                                                        int nGlobalIndex) const
{
    CalendarTime local;
    CMonthFolder folder{strFolder, {}};
    if (m_strRoot.empty() || !ValidPlane(nGlobalIndex) || !FileTimeToLocalCalendar(ftTime, local))
        return {};
    // A folder whose name is no month is never the requested one.
    if (!ParseMonthFolder(strFolder, folder.folder))
        folder.folder = {local.nYear + 1, 0};
    std::vector<std::string> names;
    for (auto& file : PlaneFiles(folder, local, bAfter, nGlobalIndex + 1))
        names.push_back(std::move(file.strName));
    return names;
}

bool CHistorySearch::Search(int p, FILETIME64 ftNeed, bool bAfter, const Visitor& visit)
{
    CalendarTime local;
    if (!FileTimeToLocalCalendar(ftNeed, local))
        return false;
    const HistoryFolderName need{local.nYear, local.nMonth};
    const std::int64_t needSeconds = SecondsInMonth(local.nDay, local.nHour, local.nMinute, local.nSecond);
    std::vector<CMonthFolder> folders;
    if (m_pIndex != nullptr) {
        m_pIndex->Refresh();
        if (!m_pIndex->MonthFolders(need, bAfter, folders))
            folders = MonthFolders(need, bAfter);
    } else {
        folders = MonthFolders(need, bAfter);
    }
    for (const auto& folder : folders) {
        bool stopped = false;
        const bool requestedMonth = folder.folder.nYear == need.nYear && folder.folder.nMonth == need.nMonth;
        if (m_pIndex != nullptr &&
            m_pIndex->VisitPlaneFiles(folder.strName, requestedMonth, needSeconds, bAfter, p,
                                      [&](const CPlaneFile& file) { return visit(folder, file); }, stopped)) {
            if (stopped)
                return true;
            continue;
        }
        for (const auto& listed : PlaneFiles(folder, local, bAfter, p)) {
            CPlaneFile file;
            file.fields = listed.fields;
            file.pName = &listed.strName;
            if (!visit(folder, file))
                return true;
        }
    }
    return true;
}

bool CHistorySearch::FindHistory(int nGlobalIndex, FILETIME64 ftNeed, bool bAfter, float fMinLimit, float fMaxLimit,
                                 FILETIME64& ftHas, float& fMinHas, float& fMaxHas)
{
    if (m_strRoot.empty() || !ValidPlane(nGlobalIndex))
        return false;
    std::lock_guard<std::mutex> guard(m_mutex);
    const std::int32_t lower = TemperatureTenths(static_cast<double>(fMinLimit));
    const std::int32_t upper = TemperatureTenths(static_cast<double>(fMaxLimit));
    bool found = false;
    Search(nGlobalIndex + 1, ftNeed, bAfter, [&](const CMonthFolder& folder, const CPlaneFile& file) {
        // Images strictly within the limits are passed over.
        if (file.fields.nLowest > lower && file.fields.nHighest < upper)
            return true;
        FILETIME64 ft = 0;
        if (!HistoryImageTime(folder.folder, file.fields, ft))
            return true;
        ftHas = ft;
        fMinHas = static_cast<float>(file.fields.nLowest * 0.1);
        fMaxHas = static_cast<float>(file.fields.nHighest * 0.1);
        found = true;
        return false;
    });
    return found;
}

bool CHistorySearch::GetErrorInterval(int nGlobalIndex, FILETIME64 ftNeed, bool bAfter, float fMinLimit,
                                      float fMaxLimit, FILETIME64& ftFrom, FILETIME64& ftTo)
{
    if (m_strRoot.empty() || !ValidPlane(nGlobalIndex))
        return false;
    std::lock_guard<std::mutex> guard(m_mutex);
    const std::int32_t lower = TemperatureTenths(static_cast<double>(fMinLimit));
    const std::int32_t upper = TemperatureTenths(static_cast<double>(fMaxLimit));
    bool inRun = false;
    FILETIME64 first = 0;
    FILETIME64 last = 0;
    Search(nGlobalIndex + 1, ftNeed, bAfter, [&](const CMonthFolder& folder, const CPlaneFile& file) {
        const bool out = file.fields.nLowest < lower || file.fields.nHighest > upper;
        if (!out && !inRun)
            return true;
        FILETIME64 ft = 0;
        if (!HistoryImageTime(folder.folder, file.fields, ft))
            return true;
        if (!out)
            return false;
        if (!inRun)
            first = ft;
        last = ft;
        inRun = true;
        return true;
    });
    if (!inRun)
        return false;
    ftFrom = bAfter ? first : last;
    ftTo = bAfter ? last : first;
    return true;
}

bool CHistorySearch::FillHistoryData(int nGlobalIndex, FILETIME64 ftNeed, HistoryImage& image)
{
    if (m_strRoot.empty() || !ValidPlane(nGlobalIndex))
        return false;
    std::lock_guard<std::mutex> guard(m_mutex);
    bool read = false;
    Search(nGlobalIndex + 1, ftNeed, true, [&](const CMonthFolder& folder, const CPlaneFile& file) {
        FILETIME64 ft = 0;
        if (!HistoryImageTime(folder.folder, file.fields, ft))
            return true;
        image.ftTime = ft;
        image.nPlaneNumber = file.fields.nPlane;
        image.nLowest = file.fields.nLowest;
        image.nHighest = file.fields.nHighest;
        read = ReadImageFile(m_strRoot, folder.strName, file.Name(), image.nWidth, image.nHeight, image.nDataSize,
                             image.vCells);
        return false;
    });
    return read;
}
