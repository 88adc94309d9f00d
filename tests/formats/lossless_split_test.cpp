// The lossless splits: a source encoded in 1, 2 and 7 chunks, each by a fresh encoder as the jobs
// do, prepared and joined, against the same source encoded whole. Judged by the formats' own
// tools (flac, metaflac, Python's wave, soxi) and by FFmpeg's decoded PCM, which must be the
// one-job encode's byte for byte.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <QRegularExpression>
#include <bit>
#include <cmath>
#include <numbers>

#include "components/component_error.h"
#include "formats/encoders.h"
#include "formats/output_split.h"
#include "outside/audio/audio_encoder.h"
#include "support/temp_dir.h"
#include "support/tool_run.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

constexpr int kRate = 44100;
constexpr std::int64_t kFrames = 40 * kRate + 1235;  // not a whole number of blocks, odd

using Make = std::unique_ptr<AudioEncoder> (*)(const QString&, const PcmFormat&);

struct Case {
    const char* name;
    PcmFormat format;
    const char* extension;
    Make make;
    const OutputSplit* (*split)();
    const char* raw;  // FFmpeg's raw format of the decoded samples
};

std::unique_ptr<AudioEncoder> Flac0(const QString& path, const PcmFormat& f) {
    return CreateFlacEncoder(path, path, f.rate, f.channels, f.bits, 0);
}
std::unique_ptr<AudioEncoder> Flac5(const QString& path, const PcmFormat& f) {
    return CreateFlacEncoder(path, path, f.rate, f.channels, f.bits, 5);
}
std::unique_ptr<AudioEncoder> Wav(const QString& path, const PcmFormat& f) {
    return CreateWaveEncoder(path, path, f.rate, f.channels, f.bits);
}
std::unique_ptr<AudioEncoder> WavPack(const QString& path, const PcmFormat& f) {
    return CreateWavPackEncoder(path, path, f, 0);
}
std::unique_ptr<AudioEncoder> Aiff(const QString& path, const PcmFormat& f) {
    return CreateAiffEncoder(path, path, f, 0);
}

// Mono 24-bit has an odd count of sample bytes: a pad byte after the whole's, none between the
// chunks'.
const Case kCases[] = {
    {"flac0_16", {kRate, 2, 16, false}, ".flac", Flac0, FlacSplit, "s16le"},
    {"flac5_16", {kRate, 2, 16, false}, ".flac", Flac5, FlacSplit, "s16le"},
    {"flac5_24", {kRate, 2, 24, false}, ".flac", Flac5, FlacSplit, "s32le"},
    {"flac0_24_mono", {kRate, 1, 24, false}, ".flac", Flac0, FlacSplit, "s32le"},
    {"wav16", {kRate, 2, 16, false}, ".wav", Wav, WavSplit, "s16le"},
    {"wav24_mono", {kRate, 1, 24, false}, ".wav", Wav, WavSplit, "s32le"},
    {"aiff16", {kRate, 2, 16, false}, ".aiff", Aiff, AiffSplit, "s16le"},
    {"aiff24_mono", {kRate, 1, 24, false}, ".aiff", Aiff, AiffSplit, "s32le"},
    {"wavpack16", {kRate, 2, 16, false}, ".wv", WavPack, WavPackSplit, "s16le"},
    {"wavpack24_mono", {kRate, 1, 24, false}, ".wv", WavPack, WavPackSplit, "s32le"},
    {"wavpack_float", {kRate, 2, 32, true}, ".wv", WavPack, WavPackSplit, "f32le"},
    // Blocks in groups of a stereo pair or a channel, one index for the group.
    {"wavpack16_6ch", {kRate, 6, 16, false}, ".wv", WavPack, WavPackSplit, "s16le"},
    {"flac5_16_6ch", {kRate, 6, 16, false}, ".flac", Flac5, FlacSplit, "s16le"},
};

// Music-like material with, where the 7-chunk cut joins, a click, silence and a pure sine;
// 24-bit material has its low byte in use.
std::vector<float> Source(const PcmFormat& f, const std::vector<std::int64_t>& joins) {
    const double full = std::ldexp(1.0, f.bits - 1);
    std::vector<float> s(static_cast<std::size_t>(kFrames) * f.channels);
    std::uint32_t noise = 1;
    for (std::int64_t i = 0; i < kFrames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        for (int c = 0; c < f.channels; ++c) {
            noise = noise * 1664525u + 1013904223u;
            // Every other second the channels are alike, then apart, so that the stereo
            // coding changes from frame to frame.
            const bool alike = (i / kRate) % 2 == 0;
            double x = 0.3 * std::sin(2 * std::numbers::pi * (alike ? 220 : 220 + 55 * c) * t) +
                       0.15 * std::sin(2 * std::numbers::pi * 331 * t + std::sin(t)) +
                       (alike ? 0.0 : 0.3 * (static_cast<double>(noise >> 8) / (1 << 24) - 0.5));
            const std::int64_t near = i - joins[0];
            if (std::abs(i - joins[1]) < kRate / 2) {
                x = 0;
            } else if (std::abs(i - joins[2]) < kRate / 2) {
                x = 0.5 * std::sin(2 * std::numbers::pi * 1000 * t);
            } else if (near >= 0 && near < 64) {
                x = near % 2 == 0 ? 0.99 : -0.99;
            }
            const double k = std::clamp(std::round(x * full), -full, full - 1);
            s[static_cast<std::size_t>(i * f.channels + c)] =
                f.floating ? static_cast<float>(x) : static_cast<float>(k / full);
        }
    }
    return s;
}

