#include "CEncodedTextFile.h"
#include "TempDir.h"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

std::vector<std::u16string> ReadBack(const std::string& path, CEncodedTextFile::eEncoding& encoding)
{
    CEncodedTextFile file;
    EXPECT_TRUE(file.OpenRead(path));
    encoding = file.GetEncoding();
    std::vector<std::u16string> lines;
    std::u16string line;
    while (file.ReadLine(line))
        lines.push_back(line);
    return lines;
}

TEST(AWrittenTextFile, HoldsNarrowTextWithoutAMarkAndReplacesAnExistingFile)
{
    TempDir dir;
    const std::string path = dir.Write("out.ini", "an older and much longer content of the file\n");
    CEncodedTextFile file;
    ASSERT_TRUE(file.OpenWrite(path));
    EXPECT_TRUE(file.Write(u"IP=caf\u00E9\n"));
    EXPECT_TRUE(file.WriteBytes("Port=1\n"));
    EXPECT_TRUE(file.Close());
    EXPECT_EQ(ReadWholeFile(path), "IP=caf\xC3\xA9\nPort=1\n");
}

TEST(AWrittenTextFile, ReadsBackTheSameLinesInEveryEncoding)
{
    TempDir dir;
    const std::u16string text = u"IP=127.0.0.1\nName=\u00C4\u20AC\nlast";
    for (const auto encoding : {CEncodedTextFile::eEncodingAnsi, CEncodedTextFile::eEncodingUtf8,
                                CEncodedTextFile::eEncodingUtf16LE, CEncodedTextFile::eEncodingUtf16BE}) {
        SCOPED_TRACE(static_cast<int>(encoding));
        const std::string path = dir.File("f" + std::to_string(static_cast<int>(encoding)));
        CEncodedTextFile file;
        ASSERT_TRUE(file.OpenWrite(path, encoding));
        ASSERT_TRUE(file.Write(text));
        ASSERT_TRUE(file.Close());
        CEncodedTextFile::eEncoding found{};
        EXPECT_EQ(ReadBack(path, found), (std::vector<std::u16string>{u"IP=127.0.0.1", u"Name=\u00C4\u20AC", u"last"}));
        EXPECT_EQ(found, encoding);
    }
}

TEST(AWrittenTextFile, ReachesTheDiskInPiecesOfItsBufferAndTheRestAtClosing)
{
    TempDir dir;
    const std::string path = dir.File("big.ini");
    std::string text;
    for (int i = 0; text.size() < 5000; ++i)
        text += "Seg0_" + std::to_string(i) + "=1_1_0.000000_10.000000_LtR\n";
    CEncodedTextFile file;
    ASSERT_TRUE(file.OpenWrite(path));
    ASSERT_TRUE(file.WriteBytes(text));
    EXPECT_EQ(std::filesystem::file_size(path), text.size() / CEncodedTextFile::kBufferSize * CEncodedTextFile::kBufferSize);
    ASSERT_TRUE(file.Close());
    EXPECT_EQ(ReadWholeFile(path), text);
}

TEST(AWrittenTextFile, ThatCannotBeCreatedReportsItsErrorAndCreatesNothing)
{
    TempDir dir;
    const std::string path = dir.File("missing/folder/out.ini");
    CEncodedTextFile file;
    EXPECT_FALSE(file.OpenWrite(path));
    EXPECT_EQ(file.LastError(), ENOENT);
    EXPECT_FALSE(file.WriteBytes("Dummy=0\n"));
    EXPECT_TRUE(file.Close());
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(AWrittenTextFile, StopsAtTheFirstFailedWriteAndKeepsItsError)
{
    CEncodedTextFile small;
    ASSERT_TRUE(small.OpenWrite("/dev/full"));
    EXPECT_TRUE(small.WriteBytes("short"));  // still in the buffer
    EXPECT_FALSE(small.Close());
    EXPECT_EQ(small.LastError(), ENOSPC);

    CEncodedTextFile large;
    ASSERT_TRUE(large.OpenWrite("/dev/full"));
    EXPECT_FALSE(large.WriteBytes(std::string(3000, 'x')));
    EXPECT_EQ(large.LastError(), ENOSPC);
    EXPECT_FALSE(large.WriteBytes("more"));
    EXPECT_FALSE(large.Close());
    EXPECT_EQ(large.LastError(), ENOSPC);
}

} // namespace
