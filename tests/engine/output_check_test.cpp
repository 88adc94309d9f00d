// The check of every written output, on the real components: it passes what is right (its
// counts and MD5s agree with independent tools) and turns what is wrong into a failed row.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <cmath>

#include "../audio/audio_test_signals.h"
#include "components/audio_transform.h"
#include "components/lame_encoder_settings.h"
#include "engine/convert_batch.h"
#include "engine/main_state.h"
#include "engine/normalize_batch.h"
#include "engine/output_check.h"
#include "outside/audio/audio_factory.h"
#include "real_batch_test.h"
#include "recording_host.h"
#include "support/temp_dir.h"
#include "support/tool_run.h"
#include "tags/tag_carry.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

// Two seconds: the block loop's last block is a whole one of its own (738 frames).
constexpr std::int64_t kFrames = 2 * 44100;

class OutputCheckTest : public RealBatchTest {
  protected:
    void SetUp() override {
        auto w = CreateAudioFile();
        w->SetWaveFormat(44100, 2, 16);
        input = dir.File(S("in.wav"));
        WriteThrough(*w, input, 44100, Sine(44100, 2, 440, kFrames, 0.5));
    }

    // One batch over the input; the row's result.
    RecordingHost::Done Convert(int format, bool normalize = false) {
        host = RecordingHost();
        QDir(outDir).removeRecursively();
        host.Add(
            S("Tone"), input,
            AudioFileinfo{S("Tone"), S("Quorvel"), S("2026"), S("Bench"), S("c"), S("Ambient"), 0});
        state.appSettings.OutputFormat = format;
        BatchParts parts{state, *reader, *writer, encoder, *transform, QString(), outDir};
        if (normalize) {
            NormalizeAll(parts, host);
        } else {
            ConvertAll(parts, host);
        }
        EXPECT_EQ(host.done.size(), 1u);
        return host.done.empty() ? RecordingHost::Done{} : host.done[0];
    }

