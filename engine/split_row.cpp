#include "engine/split_row.h"

#include <QByteArray>
#include <algorithm>
#include <atomic>

#include "components/audio_file.h"
#include "components/component_error.h"
#include "engine/hidden_output.h"
#include "engine/output_check.h"
#include "formats/output_formats.h"
#include "formats/output_split.h"
#include "platform/native_name.h"

namespace {

// The samples of the chunks hashed in stream order while the chunks are encoded out of order:
// the chunk at the front is hashed as it is written, the chunks after it wait in memory until
// the front reaches them. Whoever moves the front hashes what waited, outside the lock.
class OrderedHash {
  public:
    OrderedHash(std::unique_ptr<PcmMd5> hash, int chunks)
        : hash_(std::move(hash)),
          waiting_(static_cast<std::size_t>(chunks)),
          complete_(static_cast<std::size_t>(chunks), false) {}

    void Feed(int chunk, const float* samples, std::size_t count) {
        std::unique_lock<std::mutex> lock(mutex_);
        std::vector<float>& waiting = waiting_[static_cast<std::size_t>(chunk)];
        if (chunk == front_ && !draining_ && waiting.empty()) {
            // Only this chunk's thread hashes while its chunk is the front and nothing drains.
            lock.unlock();
            hash_->Add(samples, count);
            return;
        }
        if (waiting.empty() && waiting.capacity() == 0 && !spare_.empty()) {
            // A buffer already hashed, its pages kept: fresh ones would each be faulted in.
            waiting.swap(spare_.back());
            spare_.pop_back();
        }
        waiting.insert(waiting.end(), samples, samples + count);
    }

    // The chunk has all its samples; the front moves past every complete chunk.
    void Complete(int chunk) {
        std::unique_lock<std::mutex> lock(mutex_);
        complete_[static_cast<std::size_t>(chunk)] = true;
        if (chunk != front_ || draining_) {
            return;
        }
        draining_ = true;
        const int count = static_cast<int>(complete_.size());
        while (front_ < count) {
            std::vector<float> taken;
            taken.swap(waiting_[static_cast<std::size_t>(front_)]);
            if (!taken.empty()) {
                lock.unlock();
                hash_->Add(taken.data(), taken.size());
                taken.clear();
                lock.lock();
                spare_.push_back(std::move(taken));
                continue;
            }
            if (!complete_[static_cast<std::size_t>(front_)]) {
                break;  // the front's own thread goes on hashing as it writes
            }
            ++front_;
        }
        draining_ = false;
    }

    std::unique_ptr<PcmMd5> Take() { return std::move(hash_); }

  private:
    std::unique_ptr<PcmMd5> hash_;
    std::mutex mutex_;
    int front_ = 0;
    bool draining_ = false;
    std::vector<std::vector<float>> waiting_;
    std::vector<std::vector<float>> spare_;  // hashed, kept for the next chunk that waits
    std::vector<bool> complete_;
};

}  // namespace

// One row being split: its chunks, who has taken which, and what they were given.
class SplitRow {
  public:
    explicit SplitRow(const RowInput& input) : in(input) {}

    const RowInput& in;
    SplitPhase phase = SplitPhase::Announced;  // changed under both locks, no chunk taken

    std::vector<OutputChunk> chunks;  // fixed once cut; each chunk's own job prepares it
    JoinFacts facts;
    std::unique_ptr<OrderedHash> hash;            // of what the chunks are given
    std::unique_ptr<OrderedHash> readHash;        // of what is read back
    std::atomic<bool> going{true};                // false once a chunk failed or a stop was heard
    std::vector<std::atomic<std::int64_t>> done;  // frames each chunk has moved
    std::vector<std::int64_t> fed;                // frames each finished chunk was given
    std::int64_t toMove = 1;                      // frames all chunks are given

