// PyrolanBrokerClient: creates the broker through the session bus (the bus starts the server) and
// prints every plane's line temperatures every few seconds, until Ctrl-C or the given time is over.
#include "IPyrolanBroker.h"
#include "PlantTypes.h"
#include "PyrolanBrokerFactory.h"
#include "PyrolanBusNames.h"
#include "TimeSource.h"

#include <QCoreApplication>
#include <QTimer>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::atomic<bool> g_bStopRequested{false};

void OnStopSignal(int) { g_bStopRequested = true; }

const char* const kPlaneNames[ePlaneMax] = {"bottom", "west", "east", "north", "south", "top"};

void PrintTemperature(float fValue)
{
    if (IsValidTemperature(fValue))
        std::printf("%.1f", static_cast<double>(fValue));
    else
        std::printf("--");
}

// One round over the plant; false when the broker stopped answering.
bool PrintPlant(IPyrolanBroker& broker)
{
    std::int32_t nTanks = 0;
    HRESULT hr = broker.get_TankNumber(&nTanks);
    if (FAILED(hr)) {
        std::printf("ERROR on pIBroker->get_TankNumber() : 0x%X/%d.\n", static_cast<unsigned>(hr), hr);
        return false;
    }
    std::printf("== %d tank(s)\n", nTanks);
    for (std::int32_t t = 0; t < nTanks; ++t) {
        std::int32_t nPlanes = 0;
        if (FAILED(broker.get_PlaneNumber(t, &nPlanes)))
            continue;
        for (std::int32_t p = 0; p < nPlanes; ++p) {
            std::int32_t nLines = 0;
            if (FAILED(broker.get_LinesNumber(t, p, &nLines)))
                continue;
            std::printf("tank %d plane %d (%s), %d lines (min/max/avg):", t, p, kPlaneNames[p % ePlaneMax], nLines);
            for (std::int32_t l = 0; l < nLines; ++l) {
                float fMin = kInvalidTemperature, fMax = kInvalidTemperature, fAvg = kInvalidTemperature;
                if (FAILED(broker.GetLineTemperature(t, p, l, &fMin, &fMax, &fAvg)))
                    continue;
                std::printf(" ");
                PrintTemperature(fMin);
                std::printf("/");
                PrintTemperature(fMax);
                std::printf("/");
                PrintTemperature(fAvg);
            }
            std::printf("\n");
        }
    }
    std::fflush(stdout);
    return true;
}

bool ParseCount(const char* pszText, long& nValue)
{
    char* pEnd = nullptr;
    nValue = std::strtol(pszText, &pEnd, 10);
    return pEnd != pszText && *pEnd == '\0' && nValue >= 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    long nSeconds = 0;
    long nIntervalMs = 3000;
    std::string strIdentifier = kBrokerClassId;
    for (int i = 1; i < argc; ++i) {
        const bool bHasValue = i + 1 < argc;
        bool bOk = bHasValue;
        if (std::strcmp(argv[i], "--seconds") == 0 && bHasValue)
            bOk = ParseCount(argv[++i], nSeconds);
        else if (std::strcmp(argv[i], "--interval-ms") == 0 && bHasValue)
            bOk = ParseCount(argv[++i], nIntervalMs) && nIntervalMs > 0;
        else if (std::strcmp(argv[i], "--identifier") == 0 && bHasValue)
            strIdentifier = argv[++i];
        else
            bOk = false;
        if (!bOk) {
            std::fprintf(stderr, "usage: PyrolanBrokerClient [--seconds N] [--interval-ms N] [--identifier ID]\n"
                                 "  N = 0 seconds: run until Ctrl-C\n");
            return 2;
        }
    }
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);

    std::shared_ptr<IPyrolanBroker> broker;
    const HRESULT hr = CreatePyrolanBroker(strIdentifier, &broker);
    if (FAILED(hr)) {
        std::printf("ERROR on CreatePyrolanBroker(%s) : 0x%X/%d.\n", strIdentifier.c_str(), static_cast<unsigned>(hr),
                    hr);
        return 1;
    }
    int nExitCode = 0;
    const std::uint32_t dwStart = TimeSource().TickCount();
    std::uint32_t dwLastPrint = dwStart;
    if (!PrintPlant(*broker))
        return 1;

    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const std::uint32_t now = TimeSource().TickCount();
        if (g_bStopRequested || (nSeconds > 0 && now - dwStart >= static_cast<std::uint32_t>(nSeconds) * 1000U)) {
            app.quit();
            return;
        }
        if (now - dwLastPrint >= static_cast<std::uint32_t>(nIntervalMs)) {
            dwLastPrint = now;
            if (!PrintPlant(*broker)) {
                nExitCode = 1;
                app.quit();
            }
        }
    });
    timer.start(100);
    app.exec();
    // Releasing the broker lets the server end when no other client holds it.
    broker.reset();
    return nExitCode;
}
