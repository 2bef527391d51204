// What the sensor main-loop thread is started with.
#pragma once

#include <cstdint>

class CTermoSensor4Quorax;

struct CMainLoopArgs {
    CTermoSensor4Quorax* pSensor = nullptr;
    std::uint32_t dwAddress = 0xFFFFFFFFU;  // network byte order
    std::uint16_t wPort = 0;
    bool bRestartDevice = false;
    std::int32_t nScanTimeout = 300;  // seconds
};
