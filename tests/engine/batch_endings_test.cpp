// Every way a row can end, for both batches, one file at a time on the calling thread and three
// jobs at once: the same statuses, results and files on disk whatever the scheduling.
#include <gtest/gtest.h>

#include <QDir>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "components/component_error.h"
#include "engine/batch_runner.h"
#include "engine/convert_batch.h"
#include "engine/main_state.h"
#include "fakes/fake_audio.h"
#include "recording_host.h"
#include "support/temp_dir.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

// Holds every reader inside ReadBuffer while closed: a decode in progress.
struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    bool closed = false;
    void Open() {
        const std::lock_guard<std::mutex> lock(mutex);
        closed = false;
        changed.notify_all();
    }
};

// A reader that cannot open inputs named "bad…" and waits at the gate while decoding.
class EndingsReader : public FakeAudioFile {
  public:
    EndingsReader(Gate& gate, CallLog log) : FakeAudioFile(S("AudioFileRead"), log), gate_(gate) {
        input.assign(5000 * 2, 0.25f);  // more than one block
    }
    void Open(const QString& fileName) override {
        if (fileName.contains(S("/bad"))) {
            throw ComponentError(fileName + S(": not an audio file"));
        }
        FakeAudioFile::Open(fileName);
    }
    AudioBuffer ReadBuffer(int frames) override {
        std::unique_lock<std::mutex> lock(gate_.mutex);
        gate_.changed.wait(lock, [this] { return !gate_.closed; });
        lock.unlock();
        return FakeAudioFile::ReadBuffer(frames);
    }

  private:
    Gate& gate_;
};

struct Job {
    explicit Job(Gate& gate) : reader(gate, log) {}
    CallLog log = MakeCallLog();  // one per job: jobs run on their own threads
    EndingsReader reader;
    FakeAudioFile writer{S("AudioFilewrite"), log};
    RecordingLameEncoder encoder{log};
    FakeTransform transform{log};
};

enum class Stop { Never, Before, During, After };

struct EndingCase {
    const char* what;
    std::vector<const char*> inputs;
    Stop stop;
    std::vector<RowState> outcomes;
    std::vector<const char*> statuses;
    std::vector<const char*> kept;  // output names left in the folder, sorted
};

const RowState kFinished = RowState::Finished;
const RowState kStopped = RowState::Stopped;
const RowState kError = RowState::Failed;
const RowState kSkipped = RowState::NotReached;

TEST(BatchEndingsTest, EveryEndingIsTheSameForBothBatchesOneAtATimeOrThreeJobs) {
    const std::vector<EndingCase> cases{
        {"stop before the first file",
         {"a", "b"},
         Stop::Before,
         {kSkipped, kSkipped},
         {"Unconvert", "Unconvert"},
         {}},
        {"stop during a file", {"a"}, Stop::During, {kStopped}, {"Stop"}, {}},
        {"stop after the file", {"a"}, Stop::After, {kFinished}, {"finish"}, {"a"}},
        {"failing file first",
         {"bad", "b", "c"},
         Stop::Never,
         {kError, kFinished, kFinished},
         {"Error", "finish", "finish"},
         {"b", "c"}},
        {"failing file in the middle",
         {"a", "bad", "c"},
         Stop::Never,
         {kFinished, kError, kFinished},
         {"finish", "Error", "finish"},
         {"a", "c"}},
        {"failing file last",
         {"a", "b", "bad"},
         Stop::Never,
         {kFinished, kFinished, kError},
         {"finish", "finish", "Error"},
         {"a", "b"}},
    };
    for (const BatchWork work : {BatchWork::Convert, BatchWork::Normalize}) {
        for (const int jobCount : {0, 3}) {
            for (const EndingCase& c : cases) {
                const std::string what =
                    std::string(c.what) +
                    (work == BatchWork::Convert ? ", convert" : ", normalise") +
                    (jobCount == 0 ? ", one at a time" : ", three jobs");
                TempDir dir;
                const QString outDir = dir.File(S("out"));
                Gate gate;
                gate.closed = c.stop == Stop::During;
                std::vector<std::unique_ptr<Job>> owned;
                for (int j = 0; j < std::max(jobCount, 1); ++j) {
                    owned.push_back(std::make_unique<Job>(gate));
                }
                std::vector<JobParts> jobs;
                for (int j = 0; j < jobCount; ++j) {
                    Job& o = *owned[static_cast<std::size_t>(j)];
                    jobs.push_back({o.reader, o.writer, o.encoder, o.transform});
                }
                MainState state;
                state.appSettings.OutputFormat = 1;
                RecordingHost host;
                for (const char* name : c.inputs) {
                    host.Add(S(name), dir.Write(S(name) + S(".wav"), "x"));
                }
                // "During": stopped once a row runs; the gate opens a step later, so the stop
                // has reached every worker before any decode can finish.
                bool stopped = false;
                auto step = [&] {
                    if (c.stop == Stop::Before && !stopped) {
                        stopped = true;
                        StopWork(state);
                    } else if (c.stop == Stop::During && stopped) {
                        gate.Open();
                    } else if (c.stop == Stop::During && host.rows[0].status == S("Converting")) {
                        stopped = true;
                        StopWork(state);
                    } else if (c.stop == Stop::After && !host.done.empty()) {
                        StopWork(state);
                    }
                };
                host.onPump = [&](int) { step(); };
                host.onWait = step;

                Job& first = *owned[0];
                BatchParts parts{state,           first.reader, first.writer, first.encoder,
                                 first.transform, QString(),    outDir};
                RunBatch(parts, host, work, jobs);

                std::vector<RowState> outcomes;
                for (const auto& d : host.done) {
                    outcomes.push_back(d.outcome);
                }
                EXPECT_EQ(outcomes, c.outcomes) << what;
                for (std::size_t i = 0; i < c.statuses.size(); ++i) {
                    EXPECT_EQ(host.rows[i].status, S(c.statuses[i])) << what << " row " << i;
                }
                QStringList kept;
                for (const char* name : c.kept) {
                    kept << (work == BatchWork::Normalize ? S("Nor_") : QString()) + S(name) +
                                S(".wav");
                }
                QDir out(outDir);
                out.setSorting(QDir::Name);
                EXPECT_EQ(out.entryList(QDir::Files | QDir::Hidden), kept) << what;
                const bool failed =
                    std::find(c.outcomes.begin(), c.outcomes.end(), kError) != c.outcomes.end();
                ASSERT_EQ(host.errors.size(), failed ? 1 : 0) << what;
                if (failed) {
                    EXPECT_TRUE(host.errors[0].contains(S("bad.wav: not an audio file"))) << what;
                }
                EXPECT_FALSE(state.Converting) << what;
                EXPECT_FALSE(state.BatchActive) << what;
            }
        }
    }
}

}  // namespace
