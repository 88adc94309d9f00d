#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QProcess>
#include <cmath>
#include <csignal>
#include <map>

#include "../audio/audio_test_signals.h"
#include "../tags/tag_carry_support.h"
#include "components/lame_encoder_settings.h"
#include "engine/convert_batch.h"
#include "engine/main_state.h"
#include "engine/normalize_batch.h"
#include "outside/audio/audio_factory.h"
#include "real_batch_test.h"
#include "recording_host.h"
#include "support/temp_dir.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

// What an independent tool says: stdout of the command, empty when it failed or is missing.
QString Tool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

double Rms(const AudioBuffer& b, std::size_t firstFrame, std::size_t frames) {
    double sum = 0;
    const int ch = b.Channels();
    for (std::size_t f = firstFrame; f < firstFrame + frames; ++f) {
        sum += double(b.Data()[f * ch]) * b.Data()[f * ch];
    }
    return std::sqrt(sum / double(frames));
}

float Peak(const AudioBuffer& b) {
    float peak = 0;
    for (float s : b.Samples()) {
        peak = std::max(peak, std::fabs(s));
    }
    return peak;
}

class EngineRealTest : public RealBatchTest {
  protected:
    // Every row is the same tagged tone.
    void Add(const QString& input) {
        host.Add(
            S("Tone"), input,
            AudioFileinfo{S("Tone"), S("Quorvel"), S("2026"), S("Bench"), S("c"), S("Ambient"), 0});
    }

    // The writer configured as the stored defaults would configure it: MP3 at 96 kbps and
    // 44.1 kHz, or CD-quality WAV.
    void Configure(int format) {
        state.appSettings.OutputFormat = format;
        if (format == 0) {
            encoder.SetBitrate(96);
            encoder.SetSampleRate(44100);
            writer->SetMp3Encoder(encoder);
        } else {
            writer->SetWaveFormat(44100, 2, 16);
        }
    }

    QString MakeInput(const QString& name, double seconds, double amplitude, bool mp3 = false) {
        auto w = CreateAudioFile();
        LameEncoderSettings lame;
        if (mp3) {
            lame.SetBitrate(128);
            lame.SetSampleRate(44100);
            w->SetMp3Encoder(lame);
        } else {
            w->SetWaveFormat(44100, 2, 16);
        }
        const QString path = dir.File(name);
        WriteThrough(*w, path, 44100,
                     Sine(44100, 2, 440, static_cast<std::int64_t>(seconds * 44100), amplitude));
        return path;
    }

    AudioBuffer Decode(const QString& path) { return ReadAll(*CreateAudioFile(), path); }
};

struct FormatCase {
    bool mp3Input;
    int format;
    const char* soxType;
};

TEST_F(EngineRealTest, WavAndMp3InputsBecomeTaggedOutputsOfTheChosenFormat) {
    const std::vector<FormatCase> cases{
        {false, 0, "mp3"}, {false, 1, "wav"}, {true, 0, "mp3"}, {true, 1, "wav"}};
    for (const FormatCase& c : cases) {
        host = RecordingHost();
        QDir(outDir).removeRecursively();
        const QString input =
            MakeInput(c.mp3Input ? S("in.mp3") : S("in.wav"), 2.0, 0.5, c.mp3Input);
        Add(input);
        Configure(c.format);
        BatchParts parts = Parts();
        ConvertAll(parts, host);
        ASSERT_TRUE(host.errors.isEmpty()) << host.errors.join(S("; ")).toStdString();
        const QString out = outDir + S("/Tone.") + S(c.soxType);
        ASSERT_TRUE(QFileInfo::exists(out)) << out.toStdString();
        // Independent readers: soxi for WAV, mutagen for MP3 (this sox has no MP3 handler).
        const QString info =
            c.format == 1
                ? Tool(S("soxi"), {S("-t"), out}) + S(" ") + Tool(S("soxi"), {S("-r"), out}) +
                      S(" ") + Tool(S("soxi"), {S("-D"), out})
                : Tool(S("/usr/bin/python3"),
                       {S("-c"),
                        S("import sys, mutagen.mp3 as m; i = m.MP3(sys.argv[1]).info; "
                          "print('mp3', i.sample_rate, i.length)"),
                        out});
        const QStringList fields = info.split(QLatin1Char(' '));
        ASSERT_EQ(fields.size(), 3) << info.toStdString();
        EXPECT_EQ(fields[0], S(c.soxType));
        EXPECT_EQ(fields[1], S("44100"));
        EXPECT_NEAR(fields[2].toDouble(), 2.0, 0.06) << c.soxType << " from " << c.mp3Input;
        if (c.format == 1 && !c.mp3Input) {
            EXPECT_EQ(Decode(out).FrameCount(), 88200u);  // a WAV copy loses no frame
        }
        if (c.format == 0) {
            const QString id3 = Tool(S("/usr/bin/python3"),
                                     {S("-c"),
                                      S("import sys, mutagen.id3 as i; t = i.ID3(sys.argv[1]); "
                                        "print(t['TIT2'], t['TPE1'], t['TALB'], t['TCON'])"),
                                      out});
            EXPECT_EQ(id3, S("Tone Quorvel Bench Ambient"));
        }
    }
}

