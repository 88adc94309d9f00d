// Rows that stand for a part of their input (the tracks of an album image), converted end to end
// on the real components and checked with independent decoders: lossless tracks join into the
// image sample for sample, lossy tracks last exactly their part, Normalize measures only the
// part, and a re-run finds each track's own output.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <cmath>

#include "../audio/audio_test_signals.h"
#include "components/lame_encoder_settings.h"
#include "engine/convert_batch.h"
#include "engine/main_state.h"
#include "engine/normalize_batch.h"
#include "outside/audio/audio_factory.h"
#include "platform/source_mark.h"
#include "real_batch_test.h"
#include "recording_host.h"
#include "support/temp_dir.h"
#include "support/tool_run.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

// The decoded samples as 16-bit PCM, by ffmpeg.
QByteArray DecodedPcm(const QString& path) {
    return ToolOutput(S("ffmpeg"),
                      {S("-v"), S("error"), S("-i"), path, S("-f"), S("s16le"), S("-")});
}

// The frames a gapless player plays, as independent tools see them: mpg123 decodes MP3 by its
// LAME tag's delay and padding, ffprobe reads an MP4 track's length from its edit list (ffmpeg's
// decoding keeps the last frame's padding), ffmpeg trims Opus by its pre-skip and granules.
double PlayedFrames(const QString& path) {
    if (path.endsWith(S(".mp3"))) {
        return ToolOutput(S("mpg123"), {S("-q"), S("-s"), path}).size() / 4.0;
    }
    if (path.endsWith(S(".m4a"))) {
        return ToolOutput(S("ffprobe"), {S("-v"), S("error"), S("-show_entries"),
                                         S("stream=duration_ts"), S("-of"), S("csv=p=0"), path})
            .trimmed()
            .toDouble();
    }
    return DecodedPcm(path).size() / 4.0;
}

QString SoxImage(const TempDir& dir, const QString& name, const QStringList& synth) {
    const QString path = dir.File(name);
    ToolOutput(S("sox"), QStringList{S("-n"), S("-r"), S("44100"), S("-c"), S("2"), S("-b"),
                                     S("16"), path, S("synth")} +
                             synth);
    return path;
}

class EngineRangeTest : public RealBatchTest {
  protected:
    // One row per part of `input`, captioned as the tracks of a sheet would be.
    void AddTracks(const QString& input, const std::vector<SampleRange>& parts) {
        for (std::size_t i = 0; i < parts.size(); ++i) {
            const QString caption = S("%1 Track").arg(i + 1, 2, 10, QLatin1Char('0'));
            host.Add(caption, input, AudioFileinfo{caption, S("Quorvel"), {}, {}, {}, {}, 20000});
            host.rows.back().range = parts[i];
            host.rows.back().frequency = S("44100 Hz");
        }
    }

    QString Out(const QString& name) const { return outDir + QLatin1Char('/') + name; }
};

struct OutputCase {
    int format;
    const char* extension;
    bool lossless;
};

TEST_F(EngineRangeTest, TracksJoinIntoTheImageOrLastExactlyTheirPart) {
    const QString wav =
        SoxImage(dir, S("image.wav"),
                 {S("20"), S("sine"), S("220-2000"), S("square"), S("331"), S("gain"), S("-6")});
    const QString flac = dir.File(S("image.flac"));
    ToolOutput(S("flac"), {S("-s"), S("-f"), S("-o"), flac, wav});
    const QByteArray imagePcm = DecodedPcm(wav);
    const std::int64_t length = imagePcm.size() / 4;
    ASSERT_EQ(length, 20 * 44100);
    // CD frames, one odd point, the last track to the end; then a part beyond the audio. The
    // first track is 26 blocks and 36 frames: a short part's last frames must not be left out.
    const std::vector<SampleRange> tracks{{0, 588 * 90}, {588 * 90, 588001}, {588001, -1}};
    const SampleRange beyond{length - 588, length + 588 * 75};
    // Inputs in the output format would be copied as they are; a part never is.
    state.appSettings.CopySameFormat = true;
    for (const OutputCase& c :
         {OutputCase{5, ".flac", true}, OutputCase{1, ".wav", true}, OutputCase{0, ".mp3", false},
          OutputCase{6, ".opus", false}, OutputCase{7, ".m4a", false}}) {
        for (const QString& input : {wav, flac}) {
            host = RecordingHost();
            QDir(outDir).removeRecursively();
            state.appSettings.OutputFormat = c.format;
            std::vector<SampleRange> parts = tracks;
            parts.push_back(beyond);
            AddTracks(input, parts);
            BatchParts p = Parts();
            ConvertAll(p, host);
            const std::string what =
                std::string(c.extension) + " from " + QFileInfo(input).fileName().toStdString();
            ASSERT_EQ(host.done.size(), 4u) << what;
            // The part beyond the audio fails by itself, naming the file, and leaves nothing.
            EXPECT_EQ(host.done[3].outcome, RowState::Failed) << what;
            ASSERT_EQ(host.errors.size(), 1) << what;
            EXPECT_TRUE(host.errors[0].contains(input)) << host.errors[0].toStdString();
            EXPECT_TRUE(host.errors[0].contains(S("the audio ended at 00:20.000")))
                << host.errors[0].toStdString();
            EXPECT_FALSE(QFileInfo::exists(Out(S("04 Track") + S(c.extension))));
            QByteArray joined;
            for (std::size_t i = 0; i < tracks.size(); ++i) {
                ASSERT_EQ(host.done[i].outcome, RowState::Finished) << what << " track " << i;
                EXPECT_FALSE(host.done[i].note.contains(S("copied"))) << what;
                const QString& out = host.done[i].output;
                if (c.lossless) {
                    joined += DecodedPcm(out);
                }
                const std::int64_t want =
                    (tracks[i].end < 0 ? length : tracks[i].end) - tracks[i].start;
                // Opus plays at 48 kHz: the part's length at that rate, to the resampler's frame.
                const double frames = c.format == 6 ? want * 48000.0 / 44100.0 : double(want);
                const double played = PlayedFrames(out);
                EXPECT_LE(std::fabs(played - frames), c.format == 6 ? 1.0 : 0.0)
                    << what << " track " << i << ": " << played << " frames";
            }
            if (c.lossless) {
                EXPECT_EQ(QCryptographicHash::hash(joined, QCryptographicHash::Md5),
                          QCryptographicHash::hash(imagePcm, QCryptographicHash::Md5))
                    << what;
            }
        }
    }
}

