// The configuration tool's link to the instrument: one connection, its receive thread and the
// shared buffer pool. One stop flag ends the thread; traces of every command and packet are written.
#pragma once

#include "CReadBufferPool.h"
#include "LinkSocket.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

class CScannerLink {
public:
    CScannerLink() = default;
    ~CScannerLink();  // Disconnect, then the buffers go
    CScannerLink(const CScannerLink&) = delete;
    CScannerLink& operator=(const CScannerLink&) = delete;

    bool AllocateBuffers() { return m_pool.Allocate(); }
    void ReleaseBuffers() { m_pool.Release(); }

    // Connects (blocking) to the dotted-decimal address; host names are not resolved and never
    // connect. On success the receive thread runs. nError holds errno on failure.
    eLinkConnect Connect(const std::string& strAddress, std::uint16_t wPort, int& nError);
    // Sets the stop flag, shuts the socket down so that a blocked receive returns, waits for the
    // receive thread and closes the socket.
    void Disconnect();
    bool IsConnected() const { return m_socket >= 0; }

    // Sends the command and its zero byte; the send time is taken before sending.
    bool SendRequest(const char* szCommand, std::uint32_t& dwSendTime);
    // The first packet that arrived at or after the send time, without trailing zero, LF and CR
    // bytes; empty when none came within about one second.
    std::string FindAnswer(std::uint32_t dwSendTime);

    const CReadBufferPool& Pool() const { return m_pool; }

private:
    void ReadLoop(int nSocket);

    CReadBufferPool m_pool;
    int m_socket = -1;
    std::atomic<bool> m_bStop{false};
    std::thread m_threadRead;
};
