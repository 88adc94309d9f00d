#include "engine/album_pass.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "components/audio_file.h"
#include "components/component_error.h"
#include "components/loudness_meter.h"
#include "engine/hidden_output.h"
#include "engine/loudness_gain.h"
#include "tags/replaygain_tags.h"

RowMeasure MeasureAlbumRow(const JobParts& job, const RunPlan& plan, const RowInput& in,
                           RowReport& report, bool& writerReset) {
    RowMeasure m;
    const QString& path = in.source.path;
    if (!QFileInfo::exists(path)) {
        return m;
    }
    report.State(in.row, RowState::Measuring);
    const QString hidden = NewHiddenOutputPath(in.target.dir, plan.setup.extension);
    try {
        if (writerReset) {
            plan.configure->Apply(job);
            writerReset = false;
        }
        if (!QDir().mkpath(in.target.dir)) {
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
    QFile::remove(hidden);
    report.State(in.row, RowState::Waiting);
    return m;
}

LoudnessGain AlbumGain(const LoudnessPlan& plan, const std::vector<RowMeasure>& rows) {
    std::vector<const ILoudnessTrack*> tracks;
    for (const RowMeasure& m : rows) {
        if (m.track) {
            tracks.push_back(m.track.get());
        }
    }
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
    std::vector<const ILoudnessTrack*> tracks;
    for (std::size_t i = 0; i < written.size(); ++i) {
        if (written[i] && !outputs[i].isEmpty()) {
            tracks.push_back(written[i].get());
        }
    }
    if (tracks.empty()) {
        return;
    }
    try {
        const LoudnessMeasure album = plan.loudness.meter->Album(tracks);
        const ReplayGainTags values{{}, {}, ReplayGainText(album), ReplayPeakText(album)};
        for (std::size_t i = 0; i < written.size(); ++i) {
            if (written[i] && !outputs[i].isEmpty()) {
                try {
                    ReplaceWithReplayGainTags(outputs[i], values);
                } catch (const std::exception& e) {
                    summary.failures << ErrorText(e);
                }
            }
        }
    } catch (const std::exception& e) {
        summary.failures << ErrorText(e);
    }
}
