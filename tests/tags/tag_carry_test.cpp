#include <gtest/gtest.h>

#include <unistd.h>
#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <algorithm>

#include "support/temp_dir.h"
#include "tag_carry_support.h"
#include "tags/id3v2_parse.h"
#include "tags/id3v2_tag.h"
#include "tags/tag_carry.h"
#include "tags/tag_error.h"
#include "tags/tag_transfer.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

// A value as JSON text, so that a failure shows what differs.
std::string Text(const QJsonValue& value) {
    return QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact).toStdString();
}

QJsonArray Values(std::initializer_list<const char*> values) {
    QJsonArray array;
    for (const char* v : values) {
        array.append(S(v));
    }
    return array;
}

struct Format {
    const char* ext;
    TagKind kind;
};
// Every format an output can carry tags in.
constexpr Format kOutputs[] = {{"mp3", TagKind::Id3v2},          {"flac", TagKind::VorbisComments},
                               {"ogg", TagKind::VorbisComments}, {"opus", TagKind::VorbisComments},
                               {"m4a", TagKind::Mp4Atoms},       {"aiff", TagKind::Id3Chunk},
                               {"wv", TagKind::ApeTag}};
// Every input format with tags the tool can make.
constexpr const char* kInputs[] = {"mp3", "flac", "ogg", "opus", "m4a", "wma", "wv", "aiff", "wav"};

// The row as the user left it in the tag editor: three fields changed from the file's.
AudioFileinfo EditedRow() {
    return AudioFileinfo{S("Nëw title"),      S("Ärtist"), S("2001"), S("Album"),
                         S("Edited comment"), S("Jazz"),   0};
}
// What the list read of the tool's files before the edits.
AudioFileinfo ReadRow() {
    return AudioFileinfo{S("Tïtle"),        S("Artist One"), S("2021"), S("Album"),
                         S("Long comment"), S("Rock"),       0};
}

// Sources in every format, tagged by mutagen, made once: ffmpeg and python are slow to start.
class TagCarry : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        QByteArray cover("\x89PNG\r\n\x1a\n", 8);
        for (int i = 0; i < 5000; ++i) {
            cover.append(static_cast<char>((i * 7919) >> 3));
        }
        coverSha_ =
            QString::fromLatin1(QCryptographicHash::hash(cover, QCryptographicHash::Sha1).toHex());
        const QString coverPath = dir_->Write(S("cover.png"), cover);
        QStringList sources;
        QStringList blanks;
        for (const char* ext : kInputs) {
            sources << Source(ext);
        }
        for (const Format& f : kOutputs) {
            blanks << dir_->File(S("blank.") + QLatin1String(f.ext));
        }
        ready_ = MakeCarryFiles(coverPath, sources) && MakeCarryFiles(QString(), blanks);
    }
    static void TearDownTestSuite() { delete dir_; }
    void SetUp() override {
        // The oracle is part of the test machine: without it the test fails, never skips.
        ASSERT_TRUE(ready_) << "ffmpeg or python3-mutagen is missing: run scripts/setup";
    }
    // A fresh untagged output, as an encoder leaves it.
    QString Output(const QString& name, const char* ext) {
        const QString path = out_.File(name + QLatin1Char('.') + QLatin1String(ext));
        QFile::copy(dir_->File(S("blank.") + QLatin1String(ext)), path);
        QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        return path;
    }
    static QString Source(const char* ext) { return dir_->File(S("src.") + QLatin1String(ext)); }

    static TempDir* dir_;
    static QString coverSha_;
    static bool ready_;
    TempDir out_;
};
TempDir* TagCarry::dir_ = nullptr;
QString TagCarry::coverSha_;
bool TagCarry::ready_ = false;

// What of a picture a format keeps: MP4 neither type nor description, APEv2 no description.
bool KeepsTypes(const char* ext) {
    return QLatin1String(ext) != QLatin1String("m4a");
}
bool KeepsDescriptions(const char* ext) {
    return KeepsTypes(ext) && QLatin1String(ext) != QLatin1String("wv");
}

// The pictures as far as both formats keep them, by their bytes.
QJsonObject WithPicturesAsKept(QJsonObject tags, const char* from, const char* to) {
    QList<QJsonArray> kept;
    for (const QJsonValue& value : tags.value(S("pictures")).toArray()) {
        const QJsonArray p = value.toArray();
        kept.append(QJsonArray{
            KeepsTypes(from) && KeepsTypes(to) ? p[0] : QJsonValue(),
            KeepsDescriptions(from) && KeepsDescriptions(to) ? p[1] : QJsonValue(), p[2]});
    }
    std::sort(kept.begin(), kept.end(), [](const QJsonArray& a, const QJsonArray& b) {
        return a[2].toString() < b[2].toString();
    });
    QJsonArray sorted;
    for (const QJsonArray& p : kept) {
        sorted.append(p);
    }
    tags.insert(S("pictures"), sorted);
    return tags;
}

