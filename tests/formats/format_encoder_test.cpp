// The lossless encoders of the format units, each written through its integer path and its
// float path, then judged by independent readers: ffprobe for the stream, the MD5 of FFmpeg's
// decoded PCM for the samples, wvunpack's own verification for WavPack. Then dither on a depth
// reduction, and a full disk.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <QMap>
#include <bit>
#include <cmath>
#include <numbers>
#include <vector>

#include "audio/audio_test_signals.h"
#include "components/component_error.h"
#include "formats/encoders.h"
#include "outside/audio/pcm_conversion.h"
#include "support/temp_dir.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

using Factory = std::unique_ptr<AudioEncoder> (*)(const QString&, const QString&, const PcmFormat&,
                                                  int);

struct Codec {
    const char* name;
    Factory create;
    const char* extension;
    const char* codec;  // as ffprobe names it (the float one where it differs)
    const char* floatCodec;
    // How FFmpeg names our 5.1: Apple's layouts (AIFF's CHAN chunk) and FLAC's 6-channel
    // default have surrounds, not backs.
    const char* surround;
};

const Codec kAlac{"alac", CreateAlacEncoder, ".m4a", "alac", nullptr, "5.1"};
const Codec kAiff{"aiff", CreateAiffEncoder, ".aiff", "pcm_s16be", "pcm_f32be", "5.1(side)"};
const Codec kWavPack{"wavpack", CreateWavPackEncoder, ".wv", "wavpack", "wavpack", "5.1"};
const Codec kCodecs[] = {kAlac, kAiff, kWavPack};
// FLAC through its own factory: the units' table and the dither.
const Codec kFlac{
    "flac",
    [](const QString& path, const QString& shown, const PcmFormat& f, int sourceBits) {
        return CreateFlacEncoder(path, shown, f.rate, f.channels, f.bits, 5, sourceBits);
    },
    ".flac",
    "flac",
    nullptr,
    "5.1(side)"};

struct Case {
    Codec codec;
    PcmFormat format;
};

std::vector<Case> AllCases() {
    std::vector<Case> cases;
    for (const Codec& codec : {kAlac, kAiff, kWavPack, kFlac}) {
        for (const int channels : {1, 2, 6}) {
            cases.push_back({codec, {44100, channels, 16, false}});
            cases.push_back({codec, {48000, channels, 24, false}});
            if (codec.floatCodec != nullptr) {
                cases.push_back({codec, {96000, channels, 32, true}});
            }
        }
    }
    return cases;
}

// ffprobe's fields of the first audio stream.
QMap<QString, QString> Probe(const QString& file) {
    int rc = 0;
    const QString out =
        RunTool(S("ffprobe"),
                {S("-v"), S("error"), S("-select_streams"), S("a:0"), S("-show_streams"), S("-of"),
                 S("default=noprint_wrappers=1"), file},
                &rc);
    EXPECT_EQ(rc, 0) << out.toStdString();
    QMap<QString, QString> fields;
    for (const QString& line : out.split(QLatin1Char('\n'))) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0) {
            fields.insert(line.left(eq), line.mid(eq + 1).trimmed());
        }
    }
    return fields;
}

// The PCM codec FFmpeg decodes a format to, as the bytes we hashed.
QString PcmCodec(const PcmFormat& f) {
    return f.floating ? S("pcm_f32le") : f.bits == 16 ? S("pcm_s16le") : S("pcm_s24le");
}

QString DecodedMd5(const QString& file, const PcmFormat& f) {
    int rc = 0;
    const QString out = RunTool(S("ffmpeg"),
                                {S("-v"), S("error"), S("-i"), file, S("-map"), S("0:a"), S("-c:a"),
                                 PcmCodec(f), S("-f"), S("md5"), S("-")},
                                &rc);
    EXPECT_EQ(rc, 0) << out.toStdString();
    return out.trimmed().remove(S("MD5="));
}

