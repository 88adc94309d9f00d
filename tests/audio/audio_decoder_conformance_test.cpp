// Every decoder against files made by the public tools: rate, channels, bit depth and an exact
// length, checked against ffmpeg's own count of the decoded samples; and hostile inputs.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <cmath>

#include "audio_test_signals.h"
#include "components/component_error.h"
#include "outside/audio/audio_factory.h"
#include "support/temp_dir.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

bool Have(const char* tool) {
    return !QStandardPaths::findExecutable(S(tool)).isEmpty();
}

// Frames ffmpeg decodes from `path`, or -1 when it cannot.
std::int64_t FfmpegFrames(const QString& path, int channels) {
    QProcess process;
    process.start(S("ffmpeg"), {S("-v"), S("error"), S("-i"), path, S("-f"), S("s16le"), S("-")});
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        return -1;
    }
    return process.readAllStandardOutput().size() / (2 * channels);
}

// The track length the container states (ffprobe's duration_ts), or -1.
std::int64_t ContainerFrames(const QString& path) {
    int rc = 0;
    const QString out = RunTool(S("ffprobe"),
                                {S("-v"), S("error"), S("-show_entries"), S("stream=duration_ts"),
                                 S("-of"), S("csv=p=0"), path},
                                &rc);
    bool ok = false;
    const std::int64_t frames = out.trimmed().toLongLong(&ok);
    return rc == 0 && ok ? frames : -1;
}

// A 440 Hz sine of an odd length, so that no codec's frame size divides it.
QString SourceWav(const TempDir& dir, const char* name, int rate, int channels, int bits) {
    const QString wav = dir.File(S(name));
    int rc = 0;
    RunTool(S("sox"),
            {S("-n"), S("-r"), QString::number(rate), S("-c"), QString::number(channels), S("-b"),
             QString::number(bits), wav, S("synth"), S("1.2345"), S("sine"), S("440"), S("vol"),
             S("0.5")},
            &rc);
    EXPECT_EQ(rc, 0);
    return wav;
}

struct Fixture {
    const char* name;  // the output file; its extension need not match (see the MP3)
    const char* tool;  // the program that makes it from the source
    const char* args;  // %i the source, %o the output
    int rate, channels;
    int sourceBits;  // the source's depth (sox)
    int expectBits;  // SourceBits
    // The length to expect: what ffmpeg decodes; the source's (lossless, and Vorbis, whose last
    // packet ffmpeg does not trim); or the container's (an MP4 track, whose end padding ffmpeg
    // does not trim).
    enum Expect { kFfmpeg, kSource, kContainer };
    Expect expect;
};

const Fixture kFixtures[] = {
    {"f16.flac", "flac", "-s -f %i -o %o", 44100, 2, 16, 16, Fixture::kSource},
    {"f24.flac", "flac", "-s -f %i -o %o", 48000, 1, 24, 24, Fixture::kSource},
    {"v.ogg", "oggenc", "-Q -q 5 %i -o %o", 44100, 2, 16, 16, Fixture::kSource},
    {"o.opus", "opusenc", "--quiet %i %o", 48000, 2, 16, 16, Fixture::kFfmpeg},
    {"aac.m4a", "ffmpeg", "-v error -y -i %i -c:a aac -b:a 128k %o", 44100, 2, 16, 16,
     Fixture::kContainer},
    {"aac6.mp4", "ffmpeg", "-v error -y -i %i -c:a aac %o", 48000, 6, 16, 16, Fixture::kContainer},
    {"adts.aac", "ffmpeg", "-v error -y -i %i -c:a aac -f adts %o", 32000, 1, 16, 16,
     Fixture::kFfmpeg},
    {"alac.m4a", "ffmpeg", "-v error -y -i %i -c:a alac %o", 96000, 2, 24, 24, Fixture::kSource},
    {"w.wv", "wavpack", "-q -y %i -o %o", 44100, 2, 16, 16, Fixture::kSource},
    {"w.wma", "ffmpeg", "-v error -y -i %i -c:a wmav2 %o", 44100, 2, 16, 16, Fixture::kFfmpeg},
    {"a.aiff", "sox", "%i %o", 22050, 2, 24, 24, Fixture::kSource},
    {"u8.wav", "sox", "%i -b 8 %o", 8000, 1, 16, 8, Fixture::kSource},
    {"oflac.oga", "flac", "--ogg -s -f %i -o %o", 44100, 2, 16, 16, Fixture::kSource},
    {"f.mka", "ffmpeg", "-v error -y -i %i -c:a flac %o", 44100, 2, 24, 24, Fixture::kSource},
    {"a.ac3", "ffmpeg", "-v error -y -i %i -c:a ac3 %o", 48000, 2, 16, 16, Fixture::kFfmpeg},
    {"mp3.flac", "ffmpeg", "-v error -y -i %i -c:a libmp3lame -f mp3 %o", 44100, 2, 16, 16,
     Fixture::kFfmpeg},
};

