#include "bench/split_bench.h"

#include <QDir>
#include <QFile>
#include <cstdio>
#include <vector>

#include "bench/bench_tools.h"
#include "bench/music_signal.h"
#include "components/component_error.h"
#include "components/lame_encoder_settings.h"
#include "engine/convert_batch.h"
#include "engine/main_state.h"
#include "outside/audio/audio_factory.h"

namespace {

constexpr int kFlacFormat = 5;
constexpr std::int64_t kCdFrame = 588;  // samples of a CD frame at 44.1 kHz

// The window's one-at-a-time batch on the rows, to FLAC.
void Convert(const QString& input, const std::vector<SampleRange>& parts, const QString& out) {
    QDir(out).removeRecursively();
    QDir().mkpath(out);
    MainState state;
    state.appSettings.OutputFormat = kFlacFormat;
    BenchRowsHost host;
    for (std::size_t t = 0; t < parts.size(); ++t) {
        ListRow row;
        row.caption = QStringLiteral("%1 Track").arg(t + 1, 2, 10, QLatin1Char('0'));
        row.path = input;
        row.range = parts[t];
        host.rows.push_back(row);
    }
    auto reader = CreateAudioFile();
    auto writer = CreateAudioFile();
    LameEncoderSettings encoder;
    auto transform = CreateAudioTransform();
    BatchParts batch{state, *reader, *writer, encoder, *transform, QString(), out};
    ConvertAll(batch, host);
}

// The sheet shnsplit reads: one track from each boundary.
void WriteSheet(const QString& path, const QString& image,
                const std::vector<std::int64_t>& starts) {
    QFile sheet(path);
    if (!sheet.open(QIODevice::WriteOnly)) {
        throw ComponentError(QStringLiteral("Cannot write %1").arg(path));
    }
    QString text = QStringLiteral("FILE \"%1\" WAVE\n").arg(QFileInfo(image).fileName());
    for (std::size_t i = 0; i < starts.size(); ++i) {
        const std::int64_t f = starts[i] / kCdFrame;
        text += QStringLiteral("  TRACK %1 AUDIO\n    INDEX 01 %2:%3:%4\n")
                    .arg(i + 1, 2, 10, QLatin1Char('0'))
                    .arg(f / 4500, 2, 10, QLatin1Char('0'))
                    .arg(f / 75 % 60, 2, 10, QLatin1Char('0'))
                    .arg(f % 75, 2, 10, QLatin1Char('0'));
    }
    sheet.write(text.toUtf8());
}

}  // namespace

void RunSplitBench(const QString& folder, int runs, int minutes, int tracks) {
    const QDir dir(folder);
    const QString wav = dir.filePath(QStringLiteral("image.wav"));
    const QString flac = dir.filePath(QStringLiteral("image.flac"));
    const QString sheet = dir.filePath(QStringLiteral("image.cue"));
    WriteMusicLikeWav(wav, minutes * 60);
    RunTool(QStringLiteral("flac"),
            {QStringLiteral("-s"), QStringLiteral("-f"), QStringLiteral("-o"), flac, wav});
    const QString wavpack = dir.filePath(QStringLiteral("image.wv"));
    RunTool(QStringLiteral("wavpack"),
            {QStringLiteral("-q"), QStringLiteral("-y"), wav, QStringLiteral("-o"), wavpack});
    const std::int64_t total = std::int64_t{minutes} * 60 * 44100;
    std::vector<std::int64_t> starts;
    std::vector<SampleRange> parts;
    for (int t = 0; t < tracks; ++t) {
        starts.push_back(total * t / tracks / kCdFrame * kCdFrame);
    }
    for (int t = 0; t < tracks; ++t) {
        parts.push_back({starts[static_cast<std::size_t>(t)],
                         t + 1 < tracks ? starts[static_cast<std::size_t>(t) + 1] : -1});
    }
    WriteSheet(sheet, wav, starts);
    const QString outA = dir.filePath(QStringLiteral("splitA"));
    const QString outB = dir.filePath(QStringLiteral("splitB"));
    std::printf("An image of %d minutes cut into %d tracks, to FLAC, one at a time:\n", minutes,
                tracks);
    for (const QString& image : {flac, wavpack, wav}) {
        const QByteArray what = QFileInfo(image).suffix().toUpper().toUtf8();
        const QByteArray name = "Tracks of the " + what + " image";
        const QByteArray whole = "the " + what + " image as one file";
        Compare(
            name.constData(), whole.constData(), runs, [&] { Convert(image, parts, outA); },
            [&] { Convert(image, {SampleRange{}}, outB); });
    }
    Compare(
        "Tracks of the WAV image", "shnsplit -o flac", runs, [&] { Convert(wav, parts, outA); },
        [&] {
            QDir(outB).removeRecursively();
            QDir().mkpath(outB);
            RunTool(QStringLiteral("shnsplit"),
                    {QStringLiteral("-q"), QStringLiteral("-f"), sheet, QStringLiteral("-o"),
                     QStringLiteral("flac"), QStringLiteral("-d"), outB, wav});
        });
}
