// Opus encoded in parts and joined, against a one-job encode of the same source, both decoded by
// FFmpeg: the same length, no more difference at the joins than elsewhere, no click in a sine,
// and a stream opusinfo and ffprobe accept.
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <random>
#include <vector>

#include "audio/audio_test_signals.h"
#include "components/component_error.h"
#include "formats/encoders.h"
#include "formats/ogg_length.h"
#include "formats/output_split.h"
#include "support/join_measure.h"
#include "support/temp_dir.h"
#include "support/tool_run.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

constexpr int kStereo = 2;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Through the unit's own encoder with its default settings (128 Kbps, VBR).
void Encode(const QString& path, int rate, int channels, const std::vector<float>& source,
            std::int64_t from, std::int64_t to) {
    auto encoder = CreateOpusEncoder(path, path, rate, channels, 128, true);
    for (std::int64_t f = from; f < to; f += 2034) {
        encoder->Write(source.data() + f * channels, std::min<std::int64_t>(2034, to - f));
    }
    encoder->Finish();
}

std::vector<float> Decode(const QString& path) {
    const QByteArray raw =
        ToolOutput(S("ffmpeg"), {S("-v"), S("error"), S("-i"), path, S("-f"), S("f32le"), S("-c:a"),
                                 S("pcm_f32le"), S("-ar"), S("48000"), S("-")});
    std::vector<float> out(static_cast<std::size_t>(raw.size()) / sizeof(float));
    std::memcpy(out.data(), raw.constData(), out.size() * sizeof(float));
    return out;
}

// Chunk starts on the rule's grid, `count` about equal chunks.
std::vector<std::int64_t> Starts(std::int64_t frames, int count, std::int64_t grid) {
    std::vector<std::int64_t> starts;
    for (int k = 0; k < count; ++k) {
        starts.push_back(frames * k / count / grid * grid);
    }
    return starts;
}

// Encodes the chunks as the engine does, each from its lead-in (no further back than the row's
// start) to its lead-out, then joins them.
void SplitEncode(const TempDir& dir, const QString& out, int rate, int channels,
                 const std::vector<float>& source, const std::vector<std::int64_t>& starts) {
    const OutputSplit& split = *OpusSplit();
    const std::int64_t frames = static_cast<std::int64_t>(source.size()) / channels;
    const SplitRule rule = split.Rule(rate, {rate, channels, 0, false});
    ASSERT_GT(rule.grid, 0);
    JoinFacts facts{rate, {rate, channels, 0, false}, frames, {}, out};
    std::vector<OutputChunk> chunks;
    for (std::size_t k = 0; k < starts.size(); ++k) {
        OutputChunk c;
        c.path = dir.File(QStringLiteral("part%1.opus").arg(k));
        c.start = starts[k];
        c.end = k + 1 < starts.size() ? starts[k + 1] : frames;
        c.leadIn = k > 0 ? std::min(rule.leadIn, c.start) : 0;
        c.leadOut = k + 1 < starts.size() ? rule.leadOut : 0;
        c.index = static_cast<int>(k);
        c.count = static_cast<int>(starts.size());
        Encode(c.path, rate, channels, source, c.start - c.leadIn, c.end + c.leadOut);
        split.PrepareChunk(c, facts);
        chunks.push_back(std::move(c));
    }
    split.Join(chunks, facts, out);
}

// Music-like, the channels at different levels: chords, bass and noise hits, with at each join in
// turn a transient (a loud noise burst starting on it), digital silence around it, or a pure sine
// through it.
std::vector<float> MusicWithJoins(int rate, int channels, std::int64_t frames,
                                  const std::vector<std::int64_t>& joins) {
    std::vector<float> out(static_cast<std::size_t>(frames * channels));
    std::mt19937 random(7);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    for (std::int64_t f = 0; f < frames; ++f) {
        const double t = static_cast<double>(f) / rate;
        const double root = 220.0 * std::pow(2.0, (static_cast<int>(t / 2) % 5) * 2 / 12.0);
        double tone = 0;
        for (const double ratio : {1.0, 1.26, 1.5, 2.0}) {
            tone += 0.08 * std::sin(kTwoPi * root * ratio * t) +
                    0.03 * std::sin(2 * kTwoPi * root * ratio * t);
        }
        const double beat = std::fmod(t, 0.5);
        const double common = 0.2 * std::sin(kTwoPi * root / 2 * t) * std::exp(-3 * beat) +
                              0.15 * noise(random) * std::exp(-40 * beat);
        const double pan = 0.5 + 0.4 * std::sin(kTwoPi * t / 17);
        double left = tone * (1 - pan) + common;
        double right = tone * pan + common;
        for (std::size_t j = 0; j < joins.size(); ++j) {
            const double from = static_cast<double>(f - joins[j]) / rate;  // seconds after it
            if (std::fabs(from) > 0.5) {
                continue;
            }
            if (j % 3 == 0 && from >= 0) {
                const double hit = 0.8 * noise(random) * std::exp(-30 * from);
                left += hit;
                right += hit;
            } else if (j % 3 == 1 && std::fabs(from) < 0.3) {
                left = right = 0;
            } else if (j % 3 == 2) {
                left = right = 0.5 * std::sin(kTwoPi * 1000 * t);
            }
        }
        for (int ch = 0; ch < channels; ++ch) {
            out[static_cast<std::size_t>(f * channels + ch)] =
                static_cast<float>((ch % 2 == 0 ? left : right) * (1 - 0.1 * ch));
        }
    }
    return out;
}

