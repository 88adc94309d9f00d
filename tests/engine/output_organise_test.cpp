#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "engine/convert_batch.h"
#include "engine/main_state.h"
#include "fakes/fake_audio.h"
#include "platform/source_mark.h"
#include "recording_host.h"
#include "support/temp_dir.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

void SetModified(const QString& path, qint64 secondsAgo) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(-secondsAgo),
                                 QFileDevice::FileModificationTime));
}

class OutputOrganiseTest : public ::testing::Test {
  protected:
    void SetUp() override {
        state.appSettings.OutputFormat = 1;  // WAV: the fake outputs get no tags
        outDir = dir.File(S("out"));
        QDir().mkpath(outDir);
        reader.durationMs = 1000;
        reader.input.assign(2000, 0.25f);
    }
    QString Input(const QString& relative) {
        QDir().mkpath(QFileInfo(dir.File(relative)).absolutePath());
        return dir.Write(relative, "audio");
    }
    void Run(const OutputNaming& naming) {
        state.NamingOverride = naming;
        BatchParts parts{state, reader, writer, encoder, transform, QString(), outDir};
        ConvertAll(parts, host);
    }
    QString Out(const QString& name) const { return outDir + QLatin1Char('/') + name; }

    TempDir dir;
    QString outDir;
    CallLog log = MakeCallLog();
    MainState state;
    FakeAudioFile reader{S("AudioFileRead"), log};
    FakeAudioFile writer{S("AudioFilewrite"), log};
    RecordingLameEncoder encoder{log};
    FakeTransform transform{log};
    RecordingHost host;
};

// An output already there is numbered past, skipped without being decoded, or replaced only
// when older than its input; a link at the name fails the row for skip and update, and neither
// it nor what it points to is replaced.
TEST_F(OutputOrganiseTest, ExistingOutputsAreNumberedSkippedOrUpdatedByAge) {
    enum class At { File, Link };
    struct Case {
        ExistingOutput rule;
        At at;
        qint64 outputAge;  // seconds; the input is 100 s old
        RowState outcome;
        const char* output;  // empty: none
        bool replaced;
    };
    const std::vector<Case> cases{
        {ExistingOutput::Number, At::File, 500, RowState::Finished, "song_1.wav", false},
        {ExistingOutput::Skip, At::File, 500, RowState::Exists, "song.wav", false},
        {ExistingOutput::Skip, At::File, 10, RowState::Exists, "song.wav", false},
        {ExistingOutput::Update, At::File, 500, RowState::Finished, "song.wav", true},
        {ExistingOutput::Update, At::File, 10, RowState::Exists, "song.wav", false},
        {ExistingOutput::Update, At::Link, 500, RowState::Failed, nullptr, false},
        {ExistingOutput::Skip, At::Link, 500, RowState::Failed, nullptr, false},
        {ExistingOutput::Number, At::Link, 500, RowState::Finished, "song_1.wav", false},
    };
    const QString input = Input(S("song.wav"));
    SetModified(input, 100);
    const QString elsewhere = dir.Write(S("elsewhere.wav"), "keep");
    for (const Case& c : cases) {
        QDir(outDir).removeRecursively();
        QDir().mkpath(outDir);
        log->clear();
        host = RecordingHost{};
        host.Add(S("song"), input);
        if (c.at == At::File) {
            dir.Write(S("out/song.wav"), "keep");
            SetModified(Out(S("song.wav")), c.outputAge);
        } else {
            SetModified(elsewhere, c.outputAge);
            ASSERT_TRUE(QFile::link(elsewhere, Out(S("song.wav"))));
        }
        Run({QString(), c.rule, false});
        const auto what = static_cast<int>(c.rule);
        ASSERT_EQ(host.done.size(), 1u);
        EXPECT_EQ(host.done[0].outcome, c.outcome) << what;
        EXPECT_EQ(host.done[0].output, c.output ? Out(S(c.output)) : QString()) << what;
        const QString status = c.outcome == RowState::Exists     ? S("Skipped")
                               : c.outcome == RowState::Finished ? S("finish")
                                                                 : S("Error");
        EXPECT_EQ(host.rows[0].status, status) << what;
        // A skipped or refused row is never opened.
        EXPECT_EQ(log->filter(S("AudioFileRead.Open")).isEmpty(), c.outcome != RowState::Finished)
            << what;
        const QByteArray now = ReadAll(Out(S("song.wav")));
        EXPECT_EQ(now == "keep", !c.replaced) << what;
        EXPECT_EQ(ReadAll(elsewhere), QByteArray("keep")) << what;
        // Nothing half-written or hidden is left beside the outputs.
        EXPECT_EQ(
            QDir(outDir).entryList(QDir::Files | QDir::Hidden | QDir::System).filter(S(".quorvel")),
            QStringList())
            << what;
    }
}

