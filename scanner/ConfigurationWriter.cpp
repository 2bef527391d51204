// WriteConfiguration: the fixed block, the instrument, channels with their segments, then the planes.
#include "ConfigurationWriter.h"

#include "CEncodedTextFile.h"

#include <algorithm>
#include <charconv>
#include <system_error>

namespace {

// The history folder lies beside the configuration file.
constexpr std::string_view kFixedBlock = "Dummy=0\nPostPlay=PostPlay\nDebug=0\nRestartDevice=1\nScanTimeout=300\n";

std::string Number(std::int64_t nValue) { return std::to_string(nValue); }

} // namespace

std::vector<std::int32_t> PlaneTable(const std::vector<ScanChannel>& vChannels)
{
    std::int32_t nPlanes = 0;
    for (const auto& channel : vChannels)
        for (const auto& segment : channel.vSegments)
            nPlanes = std::max(nPlanes, segment.nGroup);
    std::vector<std::int32_t> vPlanes(static_cast<std::size_t>(nPlanes), 0);
    for (const auto& channel : vChannels)
        for (const auto& segment : channel.vSegments)
            if (segment.nGroup >= 1) {
                auto& nLines = vPlanes[static_cast<std::size_t>(segment.nGroup - 1)];
                nLines = std::max(nLines, segment.nId);
            }
    return vPlanes;
}

std::string FormatPosition(double dValue)
{
    char text[400];
    const auto result = std::to_chars(text, text + sizeof(text), static_cast<double>(static_cast<float>(dValue)),
                                      std::chars_format::fixed, 6);
    return std::string(text, result.ptr);
}

std::string FileErrorText(const std::string& strPath, int nError, bool bCreating)
{
    return std::string(bCreating ? "The file " : "An error occurred while writing ") + "'" + strPath + "'" +
           (bCreating ? " could not be created: " : ": ") + std::generic_category().message(nError) + ".";
}

bool WriteConfiguration(const std::string& strPath, const std::vector<ScanChannel>& vChannels,
                        std::u16string_view strAddress, std::int32_t nPort, std::string& strError)
{
    strError.clear();
    const std::vector<std::int32_t> vPlanes = PlaneTable(vChannels);

    CEncodedTextFile file;
    if (!file.OpenWrite(strPath, CEncodedTextFile::eEncodingAnsi)) {
        strError = FileErrorText(strPath, file.LastError(), true);
        return false;
    }
    bool bOk = file.WriteBytes(kFixedBlock) && file.WriteBytes("IP=") && file.Write(strAddress) &&
               file.WriteBytes("\nPort=" + Number(nPort) + "\nCntChan=" + Number(static_cast<std::int64_t>(vChannels.size())) + "\n");
    for (std::size_t c = 0; bOk && c < vChannels.size(); ++c) {
        const ScanChannel& channel = vChannels[c];
        bOk = file.WriteBytes("// \nChan" + Number(static_cast<std::int64_t>(c)) + "=" + Number(channel.nChannel) + "_" +
                              Number(static_cast<std::int64_t>(channel.vSegments.size())) + "\n");
        for (std::size_t s = 0; bOk && s < channel.vSegments.size(); ++s) {
            const ScanSegment& segment = channel.vSegments[s];
            bOk = file.WriteBytes("Seg" + Number(static_cast<std::int64_t>(c)) + "_" + Number(static_cast<std::int64_t>(s)) + "=" +
                                  Number(segment.nGroup) + "_" + Number(segment.nId) + "_" + FormatPosition(segment.dStart) +
                                  "_" + FormatPosition(segment.dEnd) + (s % 2 == 0 ? "_LtR\n" : "_RtL\n"));
        }
    }
    if (bOk)
        bOk = file.WriteBytes("// ---------- //\nCntPlane=" + Number(static_cast<std::int64_t>(vPlanes.size())) + "\n");
    for (std::size_t p = 0; bOk && p < vPlanes.size(); ++p)
        bOk = file.WriteBytes("Plane" + Number(static_cast<std::int64_t>(p)) + "=" + Number(vPlanes[p]) +
                              (p % 2 == 0 ? "_DtU\n" : "_UtD\n"));
    if (!file.Close() || !bOk) {
        strError = FileErrorText(strPath, file.LastError(), false);
        return false;
    }
    return true;
}
