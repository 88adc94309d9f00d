// How the encoder settings reach LAME: the preset chosen last, VBR limits only in VBR, the
// command line read as the lame program reads it, and LAME's own block-type switch.
#include <gtest/gtest.h>
#include <lame/lame.h>

#include <QRandomGenerator>
#include <cmath>
#include <functional>

#include "audio_test_signals.h"
#include "components/lame_encoder_settings.h"
#include "outside/audio/audio_factory.h"
#include "outside/audio/lame_options.h"
#include "support/temp_dir.h"

namespace {

struct Stream {
    int sampleRate = 0;
    int mode = 0;
    std::vector<int> kbps;  // of every audio frame
    double MeanKbps() const {
        double sum = 0;
        for (const int k : kbps) {
            sum += k;
        }
        return kbps.empty() ? 0.0 : sum / static_cast<double>(kbps.size());
    }
    bool Constant() const {
        return std::adjacent_find(kbps.begin(), kbps.end(), std::not_equal_to<>()) == kbps.end();
    }
};

// The frames after the LAME header frame.
Stream Frames(const QString& path) {
    const QByteArray bytes = ::ReadAll(path);
    Stream s;
    MpegHeader h = FindMpegHeader(bytes);
    for (h = FindMpegHeader(bytes, h.offset + h.frameBytes); h.found && h.frameBytes > 0;
         h = FindMpegHeader(bytes, h.offset + h.frameBytes)) {
        s.sampleRate = h.sampleRate;
        s.mode = h.mode;
        s.kbps.push_back(h.kbps);
    }
    return s;
}

AudioBuffer Noise(int frames, double amplitude) {
    QRandomGenerator random(7);
    std::vector<float> samples(static_cast<std::size_t>(frames) * 2);
    for (float& v : samples) {
        v = static_cast<float>(amplitude * (random.generateDouble() * 2.0 - 1.0));
    }
    return AudioBuffer(std::move(samples), 2);
}

double Rms(const AudioBuffer& b) {
    double sum = 0;
    for (const float v : b.Samples()) {
        sum += static_cast<double>(v) * v;
    }
    return b.Empty() ? 0.0 : std::sqrt(sum / static_cast<double>(b.SampleCount()));
}

class Mp3Settings : public ::testing::Test {
  protected:
    QString Encode(IAudioFile2LameEnc& settings, const AudioBuffer& input) {
        const QString path = dir_.File(QStringLiteral("out.mp3"));
        writer_->SetMp3Encoder(settings);
        WriteThrough(*writer_, path, 44100, input);
        return path;
    }
    // The values the settings dialog sends for plain CBR at 96 kbps, with VBR "None".
    static void Cbr96(LameEncoderSettings& s) {
        s.SetVbrMethod(-1);
        s.SetChannelMode(1);
        s.SetBitrate(96);
        s.SetVbrBitrate(96);
        s.SetSampleRate(44100);
    }

