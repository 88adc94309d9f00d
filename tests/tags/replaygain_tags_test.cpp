#include <gtest/gtest.h>

#include <QDir>

#include "../audio/audio_test_signals.h"
#include "support/temp_dir.h"
#include "tags/replaygain_tags.h"
#include "tags/tag_error.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

// What mutagen reads back under each ReplayGain name, one "NAME=value" line per value.
QString MutagenValues(const QString& path) {
    int code = -1;
    const QString text =
        RunTool(S("/usr/bin/python3"),
                {S("-c"),
                 S("import sys, mutagen\n"
                   "t = mutagen.File(sys.argv[1]).tags\n"
                   "for name in ('TRACK_GAIN', 'TRACK_PEAK', 'ALBUM_GAIN', 'ALBUM_PEAK'):\n"
                   "    for key in ('REPLAYGAIN_' + name, 'TXXX:REPLAYGAIN_' + name,\n"
                   "                '----:com.apple.iTunes:REPLAYGAIN_' + name):\n"
                   "        if key in t:\n"
                   "            for v in (t[key] if isinstance(t[key], list) else [t[key]]):\n"
                   "                v = v.decode() if isinstance(v, bytes) else str(v)\n"
                   "                print(name + '=' + v)\n"),
                 path},
                &code);
    return code == 0 ? text : S("mutagen failed: ") + text;
}

// In every tagged format, the values land where players look, replace earlier ones instead of
// adding a second value, keep the other tags, and leave a file ffmpeg still decodes.
TEST(ReplayGainTags, EveryTaggedFormatHoldsOneValueOfEach) {
    int code = -1;
    RunTool(S("ffmpeg"), {S("-version")}, &code);
    if (code != 0) {
        GTEST_SKIP() << "ffmpeg is not installed";
    }
    TempDir dir;
    for (const char* ext : {"mp3", "ogg", "opus", "flac", "m4a"}) {
        const QString path = dir.File(S("a.") + S(ext));
        RunTool(S("ffmpeg"),
                {S("-v"), S("error"), S("-f"), S("lavfi"), S("-i"), S("sine=d=1:sample_rate=48000"),
                 S("-metadata"), S("title=Keep me"), path},
                &code);
        ASSERT_EQ(code, 0) << ext;
        ASSERT_TRUE(WriteReplayGainTags(path, {S("-9.00 dB"), S("1.000000"), {}, {}}));
        // The second through a copy that replaces the file, as album values are written.
        ASSERT_TRUE(ReplaceWithReplayGainTags(
            path, {S("-3.52 dB"), S("0.988553"), S("-4.10 dB"), S("0.990000")}));
        EXPECT_EQ(MutagenValues(path), S("TRACK_GAIN=-3.52 dB\nTRACK_PEAK=0.988553\n"
                                         "ALBUM_GAIN=-4.10 dB\nALBUM_PEAK=0.990000\n"))
            << ext;
        const QString probe = RunTool(S("ffprobe"),
                                      {S("-v"), S("error"), S("-show_entries"),
                                       S("format_tags=title:stream_tags=title"), path},
                                      &code);
        EXPECT_TRUE(probe.contains(S("Keep me"), Qt::CaseInsensitive)) << ext;
        const QString decoded = RunTool(
            S("ffmpeg"), {S("-v"), S("error"), S("-i"), path, S("-f"), S("null"), S("-")}, &code);
        EXPECT_EQ(code, 0) << ext;
        EXPECT_TRUE(decoded.trimmed().isEmpty()) << ext << decoded.toStdString();
    }
    EXPECT_EQ(QDir(dir.Path()).entryList(QDir::Files | QDir::Hidden).size(), 5);  // no copies
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

}  // namespace
