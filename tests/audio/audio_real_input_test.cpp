// Inputs as users meet them: system files that merely carry an audio name, MP3s with tags,
// padding and junk made by the lame program, files joined from mono and stereo parts.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QtEndian>
#include <cmath>
#include <cstring>
#include <functional>

#include "audio_test_signals.h"
#include "components/component_error.h"
#include "components/lame_encoder_settings.h"
#include "outside/audio/audio_factory.h"
#include "support/temp_dir.h"

namespace {

// What adding a file to the list would show: 0 for anything that is not audio.
int ProbedDuration(IAudioFile2& reader, const QString& path) {
    try {
        reader.Open(path);
    } catch (const ComponentError&) {
        return 0;
    }
    const int ms = reader.Duration();
    reader.Close();
    return ms;
}

QString Lame(const TempDir& dir, const QString& name, const QStringList& options,
             const QString& synth) {
    const QString wav = dir.File(name + QStringLiteral(".src.wav"));
    int rc = 0;
    RunTool(QStringLiteral("sox"),
            QStringList{QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("44100"),
                        QStringLiteral("-b"), QStringLiteral("16"), wav, QStringLiteral("synth")} +
                synth.split(QLatin1Char(' ')),
            &rc);
    EXPECT_EQ(rc, 0);
    const QString mp3 = dir.File(name);
    const QString out =
        RunTool(QStringLiteral("lame"),
                QStringList{QStringLiteral("--quiet")} + options + QStringList{wav, mp3}, &rc);
    EXPECT_EQ(rc, 0) << out.toStdString();
    return mp3;
}

// Libraries must not write to the terminal: standard error is caught in a file meanwhile.
class StderrCapture {
  public:
    StderrCapture() {
        file_.open();
        std::fflush(stderr);
        saved_ = dup(2);
        dup2(file_.handle(), 2);
    }
    QByteArray Finish() {
        std::fflush(stderr);
        dup2(saved_, 2);
        close(saved_);
        file_.seek(0);
        return file_.readAll();
    }

