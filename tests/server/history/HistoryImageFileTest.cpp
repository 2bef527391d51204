// History image files: the stored layout, whole-or-nothing writing, and reading files whose header lies.
#include "HistoryImageFile.h"
#include "HistoryTestSupport.h"
#include "LogCapture.h"

#include <filesystem>
#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

std::uint32_t U32(const std::string& bytes, std::size_t at)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<std::uint8_t>(bytes[at + static_cast<std::size_t>(i)]);
    return value;
}

CHistoryData Record(FILETIME64 ft, int plane, int width, int height, std::int32_t lowest, std::int32_t highest,
                    int capacity = -1)
{
    CHistoryData data;
    data.ftTime = ft;
    data.nPlaneNumber = plane;
    data.nWidth = width;
    data.nHeight = height;
    data.nLowest = lowest;
    data.nHighest = highest;
    data.nCapacity = capacity < 0 ? width * height : capacity;
    data.pCells = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(data.nCapacity));
    for (int i = 0; i < data.nCapacity; ++i)
        data.pCells[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i % 256);
    return data;
}

std::vector<std::string> Entries(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

} // namespace

TEST(AWrittenImageFile, HasTheBitmapStyleLayoutInItsMonthFolder)
{
    ScopedTimeZone zone;
    TempDir dir;
    // Missing parents of the root are created too.
    const std::string root = dir.Path() + "/Data/PostPlay/";
    const CHistoryData data = Record(LocalTime(2024, 4, 1, 0, 0, 7), 3, 100, 10, -34, 120);
    ASSERT_TRUE(WriteImageFile(data, root));

    ASSERT_EQ(Entries(root + "2024_04"), std::vector<std::string>{"Plane03_d01___hms00_00_07__t-34_120.prlimg"});
    const std::string bytes = ReadWholeFile(root + "2024_04/Plane03_d01___hms00_00_07__t-34_120.prlimg");
    ASSERT_EQ(bytes.size(), 1054U);
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    EXPECT_EQ(U32(bytes, 2), 1054U);
    EXPECT_EQ(U32(bytes, 6), 0U);
    EXPECT_EQ(U32(bytes, 10), 54U);
    EXPECT_EQ(U32(bytes, 14), 40U);
    EXPECT_EQ(U32(bytes, 18), 100U);
    EXPECT_EQ(U32(bytes, 22), 10U);
    EXPECT_EQ(U32(bytes, 26), 0x00080001U);  // one plane, eight bits per pixel
    EXPECT_EQ(U32(bytes, 30), 0U);
    EXPECT_EQ(U32(bytes, 34), 1000U);
    for (std::size_t at = 38; at < 54; at += 4)
        EXPECT_EQ(U32(bytes, at), 0U) << at;
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[54 + 300]), 300 % 256);

    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t size = 0;
    std::vector<std::uint8_t> cells;
    ASSERT_TRUE(ReadImageFile(root, "2024_04", "Plane03_d01___hms00_00_07__t-34_120.prlimg", width, height, size, cells));
    EXPECT_EQ(width, 100);
    EXPECT_EQ(height, 10);
    EXPECT_EQ(size, 1000);
    EXPECT_EQ(std::string(cells.begin(), cells.end()), bytes.substr(54));
}

TEST(AWrittenImageFile, ReplacesTheImageOfTheSameSecondAndName)
{
    ScopedTimeZone zone;
    TempDir dir;
    const std::string root = dir.Path() + "/";
    const FILETIME64 ft = LocalTime(2024, 3, 7, 9, 5, 2);
    ASSERT_TRUE(WriteImageFile(Record(ft, 1, 8, 2, 10, 20), root));
    ASSERT_TRUE(WriteImageFile(Record(ft + 5'000'000, 1, 4, 2, 10, 20), root));
    ASSERT_EQ(Entries(root + "2024_03").size(), 1U);
    EXPECT_EQ(ReadWholeFile(root + "2024_03/Plane01_d07___hms09_05_02__t10_20.prlimg").size(), 62U);
}

