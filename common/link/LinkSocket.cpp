// POSIX socket calls of the instrument links.
#include "LinkSocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

eLinkConnect LinkConnect(std::uint32_t dwAddress, std::uint16_t wPort, int& nSocket, int& nError)
{
    nSocket = -1;
    // The broadcast address stands for an empty or malformed configured address.
    if (dwAddress == 0xFFFFFFFFU) {
        nError = EADDRNOTAVAIL;
        return eLinkConnectFailed;
    }
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (s < 0) {
        nError = errno;
        return eLinkSocketFailed;
    }
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(wPort);
    peer.sin_addr.s_addr = dwAddress;
    int rc;
    do {
        rc = ::connect(s, reinterpret_cast<const sockaddr*>(&peer), sizeof(peer));
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        nError = errno;
        ::close(s);
        return eLinkConnectFailed;
    }
    nSocket = s;
    nError = 0;
    return eLinkConnected;
}

bool LinkSend(int nSocket, const char* szCommand, int& nError)
{
    const char* data = szCommand;
    std::size_t left = std::strlen(szCommand) + 1;
    while (left > 0) {
        const ssize_t sent = ::send(nSocket, data, left, MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR)
                continue;
            nError = errno;
            return false;
        }
        data += sent;
        left -= static_cast<std::size_t>(sent);
    }
    nError = 0;
    return true;
}

int LinkReceive(int nSocket, CReadBuffer& buffer, int& nError)
{
    const ssize_t got = ::recv(nSocket, buffer.pData, static_cast<std::size_t>(buffer.nCapacity), 0);
    nError = got < 0 ? errno : 0;
    return static_cast<int>(got);
}

bool LinkShutdown(int nSocket, int& nError)
{
    if (::shutdown(nSocket, SHUT_RDWR) != 0) {
        nError = errno;
        return false;
    }
    nError = 0;
    return true;
}

void LinkClose(int nSocket) { ::close(nSocket); }