// A tagged MP3 through the real batch: the tags and the cover reach MP3 and Ogg outputs, the
// row's fields win, and a WAV output stays without tags.
TEST_F(EngineRealTest, TheInputsTagsAndCoverReachTheOutput) {
    const QByteArray cover = QByteArray("\xFF\xD8\xFF\xE0", 4) + QByteArray(3000, 'j');
    const QString input = dir.File(S("tagged.mp3"));
    if (!MakeCarryFiles(dir.Write(S("cover.jpg"), cover), {input})) {
        FAIL() << "ffmpeg or python3-mutagen is missing: run scripts/setup";
    }
    for (const auto& [format, name] :
         {std::pair{0, "Tone.mp3"}, std::pair{3, "Tone.ogg"}, std::pair{1, "Tone.wav"}}) {
        host = RecordingHost();
        QDir(outDir).removeRecursively();
        Add(input);
        state.appSettings.OutputFormat = format;
        BatchParts parts = Parts();
        ConvertAll(parts, host);
        ASSERT_TRUE(host.errors.isEmpty()) << host.errors.join(S("; ")).toStdString();
        const QJsonObject tags = DumpCarried({outDir + S("/") + S(name)}).value(0);
        if (format == 1) {
            EXPECT_TRUE(tags.isEmpty()) << name;
            continue;
        }
        const std::pair<const char*, const char*> expected[] = {
            {"title", "Tone"},
            {"comment", "c"},
            {"track", "3"},
            {"tracktotal", "12"},
            {"albumartist", "Bänd"},
            {"lyrics", "la la\nlo"},
            {"replaygain_track_gain", "-6.50 dB"}};
        for (const auto& [key, value] : expected) {
            EXPECT_EQ(tags.value(S(key)).toArray().first().toString(), S(value)) << name << key;
        }
        const QString sha =
            QString::fromLatin1(QCryptographicHash::hash(cover, QCryptographicHash::Sha1).toHex());
        EXPECT_TRUE(tags.value(S("pictures")).toArray().contains(QJsonArray{3, S("front"), sha}))
            << name;
    }
}

// The tracks of one cue sheet are an album of their own: ReplayGain's album values are measured
// over each sheet's rows, and over the rows of no sheet together.
TEST_F(EngineRealTest, EachCueSheetIsAnAlbumOfItsOwn) {
    const std::unique_ptr<ILoudnessMeter> meter = CreateLoudnessMeter();
    state.appSettings.Loudness.replayGain = true;
    state.appSettings.Loudness.album = true;
    Configure(0);
    const struct {
        const char* name;
        double amplitude;
        const char* sheet;
    } inputs[] = {{"a1", 0.5, "/m/A.cue"},
                  {"a2", 0.25, "/m/A.cue"},
                  {"b1", 0.05, "/m/B.cue"},
                  {"b2", 0.025, "/m/B.cue"},
                  {"c", 0.2, ""}};
    for (const auto& in : inputs) {
        host.Add(S(in.name), MakeInput(S(in.name) + S(".wav"), 2.0, in.amplitude));
        host.rows.back().sheet = S(in.sheet);
    }
    BatchParts parts{state, *reader, *writer, encoder, *transform, QString(), outDir, meter.get()};
    ConvertAll(parts, host);
    ASSERT_TRUE(host.errors.isEmpty()) << host.errors.join(S("; ")).toStdString();
    std::map<std::string, std::pair<double, double>> gains;  // track, album
    for (const auto& in : inputs) {
        const QString got = Tool(S("/usr/bin/python3"),
                                 {S("-c"),
                                  S("import sys, mutagen.id3 as i\nt = i.ID3(sys.argv[1])\n"
                                    "print(t['TXXX:REPLAYGAIN_TRACK_GAIN'].text[0].split()[0],"
                                    " t['TXXX:REPLAYGAIN_ALBUM_GAIN'].text[0].split()[0])"),
                                  outDir + S("/") + S(in.name) + S(".mp3")});
        const QStringList values = got.split(u' ');
        ASSERT_EQ(values.size(), 2) << in.name << ": " << got.toStdString();
        gains[in.name] = {values[0].toDouble(), values[1].toDouble()};
    }
    EXPECT_EQ(gains["a1"].second, gains["a2"].second);
    EXPECT_EQ(gains["b1"].second, gains["b2"].second);
    // The quiet sheet needs some 20 dB more; each album lies between its own tracks.
    EXPECT_GT(gains["b1"].second - gains["a1"].second, 15.0);
    for (const char* album : {"a", "b"}) {
        const std::string one = std::string(album) + "1";
        const std::string two = std::string(album) + "2";
        EXPECT_GT(gains[one].second, gains[one].first) << album;
        EXPECT_LT(gains[two].second, gains[two].first) << album;
    }
    EXPECT_EQ(gains["c"].second, gains["c"].first);  // alone among the rows of no sheet
}

