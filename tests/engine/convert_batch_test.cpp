#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include "components/component_error.h"
#include "engine/convert_batch.h"
#include "engine/main_state.h"
#include "engine/normalize_batch.h"
#include "fakes/fake_audio.h"
#include "recording_host.h"
#include "support/temp_dir.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

// A writer that fails on its n-th block, as a full disk would.
class FailingWriter : public FakeAudioFile {
  public:
    using FakeAudioFile::FakeAudioFile;
    int failAt = 2;
    void WriteBuffer(AudioBuffer& buffer) override {
        if (++writes_ == failAt) {
            throw ComponentError(S("Cannot write out.wav: No space left on device"));
        }
        FakeAudioFile::WriteBuffer(buffer);
    }

  private:
    int writes_ = 0;
};

class ConvertBatchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        state.appSettings.OutputFormat = 1;  // WAV: no tag is written into the fake outputs
        // The fakes write no audio to read back: the check has its own tests on the real
        // components.
        state.appSettings.CheckOutputs = false;
        outDir = dir.File(S("out"));
        reader.durationMs = 1000;
    }

    BatchParts Parts() {
        return BatchParts{state, reader, *writer, encoder, transform, QString(), outDir};
    }
    QString AddRow(const char* caption, std::int64_t frames = 5000) {
        const QString path = dir.Write(QString::fromUtf8(caption) + S(".wav"), "x");
        host.Add(S(caption), path);
        reader.input.assign(static_cast<std::size_t>(frames) * 2, 0.25f);
        return path;
    }
    std::vector<int> Requests() const {
        std::vector<int> r;
        static const QRegularExpression re(S("^AudioFileRead\\.ReadBuffer\\((\\d+)\\)$"));
        for (const QString& line : *log) {
            const auto m = re.match(line);
            if (m.hasMatch()) {
                r.push_back(m.captured(1).toInt());
            }
        }
        return r;
    }
    QStringList Fades() const { return log->filter(S("Fade(")); }

    TempDir dir;
    QString outDir;
    CallLog log = MakeCallLog();
    MainState state;
    FakeAudioFile reader{S("AudioFileRead"), log};
    std::unique_ptr<FakeAudioFile> writer =
        std::make_unique<FakeAudioFile>(S("AudioFilewrite"), log);
    RecordingLameEncoder encoder{log};
    FakeTransform transform{log};
    RecordingHost host;
};

struct RequestCase {
    const char* what;
    bool fadeIn, fadeOut;
    int fadeInTime, fadeOutTime;
    std::int64_t frames;
    int durationMs;
    std::vector<int> requests;
    QStringList fades;
};

TEST_F(ConvertBatchTest, RequestSizesAndFadesFollowTheFadeSettings) {
    const std::vector<RequestCase> cases{
        {"no fades", false, false, 5, 5, 5000, 1000, {2034, 2034, 2034}, {}},
        {"fade-in block of MulDiv(5000, Length, Duration)",
         true,
         false,
         5,
         5,
         10000,
         10000,
         {5000, 2034, 2034, 2034},
         {S("AudioTransform21.Fade(9999,0,100)")}},
        {"fade-out tail takes everything left",
         false,
         true,
         5,
         3,
         10000,
         10000,
         {2034, 2034, 2034, 2034, 1868},
         {S("AudioTransform21.Fade(3727,100,0)")}},
        {"short file: one block with both fades",
         true,
         true,
         5,
         5,
         1000,
         1000,
         {1000},
         {S("AudioTransform21.Fade(1999,0,100)"), S("AudioTransform21.Fade(1999,100,0)")}},
        {"zero fade time is no fade", true, true, 0, 0, 5000, 1000, {2034, 2034, 2034}, {}},
    };
    for (const RequestCase& c : cases) {
        log->clear();
        host = RecordingHost();
        state.appSettings.FadeIn = c.fadeIn;
        state.appSettings.FadeOut = c.fadeOut;
        state.appSettings.FadeInTime = c.fadeInTime;
        state.appSettings.FadeOutTime = c.fadeOutTime;
        reader.durationMs = c.durationMs;
        AddRow("song", c.frames);
        BatchParts parts = Parts();
        ConvertAll(parts, host);
        EXPECT_EQ(Requests(), c.requests) << c.what;
        EXPECT_EQ(Fades(), c.fades) << c.what;
        EXPECT_EQ(writer->written.size(), reader.input.size()) << c.what;
        EXPECT_EQ(host.rows[0].status, S("finish")) << c.what;
    }
}

