// The instrument sensor's configuration file: its keys, their defaults, the tables they fill and the
// line widths derived from them.
#pragma once

#include "CChannelInfo.h"
#include "CPlaneInfo.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CQuoraxConfig {
public:
    enum eReadResult {
        eReadOk,        // the whole file was read
        eReadNotFound,  // the file could not be opened
        eReadDummy,     // a non-zero Dummy line asks for the simulated sensor
    };

    // Bounds that keep an operator-written file from exhausting memory; larger values are limited.
    static constexpr std::int32_t kMaxChannels = 256;
    static constexpr std::int32_t kMaxSegmentsPerChannel = 1000;
    static constexpr std::int32_t kMaxLinesPerPlane = 1000;
    // Points per line before the line widths are known, and their upper limit.
    static constexpr std::int32_t kMaxPointsPerLine = 1000;
    // Address of an empty or malformed "IP": it never connects.
    static constexpr std::uint32_t kNoAddress = 0xFFFFFFFFU;

    // Reads the file at strPath (steps of the configuration reading, line by line).
    eReadResult Read(const std::string& strPath);
    // Handles one line; answers true when it is a Dummy line with a value other than 0.
    bool HandleLine(const std::u16string& strLine, int nLineNumber);
    // After reading: fills plane entries that no Plane line defined with planes without lines.
    void CompletePlanes();
    // Sizes every plane's lines from the widest segment that targets it.
    void SizeLines();
    // The history folder trimmed, '\' read as '/', ending in '/'; a relative folder is taken relative
    // to strConfigFolder. Empty stays empty.
    std::string NormalisedPostPlay(const std::string& strConfigFolder) const;
    // "IP" as an IPv4 address in network byte order, kNoAddress when empty or malformed.
    std::uint32_t ParsedAddress() const;

    std::vector<std::shared_ptr<CPlaneInfo>> m_vPlanes;
    std::vector<CChannelInfo> m_vChannels;
    std::u16string m_strIP;
    std::uint16_t m_wPort = 0;
    std::int32_t m_nScanTimeout = 300;
    std::u16string m_strPostPlay;
    bool m_bRestartDevice = false;
    bool m_bDebug = false;

private:
    void HandlePlane(std::u16string_view strRest, int nLineNumber);
    void HandleChan(std::u16string_view strRest, int nLineNumber);
    void HandleSeg(std::u16string_view strRest, int nLineNumber);
    void SetPlaneCount(std::int32_t nCount, int nLineNumber);
    void SetChannelCount(std::int32_t nCount, int nLineNumber);
};
