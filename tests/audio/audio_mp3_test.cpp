// MP3 output through LAME and input through libmpg123: lengths, frequency, and the encoder
// settings as they appear in the file.
#include <gtest/gtest.h>

#include <QFile>
#include <functional>

#include "audio_test_signals.h"
#include "components/component_error.h"
#include "components/lame_encoder_settings.h"
#include "formats/configure_writer.h"
#include "outside/audio/audio_factory.h"
#include "settings/settings_file.h"
#include "support/temp_dir.h"

namespace {

// What the encoder configuration sends when no settings file exists.
LameEncoderSettings DefaultSettings() {
    const TempDir dir;
    const SettingsFile none(dir.File(QStringLiteral("none.ini")));
    LameEncoderSettings s;
    auto writer = CreateAudioFile();
    ConfigureWriter(0, none, QString(), s, *writer);
    return s;
}

class Mp3Test : public ::testing::Test {
  protected:
    QString Encode(LameEncoderSettings& settings, const AudioBuffer& input, int sourceRate) {
        const QString path = dir_.File(QStringLiteral("out.mp3"));
        writer_->SetMp3Encoder(settings);
        WriteThrough(*writer_, path, sourceRate, input);
        return path;
    }
    // The first audio frame: after the LAME header frame when there is one.
    MpegHeader AudioFrame(const QString& path) {
        const QByteArray bytes = ::ReadAll(path);
        MpegHeader first = FindMpegHeader(bytes);
        return FindMpegHeader(bytes, first.offset + first.frameBytes);
    }
    bool HasHeaderFrame(const QString& path) {
        const QByteArray bytes = ::ReadAll(path);
        const QByteArray first = bytes.left(FindMpegHeader(bytes).frameBytes);
        return first.contains("Xing") || first.contains("Info");
    }

