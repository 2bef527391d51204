// Bus round trips of GetPlaneTemperature and GetSharedName, through the client proxy, to a server
// that a private dbus-daemon started by activation, on a simulated plant.
#include "BusFixture.h"
#include "IPyrolanBroker.h"
#include "PyrolanBrokerFactory.h"
#include "PyrolanBusNames.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

struct BusSetup {
    TempDir dir;
    std::unique_ptr<BusFixture> bus;
    std::shared_ptr<IPyrolanBroker> broker;

    BusSetup()
    {
        BusFixture::Options options;
        options.strServerPath = PYROLAN_SERVER_PATH;
        options.strServerIni = dir.Write("PyrolanServer.ini", "Dummy=1\n");
        bus = std::make_unique<BusFixture>(options);
        if (!bus->Started() || FAILED(CreatePyrolanBroker(kBrokerClassId, &broker, bus->Connect())))
            std::fprintf(stderr, "bus setup failed: %s\n", bus->Error().c_str());
    }
};

BusSetup& Setup()
{
    static BusSetup setup;
    return setup;
}

void BM_BusGetPlaneTemperature(benchmark::State& state)
{
    IPyrolanBroker* broker = Setup().broker.get();
    if (broker == nullptr) {
        state.SkipWithError("no broker");
        return;
    }
    float fMin = 0.0f, fMax = 0.0f, fAvg = 0.0f;
    std::int32_t nMinLine = 0, nMaxLine = 0, nLast = 0;
    for (auto _ : state) {
        const HRESULT hr = broker->GetPlaneTemperature(0, 0, &fMin, &nMinLine, &fMax, &nMaxLine, &fAvg, &nLast);
        benchmark::DoNotOptimize(hr);
    }
}
BENCHMARK(BM_BusGetPlaneTemperature)->Unit(benchmark::kMicrosecond);

void BM_BusGetSharedName(benchmark::State& state)
{
    IPyrolanBroker* broker = Setup().broker.get();
    if (broker == nullptr) {
        state.SkipWithError("no broker");
        return;
    }
    std::string strName;
    std::int32_t nSize = 0;
    for (auto _ : state) {
        const HRESULT hr = broker->GetSharedName(&strName, &nSize);
        benchmark::DoNotOptimize(hr);
    }
}
BENCHMARK(BM_BusGetSharedName)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    Setup();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // The proxy lets go before the fixture stops the bus.
    Setup().broker.reset();
    return 0;
}