    std::mutex mutex;  // what follows
    std::condition_variable wake;
    int next = 0;
    int active = 0;
    int finished = 0;
    QString failure;
    std::int64_t notNumbers = 0;
    double peak = 0;
    ReadBack readBack;  // the parts read back, summed
};

namespace {

// A chunk's writer: what it is given goes into the row's ordered hash as well.
class ChunkWriter : public FedWriter {
  public:
    ChunkWriter(IAudioFile2& writer, OrderedHash* hash, int chunk)
        : FedWriter(writer, false), hash_(hash), chunk_(chunk) {}
    void WriteBuffer(AudioBuffer& buffer) override {
        if (hash_) {
            hash_->Feed(chunk_, buffer.Data(), buffer.SampleCount());
        }
        FedWriter::WriteBuffer(buffer);
    }

  private:
    OrderedHash* hash_;
    int chunk_;
};

// The row's own range in its input's frames: chunk positions count from its start.
SampleRange ChunkRange(const RowInput& in, const OutputChunk& c) {
    const std::int64_t base = in.source.range.start;
    SampleRange r{base + c.start - c.leadIn, base + c.end + c.leadOut};
    if (c.index == c.count - 1) {
        // The last chunk reads to the row's end as the reader finds it, not as its length said.
        r.end = in.source.range.end;
    }
    return r;
}

}  // namespace

std::vector<ChunkCut> CutIntoChunks(std::int64_t frames, int channels, std::int64_t grid,
                                    int jobs) {
    std::vector<ChunkCut> cuts;
    if (frames <= 0 || grid <= 0) {
        return cuts;
    }
    const std::int64_t perChunk = std::max<std::int64_t>(kChunkSamples / std::max(channels, 1), 1);
    // A whole number of chunks a job, so that the jobs end together rather than one waiting
    // for the other's last chunk.
    const std::int64_t perJob = std::max(jobs, 1);
    const std::int64_t needed = std::max<std::int64_t>(perJob, (frames + perChunk - 1) / perChunk);
    const std::int64_t count = (needed + perJob - 1) / perJob * perJob;
    std::int64_t size = (frames + count - 1) / count;
    size = std::max<std::int64_t>((size + grid - 1) / grid * grid, grid);
    for (std::int64_t start = 0; start < frames; start += size) {
        cuts.push_back({start, std::min(frames, start + size)});
    }
    return cuts;
}

SplitRows::SplitRows(const RunPlan& plan, int jobs) : plan_(plan), jobs_(jobs) {
    const OutputFormat* format = FindOutputFormat(plan.loop.format);
    split_ = format && format->split ? format->split() : nullptr;
}

SplitRows::~SplitRows() = default;

void SplitRows::Announce(const RowInput& in, int left) {
    if (!split_ || left + 1 >= jobs_ || in.existing == ExistingAction::Skip ||
        in.existing == ExistingAction::Refuse) {
        return;
    }
    const std::lock_guard<std::mutex> lock(mutex_);
    rows_.push_back(std::make_shared<SplitRow>(in));
}

std::shared_ptr<SplitRow> SplitRows::Find(int row) {
    const std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& r : rows_) {
        if (r->in.row == row) {
            return r;
        }
    }
    return nullptr;
}

void SplitRows::Retire(int row) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        std::erase_if(rows_, [row](const auto& r) { return r->in.row == row; });
    }
    wake_.notify_all();
}

void SplitRows::Help(const JobParts& job, RowReport& report, bool& writerReset) {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        std::shared_ptr<SplitRow> open;
        for (const auto& r : rows_) {
            if (r->phase == SplitPhase::Announced) {
                continue;
            }
            const std::lock_guard<std::mutex> rowLock(r->mutex);
            if (r->next < static_cast<int>(r->chunks.size()) && r->going) {
                open = r;
                break;
            }
        }
        if (open) {
            lock.unlock();
            RunChunks(*open, job, report, writerReset);
            lock.lock();
            continue;
        }
        // Every row still here may open chunks yet: an announced one is soon cut (or written
        // whole), a written one is read back for its check. A row's end retires it.
        if (rows_.empty()) {
            return;
        }
        wake_.wait_for(lock, std::chrono::milliseconds(50));
    }
}

