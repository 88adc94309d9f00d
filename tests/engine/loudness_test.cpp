// Loudness normalisation, ReplayGain tags and the loudness command, end to end through
// quorvel-cli, checked by independent tools: ffmpeg's ebur128 filter, loudgain, mutagen.
#include <gtest/gtest.h>

#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <cmath>
#include <vector>

#include "../audio/audio_test_signals.h"
#include "outside/audio/audio_factory.h"
#include "support/cli_run.h"
#include "support/temp_dir.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

struct Ebur128 {
    double integrated = NAN;  // LUFS
    double range = NAN;       // LU
    double truePeak = NAN;    // dBTP
};

// ffmpeg's own measure of a file: the summary of its ebur128 filter.
Ebur128 Ffmpeg(const QString& path) {
    int code = -1;
    const QString text = RunTool(S("ffmpeg"),
                                 {S("-nostats"), S("-hide_banner"), S("-i"), path, S("-af"),
                                  S("ebur128=peak=true"), S("-f"), S("null"), S("-")},
                                 &code);
    const QString summary = text.mid(text.lastIndexOf(S("Summary:")));
    auto number = [&summary](const char* pattern) {
        const auto m = QRegularExpression(S(pattern)).match(summary);
        return m.hasMatch() ? m.captured(1).toDouble() : NAN;
    };
    return {number(R"(I:\s+(-?[\d.]+) LUFS)"), number(R"(LRA:\s+(-?[\d.]+) LU)"),
            number(R"(Peak:\s+(-?[\d.]+) dBFS)")};
}

class LoudnessTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        int code = -1;
        RunTool(S("ffmpeg"), {S("-version")}, &code);
        hasFfmpeg = code == 0;
    }
    void SetUp() override { ASSERT_TRUE(hasFfmpeg) << "ffmpeg is not installed"; }
    CliResult Cli(const QStringList& args) { return RunCli(args, dir.Path(), 300000); }
    // Two tones, so the signal is more than one sine; `channels` 1 or 2.
    QString Input(const char* name, double amplitude, int channels = 2, double seconds = 6) {
        const auto frames = static_cast<std::int64_t>(seconds * 44100);
        AudioBuffer a = Sine(44100, channels, 440, frames, amplitude * 0.7);
        const AudioBuffer b = Sine(44100, channels, 3150, frames, amplitude * 0.3);
        for (std::size_t i = 0; i < a.SampleCount(); ++i) {
            a.Data()[i] += b.Data()[i];
        }
        auto w = CreateAudioFile();
        w->SetWaveFormat(44100, channels, 16);
        const QString path = dir.File(S(name));
        WriteThrough(*w, path, 44100, a);
        return path;
    }

    static inline bool hasFfmpeg = false;
    TempDir dir;
};

// The loudness command's figures are ffmpeg's, within the meters' tolerance.
TEST_F(LoudnessTest, LoudnessCommandAgreesWithFfmpeg) {
    const QStringList inputs{Input("quiet.wav", 0.03), Input("loud.wav", 0.8),
                             Input("mono.wav", 0.4, 1)};
    const CliResult r = Cli(QStringList{S("loudness")} + inputs);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4);  // three files and the album
    EXPECT_TRUE(lines[3].endsWith(S("\t(album)")));
    for (int i = 0; i < 3; ++i) {
        const QStringList f = lines[i].split(QLatin1Char('\t'));
        ASSERT_EQ(f.size(), 4);
        EXPECT_EQ(f[3], inputs[i]);
        const Ebur128 e = Ffmpeg(inputs[i]);
        EXPECT_NEAR(f[0].section(QLatin1Char(' '), 0, 0).toDouble(), e.integrated, 0.3) << i;
        EXPECT_NEAR(f[2].section(QLatin1Char(' '), 0, 0).toDouble(), e.truePeak, 0.3) << i;
    }
    // A missing file is named and fails the run; the others are still measured.
    const CliResult missing = Cli({S("loudness"), dir.File(S("none.wav")), inputs[0]});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.err.contains(S("none.wav")));
    EXPECT_EQ(missing.out.count(QLatin1Char('\n')), 1);
}

