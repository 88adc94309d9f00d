// What the readers take from tags other programs write, and `quorvel-cli tags --set` changing only
// the fields it names, with mutagen as the independent judge of everything else in the file.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <array>

#include "support/cli_run.h"
#include "support/temp_dir.h"
#include "tag_test_support.h"
#include "tags/id3v2_tag.h"

namespace {

const QString kPython = QStringLiteral("/usr/bin/python3");

template <size_t N>
QByteArray Raw(const char (&text)[N]) {
    return QByteArray(text, N - 1);
}

QByteArray Syncsafe(quint32 v) {
    QByteArray b(4, '\0');
    for (int i = 3; i >= 0; --i) {
        b[i] = static_cast<char>(v & 0x7F);
        v >>= 7;
    }
    return b;
}

QByteArray Frame(const char* id, const QByteArray& data) {
    return QByteArray(id, 4) + Syncsafe(data.size()) + QByteArray(2, '\0') + data;
}

// A version 2.2 frame: three-letter name, three-byte size, no flags.
QByteArray Frame22(const char* id, const QByteArray& data) {
    const int n = data.size();
    return QByteArray(id, 3) + char(n >> 16) + char((n >> 8) & 0xFF) + char(n & 0xFF) + data;
}

QByteArray Tag(const QByteArray& body, int major, char flags = 0) {
    return QByteArray("ID3", 3) + char(major) + QByteArray(1, '\0') + QByteArray(1, flags) +
           Syncsafe(body.size()) + body;
}

const QByteArray kAudio = QByteArray("\xFF\xFB\x90\x64", 4) + QByteArray(2000, '\x55');

const QByteArray kTagV22 =
    Tag(Frame22("TT2", Raw("\0Old")) + Frame22("TP1", Raw("\0Art")) + Frame22("TAL", Raw("\0Alb")) +
            Frame22("TYE", Raw("\0"
                               "1999")) +
            Frame22("TRK", Raw("\0"
                               "3/12")) +
            Frame22("TCO", Raw("\0(17)")) + Frame22("COM", Raw("\0engiTunNORM\0 0001")) +
            Frame22("COM", Raw("\0eng\0c22")) + Frame22("PIC", Raw("\0PNG\3front\0\x89PNG\0\1\2")) +
            Frame22("TP2", Raw("\0AA")),
        2);

QJsonObject Dump(const QString& format, const QString& path);

// Field by field what the list and `tags` show, for tags as other taggers write them.
TEST(TagReading, ReadsTagsAsOtherReadersDo) {
    struct Case {
        const char* what;
        QByteArray tag;
        std::array<const char*, 7> expected;  // Title, Artist, Album, Year, Track, Comment, Genre
    };
    auto v4 = [](const QByteArray& frames, char flags = 0) { return Tag(frames, 4, flags); };
    const Case cases[] = {
        {"v2.4 with TDRC and TRCK 3/12",
         v4(Frame("TIT2", Raw("\0T")) +
            Frame("TDRC", Raw("\0"
                              "2020-03-12")) +
            Frame("TRCK", Raw("\0"
                              "3/12"))),
         {"T", "", "", "2020", "3/12", "", ""}},
        {"v2.2 frames", kTagV22, {"Old", "Art", "Alb", "1999", "3/12", "c22", "Rock"}},
        {"v2.4 extended-header flag without an extended header",
         v4(Frame("TIT2", Raw("\0flag")) + Frame("TPE1", Raw("\0A")), 0x40),
         {"flag", "A", "", "", "", "", ""}},
        {"iTunes comment ahead of the user's",
         v4(Frame("COMM", Raw("\0engiTunNORM\0 000A")) + Frame("COMM", Raw("\0eng\0mine")) +
            Frame("COMM", Raw("\0eng\0later"))),
         {"", "", "", "", "", "mine", ""}},
        {"only described comments: the first not iTunes'",
         v4(Frame("COMM", Raw("\0engiTunSMPB\0 0")) + Frame("COMM", Raw("\0engnote\0kept"))),
         {"", "", "", "", "", "kept", ""}},
        {"(3) is Dance", v4(Frame("TCON", Raw("\0(3)"))), {"", "", "", "", "", "", "Dance"}},
        {"35 is House",
         v4(Frame("TCON", Raw("\0"
                              "35"))),
         {"", "", "", "", "", "", "House"}},
        {"(3)Dance", v4(Frame("TCON", Raw("\0(3)Dance"))), {"", "", "", "", "", "", "Dance"}},
        {"(RX) is Remix", v4(Frame("TCON", Raw("\0(RX)"))), {"", "", "", "", "", "", "Remix"}},
        {"unknown number stays text",
         v4(Frame("TCON", Raw("\0(200)"))),
         {"", "", "", "", "", "", "(200)"}},
        {"escaped parenthesis",
         v4(Frame("TCON", Raw("\0((live)"))),
         {"", "", "", "", "", "", "(live)"}},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = dir.Write(QStringLiteral("r.mp3"), c.tag + kAudio);
        ReadId3Tag(path);
        auto text = [&](int i) { return QString::fromUtf8(c.expected[static_cast<size_t>(i)]); };
        EXPECT_EQ(Id3Tag,
                  (ID3StructV2{text(0), text(1), text(2), text(3), text(4), text(5), text(6)}));
        // mutagen reads the same title from the same bytes.
        if (MutagenAvailable() && !Id3Tag.Title.isEmpty()) {
            EXPECT_TRUE(Dump(QStringLiteral("mp3"), path)
                            .value(QStringLiteral("TIT2"))
                            .toString()
                            .contains(QStringLiteral("text=['%1']").arg(Id3Tag.Title)));
        }
    }
}

// mutagen's full reading of a file: every frame, comment or attribute with its whole value.
const char kDumpScript[] = R"PY(
import json, sys
fmt, path = sys.argv[1], sys.argv[2]
if fmt == "mp3":
    from mutagen.id3 import ID3
    out = {k: repr(v) for k, v in ID3(path).items()}
elif fmt == "ogg":
    from mutagen.oggvorbis import OggVorbis
    out = {}
    for k, v in OggVorbis(path).tags:
        out.setdefault(k.lower(), []).append(v)
    out = {k: sorted(v) for k, v in out.items()}
else:
    from mutagen.asf import ASF
    out = {k: [repr(x) for x in v] for k, v in ASF(path).tags.as_dict().items()}
print(json.dumps(out))
)PY";

