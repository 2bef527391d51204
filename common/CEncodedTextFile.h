// Text file in one of four encodings, recognised by its byte-order mark, read line by line.
#pragma once

#include <cstddef>
#include <string>

class CEncodedTextFile {
public:
    enum eEncoding {
        eEncodingAnsi = 0,   // narrow text of the C locale (UTF-8), no byte-order mark
        eEncodingUtf8 = 1,   // EF BB BF
        eEncodingUtf16LE = 2,  // FF FE
        eEncodingUtf16BE = 3,  // FE FF
    };

    static constexpr std::size_t kBufferSize = 1024;

    CEncodedTextFile() = default;
    ~CEncodedTextFile();
    CEncodedTextFile(const CEncodedTextFile&) = delete;
    CEncodedTextFile& operator=(const CEncodedTextFile&) = delete;

    // Opens an existing file for reading and recognises its encoding. False when it cannot be opened.
    bool OpenRead(const std::string& strPath);
    // The next line without its line end; false at the end of the file.
    bool ReadLine(std::u16string& strLine);
    eEncoding GetEncoding() const { return m_eEncoding; }
    bool IsOpen() const { return m_nFile >= 0; }
    void Close();

private:
    bool FillBuffer();
    int NextByte();
    // Next 16-bit unit (for narrow text: next byte); -1 at the end.
    int NextUnit();
    int PeekUnit();

    int m_nFile = -1;
    eEncoding m_eEncoding = eEncodingAnsi;
    unsigned char m_buffer[kBufferSize] = {};
    std::size_t m_nBufferLength = 0;
    std::size_t m_nBufferPos = 0;
    bool m_bEndOfFile = false;
    int m_nPeek = -2;  // -2: nothing looked ahead
    bool m_bFirstLine = true;
};
