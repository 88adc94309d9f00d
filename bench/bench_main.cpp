// quorvel-bench: times our audio components against the command-line tools on the same
// 10-minute input. Run by hand; it prints timings and asserts nothing about them.
#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <vector>

#include "bench/batch_bench.h"
#include "bench/bench_tools.h"
#include "bench/decode_bench.h"
#include "bench/encoder_bench.h"
#include "bench/long_split_bench.h"
#include "bench/music_signal.h"
#include "bench/split_bench.h"
#include "components/component_error.h"
#include "components/lame_encoder_settings.h"
#include "engine/normalize_worker.h"
#include "formats/configure_writer.h"
#include "outside/audio/audio_factory.h"
#include "settings/settings_file.h"

namespace {

double Seconds(const std::function<void()>& work) {
    QElapsedTimer clock;
    clock.start();
    work();
    return static_cast<double>(clock.nsecsElapsed()) / 1e9;
}

// The MP3 settings the encoder configuration sends when there is no settings file.
LameEncoderSettings DefaultMp3Settings(const QDir& work) {
    const SettingsFile none(work.filePath(QStringLiteral("none.ini")));
    LameEncoderSettings s;
    auto writer = CreateAudioFile();
    ConfigureWriter(0, none, QString(), s, *writer);
    return s;
}

// Reader to writer in blocks, as the conversion batch does.
// What the normalisation worker does: one buffer for a file of up to kWholeBufferSamples, two
// streaming passes beyond.
void NormalizeFile(const QString& in, const QString& out) {
    auto reader = CreateAudioFile();
    auto writer = CreateAudioFile();
    auto transform = CreateAudioTransform();
    reader->Open(in);
    writer->SetWaveFormat(44100, 2, 16);
    writer->SetSourceFormat(reader->PcmSampleRate(), reader->PcmChannels());
    writer->CreateOutput(out);
    std::atomic<int> stage{0};
    std::atomic<int> progress{0};
    const std::atomic<bool> terminate{false};
    WorkerSignals points{stage, progress, terminate};
    NormalizeOneFile(
        NormalizeJob{*reader, *writer, *transform, in, 98.0f, DefaultMaxWholeSamples()}, points);
    reader->Close();
    writer->Close();
}

double PeakMegabytes(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

struct Case {
    const char* name;
    const char* tool;
    std::function<void()> ours;
    QString program;
    QStringList arguments;
};

}  // namespace

int main(int argc, char** argv) {
    // The batch cases drive the real main window, offscreen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    int runs = 3;
    int minutes = 10;
    bool batchOnly = false;
    bool encodersOnly = false;
    bool decodeOnly = false;
    bool loudnessOnly = false;
    bool cueOnly = false;
    bool splitOnly = false;
    bool checkOnly = false;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--batch-only")) {
            batchOnly = true;
            continue;
        }
        if (args[i] == QLatin1String("--encoders-only")) {
            encodersOnly = true;
            continue;
        }
        if (args[i] == QLatin1String("--decode-only")) {
            decodeOnly = true;
            continue;
        }
        if (args[i] == QLatin1String("--loudness-only")) {
            loudnessOnly = true;
            continue;
        }
        if (args[i] == QLatin1String("--cue-only")) {
            cueOnly = true;
            continue;
        }
        if (args[i] == QLatin1String("--split-only")) {
            splitOnly = true;
            continue;
        }
        if (args[i] == QLatin1String("--check-only")) {
            checkOnly = true;
            continue;
        }
        if (i + 1 >= args.size()) {
            break;
        }
        if (args[i] == QLatin1String("--runs")) {
            runs = std::max(1, args[++i].toInt());
        } else if (args[i] == QLatin1String("--minutes")) {
            minutes = std::max(1, args[++i].toInt());
        }
    }
    for (const char* tool : {"lame", "mpg123", "sox"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
            std::fprintf(stderr, "quorvel-bench: %s is not installed\n", tool);
            return 2;
        }
    }
    QTemporaryDir work;
    const QDir dir(work.path());
    const QString wav = dir.filePath(QStringLiteral("music.wav"));
    const QString mp3 = dir.filePath(QStringLiteral("music.mp3"));
    const QString out = dir.filePath(QStringLiteral("out"));
    // The window of the batch cases reads and writes settings: never the user's own.
    qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toLocal8Bit());
    try {
        if (batchOnly) {
            RunBatchBench(work.path(), runs, 120, 4);
            return 0;
        }
        if (loudnessOnly) {
            RunLoudnessBench(work.path(), runs, 120, 4);
            return 0;
        }
        if (cueOnly) {
            RunSplitBench(work.path(), runs, minutes, 12);
            return 0;
        }
        if (splitOnly) {
            RunLongSplitBench(work.path(), runs, minutes);
            return 0;
        }
        if (checkOnly) {
            RunCheckBench(work.path(), runs, 120, 4);
            return 0;
        }
        std::fprintf(stderr, "Generating %d minutes of stereo 44.1 kHz 16-bit music-like WAV...\n",
                     minutes);
        WriteMusicLikeWav(wav, minutes * 60);
        if (encodersOnly) {
            RunEncoderBench(wav, work.path(), runs);
            return 0;
        }
        if (decodeOnly) {
            RunDecodeBench(wav, work.path(), runs);
            return 0;
        }
        const LameEncoderSettings mp3Settings = DefaultMp3Settings(dir);
        const std::vector<Case> cases = {
            {"WAV->MP3 (96 kbps CBR q5 stereo 44100 Hz)",
             "lame",
             [&] {
                 LameEncoderSettings s = mp3Settings;
                 ConvertBare(wav, mp3, [&](IAudioFile2& w) { w.SetMp3Encoder(s); });
             },
             QStringLiteral("lame"),
             {QStringLiteral("--quiet"), QStringLiteral("-b"), QStringLiteral("96"),
              QStringLiteral("-q"), QStringLiteral("5"), QStringLiteral("-m"), QStringLiteral("s"),
              QStringLiteral("--resample"), QStringLiteral("44.1"), wav,
              out + QStringLiteral(".mp3")}},
            {"MP3->WAV 16-bit",
             "mpg123",
             [&] {
                 ConvertBare(mp3, out + QStringLiteral(".wav"),
                             [](IAudioFile2& w) { w.SetWaveFormat(44100, 2, 16); });
             },
             QStringLiteral("mpg123"),
             {QStringLiteral("-q"), QStringLiteral("-w"), out + QStringLiteral(".wav"), mp3}},
            {"WAV 44.1kHz/16 -> WAV 48kHz/32",
             "sox",
             [&] {
                 ConvertBare(wav, out + QStringLiteral(".wav"),
                             [](IAudioFile2& w) { w.SetWaveFormat(48000, 2, 32); });
             },
             QStringLiteral("sox"),
             {wav, QStringLiteral("-b"), QStringLiteral("32"), out + QStringLiteral(".wav"),
              QStringLiteral("rate"), QStringLiteral("48000")}},
            {"Peak normalise (to 98%, as the worker does it)",
             "sox",
             [&] { NormalizeFile(wav, out + QStringLiteral(".wav")); },
             QStringLiteral("sox"),
             {wav, out + QStringLiteral(".wav"), QStringLiteral("norm"), QStringLiteral("-0.175")}},
        };
        double streamingPeak = 0.0;
        for (std::size_t c = 0; c < cases.size(); ++c) {
            const Case& k = cases[c];
            std::vector<double> ours;
            std::vector<double> theirs;
            // The first case also makes the MP3 the second one decodes.
            for (int r = 0; r < runs; ++r) {
                ours.push_back(Seconds(k.ours));
                theirs.push_back(Seconds([&] { RunTool(k.program, k.arguments); }));
            }
            const double x = Median(ours);
            const double y = Median(theirs);
            std::printf("%s: quorvel %.2f s, %s %.2f s, ratio %.2f\n", k.name, x, k.tool, y, x / y);
            std::fflush(stdout);
            if (c + 1 == cases.size() - 1) {
                streamingPeak = PeakMegabytes(RUSAGE_SELF);
            }
        }
        // Our own process only: a forked tool's peak would count the pages it shared with us.
        std::printf(
            "Peak memory: quorvel %.0f MB after the block conversions, %.0f MB after the "
            "normalise\n",
            streamingPeak, PeakMegabytes(RUSAGE_SELF));
        RunEncoderBench(wav, work.path(), runs);
        RunDecodeBench(wav, work.path(), runs);
        RunBatchBench(work.path(), runs, 120, 4);
        RunLoudnessBench(work.path(), runs, 120, 4);
        RunSplitBench(work.path(), runs, minutes, 12);
        RunCheckBench(work.path(), runs, 120, 4);
    } catch (const ComponentError& e) {
        std::fprintf(stderr, "quorvel-bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
