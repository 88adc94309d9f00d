#include <gtest/gtest.h>

#include <QMap>

#include "fakes/fake_audio.h"
#include "preview/preview_playback.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

// A list of rows /in/0.wav, /in/1.wav ... that records statuses and messages.
class FakeListHost : public PreviewHost {
  public:
    int rows = 3;
    bool selected = true;
    QMap<int, QString> status;
    QStringList messages;

    int RowCount() const override { return rows; }
    bool HasSelectedRow() const override { return selected; }
    QString RowPath(int row) const override { return S("/in/%1.wav").arg(row); }
    void SetRowState(int row, RowState state) override { status[row] = RowStateText(state); }
    void ShowInformation(const QString& text) override { messages << S("info: ") + text; }
    void ShowErrorReport(const QString& text) override { messages << S("error: ") + text; }
};

class PreviewTest : public ::testing::Test {
  protected:
    PreviewTest() {
        reader.input.assign(2 * 600000, 0.25f);  // 600000 stereo frames: one full block and a part
    }

    QStringList TakeLog() { return std::exchange(*log, {}); }

    CallLog log = MakeCallLog();
    MainState state;
    FakeAudioFile reader{S("AudioFileRead"), log};
    FakePlayer player{log};
    FakeListHost host;
    PreviewPlayback preview{state, reader, player, host};
};

TEST_F(PreviewTest, EmptyListAsksForFilesAndBusyStatesIgnoreTheStart) {
    host.rows = 0;
    preview.StartPreview();
    EXPECT_EQ(host.messages, QStringList{S("info: Please add file!")});
    host.rows = 3;
    state.Converting = true;
    preview.StartPreview();
    EXPECT_FALSE(state.Playing);
    EXPECT_TRUE(TakeLog().isEmpty());
    EXPECT_TRUE(host.status.isEmpty());
}

TEST_F(PreviewTest, StartQueuesTwoBlocksThenOnePerEventUntilStopped) {
    host.selected = false;  // no selection: the last row plays
    preview.StartPreview();
    EXPECT_EQ(TakeLog(), (QStringList{
                             S("AudioFileRead.Open(/in/2.wav)"),
                             S("AudioPlayer21.OpenStream(44100,2)"),
                             S("AudioPlayer21.Play()"),
                             S("AudioFileRead.ReadBuffer(441000)"),
                             S("AudioPlayer21.QueueBuffer(881999)"),
                             S("AudioFileRead.ReadBuffer(441000)"),
                             S("AudioPlayer21.QueueBuffer(317999)"),
                         }));
    EXPECT_TRUE(state.Playing);
    EXPECT_EQ(state.PlayIndex, 2);
    EXPECT_EQ(host.status[2], S("Playing"));

    preview.StartPreview();  // already playing
    EXPECT_TRUE(TakeLog().isEmpty());

    // Past the end the requests queue empty blocks and the row keeps playing.
    player.events.onEndArrayPlay();
    player.events.onRequestOnLoadArray();
    EXPECT_EQ(
        TakeLog(),
        (QStringList{S("AudioFileRead.ReadBuffer(441000)"), S("AudioPlayer21.QueueBuffer(-1)"),
                     S("AudioFileRead.ReadBuffer(441000)"), S("AudioPlayer21.QueueBuffer(-1)")}));
    EXPECT_EQ(host.status[2], S("Playing"));

    preview.StopPreview();
    EXPECT_EQ(TakeLog(), QStringList{S("AudioPlayer21.Stop()")});
    EXPECT_FALSE(state.Playing);
    EXPECT_EQ(host.status[2], S("Stop"));
    preview.StopPreview();           // nothing plays: nothing changes
    player.events.onEndArrayPlay();  // a late event reads nothing
    EXPECT_TRUE(TakeLog().isEmpty());
    EXPECT_TRUE(host.messages.isEmpty());
}

TEST_F(PreviewTest, AFailedStartIsReportedWithTheFileAndTheNextStartWorks) {
    state.PlayIndex = 1;
    reader.failOpen = true;
    preview.StartPreview();
    EXPECT_FALSE(state.Playing);
    EXPECT_EQ(host.status[1], S("Stop"));
    ASSERT_EQ(host.messages.size(), 1);
    EXPECT_TRUE(
        host.messages[0].startsWith(S("error: Cannot preview 1.wav: Cannot open /in/1.wav")))
        << host.messages[0].toStdString();
    reader.failOpen = false;
    preview.StartPreview();
    EXPECT_TRUE(state.Playing);
    EXPECT_EQ(host.status[1], S("Playing"));
}

TEST_F(PreviewTest, NoAudioDeviceIsSaidOnceAndAnOpenReaderIsClosedFirst) {
    player.nullOutput = true;
    reader.Open(S("/in/batch.wav"));
    preview.StartPreview();
    preview.StopPreview();
    preview.StartPreview();
    const QStringList calls = TakeLog();
    EXPECT_EQ(calls.mid(0, 3),
              (QStringList{S("AudioFileRead.Open(/in/batch.wav)"), S("AudioFileRead.Close()"),
                           S("AudioFileRead.Open(/in/0.wav)")}));
    EXPECT_EQ(host.messages,
              QStringList{S("info: No audio device was found: the preview plays silently.")});
}

}  // namespace
