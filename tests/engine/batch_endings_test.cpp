// Every way a row can end, for every kind of batch (conversion, peak and loudness normalisation,
// an album), one file at a time on the calling thread and three jobs at once: the states each row
// goes through, the results in row order, the count shown at every update and the files left on
// disk are the same whatever the scheduling.
#include <gtest/gtest.h>

#include <QDir>
#include <atomic>
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

}  // namespace