    TempDir dir_;
    std::unique_ptr<IAudioFile2> writer_ = CreateAudioFile();
    std::unique_ptr<IAudioFile2> reader_ = CreateAudioFile();
};

TEST_F(Mp3Test, DefaultSettingsGiveGaplessStereo96kAt44100) {
    LameEncoderSettings settings = DefaultSettings();
    const AudioBuffer input = Sine(44100, 2, 1000.0, 44100);
    const QString path = Encode(settings, input, 44100);

    EXPECT_FALSE(::ReadAll(path).startsWith("ID3"));
    EXPECT_TRUE(HasHeaderFrame(path));
    const MpegHeader h = AudioFrame(path);
    ASSERT_TRUE(h.found);
    EXPECT_EQ(h.kbps, 96);
    EXPECT_EQ(h.sampleRate, 44100);
    EXPECT_EQ(h.mode, 0);

    const AudioBuffer back = ReadAll(*reader_, path);
    reader_->Open(path);
    EXPECT_EQ(reader_->SampleRate(), 44100);
    EXPECT_EQ(reader_->Channels(), 2);
    EXPECT_EQ(reader_->Length(), static_cast<std::int64_t>(back.FrameCount()));
    EXPECT_NEAR(static_cast<double>(reader_->Length()), 44100.0, 1152.0);
    EXPECT_NEAR(reader_->Duration(), 1000, 27);
    EXPECT_NEAR(EstimateFrequency(back, 44100, 1), 1000.0, 3.0);
}

TEST_F(Mp3Test, MonoLowRateAndResamplingFollowTheSettings) {
    LameEncoderSettings settings = DefaultSettings();
    settings.SetOutputChannels(1);
    settings.SetSampleRate(22050);
    settings.SetBitrate(64);
    const QString path = Encode(settings, Sine(48000, 2, 700.0, 48000), 48000);
    const MpegHeader h = AudioFrame(path);
    EXPECT_EQ(h.kbps, 64);
    EXPECT_EQ(h.sampleRate, 22050);
    EXPECT_EQ(h.mode, 3);
    const AudioBuffer back = ReadAll(*reader_, path);
    EXPECT_EQ(back.Channels(), 1);
    EXPECT_NEAR(static_cast<double>(back.FrameCount()), 22050.0, 1152.0);
    EXPECT_NEAR(EstimateFrequency(back, 22050), 700.0, 3.0);
}

TEST_F(Mp3Test, StereoModeMakesStereoFromAMonoSource) {
    LameEncoderSettings settings = DefaultSettings();
    settings.SetChannelMode(2);
    const QString path = Encode(settings, Sine(44100, 1, 440.0, 22050), 44100);
    EXPECT_EQ(AudioFrame(path).mode, 1);
    reader_->Open(path);
    EXPECT_EQ(reader_->Channels(), 2);
}

TEST_F(Mp3Test, VbrHeaderIsWrittenOnlyWhenAskedAndHeaderlessVbrKeepsItsTrueLength) {
    LameEncoderSettings settings = DefaultSettings();
    settings.SetVbrMethod(0);
    settings.SetBitrate(32);
    settings.SetVbrBitrate(320);
    const AudioBuffer input = Sine(44100, 2, 440.0, 30000);
    QString path = Encode(settings, input, 44100);
    EXPECT_TRUE(::ReadAll(path).left(2000).contains("Xing"));
    reader_->Open(path);
    EXPECT_NEAR(static_cast<double>(reader_->Length()), 30000.0, 1152.0);

    settings.SetWriteVbrHeader(false);
    path = Encode(settings, input, 44100);
    EXPECT_FALSE(HasHeaderFrame(path));
    const AudioBuffer back = ReadAll(*reader_, path);
    reader_->Open(path);
    // Without the header the decoder cannot drop the encoder delay, but the length it reports
    // is still the length it delivers.
    EXPECT_EQ(reader_->Length(), static_cast<std::int64_t>(back.FrameCount()));
    EXPECT_NEAR(static_cast<double>(reader_->Length()), 30000.0, 3 * 1152.0);
}

TEST_F(Mp3Test, CommandLineSwitchesApplyAfterTheSettings) {
    LameEncoderSettings settings = DefaultSettings();
    settings.SetCommandLine(QStringLiteral("-b 128 -m j --resample 32 -q 7 --nores"));
    const QString path = Encode(settings, Sine(44100, 2, 440.0, 8000), 44100);
    const MpegHeader h = AudioFrame(path);
    EXPECT_EQ(h.kbps, 128);
    EXPECT_EQ(h.mode, 1);
    EXPECT_EQ(h.sampleRate, 32000);

    // A broken command line is refused when the writer is configured, before any output.
    for (const char* bad : {"--bogus", "-b", "-b fast", "-m x", "song.wav", "--preset loud",
                            "--resample 45", "--highpass x", "--preset fast 128"}) {
        settings.SetCommandLine(QString::fromLatin1(bad));
        try {
            writer_->SetMp3Encoder(settings);
            ADD_FAILURE() << bad << " accepted";
        } catch (const ComponentError& e) {
            const QString first = QString::fromLatin1(bad).section(QLatin1Char(' '), 0, 0);
            EXPECT_TRUE(e.Message().contains(first)) << e.what();
        }
    }
}

TEST_F(Mp3Test, PresetsAndExplicitSettingsFollowWhicheverWasSentLast) {
    LameEncoderSettings settings = DefaultSettings();
    settings.SetPreset(1);  // "Phone": 8 kHz mono 16 kbps
    QString path = Encode(settings, Sine(44100, 2, 300.0, 8000), 44100);
    MpegHeader h = AudioFrame(path);
    EXPECT_EQ(h.sampleRate, 8000);
    EXPECT_EQ(h.mode, 3);
    EXPECT_EQ(h.kbps, 16);

    settings = DefaultSettings();  // the same object, explicit values sent again
    settings.SetPreset(1);
    settings.SetBitrate(96);
    settings.SetSampleRate(44100);
    settings.SetChannelMode(1);
    path = Encode(settings, Sine(44100, 2, 300.0, 8000), 44100);
    h = AudioFrame(path);
    EXPECT_EQ(h.sampleRate, 44100);
    EXPECT_EQ(h.kbps, 96);

    settings.SetAltPreset(9);
    EXPECT_THROW(writer_->SetMp3Encoder(settings), ComponentError);
}

TEST_F(Mp3Test, OutOfRangeSettingsAreRefusedWhenConfigured) {
    const std::function<void(LameEncoderSettings&)> cases[] = {
        [](auto& s) { s.SetSampleRate(12345); },
        [](auto& s) { s.SetChannelMode(7); },
        [](auto& s) { s.SetVbrMethod(2), s.SetBitrate(128), s.SetVbrBitrate(64); },
    };
    for (const auto& apply : cases) {
        LameEncoderSettings settings = DefaultSettings();
        apply(settings);
        EXPECT_THROW(writer_->SetMp3Encoder(settings), ComponentError);
    }
}

}  // namespace

