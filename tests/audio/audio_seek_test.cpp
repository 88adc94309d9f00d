// Parts of a file: after SetReadRange the reader gives exactly the frames a decoding of the whole
// file gives there, from every decoder (libsndfile, libmpg123, FFmpeg with and without a clock
// of samples).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "audio_test_signals.h"
#include "outside/audio/audio_factory.h"
#include "support/temp_dir.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

// Twenty seconds of 44.1 kHz stereo: a sweep on the left, a square wave's edges on the right.
QString MakeImage(const TempDir& dir) {
    const QString wav = dir.File(S("image.wav"));
    int rc = 0;
    const QString out =
        RunTool(S("sox"),
                {S("-n"), S("-r"), S("44100"), S("-c"), S("2"), S("-b"), S("16"), wav, S("synth"),
                 S("20"), S("sine"), S("220-2000"), S("square"), S("331"), S("gain"), S("-6")},
                &rc);
    EXPECT_EQ(rc, 0) << out.toStdString();
    return wav;
}

// The image encoded by a public tool; %1 is the image, %2 the encoded file.
QString Encode(const TempDir& dir, const QString& image, const char* name, const char* program,
               const char* arguments) {
    const QString path = dir.File(S(name));
    QStringList args;
    for (const QString& a : S(arguments).split(QLatin1Char(' '))) {
        args << (a == S("%1") ? image : a == S("%2") ? path : a);
    }
    int rc = 0;
    const QString out = RunTool(S(program), args, &rc);
    EXPECT_EQ(rc, 0) << name << ": " << out.toStdString();
    return path;
}

// Reads the open reader to its end in blocks of the conversion's size.
AudioBuffer ReadRest(IAudioFile2& reader) {
    std::vector<float> samples;
    while (true) {
        const AudioBuffer block = reader.ReadBuffer(2034);
        if (block.Empty()) {
            break;
        }
        samples.insert(samples.end(), block.Samples().begin(), block.Samples().end());
    }
    return AudioBuffer(std::move(samples), std::max(reader.Channels(), 1));
}

struct SeekCase {
    const char* file;
    const char* program;  // empty: the image itself
    const char* arguments;
};

TEST(ReadRange, APartHoldsTheWholeDecodingsFramesThereFromEveryDecoder) {
    TempDir dir;
    const QString image = MakeImage(dir);
    const std::vector<SeekCase> cases{
        {"image.wav", "", ""},
        {"image.flac", "flac", "-s -f -o %2 %1"},
        {"image.wv", "wavpack", "-q -y %1 -o %2"},
        {"alac.m4a", "ffmpeg", "-v error -y -i %1 -c:a alac %2"},
        // Matroska's clock counts milliseconds: read up to the part instead of seeking.
        {"flac.mka", "ffmpeg", "-v error -y -i %1 -c:a flac %2"},
        {"image.mp3", "lame", "--quiet -b 192 %1 %2"},
        // Without noise substitution, whose noise comes from the decoder's running random state.
        {"aac.m4a", "ffmpeg", "-v error -y -i %1 -c:a aac -aac_pns 0 -b:a 160k %2"},
        {"image.ogg", "ffmpeg", "-v error -y -i %1 -c:a libvorbis -q:a 5 %2"},
        {"image.opus", "opusenc", "--quiet %1 %2"},
    };
    for (const SeekCase& c : cases) {
        const QString path =
            *c.program ? Encode(dir, image, c.file, c.program, c.arguments) : image;
        const auto reader = CreateAudioFile();
        const AudioBuffer whole = ReadAll(*reader, path);
        const int ch = whole.Channels();
        const auto length = static_cast<std::int64_t>(whole.FrameCount());
        ASSERT_GT(length, 10 * 44100) << c.file;
        // CD frames (588 samples) near the start, in the middle and at the end, and an odd
        // point; bounded parts and one to the end.
        const std::vector<std::pair<std::int64_t, std::int64_t>> parts{
            {588 * 3, 588 * 80},
            {588 * 1234, 588 * 1234 + 44100 * 2 + 1},
            {441001, 441001 + 3333},
            {length - 588 * 100, -1},
        };
        for (const auto& [start, end] : parts) {
            reader->Open(path);
            reader->SetReadRange(start, end);
            const std::int64_t stop = end < 0 ? length : end;
            EXPECT_EQ(reader->Length(), stop - start) << c.file << " at " << start;
            const AudioBuffer part = ReadRest(*reader);
            reader->Close();
            ASSERT_EQ(static_cast<std::int64_t>(part.FrameCount()), stop - start)
                << c.file << " at " << start;
            // The same floats: the lossy decoders' pre-roll brings their state to where a whole
            // decoding has it. Opus's comes within an ulp or so, not always to the bit; a frame
            // off would differ by far more.
            const float allowed =
                QString::fromUtf8(c.file).endsWith(QStringLiteral(".opus")) ? 1e-5f : 0.0f;
            float worst = 0;
            for (std::size_t i = 0; i < part.Samples().size(); ++i) {
                worst =
                    std::max(worst, std::fabs(part.Samples()[i] - whole.Samples()[start * ch + i]));
            }
            EXPECT_LE(worst, allowed) << c.file << " at " << start;
        }
    }
}

}  // namespace