  private:
    QTemporaryFile file_;
    int saved_ = -1;
};

TEST(RealInput, NonAudioFilesUnderAudioNamesAreNotSupportedAndPrintNothing) {
    TempDir dir;
    QStringList corpus;
    const QStringList names = {QStringLiteral("mp3"), QStringLiteral("mp2"), QStringLiteral("wav")};
    // System executables and libraries: the files on which chance frame syncs were found.
    int n = 0;
    for (const QString& folder :
         {QStringLiteral("/usr/bin"), QStringLiteral("/usr/lib/x86_64-linux-gnu")}) {
        const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files, QDir::Name);
        for (const QFileInfo& info : files) {
            if (n >= 200 || info.size() > (1 << 20) || info.isSymLink() || !info.isReadable()) {
                continue;
            }
            const QString copy =
                dir.File(QStringLiteral("%1.%2").arg(info.fileName(), names[n % 3]));
            if (QFile::copy(info.filePath(), copy)) {
                corpus << copy;
                ++n;
            }
        }
    }
    ASSERT_GE(n, 150);
    QImage image(64, 64, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    const QString png = dir.File(QStringLiteral("picture.mp3"));
    ASSERT_TRUE(image.save(png, "PNG"));
    corpus << png;
    corpus << dir.Write(QStringLiteral("notes.wav"),
                        QByteArray("Not audio at all.\n").repeated(500));
    for (quint32 seed = 1; seed <= 20; ++seed) {
        QRandomGenerator random(seed);
        QByteArray bytes(20000 + static_cast<int>(seed) * 997, '\0');
        for (char& c : bytes) {
            c = static_cast<char>(random.generate());
        }
        corpus << dir.Write(QStringLiteral("random%1.%2").arg(seed).arg(names[seed % 3]), bytes);
    }

    auto reader = CreateAudioFile();
    StderrCapture capture;
    QStringList accepted;
    for (const QString& path : corpus) {
        if (ProbedDuration(*reader, path) != 0) {
            accepted << path;
        }
    }
    const QByteArray printed = capture.Finish();
    EXPECT_TRUE(accepted.isEmpty()) << accepted.join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(printed.isEmpty()) << printed.toStdString();
}

TEST(RealInput, RealMp3sWithTagsPaddingAndJunkOpen) {
    TempDir dir;
    const QString plain = Lame(dir, QStringLiteral("plain.mp3"), {}, QStringLiteral("1 sine 440"));
    const QString tagged =
        Lame(dir, QStringLiteral("tagged.mp3"),
             {QStringLiteral("--id3v2-only"), QStringLiteral("--pad-id3v2-size"),
              QStringLiteral("2000"), QStringLiteral("--tt"), QStringLiteral("Song")},
             QStringLiteral("1 sine 440"));
    const QString both =
        Lame(dir, QStringLiteral("v1v2.mp3"),
             {QStringLiteral("--add-id3v2"), QStringLiteral("--tt"), QStringLiteral("Song")},
             QStringLiteral("1 sine 440"));
    const QByteArray mp3 = ::ReadAll(plain);
    const QByteArray tag = ::ReadAll(tagged).left(2010);
    ASSERT_TRUE(tag.startsWith("ID3"));
    QByteArray junk(300, '\0');
    for (int i = 0; i < junk.size(); ++i) {
        junk[i] = static_cast<char>(i * 37 + 11);
    }
    const QString withJunk = dir.Write(QStringLiteral("junk.mp3"), junk + mp3);
    const QString tagJunk = dir.Write(QStringLiteral("tagjunk.mp3"), tag + junk + mp3);
    const QString zeroPadded =
        dir.Write(QStringLiteral("zeros.mp3"), tag + QByteArray(700, '\0') + mp3);
    const QString named = dir.Write(QStringLiteral("really_mp3.wav"), mp3);

    auto reader = CreateAudioFile();
    for (const QString& path : {plain, tagged, both, withJunk, tagJunk, zeroPadded, named}) {
        EXPECT_NEAR(ProbedDuration(*reader, path), 1000, 30) << path.toStdString();
        reader->Open(path);
        EXPECT_EQ(reader->SampleRate(), 44100);
        reader->Close();
    }
}

// Joined recordings switch between mono and stereo; the output keeps the first part's format
// and every part's sound.
TEST(RealInput, AnMp3JoinedFromMonoAndStereoPartsDecodesWhole) {
    TempDir dir;
    // No LAME header frame: it would give the length of the first part only.
    const QString mono = Lame(dir, QStringLiteral("mono.mp3"),
                              {QStringLiteral("-t"), QStringLiteral("-m"), QStringLiteral("m")},
                              QStringLiteral("1 sine 440 channels 1"));
    const QString stereo = Lame(dir, QStringLiteral("stereo.mp3"), {QStringLiteral("-t")},
                                QStringLiteral("1 sine 1000 channels 2"));
    auto reader = CreateAudioFile();
    // A part at another rate is brought to the first part's rate.
    const QString lowRate =
        Lame(dir, QStringLiteral("low.mp3"),
             {QStringLiteral("-t"), QStringLiteral("--resample"), QStringLiteral("22.05")},
             QStringLiteral("1 sine 440 channels 2"));
    const QString mixedRates =
        dir.Write(QStringLiteral("rates.mp3"), ::ReadAll(stereo) + ::ReadAll(lowRate));
    reader->Open(mixedRates);
    EXPECT_EQ(reader->PcmSampleRate(), 44100);
    const AudioBuffer resampled = ReadAll(*reader, mixedRates);
    // Without header frames each part keeps its encoder delay and padding, twice over at half
    // the rate.
    EXPECT_NEAR(static_cast<double>(resampled.FrameCount()), 88200.0, 6 * 1152.0);
    for (const bool monoFirst : {true, false}) {
        const QByteArray joined =
            monoFirst ? ::ReadAll(mono) + ::ReadAll(stereo) : ::ReadAll(stereo) + ::ReadAll(mono);
        const QString path = dir.Write(QStringLiteral("joined.mp3"), joined);
        const AudioBuffer all = ReadAll(*reader, path);
        EXPECT_EQ(all.Channels(), monoFirst ? 1 : 2);
        EXPECT_NEAR(static_cast<double>(all.FrameCount()), 88200.0, 4 * 1152.0);
        // The second part carries its own tone.
        const std::size_t half = all.FrameCount() / 2 + 4410;
        const AudioBuffer second(std::vector<float>(all.Data() + half * all.Channels(),
                                                    all.Data() + (half + 22050) * all.Channels()),
                                 all.Channels());
        EXPECT_NEAR(EstimateFrequency(second, 44100), monoFirst ? 1000.0 : 440.0, 5.0);
        reader->Open(path);
        EXPECT_TRUE(reader->SourceNote().startsWith(QStringLiteral("the audio from 00:01 on")))
            << reader->SourceNote().toStdString();
    }
}

// Frames the mpg123 program decodes from `mp3`, counted by soxi on the WAV it writes.
std::int64_t Mpg123Frames(const QString& mp3) {
    const QString wav = mp3 + QStringLiteral(".mpg123.wav");
    int rc = 0;
    RunTool(QStringLiteral("mpg123"), {QStringLiteral("-q"), QStringLiteral("-w"), wav, mp3}, &rc);
    const QString count = RunTool(QStringLiteral("soxi"), {QStringLiteral("-s"), wav}, &rc);
    EXPECT_EQ(rc, 0) << count.toStdString();
    return count.trimmed().toLongLong();
}

QByteArray ApeTag() {
    QByteArray item;
    item.resize(8);
    qToLittleEndian<quint32>(5, item.data());
    qToLittleEndian<quint32>(0, item.data() + 4);
    item += QByteArray("Title\0Hello", 11);
    const auto part = [&](quint32 flags) {
        QByteArray b("APETAGEX", 8);
        b.resize(32);
        qToLittleEndian<quint32>(2000, b.data() + 8);
        qToLittleEndian<quint32>(static_cast<quint32>(item.size() + 32), b.data() + 12);
        qToLittleEndian<quint32>(1, b.data() + 16);
        qToLittleEndian<quint32>(flags, b.data() + 20);
        std::fill(b.begin() + 24, b.end(), '\0');
        return b;
    };
    return part(0xA0000000u) + item + part(0x80000000u);
}

QByteArray Id3v1Tag() {
    QByteArray tag("TAG");
    tag += QByteArray("Song").leftJustified(30, '\0') + QByteArray("Band").leftJustified(30, '\0') +
           QByteArray("Album").leftJustified(30, '\0') + QByteArray("2020") + QByteArray(30, '\0') +
           QByteArray(1, '\x0c');
    return tag;
}

struct TailCase {
    const char* name;
    std::function<QByteArray(const QByteArray& cbr, const QByteArray& vbr22k)> bytes;
};

// Downloads cut short and taggers leave all of these after (or instead of) the last frame; every
// player decodes the frames and stops. A cut file keeps no encoder delay and loses no audio to
// padding it never reached.
const TailCase kTailCases[] = {
    {"whole.mp3", [](const QByteArray& m, const QByteArray&) { return m; }},
    {"trailing_zeros.mp3",
     [](const QByteArray& m, const QByteArray&) { return m + QByteArray(1100, '\0'); }},
    {"trailing_random.mp3",
     [](const QByteArray& m, const QByteArray&) {
         QRandomGenerator random(15);
         QByteArray junk(3000, '\0');
         for (char& c : junk) {
             c = static_cast<char>(random.generate());
         }
         return m + junk;
     }},
    {"ape_tag.mp3", [](const QByteArray& m, const QByteArray&) { return m + ApeTag(); }},
    {"cut_frame_id3v1.mp3",
     [](const QByteArray& m, const QByteArray&) { return m.chopped(200) + Id3v1Tag(); }},
    {"cut_lame.mp3", [](const QByteArray& m, const QByteArray&) { return m.left(40000); }},
    {"cut_lame_vbr_22k.mp3",
     [](const QByteArray&, const QByteArray& v) { return v.left(v.size() * 3 / 5); }},
};

TEST(RealInput, Mp3sWithTrailingBytesOrCutShortDecodeAsMpg123Does) {
    TempDir dir;
    const QString cbr =
        Lame(dir, QStringLiteral("s.mp3"), {QStringLiteral("-b"), QStringLiteral("128")},
             QStringLiteral("5 sine 440 channels 2"));
    const QString vbr = Lame(dir, QStringLiteral("v.mp3"),
                             {QStringLiteral("-V"), QStringLiteral("5"),
                              QStringLiteral("--resample"), QStringLiteral("22.05")},
                             QStringLiteral("5 sine 440 channels 2"));
    auto reader = CreateAudioFile();
    for (const TailCase& c : kTailCases) {
        const QString path =
            dir.Write(QString::fromLatin1(c.name), c.bytes(::ReadAll(cbr), ::ReadAll(vbr)));
        const std::int64_t expected = Mpg123Frames(path);
        ASSERT_GT(expected, 0) << c.name;
        reader->Open(path);
        EXPECT_EQ(reader->Length(), expected) << c.name;
        EXPECT_EQ(static_cast<std::int64_t>(ReadAll(*reader, path).FrameCount()), expected)
            << c.name;
    }
}

// What sox's stat says of a file: its maximum and minimum amplitude.
std::pair<double, double> SoxPeaks(const QString& path) {
    int rc = 0;
    const QString out =
        RunTool(QStringLiteral("sox"), {path, QStringLiteral("-n"), QStringLiteral("stat")}, &rc);
    EXPECT_EQ(rc, 0) << out.toStdString();
    const auto value = [&](const char* key) {
        const QRegularExpression re(
            QStringLiteral("%1 amplitude:\\s+(\\S+)").arg(QLatin1String(key)));
        return re.match(out).captured(1).toDouble();
    };
    return {value("Maximum"), value("Minimum")};
}

// LAME aborts the whole program on one NaN; a NaN written to WAV was a full-scale click.
TEST(RealInput, NanInfinityAndOverloadInAFloatWavConvertSafely) {
    TempDir dir;
    const QString input = dir.File(QStringLiteral("nan.wav"));
    int rc = 0;
    RunTool(QStringLiteral("sox"),
            QStringLiteral("-n -r 44100 -e floating-point -b 32 %1 synth 1 sine 440 vol 0.5")
                .arg(input)
                .split(QLatin1Char(' ')),
            &rc);
    ASSERT_EQ(rc, 0);
    QByteArray bytes = ::ReadAll(input);
    const qsizetype data = bytes.indexOf("data") + 8;
    const auto put = [&](int index, float value) {
        std::memcpy(bytes.data() + data + index * 4, &value, 4);
    };
    put(1000, std::nanf(""));
    put(2000, INFINITY);
    put(3000, -INFINITY);
    for (int i = 4000; i < 4100; ++i) {
        put(i, 1.5f);
    }
    dir.Write(QStringLiteral("nan.wav"), bytes);

    auto reader = CreateAudioFile();
    const AudioBuffer decoded = ReadAll(*reader, input);
    ASSERT_EQ(decoded.FrameCount(), 44100u);
    for (std::size_t i = 0; i < decoded.FrameCount(); ++i) {
        ASSERT_TRUE(decoded.Data()[i] >= -1.0f && decoded.Data()[i] <= 1.0f) << i;
    }
    EXPECT_EQ(decoded.Data()[1000], 0.0f);
    EXPECT_EQ(decoded.Data()[2000], 1.0f);
    EXPECT_EQ(decoded.Data()[3000], -1.0f);
    EXPECT_EQ(decoded.Data()[4050], 1.0f);

    for (const bool mp3 : {false, true}) {
        auto writer = CreateAudioFile();
        LameEncoderSettings settings;
        if (mp3) {
            writer->SetMp3Encoder(settings);
        } else {
            writer->SetWaveFormat(44100, 1, 16);
        }
        const QString output =
            dir.File(mp3 ? QStringLiteral("out.mp3") : QStringLiteral("out.wav"));
        WriteThrough(*writer, output, 44100, decoded);
        QString measured = output;
        if (mp3) {
            measured = dir.File(QStringLiteral("out.mp3.wav"));
            RunTool(QStringLiteral("mpg123"),
                    {QStringLiteral("-q"), QStringLiteral("-w"), measured, output}, &rc);
        }
        // Full scale where the signal was over it; MP3 smooths the one-sample spikes away.
        const double peak = mp3 ? 0.45 : 0.999;
        const auto [max, min] = SoxPeaks(measured);
        EXPECT_GT(max, peak) << output.toStdString();
        EXPECT_LT(min, -peak) << output.toStdString();
    }
    auto back = CreateAudioFile();
    EXPECT_EQ(ReadAll(*back, dir.File(QStringLiteral("out.wav"))).Data()[1000], 0.0f);
}

// A file cut while it converts fails, naming where it ended; opened again, it is what it now is.
// Two MP3s joined by cat, mono at 64 kbps then stereo at 128: the first part's LAME tag describes
// only itself, so the whole stream decodes (in the first part's layout) instead of stopping where
// the tag's length ends.
TEST(RealInput, JoinedMp3sDecodeToTheEndOfTheLastPart) {
    TempDir dir;
    const QString first = Lame(
        dir, QStringLiteral("a.mp3"),
        {QStringLiteral("-m"), QStringLiteral("m"), QStringLiteral("-b"), QStringLiteral("64")},
        QStringLiteral("2 sine 300"));
    const QString second = Lame(
        dir, QStringLiteral("b.mp3"),
        {QStringLiteral("-m"), QStringLiteral("s"), QStringLiteral("-b"), QStringLiteral("128")},
        QStringLiteral("4 sine 500"));
    const QString joined =
        dir.Write(QStringLiteral("joined.mp3"), ::ReadAll(first) + ::ReadAll(second));
    for (const auto& [path, seconds] : {std::pair{first, 2.0}, std::pair{joined, 6.0}}) {
        auto reader = CreateAudioFile();
        reader->Open(path);
        // Untrimmed, the joined stream keeps each part's encoder delay and padding.
        EXPECT_NEAR(static_cast<double>(reader->Length()) / 44100.0, seconds, 0.15)
            << path.toStdString();
        // The row says the stream was read past its tag.
        EXPECT_EQ(reader->SourceNote().contains(QStringLiteral("joined MP3 files")), path == joined)
            << path.toStdString();
        EXPECT_EQ(static_cast<std::int64_t>(ReadAll(*reader, path).FrameCount()), reader->Length());
    }
}

TEST(RealInput, AnInputCutShortWhileItIsReadFailsWithWhereItEnded) {
    TempDir dir;
    const QString mp3 = Lame(dir, QStringLiteral("cut.mp3"), {}, QStringLiteral("10 sine 440"));
    const QString wav = dir.File(QStringLiteral("cut.mp3.src.wav"));
    for (const QString& path : {wav, mp3}) {
        auto reader = CreateAudioFile();
        reader->Open(path);
        ASSERT_EQ(reader->Duration(), 10000);
        for (int i = 0; i < 20; ++i) {
            reader->ReadBuffer(2034);
        }
        const qint64 cutAt = QFileInfo(path).size() * 2 / 5;
        ASSERT_EQ(::truncate(QFile::encodeName(path).constData(), cutAt), 0);
        try {
            for (int blocks = 0; reader->ReadBuffer(2034).UpperBound() >= 0; ++blocks) {
                ASSERT_LT(blocks, 1000);
            }
            ADD_FAILURE() << "no error for " << path.toStdString();
        } catch (const ComponentError& e) {
            EXPECT_TRUE(e.Message().contains(path)) << e.what();
            EXPECT_TRUE(e.Message().contains(
                QRegularExpression(QStringLiteral("ended at 00:0[34] of 00:10"))))
                << e.what();
        }
        reader->Open(path);
        if (path == wav) {
            // Opened again, the WAV's header still states 10 s: the cut shows at its end too.
            EXPECT_EQ(reader->Duration(), 10000);
            EXPECT_THROW(ReadAll(*reader, path), ComponentError);
            continue;
        }
        EXPECT_NEAR(reader->Duration(), 4000, 300) << path.toStdString();
        EXPECT_EQ(static_cast<std::int64_t>(ReadAll(*reader, path).FrameCount()), reader->Length());
    }
}

}  // namespace
