// History image files: creating, writing and reading one stored plane image.
#pragma once

#include "CHistoryData.h"
#include "FileTime.h"

#include <cstdint>
#include <string>
#include <vector>

inline constexpr std::size_t kImageFileHeaderSize = 14;
inline constexpr std::size_t kImageInfoHeaderSize = 40;
inline constexpr std::size_t kImageHeaderSize = kImageFileHeaderSize + kImageInfoHeaderSize;
// No plane has more: 1000 lines of at most 1000 points. A header asking for more is not believed.
inline constexpr std::int64_t kMaxImageCells = 1000 * 1000;

// A file opened for writing under a temporary name that no listing matches; WriteImageFile renames
// it to strPath once it is complete, so a reader finds a whole file or none.
struct CImageFile {
    int fd = -1;
    std::string strPath;
    std::string strTempPath;
};

// Creates the month folder when missing and the file (replacing a half-written one of the same name).
// fd is -1 when the time has no local form or the file cannot be created.
CImageFile CreateImageFile(int nPlaneNumber, const std::string& strRoot, FILETIME64 ftTime, std::int32_t nLowest,
                           std::int32_t nHighest);
// True only when the whole file was written and put in place; a failed file is removed.
bool WriteImageFile(const CHistoryData& data, const std::string& strRoot);
// Reads root + folder + "/" + name. False (and no cells) when the file cannot be opened or read, or its
// header does not describe the bytes that follow it.
bool ReadImageFile(const std::string& strRoot, const std::string& strFolder, const std::string& strName,
                   std::int32_t& nWidth, std::int32_t& nHeight, std::int32_t& nDataSize,
                   std::vector<std::uint8_t>& vCells);
// Creates the folder, creating missing parent folders first.
void MakeDirectory(const std::string& strPath);