// The level comes from the part alone: a quiet track of a loud image is brought up to the level
// itself, in one buffer and in the two passes of a long file (which opens the input again).
TEST_F(EngineRangeTest, NormalizeMeasuresOnlyThePart) {
    const QString quiet =
        SoxImage(dir, S("quiet.wav"), {S("5"), S("sine"), S("440"), S("vol"), S("0.1")});
    const QString loud =
        SoxImage(dir, S("loud.wav"), {S("5"), S("sine"), S("440"), S("vol"), S("0.9")});
    const QString image = dir.File(S("image.wav"));
    ToolOutput(S("sox"), {quiet, loud, image});
    state.appSettings.OutputFormat = 1;
    state.appSettings.NormalizeVolume = 50;
    for (const std::int64_t maxWhole : {std::int64_t{0}, std::int64_t{44100}}) {
        host = RecordingHost();
        QDir(outDir).removeRecursively();
        AddTracks(image, {{44100, 4 * 44100}});
        BatchParts p = Parts();
        NormalizeAll(p, host, maxWhole);
        ASSERT_EQ(host.done.size(), 1u);
        ASSERT_EQ(host.done[0].outcome, RowState::Finished)
            << host.errors.join(S("; ")).toStdString();
        const AudioBuffer out = ReadAll(*CreateAudioFile(), host.done[0].output);
        EXPECT_EQ(out.FrameCount(), 3u * 44100) << maxWhole;
        float peak = 0;
        for (const float v : out.Samples()) {
            peak = std::max(peak, std::fabs(v));
        }
        EXPECT_NEAR(peak, 0.5f, 0.01f) << maxWhole;
    }
}

// Two tracks of one image under the same name: the first run numbers the second, and a re-run
// that skips or updates finds each track's own output by the part its mark names.
TEST_F(EngineRangeTest, ReRunsFindEachTracksOwnOutput) {
    const QString image = SoxImage(dir, S("image.wav"), {S("4"), S("sine"), S("440")});
    const std::vector<SampleRange> tracks{{0, 44100}, {44100, -1}};
    auto run = [&](ExistingOutput rule) {
        host = RecordingHost();
        for (const SampleRange& t : tracks) {
            host.Add(S("Same"), image);
            host.rows.back().range = t;
            host.rows.back().frequency = S("44100 Hz");
        }
        state.NamingOverride = OutputNaming{QString(), rule, false};
        state.appSettings.OutputFormat = 1;
        BatchParts p = Parts();
        ConvertAll(p, host);
        std::vector<std::pair<RowState, QString>> done;
        for (const auto& d : host.done) {
            done.emplace_back(d.outcome, QFileInfo(d.output).fileName());
        }
        return done;
    };
    using Done = std::vector<std::pair<RowState, QString>>;
    EXPECT_EQ(run(ExistingOutput::Number),
              (Done{{RowState::Finished, S("Same.wav")}, {RowState::Finished, S("Same_1.wav")}}));
    EXPECT_EQ(OutputSource(Out(S("Same.wav"))), image + S("#0-44100"));
    EXPECT_EQ(OutputSource(Out(S("Same_1.wav"))), image + S("#44100-"));
    EXPECT_EQ(run(ExistingOutput::Skip),
              (Done{{RowState::Exists, S("Same.wav")}, {RowState::Exists, S("Same_1.wav")}}));
    // The image changed since: each track replaces its own output, and only that.
    const QDateTime later = QDateTime::currentDateTime().addSecs(60);
    QFile file(image);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(later, QFileDevice::FileModificationTime));
    file.close();
    EXPECT_EQ(run(ExistingOutput::Update),
              (Done{{RowState::Finished, S("Same.wav")}, {RowState::Finished, S("Same_1.wav")}}));
    EXPECT_EQ(ReadAll(*CreateAudioFile(), Out(S("Same.wav"))).FrameCount(), 44100u);
    EXPECT_EQ(ReadAll(*CreateAudioFile(), Out(S("Same_1.wav"))).FrameCount(), 3u * 44100);
    EXPECT_EQ(QDir(outDir).entryList(QDir::Files).size(), 2);
}

}  // namespace