// What mutagen finds in an output of the tool's full set; the frames no field stands for only in
// an MP3 output of an ID3 input.
QJsonObject ExpectedIn(QJsonObject full, const char* from, const char* ext) {
    const QStringList id3Inputs = {S("mp3"), S("wav"), S("aiff")};
    if (!id3Inputs.contains(QLatin1String(from)) || QLatin1String(ext) != QLatin1String("mp3")) {
        full.remove(S("popm:rater@example.org"));
        full.remove(S("priv:org.example.quorvel"));
    }
    if (QLatin1String(ext) == QLatin1String("opus")) {
        // R128 relative to -23 LUFS: -6.50 dB of ReplayGain is -11.5 dB, -2944 in Q7.8.
        full.remove(S("replaygain_track_gain"));
        full.insert(S("r128_track_gain"), Values({"-2944"}));
    }
    return full;
}

// Every input format into every tagged output format, untouched by the editor: mutagen reads
// every field back with every value, whole (a 10,240-character comment, a full date), under the
// target's usual name, every picture with its bytes unchanged, and an ID3 input's other frames
// in an MP3 output.
TEST_F(TagCarry, EveryValueOfEveryInputReachesEveryFormat) {
    const QJsonObject full = DumpCarried({Source("mp3")}).value(0);
    ASSERT_EQ(full.value(S("pictures")).toArray().size(), 2);
    ASSERT_EQ(full.value(S("pictures")).toArray()[0].toArray()[2].toString(), coverSha_);
    ASSERT_EQ(full.value(S("artist")).toArray().size(), 2);
    QStringList outputs;
    QList<QJsonObject> expected;
    QList<std::pair<const char*, const char*>> kept;
    for (const char* from : kInputs) {
        for (const Format& to : kOutputs) {
            const QString out = Output(QLatin1String(from) + S("_to"), to.ext);
            QString note;
            ASSERT_NO_THROW(note = TransferTags(out, to.kind, ReadRow(),
                                                TagSource{Source(from), false, ReadRow(), {}}))
                << from << " to " << to.ext;
            EXPECT_TRUE(note.isEmpty()) << note.toStdString();
            outputs << out;
            expected << WithPicturesAsKept(ExpectedIn(full, from, to.ext), from, to.ext);
            kept << std::pair{from, to.ext};
        }
    }
    QList<QJsonObject> dumps = DumpCarried(outputs);
    ASSERT_EQ(dumps.size(), outputs.size());
    for (qsizetype i = 0; i < outputs.size(); ++i) {
        dumps[i] = WithPicturesAsKept(dumps[i], kept[i].first, kept[i].second);
        for (const QString& key : expected[i].keys() + dumps[i].keys()) {
            EXPECT_EQ(Text(dumps[i].value(key)), Text(expected[i].value(key)))
                << outputs[i].toStdString() << ": " << key.toStdString();
        }
    }
}

