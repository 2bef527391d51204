// The configuration tool against a prompt simulated instrument: a whole scan of 4 channels with 100
// segments each, through the tool's headless run (10 ms timer included), and one question's round trip.
#include "CInstrumentSimulator.h"
#include "CScannerLink.h"
#include "DebugOutput.h"
#include "HeadlessScan.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

SimPlant FourByHundred()
{
    SimPlant plant;
    for (int c = 0; c < 4; ++c) {
        SimChannel channel{c + 1, {}, 4400};
        for (int s = 0; s < 100; ++s)
            channel.vSegments.push_back({c * 3 + s / 34 + 1, s % 34 + 1, 5.0 + 10.0 * s, 14.5 + 10.0 * s});
        plant.vChannels.push_back(channel);
    }
    return plant;
}

// The traces of 1600 questions and answers would drown the figures.
struct QuietTraces {
    QuietTraces() { SetDebugOutputSink([](std::string_view) {}, false); }
    ~QuietTraces() { SetDebugOutputSink({}); }
};

void BM_ScanOfFourChannelsWithHundredSegments(benchmark::State& state)
{
    QuietTraces quiet;
    CInstrumentSimulator sim(FourByHundred());
    if (!sim.Start()) {
        state.SkipWithError("simulator did not start");
        return;
    }
    const std::string strOutput =
        (std::filesystem::temp_directory_path() / ("bench_scanner_" + std::to_string(::getpid()) + ".ini")).string();
    const std::string strTarget = "127.0.0.1:" + std::to_string(sim.Port());
    for (auto _ : state) {
        std::ostringstream out;
        std::ostringstream err;
        if (RunHeadlessScan(strTarget, strOutput, out, err) != 0) {
            state.SkipWithError(err.str().c_str());
            break;
        }
    }
    std::filesystem::remove(strOutput);
    state.counters["questions"] = benchmark::Counter(2 + 4 * 400);
}
BENCHMARK(BM_ScanOfFourChannelsWithHundredSegments)->Unit(benchmark::kSecond)->Iterations(3)->UseRealTime();

void BM_QuestionAndAnswer(benchmark::State& state)
{
    QuietTraces quiet;
    CInstrumentSimulator sim(FourByHundred());
    CScannerLink link;
    int nError = 0;
    if (!sim.Start() || !link.AllocateBuffers() || link.Connect("127.0.0.1", sim.Port(), nError) != eLinkConnected) {
        state.SkipWithError("no connection to the simulator");
        return;
    }
    for (auto _ : state) {
        std::uint32_t dwSendTime = 0;
        link.SendRequest(":CONF:CALC:SENS2:SEGM50:START?\n", dwSendTime);
        const std::string strAnswer = link.FindAnswer(dwSendTime);
        if (strAnswer.empty()) {
            state.SkipWithError("no answer");
            break;
        }
        benchmark::DoNotOptimize(strAnswer.data());
    }
    link.Disconnect();
}
BENCHMARK(BM_QuestionAndAnswer)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
