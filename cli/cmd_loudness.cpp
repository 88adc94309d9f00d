#include <QFileInfo>
#include <cmath>
#include <memory>
#include <vector>

#include "cli/commands.h"
#include "components/quorvel_error.h"
#include "engine/batch_start.h"
#include "engine/loudness_gain.h"
#include "outside/audio/audio_factory.h"

namespace {

QString Level(double value, const char* unit) {
    const QString number =
        std::isfinite(value) ? QString::number(value, 'f', 2) : QStringLiteral("-inf");
    return number + QLatin1Char(' ') + QLatin1String(unit);
}

void PrintLine(QTextStream& out, const LoudnessMeasure& m, const QString& name) {
    out << Level(m.integrated, "LUFS") << '\t' << Level(m.range, "LU") << '\t'
        << Level(ToDecibels(m.truePeak), "dBTP") << '\t' << name << '\n';
    out.flush();
}

QString Help() {
    return QStringLiteral(
        "Usage: quorvel-cli loudness [--] FILE...\n"
        "\n"
        "Print each file's integrated loudness, loudness range and true peak (EBU R128) as\n"
        "LUFS<TAB>LU<TAB>dBTP<TAB>file, then, for two files or more, the files together as an\n"
        "album, named (album).\n"
        "\n"
        "Options:\n"
        "  --            every argument after it is a file, even one called --help\n"
        "  -h, --help    show this text\n");
}

int Run(const QStringList& given, QTextStream& out, QTextStream& err) {
    QStringList args = given;
    if (FileArgumentsAskForHelp(args)) {
        return PrintCommandHelp(kLoudnessCommand, out);
    }
    if (args.isEmpty()) {
        err << "quorvel-cli: loudness: missing FILE (try --help)\n";
        return kCliUsage;
    }
    const std::unique_ptr<IAudioFile2> reader = CreateAudioFile();
    const std::unique_ptr<ILoudnessMeter> meter = CreateLoudnessMeter();
    std::vector<std::unique_ptr<ILoudnessTrack>> tracks;
    bool anyFailed = false;
    for (const QString& arg : args) {
        const QString path = QFileInfo(arg).absoluteFilePath();
        try {
            reader->Open(path);
            std::unique_ptr<ILoudnessTrack> track =
                MeasureOpenInput(*reader, *meter, nullptr, true, [] { return true; });
            reader->Close();
            PrintLine(out, track->Measure(), path);
            tracks.push_back(std::move(track));
        } catch (const std::exception& e) {
            try {
                reader->Close();
            } catch (const std::exception&) {
                // Already reported below.
            }
            err << "quorvel-cli: " << MessageNamingFile(ErrorText(e), path) << '\n';
            err.flush();
            anyFailed = true;
        }
    }
    if (tracks.size() > 1) {
        std::vector<const ILoudnessTrack*> all;
        for (const auto& t : tracks) {
            all.push_back(t.get());
        }
        try {
            PrintLine(out, meter->Album(all), QStringLiteral("(album)"));
        } catch (const std::exception& e) {
            err << "quorvel-cli: loudness: " << ErrorText(e) << '\n';
            anyFailed = true;
        }
    }
    return anyFailed ? kCliFailed : kCliOk;
}

}  // namespace

const CliCommand kLoudnessCommand{
    "loudness", "print loudness, loudness range and true peak (EBU R128)", Help, Run};
