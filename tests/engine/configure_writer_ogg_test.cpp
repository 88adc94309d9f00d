// The stored Ogg defaults with variable bit rate on must make a real file: the writer reads
// "min bitrate" and "max bitrate" as positions in the bit-rate table, like "bitrate".
#include <gtest/gtest.h>

#include <QProcess>

#include "audio/audio_test_signals.h"
#include "components/lame_encoder_settings.h"
#include "formats/configure_writer.h"
#include "outside/audio/audio_factory.h"
#include "settings/settings_file.h"
#include "support/temp_dir.h"

namespace {

TEST(ConfigureWriterOgg, StoredDefaultsWithVariableBitRateMakeAFile) {
    TempDir dir;
    const SettingsFile file(dir.Write(QStringLiteral("q.ini"), "[ogg]\noggvbr=1\n"));
    LameEncoderSettings encoder;
    auto writer = CreateAudioFile();
    ConfigureWriter(3, file, QString(), encoder, *writer);
    const QString path = dir.File(QStringLiteral("out.ogg"));
    WriteThrough(*writer, path, 44100, Sine(44100, 2, 440.0, 44100));

    // An independent reader sees the format and the 96 kbps the stored positions stand for.
    QProcess probe;
    probe.start(QStringLiteral("/usr/bin/python3"),
                {QStringLiteral("-c"),
                 QStringLiteral("import sys, mutagen.oggvorbis as o; i = o.OggVorbis(sys.argv[1])"
                                ".info; print(i.sample_rate, i.channels, i.bitrate)"),
                 path});
    ASSERT_TRUE(probe.waitForFinished(60000));
    EXPECT_EQ(QString::fromUtf8(probe.readAllStandardOutput()).trimmed(),
              QStringLiteral("44100 2 96000"))
        << probe.readAllStandardError().toStdString();

    auto reader = CreateAudioFile();
    const AudioBuffer back = ReadAll(*reader, path);
    EXPECT_NEAR(static_cast<double>(back.FrameCount()), 44100.0, 2.0);
    EXPECT_NEAR(EstimateFrequency(back, 44100, 1), 440.0, 2.0);
}

}  // namespace
