// Fuzz target: a history image file of arbitrary content (and temperature range in its name) found and
// read by the history search, then decoded into the HISTORY region.
#include "CBrokerRegions.h"
#include "CHistorySearch.h"
#include "DebugOutput.h"
#include "HistoryNames.h"
#include "SharedRegionLayout.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class CFuzzSensor : public CTermoSensor {
public:
    HRESULT InitSensor() override
    {
        m_vPlanes.push_back(std::make_shared<CPlaneInfo>(137, 40, 10, 100, false));
        ResetDirtyFlags();
        return S_OK;
    }
};

struct CFixture {
    CFixture()
    {
        SetDebugOutputSink([](std::string_view) {}, false);
        ::setenv("TZ", "UTC", 1);
        ::tzset();
        const std::string suffix = "-fuzz-history-" + std::to_string(::getpid());
        ::setenv(kRegionSuffixVariable, suffix.c_str(), 1);
        strRoot = "/tmp/pyrolan-fuzz-history-" + std::to_string(::getpid()) + "/";
        ::mkdir(strRoot.c_str(), 0755);
        ::mkdir((strRoot + "2024_01").c_str(), 0755);
        sensor.InitSensor();
        if (regions.InitSharedInfo(&sensor) != S_OK)
            __builtin_trap();
    }
    ~CFixture()
    {
        regions.CloseSharedInfo();
        std::error_code ignored;
        std::filesystem::remove_all(strRoot, ignored);
    }
    std::string strRoot;
    CFuzzSensor sensor;
    CBrokerRegions regions;
};

std::int32_t Take32(const std::uint8_t*& data, std::size_t& size)
{
    std::uint32_t value = 0;
    for (int i = 0; i < 4 && size > 0; ++i, --size)
        value |= static_cast<std::uint32_t>(*data++) << (8 * i);
    return static_cast<std::int32_t>(value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static CFixture fixture;
    // The first eight bytes give the lowest and highest tenths of the name, the rest is the file.
    HistoryFileName name{1, 1, 0, 0, 0, 0, 0};
    name.nLowest = Take32(data, size);
    name.nHighest = Take32(data, size);
    const std::string folder = fixture.strRoot + "2024_01/";
    std::filesystem::remove_all(folder);
    ::mkdir(folder.c_str(), 0755);
    std::FILE* file = std::fopen((folder + FormatImageFileName(name)).c_str(), "wb");
    if (file == nullptr)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    CHistorySearch search(fixture.strRoot, CHistorySearch::eListing);
    HistoryImage image;
    // 2024-01-01 00:00:00 UTC.
    const FILETIME64 ft = (1704067200ULL + static_cast<FILETIME64>(kFileTimeEpochOffsetSeconds)) * kFileTimeTicksPerSecond;
    if (!search.FillHistoryData(0, ft, image)) {
        if (!image.vCells.empty())
            __builtin_trap();
        return 0;
    }
    if (image.ftTime != ft || image.nDataSize <= 0 || image.vCells.size() != static_cast<std::size_t>(image.nDataSize) ||
        static_cast<std::int64_t>(image.nWidth) * image.nHeight > image.nDataSize ||
        54 + static_cast<std::size_t>(image.nDataSize) > size)
        __builtin_trap();

    if (fixture.regions.FillHistoryRegion(0, 0, image) == S_OK) {
        const std::byte* region = fixture.regions.HistoryView();
        for (std::int32_t i = 0; i < image.nDataSize; ++i) {
            float value = 0;
            std::memcpy(&value, region + HistoryRegionHeader::kTemperatures + 4 * static_cast<std::size_t>(i), 4);
            if (image.vCells[static_cast<std::size_t>(i)] == 0 && value != -300.0f)
                __builtin_trap();
        }
    }
    return 0;
}
