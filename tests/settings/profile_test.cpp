#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include "outside/profile/profile.h"
#include "support/temp_dir.h"

using profile::GetPrivateProfileString;
using profile::WritePrivateProfileString;

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

class ProfileTest : public ::testing::Test {
  protected:
    TempDir dir;
    QString Ini(const char* contents) { return dir.Write(S("q.ini"), QByteArray(contents)); }
    QString Read(const QString& path, const char* section, const char* key, const char* def) {
        return GetPrivateProfileString(S(section), S(key), S(def), path);
    }
};

TEST_F(ProfileTest, BareNameLivesInTheConfigFolder) {
    qputenv("XDG_CONFIG_HOME", dir.File(S("cfg")).toLocal8Bit());
    EXPECT_EQ(profile::ResolvePath(S("Quorvel.ini")), dir.File(S("cfg/Quorvel.ini")));
    // The folder is created by the first write.
    ASSERT_TRUE(WritePrivateProfileString(S("Format"), S("int"), S("1"), S("Quorvel.ini")));
    EXPECT_EQ(ReadAll(dir.File(S("cfg/Quorvel.ini"))), QByteArray("[Format]\nint=1\n"));
}

TEST_F(ProfileTest, SectionsAndKeysMatchWithoutCaseAndValuesAreTrimmed) {
    const QString path = Ini("; comment\n[format]\n  DIR =  /music  \nint=\n[Other]\nx=1\n");
    EXPECT_EQ(Read(path, "Format", "Dir", "def"), S("/music"));
    EXPECT_EQ(Read(path, "FORMAT", "int", "def"), S(""));  // present but empty: not the default
    EXPECT_EQ(Read(path, "Format", "missing", "def"), S("def"));
    EXPECT_EQ(Read(path, "Nope", "x", "def"), S("def"));
    EXPECT_EQ(Read(dir.File(S("absent.ini")), "Format", "Dir", "def"), S("def"));
}

TEST_F(ProfileTest, ValuesAreCutAt2047Characters) {
    const QByteArray longValue(3000, 'a');
    const QString path = Ini(("[s]\nk=" + longValue + "\n").constData());
    EXPECT_EQ(Read(path, "s", "k", "").size(), 2047);
}

TEST_F(ProfileTest, WritesReplaceInPlaceAppendKeysToTheirSectionAndKeepUnknownLines) {
    const QString path =
        Ini("; keep me\r\n[Fade]\r\nIn=0\r\nodd line\r\n\r\n[Other]\r\nKey = v\r\n");
    ASSERT_TRUE(WritePrivateProfileString(S("fade"), S("in"), S("1"), path));
    ASSERT_TRUE(WritePrivateProfileString(S("Fade"), S("Intime"), S("7"), path));
    ASSERT_TRUE(WritePrivateProfileString(S("Nor"), S("vol"), S("98"), path));
    EXPECT_EQ(ReadAll(path), QByteArray("; keep me\r\n[Fade]\r\nIn=1\r\nodd line\r\nIntime=7\r\n"
                                        "\r\n[Other]\r\nKey = v\r\n[Nor]\r\nvol=98\r\n"));
}

TEST_F(ProfileTest, NullValueRemovesKeyAndNullKeyRemovesSection) {
    const QString path = Ini("[a]\nx=1\ny=2\n[b]\nz=3\n");
    ASSERT_TRUE(WritePrivateProfileString(S("a"), S("x"), QString(), path));
    ASSERT_TRUE(WritePrivateProfileString(S("b"), QString(), QString(), path));
    EXPECT_EQ(ReadAll(path), QByteArray("[a]\ny=2\n"));
}

TEST_F(ProfileTest, ValueWithLineBreaksCannotInjectKeys) {
    const QString path = Ini("");
    ASSERT_TRUE(WritePrivateProfileString(S("a"), S("x"), S("1\n[b]\ny=2"), path));
    EXPECT_EQ(Read(path, "b", "y", "none"), S("none"));
}

TEST_F(ProfileTest, UnwritablePlaceFailsAndKeepsTheFile) {
    // A regular file where the folder should be: nothing can be created below it.
    const QString blocker = dir.Write(S("blocker"), "x");
    EXPECT_FALSE(WritePrivateProfileString(S("a"), S("b"), S("c"), blocker + S("/q.ini")));
    EXPECT_EQ(ReadAll(blocker), QByteArray("x"));
}

TEST_F(ProfileTest, NonUtf8BytesOfOtherLinesSurviveAWrite) {
    const QString path = Ini("[x]\nname=caf\xe9\n");
    ASSERT_TRUE(WritePrivateProfileString(S("y"), S("k"), S("v"), path));
    EXPECT_EQ(ReadAll(path), QByteArray("[x]\nname=caf\xe9\n[y]\nk=v\n"));
}

TEST_F(ProfileTest, LinesDecodeOnTheirOwnAndNewLinesKeepTheFileShape) {
    // A Latin-1 line beside a UTF-8 line; no final newline; a byte-order mark.
    const QString path = Ini("\xEF\xBB\xBF[a]\r\nlatin=caf\xE9\r\nutf=caf\xC3\xA9");
    EXPECT_EQ(Read(path, "a", "latin", ""), S("café"));
    EXPECT_EQ(Read(path, "a", "utf", ""), S("café"));
    ASSERT_TRUE(WritePrivateProfileString(S("a"), S("utf"), S("café"), path));  // unchanged
    ASSERT_TRUE(WritePrivateProfileString(S("b"), S("k"), S("ü"), path));
    EXPECT_EQ(ReadAll(path), QByteArray("\xEF\xBB\xBF[a]\r\nlatin=caf\xE9\r\nutf=caf\xC3\xA9\r\n"
                                        "[b]\r\nk=\xC3\xBC"));
}

TEST_F(ProfileTest, AFifoOrAFolderIsNotReadAndNotReplaced) {
    const QString fifo = dir.File(S("fifo.ini"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QDir().mkpath(dir.File(S("folder.ini")));
    for (const QString& path : {fifo, dir.File(S("folder.ini"))}) {
        EXPECT_EQ(Read(path, "Format", "Dir", "def"), S("def"));  // returns, does not hang
        EXPECT_FALSE(profile::ReadProblem(path).isEmpty());
        EXPECT_FALSE(WritePrivateProfileString(S("Format"), S("Dir"), S("/x"), path));
    }
    EXPECT_EQ(profile::ReadProblem(fifo), S("it is not a regular file"));
    EXPECT_FALSE(QFileInfo(fifo).isFile());
    EXPECT_TRUE(profile::ReadProblem(dir.File(S("absent.ini"))).isEmpty());
}

}  // namespace
