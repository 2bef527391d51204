// The index of the history search answers exactly as listing the folders afresh, also when files and
// folders appear, vanish or are replaced by other hands between two calls.
#include "CHistorySearch.h"
#include "HistoryTestSupport.h"
#include "LogCapture.h"

#include <filesystem>
#include <random>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

class TwoSearches : public ::testing::Test {
protected:
    // Asks both searches the same questions and expects the same answers.
    void ExpectSameAnswers(std::mt19937& random, int questions)
    {
        std::uniform_int_distribution<int> month(1, 5);
        std::uniform_int_distribution<int> day(1, 28);
        std::uniform_int_distribution<int> hour(0, 23);
        std::uniform_int_distribution<int> plane(0, 2);
        std::uniform_int_distribution<int> tenths(0, 60);
        for (int q = 0; q < questions; ++q) {
            const FILETIME64 at = LocalTime(2024, month(random), day(random), hour(random), 0, 0);
            const bool after = (random() & 1) != 0;
            const int g = plane(random);
            const float lower = static_cast<float>(tenths(random));
            const float upper = lower + static_cast<float>(tenths(random));
            SCOPED_TRACE(::testing::Message() << "question " << q << " plane " << g << " after " << after);

            FILETIME64 has[2] = {};
            float lowest[2] = {};
            float highest[2] = {};
            bool found[2];
            found[0] = m_listing.FindHistory(g, at, after, lower, upper, has[0], lowest[0], highest[0]);
            found[1] = m_index.FindHistory(g, at, after, lower, upper, has[1], lowest[1], highest[1]);
            ASSERT_EQ(found[0], found[1]);
            if (found[0]) {
                EXPECT_EQ(has[0], has[1]);
                EXPECT_EQ(lowest[0], lowest[1]);
                EXPECT_EQ(highest[0], highest[1]);
            }

            FILETIME64 from[2] = {};
            FILETIME64 to[2] = {};
            found[0] = m_listing.GetErrorInterval(g, at, after, lower, upper, from[0], to[0]);
            found[1] = m_index.GetErrorInterval(g, at, after, lower, upper, from[1], to[1]);
            ASSERT_EQ(found[0], found[1]);
            if (found[0]) {
                EXPECT_EQ(from[0], from[1]);
                EXPECT_EQ(to[0], to[1]);
            }

            HistoryImage image[2];
            found[0] = m_listing.FillHistoryData(g, at, image[0]);
            found[1] = m_index.FillHistoryData(g, at, image[1]);
            ASSERT_EQ(found[0], found[1]);
            EXPECT_EQ(image[0].ftTime, image[1].ftTime);
            EXPECT_EQ(image[0].nLowest, image[1].nLowest);
            EXPECT_EQ(image[0].vCells, image[1].vCells);
        }
    }

    ScopedTimeZone m_zone;
    LogCapture m_log;  // keeps the expected read failures out of the output
    TempDir m_dir;
    std::string m_strRoot = m_dir.Path() + "/";
    CHistorySearch m_listing{m_strRoot, CHistorySearch::eListing};
    CHistorySearch m_index{m_strRoot, CHistorySearch::eIndexed};
};

