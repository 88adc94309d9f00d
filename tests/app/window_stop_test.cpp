// Stop during a normalisation, then at once Play, Convert or Normalize, on the real audio
// components: nothing may touch the reader, writer or transform while the worker is still inside
// them.
#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QTimer>

#include "app/information_box.h"
#include "app/main_window.h"
#include "fakes/fake_audio.h"
#include "fakes/fake_skin.h"
#include "outside/audio/audio_factory.h"
#include "preview/preview_playback.h"
#include "support/temp_dir.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

TEST(WindowStopTest, CommandsAfterAStopWaitUntilTheWorkerHasLeftTheComponents) {
    TempDir dir;
    qputenv("XDG_CONFIG_HOME", dir.Path().toLocal8Bit());
    QStringList messages;
    const MessageSink previous =
        SetMessageSink([&](MessageKind, const QString& text) { messages << text; });
    const QString input = dir.File(S("long.wav"));
    QProcess sox;
    sox.start(S("sox"), {S("-n"), S("-r"), S("44100"), S("-c"), S("2"), S("-b"), S("16"), input,
                         S("synth"), S("300"), S("sine"), S("440")});
    ASSERT_TRUE(sox.waitForFinished(60000) && sox.exitCode() == 0);

    CallLog log = MakeCallLog();
    MainWindowParts parts;
    parts.skin = std::make_unique<FakeSkin>(log);
    parts.reader = CreateAudioFile();
    parts.writer = CreateAudioFile();
    parts.encoder = std::make_unique<RecordingLameEncoder>(log);
    parts.transform = CreateAudioTransform();
    parts.player = std::make_unique<FakePlayer>(log);
    parts.makeLabel = [](QWidget* parent) { return new FakeSkinLabel(parent); };
    Tfm_main window(std::move(parts));
    window.show();
    MainState& state = window.State();
    state.appSettings.OutputFormat = 1;
    state.settingsFile->WriteText(S("Format"), S("Dir"), dir.File(S("out")));
    ListRow row;
    row.caption = S("long");
    row.path = input;
    window.Rows().Append(row);

    bool tried = false;
    QTimer stopper;
    QObject::connect(&stopper, &QTimer::timeout, [&] {
        if (tried || !state.WorkerRunning) {
            return;
        }
        tried = true;
        window.StopWork();
        EXPECT_TRUE(state.BatchActive);  // the worker is still decoding
        window.Preview().StartPreview();
        window.ConvertAll();
        window.NormalizeAll();
        EXPECT_FALSE(window.Preview().Playing());
        EXPECT_TRUE(log->filter(S("AudioPlayer21.")).isEmpty());
    });
    stopper.start(0);
    window.NormalizeAll();
    stopper.stop();

    EXPECT_TRUE(tried);
    EXPECT_EQ(window.Rows().index(0, RowModel::kStatus).data().toString(), S("Stop"));
    EXPECT_TRUE(QDir(dir.File(S("out"))).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_FALSE(state.BatchActive);
    EXPECT_EQ(messages, QStringList{S("0 normalised, 0 failed, 1 stopped.")});
    // Once the worker has gone, the next command runs.
    window.Preview().StartPreview();
    EXPECT_TRUE(window.Preview().Playing());
    SetMessageSink(previous);
}

}  // namespace