// The stream's MD5 as the engine gives it: little-endian samples of the output's whole bytes.
QByteArray Md5(const std::vector<float>& s, const PcmFormat& f) {
    QCryptographicHash hash(QCryptographicHash::Md5);
    const double full = std::ldexp(1.0, f.bits - 1);
    QByteArray bytes;
    for (const float x : s) {
        const auto v = f.floating ? std::bit_cast<std::uint32_t>(x)
                                  : static_cast<std::uint32_t>(std::lround(x * full));
        for (int b = 0; b < f.bits / 8; ++b) {
            bytes.append(static_cast<char>(v >> (8 * b)));
        }
    }
    hash.addData(bytes);
    return hash.result();
}

void Encode(const Case& c, const QString& path, const std::vector<float>& s, std::int64_t from,
            std::int64_t to) {
    const auto encoder = c.make(path, c.format);
    for (std::int64_t at = from; at < to; at += 2034) {
        encoder->Write(s.data() + at * c.format.channels, std::min<std::int64_t>(2034, to - at));
    }
    encoder->Finish();
}

// The chunks of `count` as the engine cuts them: starts on the grid, no lead where none is asked.
std::vector<OutputChunk> Cut(const SplitRule& rule, int count, const TempDir& dir) {
    std::vector<OutputChunk> chunks(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) {
        OutputChunk& c = chunks[static_cast<std::size_t>(k)];
        c.path = dir.File(QStringLiteral(".part%1").arg(k));
        c.start = kFrames * k / count / rule.grid * rule.grid;
        c.end = k == count - 1 ? kFrames : kFrames * (k + 1) / count / rule.grid * rule.grid;
        c.leadIn = k > 0 ? rule.leadIn : 0;
        c.leadOut = k < count - 1 ? rule.leadOut : 0;
        c.index = k;
        c.count = count;
    }
    return chunks;
}

QByteArray Decoded(const Case& c, const QString& path) {
    return ToolOutput(S("ffmpeg"), {S("-v"), S("error"), S("-i"), path, S("-f"), S(c.raw), S("-")});
}

// The format's own reader's view: what must be the same for a split and a one-job output.
QString ToolView(const Case& c, const QString& path) {
    const QString ext = S(c.extension);
    if (ext == S(".flac")) {
        ToolOutput(S("flac"), {S("-t"), S("-s"), path});  // decodes, checks every CRC and the MD5
        return QString::fromUtf8(ToolOutput(
            S("metaflac"), {S("--show-total-samples"), S("--show-md5sum"),
                            S("--show-min-blocksize"), S("--show-max-blocksize"),
                            S("--show-sample-rate"), S("--show-bps"), S("--show-channels"), path}));
    }
    if (ext == S(".wv")) {
        // Verifies every block's CRC and the whole's MD5; then the stream as wvunpack sees it.
        ToolOutput(S("wvunpack"), {S("-v"), S("-m"), S("-q"), path});
        QString view;
        for (const QString& line :
             QString::fromUtf8(ToolOutput(S("wvunpack"), {S("-s"), S("-q"), path}))
                 .split(QLatin1Char('\n'))) {
            if (line.contains(QRegularExpression(S("^(source|channels|duration|original md5)")))) {
                view += line + QLatin1Char('\n');
            }
        }
        return view;
    }
    // The headers as the writer made them, sized for the whole, the samples after them.
    QString view = QString::fromLatin1(
        QCryptographicHash::hash(ReadAll(path), QCryptographicHash::Md5).toHex());
    view += QString::fromUtf8(ToolOutput(S("soxi"), {path}))
                .section(QLatin1Char('\n'), 2)  // past the file's name
                .remove(QRegularExpression(S("File Size[^\n]*")));
    if (ext == S(".wav") && c.format.bits == 16) {
        view += QString::fromUtf8(ToolOutput(
            S("python3"),
            {S("-c"), S("import sys, wave; print(wave.open(sys.argv[1]).getparams())"), path}));
    }
    return view;
}

