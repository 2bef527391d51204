// The socket calls of an instrument link: IPv4 TCP client, commands with their zero byte, receives
// into a pool buffer. Errors come back as errno values; messages are the caller's.
#pragma once

#include "CReadBuffer.h"

#include <cstdint>

enum eLinkConnect {
    eLinkConnected,
    eLinkSocketFailed,   // socket() failed
    eLinkConnectFailed,  // connect() failed; the socket is already closed
};

// Connects (blocking) to dwAddress (network byte order) and wPort. The address 255.255.255.255 never
// connects: it fails with EADDRNOTAVAIL before any socket call.
eLinkConnect LinkConnect(std::uint32_t dwAddress, std::uint16_t wPort, int& nSocket, int& nError);
// Sends the text and its terminating zero byte, completing short sends; never raises SIGPIPE.
bool LinkSend(int nSocket, const char* szCommand, int& nError);
// One receive of up to nCapacity bytes: the count, 0 when the peer closed, -1 with nError on error.
int LinkReceive(int nSocket, CReadBuffer& buffer, int& nError);
// Shuts both directions down, which wakes a receive blocked on another thread.
bool LinkShutdown(int nSocket, int& nError);
void LinkClose(int nSocket);
