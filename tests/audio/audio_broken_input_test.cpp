// Broken, truncated and hostile inputs: a clear error or Duration 0, never a crash or a hang.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QtEndian>

#include "audio_test_signals.h"
#include "components/component_error.h"
#include "components/lame_encoder_settings.h"
#include "outside/audio/audio_factory.h"
#include "support/temp_dir.h"

namespace {

QByteArray Garbage(int size, quint32 seed) {
    QRandomGenerator random(seed);
    QByteArray bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random.generate() & 0xFF);
    }
    return bytes;
}

QByteArray GoodFile(const QString& name, const std::function<void(IAudioFile2&)>& configure) {
    TempDir dir;
    const QString path = dir.File(name);
    auto writer = CreateAudioFile();
    configure(*writer);
    WriteThrough(*writer, path, 44100, Sine(44100, 2, 440.0, 20000));
    return ::ReadAll(path);
}

QByteArray GoodMp3() {
    static const QByteArray bytes = GoodFile(QStringLiteral("good.mp3"), [](IAudioFile2& w) {
        LameEncoderSettings settings;
        settings.SetBitrate(128);
        settings.SetSampleRate(44100);
        w.SetMp3Encoder(settings);
    });
    return bytes;
}

QByteArray GoodWav() {
    static const QByteArray bytes =
        GoodFile(QStringLiteral("good.wav"), [](IAudioFile2& w) { w.SetWaveFormat(44100, 2, 16); });
    return bytes;
}

struct BrokenCase {
    const char* name;
    std::function<QByteArray()> bytes;
};

QByteArray WithDataSizeClaimingMore() {
    QByteArray b = GoodWav();
    const qsizetype data = b.indexOf("data");
    qToLittleEndian<quint32>(0x7FFFFFF0u, b.data() + data + 4);
    return b;
}

QByteArray WithHugeId3Tag() {
    QByteArray b("ID3\x03\x00\x00\x7F\x7F\x7F\x7F", 10);
    return b + Garbage(3000, 7);
}

QByteArray WithZeroChannelHeader() {
    QByteArray b = GoodWav().left(200);
    const qsizetype fmt = b.indexOf("fmt ");
    qToLittleEndian<quint16>(0, b.data() + fmt + 10);
    return b;
}

const BrokenCase kCases[] = {
    {"empty.mp3", [] { return QByteArray(); }},
    {"empty.wav", [] { return QByteArray(); }},
    {"text.mp3", [] { return QByteArray("This is a shopping list, not a song.\n").repeated(40); }},
    {"garbage.mp3", [] { return Garbage(50000, 1); }},
    {"garbage.wav", [] { return Garbage(50000, 2); }},
    {"garbage_after_sync.mp3", [] { return QByteArray("\xFF\xFB") + Garbage(20000, 3); }},
    {"riff_garbage.wav", [] { return QByteArray("RIFF\x10\0\0\0WAVE", 12) + Garbage(5000, 4); }},
    {"truncated.mp3", [] { return GoodMp3().left(GoodMp3().size() / 3 + 17); }},
    {"header_only.mp3", [] { return GoodMp3().left(300); }},
    {"truncated_header.wav", [] { return GoodWav().left(30); }},
    {"truncated_data.wav", [] { return GoodWav().left(GoodWav().size() / 2 + 1); }},
    {"claims_more.wav", WithDataSizeClaimingMore},
    {"zero_channels.wav", WithZeroChannelHeader},
    {"huge_id3.mp3", WithHugeId3Tag},
    {"wav_named.mp3", GoodWav},
    {"mp3_named.wav", GoodMp3},
};

class BrokenInput : public ::testing::TestWithParam<BrokenCase> {};

TEST_P(BrokenInput, GivesAnErrorOrZeroDurationOrDecodesToTheEnd) {
    TempDir dir;
    const QString name = QString::fromLatin1(GetParam().name);
    const QString path = dir.Write(name, GetParam().bytes());
    auto reader = CreateAudioFile();
    try {
        reader->Open(path);
    } catch (const ComponentError& e) {
        EXPECT_TRUE(e.Message().contains(name)) << e.what();
        EXPECT_FALSE(reader->IsOpen());
        EXPECT_EQ(reader->Duration(), 0);
        return;
    }
    if (reader->Duration() == 0) {
        return;
    }
    ASSERT_GT(reader->SampleRate(), 0);
    ASSERT_GT(reader->PcmChannels(), 0);
    std::int64_t frames = 0;
    for (int blocks = 0;; ++blocks) {
        ASSERT_LT(blocks, 10000) << "the reader does not come to an end";
        AudioBuffer b;
        try {
            b = reader->ReadBuffer(2034);
        } catch (const ComponentError& e) {
            EXPECT_TRUE(e.Message().contains(name)) << e.what();
            return;
        }
        if (b.UpperBound() < 0) {
            break;
        }
        EXPECT_EQ(b.Channels(), reader->PcmChannels());
        frames += static_cast<std::int64_t>(b.FrameCount());
    }
    EXPECT_LE(frames, 20000 + 2 * 1152);
}

