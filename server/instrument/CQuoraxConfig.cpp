// Reading of the instrument sensor's configuration file.
#include "CQuoraxConfig.h"

#include "CEncodedTextFile.h"
#include "ConfigPattern.h"
#include "DebugPrint.h"
#include "PlantTypes.h"
#include "TextConvert.h"

#include <algorithm>
#include <arpa/inet.h>
#include <optional>

namespace {

// Longest piece of an ignored line quoted in its log line.
constexpr std::size_t kQuotedLineLimit = 200;

std::string Quote(std::u16string_view line)
{
    return WideToNarrow(line.substr(0, kQuotedLineLimit));
}

void LogIgnored(int nLineNumber, const char* szReason, std::u16string_view line)
{
    DebugPrint("InitSensor: line %d ignored (%s): '%s'\n", nLineNumber, szReason, Quote(line).c_str());
}

// The value of a simple key: the text after the first '=' behind the key, when the line begins with
// the key, is longer than it and holds such a '='.
std::optional<std::u16string_view> SimpleValue(std::u16string_view line, std::string_view key)
{
    if (line.size() <= key.size() || !StartsWithNoCase(line, key))
        return std::nullopt;
    const std::size_t equals = line.find(u'=', key.size());
    if (equals == std::u16string_view::npos)
        return std::nullopt;
    return line.substr(equals + 1);
}

bool IsSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

} // namespace

CQuoraxConfig::eReadResult CQuoraxConfig::Read(const std::string& strPath)
{
    CEncodedTextFile file;
    if (!file.OpenRead(strPath))
        return eReadNotFound;
    std::u16string line;
    int lineNumber = 0;
    while (file.ReadLine(line)) {
        ++lineNumber;
        if (HandleLine(line, lineNumber))
            return eReadDummy;
    }
    return eReadOk;
}

bool CQuoraxConfig::HandleLine(const std::u16string& strLine, int nLineNumber)
{
    const std::u16string_view line(strLine);
    if (auto value = SimpleValue(line, "Dummy"))
        return ParseLong(*value) != 0;
    if (auto value = SimpleValue(line, "IP")) {
        m_strIP.assign(*value);
        return false;
    }
    if (auto value = SimpleValue(line, "Port")) {
        m_wPort = static_cast<std::uint16_t>(static_cast<std::uint32_t>(ParseLong(*value)) & 0xFFFFU);
        return false;
    }
    if (auto value = SimpleValue(line, "CntPlane")) {
        SetPlaneCount(ParseLong(*value), nLineNumber);
        return false;
    }
    if (StartsWithNoCase(line, "Plane")) {
        HandlePlane(line.substr(5), nLineNumber);
        return false;
    }
    if (auto value = SimpleValue(line, "CntChan")) {
        SetChannelCount(ParseLong(*value), nLineNumber);
        return false;
    }
    if (StartsWithNoCase(line, "Chan")) {
        HandleChan(line.substr(4), nLineNumber);
        return false;
    }
    if (StartsWithNoCase(line, "Seg")) {
        HandleSeg(line.substr(3), nLineNumber);
        return false;
    }
    if (auto value = SimpleValue(line, "ScanTimeout")) {
        m_nScanTimeout = ParseLong(*value);
        return false;
    }
    if (auto value = SimpleValue(line, "PostPlay")) {
        m_strPostPlay.assign(*value);
        return false;
    }
    if (auto value = SimpleValue(line, "RestartDevice")) {
        m_bRestartDevice = ParseLong(*value) != 0;
        return false;
    }
    if (auto value = SimpleValue(line, "Debug")) {
        m_bDebug = ParseLong(*value) != 0;
        return false;
    }
    return false;
}

