#include "engine/batch_plan.h"

#include <QHash>
#include <QSet>

#include "engine/hidden_output.h"
#include "engine/main_state.h"
#include "filelist/name_pattern.h"
#include "formats/configure_writer.h"
#include "formats/output_formats.h"
#include "settings/output_names_setting.h"

void WriterConfiguration::Apply(const JobParts& job) const {
    const std::lock_guard<std::mutex> lock(mutex_);
    ConfigureWriter(format_, *settings_, commandLine_, job.encoder, job.writer);
}

namespace {

// Every row's output folder and first name, and what an output already there means, decided
// before anything is written so that no row's decision depends on an earlier row's output.
// Empty, or why the batch must not run.
QString PlanOutputs(const MainState& state, RunPlan& plan) {
    OutputNaming naming = state.NamingOverride ? *state.NamingOverride
                          : state.settingsFile ? ReadOutputNaming(*state.settingsFile)
                                               : ReadOutputNaming(SettingsFile());
    // A word that is no field would stand in every output's name.
    if (QString bad = UnknownPatternFieldsMessage(naming.pattern); !bad.isEmpty()) {
        return bad;
    }
    const bool beside =
        state.settingsFile ? ReadSaveBeside(*state.settingsFile) : ReadSaveBeside(SettingsFile());
    if (beside) {
        naming.mirror = false;  // each input's own folder is already its place
    }
    QSet<QString> cleaned{plan.setup.outputDir};
    QHash<QString, int> firstNames;
    for (RowInput& in : plan.rows) {
        const ListRow& r = in.source;
        // Beside its input, an output still never replaces it: the input has the output's
        // first name only when their extensions match, and the rule then numbers the output.
        const QString dir = beside ? InputFolderOf(r.path) : plan.setup.outputDir;
        in.target = ResolveRowTarget(naming, dir, r);
        in.firstName = FirstOutputName(in.target, plan.setup.extension, plan.prefix);
        ++firstNames[in.firstName];
    }
    for (RowInput& in : plan.rows) {
        const ExistingDecision existing =
            DecideExistingOutput(naming.existing, in.target, plan.setup.extension, plan.prefix,
                                 firstNames.value(in.firstName) > 1);
        in.existing = existing.action;
        in.firstName = existing.name;
        in.refusal = existing.reason;
        // What killed runs left in the sub-folders goes as it does in the output folder.
        if (!cleaned.contains(in.target.dir)) {
            cleaned.insert(in.target.dir);
            RemoveStaleOutputs(in.target.dir);
        }
    }
    return {};
}

}  // namespace

bool SplitsLongRows(const AppSettings& app, BatchWork work) {
    const bool fades = (app.FadeIn && app.FadeInTime > 0) || (app.FadeOut && app.FadeOutTime > 0);
    const OutputFormat* format = FindOutputFormat(app.OutputFormat);
    return app.SplitLongFiles && work == BatchWork::Convert && !fades && format && format->split &&
           format->split();
}

bool PrepareBatch(BatchParts& first, BatchHost& host, BatchWork work, std::size_t jobCount,
                  std::int64_t maxWholeSamples, RunPlan& plan) {
    MainState& state = first.state;
    const bool normalize = work == BatchWork::Normalize;
    plan.work = work;
    if (!StartBatch(first, host, plan.setup, normalize)) {
        return false;
    }
    const AppSettings& app = state.appSettings;
    plan.prefix = normalize ? QStringLiteral("Nor_") : QString();
    plan.loop = normalize ? BlockLoopSettings{app.OutputFormat, false, false, 0, 0}
                          : BlockLoopSettings{app.OutputFormat, app.FadeIn, app.FadeOut,
                                              app.FadeInTime, app.FadeOutTime};
    plan.level = static_cast<float>(app.NormalizeVolume);
    const LoudnessSettings& loud = app.Loudness;
    if ((normalize && loud.loudness) || (!normalize && loud.replayGain)) {
        if (!first.loudnessMeter) {
            host.ShowError(QStringLiteral("Loudness cannot be measured here"));
            EndBatch(first, host);
            return false;
        }
        plan.loudness = {
            first.loudnessMeter, static_cast<double>(loud.lufs), loud.truePeak, loud.album, {}};
        plan.replayGain = !normalize;
        plan.replayAlbum = !normalize && loud.album;
    }
    const bool fades = (app.FadeIn && app.FadeInTime > 0) || (app.FadeOut && app.FadeOutTime > 0);
    if (app.CopySameFormat && !normalize && !fades) {
        const OutputFormat* format = FindOutputFormat(app.OutputFormat);
        if (format && format->copyCodec) {
            plan.copyCodec = QLatin1String(format->copyCodec);
            plan.copyKeepsPcm = format->lossless;
        }
    }
    plan.covers = {app.CoverMaxSize, app.CoverFromFolder};
    plan.check = app.CheckOutputs;
    plan.split = jobCount > 1 && SplitsLongRows(app, work);
    plan.retireOriginals = app.TrashOriginals && !normalize;
    if (plan.retireOriginals && !plan.check) {
        // Only an output that passed its check lets its original go.
        host.ShowInformation(
            QStringLiteral("The originals stay where they are: outputs are not "
                           "checked ([Convert] check=off)"));
        plan.retireOriginals = false;
    }
    plan.maxWholeSamples = maxWholeSamples > 0 ? maxWholeSamples : DefaultMaxWholeSamples();
    if (jobCount > 1) {
        // Every job may hold one decoded file at a time.
        plan.maxWholeSamples /= static_cast<std::int64_t>(jobCount);
    }
    // A writer that lost its configuration gets the batch's again. The job threads read their
    // own copy of the settings file: the window's may be let go of at a close.
    std::shared_ptr<const SettingsFile> settings;
    if (state.settingsFile && jobCount == 0) {
        settings = std::shared_ptr<const SettingsFile>(state.settingsFile.get(),
                                                       [](const SettingsFile*) {});
    } else {
        auto own = std::make_shared<SettingsFile>();
        if (state.settingsFile) {
            own->SetRunValues(state.settingsFile->GetRunValues());  // a command line's, this run
        }
        settings = std::move(own);
    }
    plan.configure = std::make_shared<const WriterConfiguration>(
        app.OutputFormat, std::move(settings), first.commandLine);
    const int count = host.RowCount();
    for (int row = 0; row < count; ++row) {
        RowInput in;
        in.row = row;
        in.source = host.RowAt(row);
        plan.rows.push_back(std::move(in));
        // A fresh start: no state or reason of the last run looks like this run's result.
        host.SetRowState(row, RowState::Waiting);
    }
    if (const QString bad = PlanOutputs(state, plan); !bad.isEmpty()) {
        host.ShowError(bad);
        EndBatch(first, host);
        return false;
    }
    return true;
}
