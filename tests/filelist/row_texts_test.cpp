#include <gtest/gtest.h>

#include "filelist/clean_name.h"
#include "filelist/row_texts.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

TEST(RowTexts, FormatTimeDropsMillisecondsAndPadsToTwoDigits) {
    const struct {
        std::int32_t ms;
        const char* text;
    } cases[] = {{0, "00:00:00"},          {999, "00:00:00"},        {215000, "00:03:35"},
                 {3725999, "01:02:05"},    {360000000, "100:00:00"}, {-1, "00:00:00"},
                 {2147483647, "596:31:23"}};
    for (const auto& c : cases) {
        EXPECT_EQ(FormatTime(c.ms), S(c.text)) << c.ms;
    }
}

TEST(RowTexts, SizeTextKeepsFiveSignificantDigitsAndTwoDecimals) {
    constexpr std::int64_t kMiB = 1024 * 1024;
    const struct {
        std::int64_t bytes;
        const char* point;
        const char* text;
    } cases[] = {
        {0, ".", "0.00MB"},
        {kMiB, ".", "1.00MB"},
        {kMiB, ",", "1,00MB"},
        {3628072, ".", "3.46MB"},                     // 3.4600...
        {kMiB * 1500 + kMiB / 10, ".", "1500.10MB"},  // four integer digits keep one decimal
        {kMiB * 1500 + 52429, ".", "1500.10MB"},      // 1500.0500002 rounds up at the fifth digit
        {kMiB * 12345 + kMiB * 2 / 3, ".", "12346.00MB"},
        {kMiB * 99999 + kMiB * 6 / 10, ".", "100000.00MB"},
        {kMiB * 123456, ".", "123460.00MB"},
        {5242, ".", "0.00MB"},  // 0.004999 MiB
        {5243, ".", "0.01MB"},  // 0.0050001 MiB
        {kMiB * 999 + kMiB * 999 / 1000, ".", "1000.00MB"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SizeText(c.bytes, S(c.point)), S(c.text)) << c.bytes;
    }
}

TEST(RowTexts, CleanNameRemovesTheNineCharactersAndCleanTitleTrims) {
    EXPECT_EQ(CleanName(S("a*b?c|d:e\"f/g\\h<i>j")), S("abcdefghij"));
    EXPECT_EQ(CleanName(S("Morning Song (live) – ü")), S("Morning Song (live) – ü"));
    EXPECT_EQ(CleanName(S("::??")), QString());
    EXPECT_EQ(CleanTitle(S("  Live: Part 1/2  ")), S("Live Part 12"));
    EXPECT_EQ(CleanTitle(S("\t\r\n x \x01")), S("x"));
    EXPECT_EQ(CleanTitle(S(" : ? ")), QString());
    EXPECT_EQ(ChannelsText(1), S(" Mono "));
    EXPECT_EQ(ChannelsText(2), S(" Stereo "));
    EXPECT_EQ(ChannelsText(6), S(" Stereo "));
    EXPECT_EQ(FrequencyText(44100), S("44100 Hz"));
}

}  // namespace
