// Text file in one of four encodings: read line by line with the encoding recognised by its byte-order
// mark, or written in a chosen encoding through a buffer of 1024 bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

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

    // Creates the file for writing (an existing one is replaced) in the given encoding; every encoding
    // but narrow text begins with its byte-order mark. False when it cannot be created (see LastError).
    bool OpenWrite(const std::string& strPath, eEncoding eEncodingToWrite = eEncodingAnsi);
    // Appends wide text, converted to the file's encoding. False once a write to the file has failed.
    bool Write(std::u16string_view strText);
    // Appends bytes as they are (narrow text is written unconverted).
    bool WriteBytes(std::string_view bytes);
    // The errno of the failed open or write; 0 while nothing failed.
    int LastError() const { return m_nLastError; }

    // A file being written gets the rest of its buffer first; false when that or closing fails.
    bool Close();

private:
    bool FillBuffer();
    int NextByte();
    // Next 16-bit unit (for narrow text: next byte); -1 at the end.
    int NextUnit();
    int PeekUnit();
    bool FlushBuffer();

    int m_nFile = -1;
    eEncoding m_eEncoding = eEncodingAnsi;
    unsigned char m_buffer[kBufferSize] = {};
    std::size_t m_nBufferLength = 0;
    std::size_t m_nBufferPos = 0;
    bool m_bEndOfFile = false;
    int m_nPeek = -2;  // -2: nothing looked ahead
    bool m_bFirstLine = true;
    bool m_bWriting = false;
    int m_nLastError = 0;
};