namespace {

// Every value the settings dialog can send (and each named switch) reaches LAME as something it
// accepts: the file is written and decodes to the input's length.
struct OptionCase {
    const char* name;
    std::function<void(LameEncoderSettings&)> apply;
};

const OptionCase kOptionCases[] = {
    {"vbr_default", [](auto& s) { s.SetVbrMethod(0); }},
    {"vbr_old", [](auto& s) { s.SetVbrMethod(1), s.SetVbrBitrate(256); }},
    {"vbr_new", [](auto& s) { s.SetVbrMethod(2), s.SetVbrBitrate(256); }},
    {"vbr_mtrh_q0", [](auto& s) { s.SetVbrMethod(3), s.SetVbrQuality(0), s.SetVbrBitrate(320); }},
    {"joint", [](auto& s) { s.SetChannelMode(2); }},
    {"forced_joint", [](auto& s) { s.SetChannelMode(3); }},
    {"dual", [](auto& s) { s.SetChannelMode(4); }},
    {"deemphasis_50_15", [](auto& s) { s.SetDeemphasis(1); }},
    {"deemphasis_ccitt", [](auto& s) { s.SetDeemphasis(2); }},
    {"ath_only", [](auto& s) { s.SetAthMode(1); }},
    {"ath_off", [](auto& s) { s.SetAthMode(2); }},
    {"ath_short", [](auto& s) { s.SetAthMode(3); }},
    {"filters", [](auto& s) { s.SetLowpassFrequency(15160), s.SetHighpassFrequency(30); }},
    {"expert_flags",
     [](auto& s) {
         s.SetCrc(true), s.SetStrictIso(true), s.SetBitReservoir(false), s.SetShortBlocks(false),
             s.SetAllowDiffBlockTypes(true), s.SetEnforceMinBitrate(true);
     }},
    {"quality_0", [](auto& s) { s.SetQuality(0); }},
    {"rate_8000", [](auto& s) { s.SetSampleRate(8000), s.SetBitrate(32); }},
    {"rate_48000", [](auto& s) { s.SetSampleRate(48000), s.SetBitrate(320); }},
    {"preset_phone", [](auto& s) { s.SetPreset(1); }},
    {"preset_voice", [](auto& s) { s.SetPreset(5); }},
    {"preset_studio", [](auto& s) { s.SetPreset(10); }},
    {"preset_r3mix", [](auto& s) { s.SetPreset(11); }},
    {"alt_fast_standard", [](auto& s) { s.SetAltPreset(1); }},
    {"alt_insane", [](auto& s) { s.SetAltPreset(5); }},
    {"switches_vbr",
     [](auto& s) { s.SetCommandLine(QStringLiteral("-V2 --vbr-new -B 256 --lowpass 17 -h")); }},
    {"switches_abr", [](auto& s) { s.SetCommandLine(QStringLiteral("--abr 160 --vbr-old -f")); }},
    {"switches_presets",
     [](auto& s) { s.SetCommandLine(QStringLiteral("--preset fast extreme --cbr -b 192")); }},
    {"switches_mono",
     [](auto& s) {
         s.SetCommandLine(QStringLiteral("-m m --resample 22.05 --highpass 0.1 -B 128 -b 48"));
     }},
    {"switches_iso",
     [](auto& s) { s.SetCommandLine(QStringLiteral("--strictly-enforce-ISO --nores -q 2")); }},
};

class Mp3Option : public ::testing::TestWithParam<OptionCase> {};

TEST_P(Mp3Option, IsAcceptedAndDecodesToTheInputLength) {
    TempDir dir;
    LameEncoderSettings settings = DefaultSettings();
    GetParam().apply(settings);
    auto writer = CreateAudioFile();
    writer->SetMp3Encoder(settings);
    const QString path = dir.File(QStringLiteral("option.mp3"));
    WriteThrough(*writer, path, 44100, Sine(44100, 2, 440.0, 11025));
    auto reader = CreateAudioFile();
    reader->Open(path);
    const double seconds = static_cast<double>(reader->Length()) / reader->SampleRate();
    // At low CBR rates the LAME header frame does not fit in one frame and LAME leaves it out
    // (the lame program does the same), so the encoder delay and padding stay in: up to two
    // frames more.
    EXPECT_NEAR(seconds, 0.25, 2 * 1152.0 / reader->SampleRate());
}

INSTANTIATE_TEST_SUITE_P(Settings, Mp3Option, ::testing::ValuesIn(kOptionCases),
                         [](const auto& param_info) { return std::string(param_info.param.name); });

}  // namespace
