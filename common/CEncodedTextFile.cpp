// CEncodedTextFile: encoding detection, the byte-wise UTF-8 decoding and the line rules when reading;
// byte-order marks, conversion and the 1024-byte output buffer when writing.
#include "CEncodedTextFile.h"

#include "TextConvert.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {
constexpr int kEnd = -1;
constexpr int kNoPeek = -2;
constexpr int kReplacement = 0xFFFD;
} // namespace

CEncodedTextFile::~CEncodedTextFile() { Close(); }

bool CEncodedTextFile::Close()
{
    bool bOk = true;
    if (m_nFile >= 0) {
        if (m_bWriting)
            bOk = FlushBuffer();
        if (::close(m_nFile) != 0 && m_bWriting && bOk) {
            m_nLastError = errno;
            bOk = false;
        }
    }
    m_nFile = -1;
    m_bWriting = false;
    m_nBufferLength = 0;
    m_nBufferPos = 0;
    m_bEndOfFile = false;
    m_nPeek = kNoPeek;
    m_bFirstLine = true;
    return bOk;
}

bool CEncodedTextFile::OpenRead(const std::string& strPath)
{
    Close();
    m_nLastError = 0;
    int file = -1;
    do {
        file = ::open(strPath.c_str(), O_RDONLY | O_CLOEXEC);
    } while (file < 0 && errno == EINTR);
    if (file < 0) {
        m_nLastError = errno;
        return false;
    }
    m_nFile = file;
    m_eEncoding = eEncodingAnsi;

    FillBuffer();
    const std::size_t have = m_nBufferLength;
    if (have >= 2 && m_buffer[0] == 0xFF && m_buffer[1] == 0xFE) {
        m_eEncoding = eEncodingUtf16LE;
        m_nBufferPos = 2;
    } else if (have >= 2 && m_buffer[0] == 0xFE && m_buffer[1] == 0xFF) {
        m_eEncoding = eEncodingUtf16BE;
        m_nBufferPos = 2;
    } else if (have >= 3 && m_buffer[0] == 0xEF && m_buffer[1] == 0xBB && m_buffer[2] == 0xBF) {
        m_eEncoding = eEncodingUtf8;
        m_nBufferPos = 3;
    }
    return true;
}

bool CEncodedTextFile::FillBuffer()
{
    m_nBufferPos = 0;
    m_nBufferLength = 0;
    if (m_nFile < 0 || m_bEndOfFile)
        return false;
    // The byte-order mark needs the first three bytes in one buffer, so a short read is topped up.
    while (m_nBufferLength < kBufferSize) {
        const ssize_t got = ::read(m_nFile, m_buffer + m_nBufferLength, kBufferSize - m_nBufferLength);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            m_bEndOfFile = true;
            break;
        }
        m_nBufferLength += static_cast<std::size_t>(got);
        if (m_nBufferLength >= 3)
            break;
    }
    return m_nBufferLength > 0;
}

int CEncodedTextFile::NextByte()
{
    if (m_nBufferPos >= m_nBufferLength && !FillBuffer())
        return kEnd;
    return m_buffer[m_nBufferPos++];
}

int CEncodedTextFile::NextUnit()
{
    if (m_nPeek != kNoPeek) {
        const int unit = m_nPeek;
        m_nPeek = kNoPeek;
        return unit;
    }
    switch (m_eEncoding) {
    case eEncodingUtf16LE:
    case eEncodingUtf16BE: {
        const int first = NextByte();
        if (first == kEnd)
            return kEnd;
        const int second = NextByte();
        if (second == kEnd)
            return kEnd;  // a truncated last unit is dropped
        return m_eEncoding == eEncodingUtf16LE ? (first | (second << 8)) : ((first << 8) | second);
    }
    case eEncodingUtf8: {
        const int lead = NextByte();
        if (lead == kEnd || lead < 0x80)
            return lead;
        // The following bytes are not examined: only their low six bits are used.
        int following = 0;
        int value = 0;
        if ((lead & 0xE0) == 0xC0) {
            following = 1;
            value = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            following = 2;
            value = lead & 0x0F;
        } else {
            return kReplacement;
        }
        for (int i = 0; i < following; ++i) {
            const int next = NextByte();
            if (next == kEnd)
                return kReplacement;
            value = (value << 6) | (next & 0x3F);
        }
        return value;
    }
    case eEncodingAnsi:
        break;
    }
    return NextByte();
}

