#include <gtest/gtest.h>

#include <unistd.h>
#include <QCryptographicHash>
#include <QFile>
#include <QJsonObject>
#include <span>

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

struct Format {
    const char* ext;
    TagKind kind;
};
constexpr Format kFormats[] = {{"mp3", TagKind::Id3v2},
                               {"flac", TagKind::VorbisComments},
                               {"ogg", TagKind::VorbisComments},
                               {"opus", TagKind::VorbisComments},
                               {"m4a", TagKind::Mp4Atoms}};
// Formats written to, not read from: their tags are checked as outputs.
constexpr Format kOutputOnly[] = {{"aiff", TagKind::Id3Chunk}, {"wv", TagKind::ApeTag}};

// The row as the user left it in the tag editor: three fields changed from the file's.
AudioFileinfo EditedRow() {
    return AudioFileinfo{S("Nëw title"),      S("Ärtist"), S("2001"), S("Album"),
                         S("Edited comment"), S("Jazz"),   0};
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
        for (const Format& f : kFormats) {
            sources << dir_->File(S("src.") + QLatin1String(f.ext));
            blanks << dir_->File(S("blank.") + QLatin1String(f.ext));
        }
        for (const Format& f : kOutputOnly) {
            blanks << dir_->File(S("blank.") + QLatin1String(f.ext));
        }
        ready_ = MakeCarryFiles(coverPath, sources) && MakeCarryFiles(QString(), blanks);
    }
    static void TearDownTestSuite() { delete dir_; }
    void SetUp() override {
        if (!ready_) {
            GTEST_SKIP() << "ffmpeg or python3-mutagen is missing";
        }
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

// Every source format into every tagged output format: mutagen reads the same set back, with
// the row's fields instead of the file's and the cover's bytes unchanged.
TEST_F(TagCarry, EveryTagAndTheCoverReachEveryFormat) {
    QJsonObject expected = DumpCarried({Source("flac")}).value(0);
    ASSERT_EQ(expected.value(S("cover")).toString(), coverSha_);
    expected.insert(S("title"), S("Nëw title"));
    expected.insert(S("comment"), S("Edited comment"));
    expected.insert(S("genre"), S("Jazz"));
    QStringList outputs;
    QStringList names;
    for (const Format& from : kFormats) {
        EXPECT_EQ(DumpCarried({Source(from.ext)}).value(0).size(), expected.size()) << from.ext;
        for (const auto& targets :
             {std::span<const Format>(kFormats), std::span<const Format>(kOutputOnly)}) {
            for (const Format& to : targets) {
                const QString out = Output(QLatin1String(from.ext) + S("_to"), to.ext);
                ASSERT_NO_THROW(
                    TransferTags(out, to.kind, EditedRow(), TagSource{Source(from.ext)}))
                    << from.ext << " to " << to.ext;
                outputs << out;
            }
        }
    }
    const QList<QJsonObject> dumps = DumpCarried(outputs);
    ASSERT_EQ(dumps.size(), outputs.size());
    for (qsizetype i = 0; i < outputs.size(); ++i) {
        EXPECT_EQ(dumps[i], expected) << outputs[i].toStdString() << "\n"
                                      << QJsonDocument(dumps[i]).toJson().toStdString();
    }
}

// What the input's tags cannot decide: an empty field the user cleared stays empty, an
// unreadable or untagged source still gets the record, and normalised audio loses the input's
// ReplayGain values.
TEST_F(TagCarry, TheRecordDecidesWhatTheSourceCannot) {
    const QString junk = out_.Write(S("junk.flac"), QByteArray("fLaC and nothing else"));
    AudioFileinfo cleared = EditedRow();
    cleared.Comment.clear();
    cleared.Genre.clear();
    struct Case {
        const char* ext;
        TagKind kind;
        TagSource source;
        AudioFileinfo row;
        QStringList absent;
        QStringList present;
    };
    const std::vector<Case> cases = {
        {"mp3",
         TagKind::Id3v2,
         {Source("m4a")},
         cleared,
         {S("comment"), S("genre")},
         {S("lyrics"), S("cover")}},
        {"m4a",
         TagKind::Mp4Atoms,
         {Source("mp3")},
         cleared,
         {S("comment"), S("genre")},
         {S("lyrics"), S("cover")}},
        {"opus",
         TagKind::VorbisComments,
         {junk},
         EditedRow(),
         {S("cover"), S("track")},
         {S("title"), S("comment")}},
        {"m4a",
         TagKind::Mp4Atoms,
         {S("/no/such/file.mp3")},
         EditedRow(),
         {S("cover")},
         {S("title")}},
        {"ogg",
         TagKind::VorbisComments,
         {Source("mp3"), true},
         EditedRow(),
         {S("replaygain_track_gain")},
         {S("cover"), S("musicbrainz_trackid")}},
        {"flac",
         TagKind::VorbisComments,
         {Source("opus"), true},
         EditedRow(),
         {S("replaygain_track_gain")},
         {S("cover"), S("track")}},
    };
    QStringList outputs;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        outputs << Output(S("case%1").arg(i), cases[i].ext);
        ASSERT_NO_THROW(TransferTags(outputs.last(), cases[i].kind, cases[i].row, cases[i].source))
            << i;
    }
    const QList<QJsonObject> dumps = DumpCarried(outputs);
    ASSERT_EQ(dumps.size(), outputs.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        for (const QString& key : cases[i].absent) {
            EXPECT_FALSE(dumps[qsizetype(i)].contains(key)) << i << " " << key.toStdString();
        }
        for (const QString& key : cases[i].present) {
            EXPECT_TRUE(dumps[qsizetype(i)].contains(key)) << i << " " << key.toStdString();
        }
    }
}

