#include "bench/batch_bench.h"
#include "bench/bench_tools.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "app/file_list_commands.h"
#include "app/information_box.h"
#include "app/main_window.h"
#include "bench/music_signal.h"
#include "components/component_error.h"
#include "components/lame_encoder_settings.h"
#include "engine/convert_batch.h"
#include "engine/main_state.h"
#include "engine/normalize_batch.h"
#include "engine/parallel_batch.h"
#include "outside/audio/audio_factory.h"

namespace {

// What the program sends with no settings file: 96 kbps, quality 5, stereo, 44.1 kHz.
void Mp3Defaults(LameEncoderSettings& s) {
    s.SetVbrMethod(-1);
    s.SetChannelMode(1);
    s.SetQuality(5);
    s.SetBitrate(96);
    s.SetSampleRate(44100);
}

void Clear(const QString& folder) {
    QDir dir(folder);
    dir.removeRecursively();
    QDir().mkpath(folder);
}

// The block loop alone, as the components see it, without the batch around it.
void BareLoop(const QStringList& inputs, const QString& out) {
    for (const QString& in : inputs) {
        LameEncoderSettings s;
        Mp3Defaults(s);
        ConvertBare(in,
                    QDir(out).filePath(QFileInfo(in).completeBaseName() + QStringLiteral(".mp3")),
                    [&s](IAudioFile2& writer) { writer.SetMp3Encoder(s); });
    }
}

void Lame(const QStringList& inputs, const QString& out) {
    for (const QString& in : inputs) {
        QProcess p;
        p.start(QStringLiteral("lame"),
                {QStringLiteral("--quiet"), QStringLiteral("-b"), QStringLiteral("96"),
                 QStringLiteral("-q"), QStringLiteral("5"), QStringLiteral("-m"),
                 QStringLiteral("s"), QStringLiteral("--resample"), QStringLiteral("44.1"), in,
                 QDir(out).filePath(QFileInfo(in).completeBaseName() + QStringLiteral(".mp3"))});
        if (!p.waitForFinished(-1) || p.exitCode() != 0) {
            throw ComponentError(QStringLiteral("lame failed"));
        }
    }
}

// ConvertAll in the real main window, offscreen, on the real components and skin, with `jobs`
// files at once ("Files at once"; 1 is the one-at-a-time batch). Returns when the batch has
// ended; its closing message goes to the bench's sink instead of a box.
void WindowBatch(const QStringList& inputs, const QString& out, int jobs = 1) {
    // The program's own components; only the desktop is left out, so no notification pops up.
    MainWindowParts parts = MakeRealParts();
    parts.desktop.reset();
    const MessageSink previous = SetMessageSink([](MessageKind, const QString&) {});
    Tfm_main window(std::move(parts));
    window.show();
    QCoreApplication::processEvents();
    window.State().appSettings.OutputFormat = 0;
    window.State().settingsFile->WriteText(QStringLiteral("Format"), QStringLiteral("Dir"), out);
    window.State().appSettings.BatchJobs = jobs;
    auto& encoder = static_cast<LameEncoderSettings&>(window.Mp3LameEncoder());
    Mp3Defaults(encoder);
    window.AudioFilewrite().SetMp3Encoder(encoder);
    // Added as a drop adds them: probed, one row each.
    window.FileList().AddPaths(inputs);
    window.ConvertAll();
    while (window.State().Busy()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    SetMessageSink(previous);
}

struct Job {
    std::unique_ptr<IAudioFile2> reader = CreateAudioFile();
    std::unique_ptr<IAudioFile2> writer = CreateAudioFile();
    LameEncoderSettings encoder;
    std::unique_ptr<IAudioTransform2> transform = CreateAudioTransform();
};

// quorvel-cli convert's batch with `count` jobs (1: the window's sequential batch).
void Jobs(const QStringList& inputs, const QString& out, int count) {
    MainState state;
    state.appSettings.OutputFormat = 0;
    BenchRowsHost host;
    host.AddFiles(inputs);
    std::vector<std::unique_ptr<Job>> owned;
    std::vector<JobParts> jobs;
    for (int j = 0; j < count; ++j) {
        owned.push_back(std::make_unique<Job>());
        Job& job = *owned.back();
        Mp3Defaults(job.encoder);
        job.writer->SetMp3Encoder(job.encoder);
        jobs.push_back({*job.reader, *job.writer, job.encoder, *job.transform});
    }
    BatchParts parts{
        state, jobs[0].reader, jobs[0].writer, jobs[0].encoder, jobs[0].transform, QString(), out};
    if (count == 1) {
        ConvertAll(parts, host);
    } else {
        RunParallelBatch(parts, host, jobs, false);
    }
}

// Normalize in loudness mode (-16 LUFS, -1 dBTP), one file at a time, as the window does it:
// a measuring pass, then the gain while encoding.
void LoudnessNormalize(const QStringList& inputs, const QString& out, bool album) {
    MainState state;
    state.appSettings.OutputFormat = 0;
    state.appSettings.Loudness.loudness = true;
    state.appSettings.Loudness.album = album;
    BenchRowsHost host;
    host.AddFiles(inputs);
    Job job;
    Mp3Defaults(job.encoder);
    job.writer->SetMp3Encoder(job.encoder);
    const std::unique_ptr<ILoudnessMeter> meter = CreateLoudnessMeter();
    BatchParts parts{state,          *job.reader, *job.writer, job.encoder,
                     *job.transform, QString(),   out,         meter.get()};
    NormalizeAll(parts, host);
}

// One list converted to `format` (stored code) with the check of every output on or off.
void Checked(const QStringList& inputs, const QString& out, int format, bool check) {
    MainState state;
    state.appSettings.OutputFormat = format;
    state.appSettings.CheckOutputs = check;
    BenchRowsHost host;
    host.AddFiles(inputs);
    Job job;
    Mp3Defaults(job.encoder);
    BatchParts parts{state, *job.reader, *job.writer, job.encoder, *job.transform, QString(), out};
    ConvertAll(parts, host);
}

}  // namespace

void RunBatchBench(const QString& folder, int runs, int secondsPerFile, int files) {
    const QDir dir(folder);
    QStringList inputs;
    for (int i = 0; i < files; ++i) {
        inputs << dir.filePath(QStringLiteral("list%1.wav").arg(i));
        WriteMusicLikeWav(inputs.back(), secondsPerFile);
    }
    const QString outA = dir.filePath(QStringLiteral("batchA"));
    const QString outB = dir.filePath(QStringLiteral("batchB"));
    std::printf("List of %d files of %d s each, WAV->MP3 96 kbps:\n", files, secondsPerFile);
    Compare(
        "ConvertAll in the window", "bare component loop", runs,
        [&] {
            Clear(outA);
            WindowBatch(inputs, outA);
        },
        [&] {
            Clear(outB);
            BareLoop(inputs, outB);
        });
    Compare(
        "ConvertAll in the window", "lame", runs,
        [&] {
            Clear(outA);
            WindowBatch(inputs, outA);
        },
        [&] {
            Clear(outB);
            Lame(inputs, outB);
        });
    Compare(
        "The window, Files at once 2", "Files at once 1", runs,
        [&] {
            Clear(outA);
            WindowBatch(inputs, outA, 2);
        },
        [&] {
            Clear(outB);
            WindowBatch(inputs, outB, 1);
        });
    Compare(
        "convert --jobs 2", "--jobs 1", runs,
        [&] {
            Clear(outA);
            Jobs(inputs, outA, 2);
        },
        [&] {
            Clear(outB);
            Jobs(inputs, outB, 1);
        });
}

void RunLoudnessBench(const QString& folder, int runs, int secondsPerFile, int files) {
    const QDir dir(folder);
    QStringList inputs;
    for (int i = 0; i < files; ++i) {
        inputs << dir.filePath(QStringLiteral("loud%1.wav").arg(i));
        WriteMusicLikeWav(inputs.back(), secondsPerFile);
    }
    const QString outA = dir.filePath(QStringLiteral("loudA"));
    const QString outB = dir.filePath(QStringLiteral("loudB"));
    std::printf("List of %d files of %d s each, WAV->MP3 96 kbps, one file at a time:\n", files,
                secondsPerFile);
    Compare(
        "Normalize to -16 LUFS", "plain conversion", runs,
        [&] {
            Clear(outA);
            LoudnessNormalize(inputs, outA, false);
        },
        [&] {
            Clear(outB);
            Jobs(inputs, outB, 1);
        });
    Compare(
        "Normalize to -16 LUFS as one album", "plain conversion", runs,
        [&] {
            Clear(outA);
            LoudnessNormalize(inputs, outA, true);
        },
        [&] {
            Clear(outB);
            Jobs(inputs, outB, 1);
        });
}

void RunCheckBench(const QString& folder, int runs, int secondsPerFile, int files) {
    const QDir dir(folder);
    QStringList inputs;
    for (int i = 0; i < files; ++i) {
        inputs << dir.filePath(QStringLiteral("check%1.wav").arg(i));
        WriteMusicLikeWav(inputs.back(), secondsPerFile);
    }
    const QString outA = dir.filePath(QStringLiteral("checkA"));
    const QString outB = dir.filePath(QStringLiteral("checkB"));
    std::printf("List of %d WAV files of %d s each, one file at a time, the check on and off:\n",
                files, secondsPerFile);
    struct Format {
        const char* name;
        int code;
        double limit;  // the check's cost may reach this share of the conversion
    };
    for (const Format& f : {Format{"MP3", 0, 0.15}, Format{"Opus", 6, 0.15},
                            Format{"FLAC", 5, 0.70}, Format{"WAV", 1, 0.70}}) {
        std::vector<double> on, off, cpuOn, cpuOff;
        for (int r = 0; r < runs; ++r) {
            Clear(outA);
            const BenchTiming a = TimeRun([&] { Checked(inputs, outA, f.code, true); });
            Clear(outB);
            const BenchTiming b = TimeRun([&] { Checked(inputs, outB, f.code, false); });
            on.push_back(a.wall);
            off.push_back(b.wall);
            cpuOn.push_back(a.cpu);
            cpuOff.push_back(b.cpu);
        }
        // The processor time is what the check costs whatever else runs on the machine.
        const double cost = (Median(cpuOn) - Median(cpuOff)) / Median(cpuOff);
        std::printf(
            "WAV->%s: check on %.3f s (cpu %.3f s), off %.3f s (cpu %.3f s); the check "
            "costs %.1f %% of the conversion's cpu time (at most %.0f %%)%s\n",
            f.name, Median(on), Median(cpuOn), Median(off), Median(cpuOff), cost * 100.0,
            f.limit * 100.0, cost > f.limit ? " OVER" : "");
        std::fflush(stdout);
    }
}
