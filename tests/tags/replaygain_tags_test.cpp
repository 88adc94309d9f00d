#include <gtest/gtest.h>

#include <QDir>

#include "../audio/audio_test_signals.h"
#include "support/temp_dir.h"
#include "tags/r128_gain.h"
#include "tags/replaygain_tags.h"
#include "tags/tag_error.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

// What mutagen reads back under each ReplayGain and R128 name, one "NAME=value" line per value.
QString MutagenValues(const QString& path) {
    int code = -1;
    const QString text =
        RunTool(S("/usr/bin/python3"),
                {S("-c"),
                 S("import sys, mutagen\n"
                   "t = mutagen.File(sys.argv[1]).tags\n"
                   "for name in ('TRACK_GAIN', 'TRACK_PEAK', 'ALBUM_GAIN', 'ALBUM_PEAK'):\n"
                   "    for key in ('REPLAYGAIN_' + name, 'TXXX:REPLAYGAIN_' + name,\n"
                   "                '----:com.apple.iTunes:REPLAYGAIN_' + name, 'R128_' + name):\n"
                   "        if key in t:\n"
                   "            for v in (t[key] if isinstance(t[key], list) else [t[key]]):\n"
                   "                v = v.decode() if isinstance(v, bytes) else str(v)\n"
                   "                print((name if 'REPLAYGAIN' in key else key) + '=' + v)\n"),
                 path},
                &code);
    return code == 0 ? text : S("mutagen failed: ") + text;
}

// In every tagged format, the values land where players look, replace earlier ones instead of
// adding a second value, keep the other tags, and leave a file ffmpeg still decodes. An album
// pass gives album values alone: the track's stay. Opus (by content, whatever the name) holds
// R128 gains towards -23 LUFS instead, and none of the ReplayGain comments it had.
TEST(ReplayGainTags, EveryTaggedFormatHoldsOneValueOfEach) {
    int code = -1;
    RunTool(S("ffmpeg"), {S("-version")}, &code);
    ASSERT_EQ(code, 0) << "ffmpeg is not installed";
    const QString replayGain =
        S("TRACK_GAIN=-3.52 dB\nTRACK_PEAK=0.988553\n"
          "ALBUM_GAIN=-4.20 dB\nALBUM_PEAK=0.995000\n");
    // -3.52 - 5 dB and -4.20 - 5 dB in 1/256 dB.
    const QString r128 = S("R128_TRACK_GAIN=-2181\nR128_ALBUM_GAIN=-2355\n");
    const QStringList opusOld{S("-metadata"), S("REPLAYGAIN_TRACK_GAIN=-1.00 dB"),
                              S("-metadata"), S("REPLAYGAIN_ALBUM_PEAK=0.5"),
                              S("-metadata"), S("R128_TRACK_GAIN=77")};
    struct Case {
        const char* name;
        QStringList encode;
        QString expected;
    };
    const Case cases[] = {
        {"a.mp3", {}, replayGain},  {"a.ogg", {}, replayGain},
        {"a.opus", opusOld, r128},  {"b.ogg", QStringList{S("-c:a"), S("libopus")} + opusOld, r128},
        {"a.flac", {}, replayGain}, {"a.m4a", {}, replayGain},
    };
    TempDir dir;
    for (const Case& c : cases) {
        const QString path = dir.File(S(c.name));
        RunTool(S("ffmpeg"),
                QStringList{S("-v"), S("error"), S("-f"), S("lavfi"), S("-i"),
                            S("sine=d=1:sample_rate=48000"), S("-metadata"), S("title=Keep me")} +
                    c.encode + QStringList{path},
                &code);
        ASSERT_EQ(code, 0) << c.name;
        ASSERT_TRUE(WriteReplayGainTags(path, {S("-9.00 dB"), S("1.000000"), {}, {}}));
        // The others through a copy that replaces the file, as album values are written.
        ASSERT_TRUE(ReplaceWithReplayGainTags(
            path, {S("-3.52 dB"), S("0.988553"), S("-4.10 dB"), S("0.990000")}));
        ASSERT_TRUE(ReplaceWithReplayGainTags(path, {{}, {}, S("-4.20 dB"), S("0.995000")}));
        EXPECT_EQ(MutagenValues(path), c.expected) << c.name;
        const QString probe = RunTool(
            S("ffprobe"),
            {S("-v"), S("error"), S("-show_entries"), S("format_tags:stream_tags"), path}, &code);
        EXPECT_TRUE(probe.contains(S("Keep me"), Qt::CaseInsensitive)) << c.name;
        if (c.expected == r128) {
            EXPECT_FALSE(probe.contains(S("REPLAYGAIN_"), Qt::CaseInsensitive))
                << probe.toStdString();
        }
        const QString decoded = RunTool(
            S("ffmpeg"), {S("-v"), S("error"), S("-i"), path, S("-f"), S("null"), S("-")}, &code);
        EXPECT_EQ(code, 0) << c.name;
        EXPECT_TRUE(decoded.trimmed().isEmpty()) << c.name << decoded.toStdString();
    }
    EXPECT_EQ(QDir(dir.Path()).entryList(QDir::Files | QDir::Hidden).size(), 6);  // no copies
    // No tags to write into: said, not thrown. A broken file: a TagError naming it.
    EXPECT_FALSE(WriteReplayGainTags(dir.Write(S("a.wav"), "RIFF"), {S("1 dB"), {}, {}, {}}));
    const QString junk = dir.Write(S("junk.ogg"), QByteArray(300, 'x'));
    try {
        WriteReplayGainTags(junk, {S("1 dB"), {}, {}, {}});
        ADD_FAILURE() << "no error";
    } catch (const TagError& e) {
        EXPECT_TRUE(e.Message().contains(junk)) << e.Message().toStdString();
    }
}

// ReplayGain texts as tags hold them to R128 ones and back; what is no gain gives nothing.
TEST(ReplayGainTags, R128GainTexts) {
    const std::pair<const char*, const char*> toR128[] = {
        {"-3.52 dB", "-2181"}, {"+2.3", "-691"},      {"-6.5dB", "-2944"}, {" 5 DB ", "0"},
        {"200 dB", "32767"},   {"-200 dB", "-32768"}, {"loud", ""},        {"", ""},
    };
    for (const auto& [replayGain, r128] : toR128) {
        EXPECT_EQ(R128FromReplayGain(S(replayGain)), S(r128)) << replayGain;
    }
    EXPECT_EQ(ReplayGainFromR128(S("-2944")), S("-6.50 dB"));
    EXPECT_EQ(ReplayGainFromR128(S("1280")), S("10.00 dB"));
    EXPECT_EQ(ReplayGainFromR128(S("40000")), QString());
    EXPECT_EQ(ReplayGainFromR128(S("-1.5")), QString());
}

}  // namespace