void SplitRows::RunChunks(SplitRow& row, const JobParts& job, RowReport& report,
                          bool& writerReset) {
    const int count = static_cast<int>(row.chunks.size());
    for (;;) {
        int k = 0;
        bool reading = false;
        {
            const std::lock_guard<std::mutex> lock(row.mutex);
            if (!row.going || row.next >= count) {
                return;
            }
            k = row.next++;
            ++row.active;
            reading = row.phase == SplitPhase::Reading;
        }
        ChunkOutcome done;
        try {
            done = reading ? ReadChunk(row, k, job, report)
                           : EncodeChunk(row, k, job, report, writerReset);
        } catch (const std::exception& e) {
            done = ChunkOutcome{};
            // A chunk's file is the output to the user, under the name the row's life shows.
            done.failure = ErrorText(e).replace(row.chunks[static_cast<std::size_t>(k)].path,
                                                row.facts.shownPath);
            writerReset = LetGo(job) || writerReset;
        }
        {
            const std::lock_guard<std::mutex> lock(row.mutex);
            --row.active;
            if (done.complete) {
                ++row.finished;
                row.notNumbers += done.notNumbers;
                row.peak = std::max(row.peak, done.peak);
            } else if (!done.failure.isEmpty()) {
                if (row.failure.isEmpty()) {
                    row.failure = done.failure;
                }
                row.going = false;
            }
        }
        row.wake.notify_all();
    }
}

SplitRows::ChunkOutcome SplitRows::EncodeChunk(SplitRow& row, int k, const JobParts& job,
                                               RowReport& report, bool& writerReset) {
    const RowInput& in = row.in;
    const int count = static_cast<int>(row.chunks.size());
    OutputChunk& chunk = row.chunks[static_cast<std::size_t>(k)];
    if (writerReset) {
        plan_.configure->Apply(job);
        writerReset = false;
    }
    OpenInput(job.reader, in.source.path, ChunkRange(in, chunk));
    ChunkWriter writer(job.writer, row.hash.get(), k);
    CreateOutputFor(job.reader, writer, chunk.path);
    BlockLoopSettings loop = plan_.loop;
    loop.fadeIn = false;
    loop.fadeOut = false;
    const auto pump = [&report, &row] {
        if (!report.KeepGoing()) {
            row.going = false;
        }
    };
    const std::int64_t length = job.reader.Length();
    const auto progress = [&row, &report, &in, k, length](int v) {
        // The loop says 0 on the empty read that ends it: a chunk's progress only grows.
        std::atomic<std::int64_t>& mine = row.done[static_cast<std::size_t>(k)];
        mine = std::max<std::int64_t>(mine, MulDiv64(length, v, 10000));
        std::int64_t moved = 0;
        for (const auto& d : row.done) {
            moved += d;
        }
        report.Progress(in.row, static_cast<int>(std::clamp<std::int64_t>(
                                    MulDiv64(moved, 10000, row.toMove), 0, 10000)));
    };
    ChunkOutcome done;
    done.complete = RunBlockLoop(job.reader, writer, job.transform, loop, row.going,
                                 BlockLoopHooks{pump, progress});
    job.reader.Close();
    job.writer.Close();
    if (!done.complete) {
        return done;
    }
    const std::int64_t meant = chunk.end - chunk.start + chunk.leadIn + chunk.leadOut;
    if (k < count - 1 && writer.Frames() != meant) {
        throw ComponentError(QStringLiteral("Cannot read %1: a part of it gave %2 of %3 samples")
                                 .arg(in.source.path)
                                 .arg(writer.Frames())
                                 .arg(meant));
    }
    row.fed[static_cast<std::size_t>(k)] = writer.Frames();
    done.notNumbers = writer.NotNumbers();
    done.peak = writer.Peak();
    split_->PrepareChunk(chunk, row.facts);
    if (row.hash) {
        row.hash->Complete(k);
    }
    return done;
}

