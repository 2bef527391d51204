// One receive buffer of an instrument link and what it holds.
#pragma once

#include <cstdint>

struct CReadBuffer {
    char* pData = nullptr;        // the buffer inside the pool's block
    std::int32_t nCapacity = 0;   // bytes a receive may store (a zero byte fits behind them)
    std::int32_t nLength = 0;     // bytes received
    std::uint32_t dwTick = 0;     // tick count at receipt
    std::int32_t nId = 0;         // packet number; 0 while the buffer is free
};