// What the input's tags cannot decide: an edited field wins (a cleared one stays empty), an
// unreadable or untagged source still gets the record, normalised audio loses the input's gains,
// and a frame that cannot be decoded is left out and named instead of written as garbage.
TEST_F(TagCarry, TheRecordDecidesWhatTheSourceCannot) {
    const QString junk = out_.Write(S("junk.flac"), QByteArray("fLaC and nothing else"));
    // TYER marked ISO-8859-1 but holding UTF-16: "þÿ" to a reader that believes the mark.
    const QByteArray badYear = QByteArray(
        "\0\xFE\xFF\0"
        "2\0"
        "0\0"
        "2\0"
        "1",
        11);
    QByteArray frames;
    for (const auto& [id, data] : {std::pair{QByteArray("TIT2"), QByteArray("\0Song", 5)},
                                   std::pair{QByteArray("TYER"), badYear},
                                   std::pair{QByteArray("TPE1"), QByteArray("\0Band", 5)}}) {
        const auto size = static_cast<char>(data.size());
        frames += id + QByteArray("\0\0\0", 3) + size + QByteArray(2, '\0') + data;
    }
    QByteArray tag("ID3\3\0\0\0\0\0", 9);
    tag += static_cast<char>(frames.size());
    const QString blankMp3 = dir_->File(S("blank.mp3"));
    const QByteArray audio = ReadAll(blankMp3).mid(static_cast<qsizetype>(
        Id3v2ExistingTagLength(reinterpret_cast<const unsigned char*>(ReadAll(blankMp3).data()))));
    const QString badTyer = out_.Write(S("bad-tyer.mp3"), tag + frames + audio);
    // ID3v1 only: title, artist, album, year, comment, track 7, genre 17 (Rock).
    QByteArray v1("TAG", 3);
    for (const auto& [text, width] :
         {std::pair{"One", 30}, std::pair{"V1 Artist", 30}, std::pair{"V1 Album", 30},
          std::pair{"1999", 4}, std::pair{"v1 note", 28}}) {
        v1 += QByteArray(text).leftJustified(width, '\0');
    }
    v1 += QByteArray("\0\7\21", 3);
    const QString v1Only = out_.Write(S("v1.mp3"), audio + v1);

    AudioFileinfo cleared = EditedRow();
    cleared.Comment.clear();
    cleared.Genre.clear();
    struct Case {
        const char* ext;
        TagKind kind;
        TagSource source;
        AudioFileinfo row;
        QJsonObject present;
        QStringList absent;
        QString note = {};
    };
    const std::vector<Case> cases = {
        {"mp3",
         TagKind::Id3v2,
         {Source("m4a"), false, ReadRow(), {}},
         cleared,
         {{S("title"), Values({"Nëw title"})}, {S("artist"), Values({"Ärtist"})}},
         {S("comment"), S("genre")}},
        {"opus",
         TagKind::VorbisComments,
         {junk, false, {}, {}},
         EditedRow(),
         {{S("title"), Values({"Nëw title"})}, {S("comment"), Values({"Edited comment"})}},
         {S("pictures"), S("track")}},
        {"m4a",
         TagKind::Mp4Atoms,
         {S("/no/such/file.mp3"), false, {}, {}},
         EditedRow(),
         {{S("title"), Values({"Nëw title"})}},
         {S("pictures")}},
        {"ogg",
         TagKind::VorbisComments,
         {Source("mp3"), true, ReadRow(), {}},
         ReadRow(),
         {{S("artist"), Values({"Artist One", "Artiste Deux ü"})}},
         {S("replaygain_track_gain")}},
        {"mp3",
         TagKind::Id3v2,
         {Source("opus"), true, ReadRow(), {}},
         ReadRow(),
         {{S("date"), Values({"2021-05-04"})}},
         {S("replaygain_track_gain"), S("r128_track_gain")}},
        {"flac",
         TagKind::VorbisComments,
         {badTyer,
          false,
          AudioFileinfo{S("Song"), S("Band"), S("\u00FE\u00FF"), {}, {}, {}, 0},
          {}},
         AudioFileinfo{S("Song"), S("Band"), S("\u00FE\u00FF"), {}, {}, {}, 0},
         {{S("title"), Values({"Song"})}, {S("artist"), Values({"Band"})}},
         {S("date")},
         S("Left out tags that cannot be read: TYER")},
        {"mp3",
         TagKind::Id3v2,
         {v1Only, false, {}, {}},
         {},
         {{S("title"), Values({"One"})},
          {S("artist"), Values({"V1 Artist"})},
          {S("date"), Values({"1999"})},
          {S("track"), Values({"7"})},
          {S("genre"), Values({"Rock"})}},
         {}},
    };
    QStringList outputs;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        outputs << Output(S("case%1").arg(i), cases[i].ext);
        QString note;
        ASSERT_NO_THROW(
            note = TransferTags(outputs.last(), cases[i].kind, cases[i].row, cases[i].source))
            << i;
        EXPECT_EQ(note, cases[i].note) << i;
    }
    const QList<QJsonObject> dumps = DumpCarried(outputs);
    ASSERT_EQ(dumps.size(), outputs.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const QJsonObject& dump = dumps[qsizetype(i)];
        for (const QString& key : cases[i].present.keys()) {
            EXPECT_EQ(Text(dump.value(key)), Text(cases[i].present.value(key)))
                << i << " " << key.toStdString();
        }
        for (const QString& key : cases[i].absent) {
            EXPECT_FALSE(dump.contains(key)) << i << " " << key.toStdString();
        }
    }
}

