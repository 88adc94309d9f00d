#include "bench/long_split_bench.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>
#include <functional>

#include "bench/bench_tools.h"
#include "bench/music_signal.h"

namespace {

// quorvel-cli beside this program, with settings of its own.
QString Cli() {
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("quorvel-cli"));
}

void Fresh(const QString& folder) {
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
}

struct Case {
    const char* format;  // quorvel-cli's name
    const char* name;
    QString tool;
    std::function<QStringList(const QString& in, const QString& out)> toolArguments;
};

}  // namespace

void RunLongSplitBench(const QString& folder, int runs, int minutes) {
    const QDir dir(folder);
    const QString wav = dir.filePath(QStringLiteral("long.wav"));
    WriteMusicLikeWav(wav, minutes * 60);
    const QString out = dir.filePath(QStringLiteral("out"));
    const QString tool = dir.filePath(QStringLiteral("tool"));
    const Case cases[] = {
        {"flac", "FLAC level 5", QStringLiteral("flac"),
         [](const QString& in, const QString& o) {
             return QStringList{QStringLiteral("-5"),
                                QStringLiteral("-s"),
                                QStringLiteral("-f"),
                                QStringLiteral("-o"),
                                o + QStringLiteral("/long.flac"),
                                in};
         }},
        {"mp3", "MP3 96 kbps q5", QStringLiteral("lame"),
         [](const QString& in, const QString& o) {
             return QStringList{QStringLiteral("--quiet"),
                                QStringLiteral("-b"),
                                QStringLiteral("96"),
                                QStringLiteral("-q"),
                                QStringLiteral("5"),
                                QStringLiteral("-m"),
                                QStringLiteral("s"),
                                in,
                                o + QStringLiteral("/long.mp3")};
         }},
        {"opus", "Opus 128 kbps VBR", QStringLiteral("opusenc"),
         [](const QString& in, const QString& o) {
             return QStringList{QStringLiteral("--quiet"), QStringLiteral("--bitrate"),
                                QStringLiteral("128"), in, o + QStringLiteral("/long.opus")};
         }},
    };
    std::printf("One %d-minute 44.1 kHz stereo WAV, medians of %d runs\n", minutes, runs);
    for (const Case& c : cases) {
        const auto convert = [&](const char* split) {
            return [&, split] {
                Fresh(out);
                RunTool(Cli(),
                        {QStringLiteral("convert"), QStringLiteral("--format"),
                         QLatin1String(c.format), QStringLiteral("--jobs"), QStringLiteral("2"),
                         QLatin1String(split), QStringLiteral("--output"), out, wav});
            };
        };
        const std::string split = std::string(c.name) + ", split on 2 jobs";
        Compare(split.c_str(), "whole on 2 jobs", runs, convert("--split"), convert("--no-split"));
        Compare(split.c_str(), c.tool.toUtf8().constData(), runs, convert("--split"), [&] {
            Fresh(tool);
            RunTool(c.tool, c.toolArguments(wav, tool));
        });
    }
}