// Each output reaches its target within 0.3 LU (lossless) and never passes the ceiling; where
// the ceiling forbids the target, the row says so.
TEST_F(LoudnessTest, NormalisedOutputsMeetTargetAndCeiling) {
    const QString quiet = Input("quiet.wav", 0.03);
    const QString loud = Input("loud.wav", 0.8);
    const QString mono = Input("mono.wav", 0.4, 1);  // written as stereo: 3 LU louder
    struct Case {
        const char* format;
        const char* lufs;
        const char* ceiling;
        QString input;
        bool limited;
    };
    const Case cases[] = {
        {"wav", "-16", "-1", quiet, false}, {"wav", "-23", "-1", loud, false},
        {"wav", "-14", "-1", mono, false},  {"wav", "-5", "-3", loud, true},
        {"mp3", "-16", "-1", quiet, false}, {"mp3", "-18", "-1", mono, false},
    };
    int n = 0;
    for (const Case& c : cases) {
        const QString out = dir.File(S("out%1").arg(n++));
        const CliResult r =
            Cli({S("convert"), S("--normalize"), S("--loudness"), S(c.lufs), S("--true-peak"),
                 S(c.ceiling), S("--format"), S(c.format), S("--output"), out, c.input});
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        const QString output = r.out.trimmed().section(QLatin1Char('\t'), 2);
        const Ebur128 e = Ffmpeg(output);
        const std::string what = output.toStdString();
        EXPECT_LE(e.truePeak, S(c.ceiling).toDouble()) << what;
        EXPECT_EQ(r.err.contains(S("Reached")), c.limited) << what << r.err.toStdString();
        if (!c.limited) {
            // LAME itself plays about 0.4 dB quieter than its input (as the lame command does).
            const double tolerance = S(c.format) == S("mp3") ? 0.6 : 0.3;
            EXPECT_NEAR(e.integrated, S(c.lufs).toDouble(), tolerance) << what;
        }
    }
}

// The peak level is not used in loudness mode: a hand-edited one out of range does not stop it.
TEST_F(LoudnessTest, AnOddPeakLevelDoesNotStopTheLoudnessMode) {
    QFile ini(dir.File(S("Quorvel.ini")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Nor]\nvol=0\nmode=1\nlufs=-23\n");
    ini.close();
    const CliResult r = Cli({S("convert"), S("--normalize"), S("--format"), S("wav"), S("--output"),
                             dir.File(S("out")), Input("a.wav", 0.4)});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_NEAR(Ffmpeg(dir.File(S("out/Nor_a.wav"))).integrated, -23.0, 0.3);
}

// As one album, a quiet and a loud file keep their difference, on one job or two.
TEST_F(LoudnessTest, AlbumKeepsDifferences) {
    const QString quiet = Input("quiet.wav", 0.05);
    const QString loud = Input("loud.wav", 0.5);
    const double before = Ffmpeg(loud).integrated - Ffmpeg(quiet).integrated;
    for (const char* jobs : {"1", "2"}) {
        const QString out = dir.File(S("album") + S(jobs));
        const CliResult r =
            Cli({S("convert"), S("--normalize"), S("--loudness"), S("-16"), S("--album"),
                 S("--jobs"), S(jobs), S("--format"), S("wav"), S("--output"), out, quiet, loud});
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        const Ebur128 q = Ffmpeg(out + S("/Nor_quiet.wav"));
        const Ebur128 l = Ffmpeg(out + S("/Nor_loud.wav"));
        EXPECT_NEAR(l.integrated - q.integrated, before, 0.3) << jobs;
        EXPECT_NEAR(l.integrated, -16.0, 1.0) << jobs;  // the loud one carries the album
    }
    // An album of one mono file written as stereo lands on the target, as its track would: the
    // first pass measures what the writer writes.
    const QString out = dir.File(S("mono-album"));
    const CliResult r =
        Cli({S("convert"), S("--normalize"), S("--loudness"), S("-16"), S("--album"), S("--format"),
             S("wav"), S("--output"), out, Input("mono.wav", 0.4, 1)});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_NEAR(Ffmpeg(out + S("/Nor_mono.wav")).integrated, -16.0, 0.3);
    EXPECT_EQ(QDir(out).entryList(QDir::Files | QDir::Hidden), QStringList{S("Nor_mono.wav")});
}

// The loudness tags of each file, by file: "KEY=value" for every REPLAYGAIN_* and R128_* key as
// mutagen reads it (an ID3 TXXX frame by its description).
QMap<QString, QMap<QString, QString>> GainTags(const QStringList& files) {
    int code = -1;
    const QString text = RunTool(
        S("/usr/bin/python3"),
        QStringList{S("-c"),
                    S("import sys, mutagen\n"
                      "for f in sys.argv[1:]:\n"
                      "    t = mutagen.File(f).tags\n"
                      "    print('\\t'.join([f] + [k.split(':')[-1].upper() + '=' +\n"
                      "        str(v[0] if isinstance(v, list) else v) for k, v in t.items()\n"
                      "        if 'REPLAYGAIN' in k.upper() or 'R128' in k.upper()]))")} +
            files,
        &code);
    EXPECT_EQ(code, 0) << text.toStdString();
    QMap<QString, QMap<QString, QString>> tags;
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        for (const QString& field : fields.mid(1)) {
            tags[fields[0]][field.section(QLatin1Char('='), 0, 0)] =
                field.section(QLatin1Char('='), 1);
        }
    }
    return tags;
}

