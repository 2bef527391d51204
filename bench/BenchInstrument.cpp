// Speed of the instrument sensor: a question answered by a prompt instrument on loopback, and the
// distribution of one long trace over twelve planes.
#include "CInstrumentSimulator.h"
#include "CTermoSensor4Quorax.h"
#include "DebugOutput.h"
#include "BenchAllocationCount.h"
#include "LinkSocket.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <memory>
#include <thread>

namespace {

class CBenchSensor : public CTermoSensor4Quorax {
public:
    CBenchSensor() : CTermoSensor4Quorax("/nonexistent.ini") {}
    ~CBenchSensor() override { Close(); }

    bool Open(std::uint16_t wPort)
    {
        if (!m_buffers.Allocate())
            return false;
        m_nLinkSocket = Connect(htonl(INADDR_LOOPBACK), wPort);
        if (m_nLinkSocket < 0)
            return false;
        m_bCancel = false;
        m_threadRead = std::thread([this] { ReadLoop(m_nLinkSocket); });
        return true;
    }
    void Close()
    {
        if (m_nLinkSocket < 0)
            return;
        m_bCancel = true;
        m_buffers.Wake();
        Disconnect(m_nLinkSocket);
        m_threadRead.join();
        LinkClose(m_nLinkSocket);
        m_nLinkSocket = -1;
    }
    std::string Ask(const char* szCommand)
    {
        std::uint32_t dwSendTick = 0;
        if (!SendRequest(m_nLinkSocket, szCommand, dwSendTick))
            return {};
        return FindAnswer(dwSendTick);
    }

    // 12 planes of 20 lines, one channel whose 240 segments cover 50,000 samples of step 0.25.
    void BuildPlant()
    {
        CChannelInfo channel{1, 0.25f, {}};
        const double dLength = 50000 * 0.25 / 240;
        for (int s = 0; s < 240; ++s)
            channel.vSegments.push_back(
                CSegmentInfo{s / 20 + 1, s % 20 + 1, s * dLength, (s + 1) * dLength, s % 2 == 1});
        m_vChannels = {channel};
        for (int j = 0; j < 12; ++j) {
            m_vPlanes.push_back(std::make_shared<CPlaneInfo>(137, 40, 20, 228, j % 2 == 1));
            m_vLineTicks.emplace_back(20, 0U);
        }
        ResetDirtyFlags();
    }
    void Distribute(const std::vector<float>& vTrace)
    {
        DistributeTrace(vTrace.data(), static_cast<std::int32_t>(vTrace.size()), 1, 0.25);
    }

private:
    int m_nLinkSocket = -1;
};

void BM_QuestionToAnswerOnLoopback(benchmark::State& state)
{
    SetDebugOutputSink([](std::string_view) {}, false);
    CInstrumentSimulator sim(SimPlant::Small());
    if (!sim.Start()) {
        state.SkipWithError("simulator did not start");
        return;
    }
    {
        CBenchSensor sensor;
        if (!sensor.Open(sim.Port())) {
            state.SkipWithError("no connection");
            return;
        }
        for (auto _ : state) {
            const std::string strAnswer = sensor.Ask(":READ:TRAC:IND?\n");
            if (strAnswer.empty()) {
                state.SkipWithError("no answer");
                break;
            }
            benchmark::DoNotOptimize(strAnswer.data());
        }
    }
    sim.Stop();
    SetDebugOutputSink({});
}
BENCHMARK(BM_QuestionToAnswerOnLoopback)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_DistributeTraceOverTwelvePlanes(benchmark::State& state)
{
    CBenchSensor sensor;
    sensor.BuildPlant();
    std::vector<float> vTrace(50000);
    for (std::size_t i = 0; i < vTrace.size(); ++i)
        vTrace[i] = 15.0f + static_cast<float>(i % 97) * 0.1f;
    sensor.Distribute(vTrace);
    const std::size_t nBefore = BenchAllocationCount();
    for (auto _ : state)
        sensor.Distribute(vTrace);
    state.counters["allocs_per_trace"] =
        static_cast<double>(BenchAllocationCount() - nBefore) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_DistributeTraceOverTwelvePlanes)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
