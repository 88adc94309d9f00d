#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QtEndian>

#include "support/temp_dir.h"
#include "tag_test_support.h"
#include "tags/tag_modules.h"
#include "tags/wma_tag.h"

namespace {

const char kFixture[] = "sine_1s.wma";

QString Attribute(const QJsonObject& m, const char* name) {
    return m.value(QLatin1String(name)).toArray().at(0).toString();
}

// The module as the program loads it at start-up, or a name that does not exist.
class WmaModule : public ::testing::Test {
  protected:
    void SetUp() override { InitWmaAudioInfo(); }
    void TearDown() override {
        ShutdownWmaAudioInfo();
        SetTagModuleOverride(TagModule::WmAudSdk, QString());
        InitWmaAudioInfo();
    }
    static void UseMissingModule() {
        ShutdownWmaAudioInfo();
        SetTagModuleOverride(TagModule::WmAudSdk, QStringLiteral("/nonexistent/libwmaudsdk"));
        InitWmaAudioInfo();
    }
    TempDir dir_;
};

// The legacy header layout, little-endian.
QByteArray Le16(int v) {
    QByteArray b(2, '\0');
    qToLittleEndian<quint16>(static_cast<quint16>(v), b.data());
    return b;
}
QByteArray Le64(quint64 v) {
    QByteArray b(8, '\0');
    qToLittleEndian<quint64>(v, b.data());
    return b;
}
QByteArray Utf16(const QString& s) {
    return QByteArray(reinterpret_cast<const char*>(s.utf16()), s.size() * 2);
}
const QByteArray kOuter("\xD1\x29\xE2\xD6\xDA\x35\xD1\x11\x90\x34\x00\xA0\xC9\x03\x49\xBE", 16);
const QByteArray kDescription("\xD5\x29\xE2\xD6\xDA\x35\xD1\x11\x90\x34\x00\xA0\xC9\x03\x49\xBE",
                              16);

QByteArray Entry(int type, const QString& name, const QString& value) {
    return QByteArray(1, char(type)) + QByteArray(4, '\0') + Le16(int(name.size())) +
           Le16(int(value.size())) + Utf16(name) + Utf16(value);
}
QByteArray Object(const QByteArray& guid, const QByteArray& content) {
    return guid + Le64(24 + quint64(content.size())) + content;
}
QByteArray Legacy(const QByteArray& objects) {
    return kOuter + Le64(24 + quint64(objects.size())) + objects;
}

TEST_F(WmaModule, WritesAttributesThatMutagenAndTheReaderAgreeOn) {
    ASSERT_TRUE(WmaInfoAvailable());
    const QString path = dir_.CopyFixture(QString::fromLatin1(kFixture));
    WmaTagInfo tag;
    tag.Title = QStringLiteral("Tïtle 日本");
    tag.Author = QStringLiteral("Ærtist");
    tag.Album = QStringLiteral("Альбом");
    tag.Year = QStringLiteral("2001");
    tag.Genre = QStringLiteral("Rock");
    tag.Description = QStringLiteral("desc");
    tag.Track = 9;
    EXPECT_TRUE(WriteWmaTag(path, tag));
    WmaTagInfo back;
    ReadWmaTag(path, back);
    tag.Found = -1;
    EXPECT_EQ(back, tag);

    const QJsonObject m = MutagenRead(QStringLiteral("wma"), path);
    if (m.isEmpty()) {
        GTEST_SKIP() << "python3-mutagen is not available";
    }
    EXPECT_EQ(Attribute(m, "Title"), tag.Title);
    EXPECT_EQ(Attribute(m, "Author"), tag.Author);
    EXPECT_EQ(Attribute(m, "WM/AlbumTitle"), tag.Album);
    EXPECT_EQ(Attribute(m, "WM/Year"), tag.Year);
    EXPECT_EQ(Attribute(m, "WM/Genre"), tag.Genre);
    EXPECT_EQ(Attribute(m, "WM/TrackNumber"), QStringLiteral("9"));
}

TEST_F(WmaModule, EmptyFieldsAreWrittenAsEmptyTextsAndLongOnesAreCut) {
    const QString path = dir_.CopyFixture(QString::fromLatin1(kFixture));
    WmaTagInfo tag;
    tag.Genre = QString(40, QLatin1Char('g'));
    tag.Title = QString(200, QChar(0x00E9));  // 2 bytes each in UTF-8
    EXPECT_TRUE(WriteWmaTag(path, tag));
    WmaTagInfo back;
    ReadWmaTag(path, back);
    EXPECT_EQ(back.Genre, QString(31, QLatin1Char('g')));
    EXPECT_EQ(back.Title, QString(63, QChar(0x00E9)));
    EXPECT_EQ(back.Track, 0);
    const QJsonObject m = MutagenRead(QStringLiteral("wma"), path);
    if (!m.isEmpty()) {
        EXPECT_TRUE(m.contains(QStringLiteral("Description")));
        EXPECT_EQ(Attribute(m, "Description"), QString());
        EXPECT_EQ(Attribute(m, "WM/TrackNumber"), QStringLiteral("0"));
    }
}

TEST_F(WmaModule, TrackFallsBackToWmTrackAndANumericYearIsIgnored) {
    const QString path = dir_.CopyFixture(QString::fromLatin1(kFixture));
    const bool prepared =
        MutagenRun(QStringLiteral("import sys\n"
                                  "from mutagen.asf import ASF, ASFDWordAttribute\n"
                                  "f = ASF(sys.argv[1])\n"
                                  "f.tags['WM/Track'] = [ASFDWordAttribute(4)]\n"
                                  "f.tags['WM/Year'] = [ASFDWordAttribute(2001)]\n"
                                  "f.tags['Title'] = ['t']\n"
                                  "f.save()\n"),
                   path);
    if (!prepared) {
        GTEST_SKIP() << "python3-mutagen is not available";
    }
    WmaTagInfo tag;
    ReadWmaTag(path, tag);
    EXPECT_EQ(tag.Found, -1);
    EXPECT_EQ(tag.Track, 4);
    EXPECT_EQ(tag.Year, QString());
    EXPECT_EQ(tag.Title, QStringLiteral("t"));
}

// Several values of one attribute: the first stays in the main header, the others go to the
// metadata library, which TagLib lists first. The first value is the one read, as mutagen does.
TEST_F(WmaModule, SeveralValuesGiveTheFirstOne) {
    const QString path = dir_.CopyFixture(QString::fromLatin1(kFixture));
    const bool prepared = MutagenRun(QStringLiteral("import sys\n"
                                                    "from mutagen.asf import ASF\n"
                                                    "f = ASF(sys.argv[1])\n"
                                                    "f.tags['WM/AlbumTitle'] = ['A1', 'A2']\n"
                                                    "f.tags['WM/Genre'] = ['G1', 'G2', 'G3']\n"
                                                    "f.save()\n"),
                                     path);
    if (!prepared) {
        GTEST_SKIP() << "python3-mutagen is not available";
    }
    WmaTagInfo tag;
    ReadWmaTag(path, tag);
    EXPECT_EQ(tag.Album, QStringLiteral("A1"));
    EXPECT_EQ(tag.Genre, QStringLiteral("G1"));
    const QJsonObject m = MutagenRead(QStringLiteral("wma"), path);
    EXPECT_EQ(Attribute(m, "WM/AlbumTitle"), QStringLiteral("A1"));
}

TEST_F(WmaModule, ReadOnlyFilesStayReadOnly) {
    const QString path = dir_.CopyFixture(QString::fromLatin1(kFixture));
    const auto readOnly = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
    QFile::setPermissions(path, readOnly);
    WmaTagInfo tag;
    tag.Title = QStringLiteral("ro");
    EXPECT_TRUE(WriteWmaTag(path, tag));
    WmaTagInfo back;
    ReadWmaTag(path, back);
    EXPECT_EQ(back.Title, QStringLiteral("ro"));
    EXPECT_EQ(ModeOf(path), readOnly);
}

TEST_F(WmaModule, WithoutTheModuleWritingFailsAndReadingFallsBackToTheLegacyHeader) {
    UseMissingModule();
    EXPECT_FALSE(WmaInfoAvailable());
    const QString real = dir_.CopyFixture(QString::fromLatin1(kFixture));
    const QByteArray original = ReadAll(real);
    EXPECT_FALSE(WriteWmaTag(real, WmaTagInfo()));
    EXPECT_EQ(ReadAll(real), original);
    WmaTagInfo untouched;
    untouched.Title = QStringLiteral("keep");
    ReadWmaTag(real, untouched);  // a current ASF header is not the legacy layout
    EXPECT_EQ(untouched.Title, QStringLiteral("keep"));
    EXPECT_EQ(untouched.Found, 0);

    const QByteArray description =
        Le16(6) + Entry(2, QString(), QStringLiteral("Song")) +
        Entry(1, QString(), QStringLiteral("Singer")) +
        Entry(4, QString(), QString(600, QLatin1Char('d'))) +
        Entry(120, QStringLiteral("wm/year"), QStringLiteral("1987")) +
        Entry(100, QStringLiteral("WM/Track"), QStringLiteral("12")) +
        Entry(100, QStringLiteral("WM/AlbumTitle"), QStringLiteral("LP"));
    const QByteArray bytes = Legacy(Object(QByteArray(16, 'x'), QByteArray(10, 'y')) +
                                    Object(kDescription, description));
    WmaTagInfo tag;
    ReadWmaTag(dir_.Write(QStringLiteral("legacy.wma"), bytes), tag);
    EXPECT_EQ(tag.Found, -1);
    EXPECT_EQ(tag.Title, QStringLiteral("Song"));
    EXPECT_EQ(tag.Author, QStringLiteral("Singer"));
    EXPECT_EQ(tag.Description, QString(254, QLatin1Char('d')));  // 511 units read, field holds 254
    EXPECT_EQ(tag.Year, QStringLiteral("1987"));
    EXPECT_EQ(tag.Track, 12);
    EXPECT_EQ(tag.Album, QStringLiteral("LP"));
}

// A file cut inside its description object gives the entries that stand whole before the cut.
TEST_F(WmaModule, ATruncatedLegacyHeaderGivesWhatStandsBeforeTheCut) {
    UseMissingModule();
    const QByteArray description = Le16(5) + Entry(2, QString(), QStringLiteral("Song")) +
                                   Entry(1, QString(), QStringLiteral("Singer")) +
                                   Entry(4, QString(), QStringLiteral("Notes")) +
                                   Entry(100, QStringLiteral("WM/Year"), QStringLiteral("1987"));
    const QByteArray album = Entry(100, QStringLiteral("WM/AlbumTitle"), QStringLiteral("LP"));
    const QByteArray whole = Legacy(Object(kDescription, description + album) +
                                    Object(QByteArray(16, 'a'), QByteArray(4000, 'a')));
    const QByteArray cut = whole.left(24 + 24 + description.size() + album.size() / 2);
    WmaTagInfo tag;
    ReadWmaTag(dir_.Write(QStringLiteral("cut.wma"), cut), tag);
    EXPECT_EQ(tag.Found, -1);
    EXPECT_EQ(tag.Title, QStringLiteral("Song"));
    EXPECT_EQ(tag.Author, QStringLiteral("Singer"));
    EXPECT_EQ(tag.Description, QStringLiteral("Notes"));
    EXPECT_EQ(tag.Year, QStringLiteral("1987"));
    EXPECT_EQ(tag.Album, QString());
}

TEST_F(WmaModule, HostileLegacyHeadersAreReadSafely) {
    UseMissingModule();
    const QByteArray good =
        Object(kDescription, Le16(1) + Entry(2, QString(), QStringLiteral("ok")));
    struct Case {
        const char* what;
        QByteArray bytes;
        QString title;
    };
    QByteArray huge = Legacy(good);
    huge.replace(16, 8, Le64(0xFFFFFFFFFFull));  // outer size far past the file
    QByteArray zero = Legacy(Object(QByteArray(16, 'z'), QByteArray()) + good);
    zero.replace(40, 8, Le64(0));
    QByteArray entryTooLong = Legacy(good);
    entryTooLong.replace(24 + 24 + 2 + 5, 2, Le16(0xFFFF));  // name length past the object
    QByteArray objectTooLong = Legacy(good);
    objectTooLong.replace(24 + 16, 8, Le64(0xFFFFFFFF00ull));
    const QList<Case> cases = {
        {"outer size past the end", huge, QStringLiteral("ok")},
        {"zero object size", zero, QString()},
        {"entry past its object", entryTooLong, QString()},
        {"object past the end", objectTooLong, QString()},
        {"truncated", Legacy(good).left(60), QString()},
        {"header only", kOuter, QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WmaTagInfo tag;
        ReadWmaTag(dir_.Write(QStringLiteral("h.wma"), c.bytes), tag);
        EXPECT_EQ(tag.Title, c.title);
        EXPECT_EQ(tag.Found, c.bytes.size() >= 24 ? -1 : 0);
    }
}

}  // namespace
