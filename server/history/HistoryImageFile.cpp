// History image files in the bitmap-style layout: 14-byte file header, 40-byte information header, cells.
#include "HistoryImageFile.h"

#include "DebugPrint.h"
#include "HistoryNames.h"

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void PutU16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void PutU32(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::int32_t GetI32(const std::uint8_t* p)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
                                     (static_cast<std::uint32_t>(p[2]) << 16) |
                                     (static_cast<std::uint32_t>(p[3]) << 24));
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// Reads up to size bytes; answers how many arrived before the end of the file, or -1 on an error.
ssize_t ReadAll(int fd, std::uint8_t* data, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(fd, data + done, size - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<ssize_t>(done);
}

// Removes the temporary file of a failed write.
void Discard(CImageFile& file)
{
    ::close(file.fd);
    file.fd = -1;
    ::unlink(file.strTempPath.c_str());
}

} // namespace

void MakeDirectory(const std::string& strPath)
{
    if (::mkdir(strPath.c_str(), 0755) == 0 || errno != ENOENT)
        return;
    const std::size_t slash = strPath.rfind('/');
    if (slash == std::string::npos || slash == 0)
        return;
    MakeDirectory(strPath.substr(0, slash));
    ::mkdir(strPath.c_str(), 0755);
}

CImageFile CreateImageFile(int nPlaneNumber, const std::string& strRoot, FILETIME64 ftTime, std::int32_t nLowest,
                           std::int32_t nHighest)
{
    CImageFile file;
    CalendarTime local;
    if (!FileTimeToLocalCalendar(ftTime, local))
        return file;
    const std::string folder = strRoot + FormatMonthFolder(local.nYear, local.nMonth);
    HistoryFileName name;
    name.nPlane = nPlaneNumber;
    name.nDay = local.nDay;
    name.nHour = local.nHour;
    name.nMinute = local.nMinute;
    name.nSecond = local.nSecond;
    name.nLowest = nLowest;
    name.nHighest = nHighest;
    const std::string fileName = FormatImageFileName(name);
    file.strPath = folder + "/" + fileName;
    // A leading dot and a trailing ".tmp": matched neither by a plane's pattern nor by a month folder.
    file.strTempPath = folder + "/." + fileName + ".tmp";

    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0)
        MakeDirectory(folder);
    file.fd = ::open(file.strTempPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    return file;
}

bool WriteImageFile(const CHistoryData& data, const std::string& strRoot)
{
    CImageFile file = CreateImageFile(data.nPlaneNumber, strRoot, data.ftTime, data.nLowest, data.nHighest);
    if (file.fd < 0) {
        DebugPrint("Can't create output file for image !!!");
        return false;
    }
    const std::int64_t cells = static_cast<std::int64_t>(data.nWidth) * data.nHeight;
    const bool cellsPresent = data.nWidth >= 0 && data.nHeight >= 0 && cells <= data.nCapacity &&
                              (cells == 0 || data.pCells != nullptr);
    const auto dataSize = static_cast<std::uint32_t>(cellsPresent ? cells : 0);

    std::array<std::uint8_t, kImageFileHeaderSize> fileHeader{};
    PutU16(&fileHeader[0], 0x4D42);
    PutU32(&fileHeader[2], static_cast<std::uint32_t>(kImageHeaderSize) + dataSize);
    PutU32(&fileHeader[10], static_cast<std::uint32_t>(kImageHeaderSize));
    if (!WriteAll(file.fd, fileHeader.data(), fileHeader.size())) {
        DebugPrint("Can't write file header to output file !!!");
        Discard(file);
        return false;
    }

    std::array<std::uint8_t, kImageInfoHeaderSize> infoHeader{};
    PutU32(&infoHeader[0], static_cast<std::uint32_t>(kImageInfoHeaderSize));
    PutU32(&infoHeader[4], static_cast<std::uint32_t>(data.nWidth));
    PutU32(&infoHeader[8], static_cast<std::uint32_t>(data.nHeight));
    PutU16(&infoHeader[12], 1);
    PutU16(&infoHeader[14], 8);
    PutU32(&infoHeader[20], dataSize);
    if (!WriteAll(file.fd, infoHeader.data(), infoHeader.size())) {
        DebugPrint("Can't write image header to output file !!!");
        Discard(file);
        return false;
    }

    // A record whose buffer is smaller than width x height is refused rather than read beyond its end.
    if (!cellsPresent || !WriteAll(file.fd, data.pCells.get(), dataSize)) {
        DebugPrint("Can't write image data to output file !!!");
        Discard(file);
        return false;
    }
    if (::close(file.fd) != 0) {
        file.fd = -1;
        ::unlink(file.strTempPath.c_str());
        DebugPrint("Can't write image data to output file !!!");
        return false;
    }
    if (::rename(file.strTempPath.c_str(), file.strPath.c_str()) != 0) {
        ::unlink(file.strTempPath.c_str());
        DebugPrint("Can't create output file for image !!!");
        return false;
    }
    return true;
}

bool ReadImageFile(const std::string& strRoot, const std::string& strFolder, const std::string& strName,
                   std::int32_t& nWidth, std::int32_t& nHeight, std::int32_t& nDataSize,
                   std::vector<std::uint8_t>& vCells)
{
    vCells.clear();
    const std::string path = strRoot + strFolder + "/" + strName;
    // Non-blocking, so that a FIFO of that name cannot hold the caller; only regular files are read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        if (fd >= 0)
            ::close(fd);
        DebugPrint("Can't open image file for reading !!!");
        return false;
    }

    std::array<std::uint8_t, kImageHeaderSize> header{};
    if (ReadAll(fd, header.data(), kImageFileHeaderSize) != static_cast<ssize_t>(kImageFileHeaderSize)) {
        DebugPrint("Can't read file header from image file !!!");
        ::close(fd);
        return false;
    }
    if (ReadAll(fd, header.data() + kImageFileHeaderSize, kImageInfoHeaderSize) !=
        static_cast<ssize_t>(kImageInfoHeaderSize)) {
        DebugPrint("Can't read image header from image file !!!");
        ::close(fd);
        return false;
    }
    nWidth = GetI32(&header[kImageFileHeaderSize + 4]);
    nHeight = GetI32(&header[kImageFileHeaderSize + 8]);
    nDataSize = GetI32(&header[kImageFileHeaderSize + 20]);

    // The header is data from disk: sizes that cannot describe this image are not allocated for.
    const std::int64_t cells = static_cast<std::int64_t>(nWidth) * nHeight;
    if (nWidth < 0 || nHeight < 0 || nDataSize <= 0 || cells > nDataSize || nDataSize > kMaxImageCells) {
        DebugPrint("Can't allocate memory for image [%d x %d = %d] from image file !!!", nWidth, nHeight, nDataSize);
        ::close(fd);
        return false;
    }
    if (static_cast<std::int64_t>(kImageHeaderSize) + nDataSize > static_cast<std::int64_t>(info.st_size)) {
        DebugPrint("Can't read image data from image file !!!");
        ::close(fd);
        return false;
    }
    try {
        vCells.resize(static_cast<std::size_t>(nDataSize));
    } catch (const std::bad_alloc&) {
        DebugPrint("Can't allocate memory for image [%d x %d = %d] from image file !!!", nWidth, nHeight, nDataSize);
        ::close(fd);
        return false;
    }
    if (ReadAll(fd, vCells.data(), vCells.size()) != static_cast<ssize_t>(vCells.size())) {
        DebugPrint("Can't read image data from image file !!!");
        vCells.clear();
        ::close(fd);
        return false;
    }
    ::close(fd);
    return true;
}
