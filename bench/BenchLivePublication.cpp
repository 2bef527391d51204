// Publication of one changed plane of 1000 x 40 cells into the LIVE region, and its consistent copy
// by a reader.
#include "CBrokerRegions.h"
#include "CLiveRegionReader.h"
#include "DebugOutput.h"
#include "SharedRegionLayout.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

class BenchSensor : public CTermoSensor {
public:
    BenchSensor()
    {
        for (int i = 0; i < 12; ++i) {
            std::int32_t dx = 0;
            std::int32_t dy = 0;
            CPlaneInfo::NominalExtents(i, dx, dy);
            m_vPlanes.push_back(std::make_shared<CPlaneInfo>(dx, dy, 40, 1000, false));
        }
        ResetDirtyFlags();
    }
    HRESULT InitSensor() override { return S_OK; }
    void Touch(int nGlobalIndex)
    {
        std::lock_guard<std::mutex> guard(m_vPlanes[static_cast<std::size_t>(nGlobalIndex)]->m_mutex);
        SetDirty(nGlobalIndex);
    }
};

struct Setup {
    Setup()
    {
        SetDebugOutputSink([](std::string_view) {}, false);
        ::setenv(kRegionSuffixVariable, ("-bench-" + std::to_string(::getpid())).c_str(), 1);
        regions.InitSharedInfo(&sensor);
    }
    BenchSensor sensor;
    CBrokerRegions regions;
};

void BM_PublishChangedPlane(benchmark::State& state)
{
    Setup setup;
    if (setup.regions.LiveSize() == 0) {
        state.SkipWithError("regions not created");
        return;
    }
    for (auto _ : state) {
        setup.sensor.Touch(7);
        setup.regions.PublishDirtyPlanes(setup.sensor);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 40'000 * 4);
}
BENCHMARK(BM_PublishChangedPlane);

void BM_PublishPassWithoutChanges(benchmark::State& state)
{
    Setup setup;
    for (auto _ : state)
        setup.regions.PublishDirtyPlanes(setup.sensor);
}
BENCHMARK(BM_PublishPassWithoutChanges);

void BM_ReaderConsistentCopy(benchmark::State& state)
{
    Setup setup;
    CLiveRegionReader reader;
    if (reader.Open(LiveRegionName(), setup.regions.LiveSize()) != eRegionStatus_Ok) {
        state.SkipWithError("region not readable");
        return;
    }
    std::vector<float> cells;
    for (auto _ : state)
        benchmark::DoNotOptimize(reader.CopyTemperatures(7, cells));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 40'000 * 4);
}
BENCHMARK(BM_ReaderConsistentCopy);

}  // namespace

BENCHMARK_MAIN();