TEST_F(EngineRealTest, FadesShapeTheOutputSamples) {
    Add(MakeInput(S("in.wav"), 4.0, 0.5));
    state.appSettings.FadeIn = state.appSettings.FadeOut = true;
    state.appSettings.FadeInTime = state.appSettings.FadeOutTime = 1;
    Configure(1);
    BatchParts parts = Parts();
    ConvertAll(parts, host);
    const AudioBuffer out = Decode(outDir + S("/Tone.wav"));
    ASSERT_EQ(out.FrameCount(), 4u * 44100);
    const double middle = Rms(out, 88200, 4410);
    EXPECT_NEAR(middle, 0.5 / std::sqrt(2.0), 0.01);
    EXPECT_LT(Rms(out, 0, 441), 0.02 * middle);                              // starts silent
    EXPECT_NEAR(Rms(out, 22050 - 2205, 4410), 0.5 * middle, 0.05 * middle);  // half way up
    EXPECT_LT(Rms(out, out.FrameCount() - 441, 441), 0.02 * middle);         // ends silent
    EXPECT_NEAR(Rms(out, out.FrameCount() - 22050 - 2205, 4410), 0.5 * middle, 0.05 * middle);
}

TEST_F(EngineRealTest, NormalisedCopyPeaksAtTheStoredLevelWholeOrStreamed) {
    const QString input = MakeInput(S("in.wav"), 1.5, 0.25);
    Add(input);
    state.appSettings.NormalizeVolume = 80;
    state.appSettings.FadeIn = true;  // no effect on "Nor_" copies
    Configure(1);
    BatchParts parts = Parts();
    NormalizeAll(parts, host);
    // The same file again, forced through the two streaming passes.
    NormalizeAll(parts, host, 1000);
    ASSERT_TRUE(host.errors.isEmpty()) << host.errors.join(S("; ")).toStdString();
    const AudioBuffer whole = Decode(outDir + S("/Nor_Tone.wav"));
    const AudioBuffer streamed = Decode(outDir + S("/Nor_Tone_1.wav"));
    EXPECT_NEAR(Peak(whole), 0.80, 1.0 / 32768);
    ASSERT_EQ(whole.SampleCount(), streamed.SampleCount());
    for (std::size_t i = 0; i < whole.SampleCount(); ++i) {
        ASSERT_NEAR(whole.Data()[i], streamed.Data()[i], 1.0 / 32768) << i;
    }
    EXPECT_LT(Rms(whole, 0, 441), 0.6);  // not faded in: a full-level sine from the start
    EXPECT_GT(Rms(whole, 0, 441), 0.5);
}

struct LevelCase {
    const char* what;
    QStringList soxArgs;  // makes the input
};