struct Case {
    int rate;
    int chunks;
    int channels;
};

class OpusSplitTest : public ::testing::TestWithParam<Case> {};

TEST_P(OpusSplitTest, JoinedSoundsAndCountsAsOneJob) {
    const Case c = GetParam();
    TempDir dir;
    const std::int64_t frames = std::int64_t{40} * c.rate + 1234;
    const std::int64_t grid = OpusSplit()->Rule(c.rate, {c.rate, c.channels, 0, false}).grid;
    const std::vector<std::int64_t> starts = Starts(frames, c.chunks, grid);
    const std::vector<std::int64_t> joins(starts.begin() + 1, starts.end());
    const std::vector<float> source = MusicWithJoins(c.rate, c.channels, frames, joins);
    const QString whole = dir.File(S("whole.opus"));
    const QString joined = dir.File(S("joined.opus"));
    Encode(whole, c.rate, c.channels, source, 0, frames);
    SplitEncode(dir, joined, c.rate, c.channels, source, starts);

    const std::vector<float> a = Decode(whole);
    const std::vector<float> b = Decode(joined);
    const std::int64_t length = (frames * 48000 + c.rate - 1) / c.rate;
    ASSERT_EQ(a.size(), static_cast<std::size_t>(length * c.channels));
    ASSERT_EQ(b.size(), a.size());
    int countedRate = 0;
    EXPECT_EQ(OggStreamFrames(joined, countedRate), length);
    if (c.chunks == 1) {
        EXPECT_EQ(a, b);  // the same packets, paged anew
    }
    // Decoded, a join lies where its first packet starts: the pre-skip before its start.
    std::vector<std::int64_t> decodedJoins;
    for (const std::int64_t j : joins) {
        decodedJoins.push_back(j * 48000 / c.rate - 312);
    }
    const JoinMeasure m = MeasureJoins(a, b, c.channels, 48000, decodedJoins);
    std::printf("%d Hz, %d chunks: at joins %g, p99 %g\n", c.rate, c.chunks, m.atJoins, m.p99);
    EXPECT_TRUE(m.Seamless()) << m.atJoins << " > " << m.p99;

    int rc = 0;
    const QString info = RunTool(S("opusinfo"), {joined}, &rc);
    EXPECT_EQ(rc, 0) << info.toStdString();
    EXPECT_FALSE(info.contains(S("WARNING")) || info.contains(S("ERROR"))) << info.toStdString();
    const QStringList probe = {S("-v"),  S("error"),  S("-show_entries"), S("format=duration"),
                               S("-of"), S("csv=p=0")};
    EXPECT_EQ(ToolOutput(S("ffprobe"), probe + QStringList{joined}),
              ToolOutput(S("ffprobe"), probe + QStringList{whole}));
}

INSTANTIATE_TEST_SUITE_P(Chunks, OpusSplitTest,
                         ::testing::Values(Case{44100, 1, 2}, Case{44100, 2, 2}, Case{44100, 7, 2},
                                           Case{48000, 7, 2}, Case{96000, 7, 2},
                                           Case{48000, 7, 6}));

TEST(OpusSplit, NoClickInASineThroughTheJoins) {
    TempDir dir;
    const int rate = 44100;
    const AudioBuffer sine = Sine(rate, kStereo, 997, 18 * rate);
    const std::vector<float> source(sine.Data(), sine.Data() + sine.FrameCount() * kStereo);
    const std::vector<std::int64_t> starts =
        Starts(18 * rate, 3, OpusSplit()->Rule(rate, {rate, kStereo, 0, false}).grid);
    const QString joined = dir.File(S("joined.opus"));
    SplitEncode(dir, joined, rate, kStereo, source, starts);
    std::vector<std::int64_t> joins;
    for (std::size_t k = 1; k < starts.size(); ++k) {
        joins.push_back(starts[k] * 48000 / rate - 312);
    }
    // The ends, where the coder starts and stops, are no join.
    std::vector<float> decoded = Decode(joined);
    decoded.erase(decoded.begin(), decoded.begin() + 4800 * kStereo);
    decoded.resize(decoded.size() - 4800 * kStereo);
    for (std::int64_t& j : joins) {
        j -= 4800;
    }
    const StepMeasure m = MeasureSteps(decoded, kStereo, joins, 960);
    EXPECT_LE(m.atJoins, m.elsewhere);
}

// A join onto a full disk fails naming the output, with the system's reason.
TEST(OpusSplit, AFullDiskSaysSo) {
    TempDir dir;
    const int rate = 48000;
    const AudioBuffer sine = Sine(rate, kStereo, 440, 12 * rate);
    const std::vector<float> source(sine.Data(), sine.Data() + sine.FrameCount() * kStereo);
    try {
        SplitEncode(dir, S("/dev/full"), rate, kStereo, source, Starts(12 * rate, 2, 960));
        ADD_FAILURE() << "no error";
    } catch (const ComponentError& e) {
        EXPECT_EQ(e.Message(),
                  S("Cannot write /dev/full: ") + QString::fromLocal8Bit(std::strerror(ENOSPC)));
    }
}

}  // namespace
