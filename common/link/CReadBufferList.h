// An ordered list of receive buffers with room for the whole pool, so moving a buffer never allocates.
#pragma once

#include "CReadBuffer.h"

#include <array>
#include <cstddef>

template <std::size_t kCapacity>
class CReadBufferList {
public:
    bool empty() const { return m_nSize == 0; }
    std::size_t size() const { return m_nSize; }
    void clear() { m_nSize = 0; }

    const CReadBuffer& front() const { return m_aItems[m_nHead]; }
    const CReadBuffer& operator[](std::size_t i) const { return m_aItems[(m_nHead + i) % kCapacity]; }

    // Answers false (and keeps the list) when it is full.
    bool push_front(const CReadBuffer& buffer)
    {
        if (m_nSize == kCapacity)
            return false;
        m_nHead = (m_nHead + kCapacity - 1) % kCapacity;
        m_aItems[m_nHead] = buffer;
        ++m_nSize;
        return true;
    }
    bool push_back(const CReadBuffer& buffer)
    {
        if (m_nSize == kCapacity)
            return false;
        m_aItems[(m_nHead + m_nSize) % kCapacity] = buffer;
        ++m_nSize;
        return true;
    }
    CReadBuffer pop_front()
    {
        CReadBuffer buffer = m_aItems[m_nHead];
        m_nHead = (m_nHead + 1) % kCapacity;
        --m_nSize;
        return buffer;
    }

private:
    std::array<CReadBuffer, kCapacity> m_aItems{};
    std::size_t m_nHead = 0;
    std::size_t m_nSize = 0;
};
