// CScannerLink: connection, receive thread, commands and answers of the configuration tool.
#include "CScannerLink.h"

#include "DebugOutput.h"
#include "TimeSource.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>

namespace {
// The receive thread looks at its stop flag at least this often while it waits for a buffer.
constexpr std::uint32_t kReadPollMs = 20;
constexpr std::uint32_t kClosedPollMs = 20;
constexpr std::uint32_t kWouldBlockMs = 100;
constexpr std::size_t kTraceSize = 512;

void TracePacket(const CReadBuffer& buffer)
{
    const char* const szFormat = "READ[id%d, size=%d]='%.*s'\n";
    // A packet too long for the trace buffer is shown by its beginning, the line still closed.
    const int nFrame = std::snprintf(nullptr, 0, szFormat, buffer.nId, buffer.nLength, 0, "");
    const int nRoom = static_cast<int>(kTraceSize) - 1 - nFrame;
    char text[kTraceSize];
    const int n = std::snprintf(text, sizeof(text), szFormat, buffer.nId, buffer.nLength, nRoom > 0 ? nRoom : 0, buffer.pData);
    if (n > 0)
        DebugOutputWrite(std::string_view(text, std::min<std::size_t>(static_cast<std::size_t>(n), sizeof(text) - 1)));
}
} // namespace

CScannerLink::~CScannerLink()
{
    Disconnect();
    m_pool.Release();
}

eLinkConnect CScannerLink::Connect(const std::string& strAddress, std::uint16_t wPort, int& nError)
{
    Disconnect();
    int nSocket = -1;
    const eLinkConnect result = LinkConnect(::inet_addr(strAddress.c_str()), wPort, nSocket, nError);
    if (result != eLinkConnected)
        return result;
    m_socket = nSocket;
    m_bStop = false;
    m_threadRead = std::thread([this, nSocket] { ReadLoop(nSocket); });
    return result;
}

void CScannerLink::Disconnect()
{
    m_bStop = true;
    int nError = 0;
    if (m_socket >= 0)
        LinkShutdown(m_socket, nError);
    m_pool.Wake();
    if (m_threadRead.joinable())
        m_threadRead.join();
    // Closed only after the thread ended, so its receive can never meet a reused descriptor.
    if (m_socket >= 0)
        LinkClose(m_socket);
    m_socket = -1;
}

void CScannerLink::ReadLoop(int nSocket)
{
    const auto stopped = [this] { return m_bStop.load(); };
    while (!m_bStop) {
        CReadBuffer buffer;
        if (!m_pool.TakeFree(buffer, kReadPollMs, stopped))
            continue;
        int nError = 0;
        const int nCount = LinkReceive(nSocket, buffer, nError);
        if (m_bStop) {
            m_pool.GiveBack(buffer);
            return;
        }
        if (nCount > 0) {
            CReadBufferPool::Stamp(buffer, nCount);
            TracePacket(buffer);
            m_pool.PushReceived(buffer);
            continue;
        }
        m_pool.GiveBack(buffer);
        if (nCount == 0)
            TimeSource().Sleep(kClosedPollMs);
        else if (nError == EAGAIN || nError == EWOULDBLOCK || nError == EMSGSIZE)
            TimeSource().Sleep(kWouldBlockMs);
        else if (nError != EINTR)
            return;
    }
}

bool CScannerLink::SendRequest(const char* szCommand, std::uint32_t& dwSendTime)
{
    DebugOutputWrite(std::string("SEND '") + szCommand + "'\n");
    dwSendTime = TimeSource().TickCount();
    int nError = 0;
    return m_socket >= 0 && LinkSend(m_socket, szCommand, nError);
}

std::string CScannerLink::FindAnswer(std::uint32_t dwSendTime)
{
    CReadBuffer buffer;
    if (!m_pool.FindAnswerBuffer(dwSendTime, buffer))
        return {};
    std::string strAnswer = CReadBufferPool::AnswerText(buffer);
    m_pool.GiveBack(buffer);
    return strAnswer;
}