TEST_F(ConvertBatchTest, OneFileRunsItsStepsInOrderWithProgressAndEndsIdle) {
    AddRow("song");
    BatchParts parts = Parts();
    ConvertAll(parts, host);

    const QString out = outDir + S("/song.wav");
    // The output is written under a hidden name and named once complete.
    const QStringList created = log->filter(S("AudioFilewrite.CreateOutput("));
    ASSERT_EQ(created.size(), 1);
    EXPECT_TRUE(created[0].startsWith(S("AudioFilewrite.CreateOutput(") + outDir + S("/.quorvel-")))
        << created[0].toStdString();
    const QStringList expected{S("AudioFileRead.Open(") + host.rows[0].path + S(")"),
                               S("AudioFilewrite.SetSourceFormat(44100,2)"),
                               created[0],
                               S("AudioFilewrite.SetSourceFormat(44100,2)"),
                               S("AudioFileRead.ReadBuffer(2034)"),
                               S("AudioFilewrite.WriteBuffer(4067)"),
                               S("AudioFileRead.ReadBuffer(2034)"),
                               S("AudioFilewrite.WriteBuffer(4067)"),
                               S("AudioFileRead.ReadBuffer(2034)"),
                               S("AudioFilewrite.WriteBuffer(1863)"),
                               S("AudioFileRead.Close()"),
                               S("AudioFilewrite.Close()")};
    // The writer's configuration belongs to the encoder settings; the file steps follow it.
    const qsizetype open = log->indexOf(expected[0]);
    ASSERT_GE(open, 0);
    EXPECT_EQ(log->mid(open), expected);
    // Two pumps per block and one per file: Stop is heard at either.
    EXPECT_EQ(host.pumps, 1 + 2 * 3);
    EXPECT_EQ(host.progress, (std::vector<int>{0, 4066, 8132, 9994, 0, 0}));
    EXPECT_EQ(host.rows[0].status, S("finish"));
    EXPECT_TRUE(QFileInfo(outDir).isDir());
    EXPECT_EQ(state.appSettings.OutputDir, outDir + S("/"));
    EXPECT_EQ(host.done.at(0).output, out);
    EXPECT_EQ(QDir(outDir).entryList(QDir::Files | QDir::Hidden), QStringList{S("song.wav")});
    EXPECT_FALSE(state.Converting);
    EXPECT_TRUE(host.textCleared);
    EXPECT_EQ(host.beforeBatch, 1);
}

TEST_F(ConvertBatchTest, EmptyListAndRunningBatchStartNothing) {
    BatchParts parts = Parts();
    ConvertAll(parts, host);
    EXPECT_EQ(host.information, QStringList{S("Please add file!")});
    AddRow("song");
    state.Converting = true;
    ConvertAll(parts, host);
    EXPECT_TRUE(log->isEmpty());
    EXPECT_EQ(host.rows[0].status, S("Unconvert"));
}