// The gains written into the outputs agree with loudgain's on copies of the same files, track and
// album: REPLAYGAIN_* in an MP3; in an Opus file R128_* alone, towards -23 LUFS, within 0.05 dB.
TEST_F(LoudnessTest, ReplayGainTagsAgreeWithLoudgain) {
    int code = -1;
    RunTool(S("loudgain"), {S("--version")}, &code);
    ASSERT_EQ(code, 0) << "loudgain is not installed";
    const QStringList inputs{Input("quiet.wav", 0.05), Input("loud.wav", 0.6),
                             Input("mono.wav", 0.3, 1)};
    struct Case {
        const char* format;
        std::vector<std::pair<const char*, double>> agree;  // key, tolerance
        const char* absent;                                 // no key starts so
    };
    const Case cases[] = {
        {"mp3",
         {{"REPLAYGAIN_TRACK_GAIN", 0.2},
          {"REPLAYGAIN_TRACK_PEAK", 0.01},
          {"REPLAYGAIN_ALBUM_GAIN", 0.2},
          {"REPLAYGAIN_ALBUM_PEAK", 0.01}},
         "R128_"},
        // In 1/256 dB: 13 is 0.05 dB.
        {"opus", {{"R128_TRACK_GAIN", 13}, {"R128_ALBUM_GAIN", 13}}, "REPLAYGAIN_"},
    };
    for (const Case& c : cases) {
        const QString format = S(c.format);
        const QString out = dir.File(format);
        const CliResult r = Cli(QStringList{S("convert"), S("--replaygain"), S("--album"),
                                            S("--format"), format, S("--output"), out} +
                                inputs);
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        QStringList ours;
        QStringList theirs;
        for (const char* name : {"quiet", "loud", "mono"}) {
            ours << S("%1/%2.%3").arg(out, S(name), format);
            theirs << dir.File(S("loudgain-%1.%2").arg(S(name), format));
            ASSERT_TRUE(QFile::copy(ours.last(), theirs.last())) << ours.last().toStdString();
        }
        const QString said =
            RunTool(S("loudgain"), QStringList{S("-a"), S("-s"), S("e"), S("-q")} + theirs, &code);
        ASSERT_EQ(code, 0) << said.toStdString();
        const auto mine = GainTags(ours);
        const auto reference = GainTags(theirs);
        for (int i = 0; i < ours.size(); ++i) {
            const std::string what = ours[i].toStdString();
            for (const auto& [key, tolerance] : c.agree) {
                const QString k = S(key);
                ASSERT_TRUE(mine[ours[i]].contains(k)) << what << " " << key;
                ASSERT_TRUE(reference[theirs[i]].contains(k)) << what << " " << key;
                EXPECT_NEAR(mine[ours[i]][k].section(QLatin1Char(' '), 0, 0).toDouble(),
                            reference[theirs[i]][k].section(QLatin1Char(' '), 0, 0).toDouble(),
                            tolerance)
                    << what << " " << key;
            }
            for (const QString& key : mine[ours[i]].keys()) {
                EXPECT_FALSE(key.startsWith(S(c.absent))) << what << " " << key.toStdString();
            }
        }
    }
}

// Flags that contradict each other or carry odd values are usage errors that write nothing.
TEST_F(LoudnessTest, BadLoudnessFlagsAreUsageErrors) {
    const QString a = Input("a.wav", 0.3, 2, 0.5);
    const QStringList bad[] = {
        {S("--normalize"), S("--loudness"), S("-60"), a},
        {S("--normalize"), S("--loudness"), S("loud"), a},
        {S("--normalize"), S("--loudness"), S("-16"), S("--true-peak"), S("3"), a},
        {S("--loudness"), S("-16"), a},
        {S("--normalize"), S("--replaygain"), a},
        {S("--normalize"), S("--album"), a},
        {S("--normalize"), S("--true-peak"), S("-1"), a},
    };
    for (const QStringList& args : bad) {
        const CliResult r = Cli(QStringList{S("convert")} + args);
        EXPECT_EQ(r.status, 2) << args.join(S(" ")).toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
}

}  // namespace