// MP3: an input without extras gets the ID3 writer's tag byte for byte; with them the writer's
// frames stay and the audio after the tag is untouched, in place or through a new file.
TEST_F(TagCarry, Mp3KeepsTheWritersFramesAndTheAudio) {
    const QString blank = Output(S("blank"), "mp3");
    // ffmpeg puts a tag of its own in front: the writers replace it.
    const QByteArray audio = ReadAll(blank).mid(static_cast<qsizetype>(Id3v2ExistingTagLength(
        reinterpret_cast<const unsigned char*>(ReadAll(blank).constData()))));
    const ID3StructV2 six{S("Tïtle"), S("Ärtist"), S("Album"), S("2001"),
                          QString(),  S("Note"),   S("Rock")};
    const QString sixOnly = out_.Write(S("six.mp3"), audio);
    WriteId3Tag(sixOnly, six);
    const AudioFileinfo sixRow{six.Title,   six.Artist, six.Year, six.Album,
                               six.Comment, six.Genre,  0};
    for (const auto& [source, row, expected] :
         {std::tuple{Output(S("untagged"), "m4a"), AudioFileinfo(), ID3StructV2()},
          std::tuple{sixOnly, sixRow, six}}) {
        // An output of our own encoder has no tag yet.
        const QString plain = out_.Write(S("plain.mp3"), audio);
        TransferTags(plain, TagKind::Id3v2, row, TagSource{source, false, row, {}});
        EXPECT_EQ(ReadAll(plain), BuildId3v2Tag(expected) + audio) << source.toStdString();
    }
    for (TagRewrite rewrite : {TagRewrite::InPlace, TagRewrite::Replace}) {
        const QString out = Output(S("carried"), "mp3");
        const TagSource source{Source("ogg"), false, ReadRow(), {}};
        TransferTags(out, TagKind::Id3v2, EditedRow(), source, rewrite);
        TransferTags(out, TagKind::Id3v2, EditedRow(), source, rewrite);
        const QByteArray bytes = ReadAll(out);
        EXPECT_TRUE(bytes.endsWith(audio));
        ReadId3Tag(out);
        EXPECT_EQ(Id3Tag, (ID3StructV2{S("Nëw title"), S("Ärtist"), S("Album"), S("2001"),
                                       S("3/12"), S("Edited comment"), S("Jazz")}));
        EXPECT_EQ(DumpCarried({out}).value(0).value(S("pictures")).toArray().size(), 2);
        QFile::remove(out);
    }
}

// [Cover] folder embeds the folder's image only where the input has no front cover; [Cover] max
// size scales larger pictures down to a JPEG of that size and leaves smaller ones byte for byte.
TEST_F(TagCarry, CoverOptionsFillAndScaleThePictures) {
    QImage big(300, 120, QImage::Format_RGB32);
    big.fill(Qt::darkCyan);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(big.save(&buffer, "PNG"));
    const QString untagged = out_.File(S("album/untagged.flac"));
    QDir().mkpath(out_.File(S("album")));
    QFile::copy(dir_->File(S("blank.flac")), untagged);
    out_.Write(S("album/Folder.PNG"), png);
    struct Case {
        QString source;
        CoverOptions options;
        int width;  // of the front cover; 0: the tool's own front cover, unchanged
    };
    const Case cases[] = {{untagged, {0, true}, 300},
                          {untagged, {100, true}, 100},
                          {Source("ogg"), {0, true}, 0},
                          {Source("ogg"), {4000, false}, 0}};
    for (const Case& c : cases) {
        const QString out = Output(S("covered"), "flac");
        TransferTags(out, TagKind::VorbisComments, {}, TagSource{c.source, false, {}, c.options});
        QString error;
        const TagSet set = ReadTagSet(out, &error);
        ASSERT_NE(set.Front(), nullptr) << c.source.toStdString();
        const QImage front = QImage::fromData(set.Front()->data);
        if (c.width == 0) {
            EXPECT_EQ(
                QString::fromLatin1(
                    QCryptographicHash::hash(set.Front()->data, QCryptographicHash::Sha1).toHex()),
                coverSha_);
        } else {
            EXPECT_EQ(front.width(), c.width);
            EXPECT_EQ(front.height(), c.width * 120 / 300);
            EXPECT_EQ(set.Front()->mime, c.width == 300 ? S("image/png") : S("image/jpeg"));
        }
        QFile::remove(out);
    }
}

TEST_F(TagCarry, AFailedWriteIsAnErrorNamingTheFile) {
    const QString readOnly = Output(S("locked"), "flac");
    QFile(readOnly).setPermissions(QFile::ReadOwner);
    const QString wav = out_.Write(S("fake.m4a"), QByteArray("RIFF....WAVEfmt "));
    for (const QString& path : {readOnly, wav}) {
        try {
            TransferTags(path, TagKind::VorbisComments, EditedRow(),
                         TagSource{Source("mp3"), false, {}, {}});
            if (geteuid() != 0 || path != readOnly) {
                ADD_FAILURE() << "no error for " << path.toStdString();
            }
        } catch (const TagError& e) {
            EXPECT_TRUE(QString::fromUtf8(e.what()).contains(path)) << e.what();
        }
    }
}

}  // namespace