    // Whatever is in the output folder, hidden files included.
    QStringList Left() const {
        return QDir(outDir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QString input;
};

struct FormatCase {
    int format;
    const char* extension;
    bool lossless;  // its receipt carries MD5s
};

// Every output format: the check passes a normal conversion, and its counts are those ffmpeg
// decodes (ffprobe's edit-list length for MP4, sox for the headerless VOX); a lossless output's
// MD5 is that of ffmpeg's PCM.
TEST_F(OutputCheckTest, EveryFormatPassesAndItsCountsAreThoseOfAnIndependentDecoder) {
    const FormatCase cases[] = {{0, "mp3", false}, {1, "wav", true},   {5, "flac", true},
                                {3, "ogg", false}, {6, "opus", false}, {7, "m4a", false},
                                {8, "m4a", true},  {9, "aiff", true},  {10, "wv", true},
                                {4, "vox", false}};
    for (const FormatCase& c : cases) {
        const RecordingHost::Done done = Convert(c.format);
        ASSERT_EQ(done.outcome, RowState::Finished) << c.extension << done.reason.toStdString();
        const OutputReceipt& r = done.receipt;
        ASSERT_TRUE(r.checked) << c.extension;
        EXPECT_TRUE(r.failure.isEmpty()) << c.extension << r.failure.toStdString();
        EXPECT_EQ(r.samplesIn, kFrames) << c.extension;
        const QString out = done.output;
        std::int64_t counted = 0;
        if (QString::fromLatin1(c.extension) == S("m4a")) {
            // ffmpeg decodes an MP4 track's last frame whole; the edit list's length is ffprobe's.
            counted = QString::fromLatin1(
                          ToolOutput(S("ffprobe"), {S("-v"), S("error"), S("-show_entries"),
                                                    S("stream=duration_ts"), S("-of"),
                                                    S("default=nw=1:nk=1"), out}))
                          .trimmed()
                          .toLongLong();
        } else if (c.format == 4) {
            counted = ToolOutput(S("sox"), {S("-t"), S("vox"), S("-r"), QString::number(r.rateOut),
                                            out, S("-t"), S("s16"), S("-")})
                          .size() /
                      2;
        } else {
            counted = ToolOutput(S("ffmpeg"), {S("-v"), S("error"), S("-i"), out, S("-ac"), S("1"),
                                               S("-f"), S("s16le"), S("-")})
                          .size() /
                      2;
        }
        EXPECT_EQ(r.samplesOut, counted) << c.extension;
        if (r.rateOut == 44100) {
            EXPECT_EQ(r.samplesOut, kFrames) << c.extension;
        }
        if (c.lossless) {
            const QByteArray pcm = ToolOutput(
                S("ffmpeg"), {S("-v"), S("error"), S("-i"), out, S("-f"), S("s16le"), S("-")});
            ASSERT_FALSE(pcm.isEmpty()) << "ffmpeg is missing: run scripts/setup";
            const QString md5 =
                QString::fromLatin1(QCryptographicHash::hash(pcm, QCryptographicHash::Md5).toHex());
            EXPECT_EQ(r.md5In, md5) << c.extension;
            EXPECT_EQ(r.md5Out, md5) << c.extension;
        } else {
            EXPECT_TRUE(r.md5Out.isEmpty()) << c.extension;
        }
        EXPECT_EQ(r.tagsWritten.contains(S("ARTIST")), true) << c.extension;
        EXPECT_EQ(r.tagsNotPlaced.contains(S("ARTIST")), c.format == 1 || c.format == 4)
            << c.extension;
    }
}

// The work's writer with one fault, on top of the job's real writer.
class FaultyWriter : public FedWriter {
  public:
    enum class Fault { DropLastBlock, WrongSample };
    FaultyWriter(IAudioFile2& writer, Fault fault) : FedWriter(writer, false), fault_(fault) {}
    void WriteBuffer(AudioBuffer& buffer) override {
        if (fault_ == Fault::WrongSample) {
            if (!changed_ && !buffer.Empty()) {
                buffer.Data()[buffer.SampleCount() / 2] += 0.25f;
                changed_ = true;
            }
            FedWriter::WriteBuffer(buffer);
            return;
        }
        // Each block goes on when the next arrives: the last one never does.
        if (!held_.Empty()) {
            FedWriter::WriteBuffer(held_);
        }
        held_ = buffer;
    }
    void CreateOutput(const QString& name) override {
        held_ = AudioBuffer();
        changed_ = false;
        FedWriter::CreateOutput(name);
    }

  private:
    Fault fault_;
    AudioBuffer held_;
    bool changed_ = false;
};

// A reader that takes the ARTIST tag out of an output just before it is read back.
class TagLosingReader : public FedWriter {
  public:
    TagLosingReader(IAudioFile2& reader, QString input)
        : FedWriter(reader, false), input_(std::move(input)) {}
    void Open(const QString& name) override {
        if (name != input_) {
            TagSet tags = ReadTagSet(name);
            tags.fields.remove(S("ARTIST"));
            WriteTagSet(name, tags, CarryWrite::Replace);
        }
        FedWriter::Open(name);
    }

  private:
    QString input_;
};

// A transform whose fade leaves a sample that is not a number.
class NanTransform : public IAudioTransform2 {
  public:
    explicit NanTransform(IAudioTransform2& real) : real_(real) {}
    void Fade(AudioBuffer& buffer, float start, float end) override {
        real_.Fade(buffer, start, end);
        if (!buffer.Empty()) {
            buffer.Data()[0] = std::nanf("");
        }
    }
    void Normalize(AudioBuffer& buffer, float level, int channel) override {
        real_.Normalize(buffer, level, channel);
    }

  private:
    IAudioTransform2& real_;
};

struct FaultCase {
    const char* what;
    int format;
    bool check;
    const char* reason;  // empty: the row finishes (the check is off)
};

// A wrong output is a failed row whose reason says what the check found, and nothing of it is
// left; with [Convert] check=off the same output is named as before.
TEST_F(OutputCheckTest, AWrongOutputFailsItsRowAndIsDeleted) {
    const FaultCase cases[] = {
        {"drop", 1, true, "Check failed: the output holds 00:01 of 00:02"},
        {"drop", 1, false, ""},
        {"sample", 5, true, "Check failed: the output's samples are not those written"},
        {"nan", 1, true, "Check failed: the writer was given a sample that is not a number"},
        {"tag", 5, true, "Check failed: the tag ARTIST was not written"},
    };
    std::unique_ptr<IAudioFile2> realWriter = CreateAudioFile();
    std::unique_ptr<IAudioFile2> realReader = CreateAudioFile();
    std::unique_ptr<IAudioTransform2> realTransform = CreateAudioTransform();
    for (const FaultCase& c : cases) {
        const QString what = S(c.what);
        writer = std::make_unique<FaultyWriter>(
            *realWriter, what == S("drop") ? FaultyWriter::Fault::DropLastBlock
                                           : FaultyWriter::Fault::WrongSample);
        if (what == S("nan")) {
            writer = CreateAudioFile();
            transform = std::make_unique<NanTransform>(*realTransform);
            state.appSettings.FadeIn = true;
            state.appSettings.FadeInTime = 1;
        }
        if (what == S("tag")) {
            writer = CreateAudioFile();
            reader = std::make_unique<TagLosingReader>(*realReader, input);
        }
        state.appSettings.CheckOutputs = c.check;
        const RecordingHost::Done done = Convert(c.format);
        if (*c.reason == 0) {
            EXPECT_EQ(done.outcome, RowState::Finished) << c.what;
            EXPECT_FALSE(done.receipt.checked) << c.what;
            EXPECT_EQ(Left(), QStringList{S("Tone.wav")}) << c.what;
        } else {
            EXPECT_EQ(done.outcome, RowState::Failed) << c.what;
            EXPECT_EQ(done.reason, input + S(": ") + S(c.reason)) << c.what;
            EXPECT_TRUE(Left().isEmpty()) << c.what << Left().join(S(", ")).toStdString();
        }
        reader = CreateAudioFile();
        transform = CreateAudioTransform();
        state.appSettings = AppSettings();
    }
}

// The normalisation batch's receipt says the peak the output reached.
TEST_F(OutputCheckTest, ANormalisedCopyReportsThePeakItReached) {
    state.appSettings.NormalizeVolume = 90;
    const RecordingHost::Done done = Convert(1, true);
    ASSERT_EQ(done.outcome, RowState::Finished) << done.reason.toStdString();
    EXPECT_NEAR(done.receipt.peak, 0.90, 0.001);
    EXPECT_EQ(done.receipt.samplesOut, kFrames);
    EXPECT_TRUE(done.receipt.md5Out.isEmpty());  // the level changed: nothing to compare
}

}  // namespace