SplitRows::ChunkOutcome SplitRows::ReadChunk(SplitRow& row, int k, const JobParts& job,
                                             RowReport& report) {
    const OutputChunk& chunk = row.chunks[static_cast<std::size_t>(k)];
    const bool last = k == static_cast<int>(row.chunks.size()) - 1;
    ChunkOutcome done;
    ReadBack part;
    try {
        // The output counts the source's frames: a split output keeps the rate.
        OpenInput(job.reader, row.facts.shownPath, {chunk.start, last ? -1 : chunk.end});
        part.rate = job.reader.SampleRate();
        const bool whole = ReadBackBlocks(
            job.reader,
            [&row, k](const AudioBuffer& block) {
                if (row.readHash) {
                    row.readHash->Feed(k, block.Data(), block.SampleCount());
                }
            },
            [&report] { return report.KeepGoing(); }, part);
        job.reader.Close();
        if (!whole) {
            row.going = false;
            return done;
        }
    } catch (const std::exception& e) {
        try {
            job.reader.Close();
        } catch (const std::exception&) {
        }
        // What cannot be read back is the check's failure, not the writing's.
        part.failure = ErrorText(e);
    }
    if (row.readHash) {
        row.readHash->Complete(k);
    }
    const std::lock_guard<std::mutex> lock(row.mutex);
    ReadBack& whole = row.readBack;
    whole.rate = whole.rate > 0 ? whole.rate : part.rate;
    whole.frames += part.frames;
    whole.notNumbers += part.notNumbers;
    whole.peak = std::max(whole.peak, part.peak);
    if (whole.failure.isEmpty()) {
        whole.failure = part.failure;
    }
    done.complete = true;
    return done;
}

