#include "bench/encoder_bench.h"
#include "bench/bench_tools.h"

#include <sys/resource.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "components/audio_file.h"
#include "components/component_error.h"
#include "components/lame_encoder_settings.h"
#include "formats/configure_writer.h"
#include "outside/audio/audio_factory.h"
#include "settings/settings_file.h"

namespace {

double CpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Wall and CPU seconds of `work`; the CPU of this process or of the tools it ran. The machine is
// shared, so the CPU seconds are the steadier measure.
struct Timing {
    double wall;
    double cpu;
};
Timing Measure(int who, const std::function<void()>& work) {
    QElapsedTimer clock;
    const double cpu = CpuSeconds(who);
    clock.start();
    work();
    return {static_cast<double>(clock.nsecsElapsed()) / 1e9, CpuSeconds(who) - cpu};
}

// A format as its unit configures it from a file without its keys.
void ConfigureUnit(IAudioFile2& writer, int code) {
    const QTemporaryDir dir;
    LameEncoderSettings lame;
    ConfigureWriter(code, SettingsFile(dir.filePath(QStringLiteral("Quorvel.ini"))), QString(),
                    lame, writer);
}

struct EncoderCase {
    const char* name;
    const char* extension;
    std::function<void(IAudioFile2&)> set;
    const char* tool;
    QStringList arguments;  // %in and %out stand for the files
};

}  // namespace

void RunEncoderBench(const QString& wav, const QString& workDir, int runs) {
    const QDir dir(workDir);
    const QString in = QStringLiteral("%in");
    const QString out = QStringLiteral("%out");
    const std::vector<EncoderCase> cases = {
        {"WAV->FLAC level 5",
         "flac",
         [](IAudioFile2& w) { ConfigureUnit(w, 5); },
         "flac",
         {QStringLiteral("-5"), QStringLiteral("-s"), QStringLiteral("-f"), QStringLiteral("-o"),
          out, in}},
        {"WAV->Ogg Vorbis q5",
         "ogg",
         [](IAudioFile2& w) { w.SetOggFormat(44100, 2, 0, 0, 0, 500); },
         "oggenc",
         {QStringLiteral("-Q"), QStringLiteral("-q"), QStringLiteral("5"), QStringLiteral("-o"),
          out, in}},
        {"WAV->Ogg Vorbis managed 96 kbps",
         "ogg",
         [](IAudioFile2& w) { w.SetOggFormat(44100, 2, 96, 0, 0, -1); },
         "oggenc",
         {QStringLiteral("-Q"), QStringLiteral("--managed"), QStringLiteral("-b"),
          QStringLiteral("96"), QStringLiteral("-o"), out, in}},
        {"WAV->Opus 128 kbps VBR",
         "opus",
         [](IAudioFile2& w) { ConfigureUnit(w, 6); },
         "opusenc",
         {QStringLiteral("--quiet"), QStringLiteral("--bitrate"), QStringLiteral("128"), in, out}},
        {"WAV->M4A AAC 192 kbps",
         "m4a",
         [](IAudioFile2& w) { ConfigureUnit(w, 7); },
         "ffmpeg",
         {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-i"),
          in, QStringLiteral("-c:a"), QStringLiteral("aac"), QStringLiteral("-b:a"),
          QStringLiteral("192k"), out}},
        {"WAV->ALAC",
         "m4a",
         [](IAudioFile2& w) { ConfigureUnit(w, 8); },
         "ffmpeg",
         {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-i"),
          in, QStringLiteral("-c:a"), QStringLiteral("alac"), out}},
        {"WAV->AIFF", "aiff", [](IAudioFile2& w) { ConfigureUnit(w, 9); }, "sox", {in, out}},
        {"WAV->WavPack",
         "wv",
         [](IAudioFile2& w) { ConfigureUnit(w, 10); },
         "wavpack",
         {QStringLiteral("-q"), QStringLiteral("-y"), QStringLiteral("-m"), in,
          QStringLiteral("-o"), out}},
    };
    for (const EncoderCase& c : cases) {
        const QString tool = QString::fromLatin1(c.tool);
        if (QStandardPaths::findExecutable(tool).isEmpty()) {
            std::printf("%s: %s is not installed, skipped\n", c.name, c.tool);
            continue;
        }
        const QString ours = dir.filePath(QStringLiteral("ours.") + QLatin1String(c.extension));
        const QString theirs = dir.filePath(QStringLiteral("tool.") + QLatin1String(c.extension));
        QStringList arguments = c.arguments;
        arguments.replaceInStrings(in, wav).replaceInStrings(out, theirs);
        std::vector<double> x;
        std::vector<double> y;
        std::vector<double> xCpu;
        std::vector<double> yCpu;
        for (int r = 0; r < runs; ++r) {
            const Timing a = Measure(RUSAGE_SELF, [&] { ConvertBare(wav, ours, c.set); });
            const Timing b = Measure(RUSAGE_CHILDREN, [&] { RunTool(tool, arguments); });
            x.push_back(a.wall);
            xCpu.push_back(a.cpu);
            y.push_back(b.wall);
            yCpu.push_back(b.cpu);
        }
        const double a = Median(x);
        const double b = Median(y);
        const double aCpu = Median(xCpu);
        const double bCpu = Median(yCpu);
        std::printf(
            "%s: quorvel %.2f s (cpu %.2f s), %s %.2f s (cpu %.2f s), wall ratio %.2f, "
            "cpu ratio %.2f\n",
            c.name, a, aCpu, c.tool, b, bCpu, a / b, aCpu / bCpu);
        std::fflush(stdout);
    }
}