void CQuoraxConfig::SetPlaneCount(std::int32_t nCount, int nLineNumber)
{
    if (nCount < 0) {
        DebugPrint("InitSensor: line %d: CntPlane=%d is negative, taken as 0\n", nLineNumber, nCount);
        nCount = 0;
    } else if (nCount > kMaxPlanes) {
        DebugPrint("InitSensor: line %d: CntPlane=%d limited to %d planes\n", nLineNumber, nCount, kMaxPlanes);
        nCount = kMaxPlanes;
    }
    m_vPlanes.resize(static_cast<std::size_t>(nCount));
}

void CQuoraxConfig::SetChannelCount(std::int32_t nCount, int nLineNumber)
{
    if (nCount < 0) {
        DebugPrint("InitSensor: line %d: CntChan=%d is negative, taken as 0\n", nLineNumber, nCount);
        nCount = 0;
    } else if (nCount > kMaxChannels) {
        DebugPrint("InitSensor: line %d: CntChan=%d limited to %d channels\n", nLineNumber, nCount, kMaxChannels);
        nCount = kMaxChannels;
    }
    m_vChannels.resize(static_cast<std::size_t>(nCount));
}

void CQuoraxConfig::HandlePlane(std::u16string_view strRest, int nLineNumber)
{
    std::int32_t index = 0;
    std::int32_t lines = 0;
    std::u16string word;
    const ConfigPatternField fields[] = {&index, &lines, &word};
    const int read = ScanConfigPattern(strRest, "%d=%d_%s", fields);
    if (read < 2)
        return;
    const std::u16string line = u"Plane" + std::u16string(strRest);
    if (index < 0 || index >= static_cast<std::int32_t>(m_vPlanes.size())) {
        LogIgnored(nLineNumber, "plane index outside CntPlane", line);
        return;
    }
    if (lines < 0) {
        LogIgnored(nLineNumber, "negative line count", line);
        return;
    }
    if (lines > kMaxLinesPerPlane) {
        DebugPrint("InitSensor: line %d: plane %d has %d lines, limited to %d\n", nLineNumber, index, lines,
                   kMaxLinesPerPlane);
        lines = kMaxLinesPerPlane;
    }
    const bool upsideDown = read >= 3 && EqualsNoCase(word, "UtD");
    std::int32_t dx = 0;
    std::int32_t dy = 0;
    CPlaneInfo::NominalExtents(index, dx, dy);
    m_vPlanes[static_cast<std::size_t>(index)] =
        std::make_shared<CPlaneInfo>(dx, dy, lines, kMaxPointsPerLine, upsideDown);
}

void CQuoraxConfig::HandleChan(std::u16string_view strRest, int nLineNumber)
{
    std::int32_t index = 0;
    std::int32_t channel = 0;
    std::int32_t segments = 0;
    float step = 0.25f;
    const ConfigPatternField fields[] = {&index, &channel, &segments, &step};
    const int read = ScanConfigPattern(strRest, "%d=%d_%d_%f", fields);
    if (read < 3)
        return;
    const std::u16string line = u"Chan" + std::u16string(strRest);
    if (index < 0 || index >= static_cast<std::int32_t>(m_vChannels.size())) {
        LogIgnored(nLineNumber, "channel index outside CntChan", line);
        return;
    }
    if (segments < 0) {
        LogIgnored(nLineNumber, "negative segment count", line);
        return;
    }
    if (segments > kMaxSegmentsPerChannel) {
        DebugPrint("InitSensor: line %d: channel record %d has %d segments, limited to %d\n", nLineNumber, index,
                   segments, kMaxSegmentsPerChannel);
        segments = kMaxSegmentsPerChannel;
    }
    if (read == 3)
        step = 0.25f;
    else
        step = std::clamp(step, 0.1f, 10.0f);
    CChannelInfo& record = m_vChannels[static_cast<std::size_t>(index)];
    record.nChannel = channel;
    record.fStep = step;
    record.vSegments.assign(static_cast<std::size_t>(segments), CSegmentInfo{});
}

