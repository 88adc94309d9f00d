#include <gtest/gtest.h>

#include <QFileInfo>
#include <condition_variable>
#include <mutex>

#include "components/component_error.h"
#include "engine/convert_batch.h"
#include "engine/main_state.h"
#include "engine/normalize_batch.h"
#include "engine/parallel_batch.h"
#include "fakes/fake_audio.h"
#include "recording_host.h"
#include "support/temp_dir.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

// A reader whose ReadBuffer waits until the test opens the gate (a decode in progress), or
// fails.
class GatedReader : public FakeAudioFile {
  public:
    using FakeAudioFile::FakeAudioFile;
    bool gated = false;
    QString failFor;  // decoding this input fails
    void Open(const QString& fileName) override {
        openedPath_ = fileName;
        FakeAudioFile::Open(fileName);
    }
    AudioBuffer ReadBuffer(int frames) override {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            inside_ = true;
            entered_.notify_all();
            opened_.wait(lock, [this] { return !gated; });
        }
        if (!failFor.isEmpty() && openedPath_ == failFor) {
            throw ComponentError(S("Cannot read in.wav: the data ends early"));
        }
        return FakeAudioFile::ReadBuffer(frames);
    }
    void WaitUntilInside() {
        std::unique_lock<std::mutex> lock(mutex_);
        entered_.wait(lock, [this] { return inside_; });
    }
    void Open() {
        const std::lock_guard<std::mutex> lock(mutex_);
        gated = false;
        opened_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable entered_;
    std::condition_variable opened_;
    bool inside_ = false;
    QString openedPath_;
};

class NormalizeBatchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        state.appSettings.OutputFormat = 1;
        // The fakes write no audio to read back: the check has its own tests on the real
        // components.
        state.appSettings.CheckOutputs = false;
        state.appSettings.FadeIn = true;  // fades never touch "Nor_" copies
        state.appSettings.FadeOut = true;
        reader.input.assign(4000 * 2, 0.25f);
    }
    BatchParts Parts() {
        return BatchParts{state, reader, writer, encoder, transform, QString(), dir.Path()};
    }
    void AddRow(const char* caption) {
        host.Add(S(caption), dir.Write(S(caption) + S(".wav"), "x"));
    }

    TempDir dir;
    CallLog log = MakeCallLog();
    MainState state;
    GatedReader reader{S("AudioFileRead"), log};
    FakeAudioFile writer{S("AudioFilewrite"), log};
    RecordingLameEncoder encoder{log};
    FakeTransform transform{log};
    RecordingHost host;
};

TEST_F(NormalizeBatchTest, WholeFileNormalisedOnTheWorkerWithProgressOnTheWindowThread) {
    state.appSettings.NormalizeVolume = 98;
    AddRow("song");
    dir.Write(S("Nor_song.wav"), "keep");
    BatchParts parts = Parts();
    NormalizeAll(parts, host);

    EXPECT_TRUE(log->contains(S("AudioFileRead.ReadBuffer(8000)")));  // Length x Channels
    EXPECT_TRUE(log->contains(S("AudioTransform21.Normalize(7999,98,-1)")));
    EXPECT_TRUE(log->filter(S("Fade(")).isEmpty());
    EXPECT_TRUE(QFileInfo::exists(dir.File(S("Nor_song_1.wav"))));
    EXPECT_EQ(ReadAll(dir.File(S("Nor_song.wav"))), QByteArray("keep"));
    EXPECT_EQ(writer.written.size(), reader.input.size());
    EXPECT_EQ(host.rows[0].status, S("finish"));
    EXPECT_FALSE(host.progressOffThread);
    // The worker's three points arrive in order between the row's zeros.
    std::vector<int> points;
    for (int v : host.progress) {
        if (v != 0) {
            points.push_back(v);
        }
    }
    EXPECT_EQ(points, (std::vector<int>{1000, 2000, 10000}));
    EXPECT_EQ(host.timer, (std::vector<bool>{true, false}));
    EXPECT_FALSE(state.Converting);
    EXPECT_FALSE(state.WorkerRunning);
}