// Decodes to raw 16-bit samples through a file (binary output does not pass through RunTool).
std::vector<std::int16_t> Decode16(const QString& file, const QString& raw) {
    int rc = 0;
    const QString out = RunTool(
        S("ffmpeg"), {S("-v"), S("error"), S("-y"), S("-i"), file, S("-f"), S("s16le"), raw}, &rc);
    EXPECT_EQ(rc, 0) << out.toStdString();
    const QByteArray bytes = ReadAll(raw);
    std::vector<std::int16_t> samples(static_cast<std::size_t>(bytes.size()) / 2);
    std::memcpy(samples.data(), bytes.constData(), samples.size() * 2);
    return samples;
}

// A different sine in every channel at full scale, with both limits of the depth present.
std::vector<std::int32_t> Tones(const PcmFormat& f, std::int64_t frames) {
    const double full = std::ldexp(1.0, f.bits - 1);
    std::vector<std::int32_t> samples(static_cast<std::size_t>(frames) * f.channels);
    for (std::int64_t i = 0; i < frames; ++i) {
        for (int c = 0; c < f.channels; ++c) {
            const double x = std::sin(2 * std::numbers::pi * (330.0 + 110.0 * c) * i / f.rate);
            samples[i * f.channels + c] = static_cast<std::int32_t>(
                std::clamp(std::lround(x * full), -std::lround(full), std::lround(full) - 1));
        }
    }
    for (int c = 0; c < f.channels; ++c) {
        samples[(10 + c) * f.channels + c] = static_cast<std::int32_t>(full - 1);
        samples[(20 + c) * f.channels + c] = static_cast<std::int32_t>(-full);
    }
    return samples;
}

// The samples as FFmpeg's little-endian PCM of the format holds them.
QString Md5Of(const std::vector<std::int32_t>& samples, const PcmFormat& f) {
    const int bytes = f.bits / 8;
    QByteArray data;
    data.reserve(static_cast<qsizetype>(samples.size()) * bytes);
    for (const std::int32_t s : samples) {
        const auto v = static_cast<std::uint32_t>(s);
        for (int b = 0; b < bytes; ++b) {
            data.append(static_cast<char>(v >> (8 * b)));
        }
    }
    return QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Md5).toHex());
}

// Feeds `frames` frames in the conversion's blocks of 2034.
template <typename Sample, typename Put>
void InBlocks(const std::vector<Sample>& samples, int channels, Put put) {
    const std::int64_t frames = static_cast<std::int64_t>(samples.size()) / channels;
    for (std::int64_t at = 0; at < frames; at += 2034) {
        put(samples.data() + at * channels, std::min<std::int64_t>(2034, frames - at));
    }
}

class EncoderOutput : public ::testing::TestWithParam<Case> {};