// MP3: without extras the tag is byte for byte the ID3 writer's; with them the writer's seven
// frames stay and the audio after the tag is untouched, in place or through a new file.
TEST_F(TagCarry, Mp3KeepsTheWritersFramesAndTheAudio) {
    const QString blank = Output(S("blank"), "mp3");
    // ffmpeg puts a tag of its own in front: the writers replace it.
    const QByteArray audio = ReadAll(blank).mid(static_cast<qsizetype>(Id3v2ExistingTagLength(
        reinterpret_cast<const unsigned char*>(ReadAll(blank).constData()))));
    // An output of our own encoder has no tag yet.
    const QString plain = out_.Write(S("plain.mp3"), audio);
    TransferTags(plain, TagKind::Id3v2, AudioFileinfo(), TagSource{Output(S("untagged"), "m4a")});
    EXPECT_EQ(ReadAll(plain), BuildId3v2Tag(ID3StructV2()) + audio);
    for (TagRewrite rewrite : {TagRewrite::InPlace, TagRewrite::Replace}) {
        const QString out = Output(S("carried"), "mp3");
        TransferTags(out, TagKind::Id3v2, EditedRow(), TagSource{Source("ogg")}, rewrite);
        TransferTags(out, TagKind::Id3v2, EditedRow(), TagSource{Source("ogg")}, rewrite);
        const QByteArray bytes = ReadAll(out);
        EXPECT_TRUE(bytes.endsWith(audio));
        ReadId3Tag(out);
        EXPECT_EQ(Id3Tag, (ID3StructV2{S("Nëw title"), S("Ärtist"), S("Album"), S("2001"),
                                       S("3/12"), S("Edited comment"), S("Jazz")}));
        EXPECT_EQ(DumpCarried({out}).value(0).value(S("cover")).toString(), coverSha_);
        QFile::remove(out);
    }
}

TEST_F(TagCarry, AFailedWriteIsAnErrorNamingTheFile) {
    const QString readOnly = Output(S("locked"), "flac");
    QFile(readOnly).setPermissions(QFile::ReadOwner);
    const QString wav = out_.Write(S("fake.m4a"), QByteArray("RIFF....WAVEfmt "));
    for (const QString& path : {readOnly, wav}) {
        try {
            TransferTags(path, TagKind::VorbisComments, EditedRow(), TagSource{Source("mp3")});
            if (geteuid() != 0 || path != readOnly) {
                ADD_FAILURE() << "no error for " << path.toStdString();
            }
        } catch (const TagError& e) {
            EXPECT_TRUE(QString::fromUtf8(e.what()).contains(path)) << e.what();
        }
    }
}

}  // namespace
