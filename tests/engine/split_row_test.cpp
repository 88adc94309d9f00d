// A long file encoded in parts on several jobs and joined, against the same file encoded whole,
// end to end through quorvel-cli and judged by FFmpeg's decoder.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QThread>
#include <csignal>
#include <cstring>

#include "bench/music_signal.h"
#include "engine/batch_runner.h"
#include "engine/split_row.h"
#include "formats/output_formats.h"
#include "formats/output_split.h"
#include "real_batch_test.h"
#include "support/cli_run.h"
#include "support/join_measure.h"
#include "support/temp_dir.h"
#include "support/tool_run.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

// Just over the shortest row that is split.
constexpr int kSeconds = kSplitSeconds + 10;

// The output decoded by ffmpeg, as 32-bit floats (which keep 16-bit samples exactly).
std::vector<float> Decoded(const QString& path) {
    const QByteArray raw = ToolOutput(S("ffmpeg"), {S("-v"), S("error"), S("-i"), path, S("-f"),
                                                    S("f32le"), S("-ac"), S("2"), S("-")});
    std::vector<float> samples(static_cast<std::size_t>(raw.size()) / sizeof(float));
    std::memcpy(samples.data(), raw.constData(), samples.size() * sizeof(float));
    return samples;
}

QJsonObject Check(const CliResult& r) {
    const QJsonObject line = QJsonDocument::fromJson(r.out.trimmed().toUtf8()).object();
    return line.value(S("check")).toObject();
}

class SplitRowTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        source_ = new TempDir;
        WriteMusicLikeWav(source_->File(S("long.wav")), kSeconds);
    }
    static void TearDownTestSuite() {
        delete source_;
        source_ = nullptr;
    }
    static QString Source() { return source_->File(S("long.wav")); }

    CliResult Convert(const QString& format, int jobs, bool split, const QString& out,
                      const QString& input = Source()) {
        return RunCli(
            {S("convert"), S("--json"), S("--format"), format, S("--jobs"), QString::number(jobs),
             split ? S("--split") : S("--no-split"), S("--output"), out, input},
            dir.Path(), 600000);
    }
    // Every file in `folder`, hidden ones too.
    static QStringList Left(const QString& folder) {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    TempDir dir;
    static TempDir* source_;
};

TempDir* SplitRowTest::source_ = nullptr;

// Chunks cover the row exactly, start on the grid, and there is one for each job at least.
TEST(CutIntoChunks, CoversTheRowOnTheGrid) {
    struct Cut {
        std::int64_t frames;
        int channels;
        std::int64_t grid;
        int jobs;
        std::size_t count;
    };
    const Cut cuts[] = {
        {5'733'000, 2, 36864, 2, 2},     // 130 s: one a job
        {5'733'000, 2, 36864, 7, 7},     // seven jobs
        {158'760'000, 2, 36864, 2, 20},  // an hour: none over kChunkSamples, ten a job
        {100, 2, 1152, 2, 1},            // shorter than the grid
        {5'000'000, 8, 1, 2, 4},         // eight channels: a chunk holds fewer frames
    };
    for (const Cut& c : cuts) {
        const std::vector<ChunkCut> got = CutIntoChunks(c.frames, c.channels, c.grid, c.jobs);
        ASSERT_EQ(got.size(), c.count) << c.frames << " frames, " << c.jobs << " jobs";
        std::int64_t at = 0;
        for (const ChunkCut& k : got) {
            EXPECT_EQ(k.start, at);
            EXPECT_EQ(k.start % c.grid, 0);
            EXPECT_GT(k.end, k.start);
            at = k.end;
        }
        EXPECT_EQ(at, c.frames);
    }
}