TEST_P(EncoderOutput, BothPathsStoreTheSamplesBitForBit) {
    const auto& [codec, format] = GetParam();
    // Not a whole number of codec frames; mono is shorter than one WavPack block, which the
    // library only writes when it is flushed.
    const std::int64_t frames = (format.channels == 1 ? format.rate / 5 : format.rate * 5 / 2) + 7;
    const std::vector<std::int32_t> ints = Tones(format, frames);
    std::vector<float> floats(ints.size());
    const float scale = std::ldexp(1.0f, -(format.bits - 1));
    for (std::size_t i = 0; i < ints.size(); ++i) {
        // k / 2^(bits-1) for the integer depths; the float output takes the values themselves.
        floats[i] = static_cast<float>(ints[i]) * scale;
    }
    std::vector<std::int32_t> floatBits(ints.size());
    for (std::size_t i = 0; i < ints.size(); ++i) {
        floatBits[i] = std::bit_cast<std::int32_t>(floats[i]);
    }
    const QString expected = Md5Of(format.floating ? floatBits : ints, format);

    TempDir dir;
    for (const bool integers : {true, false}) {
        if (integers && format.floating) {
            continue;  // a float output has no integer depth to take
        }
        const QString file = dir.File(S(integers ? "ints" : "floats") + S(codec.extension));
        SCOPED_TRACE(file.toStdString());
        const auto encoder = codec.create(file, file, format, format.bits);
        ASSERT_EQ(encoder->TakesIntegers(), !format.floating);
        EXPECT_EQ(encoder->SampleRate(), format.rate);
        EXPECT_EQ(encoder->Channels(), format.channels);
        if (integers) {
            InBlocks(ints, format.channels,
                     [&](const std::int32_t* s, std::int64_t n) { encoder->WriteIntegers(s, n); });
        } else {
            InBlocks(floats, format.channels,
                     [&](const float* s, std::int64_t n) { encoder->Write(s, n); });
        }
        encoder->Finish();

        const QMap<QString, QString> probe = Probe(file);
        EXPECT_EQ(probe[S("codec_name")],
                  S(format.floating ? codec.floatCodec : codec.codec)
                      .replace(S("s16"), format.bits == 24 ? S("s24") : S("s16")));
        EXPECT_EQ(probe[S("sample_rate")].toInt(), format.rate);
        EXPECT_EQ(probe[S("channels")].toInt(), format.channels);
        const int bits = probe[S("bits_per_raw_sample")].toInt() > 0
                             ? probe[S("bits_per_raw_sample")].toInt()
                             : probe[S("bits_per_sample")].toInt();
        EXPECT_EQ(bits, format.bits);
        EXPECT_EQ(probe[S("time_base")], S("1/%1").arg(format.rate));
        EXPECT_EQ(probe[S("duration_ts")].toLongLong(), frames);
        EXPECT_EQ(probe[S("channel_layout")], format.channels == 1   ? S("mono")
                                              : format.channels == 2 ? S("stereo")
                                                                     : S(codec.surround));
        EXPECT_EQ(DecodedMd5(file, format), expected);

        if (codec.create == CreateWavPackEncoder) {
            int rc = 0;
            const QString out = RunTool(S("wvunpack"), {S("-q"), S("-v"), S("-m"), file}, &rc);
            EXPECT_EQ(rc, 0) << out.toStdString();
            // wvunpack checks the stored sum against the decoded audio and shows it.
            EXPECT_TRUE(out.contains(expected)) << out.toStdString();
        }
    }
}

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
    const auto& [codec, f] = info.param;
    return std::string(codec.name) + "_" + std::to_string(f.channels) + "ch_" +
           std::to_string(f.bits) + (f.floating ? "float" : "bit");
}

INSTANTIATE_TEST_SUITE_P(Lossless, EncoderOutput, ::testing::ValuesIn(AllCases()), CaseName);

