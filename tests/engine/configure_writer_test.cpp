// The encoder configuration against recording fakes: which calls go out, in which order, for the
// stored settings; and one real Ogg output from the stored defaults.
#include <gtest/gtest.h>

#include "components/component_error.h"
#include "fakes/fake_audio.h"
#include "formats/configure_writer.h"
#include "settings/settings_file.h"
#include "support/temp_dir.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

QStringList Lines(std::initializer_list<const char*> lines) {
    QStringList out;
    for (const char* l : lines) {
        out << S(l);
    }
    return out;
}

// The whole sequence with no settings file.
const QStringList kDefaultMp3 = Lines({
    "Mp3LameEncoder.SetWriteVbrHeader(true)",
    "Mp3LameEncoder.SetEnforceMinBitrate(false)",
    "Mp3LameEncoder.SetCrc(false)",
    "Mp3LameEncoder.SetAllowDiffBlockTypes(false)",
    "Mp3LameEncoder.SetBitReservoir(true)",
    "Mp3LameEncoder.SetShortBlocks(true)",
    "Mp3LameEncoder.SetStrictIso(false)",
    "Mp3LameEncoder.SetHighpassFrequency(-1)",
    "Mp3LameEncoder.SetLowpassFrequency(-1)",
    "Mp3LameEncoder.SetVbrMethod(-1)",
    "Mp3LameEncoder.SetAthMode(0)",
    "Mp3LameEncoder.SetChannelMode(1)",
    "Mp3LameEncoder.SetDeemphasis(0)",
    "Mp3LameEncoder.SetQuality(5)",
    "Mp3LameEncoder.SetBitrate(96)",
    "Mp3LameEncoder.SetVbrBitrate(128)",
    "Mp3LameEncoder.SetHighpassWidth(5)",
    "Mp3LameEncoder.SetLowpassWidth(750)",
    "Mp3LameEncoder.SetVbrQuality(5)",
    "Mp3LameEncoder.SetSampleRate(44100)",
    "Writer.SetMp3Encoder()",
});

struct Case {
    const char* name;
    const char* ini;  // nullptr: no settings file at all
    int format;
    const char* commandLine;
    QStringList expected;
};

QStringList DefaultWith(int index, const char* replacement) {
    QStringList l = kDefaultMp3;
    l[index] = S(replacement);
    return l;
}

const Case kCases[] = {
    {"no file", nullptr, 0, "", kDefaultMp3},
    {"preset set, command line still sent",
     "[MP3Prest]\npreset=1\nrg_prest=10\n[mp3]\nbitrate=99\n", 0, "-b 128",
     Lines({"Mp3LameEncoder.SetPreset(11)", "Mp3LameEncoder.SetCommandLine(-b 128)",
            "Writer.SetMp3Encoder()"})},
    {"both presets, preset first", "[MP3Prest]\npreset=1\nalt=1\nrg_alt=4\n", 0, "",
     Lines({"Mp3LameEncoder.SetPreset(1)", "Mp3LameEncoder.SetAltPreset(5)",
            "Writer.SetMp3Encoder()"})},
    {"channel 0 forces one channel", "[mp3]\nchannel=0\n", 0, "",
     DefaultWith(11, "Mp3LameEncoder.SetOutputChannels(1)")},
    {"filters on, vbr position 0, table ends",
     "[MP3Filt]\nchHFilt=1\nudHFiltF=120\nchLFilt=1\nudLFiltF=9000\n[MP3VBR]\nvbr "
     "bitrate=0\n[mp3]\nbitrate=16\nfrequency=0\n",
     0, "",
     [] {
         QStringList l = kDefaultMp3;
         l[7] = S("Mp3LameEncoder.SetHighpassFrequency(120)");
         l[8] = S("Mp3LameEncoder.SetLowpassFrequency(9000)");
         l[14] = S("Mp3LameEncoder.SetBitrate(320)");
         l[15] = S("Mp3LameEncoder.SetVbrBitrate(8)");
         l[19] = S("Mp3LameEncoder.SetSampleRate(8000)");
         return l;
     }()},
    {"wav mode 0", nullptr, 1, "", Lines({"Writer.SetWaveFormat(44100,2,16)"})},
    {"wav mode 1 is 32 bits", "[wav]\nmode=1\n", 1, "",
     Lines({"Writer.SetWaveFormat(48000,2,32)"})},
    {"custom wav, channel 0 and bit 0", "[wav]\nmode=2\nchannel=0\nbit=0\nfrequency=3\n", 1, "",
     Lines({"Writer.SetWaveFormat(16000,1,8)"})},
    {"custom wav as the source", "[wav]\nmode=2\nbit=2\n", 1, "",
     Lines({"Writer.SetWaveFormat(44100,2,0)"})},
    {"unknown wav mode sends nothing", "[wav]\nmode=3\n", 1, "", {}},
    {"wma", "[wma]\nformat=4\n", 2, "", Lines({"Writer.SetWmaFormat(5)"})},
    // Without any Ogg key: quality 5, what the page's Default picks; one stored key keeps the
    // older meaning of the others.
    {"ogg without keys", nullptr, 3, "", Lines({"Writer.SetOggFormat(44100,2,0,0,0,500)"})},
    {"ogg by bit rate", "[ogg]\nchannel=1\n", 3, "",
     Lines({"Writer.SetOggFormat(44100,2,96,0,0,-1)"})},
    {"ogg with V and Q: quality first",
     "[ogg]\noggvbr=1\noggquality=1\nquality=450\nchannel=0\nfrequency=8\nbitrate=11\n"
     "min bitrate=7\nmax bitrate=13\n",
     3, "",
     Lines({"Writer.SetOggFormat(48000,1,0,0,0,450)", "Writer.SetOggFormat(48000,1,128,7,13,-1)"})},
    {"vox", "[VOX]\nVOX=1\n", 4, "", Lines({"Writer.SetVoxFormat(11025)"})},
    {"flac", "[flac]\nlevel=8\n", 5, "", Lines({"Writer.SetEncoder(flac,8)"})},
    {"opus defaults", nullptr, 6, "", Lines({"Writer.SetEncoder(opus,128,vbr)"})},
    {"m4a", "[m4a]\nbitrate=320\n", 7, "", Lines({"Writer.SetEncoder(aac,320)"})},
    {"other format configures nothing", nullptr, 99, "x", {}},
};

