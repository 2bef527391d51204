#include "ConfigPattern.h"

#include <gtest/gtest.h>

namespace {

TEST(ScanConfigPattern, CountsTheFieldsFilledBeforeTheFirstMismatch)
{
    std::int32_t a = 0, b = 0;
    std::u16string word;
    const ConfigPatternField fields[] = {&a, &b, &word};
    EXPECT_EQ(ScanConfigPattern(u"3=5_UtD", "%d=%d_%s", fields), 3);
    EXPECT_EQ(word, u"UtD");
    EXPECT_EQ(ScanConfigPattern(u"3=5", "%d=%d_%s", fields), 2);
    EXPECT_EQ(ScanConfigPattern(u"3 =5", "%d=%d_%s", fields), 1);
    EXPECT_EQ(ScanConfigPattern(u"=5", "%d=%d_%s", fields), 0);
    EXPECT_EQ(ScanConfigPattern(u" 3= -5_x", "%d=%d_%s", fields), 3);
    EXPECT_EQ(b, -5);
    EXPECT_EQ(ScanConfigPattern(u"3=5_abcdefghijklmnop", "%d=%d_%s", fields), 2);  // a word of 16 counts as missing
}

TEST(ScanConfigPattern, ReadsDecimalFloatsOnly)
{
    std::int32_t n = 0;
    float f = 0;
    const ConfigPatternField fields[] = {&n, &f};
    EXPECT_EQ(ScanConfigPattern(u"1_10.5", "%d_%f", fields), 2);
    EXPECT_EQ(f, 10.5f);
    EXPECT_EQ(ScanConfigPattern(u"1_2.5e1x", "%d_%f", fields), 2);
    EXPECT_EQ(f, 25.0f);
    EXPECT_EQ(ScanConfigPattern(u"1_.5", "%d_%f", fields), 2);
    EXPECT_EQ(f, 0.5f);
    EXPECT_EQ(ScanConfigPattern(u"1_nan", "%d_%f", fields), 1);
    EXPECT_EQ(ScanConfigPattern(u"1_inf", "%d_%f", fields), 1);
    EXPECT_EQ(ScanConfigPattern(u"99999999999_1", "%d_%f", fields), 2);
    EXPECT_EQ(n, 2147483647);
}

TEST(TruncateToInt32, SaturatesAndMapsNanToZero)
{
    EXPECT_EQ(TruncateToInt32(100.999), 100);
    EXPECT_EQ(TruncateToInt32(-1.5), -1);
    EXPECT_EQ(TruncateToInt32(1e300), 2147483647);
    EXPECT_EQ(TruncateToInt32(-1e300), -2147483647 - 1);
    EXPECT_EQ(TruncateToInt32(std::numeric_limits<double>::quiet_NaN()), 0);
}

} // namespace