TEST(AFailedImageWrite, LeavesNoFileBehind)
{
    ScopedTimeZone zone;
    TempDir dir;
    LogCapture log;
    const std::string root = dir.Path() + "/";
    const FILETIME64 ft = LocalTime(2024, 3, 7, 9, 5, 2);

    // A record whose buffer is smaller than its image is refused rather than read beyond its end.
    EXPECT_FALSE(WriteImageFile(Record(ft, 1, 8, 2, 10, 20, 4), root));
    EXPECT_TRUE(log.Contains("Can't write image data to output file !!!"));
    EXPECT_TRUE(Entries(root + "2024_03").empty());

    // The month folder cannot be made where a file of that name stands.
    dir.Write("2024_05", "not a folder");
    EXPECT_FALSE(WriteImageFile(Record(LocalTime(2024, 5, 1, 0, 0, 0), 1, 8, 2, 10, 20), root));
    EXPECT_TRUE(log.Contains("Can't create output file for image !!!"));
}

TEST(AnImageFileWhoseHeaderLies, IsNotReadAndNotAllocatedFor)
{
    TempDir dir;
    const std::string root = dir.Path() + "/";
    struct Case {
        const char* what;
        std::string bytes;
        const char* line;
    };
    const std::vector<std::uint8_t> eight(8, 1);
    const Case cases[] = {
        {"empty", "", "Can't read file header from image file !!!"},
        {"shorter than the file header", std::string(13, 'B'), "Can't read file header from image file !!!"},
        {"shorter than both headers", ImageFileBytes(4, 2, 8, {}).substr(0, 53), "Can't read image header from image file !!!"},
        {"data size beyond the bytes", ImageFileBytes(4, 2, 9, eight), "Can't read image data from image file !!!"},
        {"cells beyond the data size", ImageFileBytes(4, 3, 8, eight), "Can't allocate memory for image [4 x 3 = 8] from image file !!!"},
        {"negative width", ImageFileBytes(-4, -2, 8, eight), "Can't allocate memory for image [-4 x -2 = 8] from image file !!!"},
        {"huge data size", ImageFileBytes(65536, 32767, 2147483647, eight), "Can't allocate memory for image [65536 x 32767 = 2147483647] from image file !!!"},
        {"width x height overflowing", ImageFileBytes(65536, 65536, 8, eight), "Can't allocate memory for image [65536 x 65536 = 8] from image file !!!"},
        {"no cells", ImageFileBytes(0, 2, 0, {}), "Can't allocate memory for image [0 x 2 = 0] from image file !!!"},
    };
    for (const Case& c : cases) {
        LogCapture log;
        dir.Write("2024_03/bad.prlimg", c.bytes);
        std::int32_t width = 0;
        std::int32_t height = 0;
        std::int32_t size = 0;
        std::vector<std::uint8_t> cells{7};
        EXPECT_FALSE(ReadImageFile(root, "2024_03", "bad.prlimg", width, height, size, cells)) << c.what;
        EXPECT_TRUE(cells.empty()) << c.what;
        EXPECT_TRUE(log.Contains(c.line)) << c.what;
    }

    LogCapture log;
    ASSERT_EQ(::mkfifo(dir.File("2024_03/fifo.prlimg").c_str(), 0644), 0);
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t size = 0;
    std::vector<std::uint8_t> cells;
    EXPECT_FALSE(ReadImageFile(root, "2024_03", "fifo.prlimg", width, height, size, cells));
    EXPECT_FALSE(ReadImageFile(root, "2024_03", "missing.prlimg", width, height, size, cells));
    EXPECT_FALSE(ReadImageFile(root, "", "2024_03", width, height, size, cells));
    EXPECT_EQ(log.Messages().size(), 3U);
    EXPECT_TRUE(log.Contains("Can't open image file for reading !!!"));
}

TEST(AnImageFileWithMoreDataThanCells, IsReadInFull)
{
    TempDir dir;
    dir.Write("2024_03/more.prlimg", ImageFileBytes(4, 2, 10, std::vector<std::uint8_t>(10, 9)));
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t size = 0;
    std::vector<std::uint8_t> cells;
    ASSERT_TRUE(ReadImageFile(dir.Path() + "/", "2024_03", "more.prlimg", width, height, size, cells));
    EXPECT_EQ(size, 10);
    EXPECT_EQ(cells.size(), 10U);
}