TEST_F(NormalizeBatchTest, StopDuringDecodingWritesNoDataAndStartsNoFurtherRow) {
    AddRow("one");
    AddRow("two");
    reader.gated = true;
    bool stopped = false;
    host.onWait = [&] {
        if (!stopped) {
            stopped = true;
            reader.WaitUntilInside();
            StopWork(state);
            EXPECT_FALSE(state.WorkerRunning);
            // The batch must not close the components while the worker is inside the reader.
            EXPECT_FALSE(log->contains(S("AudioFileRead.Close()")));
            reader.Open();
        }
    };
    BatchParts parts = Parts();
    NormalizeAll(parts, host);
    EXPECT_TRUE(stopped);
    EXPECT_TRUE(log->filter(S("WriteBuffer")).isEmpty());
    EXPECT_TRUE(log->filter(S("Normalize")).isEmpty());
    // No data reached the copy, so no empty copy is left behind as if it were a result.
    EXPECT_EQ(host.rows[0].status, S("Stop"));
    EXPECT_EQ(host.rows[1].status, S("Unconvert"));
    ASSERT_EQ(host.done.size(), 2u);
    EXPECT_EQ(host.done[0].outcome, RowState::Stopped);
    EXPECT_EQ(host.done[1].outcome, RowState::NotReached);
    EXPECT_FALSE(QFileInfo::exists(dir.File(S("Nor_one.wav"))));
    EXPECT_FALSE(state.Converting);
}

TEST_F(NormalizeBatchTest, WorkerFailureIsReportedAfterTheWorkerEndedAndTheBatchGoesOn) {
    AddRow("one");
    AddRow("two");
    reader.failFor = host.rows[0].path;
    BatchParts parts = Parts();
    NormalizeAll(parts, host);
    ASSERT_EQ(host.errors.size(), 1);
    EXPECT_TRUE(host.errors[0].contains(S("the data ends early")));
    EXPECT_EQ(host.rows[0].status, S("Error"));
    EXPECT_EQ(host.rows[1].status, S("finish"));
    EXPECT_FALSE(QFileInfo::exists(dir.File(S("Nor_one.wav"))));
    EXPECT_TRUE(QFileInfo::exists(dir.File(S("Nor_two.wav"))));
    EXPECT_FALSE(state.Converting);
    EXPECT_FALSE(state.WorkerRunning);
}

// A stop while the copy is being written ends the row at the next block, whether the file is
// written from one buffer, streamed in two passes, or written by a job thread.
TEST_F(NormalizeBatchTest, StopDuringTheWriteEndsTheRowWithinABlock) {
    enum class How { Whole, Streamed, OnAJob };
    for (const How how : {How::Whole, How::Streamed, How::OnAJob}) {
        RecordingHost rows;
        rows.Add(S("long"), dir.Write(S("long.wav"), "x"));
        reader.input.assign(std::size_t{65536} * 2 * 20, 0.25f);  // twenty blocks
        int writes = 0;
        writer.onWrite = [&] {
            if (++writes == 2) {
                StopWork(state);  // from the worker's thread, as a signal handler's stop is
            }
        };
        BatchParts parts = Parts();
        if (how == How::OnAJob) {
            RunParallelBatch(parts, rows, {JobParts{reader, writer, encoder, transform}}, true);
        } else {
            NormalizeAll(parts, rows, how == How::Streamed ? 1000 : 0);
        }
        const int what = static_cast<int>(how);
        EXPECT_LE(writes, 3) << what;
        ASSERT_EQ(rows.done.size(), 1u) << what;
        EXPECT_EQ(rows.done[0].outcome, RowState::Stopped) << what;
        EXPECT_EQ(rows.rows[0].status, S("Stop")) << what;
        EXPECT_FALSE(QFileInfo::exists(dir.File(S("Nor_long.wav")))) << what;
        EXPECT_FALSE(state.Converting) << what;
        writer.onWrite = [] {};
    }
}

struct TickCase {
    int stage;
    int before;
    int after;
    bool timerOff;
};

TEST(NormalizePacingTest, TimerCreepsByTwoPercentWithinTheStageCaps) {
    const std::vector<TickCase> cases{
        {0, 0, 200, false},     {0, 800, 1000, false},   {0, 1000, 1000, false},
        {1, 1000, 1200, false}, {1, 1800, 2000, false},  {1, 2000, 2000, false},
        {2, 2000, 2200, false}, {3, 9800, 10000, false}, {3, 10000, 10000, true},
    };
    for (const TickCase& c : cases) {
        MainState state;
        RecordingHost host;
        state.Converting = true;
        state.WorkerRunning = true;
        state.WorkerStage = c.stage;
        state.ProgressValue = c.before;
        Timer1Timer(state, host);
        EXPECT_EQ(state.ProgressValue, c.after) << c.stage << " " << c.before;
        EXPECT_EQ(!host.timer.empty() && !host.timer.back(), c.timerOff) << c.before;
    }
    MainState idle;
    RecordingHost host;
    Timer1Timer(idle, host);
    EXPECT_TRUE(host.progress.empty());
}

}  // namespace