// The joined output is as long as the whole one and passes its check; a lossless one is the
// same samples with the same MD5, a lossy one sounds the same at its joins as elsewhere.
TEST_F(SplitRowTest, JoinedOutputIsTheWholeOne) {
    struct Case {
        const char* format;
        const char* extension;
        int jobs;
    };
    const Case cases[] = {{"flac", ".flac", 2}, {"flac", ".flac", 7},  {"wav", ".wav", 2},
                          {"aiff", ".aiff", 3}, {"wavpack", ".wv", 2}, {"mp3", ".mp3", 2},
                          {"opus", ".opus", 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format + std::string(" on ") + std::to_string(c.jobs) + " jobs");
        const OutputFormat* format = FindOfferedFormat(S(c.format));
        ASSERT_NE(format, nullptr);
        ASSERT_NE(format->split, nullptr);
        const QString wholeDir = dir.File(S("whole-") + S(c.format) + QString::number(c.jobs));
        const QString splitDir = dir.File(S("split-") + S(c.format) + QString::number(c.jobs));
        const CliResult whole = Convert(S(c.format), c.jobs, false, wholeDir);
        const CliResult split = Convert(S(c.format), c.jobs, true, splitDir);
        ASSERT_EQ(whole.status, 0) << whole.err.toStdString();
        ASSERT_EQ(split.status, 0) << split.err.toStdString();
        const QJsonObject wholeCheck = Check(whole);
        const QJsonObject splitCheck = Check(split);
        EXPECT_EQ(wholeCheck.value(S("chunks")).toInt(), 1);
        EXPECT_EQ(splitCheck.value(S("chunks")).toInt(), c.jobs);
        EXPECT_TRUE(splitCheck.value(S("passed")).toBool()) << split.out.toStdString();
        EXPECT_EQ(splitCheck.value(S("samples_out")), wholeCheck.value(S("samples_out")));
        const QString name = S("long") + S(c.extension);
        const std::vector<float> a = Decoded(QDir(wholeDir).filePath(name));
        const std::vector<float> b = Decoded(QDir(splitDir).filePath(name));
        ASSERT_EQ(a.size(), b.size());
        EXPECT_EQ(Left(splitDir), QStringList{name});  // no chunk left behind
        if (format->lossless) {
            EXPECT_TRUE(a == b);
            EXPECT_EQ(splitCheck.value(S("md5_out")), wholeCheck.value(S("md5_out")));
            EXPECT_FALSE(splitCheck.value(S("md5_out")).toString().isEmpty());
            continue;
        }
        const int rate = std::strcmp(c.format, "opus") == 0 ? 48000 : 44100;
        const SplitRule rule = format->split()->Rule(44100, {44100, 2, 16, false});
        std::vector<std::int64_t> joins;
        for (const ChunkCut& k :
             CutIntoChunks(std::int64_t{kSeconds} * 44100, 2, rule.grid, c.jobs)) {
            if (k.start > 0) {
                joins.push_back(k.start * rate / 44100);
            }
        }
        const JoinMeasure m = MeasureJoins(a, b, 2, rate, joins);
        EXPECT_TRUE(m.Seamless()) << "at the joins " << m.atJoins << ", 99th percentile " << m.p99;
    }
}

// A stop while the parts are encoded leaves nothing in the output folder.
TEST_F(SplitRowTest, StopLeavesNothing) {
    const QString out = dir.File(S("stopped"));
    QProcess cli;
    StartCli(cli,
             {S("convert"), S("--format"), S("mp3"), S("--jobs"), S("2"), S("--split"),
              S("--output"), out, Source()},
             dir.Path());
    // Stopped once both parts are being written.
    for (int i = 0; i < 600 && Left(out).size() < 2; ++i) {
        QThread::msleep(20);
    }
    ASSERT_EQ(Left(out).size(), 2u);
    ::kill(static_cast<pid_t>(cli.processId()), SIGINT);
    ASSERT_TRUE(cli.waitForFinished(60000));
    EXPECT_TRUE(QString::fromUtf8(cli.readAllStandardOutput()).startsWith(S("stopped\t")));
    EXPECT_EQ(Left(out), QStringList{});
}

// A part that cannot be read fails the row as the whole file would, naming the file, and
// leaves nothing.
TEST_F(SplitRowTest, FailingPartFailsTheRow) {
    // A WAV whose header states more audio than it holds: the middle part runs past its end.
    QFile whole(Source());
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    QByteArray bytes = whole.readAll();
    const std::uint32_t stated = static_cast<std::uint32_t>(bytes.size() - 44) * 3 / 2;
    bytes.replace(40, 4, QByteArray(reinterpret_cast<const char*>(&stated), 4));
    const QString cut = dir.File(S("cut.wav"));
    QFile file(cut);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    for (const bool split : {false, true}) {
        const QString out = dir.File(split ? S("cut-split") : S("cut-whole"));
        const CliResult r = Convert(S("flac"), 3, split, out, cut);
        EXPECT_EQ(r.status, 1) << r.out.toStdString();
        EXPECT_TRUE(r.err.contains(S("cut.wav"))) << r.err.toStdString();
        EXPECT_EQ(Left(out), QStringList{});
    }
}

// The row's progress covers every chunk: it only grows, and it gets there.
TEST_F(RealBatchTest, SplitRowProgressCoversEveryChunk) {
    const QString input = dir.File(S("long.wav"));
    WriteMusicLikeWav(input, kSeconds);
    host.Add(S("long"), input);
    state.appSettings.OutputFormat = FindOfferedFormat(u"flac")->code;
    std::unique_ptr<IAudioFile2> reader2 = CreateAudioFile();
    std::unique_ptr<IAudioFile2> writer2 = CreateAudioFile();
    LameEncoderSettings encoder2;
    std::unique_ptr<IAudioTransform2> transform2 = CreateAudioTransform();
    BatchParts parts = Parts();
    RunBatch(
        parts, host, BatchWork::Convert,
        {{*reader, *writer, encoder, *transform}, {*reader2, *writer2, encoder2, *transform2}});
    ASSERT_EQ(host.done.size(), 1u);
    EXPECT_EQ(host.done[0].outcome, RowState::Finished);
    // The batch's end clears the bar; before it, the row's progress.
    std::vector<int> shown = host.progress;
    while (!shown.empty() && shown.back() == 0) {
        shown.pop_back();
    }
    ASSERT_GE(shown.size(), 3u);
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end())) << ::testing::PrintToString(shown);
    EXPECT_GE(shown.back(), 9900) << ::testing::PrintToString(shown);
}

}  // namespace
