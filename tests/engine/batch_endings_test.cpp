// Every way a row can end, for every kind of batch (conversion, peak and loudness normalisation,
// an album), one file at a time on the calling thread and three jobs at once: the states each row
// goes through, the results in row order, the count shown at every update and the files left on
// disk are the same whatever the scheduling.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>

#include "components/component_error.h"
#include "components/loudness_meter.h"
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

// Loudness as the mean square of the samples: enough for a gain that is the same every run.
class MeanSquareTrack : public ILoudnessTrack {
  public:
    void Add(const AudioBuffer& block) override {
        for (float v : block.Samples()) {
            sum_ += static_cast<double>(v) * v;
        }
        count_ += block.SampleCount();
    }
    LoudnessMeasure Measure() const override {
        LoudnessMeasure m;
        if (count_ > 0 && sum_ > 0) {
            m.integrated = 10 * std::log10(sum_ / static_cast<double>(count_));
            m.truePeak = m.samplePeak = 0.25;
        }
        return m;
    }

  private:
    double sum_ = 0;
    std::size_t count_ = 0;
};

class MeanSquareMeter : public ILoudnessMeter {
  public:
    std::unique_ptr<ILoudnessTrack> NewTrack(int, int, bool) const override {
        return std::make_unique<MeanSquareTrack>();
    }
    LoudnessMeasure Album(const std::vector<const ILoudnessTrack*>& tracks) const override {
        return tracks.empty() ? LoudnessMeasure{} : tracks[0]->Measure();
    }
};

// What every job's reader shares: the inputs opened so far, and a stop to give from inside the
// reader, off the host's thread, as a signal handler's stop arrives.
struct Reads {
    std::atomic<int> opens{0};
    int stopAtOpen = 0;  // 0: never
    std::function<void()> stop;
    std::once_flag once;
};

// A reader that cannot open inputs named "bad…" and stops the batch while reading the input it
// opened as the stopAtOpen-th.
class EndingsReader : public FakeAudioFile {
  public:
    EndingsReader(Reads& reads, CallLog log)
        : FakeAudioFile(S("AudioFileRead"), log), reads_(reads) {
        input.assign(5000 * 2, 0.25f);  // more than one block
    }
    void Open(const QString& fileName) override {
        if (fileName.contains(S("/bad"))) {
            throw ComponentError(fileName + S(": not an audio file"));
        }
        FakeAudioFile::Open(fileName);
        opened_ = ++reads_.opens;
    }
    AudioBuffer ReadBuffer(int frames) override {
        if (opened_ == reads_.stopAtOpen) {
            std::call_once(reads_.once, reads_.stop);
        }
        return FakeAudioFile::ReadBuffer(frames);
    }

  private:
    Reads& reads_;
    int opened_ = 0;
};

struct Job {
    explicit Job(Reads& reads) : reader(reads, log) {}
    CallLog log = MakeCallLog();  // one per job: jobs run on their own threads
    EndingsReader reader;
    FakeAudioFile writer{S("AudioFilewrite"), log};
    RecordingLameEncoder encoder{log};
    FakeTransform transform{log};
};

enum class Mode { Convert, Peak, Loudness, Album };
// Before: a stop already asked for. Writing: a stop from another thread while the row's output
// is written (in an album, after its first pass). Measuring: during the album's first pass.
// After: once the first row has ended.
enum class Stop { Never, Before, Writing, Measuring, After };

// A row's states after its fresh start: R is the row being written (Converting or Normalising),
// M W the album's first pass (Measuring, then Waiting again), F finished, S stopped, E failed,
// N not reached; "x|y" either.
struct EndingCase {
    const char* what;
    std::vector<const char*> inputs;
    Stop stop;
    std::vector<const char*> states;  // per row; the album's first pass is added where it ran
    std::vector<const char*> kept;    // output names left in the folder, sorted
    bool albumOnly = false;
};

std::vector<RowState> Expected(const char* text, Mode mode, bool measured) {
    std::vector<RowState> states;
    if (measured) {
        states = {RowState::Measuring, RowState::Waiting};
    }
    const RowState running = mode == Mode::Convert ? RowState::Converting : RowState::Normalising;
    for (const char* c = text; *c; ++c) {
        switch (*c) {
            case 'R':
                states.push_back(running);
                break;
            case 'M':
                states.push_back(RowState::Measuring);
                break;
            case 'W':
                states.push_back(RowState::Waiting);
                break;
            case 'F':
                states.push_back(RowState::Finished);
                break;
            case 'S':
                states.push_back(RowState::Stopped);
                break;
            case 'E':
                states.push_back(RowState::Failed);
                break;
            case 'N':
                states.push_back(RowState::NotReached);
                break;
            default:
                break;
        }
    }
    return states;
}