// A 24-bit source reduced to 16 bits: a -100 dBFS sine (a third of the last bit) survives under
// a steady floor of dither noise, whose level is the triangular dither's ±1 LSB (variance 1/6)
// plus the rounding after it (1/12): 0.5 LSB RMS. Without dither the exact rule rounds it away.
TEST(EncoderDither, AReductionKeepsAQuietToneUnderTheTpdfFloor) {
    const int rate = 48000;
    const double amplitude = std::pow(10.0, -100.0 / 20.0);
    std::vector<float> tone(static_cast<std::size_t>(rate) * 2 * 2);
    for (std::size_t i = 0; i < tone.size(); ++i) {
        tone[i] = static_cast<float>(amplitude *
                                     std::sin(2 * std::numbers::pi * 1000.0 * (i / 2) / rate));
    }
    TempDir dir;
    for (const Codec& codec : {kAlac, kAiff, kWavPack, kFlac}) {
        for (const int sourceBits : {24, 16}) {
            const QString file =
                dir.File(S("%1_%2%3").arg(S(codec.name)).arg(sourceBits).arg(S(codec.extension)));
            SCOPED_TRACE(file.toStdString());
            const auto encoder = codec.create(file, file, {rate, 2, 16, false}, sourceBits);
            InBlocks(tone, 2, [&](const float* s, std::int64_t n) { encoder->Write(s, n); });
            encoder->Finish();
            const std::vector<std::int16_t> out = Decode16(file, file + S(".raw"));
            ASSERT_EQ(out.size(), tone.size());
            if (sourceBits == 16) {
                EXPECT_EQ(std::count(out.begin(), out.end(), 0),
                          static_cast<std::ptrdiff_t>(out.size()));
                continue;
            }
            // The tone's part of the output, by least squares, and what is left around it.
            double across = 0;
            double power = 0;
            for (std::size_t i = 0; i < out.size(); ++i) {
                across += out[i] * (tone[i] * 32768.0);
                power += (tone[i] * 32768.0) * (tone[i] * 32768.0);
            }
            EXPECT_NEAR(across / power, 1.0, 0.1);
            double noise = 0;
            for (std::size_t i = 0; i < out.size(); ++i) {
                const double e = out[i] - tone[i] * 32768.0;
                noise += e * e;
            }
            EXPECT_NEAR(std::sqrt(noise / static_cast<double>(out.size())), 0.5, 0.025);
        }
    }
}

// Dither never wraps at the limits: full scale stays within its last step, beyond it clips,
// NaN goes to the negative limit.
TEST(EncoderDither, TheLimitsClip) {
    const float in[] = {1.0f, -1.0f, 2.0f, -2.0f, std::nanf("")};
    const std::int32_t low[] = {32766, -32768, 32767, -32768, -32768};
    const std::int32_t high[] = {32767, -32767, 32767, -32768, -32768};
    DitherNoise noise;
    for (int round = 0; round < 200; ++round) {
        std::int32_t out[5] = {};
        FloatToPcmDithered(in, 5, 16, out, noise);
        for (int i = 0; i < 5; ++i) {
            ASSERT_GE(out[i], low[i]) << i;
            ASSERT_LE(out[i], high[i]) << i;
        }
    }
}

// A disk that is full (the system's full device) fails the output with the system's reason,
// naming the file.
TEST(EncoderErrors, AFullDiskSaysSo) {
    for (const Codec& codec : kCodecs) {
        const QString shown = S("/music/out") + S(codec.extension);
        const PcmFormat format{44100, 2, 16, false};
        const std::vector<std::int32_t> ints = Tones(format, 3 * 44100);
        QString message;
        try {
            const auto encoder = codec.create(S("/dev/full"), shown, format, 16);
            InBlocks(ints, 2,
                     [&](const std::int32_t* s, std::int64_t n) { encoder->WriteIntegers(s, n); });
            encoder->Finish();
        } catch (const ComponentError& e) {
            message = e.Message();
        }
        EXPECT_TRUE(message.contains(shown + S(": No space left on device")))
            << codec.name << ": " << message.toStdString();
    }
}

// An output without samples: AIFF holds one; ALAC in M4A and WavPack cannot (no reader could
// tell the format), and say so instead of leaving a file without audio.
TEST(EncoderErrors, AnEmptyOutputIsAFileOrAClearError) {
    TempDir dir;
    for (const Codec& codec : kCodecs) {
        const QString file = dir.File(S("empty") + S(codec.extension));
        QString message;
        try {
            codec.create(file, file, {44100, 2, 16, false}, 16)->Finish();
        } catch (const ComponentError& e) {
            message = e.Message();
        }
        if (codec.create == CreateAiffEncoder) {
            EXPECT_TRUE(message.isEmpty()) << message.toStdString();
            EXPECT_EQ(Probe(file)[S("duration_ts")], S("0"));
        } else {
            EXPECT_EQ(message,
                      S("Cannot write %1: %2 cannot hold a file without samples")
                          .arg(file, S(codec.create == CreateAlacEncoder ? "M4A" : "WavPack")));
        }
    }
}

}  // namespace
