#include "TextConvert.h"

#include <gtest/gtest.h>

namespace {

struct LongCase {
    std::u16string text;
    std::int32_t value;
};

TEST(ParseLong, ReadsLikeWcstolIntoA32BitLong)
{
    const LongCase cases[] = {
        {u" 31850", 31850},      {u"31850x", 31850},   {u"", 0},          {u"abc", 0},
        {u"-12", -12},           {u"+7", 7},           {u"\t 5", 5},      {u"1.5", 1},
        {u"99999999999", 2147483647}, {u"-99999999999", -2147483647 - 1}, {u"- 5", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseLong(c.text), c.value) << std::string(c.text.begin(), c.text.end());
}

TEST(TextConversion, RoundTripsAndReplacesWhatCannotBeDecoded)
{
    EXPECT_EQ(WideToNarrow(NarrowToWide("Tank \xD0\x91 \xF0\x9F\x98\x80")), "Tank \xD0\x91 \xF0\x9F\x98\x80");
    EXPECT_EQ(NarrowToWide("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong form
    EXPECT_EQ(NarrowToWide("\xE2\x82"), u"\uFFFD");        // cut sequence
    EXPECT_EQ(WideToNarrow(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
    EXPECT_EQ(WcharToWide(WideToWchar(u"a\U0001F600b")), u"a\U0001F600b");
}

TEST(TextConversion, ComparesKeysWithoutRegardToCase)
{
    EXPECT_TRUE(StartsWithNoCase(u"ip=1", "IP"));
    EXPECT_TRUE(EqualsNoCase(u"utd", "UtD"));
    EXPECT_FALSE(EqualsNoCase(u"utdx", "UtD"));
    EXPECT_FALSE(StartsWithNoCase(u"I", "IP"));
}

} // namespace
