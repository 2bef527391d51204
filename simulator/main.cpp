// PyrolanInstrumentSim: serves the simulated instrument on 127.0.0.1 until SIGTERM or SIGINT.
#include "CInstrumentSimulator.h"
#include "TimeSource.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>

namespace {

void PrintUsage()
{
    std::cerr << "usage: PyrolanInstrumentSim [--port N] [--plant demo|small] [--trace-interval-ms N]\n"
                 "                            [--seed N] [--write-config FILE] [--history DIR]\n";
}

bool ParseNumber(const char* pszText, long long nMin, long long nMax, long long& nValue)
{
    char* pEnd = nullptr;
    errno = 0;
    nValue = std::strtoll(pszText, &pEnd, 10);
    return errno == 0 && pEnd != pszText && *pEnd == '\0' && nValue >= nMin && nValue <= nMax;
}

} // namespace

int main(int argc, char** argv)
{
    long long nPort = 0;
    long long nInterval = 10000;
    long long nSeed = 1;
    std::string strPlant = "demo";
    std::string strConfig;
    std::string strHistory;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg(argv[i]);
        const bool bHasValue = i + 1 < argc;
        bool bOk = bHasValue;
        if (arg == "--port" && bHasValue)
            bOk = ParseNumber(argv[++i], 0, 65535, nPort);
        else if (arg == "--trace-interval-ms" && bHasValue)
            bOk = ParseNumber(argv[++i], 0, 0xFFFFFFFFLL, nInterval);
        else if (arg == "--seed" && bHasValue)
            bOk = ParseNumber(argv[++i], 0, 0xFFFFFFFFLL, nSeed);
        else if (arg == "--plant" && bHasValue)
            strPlant = argv[++i];
        else if (arg == "--write-config" && bHasValue)
            strConfig = argv[++i];
        else if (arg == "--history" && bHasValue)
            strHistory = argv[++i];
        else
            bOk = false;
        if (!bOk || (strPlant != "demo" && strPlant != "small")) {
            std::cerr << "PyrolanInstrumentSim: bad argument '" << arg << "'\n";
            PrintUsage();
            return 2;
        }
    }
    ConfigureTimeSourceFromEnvironment();

    // Block the stop signals before any thread starts, so only sigwait below receives them.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    CInstrumentSimulator simulator(strPlant == "small" ? SimPlant::Small() : SimPlant::Demo(),
                                   static_cast<std::uint32_t>(nSeed));
    simulator.SetTraceIntervalMs(static_cast<std::uint32_t>(nInterval));
    if (!simulator.Start(static_cast<std::uint16_t>(nPort))) {
        std::cerr << "PyrolanInstrumentSim: cannot listen on 127.0.0.1:" << nPort << "\n";
        return 1;
    }
    if (!strConfig.empty()) {
        std::ofstream file(strConfig, std::ios::binary | std::ios::trunc);
        file << simulator.Plant().ConfigText("127.0.0.1", simulator.Port(), strHistory);
        file.close();
        if (!file) {
            std::cerr << "PyrolanInstrumentSim: cannot write the configuration '" << strConfig << "'\n";
            simulator.Stop();
            return 1;
        }
    }
    std::cout << "listening on 127.0.0.1:" << simulator.Port() << std::endl;

    int nSignal = 0;
    sigwait(&signals, &nSignal);
    simulator.Stop();
    return 0;
}
