// MP3 written in parts and joined, against a one-job encode of the same source through the same
// writer and settings: the decoded length, the sound at the joins, and what independent readers
// make of the joined file.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <cstring>
#include <numbers>
#include <tuple>

#include "audio/audio_test_signals.h"
#include "bench/music_signal.h"
#include "components/component_error.h"
#include "components/lame_encoder_settings.h"
#include "formats/configure_writer.h"
#include "formats/output_split.h"
#include "outside/audio/audio_factory.h"
#include "settings/settings_file.h"
#include "support/join_measure.h"
#include "support/temp_dir.h"
#include "support/tool_run.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

constexpr int kRate = 44100;
// Where a frame boundary at source frame s lies in the gapless decoded stream: s less LAME's
// encoder delay and the decoder's.
constexpr std::int64_t kSeam = 576 + 529;

struct Setting {
    const char* name;
    std::vector<std::tuple<const char*, const char*, int>> keys;
    // Without the header frame decoders keep the delay, and ffprobe's duration is the size over
    // the bit rate (which the join may have raised in a frame to make room for the reservoir).
    bool header = true;
    // Parts fed with less lead-in than the rule's, out of step with LAME's frame padding: their
    // reservoirs differ from the one-job's, so the join must mend every one.
    std::int64_t leadIn = 0;
};
const Setting kSettings[] = {
    {"default (CBR 96)", {}},
    {"VBR new, quality 2, 32..320",
     {{"MP3VBR", "Coding Method", 3},
      {"MP3VBR", "vbr quality", 2},
      {"mp3", "bitrate", 3},
      {"MP3VBR", "vbr bitrate", 14}}},
    // No header frame: the parts have none to skip, the join none to write.
    {"CBR 128 without a header frame", {{"mp3", "bitrate", 11}, {"MP3VBR", "vbrck", 0}}, false},
    // Frame CRCs, which a frame given a new bit rate or reservoir pointer must have anew.
    {"default with CRCs, parts out of step", {{"MP3Expert", "crc", 1}}, true, 2 * 1152},
};

// Chunk starts on the grid, `count` chunks of about equal length.
std::vector<std::int64_t> Starts(int count, std::int64_t frames, std::int64_t grid) {
    std::vector<std::int64_t> starts;
    for (int k = 0; k < count; ++k) {
        starts.push_back(k * frames / count / grid * grid);
    }
    return starts;
}

void Encode(const SettingsFile& settings, const AudioBuffer& source, std::int64_t from,
            std::int64_t to, const QString& path) {
    const float* begin = source.Data() + from * 2;
    const AudioBuffer part(std::vector<float>(begin, begin + (to - from) * 2), 2);
    LameEncoderSettings encoder;
    auto writer = CreateAudioFile();
    ConfigureWriter(0, settings, QString(), encoder, *writer);
    WriteThrough(*writer, path, kRate, part);
}

std::vector<float> Decode(const QString& file, const QString& raw) {
    ToolOutput(S("ffmpeg"),
               {S("-v"), S("error"), S("-y"), S("-i"), file, S("-f"), S("f32le"), raw});
    const QByteArray bytes = ::ReadAll(raw);
    std::vector<float> samples(static_cast<std::size_t>(bytes.size()) / 4);
    std::memcpy(samples.data(), bytes.constData(), samples.size() * 4);
    return samples;
}

double Duration(const QString& file) {
    return ToolOutput(S("ffprobe"), {S("-v"), S("error"), S("-show_entries"), S("format=duration"),
                                     S("-of"), S("csv=p=0"), file})
        .trimmed()
        .toDouble();
}