TEST(AudioDecoderConformance, PublicToolFilesDecodeWithExactLengths) {
    if (!Have("ffmpeg") || !Have("sox")) {
        GTEST_SKIP() << "ffmpeg and sox are needed to make and count the fixtures";
    }
    TempDir dir;
    for (const Fixture& f : kFixtures) {
        SCOPED_TRACE(f.name);
        if (!Have(f.tool)) {
            continue;
        }
        const QString source = SourceWav(dir, "src.wav", f.rate, f.channels, f.sourceBits);
        const QString path = dir.File(S(f.name));
        QStringList args;
        for (const QString& arg : S(f.args).split(QLatin1Char(' '))) {
            args << (arg == S("%i") ? source : arg == S("%o") ? path : arg);
        }
        int rc = 0;
        const QString out = RunTool(S(f.tool), args, &rc);
        ASSERT_EQ(rc, 0) << out.toStdString();

        std::unique_ptr<IAudioFile2> reader = CreateAudioFile();
        reader->Open(path);
        const int rate = S(f.tool) == S("opusenc") ? 48000 : f.rate;
        EXPECT_EQ(reader->SampleRate(), rate);
        EXPECT_EQ(reader->Channels(), f.channels);
        EXPECT_EQ(reader->SourceBits(), f.expectBits);
        const std::int64_t length = reader->Length();
        switch (f.expect) {
            case Fixture::kFfmpeg:
                EXPECT_EQ(length, FfmpegFrames(path, f.channels));
                break;
            case Fixture::kSource:
                EXPECT_EQ(length, std::llround(1.2345 * f.rate));
                break;
            case Fixture::kContainer:
                EXPECT_EQ(length, ContainerFrames(path));
                break;
        }
        reader->Close();
        const AudioBuffer all = ReadAll(*reader, path);
        EXPECT_EQ(static_cast<std::int64_t>(all.FrameCount()), length) << "delivered";
        // Channels in their places: each one carries the sine.
        for (int c = 0; c < f.channels; ++c) {
            if (f.channels == 6 && c == 3) {
                continue;  // the LFE channel, low-passed by the encoder
            }
            EXPECT_NEAR(EstimateFrequency(all, rate, c), 440.0, 4.0) << "channel " << c;
        }
    }
}

QByteArray FirstHalf(const QByteArray& bytes) {
    return bytes.left(bytes.size() / 2);
}

struct Hostile {
    const char* name;
    const char* from;  // the made file it is cut from
    QByteArray (*make)(const QByteArray& made);
    const char* cause;  // part of the message; empty: it must decode
};

const Hostile kHostile[] = {
    {"empty.m4a", "back.m4a", [](const QByteArray&) { return QByteArray(); }, "empty"},
    // The index at the end: the cut takes it away.
    {"cut_index.m4a", "back.m4a",
     [](const QByteArray& m4a) { return m4a.left(m4a.size() * 2 / 3); }, "damaged"},
    {"garbage.m4a", "back.m4a",
     [](const QByteArray&) {
         QByteArray bytes(
             "\0\0\0\x18"
             "ftypM4A \0\0\0\0M4A mp42",
             24);
         for (int i = 0; i < 20000; ++i) {
             bytes += static_cast<char>((i * 7919) >> 3);
         }
         return bytes;
     },
     "damaged"},
    // The index first: the cut file opens, and its audio ends before the index's length.
    {"cut_audio.m4a", "front.m4a", FirstHalf, "ended at"},
    // One damaged AAC frame is left out, as ffmpeg leaves it out, instead of failing the file.
    {"bad_frame.m4a", "front.m4a",
     [](const QByteArray& m4a) {
         QByteArray bytes = m4a;
         bytes.replace(bytes.size() * 3 / 5, 64, QByteArray(64, '\xff'));
         return bytes;
     },
     ""},
    // ASF's clock is too coarse to count packets; its header still says how long it was.
    {"cut_audio.wma", "w.wma", FirstHalf, "ended at"},
};

TEST(AudioDecoderConformance, HostileInputsGiveErrorsNamingTheFile) {
    if (!Have("ffmpeg") || !Have("sox")) {
        GTEST_SKIP() << "ffmpeg and sox are needed to make the fixtures";
    }
    TempDir dir;
    const QString source = SourceWav(dir, "src.wav", 44100, 2, 16);
    for (const QStringList& made : {QStringList{S("-c:a"), S("aac"), S("-movflags"),
                                                S("+faststart"), dir.File(S("front.m4a"))},
                                    QStringList{S("-c:a"), S("aac"), dir.File(S("back.m4a"))},
                                    QStringList{S("-c:a"), S("wmav2"), dir.File(S("w.wma"))}}) {
        int rc = 0;
        RunTool(S("ffmpeg"), QStringList{S("-v"), S("error"), S("-i"), source} + made, &rc);
        ASSERT_EQ(rc, 0);
    }

    for (const Hostile& h : kHostile) {
        SCOPED_TRACE(h.name);
        const QString path = dir.Write(S(h.name), h.make(ReadAll(dir.File(S(h.from)))));
        std::unique_ptr<IAudioFile2> reader = CreateAudioFile();
        QString message;
        try {
            reader->Open(path);
            ReadAll(*reader, path);
        } catch (const ComponentError& e) {
            message = e.Message();
        }
        if (*h.cause == 0) {
            EXPECT_TRUE(message.isEmpty()) << message.toStdString();
            continue;
        }
        EXPECT_TRUE(message.contains(S(h.name))) << message.toStdString();
        EXPECT_TRUE(message.contains(S(h.cause))) << message.toStdString();
    }
}

}  // namespace
