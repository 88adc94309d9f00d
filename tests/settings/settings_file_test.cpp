#include <gtest/gtest.h>

#include "settings/settings_file.h"
#include "support/temp_dir.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

TEST(ParseSettingsNumber, FollowsTheIntegerRules) {
    struct Case {
        const char* text;
        std::optional<std::int32_t> expected;
    };
    const Case cases[] = {
        {"0x1", 1},
        {"$50", 80},
        {"abc", std::nullopt},
        {"", std::nullopt},
        {"2", 2},
        {"  -12", -12},
        {"+7", 7},
        {"0X1f", 31},
        {"x10", 16},
        {"-$10", -16},
        {"$FFFFFFFF", -1},
        {"$100000000", std::nullopt},
        {"2147483647", 2147483647},
        {"2147483648", std::nullopt},
        {"-2147483648", INT32_MIN},
        {"-2147483649", std::nullopt},
        {"12 ", std::nullopt},
        {"1.5", std::nullopt},
        {"0x", std::nullopt},
        {"-", std::nullopt},
        {"99999999999999999999", std::nullopt},
        {"\xd9\xa3", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseSettingsNumber(QString::fromUtf8(c.text)), c.expected) << c.text;
    }
}

class SettingsFileTest : public ::testing::Test {
  protected:
    TempDir dir;
};

TEST_F(SettingsFileTest, ReadsUseTheirDefaultsWithoutAFile) {
    const SettingsFile file(dir.File(S("none.ini")));
    EXPECT_EQ(file.ReadText(S("Format"), S("Dir"), S("/m")), S("/m"));
    EXPECT_EQ(file.ReadNumber(S("Nor"), S("vol"), 98), 98);
    EXPECT_TRUE(file.ReadFlag(S("MP3VBR"), S("vbrck"), true));
    EXPECT_FALSE(QFile::exists(dir.File(S("none.ini"))));
}

TEST_F(SettingsFileTest, StoredValuesReadAsNumbersAndFlags) {
    const QString path = dir.Write(
        S("q.ini"), "[Format]\nint=0x1\nDir=\n[Nor]\nvol=$50\n[Fade]\nIn=2\nOut=\nIntime=abc\n");
    const SettingsFile file(path);
    EXPECT_EQ(file.ReadNumber(S("Format"), S("int"), 0), 1);
    EXPECT_EQ(file.ReadText(S("Format"), S("Dir"), S("/m")), S(""));
    EXPECT_EQ(file.ReadNumber(S("Nor"), S("vol"), 98), 80);
    EXPECT_TRUE(file.ReadFlag(S("Fade"), S("In"), false));
    EXPECT_FALSE(file.ReadFlag(S("Fade"), S("Out"), false));  // empty value: the default
    EXPECT_TRUE(file.ReadFlag(S("Fade"), S("Out"), true));
    EXPECT_EQ(file.ReadNumber(S("Fade"), S("Intime"), 5), 5);
}

TEST_F(SettingsFileTest, WritesRoundTripAndStoreFlagsAsDigits) {
    SettingsFile file(dir.File(S("q.ini")));
    file.WriteText(S("Format"), S("Dir"), S("/home/u/Music/"));
    file.WriteNumber(S("Format"), S("int"), -3);
    file.WriteFlag(S("Fade"), S("In"), true);
    file.WriteText(S("Format"), S("Empty"), QString());
    EXPECT_EQ(file.ReadText(S("Format"), S("Dir"), S("")), S("/home/u/Music/"));
    EXPECT_EQ(file.ReadNumber(S("Format"), S("int"), 0), -3);
    EXPECT_EQ(ReadAll(dir.File(S("q.ini"))),
              QByteArray("[Format]\nDir=/home/u/Music/\nint=-3\nEmpty=\n[Fade]\nIn=1\n"));
}

TEST_F(SettingsFileTest, RefusedWriteRaisesTheErrorWithTheNameAsPassed) {
    const QString blocker = dir.Write(S("blocker"), "x");
    SettingsFile file(blocker + S("/Quorvel.ini"));
    try {
        file.WriteNumber(S("Nor"), S("vol"), 1);
        FAIL() << "no error raised";
    } catch (const SettingsWriteError& e) {
        EXPECT_EQ(e.Message(), S("Unable to write to ") + blocker + S("/Quorvel.ini"));
    }
}

}  // namespace