INSTANTIATE_TEST_SUITE_P(Files, BrokenInput, ::testing::ValuesIn(kCases),
                         [](const auto& param_info) {
                             return QString::fromLatin1(param_info.param.name)
                                 .replace(QLatin1Char('.'), QLatin1Char('_'))
                                 .toStdString();
                         });

TEST(BrokenInputs, NonsenseIsRefusedWithTheFileAndTheCause) {
    TempDir dir;
    auto reader = CreateAudioFile();
    const QString text = dir.Write(QStringLiteral("notes.mp3"), QByteArray("hello\n").repeated(99));
    EXPECT_THROW(reader->Open(text), ComponentError);
    const QString empty = dir.Write(QStringLiteral("empty.wav"), QByteArray());
    try {
        reader->Open(empty);
        FAIL() << "empty file opened";
    } catch (const ComponentError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Cannot open %1: the file is empty")
                                   .arg(QDir::toNativeSeparators(empty)));
    }
    EXPECT_THROW(reader->Open(dir.File(QStringLiteral("gone.mp3"))), ComponentError);
    EXPECT_THROW(reader->Open(dir.Path()), ComponentError);
    const QString fifo = dir.File(QStringLiteral("pipe.mp3"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_THROW(reader->Open(fifo), ComponentError);       // and does not wait for a writer
    EXPECT_THROW(reader->ReadBuffer(100), ComponentError);  // nothing open
}

// A header that states more audio than the file holds (WAV, AIFF, Matroska): cut short, the file
// fails where its audio ends instead of converting to a short output; a size streaming writers use
// for "unknown" delivers what is there.
TEST(BrokenInputs, AHeaderStatingMoreAudioThanThereIsFailsAtTheEnd) {
    TempDir dir;
    // 20000 stereo 16-bit frames of silence at 44.1 kHz (the rate as an 80-bit float).
    QByteArray comm("COMM\0\0\0\x12\0\2\0\0\x4E\x20\0\x10\x40\x0E\xAC\x44", 20);
    comm.append(QByteArray(6, '\0'));
    QByteArray ssnd("SSND", 4);
    QByteArray size(4, '\0');
    qToBigEndian<quint32>(8 + 80000, size.data());
    ssnd += size + QByteArray(8 + 80000, '\0');
    qToBigEndian<quint32>(static_cast<quint32>(4 + comm.size() + ssnd.size()), size.data());
    const QByteArray aiff = QByteArray("FORM", 4) + size + QByteArray("AIFF", 4) + comm + ssnd;
    // Matroska states the segment's length in its header.
    const QString mka = dir.File(QStringLiteral("whole.mka"));
    int rc = -1;
    RunTool(QStringLiteral("ffmpeg"),
            {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"),
             QStringLiteral("lavfi"), QStringLiteral("-i"), QStringLiteral("sine=d=3"),
             QStringLiteral("-c:a"), QStringLiteral("flac"), mka},
            &rc);
    ASSERT_EQ(rc, 0) << "ffmpeg is missing: run scripts/setup";
    const QByteArray matroska = ::ReadAll(mka);
    const struct {
        const char* name;
        QByteArray bytes;
        bool fails;
    } cases[] = {
        {"cut.mka", matroska.left(matroska.size() / 3), true},
        {"cut.wav", GoodWav().left(GoodWav().size() / 2), true},
        {"cut.aiff", aiff.left(aiff.size() / 2), true},
        {"unknown_size.wav", WithDataSizeClaimingMore(), false},
    };
    for (const auto& c : cases) {
        const QString path = dir.Write(QString::fromLatin1(c.name), c.bytes);
        auto reader = CreateAudioFile();
        reader->Open(path);
        try {
            const AudioBuffer all = reader->ReadBuffer(1 << 30);
            EXPECT_FALSE(c.fails) << c.name;
            EXPECT_EQ(all.FrameCount(), 20000u) << c.name;
        } catch (const ComponentError& e) {
            EXPECT_TRUE(c.fails) << c.name << ": " << e.what();
            EXPECT_TRUE(QString::fromUtf8(e.what()).contains(QStringLiteral("the audio ended at")))
                << e.what();
        }
    }
}

// A FLAC stream of unknown length (0 in its STREAMINFO, as FFmpeg leaves one written into a
// pipe), or one whose STREAMINFO states fewer samples than its frames hold, decodes to its end
// instead of being refused or cut to the stated length.
TEST(BrokenInputs, AFlacDecodesEveryFrameWhateverItsHeaderStates) {
    TempDir dir;
    const QString pipe = dir.File(QStringLiteral("pipe.flac"));
    const QString file = dir.File(QStringLiteral("file.flac"));
    int rc = -1;
    RunTool(QStringLiteral("sh"),
            {QStringLiteral("-c"),
             QStringLiteral("ffmpeg -v error -f lavfi -i sine=d=1:r=8000 -f flac - > '%1' && "
                            "ffmpeg -v error -f lavfi -i sine=d=1:r=8000 '%2'")
                 .arg(pipe, file)},
            &rc);
    ASSERT_EQ(rc, 0) << "ffmpeg is missing: run scripts/setup";
    ASSERT_EQ(::ReadAll(pipe).mid(21, 5).toHex(), QByteArray("f000000000"));  // length unknown
    QByteArray stated = ::ReadAll(file);
    ASSERT_EQ(stated.mid(21, 5).toHex(), QByteArray("f000001f40"));  // 8000 samples
    stated[25] = '\1';  // states 7937 of its 8000 samples
    const QString shortened = dir.Write(QStringLiteral("short.flac"), stated);
    for (const QString& path : {pipe, file, shortened}) {
        auto reader = CreateAudioFile();
        reader->Open(path);
        EXPECT_EQ(reader->ReadBuffer(1 << 20).FrameCount(), 8000u) << path.toStdString();
        // Only the understated length is worth a word on the row.
        EXPECT_EQ(reader->SourceNote().contains(QStringLiteral("states fewer samples")),
                  path == shortened)
            << path.toStdString();
    }
}

// Decoding goes by content: a WAV named .mp3 and an MP3 named .wav both decode.
TEST(BrokenInputs, TheContentNotTheExtensionChoosesTheDecoder) {
    TempDir dir;
    auto reader = CreateAudioFile();
    reader->Open(dir.Write(QStringLiteral("really_wav.mp3"), GoodWav()));
    EXPECT_EQ(reader->Length(), 20000);
    reader->Open(dir.Write(QStringLiteral("really_mp3.wav"), GoodMp3()));
    EXPECT_NEAR(static_cast<double>(reader->Length()), 20000.0, 1152.0);
    reader->SetEnabled(false);
    EXPECT_FALSE(reader->IsOpen());
    EXPECT_THROW(reader->Open(dir.File(QStringLiteral("really_wav.mp3"))), ComponentError);
    reader->SetEnabled(true);
    reader->Open(dir.File(QStringLiteral("really_wav.mp3")));
    EXPECT_TRUE(reader->IsOpen());
}

TEST(OtherInputs, LayerTwoAndWmaDecode) {
    TempDir dir;
    auto reader = CreateAudioFile();
    const QString mp2 = dir.CopyFixture(QStringLiteral("sine_440hz_32k_mono.mp2"));
    const AudioBuffer back = ReadAll(*reader, mp2);
    reader->Open(mp2);
    EXPECT_EQ(reader->SampleRate(), 32000);
    EXPECT_EQ(reader->Channels(), 1);
    EXPECT_NEAR(static_cast<double>(reader->Length()), 16000.0, 1152.0);
    EXPECT_EQ(static_cast<std::int64_t>(back.FrameCount()), reader->Length());
    EXPECT_NEAR(EstimateFrequency(back, 32000), 440.0, 2.0);

    // WMA through FFmpeg, counted by decoding (ASF's clock is in milliseconds): 21504 frames,
    // as ffmpeg gives them.
    const QString wma = dir.CopyFixture(QStringLiteral("sine_1s.wma"));
    const AudioBuffer wmaBack = ReadAll(*reader, wma);
    reader->Open(wma);
    EXPECT_EQ(reader->SampleRate(), 22050);
    EXPECT_EQ(reader->Channels(), 1);
    EXPECT_EQ(reader->Length(), 21504);
    EXPECT_EQ(static_cast<std::int64_t>(wmaBack.FrameCount()), reader->Length());
    EXPECT_NEAR(EstimateFrequency(wmaBack, 22050), 440.0, 5.0);  // 32 kbit/s
}

TEST(BrokenInputs, AVeryShortFileStillHasADuration) {
    TempDir dir;
    const QString path = dir.File(QStringLiteral("click.wav"));
    auto writer = CreateAudioFile();
    writer->SetWaveFormat(44100, 1, 16);
    WriteThrough(*writer, path, 44100, AudioBuffer({0.5f, -0.5f}, 1));
    auto reader = CreateAudioFile();
    reader->Open(path);
    EXPECT_EQ(reader->Length(), 2);
    EXPECT_EQ(reader->Duration(), 1);
    EXPECT_THROW(reader->ReadBuffer(-1), ComponentError);
}

}  // namespace