TEST_F(ConvertBatchTest, StopMidFileDeletesTheCutOutputAndStartsNoFurtherRow) {
    AddRow("one", 20000);
    AddRow("two", 20000);
    host.onPump = [this](int pumps) {
        if (pumps == 6) {
            StopWork(state);
        }
    };
    BatchParts parts = Parts();
    ConvertAll(parts, host);
    EXPECT_EQ(host.rows[0].status, S("Stop"));
    EXPECT_EQ(host.rows[1].status, S("Unconvert"));
    ASSERT_EQ(host.done.size(), 2u);
    EXPECT_EQ(host.done[0].outcome, RowState::Stopped);
    EXPECT_EQ(host.done[1].outcome, RowState::NotReached);
    EXPECT_GT(writer->written.size(), 0u);
    EXPECT_LT(writer->written.size(), reader.input.size());
    EXPECT_TRUE(log->endsWith(S("AudioFilewrite.Close()")));
    EXPECT_TRUE(QDir(outDir).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_FALSE(state.Converting);
}

TEST_F(ConvertBatchTest, VanishedInputIsReportedAndSkipped) {
    const QString gone = AddRow("gone");
    AddRow("kept");
    QFile::remove(gone);
    BatchParts parts = Parts();
    ConvertAll(parts, host);
    EXPECT_EQ(host.information, QStringList{gone + S(" has been removed.")});
    EXPECT_EQ(host.rows[0].status, S("Unconvert"));
    EXPECT_EQ(host.rows[1].status, S("finish"));
    ASSERT_EQ(host.done.size(), 2u);
    EXPECT_EQ(host.done[0].outcome, RowState::Removed);
}

TEST_F(ConvertBatchTest, FailureDeletesTheOutputAndTheBatchGoesOn) {
    auto failing = std::make_unique<FailingWriter>(S("AudioFilewrite"), log);
    writer = std::move(failing);
    const QString input = AddRow("one");
    AddRow("two");
    BatchParts parts = Parts();
    ConvertAll(parts, host);

    EXPECT_EQ(host.rows[0].status, S("Error"));
    EXPECT_EQ(host.rows[1].status, S("finish"));
    // Reported once, at the end, naming the file and the cause.
    ASSERT_EQ(host.errors.size(), 1);
    EXPECT_TRUE(host.errors[0].contains(input)) << host.errors[0].toStdString();
    EXPECT_TRUE(host.errors[0].contains(S("No space left")));
    EXPECT_EQ(QDir(outDir).entryList(QDir::Files | QDir::Hidden), QStringList{S("two.wav")});
    EXPECT_FALSE(state.Converting);
    EXPECT_FALSE(state.BatchActive);
    EXPECT_TRUE(host.textCleared);
}

// [Convert] same format=copy: an input already in the output format that nothing of the run
// would change is its own bytes under the output's name, remarked "copied"; anything to change
// (or another codec, or the setting off) converts it.
TEST_F(ConvertBatchTest, SameFormatInputsAreCopiedOnlyWhenNothingChanges) {
    struct CopyCase {
        const char* what;
        bool copySetting;
        int format;  // stored code
        const char* codec;
        int rate, bits;
        bool fadeIn, fadeOut, normalize;
        bool copied;
    };
    const std::vector<CopyCase> cases{
        {"WAV of the layout the settings ask for", true, 1, "wav", 44100, 16, false, false, false,
         true},
        {"the setting left at convert", false, 1, "wav", 44100, 16, false, false, false, false},
        {"a fade in", true, 1, "wav", 44100, 16, true, false, false, false},
        {"a fade out", true, 1, "wav", 44100, 16, false, true, false, false},
        {"normalised copies", true, 1, "wav", 44100, 16, false, false, true, false},
        {"another sample rate", true, 1, "wav", 48000, 16, false, false, false, false},
        {"another depth", true, 1, "wav", 44100, 24, false, false, false, false},
        {"another codec", true, 1, "flac", 44100, 16, false, false, false, false},
        {"an unknown codec", true, 1, "", 44100, 16, false, false, false, false},
        {"MP3 whatever the MP3 settings say", true, 0, "mp3", 48000, 16, false, false, false, true},
        {"MP2 into MP3", true, 0, "mp2", 44100, 16, false, false, false, false},
    };
    int n = 0;
    for (const CopyCase& c : cases) {
        log->clear();
        host = RecordingHost();
        outDir = dir.File(S("out%1").arg(++n));
        state.appSettings.OutputFormat = c.format;
        state.appSettings.CopySameFormat = c.copySetting;
        state.appSettings.FadeIn = c.fadeIn;
        state.appSettings.FadeOut = c.fadeOut;
        reader.codec = S(c.codec);
        reader.inputRate = c.rate;
        reader.sourceBits = c.bits;
        const QString input = AddRow("song");
        BatchParts parts = Parts();
        c.normalize ? NormalizeAll(parts, host) : ConvertAll(parts, host);
        ASSERT_EQ(host.done.size(), 1u) << c.what;
        EXPECT_EQ(host.done[0].outcome, RowState::Finished) << c.what;
        EXPECT_EQ(host.done[0].note, c.copied ? S("copied") : QString()) << c.what;
        EXPECT_EQ(log->filter(S("AudioFilewrite.CreateOutput")).isEmpty(), c.copied) << c.what;
        QFile in(input), out(host.done[0].output);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly) && out.open(QIODevice::ReadOnly)) << c.what;
        // An MP3 gets its tag in front of the copied bytes.
        EXPECT_EQ(out.readAll().endsWith(in.readAll()), c.copied) << c.what;
    }
}

TEST_F(ConvertBatchTest, UnknownStoredFormatIsRefusedBeforeAnythingStarts) {
    state.appSettings.OutputFormat = 70;
    AddRow("song");
    BatchParts parts = Parts();
    ConvertAll(parts, host);
    ASSERT_EQ(host.errors.size(), 1);
    EXPECT_TRUE(host.errors[0].contains(S("70")));
    // The way out names what the format list offers.
    EXPECT_TRUE(host.errors[0].endsWith(
        S("MP3, WAV, FLAC, Ogg Vorbis, Opus, M4A (AAC), ALAC, AIFF, WavPack.")))
        << host.errors[0].toStdString();
    EXPECT_FALSE(state.Converting);
    EXPECT_TRUE(log->isEmpty());
}

}  // namespace
