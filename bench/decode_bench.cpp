#include "bench/decode_bench.h"
#include "bench/bench_tools.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "components/component_error.h"
#include "outside/audio/audio_factory.h"

namespace {

bool Run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// The whole input through ReadBuffer, as the conversion reads it.
void Decode(const QString& path) {
    auto reader = CreateAudioFile();
    reader->Open(path);
    while (reader->ReadBuffer(2034).UpperBound() >= 0) {
    }
    reader->Close();
}

}  // namespace

void RunDecodeBench(const QString& wav, const QString& workDir, int runs) {
    if (QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty()) {
        std::fprintf(stderr, "quorvel-bench: ffmpeg is not installed; no decoding cases\n");
        return;
    }
    const QDir dir(workDir);
    const QString flac = dir.filePath(QStringLiteral("music.flac"));
    const QString m4a = dir.filePath(QStringLiteral("music.m4a"));
    struct Input {
        const char* name;
        QString path;
        QString maker;
        QStringList arguments;
    };
    const Input inputs[] = {
        {"FLAC (-5) decode",
         flac,
         QStringLiteral("flac"),
         {QStringLiteral("-s"), QStringLiteral("-f"), QStringLiteral("-5"), wav,
          QStringLiteral("-o"), flac}},
        {"M4A (AAC 192 kbps) decode",
         m4a,
         QStringLiteral("ffmpeg"),
         {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-i"),
          wav, QStringLiteral("-c:a"), QStringLiteral("aac"), QStringLiteral("-b:a"),
          QStringLiteral("192k"), m4a}},
    };
    for (const Input& input : inputs) {
        if (QStandardPaths::findExecutable(input.maker).isEmpty() ||
            !Run(input.maker, input.arguments)) {
            std::fprintf(stderr, "quorvel-bench: cannot make the input of \"%s\"\n", input.name);
            continue;
        }
        std::vector<double> ours;
        std::vector<double> theirs;
        for (int r = 0; r < runs; ++r) {
            QElapsedTimer clock;
            clock.start();
            Decode(input.path);
            ours.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e9);
            clock.restart();
            if (!Run(QStringLiteral("ffmpeg"),
                     {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"),
                      input.path, QStringLiteral("-f"), QStringLiteral("null"),
                      QStringLiteral("-")})) {
                throw ComponentError(QStringLiteral("ffmpeg failed"));
            }
            theirs.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e9);
        }
        const double x = Median(ours);
        const double y = Median(theirs);
        std::printf("%s: quorvel %.2f s, ffmpeg -f null %.2f s, ratio %.2f\n", input.name, x, y,
                    x / y);
        std::fflush(stdout);
    }
}