void CQuoraxConfig::HandleSeg(std::u16string_view strRest, int nLineNumber)
{
    std::int32_t index = 0;
    std::int32_t segment = 0;
    std::int32_t plane = 0;
    std::int32_t lineNumber = 0;
    float start = 0.0f;
    float end = 0.0f;
    std::u16string word;
    const ConfigPatternField fields[] = {&index, &segment, &plane, &lineNumber, &start, &end, &word};
    const int read = ScanConfigPattern(strRest, "%d_%d=%d_%d_%f_%f_%s", fields);
    if (read < 6)
        return;
    const std::u16string line = u"Seg" + std::u16string(strRest);
    if (index < 0 || index >= static_cast<std::int32_t>(m_vChannels.size())) {
        LogIgnored(nLineNumber, "channel record index outside CntChan", line);
        return;
    }
    CChannelInfo& record = m_vChannels[static_cast<std::size_t>(index)];
    if (segment < 0 || segment >= static_cast<std::int32_t>(record.vSegments.size())) {
        LogIgnored(nLineNumber, "segment index outside the channel's segment count", line);
        return;
    }
    CSegmentInfo& info = record.vSegments[static_cast<std::size_t>(segment)];
    info.nPlane = plane;
    info.nLine = lineNumber;
    info.dStart = start;
    info.dEnd = end;
    info.bRightToLeft = read >= 7 && EqualsNoCase(word, "RtL");
}

void CQuoraxConfig::CompletePlanes()
{
    for (std::size_t i = 0; i < m_vPlanes.size(); ++i) {
        if (m_vPlanes[i])
            continue;
        DebugPrint("InitSensor: plane entry %d has no Plane line, it is kept without lines\n", static_cast<int>(i));
        std::int32_t dx = 0;
        std::int32_t dy = 0;
        CPlaneInfo::NominalExtents(static_cast<int>(i), dx, dy);
        m_vPlanes[i] = std::make_shared<CPlaneInfo>(dx, dy, 0, kMaxPointsPerLine, false);
    }
}

void CQuoraxConfig::SizeLines()
{
    std::vector<std::int64_t> widest(m_vPlanes.size(), 100);
    for (const CChannelInfo& channel : m_vChannels) {
        for (const CSegmentInfo& segment : channel.vSegments) {
            const std::int32_t n = TruncateToInt32((segment.dEnd - segment.dStart) / channel.fStep + 0.499);
            if (segment.nPlane >= 1 && segment.nPlane <= static_cast<std::int32_t>(m_vPlanes.size())) {
                std::int64_t& maximum = widest[static_cast<std::size_t>(segment.nPlane - 1)];
                maximum = std::max<std::int64_t>(maximum, n);
            }
        }
    }
    for (std::size_t j = 0; j < m_vPlanes.size(); ++j) {
        const std::int64_t m = widest[j];
        std::int64_t w = m + m / 10;
        w -= w % 4;
        m_vPlanes[j]->Resize(static_cast<std::int32_t>(std::min<std::int64_t>(w, kMaxPointsPerLine)));
    }
}

std::string CQuoraxConfig::NormalisedPostPlay(const std::string& strConfigFolder) const
{
    std::u16string_view text(m_strPostPlay);
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back()))
        text.remove_suffix(1);
    if (text.empty())
        return {};
    std::string folder = WideToNarrow(text);
    std::replace(folder.begin(), folder.end(), '\\', '/');
    if (folder.back() != '/')
        folder.push_back('/');
    if (folder.front() != '/' && !strConfigFolder.empty()) {
        std::string base = strConfigFolder;
        if (base.back() != '/')
            base.push_back('/');
        folder = base + folder;
    }
    return folder;
}

std::uint32_t CQuoraxConfig::ParsedAddress() const
{
    std::u16string_view text(m_strIP);
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back()))
        text.remove_suffix(1);
    const std::string narrow = WideToNarrow(text);
    in_addr address{};
    if (narrow.empty() || inet_pton(AF_INET, narrow.c_str(), &address) != 1)
        return kNoAddress;
    return address.s_addr;
}