std::vector<fs::path> Files(const std::string& root)
{
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

TEST_F(TwoSearches, AnswerAlikeWhileOtherHandsChangeTheFolders)
{
    std::mt19937 random(20240307);
    std::uniform_int_distribution<int> month(2, 4);
    std::uniform_int_distribution<int> day(1, 28);
    std::uniform_int_distribution<int> hour(0, 23);
    std::uniform_int_distribution<int> plane(1, 3);
    std::uniform_int_distribution<int> tenths(-100, 700);
    const auto folderOf = [&](int m) { return FormatMonthFolder(2024, m); };
    const auto addFile = [&] {
        const int lowest = tenths(random);
        StoreImage(m_dir, folderOf(month(random)), plane(random), day(random), hour(random), 0, 0, lowest,
                   lowest + tenths(random) / 4);
    };
    for (int i = 0; i < 60; ++i)
        addFile();
    ExpectSameAnswers(random, 20);

    const char* oddNames[] = {"Plane01_d7___hms1_0_0__t100_200.prlimg", "Plane02_d07___hms05_00_00__t1_2 copy.prlimg",
                              "Plane01_d 9___hms10_00_00__t50_60.prlimg", "Plane03_d10___hms10_00_00__t5.prlimg",
                              "Plane01_d12___hms99_00_00__t1_2.prlimg"};
    for (int step = 0; step < 120; ++step) {
        const auto files = Files(m_strRoot);
        switch (random() % 8) {
        case 0:
        case 1:
            addFile();
            break;
        case 2:
            if (!files.empty())
                fs::remove(files[random() % files.size()]);
            break;
        case 3:
            if (!files.empty()) {
                const fs::path from = files[random() % files.size()];
                HistoryFileName name;
                name.nPlane = plane(random);
                name.nDay = day(random);
                name.nHour = hour(random);
                name.nLowest = tenths(random);
                name.nHighest = name.nLowest + 10;
                const std::string folder = m_strRoot + folderOf(month(random));
                fs::create_directories(folder);
                fs::rename(from, folder + "/" + FormatImageFileName(name));
            }
            break;
        case 4:
            m_dir.Write(folderOf(month(random)) + "/" + oddNames[random() % std::size(oddNames)],
                        ImageFileBytes(4, 2, 8, std::vector<std::uint8_t>(8, 2)));
            break;
        case 5: {
            // A month folder moved away, and a new one of that name with a single image.
            const std::string folder = folderOf(month(random));
            if (fs::exists(m_strRoot + folder)) {
                fs::remove_all(m_strRoot + "old");
                fs::rename(m_strRoot + folder, m_strRoot + "old");
            }
            StoreImage(m_dir, folder, 1, 15, 12, 0, 0, 0, 0);
            break;
        }
        case 6: {
            CHistoryData data;
            data.ftTime = LocalTime(2024, month(random), day(random), hour(random), 30, 0);
            data.nPlaneNumber = plane(random);
            data.nWidth = 4;
            data.nHeight = 2;
            data.nCapacity = 8;
            data.nLowest = tenths(random);
            data.nHighest = data.nLowest + 100;
            data.pCells = std::make_unique<std::uint8_t[]>(8);
            EXPECT_TRUE(WriteImageFile(data, m_strRoot));
            break;
        }
        default:
            fs::remove_all(m_strRoot + folderOf(month(random)));
            break;
        }
        ExpectSameAnswers(random, 3);
        if (HasFatalFailure())
            return;
    }
}

TEST_F(TwoSearches, AnswerAlikeWhenTheRootIsReplaced)
{
    std::mt19937 random(7);
    StoreImage(m_dir, "2024_03", 1, 7, 10, 0, 0, 0, 0);
    ExpectSameAnswers(random, 5);

    // The root's path now leads to another folder, unknown to the index's watches.
    TempDir other;
    const std::string root = m_dir.Path();
    fs::rename(root, other.Path() + "/moved");
    fs::create_directories(root);
    StoreImage(m_dir, "2024_04", 2, 1, 0, 0, 0, 0, 0);
    ExpectSameAnswers(random, 20);

    FILETIME64 has = 0;
    float lowest = 0;
    float highest = 0;
    EXPECT_FALSE(m_index.FindHistory(0, LocalTime(2024, 3, 1, 0, 0, 0), true, 300.0f, -300.0f, has, lowest, highest));
    EXPECT_TRUE(m_index.FindHistory(1, LocalTime(2024, 3, 1, 0, 0, 0), true, 300.0f, -300.0f, has, lowest, highest));
}

TEST_F(TwoSearches, AnswerAlikeForAFolderReachedThroughALink)
{
    std::mt19937 random(11);
    StoreImage(m_dir, "2024_03", 1, 7, 10, 0, 0, 0, 0);
    fs::create_directory_symlink(m_strRoot + "2024_03", m_strRoot + "2024_4");
    ExpectSameAnswers(random, 10);
    StoreImage(m_dir, "2024_03", 1, 20, 10, 0, 0, 0, 0);
    ExpectSameAnswers(random, 20);
}
