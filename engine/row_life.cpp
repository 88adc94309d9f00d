#include "engine/row_life.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include "components/audio_file.h"
#include "components/component_error.h"
#include "components/loudness_meter.h"
#include "engine/hidden_output.h"
#include "engine/loudness_gain.h"
#include "engine/output_check.h"
#include "engine/split_row.h"
#include "platform/native_name.h"
#include "platform/source_mark.h"
#include "tags/replaygain_tags.h"
#include "tags/tag_transfer.h"

namespace {

void Reset(IAudioFile2& component) {
    try {
        component.SetEnabled(false);
        component.SetEnabled(true);
    } catch (const std::exception&) {
        // Nothing more can be done; the next use reports the component's state.
    }
}

// The name is free again when the row ends, whatever way it ends.
struct NamePromise {
    const QString& name;
    ~NamePromise() { ReleaseOutputName(name); }
};

// ReplayGain values measured on the finished file, as players decode it: encoders move loudness
// by tenths of a dB. Written after the tag transfer: values carried from the input describe
// other audio.
void TagReplayGain(const RowLifeParts& p, const QString& hidden, RowExtras& extras) {
    if (!HoldsReplayGainTags(hidden)) {
        extras.note = QStringLiteral("No ReplayGain values: %1 files hold no tags")
                          .arg(QFileInfo(hidden).suffix().toUpper());
        return;
    }
    p.job.reader.Open(hidden);
    extras.track =
        MeasureOpenInput(p.job.reader, *p.plan.loudness.meter, nullptr, false, [] { return true; });
    p.job.reader.Close();
    if (!extras.track) {
        extras.note = QStringLiteral("No ReplayGain values: the output holds no audio");
        return;
    }
    const LoudnessMeasure m = extras.track->Measure();
    WriteReplayGainTags(hidden, {ReplayGainText(m), ReplayPeakText(m), {}, {}});
}

// An input already in the output format that nothing of the run would change: its codec is the
// format's, and a lossless format's writer would keep its rate, channels and depth (a WAV of
// another layout is converted to the layout the settings ask for). The lossy formats' encoder
// settings are not asked: copying rather than encoding again is the point.
bool CopiesAsItIs(const RunPlan& plan, const JobParts& job, const SampleRange& range) {
    // A part of a file is never the file's bytes.
    if (!range.Whole() || plan.copyCodec.isEmpty() || job.reader.SourceCodec() != plan.copyCodec) {
        return false;
    }
    if (!plan.copyKeepsPcm) {
        return true;
    }
    const PcmFormat source{job.reader.SampleRate(), job.reader.Channels(), job.reader.SourceBits(),
                           false};
    const PcmFormat output = job.writer.OutputPcm(source);
    return output.rate == source.rate && output.channels == source.channels &&
           output.bits == source.bits;
}

QString JoinedNote(const QString& first, const QString& second) {
    if (first.isEmpty() || second.isEmpty()) {
        return first + second;
    }
    return first + QStringLiteral("; ") + second;
}

// The written, closed output under the name promised (or replacing the output it updates).
QString NameOutput(const RunPlan& plan, const RowInput& in, const QString& hidden,
                   const QString& promised) {
    const OutputTarget& t = in.target;
    const QString& ext = plan.setup.extension;
    if (in.existing == ExistingAction::Replace && promised == in.firstName) {
        return ReplaceWithFinishedOutput(hidden, promised, in.source.path, t.dir, t.caption, ext,
                                         plan.prefix);
    }
    return NameFinishedOutput(hidden, promised, t.dir, t.caption, in.source.path, ext, plan.prefix);
}

}  // namespace

bool LetGo(const JobParts& job) {
    try {
        job.reader.Close();
    } catch (const std::exception&) {
        Reset(job.reader);
    }
    try {
        job.writer.Close();
    } catch (const std::exception&) {
        Reset(job.writer);
        return true;
    }
    return false;
}

QString PromiseRowName(const RunPlan& plan, const RowInput& in) {
    if (in.existing == ExistingAction::Skip || in.existing == ExistingAction::Refuse) {
        return {};
    }
    if (in.existing == ExistingAction::Replace && PromiseExactOutputName(in.firstName)) {
        return in.firstName;
    }
    return PromiseOutputName(in.target.dir, in.target.caption, in.source.path, plan.setup.extension,
                             plan.prefix);
}

FileResult LiveRow(const RowLifeParts& p, const RowInput& in, RowExtras& extras, QString promised) {
    QElapsedTimer clock;
    clock.start();
    FileResult r;
    r.row = in.row;
    const QString& path = in.source.path;
    const auto end = [&](RowState state) {
        r.state = state;
        r.seconds = static_cast<double>(clock.elapsed()) / 1000.0;
        p.report.State(in.row, state);
        return r;
    };
    if (in.existing == ExistingAction::Skip) {
        // Nothing is opened or decoded: a re-run over a converted library costs a look per file.
        r.output = in.firstName;
        return end(RowState::Exists);
    }
    if (in.existing == ExistingAction::Refuse) {
        r.reason = MessageNamingFile(in.refusal, path);
        return end(RowState::Failed);
    }
    if (promised.isEmpty()) {
        promised = PromiseRowName(p.plan, in);
    }
    const NamePromise keep{promised};
    if (!NativeExists(path)) {
        return end(RowState::Removed);
    }
    p.report.State(in.row, p.plan.Normalize() ? RowState::Normalising : RowState::Converting);
    const QString& dir = in.target.dir;
    // Beside its final name, so that naming it is a rename within one file system.
    const QString hidden = NewHiddenOutputPath(dir, p.plan.setup.extension);
    RowState state = RowState::Stopped;
    try {
        if (p.writerReset) {
            p.plan.configure->Apply(p.job);
            p.writerReset = false;
        }
        if (!NativeMakePath(dir)) {
            throw ComponentError(QStringLiteral("Cannot create the folder %1").arg(dir));
        }
        OpenInput(p.job.reader, path, in.source.range);
        const bool copy = CopiesAsItIs(p.plan, p.job, in.source.range);
        // The work writes through it, so that the check knows what the output was meant to hold.
        FedWriter fed(p.job.writer, RunKeepsSamples(p.plan));
        const JobParts job{p.job.reader, fed, p.job.encoder, p.job.transform};
        WorkEnd work = WorkEnd::Stopped;
        bool stopped = false;
        std::optional<ReadBack> readBack;  // a split output was read back in parts already
        int chunks = 1;
        if (copy) {
            // What the user asked for: the input's own bytes, tagged and named as an output.
            p.job.reader.Close();
            const bool whole = CopyToHiddenOutput(path, hidden, [&](int done) {
                p.report.Progress(in.row, done);
                return p.report.KeepGoing();
            });
            work = whole ? WorkEnd::Complete : WorkEnd::Stopped;
        } else if (std::optional<SplitRecord> joined;
                   p.split &&
                   (joined = p.split->Run(p.job, in, p.report, p.writerReset, hidden, stopped))) {
            // Encoded in parts on the jobs that had no row left, and joined at `hidden`.
            work = stopped ? WorkEnd::Stopped : WorkEnd::Complete;
            readBack = joined->readBack;
            chunks = joined->chunks;
            fed.TakeJoined(std::move(*joined));
        } else {
            CreateOutputFor(job.reader, job.writer, hidden);
            work = p.work(job, in, extras);
        }
        if (work == WorkEnd::Complete) {
            const QString readNote = copy ? QString() : p.job.reader.SourceNote();
            p.job.reader.Close();
            p.job.writer.Close();
            TagSource tagSource{path, p.plan.Normalize(), in.source.read, p.plan.covers};
            tagSource.sheetTrack = in.source.IsSheetTrack();
            tagSource.sheetTags = in.source.sheetTags;
            WrittenOutput written;
            written.path = hidden;
            written.readBack = readBack;
            const QString tagNote =
                TransferTagsGuarded(hidden, in.source.record, tagSource,
                                    p.plan.check ? &written.tagsWritten : nullptr, &written.tags);
            if (p.plan.replayGain) {
                TagReplayGain(p, hidden, extras);
            }
            // A later run's skip and update find this input's own output by it.
            MarkOutputSource(hidden, path, PartOf(in.source.range));
            r.note = JoinedNote(JoinedNote(readNote, extras.note), tagNote);
            if (copy) {
                r.note = JoinedNote(QStringLiteral("copied"), r.note);
            }
            if (p.plan.check) {
                r.receipt =
                    CheckRowOutput(p.plan, p.job.reader, fed, copy ? path : QString(), written,
                                   extras.note, [&p] { return p.report.KeepGoing(); })
                        .value_or(OutputReceipt{});
                r.receipt.chunks = chunks;
                if (!r.receipt.failure.isEmpty()) {
                    throw ComponentError(r.receipt.failure);
                }
            }
            // A stop during the check leaves the output unchecked, and it goes as a stopped one.
            if (!p.plan.check || r.receipt.checked) {
                r.output = NameOutput(p.plan, in, hidden, promised);
                state = RowState::Finished;
            }
        }
    } catch (const std::exception& e) {
        state = RowState::Failed;
        // The hidden name means nothing to the user: the message names the file as it would
        // have been called.
        r.reason = MessageNamingFile(ErrorText(e).replace(hidden, promised), path);
    }
    if (state != RowState::Finished) {
        p.writerReset = LetGo(p.job) || p.writerReset;
        NativeRemove(hidden);
    }
    return end(state);
}