// Fixtures made by mutagen: every kind of frame, comment or attribute a library carries.
const char kFixtureScript[] = R"PY(
import base64, sys
fmt, path = sys.argv[1], sys.argv[2]
png = b"\x89PNG" + bytes(range(256)) * 8
if fmt in ("mp3v4", "mp3v3"):
    import mutagen.id3 as m
    t = m.ID3()
    t.add(m.TIT2(encoding=3, text=["Old"]))
    t.add(m.TDRC(encoding=3, text=["2020-03-12"]))
    t.add(m.TRCK(encoding=3, text=["3/12"]))
    t.add(m.TPE2(encoding=3, text=["Album Artist"]))
    t.add(m.TPOS(encoding=3, text=["1/2"]))
    t.add(m.TCON(encoding=3, text=["(3)"]))
    t.add(m.APIC(encoding=3, mime="image/png", type=3, desc="front", data=png))
    t.add(m.USLT(encoding=1, lang="eng", desc="", text="la la"))
    t.add(m.TXXX(encoding=3, desc="REPLAYGAIN_TRACK_GAIN", text=["-3.20 dB"]))
    t.add(m.COMM(encoding=3, lang="eng", desc="iTunNORM", text=[" 0000 1111"]))
    t.add(m.COMM(encoding=3, lang="eng", desc="", text=["user comment"]))
    t.add(m.POPM(email="a@b", rating=200, count=3))
    t.add(m.PRIV(owner="owner", data=b"\x00\x01\xff\x00"))
    t.add(m.CTOC(element_id="toc", flags=3, child_element_ids=["ch0", "ch1"],
                 sub_frames=[m.TIT2(text=["toc"])]))
    for i in range(2):
        t.add(m.CHAP(element_id="ch%d" % i, start_time=i * 100, end_time=i * 100 + 100,
                     sub_frames=[m.TIT2(text=["c%d" % i])]))
    t.save(path, v2_version=4 if fmt == "mp3v4" else 3)
