// Plants of the instrument simulator and the server configuration that matches them.
#include "CInstrumentSimulator.h"

#include <algorithm>
#include <cstdio>

namespace {

void AppendFormatted(std::string& strOut, const char* pszFormat, auto... args)
{
    char buffer[512];
    const int n = std::snprintf(buffer, sizeof buffer, pszFormat, args...);
    if (n > 0)
        strOut.append(buffer, static_cast<std::size_t>(std::min<int>(n, static_cast<int>(sizeof buffer) - 1)));
}

} // namespace

SimPlant SimPlant::Demo()
{
    constexpr int kChannels = 4;
    constexpr int kPlanesPerChannel = 3;
    constexpr int kLinesPerPlane = 4;
    SimPlant plant;
    plant.dStep = 0.25;
    for (int c = 0; c < kChannels; ++c) {
        SimChannel channel;
        channel.nChannel = c + 1;
        channel.nTraceLength = 2400;
        int k = 0;
        for (int p = 0; p < kPlanesPerChannel; ++p) {
            for (int l = 0; l < kLinesPerPlane; ++l, ++k) {
                const double dStart = 5.0 + 42.0 * k;
                channel.vSegments.push_back({c * kPlanesPerChannel + p + 1, l + 1, dStart, dStart + 40.0});
            }
        }
        plant.vChannels.push_back(std::move(channel));
    }
    return plant;
}

SimPlant SimPlant::Small()
{
    SimPlant plant;
    plant.dStep = 0.25;
    plant.vChannels.push_back({1, {{1, 1, 0.0, 10.0}, {1, 2, 10.0, 20.0}, {2, 1, 20.0, 30.0}}, 200});
    plant.vChannels.push_back({2, {{1, 3, 5.0, 15.0}, {2, 2, 15.0, 25.0}}, 200});
    return plant;
}

std::string SimPlant::ConfigText(const std::string& strIp, int nPort, const std::string& strPostPlay) const
{
    // The segments the configuration tool keeps and in the order it keeps them: questions 1..100 only,
    // valid ones inserted before the first kept segment that does not start earlier.
    std::vector<std::vector<SimSegment>> vKept;
    int nPlanes = 0;
    for (const SimChannel& channel : vChannels) {
        std::vector<SimSegment> vSorted;
        const std::size_t nAsked = std::min<std::size_t>(channel.vSegments.size(), 100);
        for (std::size_t i = 0; i < nAsked; ++i) {
            const SimSegment& seg = channel.vSegments[i];
            if (!(seg.dEnd - seg.dStart > 0.001) || seg.nGroup < 1 || seg.nId < 1)
                continue;
            const auto it = std::find_if(vSorted.begin(), vSorted.end(),
                                         [&](const SimSegment& s) { return s.dStart >= seg.dStart; });
            vSorted.insert(it, seg);
            nPlanes = std::max(nPlanes, seg.nGroup);
        }
        vKept.push_back(std::move(vSorted));
    }
    std::vector<int> vPlaneLines(static_cast<std::size_t>(nPlanes), 0);
    for (const auto& vSegs : vKept)
        for (const SimSegment& seg : vSegs)
            vPlaneLines[static_cast<std::size_t>(seg.nGroup - 1)] =
                std::max(vPlaneLines[static_cast<std::size_t>(seg.nGroup - 1)], seg.nId);

    std::string strOut = "Dummy=0\nPostPlay=" + strPostPlay + "\nDebug=0\nRestartDevice=1\nScanTimeout=300\n";
    strOut += "IP=" + strIp + "\n";
    AppendFormatted(strOut, "Port=%d\n", nPort);
    AppendFormatted(strOut, "CntChan=%d\n", static_cast<int>(vChannels.size()));
    for (std::size_t c = 0; c < vChannels.size(); ++c) {
        strOut += "// \n";
        const int nSegs = static_cast<int>(vKept[c].size());
        if (dStep == 0.25)
            AppendFormatted(strOut, "Chan%d=%d_%d\n", static_cast<int>(c), vChannels[c].nChannel, nSegs);
        else
            AppendFormatted(strOut, "Chan%d=%d_%d_%g\n", static_cast<int>(c), vChannels[c].nChannel, nSegs, dStep);
        for (int s = 0; s < nSegs; ++s) {
            const SimSegment& seg = vKept[c][static_cast<std::size_t>(s)];
            AppendFormatted(strOut, "Seg%d_%d=%d_%d_%f_%f_%s\n", static_cast<int>(c), s, seg.nGroup, seg.nId,
                            static_cast<double>(static_cast<float>(seg.dStart)),
                            static_cast<double>(static_cast<float>(seg.dEnd)), s % 2 == 0 ? "LtR" : "RtL");
        }
    }
    strOut += "// ---------- //\n";
    AppendFormatted(strOut, "CntPlane=%d\n", nPlanes);
    for (int p = 0; p < nPlanes; ++p)
        AppendFormatted(strOut, "Plane%d=%d_%s\n", p, vPlaneLines[static_cast<std::size_t>(p)],
                        p % 2 == 0 ? "DtU" : "UtD");
    return strOut;
}