int CEncodedTextFile::PeekUnit()
{
    if (m_nPeek == kNoPeek)
        m_nPeek = NextUnit();
    return m_nPeek;
}

bool CEncodedTextFile::ReadLine(std::u16string& strLine)
{
    strLine.clear();
    if (m_nFile < 0)
        return false;
    if (!m_bFirstLine) {
        if (PeekUnit() == '\r')
            NextUnit();
        if (PeekUnit() == '\n')
            NextUnit();
    }
    if (PeekUnit() == kEnd)
        return false;
    m_bFirstLine = false;

    std::string narrow;
    for (;;) {
        const int unit = NextUnit();
        if (unit == kEnd || unit == '\r' || unit == '\n')
            break;
        if (m_eEncoding == eEncodingAnsi)
            narrow.push_back(static_cast<char>(unit));
        else
            strLine.push_back(static_cast<char16_t>(unit));
    }
    if (m_eEncoding == eEncodingAnsi)
        strLine = NarrowToWide(narrow);
    return true;
}

bool CEncodedTextFile::OpenWrite(const std::string& strPath, eEncoding eEncodingToWrite)
{
    Close();
    m_nLastError = 0;
    int file = -1;
    do {
        file = ::open(strPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    } while (file < 0 && errno == EINTR);
    if (file < 0) {
        m_nLastError = errno;
        return false;
    }
    m_nFile = file;
    m_bWriting = true;
    m_eEncoding = eEncodingToWrite;
    switch (m_eEncoding) {
    case eEncodingUtf8:
        return WriteBytes("\xEF\xBB\xBF");
    case eEncodingUtf16LE:
        return WriteBytes("\xFF\xFE");
    case eEncodingUtf16BE:
        return WriteBytes("\xFE\xFF");
    case eEncodingAnsi:
        break;
    }
    return true;
}

bool CEncodedTextFile::Write(std::u16string_view strText)
{
    if (m_eEncoding == eEncodingUtf16LE || m_eEncoding == eEncodingUtf16BE) {
        const bool bLittle = m_eEncoding == eEncodingUtf16LE;
        for (const char16_t unit : strText) {
            const char low = static_cast<char>(unit & 0xFF);
            const char high = static_cast<char>(unit >> 8);
            const char pair[2] = {bLittle ? low : high, bLittle ? high : low};
            if (!WriteBytes(std::string_view(pair, 2)))
                return false;
        }
        return true;
    }
    return WriteBytes(WideToNarrow(strText));
}

bool CEncodedTextFile::WriteBytes(std::string_view bytes)
{
    if (m_nFile < 0 || !m_bWriting || m_nLastError != 0)
        return false;
    for (const char byte : bytes) {
        if (m_nBufferLength == kBufferSize && !FlushBuffer())
            return false;
        m_buffer[m_nBufferLength++] = static_cast<unsigned char>(byte);
    }
    return true;
}

bool CEncodedTextFile::FlushBuffer()
{
    if (m_nLastError != 0)
        return false;
    std::size_t done = 0;
    while (done < m_nBufferLength) {
        const ssize_t put = ::write(m_nFile, m_buffer + done, m_nBufferLength - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            m_nLastError = put < 0 ? errno : EIO;
            return false;
        }
        done += static_cast<std::size_t>(put);
    }
    m_nBufferLength = 0;
    return true;
}
