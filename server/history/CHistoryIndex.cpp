// The listing cache of the history search, kept current by inotify.
#include "CHistoryIndex.h"

#include <algorithm>
#include <cerrno>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::uint32_t kWatchMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB |
                                     IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
// Events about the watched folder itself rather than an entry of it.
constexpr std::uint32_t kSelfEvents = IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT;

bool SameTime(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

bool CHistoryIndex::CSignature::operator==(const CSignature& other) const
{
    return SameObject(other) && SameTime(mtim, other.mtim) && SameTime(ctim, other.ctim);
}

CHistoryIndex::CHistoryIndex(std::string strRoot)
    : m_strRoot(std::move(strRoot)), m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
{
}

CHistoryIndex::~CHistoryIndex()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool CHistoryIndex::ReadSignature(const std::string& strPath, CSignature& signature)
{
    struct stat info {};
    if (::stat(strPath.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return false;
    signature.dev = info.st_dev;
    signature.ino = info.st_ino;
    signature.mtim = info.st_mtim;
    signature.ctim = info.st_ctim;
    return true;
}

HistoryFileName CHistoryIndex::Fields(const CFolder& folder, int p, const CEntry& entry) const
{
    if (entry.nOdd >= 0)
        return folder.vOdd[static_cast<std::size_t>(entry.nOdd)].fields;
    HistoryFileName fields;
    fields.nPlane = p;
    fields.nDay = entry.nDay;
    fields.nHour = entry.nHour;
    fields.nMinute = entry.nMinute;
    fields.nSecond = entry.nSecond;
    fields.nLowest = entry.nLowest;
    fields.nHighest = entry.nHighest;
    return fields;
}

std::string CHistoryIndex::Name(const CFolder& folder, int p, const CEntry& entry) const
{
    if (entry.nOdd >= 0)
        return folder.vOdd[static_cast<std::size_t>(entry.nOdd)].strName;
    return FormatImageFileName(Fields(folder, p, entry));
}

int CHistoryIndex::Compare(const CFolder& folder, int p, const CEntry& a, const CEntry& b) const
{
    // Formatted names of one plane differ first in their two-digit day, hour, minute and second.
    if (a.nOdd < 0 && b.nOdd < 0) {
        const auto ka = std::tuple(a.nDay, a.nHour, a.nMinute, a.nSecond);
        const auto kb = std::tuple(b.nDay, b.nHour, b.nMinute, b.nSecond);
        if (ka != kb)
            return ka < kb ? -1 : 1;
    }
    return CompareNamesAsWide(Name(folder, p, a), Name(folder, p, b));
}

int CHistoryIndex::PlaneOfName(std::string_view name, HistoryFileName& fields)
{
    if (name.size() < 9 || !name.starts_with("Plane") || !IsDigit(name[5]) || !IsDigit(name[6]) ||
        name.substr(7, 2) != "_d")
        return 0;
    const int p = (name[5] - '0') * 10 + (name[6] - '0');
    if (p == 0 || !MatchesPlanePattern(name, PlaneFilePrefix(p)) || !ParseImageFileName(name, fields))
        return 0;
    return p;
}

CHistoryIndex::CEntry CHistoryIndex::MakeEntry(CFolder& folder, std::string_view name,
                                               const HistoryFileName& fields) const
{
    CEntry entry;
    const auto twoDigits = [](std::int32_t v) { return v >= 0 && v <= 99; };
    if (twoDigits(fields.nDay) && twoDigits(fields.nHour) && twoDigits(fields.nMinute) &&
        twoDigits(fields.nSecond) && FormatImageFileName(fields) == name) {
        entry.nDay = static_cast<std::uint8_t>(fields.nDay);
        entry.nHour = static_cast<std::uint8_t>(fields.nHour);
        entry.nMinute = static_cast<std::uint8_t>(fields.nMinute);
        entry.nSecond = static_cast<std::uint8_t>(fields.nSecond);
        entry.nLowest = fields.nLowest;
        entry.nHighest = fields.nHighest;
        return entry;
    }
    entry.nOdd = static_cast<std::int32_t>(folder.vOdd.size());
    folder.vOdd.push_back({std::string(name), fields});
    return entry;
}

bool CHistoryIndex::IsRegular(const CEntry& entry)
{
    // Formatted names of real clock times: their name order is their time order.
    return entry.nOdd < 0 && entry.nHour < 24 && entry.nMinute < 60 && entry.nSecond < 60;
}

void CHistoryIndex::Insert(CFolder& folder, std::string_view name)
{
    HistoryFileName fields;
    const int p = PlaneOfName(name, fields);
    if (p == 0)
        return;
    const CEntry entry = MakeEntry(folder, name, fields);
    auto& plane = folder.vPlanes[static_cast<std::size_t>(p)];
    const auto at = std::lower_bound(plane.begin(), plane.end(), entry, [&](const CEntry& a, const CEntry& b) {
        return Compare(folder, p, a, b) < 0;
    });
    if (at != plane.end() && Compare(folder, p, *at, entry) == 0)
        return;
    plane.insert(at, entry);
    if (!IsRegular(entry))
        ++folder.vIrregular[static_cast<std::size_t>(p)];
}

void CHistoryIndex::Erase(CFolder& folder, std::string_view name)
{
    HistoryFileName fields;
    const int p = PlaneOfName(name, fields);
    if (p == 0)
        return;
    const std::size_t odd = folder.vOdd.size();
    const CEntry entry = MakeEntry(folder, name, fields);
    auto& plane = folder.vPlanes[static_cast<std::size_t>(p)];
    const auto at = std::lower_bound(plane.begin(), plane.end(), entry, [&](const CEntry& a, const CEntry& b) {
        return Compare(folder, p, a, b) < 0;
    });
    if (at != plane.end() && Compare(folder, p, *at, entry) == 0) {
        if (!IsRegular(*at))
            --folder.vIrregular[static_cast<std::size_t>(p)];
        plane.erase(at);
    }
    // The probe's own odd name is not kept.
    if (folder.vOdd.size() > odd)
        folder.vOdd.pop_back();
}

void CHistoryIndex::Refresh()
{
    if (m_fd < 0)
        return;
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
        if (got <= 0)
            break;
        for (ssize_t offset = 0; offset < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            const std::string_view name = event->len > 0 ? std::string_view(event->name) : std::string_view();
            if (event->mask & IN_Q_OVERFLOW) {
                DropAll();
                continue;
            }
            if (event->wd == m_wdRoot) {
                if (name.empty() && (event->mask & kSelfEvents)) {
                    DropAll();
                } else if (!name.empty()) {
                    m_bRootEvents = true;
                    m_bRootListed = false;
                    DropFolder(std::string(name));
                }
                continue;
            }
            const auto folder = std::find_if(m_vFolders.begin(), m_vFolders.end(),
                                             [&](const auto& f) { return f->wd == event->wd; });
            if (folder == m_vFolders.end())
                continue;
            if (name.empty()) {
                if (event->mask & kSelfEvents)
                    DropFolder((*folder)->strName);
                continue;
            }
            (*folder)->bEvents = true;
            if (event->mask & (IN_CREATE | IN_MOVED_TO))
                Insert(**folder, name);
            else if (event->mask & (IN_DELETE | IN_MOVED_FROM))
                Erase(**folder, name);
        }
    }
}

bool CHistoryIndex::RootReady()
{
    if (m_fd < 0)
        return false;
    CSignature now;
    if (m_wdRoot >= 0 && ReadSignature(m_strRoot, now)) {
        if (!now.SameObject(m_rootSignature)) {
            // Another folder now answers to the root's path (a mount, a rename): start over.
            DropAll();
        } else if (!(now == m_rootSignature)) {
            // A change that no event reported (a remote file system) cannot be applied; list again.
            if (!m_bRootEvents)
                m_bRootListed = false;
            m_rootSignature = now;
        }
    } else if (m_wdRoot >= 0) {
        DropAll();
    }
    m_bRootEvents = false;
    if (m_wdRoot < 0) {
        m_wdRoot = ::inotify_add_watch(m_fd, m_strRoot.c_str(), kWatchMask);
        if (m_wdRoot < 0)
            return false;
        if (!ReadSignature(m_strRoot, m_rootSignature)) {
            DropAll();
            return false;
        }
        m_bRootListed = false;
    }
    if (!m_bRootListed) {
        m_vMonths.clear();
        if (!ReadMonthFolders(m_strRoot, m_vMonths))
            return false;
        m_bRootListed = true;
    }
    return true;
}

bool CHistoryIndex::MonthFolders(const HistoryFolderName& need, bool bAfter, std::vector<CMonthFolder>& vOut)
{
    if (!RootReady())
        return false;
    vOut = SelectMonthFolders(m_vMonths, need, bAfter);
    return true;
}

CHistoryIndex::CFolder* CHistoryIndex::Folder(const std::string& strName)
{
    const auto found =
        std::find_if(m_vFolders.begin(), m_vFolders.end(), [&](const auto& f) { return f->strName == strName; });
    if (found == m_vFolders.end())
        return nullptr;
    CFolder& folder = **found;
    CSignature now;
    if (!ReadSignature(m_strRoot + strName, now) || !now.SameObject(folder.signature) ||
        (!(now == folder.signature) && !folder.bEvents)) {
        DropFolder(strName);
        return nullptr;
    }
    folder.signature = now;
    folder.bEvents = false;
    folder.nLastUse = ++m_nUse;
    return &folder;
}

CHistoryIndex::CFolder* CHistoryIndex::Load(const std::string& strName)
{
    if (m_vFolders.size() >= kMaxFolders) {
        const auto oldest = std::min_element(m_vFolders.begin(), m_vFolders.end(), [](const auto& a, const auto& b) {
            return a->nLastUse < b->nLastUse;
        });
        DropFolder((*oldest)->strName);
    }
    const std::string path = m_strRoot + strName;
    // The watch comes first, so that a change during the listing below is reported afterwards.
    const int wd = ::inotify_add_watch(m_fd, path.c_str(), kWatchMask);
    if (wd < 0)
        return nullptr;
    // The same folder under two names (a link) shares one watch; such a folder is listed directly.
    if (wd == m_wdRoot ||
        std::any_of(m_vFolders.begin(), m_vFolders.end(), [wd](const auto& f) { return f->wd == wd; }))
        return nullptr;
    auto folder = std::make_unique<CFolder>();
    folder->strName = strName;
    folder->wd = wd;
    std::vector<std::string> names;
    if (!ReadSignature(path, folder->signature) || !ReadFolderNames(path, names)) {
        ::inotify_rm_watch(m_fd, wd);
        return nullptr;
    }
    for (const auto& name : names) {
        HistoryFileName fields;
        const int p = PlaneOfName(name, fields);
        if (p == 0)
            continue;
        const CEntry entry = MakeEntry(*folder, name, fields);
        folder->vPlanes[static_cast<std::size_t>(p)].push_back(entry);
        if (!IsRegular(entry))
            ++folder->vIrregular[static_cast<std::size_t>(p)];
    }
    for (std::size_t p = 1; p < folder->vPlanes.size(); ++p) {
        auto& plane = folder->vPlanes[p];
        std::sort(plane.begin(), plane.end(), [&](const CEntry& a, const CEntry& b) {
            return Compare(*folder, static_cast<int>(p), a, b) < 0;
        });
    }
    folder->nLastUse = ++m_nUse;
    m_vFolders.push_back(std::move(folder));
    return m_vFolders.back().get();
}

void CHistoryIndex::DropFolder(const std::string& strName)
{
    const auto found =
        std::find_if(m_vFolders.begin(), m_vFolders.end(), [&](const auto& f) { return f->strName == strName; });
    if (found == m_vFolders.end())
        return;
    ::inotify_rm_watch(m_fd, (*found)->wd);
    m_vFolders.erase(found);
}

void CHistoryIndex::DropAll()
{
    while (!m_vFolders.empty())
        DropFolder(m_vFolders.back()->strName);
    if (m_wdRoot >= 0)
        ::inotify_rm_watch(m_fd, m_wdRoot);
    m_wdRoot = -1;
    m_bRootListed = false;
    m_vMonths.clear();
}

bool CHistoryIndex::VisitPlaneFiles(const std::string& strFolder, bool bRequestedMonth, std::int64_t nNeedSeconds,
                                    bool bAfter, int p, const std::function<bool(const CPlaneFile&)>& visit,
                                    bool& bStopped)
{
    bStopped = false;
    if (m_fd < 0 || p < 1 || p > 99)
        return false;
    CFolder* folder = Folder(strFolder);
    if (folder == nullptr)
        folder = Load(strFolder);
    if (folder == nullptr)
        return false;
    const auto& plane = folder->vPlanes[static_cast<std::size_t>(p)];
    const std::size_t count = plane.size();
    const auto seconds = [](const CEntry& entry) {
        return SecondsInMonth(entry.nDay, entry.nHour, entry.nMinute, entry.nSecond);
    };
    // Files on the searched side, counted from the search's start: all but `skip` of them.
    std::size_t skip = 0;
    if (bRequestedMonth && folder->vIrregular[static_cast<std::size_t>(p)] == 0) {
        if (bAfter)
            skip = static_cast<std::size_t>(
                std::partition_point(plane.begin(), plane.end(),
                                     [&](const CEntry& entry) { return seconds(entry) < nNeedSeconds; }) -
                plane.begin());
        else
            skip = static_cast<std::size_t>(
                plane.end() - std::partition_point(plane.begin(), plane.end(), [&](const CEntry& entry) {
                    return seconds(entry) <= nNeedSeconds;
                }));
    }
    for (std::size_t k = skip; k < count; ++k) {
        const CEntry& entry = plane[bAfter ? k : count - 1 - k];
        CPlaneFile file;
        file.fields = Fields(*folder, p, entry);
        if (bRequestedMonth) {
            const std::int64_t at =
                SecondsInMonth(file.fields.nDay, file.fields.nHour, file.fields.nMinute, file.fields.nSecond);
            if (bAfter ? at < nNeedSeconds : at > nNeedSeconds)
                continue;
        }
        if (entry.nOdd >= 0)
            file.pName = &folder->vOdd[static_cast<std::size_t>(entry.nOdd)].strName;
        if (!visit(file)) {
            bStopped = true;
            return true;
        }
    }
    return true;
}