    TempDir dir_;
    std::unique_ptr<IAudioFile2> writer_ = CreateAudioFile();
    std::unique_ptr<IAudioFile2> reader_ = CreateAudioFile();
};

TEST_F(Mp3Settings, ThePresetSentLastIsTheOneUsed) {
    const AudioBuffer input = Sine(44100, 2, 300.0, 44100);
    LameEncoderSettings settings;  // one object for the whole run, as in the program
    settings.SetPreset(3);         // "AM": 16 kHz mono, 40 kbps CBR
    settings.SetAltPreset(2);      // both flags on: the alt preset, sent second, wins
    Stream alt = Frames(Encode(settings, input));
    EXPECT_EQ(alt.sampleRate, 44100);
    EXPECT_NE(alt.mode, 3);

    settings.SetPreset(3);  // back to "Presets" in the same run
    const Stream am = Frames(Encode(settings, input));
    EXPECT_EQ(am.sampleRate, 16000);
    EXPECT_EQ(am.mode, 3);
    EXPECT_TRUE(am.Constant());
    EXPECT_EQ(am.kbps.front(), 40);

    Cbr96(settings);  // explicit settings after a preset replace it
    const Stream cbr = Frames(Encode(settings, input));
    EXPECT_EQ(cbr.sampleRate, 44100);
    EXPECT_TRUE(cbr.Constant());
    EXPECT_EQ(cbr.kbps.front(), 96);
}

TEST_F(Mp3Settings, CommandLineVbrIsNotCappedByTheCbrRate) {
    LameEncoderSettings settings;
    Cbr96(settings);
    settings.SetCommandLine(QStringLiteral("-V 0"));
    const Stream vbr = Frames(Encode(settings, Noise(88200, 0.3)));
    EXPECT_FALSE(vbr.Constant());
    EXPECT_GT(vbr.MeanKbps(), 160.0);

    // In a VBR mode the settings' rates are the limits.
    settings.SetCommandLine(QString());
    settings.SetVbrMethod(3);
    settings.SetBitrate(64);
    settings.SetVbrBitrate(128);
    const Stream limited = Frames(Encode(settings, Noise(88200, 0.3)));
    EXPECT_LE(*std::max_element(limited.kbps.begin(), limited.kbps.end()), 128);
}

// Switches as the lame program reads them; each case names what lame makes of it.
TEST_F(Mp3Settings, SwitchesMeanWhatTheyMeanToLame) {
    struct Case {
        const char* line;
        bool onNoise;  // bit rates show on noise, filters on the tone
        std::function<void(const Stream&, const AudioBuffer&)> check;
    };
    const AudioBuffer tone = Sine(44100, 2, 1000.0, 44100);
    const Case cases[] = {
        // 20 is 20 Hz for the high-pass (kHz only below 16): the tone stays.
        {"--highpass 20 --highpass-width 10", false,
         [&](const Stream&, const AudioBuffer& back) { EXPECT_GT(Rms(back), 0.8 * Rms(tone)); }},
        {"--lowpass -1 --highpass -5 --lowpass-width 2", false,
         [&](const Stream&, const AudioBuffer& back) { EXPECT_GT(Rms(back), 0.8 * Rms(tone)); }},
        {"--resample 22", false,
         [](const Stream& s, const AudioBuffer&) { EXPECT_EQ(s.sampleRate, 22050); }},
        {"--resample 44", false,
         [](const Stream& s, const AudioBuffer&) { EXPECT_EQ(s.sampleRate, 44100); }},
        {"--preset phone", false,
         [](const Stream& s, const AudioBuffer&) { EXPECT_EQ(s.mode, 3); }},
        {"--preset cd", true,
         [](const Stream& s, const AudioBuffer&) { EXPECT_NEAR(s.MeanKbps(), 192.0, 40.0); }},
        {"--preset fast standard", false,
         [](const Stream& s, const AudioBuffer&) { EXPECT_FALSE(s.kbps.empty()); }},
        {"--preset insane", false,
         [](const Stream& s, const AudioBuffer&) { EXPECT_EQ(s.kbps.front(), 320); }},
        {"--abr 8000", true,
         [](const Stream& s, const AudioBuffer&) { EXPECT_LT(s.MeanKbps(), 40.0); }},
    };
    const AudioBuffer noise = Noise(44100, 0.3);
    for (const Case& c : cases) {
        LameEncoderSettings settings;
        Cbr96(settings);
        settings.SetCommandLine(QString::fromLatin1(c.line));
        const QString path = Encode(settings, c.onNoise ? noise : tone);
        SCOPED_TRACE(c.line);
        c.check(Frames(path), ReadAll(*reader_, path));
    }
}

// "Allow different block types" is LAME's own per-channel switch, and turning short blocks off
// still wins over it.
TEST(Mp3Options, BlockTypeSettingsReachTheirOwnLameSwitches) {
    struct Case {
        bool shortBlocks;
        bool allowDiff;
        int expectAllowDiff;
        int expectNoShort;
    };
    for (const Case c :
         {Case{true, true, 1, 0}, Case{true, false, 0, 0}, Case{false, true, 0, 1}}) {
        LameEncoderSettings settings;
        settings.SetShortBlocks(c.shortBlocks);
        settings.SetAllowDiffBlockTypes(c.allowDiff);
        lame_global_flags* gfp = lame_init();
        ApplyMp3Options(gfp, settings.Options(), QStringLiteral("x.mp3"));
        EXPECT_EQ(lame_get_allow_diff_short(gfp), c.expectAllowDiff);
        EXPECT_EQ(lame_get_no_short_blocks(gfp), c.expectNoShort);
        lame_close(gfp);
    }
}

}  // namespace