std::optional<SplitRecord> SplitRows::Run(const JobParts& job, const RowInput& in,
                                          RowReport& report, bool& writerReset,
                                          const QString& hidden, bool& stopped) {
    const std::shared_ptr<SplitRow> row = Find(in.row);
    if (!row) {
        return std::nullopt;
    }
    struct Retiring {
        SplitRows& rows;
        int row;
        ~Retiring() { rows.Retire(row); }
    } retiring{*this, in.row};

    IAudioFile2& reader = job.reader;
    const std::int64_t length = reader.Length();
    const int rate = reader.PcmSampleRate();
    const int channels = reader.PcmChannels();
    const int bits = reader.SourceBits() > 0 ? reader.SourceBits() : 16;
    const PcmFormat output = job.writer.OutputPcm({rate, channels, bits, false});
    const SplitRule rule = split_->Rule(rate, output);
    const OutputFormat* format = FindOutputFormat(plan_.loop.format);
    const bool lossless = format && format->lossless;
    // A lossless output is split only where it keeps the samples as they are, so that the
    // stream's MD5 is the one of what the chunks are given.
    const bool kept = KeepsSamples({rate, channels, bits, false}, output);
    if (rule.grid <= 0 || rate <= 0 || length < std::int64_t{kSplitSeconds} * rate ||
        (rule.mostFrames > 0 && length > rule.mostFrames) || output.rate != rate ||
        (lossless && (!kept || rule.leadIn > 0 || rule.leadOut > 0))) {
        return std::nullopt;
    }
    const std::vector<ChunkCut> cuts = CutIntoChunks(length, channels, rule.grid, jobs_);
    if (cuts.size() < 2) {
        return std::nullopt;
    }
    // The reader is the owner's to encode chunks with.
    reader.Close();
    const int count = static_cast<int>(cuts.size());
    row->chunks.resize(cuts.size());
    row->done = std::vector<std::atomic<std::int64_t>>(cuts.size());
    row->fed.assign(cuts.size(), 0);
    row->toMove = 0;
    for (int k = 0; k < count; ++k) {
        OutputChunk& c = row->chunks[static_cast<std::size_t>(k)];
        c.index = k;
        c.count = count;
        c.start = cuts[static_cast<std::size_t>(k)].start;
        c.end = cuts[static_cast<std::size_t>(k)].end;
        c.leadIn = k > 0 ? std::min(rule.leadIn, c.start) : 0;
        c.leadOut = k < count - 1 ? std::min(rule.leadOut, length - c.end) : 0;
        c.path = NewHiddenOutputPath(in.target.dir, plan_.setup.extension);
        row->toMove += c.end - c.start + c.leadIn + c.leadOut;
    }
    row->facts.sourceRate = rate;
    row->facts.output = output;
    row->facts.frames = length;
    row->facts.shownPath = hidden;
    // Read back for the check, the output's MD5 is known from its reading: what the chunks
    // were given is then only printed, and the MD5 recorded once it is known.
    const bool readsBack = plan_.check && !(format && format->countFrames);
    if (lossless) {
        row->hash = std::make_unique<OrderedHash>(
            std::make_unique<PcmMd5>(output.bits, output.floating, !readsBack), count);
    }
    struct Sweep {
        const std::vector<OutputChunk>& chunks;
        ~Sweep() {
            for (const OutputChunk& c : chunks) {
                NativeRemove(c.path);
            }
        }
    } sweep{row->chunks};
    if (!RunPhase(*row, SplitPhase::Encoding, job, report, writerReset)) {
        stopped = true;
        return SplitRecord{};
    }
    // The last chunk read to the row's end: the whole is as long as it found.
    OutputChunk& last = row->chunks.back();
    last.end = last.start + row->fed.back() - last.leadIn;
    row->facts.frames = last.end;
    SplitRecord record;
    record.chunks = count;
    record.frames = last.end;
    record.rate = rate;
    record.notNumbers = row->notNumbers;
    record.peak = row->peak;
    record.output = output;
    if (row->hash) {
        record.hash = row->hash->Take();
        row->facts.md5 = QByteArray::fromHex(record.hash->Hex().toLatin1());
    }
    split_->Join(row->chunks, row->facts, hidden);
    if (readsBack) {
        // The check's reading of the output, in parts on the jobs as its writing was.
        if (record.hash) {
            row->readHash = std::make_unique<OrderedHash>(
                std::make_unique<PcmMd5>(output.bits, output.floating), count);
        }
        if (!RunPhase(*row, SplitPhase::Reading, job, report, writerReset)) {
            stopped = true;
            return SplitRecord{};
        }
        if (row->readHash) {
            std::unique_ptr<PcmMd5> read = row->readHash->Take();
            row->readBack.md5 = read->Hex();
            row->readBack.print = read->Print();
            // Read back as it was given: the MD5 of what was read is the stream's.
            if (read->Print() == record.hash->Print()) {
                split_->RecordMd5(hidden, QByteArray::fromHex(row->readBack.md5.toLatin1()),
                                  row->facts);
            }
        }
        record.readBack = row->readBack;
    }
    return record;
}

bool SplitRows::RunPhase(SplitRow& row, SplitPhase phase, const JobParts& job, RowReport& report,
                         bool& writerReset) {
    const int count = static_cast<int>(row.chunks.size());
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        const std::lock_guard<std::mutex> rowLock(row.mutex);
        row.phase = phase;
        row.next = 0;
        row.finished = 0;
    }
    wake_.notify_all();
    RunChunks(row, job, report, writerReset);
    std::unique_lock<std::mutex> lock(row.mutex);
    row.wake.wait(lock, [&] { return row.active == 0 && (row.finished == count || !row.going); });
    if (!row.failure.isEmpty()) {
        throw ComponentError(row.failure);
    }
    return row.finished == count;
}