// The level is what the written samples peak at, after the writer's downmix or resampling,
// as sox measures it; a stored level the dialog cannot offer is refused before anything starts.
TEST_F(EngineRealTest, NormalisedCopyPeaksAtTheLevelOfTheWrittenSamples) {
    const std::vector<LevelCase> cases{
        {"5.1 downmixed to stereo",
         {S("-r"),  S("48000"), S("-c"),  S("6"),    S("-b"),   S("16"),   S("in.wav"), S("synth"),
          S("2"),   S("sine"),  S("300"), S("sine"), S("500"),  S("sine"), S("700"),    S("sine"),
          S("100"), S("sine"),  S("900"), S("sine"), S("1100"), S("vol"),  S("0.5")}},
        {"8-bit 22,050 Hz mono resampled",
         {S("-r"), S("22050"), S("-c"), S("1"), S("-b"), S("8"), S("in.wav"), S("synth"), S("2"),
          S("square"), S("440"), S("vol"), S("0.6")}},
    };
    Configure(1);
    state.appSettings.NormalizeVolume = 98;
    for (const LevelCase& c : cases) {
        QDir(outDir).removeRecursively();
        host = RecordingHost();
        QProcess sox;
        sox.setWorkingDirectory(dir.Path());
        sox.start(S("sox"), QStringList{S("-n")} + c.soxArgs);
        ASSERT_TRUE(sox.waitForFinished(60000) && sox.exitCode() == 0) << c.what;
        Add(dir.File(S("in.wav")));
        BatchParts parts = Parts();
        NormalizeAll(parts, host);
        ASSERT_TRUE(host.errors.isEmpty()) << host.errors.join(S("; ")).toStdString();
        QProcess stat;
        stat.start(S("sox"), {outDir + S("/Nor_Tone.wav"), S("-n"), S("stat")});
        ASSERT_TRUE(stat.waitForFinished(60000));
        const QString report = QString::fromUtf8(stat.readAllStandardError());
        double peak = 0;
        for (const QString& line : report.split(QLatin1Char('\n'))) {
            if (line.startsWith(S("Maximum amplitude")) ||
                line.startsWith(S("Minimum amplitude"))) {
                peak = std::max(peak, std::fabs(line.section(QLatin1Char(':'), 1).toDouble()));
            }
        }
        EXPECT_NEAR(peak, 0.98, 0.005) << c.what;
    }
    for (const int level : {0, 101}) {
        host = RecordingHost();
        QDir(outDir).removeRecursively();
        Add(dir.File(S("in.wav")));
        state.appSettings.NormalizeVolume = level;
        BatchParts parts = Parts();
        NormalizeAll(parts, host);
        ASSERT_EQ(host.errors.size(), 1) << level;
        EXPECT_EQ(host.errors[0],
                  S("[Nor] vol = %1 is outside 1..100; pick a value in Settings").arg(level));
        EXPECT_TRUE(host.done.empty());
        EXPECT_FALSE(QFileInfo::exists(outDir + S("/Nor_Tone.wav")));
        EXPECT_FALSE(state.Converting);
    }
}

// A full disk, made by a file size limit on this process: the batch ends with the error, the
// partial output is gone, and nothing stays stuck.
TEST_F(EngineRealTest, FullDiskEndsTheBatchCleanly) {
    const QString input = MakeInput(S("in.wav"), 3.0, 0.5);
    Add(input);
    Configure(1);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old;
    limit.rlim_cur = 200 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    BatchParts parts = Parts();
    ConvertAll(parts, host);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);

    ASSERT_EQ(host.errors.size(), 1);
    EXPECT_EQ(host.rows[0].status, S("Error"));
    EXPECT_TRUE(QDir(outDir).entryList(QDir::Files | QDir::Hidden).isEmpty())
        << QDir(outDir).entryList(QDir::Files | QDir::Hidden).join(S(",")).toStdString();
    EXPECT_FALSE(state.Converting);
}

// A real full disk (a small tmpfs; needs root, skipped elsewhere) with MP3 output: a disk with
// room for the MP3 once takes it, tag and all (the tag is put in front in place); a smaller one
// fails with the system's own words and leaves nothing behind.
TEST_F(EngineRealTest, Mp3OutputNeedsItsOwnSizeFreeAndAFullDiskSaysSo) {
    const QString input = MakeInput(S("in.wav"), 20.0, 0.5);
    struct DiskCase {
        const char* size;
        bool fits;
    };
    for (const DiskCase& c : {DiskCase{"300k", true}, DiskCase{"120k", false}}) {
        const QString disk = dir.File(S("disk_%1").arg(S(c.size)));
        QDir().mkpath(disk);
        QProcess mount;
        mount.start(S("mount"),
                    {S("-t"), S("tmpfs"), S("-o"), S("size=") + S(c.size), S("tmpfs"), disk});
        if (!mount.waitForFinished(10000) || mount.exitCode() != 0) {
            GTEST_SKIP() << "no tmpfs can be mounted here";
        }
        host = RecordingHost();
        Add(input);
        Configure(0);  // 96 kbps: about 240 KB for 20 s
        BatchParts parts{state, *reader, *writer, encoder, *transform, QString(), disk};
        ConvertAll(parts, host);
        const QStringList left = QDir(disk).entryList(QDir::Files | QDir::Hidden);
        if (c.fits) {
            EXPECT_TRUE(host.errors.isEmpty()) << host.errors.join(S("; ")).toStdString();
            EXPECT_EQ(left, QStringList{S("Tone.mp3")});
            EXPECT_EQ(
                Tool(S("/usr/bin/python3"),
                     {S("-c"), S("import sys, mutagen.id3 as i; print(i.ID3(sys.argv[1])['TIT2'])"),
                      disk + S("/Tone.mp3")}),
                S("Tone"));
        } else {
            ASSERT_EQ(host.errors.size(), 1);
            EXPECT_TRUE(host.errors[0].contains(S("No space left on device")))
                << host.errors[0].toStdString();
            EXPECT_TRUE(host.errors[0].contains(disk + S("/Tone.mp3")));
            EXPECT_TRUE(left.isEmpty()) << left.join(S(",")).toStdString();
        }
        QProcess::execute(S("umount"), {disk});
    }
}

}  // namespace