TEST(Mp3Split, JoinedOutputsDecodeAsTheOneJobEncode) {
    const OutputSplit* split = Mp3Split();
    ASSERT_NE(split, nullptr);
    EXPECT_EQ(split->Rule(48000, {44100, 2, 16, false}).grid, 0);  // a resampling writer
    const SplitRule rule = split->Rule(kRate, {kRate, 2, 16, false});
    ASSERT_EQ(rule.grid % 1152, 0);

    TempDir dir;
    WriteMusicLikeWav(dir.File(S("music.wav")), 40);
    auto reader = CreateAudioFile();
    AudioBuffer source = ReadAll(*reader, dir.File(S("music.wav")));
    const auto frames = static_cast<std::int64_t>(source.FrameCount());
    // At the joins of seven chunks: a transient out of near silence, silence, a pure sine; the
    // join of two chunks on a transient; the rest music.
    const std::vector<std::int64_t> seven = Starts(7, frames, rule.grid);
    const std::int64_t two = Starts(2, frames, rule.grid)[1];
    float* s = source.Data();
    const std::int64_t sineFrom = seven[3] - kSeam - 2 * kRate,
                       sineTo = seven[3] - kSeam + 2 * kRate;
    for (std::int64_t i = 0; i < frames; ++i) {
        for (const std::int64_t at : {seven[1] - kSeam, two - kSeam}) {
            if (i >= at - kRate / 10 && i < at) {
                s[2 * i] *= 0.02f, s[2 * i + 1] *= 0.02f;
            } else if (i >= at && i < at + kRate / 10) {
                const float burst = 0.8f * std::exp(-60.0f * (i - at) / kRate) *
                                    static_cast<float>(std::sin(i * 0.7) * std::sin(i * 0.13));
                s[2 * i] = burst, s[2 * i + 1] = -burst;
            }
        }
        if (std::llabs(i - (seven[2] - kSeam)) < kRate / 2) {
            s[2 * i] = s[2 * i + 1] = 0;
        }
        if (i >= sineFrom && i < sineTo) {
            s[2 * i] = s[2 * i + 1] =
                static_cast<float>(0.5 * std::sin(2 * std::numbers::pi * 1000.0 * i / kRate));
        }
    }

    for (const Setting& setting : kSettings) {
        SCOPED_TRACE(setting.name);
        SettingsFile settings(dir.File(S("settings.ini")));
        QFile::remove(settings.FileName());
        for (const auto& [section, key, value] : setting.keys) {
            settings.WriteNumber(S(section), S(key), value);
        }
        const QString whole = dir.File(S("whole.mp3"));
        Encode(settings, source, 0, frames, whole);
        const std::vector<float> oneJob = Decode(whole, dir.File(S("whole.raw")));
        const double wholeDuration = Duration(whole);

        for (const int count : {1, 2, 7}) {
            SCOPED_TRACE(count);
            const JoinFacts facts{kRate, {kRate, 2, 16, false}, frames, {}, dir.File(S("out.mp3"))};
            std::vector<OutputChunk> chunks;
            const std::vector<std::int64_t> starts = Starts(count, frames, rule.grid);
            std::vector<std::int64_t> seams;
            for (int k = 0; k < count; ++k) {
                OutputChunk c;
                c.path = dir.File(S("part%1.mp3").arg(k));
                c.start = starts[static_cast<std::size_t>(k)];
                c.end = k + 1 < count ? starts[static_cast<std::size_t>(k) + 1] : frames;
                c.leadIn = k > 0 ? (setting.leadIn > 0 ? setting.leadIn : rule.leadIn) : 0;
                c.leadOut = k + 1 < count ? rule.leadOut : 0;
                c.index = k;
                c.count = count;
                Encode(settings, source, c.start - c.leadIn, c.end + c.leadOut, c.path);
                split->PrepareChunk(c, facts);
                chunks.push_back(std::move(c));
                if (k > 0) {
                    seams.push_back(starts[static_cast<std::size_t>(k)] -
                                    (setting.header ? kSeam : 0));
                }
            }
            const QString joined = dir.File(S("joined.mp3"));
            split->Join(chunks, facts, joined);

            const std::vector<float> decoded = Decode(joined, dir.File(S("joined.raw")));
            ASSERT_EQ(decoded.size(), oneJob.size());
            const JoinMeasure m = MeasureJoins(oneJob, decoded, 2, kRate, seams);
            std::printf("%s, %d chunks: atJoins %.4g p99 %.4g\n", setting.name, count, m.atJoins,
                        m.p99);
            EXPECT_TRUE(m.Seamless()) << m.atJoins << " > " << m.p99;
            for (const std::int64_t seam : seams) {
                if (seam > sineFrom + kRate / 10 && seam < sineTo - kRate / 10) {
                    const auto from = static_cast<std::size_t>(sineFrom + kRate / 10) * 2;
                    const std::vector<float> sine(decoded.begin() + from,
                                                  decoded.begin() + (sineTo - kRate / 10) * 2);
                    const StepMeasure steps =
                        MeasureSteps(sine, 2, {seam - sineFrom - kRate / 10}, 1152);
                    EXPECT_LE(steps.atJoins, steps.elsewhere);
                }
            }
            // The stream as libmpg123's own tool checks it: every frame, no reservoir complaint.
            int rc = 0;
            const QString check = RunTool(S("mpg123"), {S("-t"), joined}, &rc);
            EXPECT_EQ(rc, 0);
            for (const char* complaint : {"rror", "llegal", "big_values", "Can't", "arning"}) {
                EXPECT_FALSE(check.contains(S(complaint))) << check.toStdString();
            }
            EXPECT_EQ(RunTool(S("ffmpeg"),
                              {S("-v"), S("error"), S("-err_detect"), S("crccheck"), S("-i"),
                               joined, S("-f"), S("null"), S("-")},
                              &rc),
                      QString());
            EXPECT_NEAR(Duration(joined), wholeDuration, setting.header ? 0 : 0.1);
            if (count == 2) {
                // A full disk and a damaged part are errors naming the output and the cause.
                const auto message = [&](const QString& to) {
                    try {
                        split->Join(chunks, facts, to);
                    } catch (const ComponentError& e) {
                        return e.Message();
                    }
                    return S("no error");
                };
                EXPECT_EQ(message(S("/dev/full")),
                          S("Cannot write %1: No space left on device").arg(facts.shownPath));
                QFile::resize(chunks[1].path, QFileInfo(chunks[1].path).size() - 100);
                try {
                    split->PrepareChunk(chunks[1], facts);
                    ADD_FAILURE() << "a damaged part was taken";
                } catch (const ComponentError& e) {
                    EXPECT_EQ(e.Message(),
                              S("Cannot join %1: part 2 of 2 is not a whole MP3 stream")
                                  .arg(facts.shownPath));
                }
            }
        }
    }
}

}  // namespace
