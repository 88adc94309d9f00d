#include "engine/album_pass.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringList>

#include "components/audio_file.h"
#include "components/component_error.h"
#include "components/loudness_meter.h"
#include "engine/hidden_output.h"
#include "engine/loudness_gain.h"
#include "platform/native_name.h"
#include "tags/replaygain_tags.h"

RowMeasure MeasureAlbumRow(const JobParts& job, const RunPlan& plan, const RowInput& in,
                           RowReport& report, bool& writerReset) {
    RowMeasure m;
    const QString& path = in.source.path;
    if (!NativeExists(path)) {
        return m;
    }
    report.State(in.row, RowState::Measuring);
    const QString hidden = NewHiddenOutputPath(in.target.dir, plan.setup.extension);
    try {
        if (writerReset) {
            plan.configure->Apply(job);
            writerReset = false;
        }
        if (!NativeMakePath(in.target.dir)) {
            throw ComponentError(QStringLiteral("Cannot create the folder %1").arg(in.target.dir));
        }
        OpenFilePair(job.reader, job.writer, path, hidden, in.source.range);
        m.track = MeasureOpenInput(
            job.reader, *plan.loudness.meter, &job.writer, false,
            [&report] { return report.KeepGoing(); },
            [&report, &in](int value) { report.Progress(in.row, value); });
    } catch (const std::exception& e) {
        m.error = MessageNamingFile(ErrorText(e).replace(hidden, path), path);
        m.track.reset();
    }
    writerReset = LetGo(job) || writerReset;
    NativeRemove(hidden);
    report.State(in.row, RowState::Waiting);
    return m;
}

namespace {

// The album a row belongs to: its cue sheet; empty for the rows of no sheet.
const QString& AlbumOf(const RunPlan& plan, std::size_t row) {
    return plan.rows[row].source.sheet;
}

LoudnessGain AlbumGain(const LoudnessPlan& plan, const std::vector<const ILoudnessTrack*>& tracks) {
    if (tracks.empty()) {
        return {};
    }
    try {
        return GainForTarget(plan.meter->Album(tracks), plan.targetLufs, plan.ceilingDbtp);
    } catch (const std::exception& e) {
        // Runs where nothing may throw (the last job to end the first pass): the rows keep
        // their level and say why.
        LoudnessGain unchanged;
        unchanged.unmeasured = true;
        unchanged.note = ErrorText(e);
        return unchanged;
    }
}

}  // namespace

void SettleAlbumGains(LoudnessPlan& loudness, const RunPlan& plan,
                      const std::vector<RowMeasure>& rows) {
    QHash<QString, std::vector<const ILoudnessTrack*>> albums;
    for (std::size_t i = 0; i < rows.size() && i < plan.rows.size(); ++i) {
        if (rows[i].track) {
            albums[AlbumOf(plan, i)].push_back(rows[i].track.get());
        }
    }
    loudness.albumGain = AlbumGain(loudness, albums.value(QString()));
    loudness.sheetGains.clear();
    for (std::size_t i = 0; i < plan.rows.size(); ++i) {
        const QString& album = AlbumOf(plan, i);
        if (!album.isEmpty() && !loudness.sheetGains.contains(plan.rows[i].source.path)) {
            loudness.sheetGains.insert(plan.rows[i].source.path,
                                       AlbumGain(loudness, albums.value(album)));
        }
    }
}

void ThrowIfUnmeasured(const RunPlan& plan, const std::vector<RowMeasure>& album, int row) {
    const auto i = static_cast<std::size_t>(row);
    if (plan.AlbumFirst() && i < album.size() && !album[i].error.isEmpty()) {
        throw ComponentError(album[i].error);
    }
}

void WriteAlbumReplayGain(const RunPlan& plan,
                          const std::vector<std::unique_ptr<ILoudnessTrack>>& written,
                          const std::vector<QString>& outputs, BatchSummary& summary) {
    if (!plan.replayGain || !plan.replayAlbum || !plan.loudness.meter) {
        return;
    }
    QHash<QString, std::vector<std::size_t>> albums;  // the written rows of each album
    QStringList order;
    for (std::size_t i = 0; i < written.size() && i < plan.rows.size(); ++i) {
        if (written[i] && !outputs[i].isEmpty()) {
            const QString& album = AlbumOf(plan, i);
            if (!albums.contains(album)) {
                order << album;
            }
            albums[album].push_back(i);
        }
    }
    for (const QString& album : order) {
        const std::vector<std::size_t>& rows = albums.value(album);
        std::vector<const ILoudnessTrack*> tracks;
        for (const std::size_t i : rows) {
            tracks.push_back(written[i].get());
        }
        try {
            const LoudnessMeasure measure = plan.loudness.meter->Album(tracks);
            const ReplayGainTags values{{}, {}, ReplayGainText(measure), ReplayPeakText(measure)};
            for (const std::size_t i : rows) {
                try {
                    ReplaceWithReplayGainTags(outputs[i], values);
                } catch (const std::exception& e) {
                    summary.failures << ErrorText(e);
                }
            }
        } catch (const std::exception& e) {
            summary.failures << ErrorText(e);
        }
    }
}