// Two inputs that give one name: re-runs skip or update each input's own output only, whatever
// the first run left, and never put one input's audio under the other's output.
TEST_F(OutputOrganiseTest, ReRunsTouchOnlyEachInputsOwnOutput) {
    const QString cd1 = Input(S("CD1/01.wav"));
    const QString cd2 = Input(S("CD2/01.wav"));
    const auto run = [&](ExistingOutput rule, const QStringList& inputs) {
        host = RecordingHost{};
        for (const QString& input : inputs) {
            host.Add(S("01"), input);
        }
        Run({QString(), rule, false});
        std::vector<std::pair<RowState, QString>> done;
        for (const auto& d : host.done) {
            done.emplace_back(d.outcome, QFileInfo(d.output).fileName());
        }
        return done;
    };
    using Done = std::vector<std::pair<RowState, QString>>;
    for (const bool firstRunCut : {false, true}) {
        QDir(outDir).removeRecursively();
        QDir().mkpath(outDir);
        run(ExistingOutput::Number, firstRunCut ? QStringList{cd1} : QStringList{cd1, cd2});
        EXPECT_EQ(run(ExistingOutput::Skip, {cd1, cd2}),
                  (Done{{RowState::Exists, S("01.wav")},
                        {firstRunCut ? RowState::Finished : RowState::Exists, S("01_1.wav")}}))
            << firstRunCut;
        SetModified(Out(S("01.wav")), 500);
        SetModified(Out(S("01_1.wav")), 500);
        SetModified(cd1, 1000);  // only CD2 changed since
        EXPECT_EQ(run(ExistingOutput::Update, {cd1, cd2}),
                  (Done{{RowState::Exists, S("01.wav")}, {RowState::Finished, S("01_1.wav")}}))
            << firstRunCut;
        EXPECT_EQ(OutputSource(Out(S("01.wav"))), cd1);
        EXPECT_EQ(OutputSource(Out(S("01_1.wav"))), cd2);
        EXPECT_FALSE(QFileInfo::exists(Out(S("01_2.wav"))));
    }
}

// Kept folder structure under a pattern: three levels with non-ASCII names, tag texts that try to
// leave the folder or make folders of their own, and missing fields.
TEST_F(OutputOrganiseTest, MirroredTreeWithPatternFolders) {
    const QString lib = dir.File(S("lib"));
    AudioFileinfo hostile;
    hostile.Artist = S("AC/DC");
    hostile.Album = S("..");
    hostile.Title = S("../../etc/passwd");
    host.Add(S("a"), Input(S("lib/a.wav")), {}, lib);
    host.Add(S("b"), Input(S("lib/Ärger/b.wav")), hostile, lib);
    host.Add(S("c"), Input(S("lib/Ärger/Büro/c.wav")), {}, lib);
    host.Add(S("d"), Input(S("elsewhere/d.wav")), {}, lib);  // outside the folder added
    Run({S("{artist}/{album}/{title}"), ExistingOutput::Number, true});
    const QStringList expected{
        Out(S("Unknown Artist/Unknown Album/a.wav")),
        Out(S("Ärger/ACDC/__/....etcpasswd.wav")),
        Out(S("Ärger/Büro/Unknown Artist/Unknown Album/c.wav")),
        Out(S("Unknown Artist/Unknown Album/d.wav")),
    };
    ASSERT_EQ(host.done.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(host.done[static_cast<std::size_t>(i)].output, expected[i]) << i;
        EXPECT_TRUE(QFileInfo(expected[i]).isFile()) << i;
    }
}

}  // namespace
