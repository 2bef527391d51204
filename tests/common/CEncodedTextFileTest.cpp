#include "CEncodedTextFile.h"
#include "TempDir.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::u16string> ReadAll(const std::string& path, CEncodedTextFile::eEncoding* encoding = nullptr)
{
    CEncodedTextFile file;
    EXPECT_TRUE(file.OpenRead(path));
    if (encoding != nullptr)
        *encoding = file.GetEncoding();
    std::vector<std::u16string> lines;
    std::u16string line;
    while (file.ReadLine(line))
        lines.push_back(line);
    return lines;
}

std::string Utf16(std::u16string_view text, bool bigEndian)
{
    std::string bytes = bigEndian ? std::string("\xFE\xFF") : std::string("\xFF\xFE");
    for (char16_t c : text) {
        const char hi = static_cast<char>(c >> 8);
        const char lo = static_cast<char>(c & 0xFF);
        bytes += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
    }
    return bytes;
}

struct LineEndCase {
    const char* name;
    std::string bytes;
    std::vector<std::u16string> lines;
    friend void PrintTo(const LineEndCase& value, std::ostream* os) { *os << value.name; }
};

class ALineSplitter : public ::testing::TestWithParam<LineEndCase> {};

TEST_P(ALineSplitter, EndsLinesAsTheLineRulesSay)
{
    TempDir dir;
    EXPECT_EQ(ReadAll(dir.Write("f.txt", GetParam().bytes)), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    LineEnds, ALineSplitter,
    ::testing::Values(LineEndCase{"CrLf", "a\r\nb", {u"a", u"b"}}, LineEndCase{"LfCr", "a\n\rb", {u"a", u"b"}},
                      LineEndCase{"CrCr", "a\r\rb", {u"a", u"b"}}, LineEndCase{"LfLf", "a\n\nb", {u"a", u"b"}},
                      LineEndCase{"LoneCr", "a\rb", {u"a", u"b"}}, LineEndCase{"LoneLf", "a\nb", {u"a", u"b"}},
                      LineEndCase{"CrLfCrLfEnclosesEmptyLine", "a\r\n\r\nb", {u"a", u"", u"b"}},
                      LineEndCase{"TrailingLineEndAddsNoLine", "a\r\n", {u"a"}},
                      LineEndCase{"LastLineWithoutEnd", "x=1", {u"x=1"}}, LineEndCase{"EmptyFile", "", {}},
                      LineEndCase{"OnlyLineEnds", "\r\n\r\n", {u"", u""}}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(AnEncodedTextFile, RecognisesEachByteOrderMarkAndReadsTheSameLines)
{
    TempDir dir;
    const std::u16string text = u"IP=127.0.0.1\r\nPort=31850\r\nPlane0=5_UtD";
    const std::vector<std::u16string> expected{u"IP=127.0.0.1", u"Port=31850", u"Plane0=5_UtD"};
    CEncodedTextFile::eEncoding encoding{};
    EXPECT_EQ(ReadAll(dir.Write("ansi", "IP=127.0.0.1\r\nPort=31850\r\nPlane0=5_UtD"), &encoding), expected);
    EXPECT_EQ(encoding, CEncodedTextFile::eEncodingAnsi);
    EXPECT_EQ(ReadAll(dir.Write("utf8", "\xEF\xBB\xBFIP=127.0.0.1\r\nPort=31850\r\nPlane0=5_UtD"), &encoding),
              expected);
    EXPECT_EQ(encoding, CEncodedTextFile::eEncodingUtf8);
    EXPECT_EQ(ReadAll(dir.Write("le", Utf16(text, false)), &encoding), expected);
    EXPECT_EQ(encoding, CEncodedTextFile::eEncodingUtf16LE);
    EXPECT_EQ(ReadAll(dir.Write("be", Utf16(text, true)), &encoding), expected);
    EXPECT_EQ(encoding, CEncodedTextFile::eEncodingUtf16BE);
}

TEST(AnEncodedTextFile, TakesAnIncompleteUtf8MarkForNarrowText)
{
    TempDir dir;
    CEncodedTextFile::eEncoding encoding{};
    const auto lines = ReadAll(dir.Write("f", "\xEF\xBBx"), &encoding);
    EXPECT_EQ(encoding, CEncodedTextFile::eEncodingAnsi);
    ASSERT_EQ(lines.size(), 1U);
    EXPECT_EQ(lines[0], std::u16string(u"\uFFFDx"));  // one replacement for the cut sequence
}

TEST(AnEncodedTextFile, DecodesUtf8ByteWiseWithoutLookingAtFollowingBytes)
{
    TempDir dir;
    // A two-byte lead swallows the LF behind it; a stray continuation byte and a four-byte sequence
    // give U+FFFD for each of their bytes.
    const auto lines = ReadAll(dir.Write("f", "\xEF\xBB\xBF\xC3\xA4|\xC3\n|\x80|\xF0\x9F\x98\x80|\xE2\x82\xAC"));
    ASSERT_EQ(lines.size(), 1U);
    const std::u16string expected = std::u16string(u"\u00E4|") + static_cast<char16_t>(((0xC3 & 0x1F) << 6) | (0x0A & 0x3F)) +
                                    u"|\uFFFD|\uFFFD\uFFFD\uFFFD\uFFFD|\u20AC";
    EXPECT_EQ(lines[0], expected);
}

TEST(AnEncodedTextFile, DecodesNarrowTextAsUtf8WithReplacementForBadBytes)
{
    TempDir dir;
    const auto lines = ReadAll(dir.Write("f", "caf\xC3\xA9 \xFF!"));
    ASSERT_EQ(lines.size(), 1U);
    EXPECT_EQ(lines[0], std::u16string(u"caf\u00E9 \uFFFD!"));
}

TEST(AnEncodedTextFile, ReadsLinesLongerThanItsBufferAndDropsATruncatedUtf16Unit)
{
    TempDir dir;
    const std::string longLine(5000, 'x');
    auto lines = ReadAll(dir.Write("long", longLine + "\r\nend"));
    ASSERT_EQ(lines.size(), 2U);
    EXPECT_EQ(lines[0].size(), 5000U);
    EXPECT_EQ(lines[1], u"end");

    std::string utf16 = Utf16(u"ab\ncd", false);
    utf16.push_back('e');  // half a unit
    lines = ReadAll(dir.Write("odd", utf16));
    EXPECT_EQ(lines, (std::vector<std::u16string>{u"ab", u"cd"}));
}

TEST(AnEncodedTextFile, FailsToOpenAMissingFile)
{
    CEncodedTextFile file;
    EXPECT_FALSE(file.OpenRead("/nonexistent/file.ini"));
    std::u16string line;
    EXPECT_FALSE(file.ReadLine(line));
}

} // namespace