elif fmt == "ogg":
    from mutagen.oggvorbis import OggVorbis
    from mutagen.flac import Picture
    f = OggVorbis(path)
    pic = Picture()
    pic.type, pic.mime, pic.data = 3, "image/png", png
    f.tags["TITLE"] = ["Old"]
    f.tags["ARTIST"] = ["A1", "A2"]
    f.tags["ALBUMARTIST"] = ["Album Artist"]
    f.tags["DISCNUMBER"] = ["1/2"]
    f.tags["date"] = ["2020-03-12"]
    f.tags["REPLAYGAIN_TRACK_GAIN"] = ["-3.20 dB"]
    f.tags["METADATA_BLOCK_PICTURE"] = [base64.b64encode(pic.write()).decode()]
    f.save()
else:
    from mutagen.asf import ASF, ASFByteArrayAttribute, ASFUnicodeAttribute
    f = ASF(path)
    f["Title"] = ["Old"]
    f["Author"] = ["Art"]
    f["Description"] = ["desc"]
    f["WM/TrackNumber"] = [ASFUnicodeAttribute("6/15")]
    f["WM/AlbumArtist"] = ["Album Artist"]
    f["WM/PartOfSet"] = ["1/2"]
    f["replaygain_track_gain"] = ["-3.20 dB"]
    f["WM/Picture"] = [ASFByteArrayAttribute(b"\x03" + len(png).to_bytes(4, "little") +
                       "image/png\0".encode("utf-16-le") + b"\0\0" + png)]
    f.save()
)PY";

QJsonObject Dump(const QString& format, const QString& path) {
    QString out;
    if (RunTool(kPython, {QStringLiteral("-c"), QString::fromLatin1(kDumpScript), format, path},
                &out) != 0) {
        ADD_FAILURE() << "mutagen cannot read " << path.toStdString() << ": " << out.toStdString();
        return {};
    }
    return QJsonDocument::fromJson(out.toUtf8()).object();
}

// Every key of before except those named is in after with the same value, and after holds no
// key that before lacks except those named.
void ExpectKeptExcept(const QJsonObject& before, const QJsonObject& after,
                      const QStringList& named) {
    for (auto it = before.begin(); it != before.end(); ++it) {
        if (!named.contains(it.key())) {
            EXPECT_EQ(after.value(it.key()), it.value()) << it.key().toStdString();
        }
    }
    for (auto it = after.begin(); it != after.end(); ++it) {
        // The attribute writer stores the content description's five texts together: an empty
        // one it adds reads as an empty text.
        const bool emptyDescription =
            it.value().toArray() == QJsonArray{QStringLiteral("ASFUnicodeAttribute('')")};
        EXPECT_TRUE(before.contains(it.key()) || named.contains(it.key()) || emptyDescription)
            << it.key().toStdString();
    }
}