// Every seek point leads to the frame header of its sample, and its frames are in order.
void ExpectSeekTableHolds(const QString& path) {
    const QByteArray listing =
        ToolOutput(S("metaflac"), {S("--list"), S("--block-type=SEEKTABLE,STREAMINFO"), path});
    ASSERT_TRUE(listing.contains("seek points:")) << listing.constData();
    const QByteArray file = ReadAll(path);
    const auto* u = reinterpret_cast<const unsigned char*>(file.constData());
    qsizetype at = 4;
    for (bool last = false; !last; at += 4 + (u[at + 1] << 16 | u[at + 2] << 8 | u[at + 3])) {
        last = (u[at] & 0x80) != 0;
    }
    const int block = u[4 + 4 + 2] << 8 | u[4 + 4 + 3];
    int points = 0;
    for (const QByteArray& line : listing.split('\n')) {
        long long sample = 0;
        long long offset = 0;
        if (std::sscanf(line.constData(), " point %*d: sample_number=%lld, stream_offset=%lld",
                        &sample, &offset) != 2) {
            continue;
        }
        ++points;
        ASSERT_LT(at + offset + 8, file.size());
        const unsigned char* h = u + at + offset;
        EXPECT_TRUE(h[0] == 0xFF && h[1] == 0xF8) << "point at " << sample;
        EXPECT_EQ(sample % block, 0);
        // The frame number in its first byte or two (UTF-8 as FLAC codes it).
        const long long number = h[4] < 0x80 ? h[4]
                                 : h[4] < 0xE0
                                     ? (h[4] & 0x1F) << 6 | (h[5] & 0x3F)
                                     : (h[4] & 0x0F) << 12 | (h[5] & 0x3F) << 6 | (h[6] & 0x3F);
        EXPECT_EQ(number, sample / block);
    }
    EXPECT_GE(points, kFrames / (10 * kRate));
}

class LosslessSplit : public ::testing::TestWithParam<Case> {};

TEST_P(LosslessSplit, JoinedOutputIsTheOneJobEncode) {
    const Case& c = GetParam();
    const OutputSplit* split = c.split();
    ASSERT_NE(split, nullptr);
    const SplitRule rule = split->Rule(kRate, c.format);
    ASSERT_GT(rule.grid, 0);
    EXPECT_EQ(split->Rule(48000, c.format).grid, 0) << "a resampled output is kept whole";

    TempDir dir;
    const std::vector<OutputChunk> seven = Cut(rule, 7, dir);
    const std::vector<float> source =
        Source(c.format, {seven[1].start, seven[3].start, seven[5].start});
    const QString whole = dir.File(S("whole") + S(c.extension));
    Encode(c, whole, source, 0, kFrames);
    const QByteArray wholePcm = Decoded(c, whole);
    const QString wholeView = ToolView(c, whole);
    ASSERT_EQ(wholePcm.size(),
              kFrames * c.format.channels * (QByteArray(c.raw).startsWith("s16") ? 2 : 4));

    JoinFacts facts;
    facts.sourceRate = kRate;
    facts.output = c.format;
    facts.frames = kFrames;
    const QByteArray md5 = Md5(source, c.format);
    for (const int count : {1, 2, 7}) {
        SCOPED_TRACE(count);
        std::vector<OutputChunk> chunks = Cut(rule, count, dir);
        const QString joined = dir.File(QStringLiteral("joined%1").arg(count) + S(c.extension));
        facts.shownPath = joined;
        // With 7, the MD5 is learnt after the join, as from the check's reading.
        facts.md5 = count == 7 ? QByteArray() : md5;
        for (OutputChunk& chunk : chunks) {
            Encode(c, chunk.path, source, chunk.start - chunk.leadIn, chunk.end + chunk.leadOut);
            split->PrepareChunk(chunk, facts);
        }
        split->Join(chunks, facts, joined);
        if (count == 7) {
            split->RecordMd5(joined, md5, facts);
        }
        EXPECT_EQ(ToolView(c, joined), wholeView);
        EXPECT_TRUE(Decoded(c, joined) == wholePcm) << "the decoded samples differ";
        if (S(c.extension) == S(".flac")) {
            ExpectSeekTableHolds(joined);
        }
    }
}

TEST_P(LosslessSplit, AChunkCutShortIsRefusedNamingTheOutput) {
    const Case& c = GetParam();
    const OutputSplit* split = c.split();
    ASSERT_NE(split, nullptr);
    TempDir dir;
    std::vector<OutputChunk> chunks = Cut(split->Rule(kRate, c.format), 2, dir);
    const std::vector<float> source = Source(c.format, {0, 0, 0});
    JoinFacts facts;
    facts.sourceRate = kRate;
    facts.output = c.format;
    facts.frames = kFrames;
    facts.shownPath = S("/music/Long Piece") + S(c.extension);
    const QString joined = dir.File(S("joined") + S(c.extension));
    for (const std::int64_t cut : {2, 5000}) {  // 1 may be only the pad byte
        SCOPED_TRACE(cut);
        try {
            for (OutputChunk& chunk : chunks) {
                Encode(c, chunk.path, source, chunk.start, chunk.end);
                if (chunk.index == 0) {
                    QFile file(chunk.path);
                    ASSERT_TRUE(file.resize(file.size() - cut));
                }
                split->PrepareChunk(chunk, facts);
            }
            split->Join(chunks, facts, joined);
            ADD_FAILURE() << "a chunk cut short was joined";
        } catch (const ComponentError& e) {
            EXPECT_TRUE(e.Message().contains(facts.shownPath)) << e.Message().toStdString();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, LosslessSplit, ::testing::ValuesIn(kCases),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace
