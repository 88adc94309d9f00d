#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <csignal>
#include <memory>
#include <thread>
#include <vector>

#include "cli/cli_batch_host.h"
#include "cli/commands.h"
#include "cli/convert_inputs.h"
#include "cli/convert_organise.h"
#include "cli/encoder_options.h"
#include "cli/loudness_flags.h"
#include "components/lame_encoder_settings.h"
#include "engine/batch_plan.h"
#include "engine/convert_batch.h"
#include "engine/main_state.h"
#include "engine/normalize_batch.h"
#include "engine/parallel_batch.h"
#include "formats/output_formats.h"
#include "outside/audio/audio_factory.h"
#include "settings/app_settings.h"

namespace {

// Set by the stop signals; read by the host between blocks.
std::atomic<bool> g_interrupted{false};
std::atomic<int> g_signal{0};
// The running batch's control: the handler clears its stop request itself, so every worker stops
// at its next block without waiting for the main thread to wake.
std::atomic<BatchControl*> g_control{nullptr};
static_assert(std::atomic<int>::is_always_lock_free);
static_assert(std::atomic<bool>::is_always_lock_free);
static_assert(std::atomic<BatchControl*>::is_always_lock_free);

extern "C" void OnStopSignal(int signal) {
    g_signal = signal;
    g_interrupted = true;
    if (BatchControl* control = g_control.load()) {
        control->Converting = false;
    }
}

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Ctrl-C, SIGTERM and SIGHUP stop the batch as Stop does, so every input still gets its line.
// A second signal ends the program at once (the handler resets itself).
void InstallStopHandlers() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    for (const int signal : kStopSignals) {
        sigaction(signal, &action, nullptr);
    }
}

void RemoveStopHandlers() {
    for (const int signal : kStopSignals) {
        std::signal(signal, SIG_DFL);
    }
}

struct ConvertOptions {
    bool help = false;
    bool normalize = false;
    int format = -1;  // -1: the stored one
    QString outputDir;
    QString lameOptions;
    int jobs = 0;  // 0: one per core
    bool json = false;
    int trashOriginals = -1;  // -1: as stored
    int split = -1;           // -1: as stored ([Batch] split long files)
    QString receipts;         // the file every finished output's receipt is appended to
    LoudnessFlags loudness;
    EncoderOptions encoder;
    QStringList inputs;
    OrganiseOptions organise;
};

// Parses the arguments; returns an error text for a usage error.
QString Parse(const QStringList& args, ConvertOptions& o) {
    bool optionsEnded = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (optionsEnded) {
            o.inputs << a;
            continue;
        }
        auto value = [&](QString& to) {
            if (i + 1 >= args.size()) {
                return false;
            }
            to = args[++i];
            return true;
        };
        QString v;
        QString bad;
        if (TakeLoudnessFlag(args, i, o.loudness, bad) ||
            TakeEncoderOption(args, i, o.encoder, bad)) {
            if (!bad.isEmpty()) {
                return bad;
            }
        } else if (a == QLatin1String("--")) {
            optionsEnded = true;  // a file may be called "--jobs"
        } else if (IsHelpOption(a)) {
            o.help = true;  // whatever follows: the user asked what the options are
            return {};
        } else if (a == QLatin1String("--normalize")) {
            o.normalize = true;
        } else if (a == QLatin1String("--json")) {
            o.json = true;
        } else if (a == QLatin1String("--originals")) {
            if (!value(v) || (v != QLatin1String("keep") && v != QLatin1String("trash"))) {
                return QStringLiteral("--originals needs keep or trash");
            }
            o.trashOriginals = v == QLatin1String("trash") ? 1 : 0;
        } else if (a == QLatin1String("--split") || a == QLatin1String("--no-split")) {
            o.split = a == QLatin1String("--split") ? 1 : 0;
        } else if (a == QLatin1String("--receipts")) {
            if (!value(o.receipts) || o.receipts.isEmpty()) {
                return QStringLiteral("--receipts needs a file");
            }
        } else if (a == QLatin1String("--format")) {
            if (!value(v)) {
                return QStringLiteral("--format needs one of %1").arg(OfferedFormatNames());
            }
            const OutputFormat* format = FindOfferedFormat(v);
            if (!format) {
                return QStringLiteral("unknown format '%1' (%2)").arg(v, OfferedFormatNames());
            }
            o.format = format->code;
        } else if (a == QLatin1String("--output")) {
            if (!value(o.outputDir) || o.outputDir.isEmpty()) {
                return QStringLiteral("--output needs a folder");
            }
        } else if (a == QLatin1String("--lame-options")) {
            if (!value(o.lameOptions)) {
                return QStringLiteral("--lame-options needs a text");
            }
        } else if (a == QLatin1String("--jobs")) {
            bool ok = false;
            if (!value(v) || (o.jobs = v.toInt(&ok), !ok) || o.jobs < 1 || o.jobs > 256) {
                return QStringLiteral("--jobs needs a number from 1 to 256");
            }
        } else if (const OrganiseParse taken = ParseOrganiseOption(args, i, o.organise, v);
                   taken != OrganiseParse::NotMine) {
            if (taken == OrganiseParse::Error) {
                return v;
            }
        } else if (a.startsWith(QLatin1String("--"))) {
            return QStringLiteral("unknown option '%1'").arg(a);
        } else {
            o.inputs << a;
        }
    }
    if (!o.organise.from.isEmpty()) {
        if (const QString error = ReadInputList(o.organise.from, o.inputs); !error.isEmpty()) {
            return error;
        }
    }
    if (o.inputs.isEmpty()) {
        return QStringLiteral("no FILE or FOLDER given");
    }
    return {};
}

QString Help() {
    return QStringLiteral(
               "Usage: quorvel-cli convert [OPTIONS] [--] FILE|FOLDER...\n"
               "\n"
               "Add the files, and the audio files of each folder, as Add File and Add Folder\n"
               "would (a cue sheet, or a file with its sheet inside, gives one input per track\n"
               "unless [Cue] split=off), then convert them (or with --normalize write normalised "
               "copies) with the\n"
               "stored settings. One result line per input, in input order:\n"
               "STATUS<TAB>input<TAB>output, STATUS one of finish, exists, stopped, Error,\n"
               "removed, skipped; reasons and remarks go to standard error.\n"
               "\n"
               "Options:\n"
               "  --format %1\n"
               "                       the output format for this run\n"
               "  --output DIR         the output folder for this run\n"
               "  --lame-options TEXT  LAME switches, as typed into the Settings dialog\n"
               "%2"
               "  --jobs N             convert N files at a time (1 to 256; default one per core)\n"
               "  --split, --no-split  let the jobs that have no file left encode parts of a long\n"
               "                       file (the default with more than one job), or not\n"
               "  --json               one JSON object per input instead of the line, with the\n"
               "                       check of its output\n"
               "  --receipts FILE      append the check of every finished output to FILE, one\n"
               "                       JSON object a line\n"
               "  --pattern TEXT       name outputs from {artist} {album} {albumartist} {title}\n"
               "                       {track} {disc} {year} {genre} {filename}, / for folders\n"
               "  --existing number|skip|update\n"
               "                       an output already there: number the new one, skip the\n"
               "                       input, or replace the output when it is older\n"
               "  --recursive          folders give the audio files of their sub-folders too\n"
               "  --mirror             outputs keep the sub-folders their inputs were found in\n"
               "  --beside             each output goes into its input's own folder instead of\n"
               "                       the output folder; no input is ever replaced\n"
               "  --from FILE|-        more inputs, one path a line (- for standard input)\n"
               "  --originals keep|trash\n"
               "                       trash: move each input into the Trash once its output\n"
               "                       has passed the check\n"
               "  --normalize          write copies named Nor_... at the stored peak level\n"
               "  --loudness LUFS      with --normalize: equal loudness (EBU R128, -40 to -5)\n"
               "                       instead of equal peaks\n"
               "  --true-peak DBTP     with --loudness: the true-peak ceiling (-10 to 0, default\n"
               "                       -1)\n"
               "  --replaygain         without --normalize: ReplayGain tags in the outputs, the\n"
               "                       audio unchanged\n"
               "  --album              with --loudness or --replaygain: one gain for all files\n"
               "  --                   every argument after it is a file or folder, even one\n"
               "                       called --help\n"
               "  -h, --help           show this text\n"
               "\n"
               "The format, folder and encoder options hold for this run only: nothing is\n"
               "written to the settings file. An encoder option sets that key of the output\n"
               "format (--format, else the stored one), checked as the settings file's is.\n")
        .arg(OfferedFormatNames(), EncoderOptionsHelp());
}

// The components of one job.
struct OwnedJob {
    std::unique_ptr<IAudioFile2> reader = CreateAudioFile();
    std::unique_ptr<IAudioFile2> writer = CreateAudioFile();
    LameEncoderSettings encoder;
    std::unique_ptr<IAudioTransform2> transform = CreateAudioTransform();
};

int Run(const QStringList& args, QTextStream& out, QTextStream& err) {
    ConvertOptions options;
    const QString usage = Parse(args, options);
    if (!usage.isEmpty()) {
        err << "quorvel-cli: convert: " << usage << '\n';
        return kCliUsage;
    }
    if (options.help) {
        return PrintCommandHelp(kConvertCommand, out);
    }
    MainState state;
    state.settingsFile = std::make_unique<SettingsFile>();
    state.appSettings = LoadStartupSettings(*state.settingsFile).settings;
    if (const QString bad =
            ApplyLoudnessFlags(options.loudness, options.normalize, state.appSettings.Loudness);
        !bad.isEmpty()) {
        err << "quorvel-cli: convert: " << bad << '\n';
        return kCliUsage;
    }
    const std::unique_ptr<ILoudnessMeter> meter = CreateLoudnessMeter();
    if (options.trashOriginals >= 0) {
        state.appSettings.TrashOriginals = options.trashOriginals == 1;
    }
    if (options.split >= 0) {
        state.appSettings.SplitLongFiles = options.split == 1;
    }
    if (options.format >= 0) {
        state.appSettings.OutputFormat = options.format;  // this run only: nothing is written back
    }
    if (!options.encoder.given.empty()) {
        const OutputFormat* format = FindOutputFormat(state.appSettings.OutputFormat);
        const QString bad = format
                                ? ApplyEncoderOptions(options.encoder, *format, *state.settingsFile)
                                : QStringLiteral("the stored output format %1 is not known (%2)")
                                      .arg(state.appSettings.OutputFormat)
                                      .arg(OfferedFormatNames());
        if (!bad.isEmpty()) {
            err << "quorvel-cli: convert: " << bad << '\n';
            return kCliUsage;
        }
    }
    // Refused before anything is converted: a batch whose receipts would be lost is not started.
    QFile receipts(options.receipts);
    if (!options.receipts.isEmpty() &&
        (QFileInfo(options.receipts).isDir() ||
         !receipts.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))) {
        err << "quorvel-cli: convert: cannot write the receipts to " << options.receipts << ": "
            << (QFileInfo(options.receipts).isDir() ? QStringLiteral("it is a folder")
                                                    : receipts.errorString())
            << '\n';
        return kCliUsage;
    }
    const int jobs = options.jobs > 0
                         ? options.jobs
                         : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));

    std::vector<std::unique_ptr<OwnedJob>> owned;
    owned.push_back(std::make_unique<OwnedJob>());
    state.NamingOverride = NamingForRun(options.organise, *state.settingsFile);
    if (options.organise.beside) {
        state.settingsFile->SetRunValue(QStringLiteral("Format"), QStringLiteral("beside"),
                                        QStringLiteral("on"));
    }
    const ProbedInputs probed = ProbeInputs(*owned[0]->reader, options.inputs,
                                            options.organise.recursive, state.appSettings.CueSplit);
    for (const QString& message : probed.rejectedMessages + probed.warnings) {
        err << "quorvel-cli: " << message << '\n';
    }

    RowModel rows;
    for (const ListRow& row : probed.rows) {
        rows.Append(row);
    }
    CliBatchHost host(rows, state, out, err, g_interrupted, isatty(STDERR_FILENO) != 0,
                      options.json);
    host.SetRejected(probed);
    if (receipts.isOpen()) {
        host.SetReceipts(&receipts);
    }
    if (probed.rows.empty()) {
        host.FinishRows();
        err << "quorvel-cli: convert: no audio file to convert\n";
        return probed.rejectedPaths.isEmpty() ? kCliUsage : kCliFailed;
    }
    const QString outputDir =
        options.outputDir.isEmpty() ? QString() : QDir(options.outputDir).absolutePath();

    g_control = &state;
    InstallStopHandlers();
    if (jobs == 1) {
        BatchParts parts{state,
                         *owned[0]->reader,
                         *owned[0]->writer,
                         owned[0]->encoder,
                         *owned[0]->transform,
                         options.lameOptions,
                         outputDir,
                         meter.get()};
        if (options.normalize) {
            NormalizeAll(parts, host);
        } else {
            ConvertAll(parts, host);
        }
    } else {
        // A long file may be encoded in parts on the jobs that have no file of their own.
        const bool split = SplitsLongRows(
            state.appSettings, options.normalize ? BatchWork::Normalize : BatchWork::Convert);
        const int used = split ? jobs : std::min<int>(jobs, static_cast<int>(probed.rows.size()));
        std::vector<JobParts> parts;
        for (int j = 0; j < used; ++j) {
            if (j > 0) {
                owned.push_back(std::make_unique<OwnedJob>());
            }
            parts.push_back(
                {*owned[j]->reader, *owned[j]->writer, owned[j]->encoder, *owned[j]->transform});
        }
        BatchParts batch{state,
                         *owned[0]->reader,
                         *owned[0]->writer,
                         owned[0]->encoder,
                         *owned[0]->transform,
                         options.lameOptions,
                         outputDir,
                         meter.get()};
        RunParallelBatch(batch, host, parts, options.normalize);
    }
    RemoveStopHandlers();
    g_control = nullptr;
    host.FinishRows();
    if (g_interrupted) {
        return 128 + g_signal;  // as a shell reports a command ended by that signal
    }
    return host.AllFinished() ? kCliOk : kCliFailed;
}

}  // namespace

const CliCommand kConvertCommand{"convert", "convert or normalise files, one result line each",
                                 Help, Run};