// `tags --set` changes what it names and keeps every other frame, comment and attribute.
TEST(CliTagsSet, KeepsEverythingItDoesNotName) {
    if (!MutagenAvailable()) {
        GTEST_SKIP() << "python3-mutagen is not available";
    }
    struct Case {
        const char* what;
        QString file;
        QString dumpFormat;
        QStringList set;
        QStringList changedKeys;  // mutagen's keys for the named fields
        QJsonObject expected;     // some of the changed keys' new values, as mutagen reads them
    };
    TempDir dir;
    const QString mp3v4 = dir.Write(QStringLiteral("v4.mp3"), kAudio);
    const QString mp3v3 = dir.Write(QStringLiteral("v3.mp3"), kAudio);
    const QString mp3v2 = dir.Write(QStringLiteral("v2.mp3"), kTagV22 + kAudio);
    const QString ogg = dir.File(QStringLiteral("a.ogg"));
    WriteOggFixture(ogg, {});
    const QString wma = dir.CopyFixture(QStringLiteral("sine_1s.wma"));
    for (const auto& [format, path] : {std::pair{"mp3v4", mp3v4}, std::pair{"mp3v3", mp3v3},
                                       std::pair{"ogg", ogg}, std::pair{"wma", wma}}) {
        QString out;
        ASSERT_EQ(RunTool(kPython,
                          {QStringLiteral("-c"), QString::fromLatin1(kFixtureScript),
                           QString::fromLatin1(format), path},
                          &out),
                  0)
            << out.toStdString();
    }
    const QString mp3 = QStringLiteral("mp3");
    const Case cases[] = {
        {"ID3v2.4",
         mp3v4,
         mp3,
         {QStringLiteral("Title=New"), QStringLiteral("Year=2021")},
         {QStringLiteral("TIT2"), QStringLiteral("TDRC")},
         {{QStringLiteral("TDRC"),
           QStringLiteral("TDRC(encoding=<Encoding.LATIN1: 0>, text=['2021'])")}}},
        {"ID3v2.3", mp3v3, mp3, {QStringLiteral("Comment=new")}, {QStringLiteral("COMM::eng")}, {}},
        {"ID3v2.2 stays 2.2",
         mp3v2,
         mp3,
         {QStringLiteral("Artist=Ärtist"), QStringLiteral("Genre=Jazz")},
         {QStringLiteral("TPE1"), QStringLiteral("TCON")},
         {{QStringLiteral("TCON"),
           QStringLiteral("TCON(encoding=<Encoding.LATIN1: 0>, text=['Jazz'])")}}},
        {"Ogg Vorbis",
         ogg,
         QStringLiteral("ogg"),
         {QStringLiteral("Title=New"), QStringLiteral("Genre=Jazz")},
         {QStringLiteral("title"), QStringLiteral("genre")},
         {{QStringLiteral("title"), QJsonArray{QStringLiteral("New")}}}},
        {"WMA",
         wma,
         QStringLiteral("wma"),
         {QStringLiteral("Title=New"), QStringLiteral("Album=Alb")},
         {QStringLiteral("Title"), QStringLiteral("WM/AlbumTitle")},
         {{QStringLiteral("Title"), QJsonArray{QStringLiteral("ASFUnicodeAttribute('New')")}}}},
        // A text track number stays a text.
        {"WMA track",
         wma,
         QStringLiteral("wma"),
         {QStringLiteral("Track=7")},
         {QStringLiteral("WM/TrackNumber")},
         {{QStringLiteral("WM/TrackNumber"),
           QJsonArray{QStringLiteral("ASFUnicodeAttribute('7')")}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QByteArray audioBefore = ReadAll(c.file).right(1000);
        const QJsonObject before = Dump(c.dumpFormat, c.file);
        ASSERT_FALSE(before.isEmpty());
        const CliResult r =
            RunCli(QStringList{QStringLiteral("tags"), c.file, QStringLiteral("--set")} + c.set);
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        const QJsonObject after = Dump(c.dumpFormat, c.file);
        ExpectKeptExcept(before, after, c.changedKeys);
        for (auto it = c.expected.begin(); it != c.expected.end(); ++it) {
            EXPECT_EQ(after.value(it.key()), it.value()) << it.key().toStdString();
        }
        EXPECT_EQ(ReadAll(c.file).right(1000), audioBefore);
    }
    // The v2.2 tag is still a v2.2 tag, and every one of its frames still reads.
    EXPECT_EQ(ReadAll(mp3v2).left(4), QByteArray("ID3\x02", 4));
    ReadId3Tag(mp3v2);
    EXPECT_EQ(Id3Tag,
              (ID3StructV2{QStringLiteral("Old"), QStringLiteral("Ärtist"), QStringLiteral("Alb"),
                           QStringLiteral("1999"), QStringLiteral("3/12"), QStringLiteral("c22"),
                           QStringLiteral("Jazz")}));
}

}  // namespace