TEST(ConfigureWriter, SendsTheCallsOfTheStoredSettings) {
    for (const Case& c : kCases) {
        TempDir dir;
        const QString path = c.ini ? dir.Write(S("q.ini"), c.ini) : dir.File(S("q.ini"));
        const SettingsFile file(path);
        CallLog log = MakeCallLog();
        RecordingLameEncoder encoder(log);
        FakeAudioFile writer(S("Writer"), log);
        ConfigureWriter(c.format, file, S(c.commandLine), encoder, writer);
        EXPECT_EQ(*log, c.expected) << c.name;
    }
}

TEST(ConfigureWriter, WavClosesAnOpenWriterFirst) {
    TempDir dir;
    const SettingsFile file(dir.File(S("q.ini")));
    CallLog log = MakeCallLog();
    RecordingLameEncoder encoder(log);
    FakeAudioFile writer(S("Writer"), log);
    writer.CreateOutput(S("left-open.wav"));
    log->clear();
    ConfigureWriter(1, file, QString(), encoder, writer);
    EXPECT_EQ(*log, Lines({"Writer.Close()", "Writer.SetWaveFormat(44100,2,16)"}));
}

// The encoder settings keep their values for the run: an emptied command line must not linger.
TEST(ConfigureWriter, AnEmptiedCommandLineIsClearedInTheEncoder) {
    TempDir dir;
    const SettingsFile file(dir.Write(S("q.ini"), "[MP3Prest]\nalt=1\n"));
    CallLog log = MakeCallLog();
    RecordingLameEncoder encoder(log);
    FakeAudioFile writer(S("Writer"), log);
    ConfigureWriter(0, file, S("-b 320"), encoder, writer);
    log->clear();
    ConfigureWriter(0, file, QString(), encoder, writer);
    EXPECT_EQ(*log, Lines({"Mp3LameEncoder.SetAltPreset(1)", "Mp3LameEncoder.SetCommandLine()",
                           "Writer.SetMp3Encoder()"}));
    EXPECT_TRUE(encoder.Options().commandLine.isEmpty());
}

// An index outside its table is refused with the key, value and range, before any call.
TEST(ConfigureWriter, RefusesAnIndexOutsideItsTable) {
    struct Bad {
        int format;
        const char* ini;
        const char* message;
    };
    const Bad cases[] = {
        {0, "[mp3]\nbitrate=40\n", "[mp3] bitrate = 40 is outside 0..16; pick a value in Settings"},
        {0, "[mp3]\nfrequency=-1\n", "[mp3] frequency = -1 is outside 0..8"},
        {0, "[MP3VBR]\nvbr bitrate=15\n", "[MP3VBR] vbr bitrate = 15 is outside 0..14"},
        {1, "[wav]\nmode=2\nbit=3\n", "[wav] bit = 3 is outside 0..2"},
        {3, "[ogg]\nfrequency=9\n", "[ogg] frequency = 9 is outside 0..8; pick a value in"},
        {4, "[VOX]\nVOX=9\n", "[VOX] VOX = 9 is outside 0..8; correct it in "},
        {5, "[flac]\nlevel=9\n", "[flac] level = 9 is outside 0..8"},
        {6, "[opus]\nbitrate=5\n", "[opus] bitrate = 5 is outside 6..510"},
        {7, "[m4a]\nbitrate=321\n", "[m4a] bitrate = 321 is outside 32..320"},
        {3, "[ogg]\noggquality=1\nquality=70000\n", "[ogg] quality = 70000 is outside -100..1000"},
        {4, "[VOX]\nVOX=12\n", "[VOX] VOX = 12 is outside 0..8"},
    };
    for (const Bad& c : cases) {
        TempDir dir;
        const SettingsFile file(dir.Write(S("q.ini"), c.ini));
        CallLog log = MakeCallLog();
        RecordingLameEncoder encoder(log);
        FakeAudioFile writer(S("Writer"), log);
        try {
            ConfigureWriter(c.format, file, S("-x"), encoder, writer);
            ADD_FAILURE() << c.ini << " was accepted";
        } catch (const ConfigureError& e) {
            EXPECT_TRUE(e.Message().startsWith(S(c.message))) << e.Message().toStdString();
        }
        EXPECT_TRUE(log->isEmpty()) << c.ini;
    }
}

// Hand-edited extremes reach the component (which refuses them) without overflowing on the way.
TEST(ConfigureWriter, ExtremeStoredNumbersDoNotOverflow) {
    TempDir dir;
    const SettingsFile file(
        dir.Write(S("q.ini"), "[MP3VBR]\nCoding Method=-2147483648\n[wma]\nformat=2147483647\n"));
    CallLog log = MakeCallLog();
    RecordingLameEncoder encoder(log);
    FakeAudioFile writer(S("Writer"), log);
    ConfigureWriter(0, file, QString(), encoder, writer);
    EXPECT_TRUE(log->contains(S("Mp3LameEncoder.SetVbrMethod(-2147483648)")));
    ConfigureWriter(2, file, QString(), encoder, writer);
    EXPECT_EQ(log->last(), S("Writer.SetWmaFormat(2147483647)"));
}

}  // namespace