TEST(BatchEndingsTest, EveryEndingIsTheSameForEveryBatchOneAtATimeOrThreeJobs) {
    const std::vector<EndingCase> cases{
        {"stop before the first file", {"a", "b"}, Stop::Before, {"N", "N"}, {}},
        {"stop while writing", {"a"}, Stop::Writing, {"RS"}, {}},
        {"stop after the file", {"a"}, Stop::After, {"RF"}, {"a"}},
        {"all finish", {"a", "b", "c"}, Stop::Never, {"RF", "RF", "RF"}, {"a", "b", "c"}},
        {"failing file first", {"bad", "b", "c"}, Stop::Never, {"RE", "RF", "RF"}, {"b", "c"}},
        {"failing file in the middle",
         {"a", "bad", "c"},
         Stop::Never,
         {"RF", "RE", "RF"},
         {"a", "c"}},
        {"failing file last", {"a", "b", "bad"}, Stop::Never, {"RF", "RF", "RE"}, {"a", "b"}},
        // Three jobs may have started measuring the second row before the stop.
        {"stop while measuring", {"a", "b"}, Stop::Measuring, {"MWN", "N|MWN"}, {}, true},
    };
    const MeanSquareMeter meter;
    for (const Mode mode : {Mode::Convert, Mode::Peak, Mode::Loudness, Mode::Album}) {
        const BatchWork work = mode == Mode::Convert ? BatchWork::Convert : BatchWork::Normalize;
        for (const int jobCount : {0, 3}) {
            for (const EndingCase& c : cases) {
                if (c.albumOnly && mode != Mode::Album) {
                    continue;
                }
                static const char* const kModes[] = {", convert", ", peak", ", loudness",
                                                     ", album"};
                const std::string what = std::string(c.what) + kModes[static_cast<int>(mode)] +
                                         (jobCount == 0 ? ", one at a time" : ", three jobs");
                TempDir dir;
                const QString outDir = dir.File(S("out"));
                MainState state;
                state.appSettings.OutputFormat = 1;
                // The fakes write no audio to read back: the check has its own tests on the real
                // components.
                state.appSettings.CheckOutputs = false;
                state.appSettings.Loudness.loudness = mode == Mode::Loudness || mode == Mode::Album;
                state.appSettings.Loudness.album = mode == Mode::Album;
                Reads reads;
                reads.stop = [&state] { StopWork(state); };
                const bool album = mode == Mode::Album;
                if (c.stop == Stop::Writing) {
                    reads.stopAtOpen = album ? 2 : 1;  // one row: its first pass opened it once
                } else if (c.stop == Stop::Measuring) {
                    reads.stopAtOpen = 1;
                }
                std::vector<std::unique_ptr<Job>> owned;
                for (int j = 0; j < std::max(jobCount, 1); ++j) {
                    owned.push_back(std::make_unique<Job>(reads));
                }
                std::vector<JobParts> jobs;
                for (int j = 0; j < jobCount; ++j) {
                    Job& o = *owned[static_cast<std::size_t>(j)];
                    jobs.push_back({o.reader, o.writer, o.encoder, o.transform});
                }
                RecordingHost host;
                for (const char* name : c.inputs) {
                    host.Add(S(name), dir.Write(S(name) + S(".wav"), "x"));
                }
                bool stopped = false;
                auto step = [&] {
                    if ((c.stop == Stop::Before && !stopped) ||
                        (c.stop == Stop::After && !host.done.empty())) {
                        stopped = true;
                        StopWork(state);
                    }
                };
                host.onPump = [&](int) { step(); };
                host.onWait = step;

                Job& first = *owned[0];
                BatchParts parts{state,           first.reader, first.writer, first.encoder,
                                 first.transform, QString(),    outDir,       &meter};
                RunBatch(parts, host, work, jobs);

                // Results once per row, in row order.
                ASSERT_EQ(host.done.size(), c.inputs.size()) << what;
                for (std::size_t i = 0; i < host.done.size(); ++i) {
                    EXPECT_EQ(host.done[i].row, static_cast<int>(i)) << what;
                    EXPECT_EQ(host.done[i].outcome, host.rows[i].state) << what << " row " << i;
                }
                // Every row went through exactly these states; the album's first pass ran over
                // every row unless a stop came first.
                const bool measured = album && c.stop != Stop::Before && c.stop != Stop::Measuring;
                for (std::size_t i = 0; i < c.states.size(); ++i) {
                    bool matched = false;
                    for (const QByteArray& one : QByteArray(c.states[i]).split('|')) {
                        matched |= host.rows[i].states == Expected(one.constData(), mode, measured);
                    }
                    EXPECT_TRUE(matched) << what << " row " << i << ": " << c.states[i];
                }
                // The count never trails what the rows show.
                for (const auto& [shown, ended] : host.counts) {
                    EXPECT_EQ(shown, ended) << what;
                }
                QStringList kept;
                for (const char* name : c.kept) {
                    kept << (work == BatchWork::Normalize ? S("Nor_") : QString()) + S(name) +
                                S(".wav");
                }
                QDir out(outDir);
                out.setSorting(QDir::Name);
                EXPECT_EQ(out.entryList(QDir::Files | QDir::Hidden), kept) << what;
                bool failed = false;
                for (const char* s : c.states) {
                    failed |= QByteArray(s).contains('E');
                }
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

// A reader whose samples follow the input's name, and a writer that keeps what it was given in
// the file it created: the outputs of two runs can be compared byte for byte.
class NamedReader : public FakeAudioFile {
  public:
    explicit NamedReader(CallLog log) : FakeAudioFile(S("AudioFileRead"), log) {}
    void Open(const QString& fileName) override {
        const float seed = static_cast<float>(qHash(QFileInfo(fileName).fileName()) % 97) / 100;
        input.resize(5000 * 2);  // three blocks
        for (std::size_t i = 0; i < input.size(); ++i) {
            input[i] = seed * static_cast<float>(i % 50) / 50;
        }
        FakeAudioFile::Open(fileName);
    }
};

class KeepingWriter : public FakeAudioFile {
  public:
    KeepingWriter(CallLog log, std::atomic<int>& writes)
        : FakeAudioFile(S("AudioFilewrite"), log), writes_(writes) {}
    void CreateOutput(const QString& fileName) override {
        path_ = fileName;
        FakeAudioFile::CreateOutput(fileName);
    }
    void WriteBuffer(AudioBuffer& buffer) override {
        FakeAudioFile::WriteBuffer(buffer);
        ++writes_;
    }
    void Close() override {
        if (IsOpen()) {
            QFile file(path_);
            if (file.open(QIODevice::WriteOnly)) {
                file.write(reinterpret_cast<const char*>(written.data()),
                           static_cast<qint64>(written.size() * sizeof(float)));
            }
        }
        FakeAudioFile::Close();
    }

  private:
    std::atomic<int>& writes_;
    QString path_;
};

struct KeepingJob {
    explicit KeepingJob(std::atomic<int>& writes) : writer(log, writes) {}
    CallLog log = MakeCallLog();
    NamedReader reader{log};
    KeepingWriter writer;
    RecordingLameEncoder encoder{log};
    FakeTransform transform{log};
};

enum class AfterPause { None, Resume, Stop };

struct PausedRun {
    std::map<QString, QByteArray> outputs;  // name: bytes
    std::vector<std::vector<RowState>> states;
    int runningWhilePaused = 0;  // rows in a running state while the batch waited
    int writesWhilePaused = -1;  // blocks written between settling and the resume or stop
    qint64 stopMs = -1;          // from the stop while paused to the batch's end
};

PausedRun RunPausing(BatchWork work, int jobCount, AfterPause after) {
    TempDir dir;
    const QString outDir = dir.File(S("out"));
    MainState state;
    state.appSettings.OutputFormat = 1;
    state.appSettings.CheckOutputs = false;  // the fakes write no audio to read back
    std::atomic<int> writes{0};
    std::vector<std::unique_ptr<KeepingJob>> owned;
    for (int j = 0; j < std::max(jobCount, 1); ++j) {
        owned.push_back(std::make_unique<KeepingJob>(writes));
    }
    std::vector<JobParts> jobs;
    for (int j = 0; j < jobCount; ++j) {
        KeepingJob& o = *owned[static_cast<std::size_t>(j)];
        jobs.push_back({o.reader, o.writer, o.encoder, o.transform});
    }
    // The pause comes from a job's thread, with the batch's second block.
    std::atomic<bool> pausedOnce{false};
    for (auto& o : owned) {
        o->writer.onWrite = [&] {
            if (after != AfterPause::None && writes >= 1 && !pausedOnce.exchange(true)) {
                state.Paused = true;
            }
        };
    }
    RecordingHost host;
    for (const char* name : {"a", "b", "c"}) {
        host.Add(S(name), dir.Write(S(name) + S(".wav"), "x"));
    }
    PausedRun run;
    // The user, on the host's thread: waits while paused, then resumes or stops.
    QTimer user;
    int ticks = 0;
    int settled = 0;
    QElapsedTimer stopped;
    QObject::connect(&user, &QTimer::timeout, [&] {
        if (!state.Paused) {
            return;
        }
        ++ticks;
        if (ticks == 10) {  // every job has finished the block it was in, the rows are shown
            settled = writes;
            for (const RecordingHost::Row& r : host.rows) {
                run.runningWhilePaused += IsRunningState(r.state) ? 1 : 0;
            }
        } else if (ticks == 20) {
            run.writesWhilePaused = writes - settled;
            if (after == AfterPause::Resume) {
                state.Paused = false;
            } else {
                stopped.start();
                StopWork(state);
            }
        }
    });
    user.start(20);
    KeepingJob& first = *owned[0];
    BatchParts parts{state,           first.reader, first.writer, first.encoder,
                     first.transform, QString(),    outDir};
    RunBatch(parts, host, work, jobs);
    if (stopped.isValid()) {
        run.stopMs = stopped.elapsed();
    }
    EXPECT_FALSE(state.Converting);
    EXPECT_FALSE(state.Paused);  // the next batch starts unpaused
    for (const RecordingHost::Row& r : host.rows) {
        run.states.push_back(r.states);
    }
    for (const QFileInfo& f : QDir(outDir).entryInfoList(QDir::Files | QDir::Hidden)) {
        QFile file(f.filePath());
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        run.outputs[f.fileName()] = file.readAll();
    }
    return run;
}

// Pause holds every job after the block it is in, with its row still running; Resume goes on to
// the same outputs as a batch never paused; Stop while paused ends the batch at once, leaving
// nothing of the rows it cut.
TEST(BatchEndingsTest, PauseHoldsEveryJobAndResumeOrStopEndsAsWithoutIt) {
    for (const BatchWork work : {BatchWork::Convert, BatchWork::Normalize}) {
        for (const int jobCount : {0, 3}) {
            const std::string what = std::string(work == BatchWork::Convert ? "convert" : "peak") +
                                     (jobCount == 0 ? ", one at a time" : ", three jobs");
            const PausedRun plain = RunPausing(work, jobCount, AfterPause::None);
            ASSERT_EQ(plain.outputs.size(), 3u) << what;

            const PausedRun resumed = RunPausing(work, jobCount, AfterPause::Resume);
            EXPECT_EQ(resumed.writesWhilePaused, 0) << what;
            // A normalised file is written in one block here: the pause may find none running.
            EXPECT_GE(resumed.runningWhilePaused, work == BatchWork::Convert ? 1 : 0) << what;
            EXPECT_LE(resumed.runningWhilePaused, std::max(jobCount, 1)) << what;
            EXPECT_EQ(resumed.outputs, plain.outputs) << what;
            EXPECT_EQ(resumed.states, plain.states) << what;

            const PausedRun stopped = RunPausing(work, jobCount, AfterPause::Stop);
            EXPECT_EQ(stopped.writesWhilePaused, 0) << what;
            EXPECT_GE(stopped.stopMs, 0) << what;
            EXPECT_LT(stopped.stopMs, 1000) << what;
            // The rows that were held end "Stop", the others never started; a row the pause
            // caught between its last block and its name may still finish.
            int cut = 0;
            std::size_t finished = 0;
            for (std::size_t i = 0; i < stopped.states.size(); ++i) {
                const RowState end =
                    stopped.states[i].empty() ? RowState::Waiting : stopped.states[i].back();
                cut += end == RowState::Stopped ? 1 : 0;
                finished += end == RowState::Finished ? 1 : 0;
                EXPECT_TRUE(end == RowState::Stopped || end == RowState::NotReached ||
                            end == RowState::Finished)
                    << what << " row " << i;
                if (end != RowState::Finished) {
                    EXPECT_EQ(stopped.outputs.count(
                                  QString::fromUtf8(work == BatchWork::Convert ? "" : "Nor_") +
                                  QString::fromUtf8(i == 0   ? "a"
                                                    : i == 1 ? "b"
                                                             : "c") +
                                  S(".wav")),
                              0u)
                        << what << " row " << i;
                }
            }
            EXPECT_GE(cut, work == BatchWork::Convert ? 1 : 0) << what;
            EXPECT_EQ(stopped.outputs.size(), finished) << what;  // no hidden, half-written file
        }
    }
}

}  // namespace
