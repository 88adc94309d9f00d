#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "app/command_dispatch.h"
#include "app/desktop_open.h"
#include "app/file_list_commands.h"
#include "app/information_box.h"
#include "app/main_window.h"
#include "app/window_batch_host.h"
#include "components/component_error.h"
#include "fakes/fake_audio.h"
#include "fakes/fake_skin.h"
#include "preview/preview_playback.h"
#include "settings/folder_chooser.h"
#include "settings/settings_dialog.h"
#include "settings/settings_file.h"
#include "support/temp_dir.h"
#include "tags/tag_editor_dialog.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

// What the list shows in a row's Status column, and its tooltip there.
QString Status(RowModel& rows, int row) {
    return rows.index(row, RowModel::kStatus).data().toString();
}
QString StatusTip(RowModel& rows, int row) {
    return rows.index(row, RowModel::kStatus).data(Qt::ToolTipRole).toString();
}

// A writer that, once gated, holds the worker inside WriteBuffer until the window thread opens the
// gate (or five seconds pass), so a test can look at the window while the worker is busy.
class GatedAudioFile : public FakeAudioFile {
  public:
    using FakeAudioFile::FakeAudioFile;
    std::atomic<bool> gated{false};
    std::atomic<bool> open{false};
    void WriteBuffer(AudioBuffer& buffer) override {
        for (int i = 0; gated && !open && i < 500; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        FakeAudioFile::WriteBuffer(buffer);
    }
};

// The window driving the batches on fake components: rows, statuses, the progress display,
// Timer1, the preview hand-over and a close in the middle of a batch.
class WindowBatchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        qputenv("XDG_CONFIG_HOME", dir.Path().toLocal8Bit());
        previous = SetMessageSink([this](MessageKind, const QString& text) { messages << text; });
        MainWindowParts parts;
        auto fakeSkin = std::make_unique<FakeSkin>(log);
        skin = fakeSkin.get();
        parts.skin = std::move(fakeSkin);
        auto r = std::make_unique<FakeAudioFile>(S("AudioFileRead"), log);
        reader = r.get();
        parts.reader = std::move(r);
        auto wr = std::make_unique<GatedAudioFile>(S("AudioFilewrite"), log);
        writer = wr.get();
        parts.writer = std::move(wr);
        parts.encoder = std::make_unique<RecordingLameEncoder>(log);
        parts.transform = std::make_unique<FakeTransform>(log);
        parts.player = std::make_unique<FakePlayer>(log);
        parts.makeLabel = [](QWidget* parent) { return new FakeSkinLabel(parent); };
        window = std::make_unique<Tfm_main>(std::move(parts));
        window->show();
        // WAV into the test's folder.
        window->State().appSettings.OutputFormat = 1;
        // The fakes write no audio to read back: the check has its own tests on the real
        // components.
        window->State().appSettings.CheckOutputs = false;
        window->State().settingsFile->WriteText(S("Format"), S("Dir"), dir.File(S("out")));
        reader->input.assign(2 * 44100, 0.5f);
    }
    void TearDown() override { SetMessageSink(previous); }

    int AddRow(const char* caption) {
        ListRow row;
        row.caption = S(caption);
        row.path = dir.Write(S(caption) + S(".wav"), "x");
        window->Rows().Append(row);
        return window->Rows().Count() - 1;
    }
    QString Status(int row) { return ::Status(window->Rows(), row); }

    TempDir dir;
    CallLog log = MakeCallLog();
    FakeSkin* skin = nullptr;
    FakeAudioFile* reader = nullptr;
    GatedAudioFile* writer = nullptr;
    std::unique_ptr<Tfm_main> window;
    QStringList messages;
    MessageSink previous;
};

TEST_F(WindowBatchTest, ConversionStopsThePreviewFirstAndEndsWithTheDisplayAtRest) {
    const int row = AddRow("song");
    // The settings dialog's command-line box reaches the encoder (its text is never stored).
    auto* settings =
        new Tfm_set(window->State().appSettings, window->State().settingsFile, window.get());
    window->SetSecondaryWindows(nullptr, nullptr, settings, nullptr);
    settings->findChild<QPlainTextEdit*>(S("txtCommLine"))->setPlainText(S("-V 2"));
    window->State().appSettings.OutputFormat = 0;
    window->Preview().StartPreview();
    ASSERT_TRUE(window->Preview().Playing());
    ASSERT_EQ(Status(row), S("Playing"));
    log->clear();
    window->ConvertAll();

    const qsizetype stop = log->indexOf(S("AudioPlayer21.Stop()"));
    const qsizetype open =
        log->indexOf(S("AudioFileRead.Open(") + window->Rows().Row(row).path + S(")"));
    ASSERT_GE(stop, 0);
    EXPECT_LT(stop, open);
    EXPECT_FALSE(window->Preview().Playing());
    EXPECT_EQ(Status(row), S("finish"));
    EXPECT_TRUE(log->contains(S("Mp3LameEncoder.SetCommandLine(-V 2)")));
    EXPECT_TRUE(QFileInfo::exists(dir.File(S("out/song.mp3"))));
    EXPECT_EQ(skin->Object(S("pbpos"))->Text(), S(""));
    EXPECT_FALSE(window->State().Converting);
    // All went well: no box.
    EXPECT_TRUE(messages.isEmpty()) << messages.join(S("; ")).toStdString();
}

TEST_F(WindowBatchTest, ClosingDuringABatchWritesTheSettingsAndStopsAfterTheCurrentStep) {
    const int first = AddRow("one");
    const int second = AddRow("two");
    window->State().appSettings.NormalizeVolume = 77;
    // Closed once the first file has some blocks written.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (!writer->written.empty() && window->isVisible()) {
            window->close();
        }
    });
    closer.start(0);
    window->ConvertAll();

    // The cut file is no result: it is not kept.
    EXPECT_EQ(Status(first), S("Stop"));
    EXPECT_EQ(Status(second), S("Unconvert"));
    EXPECT_LT(writer->written.size(), reader->input.size());
    EXPECT_TRUE(QDir(dir.File(S("out"))).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_EQ(SettingsFile().ReadNumber(S("Nor"), S("vol"), 0), 77);
    EXPECT_FALSE(window->State().Converting);
}

// The batch names its rows by position: rows added, removed, reordered or edited while it runs
// would have it write the wrong files. The commands say why; the rows themselves refuse too.
TEST_F(WindowBatchTest, RowsAddedRemovedOrEditedWhileABatchRunsAreRefused) {
    AddRow("one");
    AddRow("two");
    auto* editor = new Tfm_id3(
        window->Rows(), [](QWidget* p) { return new FakeSkinLabel(p); }, window.get());
    window->SetSecondaryWindows(nullptr, nullptr, nullptr, editor);
    const QString more = dir.Write(S("more.wav"), "x");
    RowModel& rows = window->Rows();
    bool tried = false;
    QTimer meddler;
    QObject::connect(&meddler, &QTimer::timeout, [&] {
        if (tried || writer->written.empty()) {
            return;
        }
        tried = true;
        FileListCommands& list = window->FileList();
        list.AddPaths({more});
        window->lv()->selectAll();
        list.RemoveSelected();
        list.ClearList();
        window->Dispatch().Skin1Click(S("b_id3"));
        window->Dispatch().RowTagsClick();
        // Past the commands, straight at the rows.
        AudioFileinfo edited;
        edited.Title = S("edited");
        EXPECT_FALSE(rows.Append(rows.Row(0)));
        EXPECT_FALSE(rows.Remove(1));
        EXPECT_FALSE(rows.Move(0, 1));
        EXPECT_FALSE(rows.SetCaption(1, S("edited")));
        rows.Set(1, edited);
    });
    meddler.start(0);
    window->ConvertAll();
    meddler.stop();

    ASSERT_TRUE(tried);
    EXPECT_EQ(messages, QStringList(5, S("Please stop converting first!")));
    ASSERT_EQ(rows.Count(), 2);
    EXPECT_EQ(rows.Row(0).caption, S("one"));
    EXPECT_EQ(rows.Row(1).caption, S("two"));
    EXPECT_EQ(rows.At(1).Title, QString());
    EXPECT_EQ(Status(0), S("finish"));
    EXPECT_EQ(Status(1), S("finish"));
    EXPECT_TRUE(QFileInfo::exists(dir.File(S("out/one.wav"))));
    EXPECT_TRUE(QFileInfo::exists(dir.File(S("out/two.wav"))));
    // Once the batch has ended, the list is the user's again.
    window->FileList().ClearList();
    EXPECT_EQ(rows.Count(), 0);
}

TEST_F(WindowBatchTest, NormalisationRunsTimer1OnlyWhileTheWorkerRuns) {
    const int row = AddRow("song");
    bool timerSeen = false;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        timerSeen |= window->Timer1()->isActive();
        writer->open = timerSeen;  // let the worker go on once the window has been seen waiting
    });
    writer->gated = true;
    probe.start(0);
    window->NormalizeAll();
    probe.stop();
    EXPECT_TRUE(timerSeen);
    EXPECT_FALSE(window->Timer1()->isActive());
    EXPECT_EQ(Status(row), S("finish"));
    EXPECT_TRUE(QFileInfo::exists(dir.File(S("out/Nor_song.wav"))));
}

// The batch writes into the folder the window shows: the music folder for an empty stored
// folder, a long stored folder whole, and a chosen folder even when storing it failed.
TEST_F(WindowBatchTest, TheBatchWritesIntoTheFolderTheWindowShows) {
    const QByteArray realHome = qgetenv("HOME");
    const QString home = dir.File(S("home"));
    QDir().mkpath(home);
    qputenv("HOME", home.toLocal8Bit());
    QString deep = dir.Path();
    while (deep.size() < 3000) {
        deep += S("/") + QString(200, QLatin1Char('d'));
    }
    QDir().mkpath(deep);
    auto* chooser = new Tfm_dir(window.get());
    window->SetSecondaryWindows(nullptr, chooser, nullptr, nullptr);
    const QString blocker = dir.Write(S("blocker"), "x");

    struct Case {
        const char* what;
        QString storedDir;
        bool chooseWithUnwritableSettings;
        QString expectedFolder;
    };
    const std::vector<Case> cases{
        {"empty Dir", S(""), false, home + S("/Music")},
        {"3,000-character Dir", deep + S("/last"), false, deep + S("/last")},
        {"unstored choice", dir.File(S("out")), true, home},  // the chooser's first item
    };
    for (const Case& c : cases) {
        window->Rows().Clear();
        AddRow("song");
        window->State().settingsFile->WriteText(S("Format"), S("Dir"), c.storedDir);
        if (c.chooseWithUnwritableSettings) {
            qputenv("XDG_CONFIG_HOME", blocker.toLocal8Bit());
            QTimer::singleShot(0, [chooser] { chooser->btn_ok()->click(); });
            window->ChooseOutputFolder();
            EXPECT_EQ(messages, QStringList{S("Unable to write to Quorvel.ini")});
            messages.clear();
        }
        window->ConvertAll();
        qputenv("XDG_CONFIG_HOME", dir.Path().toLocal8Bit());
        EXPECT_TRUE(QFileInfo::exists(c.expectedFolder + S("/song.wav"))) << c.what;
        EXPECT_TRUE(messages.isEmpty()) << c.what << messages.join(S("; ")).toStdString();
        messages.clear();
    }
    qputenv("HOME", realHome);
}

// A reader that cannot open inputs whose name starts with "bad".
class PickyReader : public FakeAudioFile {
  public:
    using FakeAudioFile::FakeAudioFile;
    void Open(const QString& fileName) override {
        if (QFileInfo(fileName).fileName().startsWith(S("bad"))) {
            throw ComponentError(fileName + S(": not an audio file"));
        }
        FakeAudioFile::Open(fileName);
    }
};

// A desktop session that records what the window asks of it.
struct RecordingDesktop : IDesktopSession {
    QStringList calls;
    void Notify(const QString& title, const QString& body) override {
        calls << S("Notify(") + title + S(", ") + body + S(")");
    }
    void NotifyWithAction(const QString& title, const QString& body, const QString& label,
                          std::function<void()> invoked) override {
        calls << S("Notify(") + title + S(", ") + body + S(") with ") + label;
        action = std::move(invoked);
    }
    std::function<void()> action;
    std::uint32_t InhibitSuspend(const QString& reason) override {
        calls << S("Inhibit(") + reason + S(")");
        return 7;
    }
    void ReleaseInhibit(std::uint32_t handle) override { calls << S("Release(%1)").arg(handle); }
};

// Three files at once: the click returns at once, rows start afresh and end with their own
// status, the bar follows the whole batch, and the end is said once with the counts.
TEST(WindowJobsTest, ThreeFilesAtOnceEndWithOneMessage) {
    TempDir dir;
    qputenv("XDG_CONFIG_HOME", dir.Path().toLocal8Bit());
    QStringList messages;
    const MessageSink previous =
        SetMessageSink([&](MessageKind, const QString& text) { messages << text; });
    std::vector<CallLog> logs(4, nullptr);
    for (CallLog& l : logs) {
        l = MakeCallLog();  // one per job: jobs run on their own threads
    }
    auto makeReader = [](const CallLog& log) {
        auto r = std::make_unique<PickyReader>(S("AudioFileRead"), log);
        r->input.assign(3 * 44100 * 2, 0.5f);
        return r;
    };
    MainWindowParts parts;
    auto fakeSkin = std::make_unique<FakeSkin>(logs[0]);
    FakeSkin* skin = fakeSkin.get();
    parts.skin = std::move(fakeSkin);
    parts.reader = makeReader(logs[0]);
    parts.writer = std::make_unique<FakeAudioFile>(S("AudioFilewrite"), logs[0]);
    parts.encoder = std::make_unique<RecordingLameEncoder>(logs[0]);
    parts.transform = std::make_unique<FakeTransform>(logs[0]);
    parts.player = std::make_unique<FakePlayer>(logs[0]);
    parts.makeLabel = [](QWidget* parent) { return new FakeSkinLabel(parent); };
    auto desktop = std::make_unique<RecordingDesktop>();
    RecordingDesktop* calls = desktop.get();
    parts.desktop = std::move(desktop);
    int made = 0;
    parts.makeJob = [&] {
        const CallLog& log = logs[static_cast<std::size_t>(++made)];
        return JobComponents{
            makeReader(log), std::make_unique<FakeAudioFile>(S("AudioFilewrite"), log),
            std::make_unique<RecordingLameEncoder>(log), std::make_unique<FakeTransform>(log)};
    };
    Tfm_main window(std::move(parts));
    window.show();
    MainState& state = window.State();
    state.appSettings.OutputFormat = 1;
    state.settingsFile->WriteText(S("Format"), S("Dir"), dir.File(S("out")));
    state.appSettings.BatchJobs = 3;
    RowModel& rows = window.Rows();
    for (const char* name : {"a", "bad", "c", "d"}) {
        ListRow row;
        row.caption = S(name);
        row.path = dir.Write(S(name) + S(".wav"), "x");
        row.state = RowState::Finished;  // left from an earlier run
        rows.Append(row);
    }

    window.ConvertAll();
    EXPECT_TRUE(state.Busy());  // returned at once
    EXPECT_EQ(made, 2);
    // A fresh start: no status of the last run looks like this run's result.
    for (int row = 0; row < rows.Count(); ++row) {
        EXPECT_EQ(Status(rows, row), S("Unconvert"));
    }
    // Paused: the rows the jobs hold read "Paused", the menu offers Resume, the desktop is still
    // kept awake; Resume goes on.
    auto* pause = window.Dispatch().p_action()->findChild<QAction*>(S("Pause1"));
    window.PauseWork();
    EXPECT_TRUE(state.Paused);
    EXPECT_EQ(pause->text(), S("Resume"));
    const auto paused = [&] {
        int n = 0;
        for (int row = 0; row < rows.Count(); ++row) {
            n += Status(rows, row) == S("Paused") ? 1 : 0;
        }
        return n;
    };
    QTRY_VERIFY_WITH_TIMEOUT(paused() == 3, 5000);
    QTest::qWait(300);
    EXPECT_EQ(paused(), 3);  // nothing ended while paused
    window.PauseWork();
    EXPECT_FALSE(state.Paused);
    EXPECT_EQ(pause->text(), S("Pause"));
    EXPECT_EQ(paused(), 0);
    // The desktop is kept awake while the batch runs, and let go at its end.
    EXPECT_EQ(calls->calls, QStringList{S("Inhibit(Converting audio files)")});
    QTRY_VERIFY_WITH_TIMEOUT(!state.Busy(), 30000);
    EXPECT_EQ(calls->calls.last(), S("Release(7)"));
    const QStringList notified = calls->calls.filter(S("Notify("));
    EXPECT_EQ(notified.size(), window.isActiveWindow() ? 0 : 1);
    if (!notified.isEmpty()) {
        // What the user may want next: the outputs, opened by the desktop.
        EXPECT_TRUE(notified[0].endsWith(S(") with Open Folder"))) << notified[0].toStdString();
        QList<QUrl> opened;
        const DesktopOpener before = SetDesktopOpener([&](const QUrl& url) {
            opened << url;
            return true;
        });
        ASSERT_TRUE(calls->action);
        calls->action();
        SetDesktopOpener(before);
        EXPECT_EQ(opened, QList<QUrl>{QUrl::fromLocalFile(dir.File(S("out")) + S("/"))});
    }
    window.PauseWork();  // no batch: nothing to pause
    EXPECT_FALSE(state.Paused);

    EXPECT_EQ(Status(rows, 0), S("finish"));
    EXPECT_EQ(Status(rows, 1), S("Error"));
    EXPECT_EQ(Status(rows, 2), S("finish"));
    EXPECT_EQ(Status(rows, 3), S("finish"));
    EXPECT_TRUE(StatusTip(rows, 1).contains(S("not an audio file")));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(S("3 converted, 1 failed, 0 stopped.\n\n")))
        << messages[0].toStdString();
    EXPECT_TRUE(messages[0].contains(S("bad.wav: not an audio file")));
    // The bar spoke of the whole batch while it ran, and rests empty at the end.
    const QStringList texts = skin->Object(S("pbpos"))->texts;
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [](const QString& t) {
        return t.contains(S(" of 4"));
    })) << texts.join(S(" | ")).toStdString();
    EXPECT_EQ(skin->Object(S("pbpos"))->Text(), S(""));
    QDir out(dir.File(S("out")));
    out.setSorting(QDir::Name);
    EXPECT_EQ(out.entryList(QDir::Files | QDir::Hidden),
              (QStringList{S("a.wav"), S("c.wav"), S("d.wav")}));
    SetMessageSink(previous);
}

// How a batch ends, one at a time and on three jobs: the final box only when a row failed or was
// stopped, and the desktop let go of before any box waits for the user.
TEST(WindowEndingsTest, TheFinalBoxComesOnlyAfterAFailureOrAStopAndTheInhibitEndsFirst) {
    enum class Ending { AllFinish, OneFails, Stopped };
    const struct {
        int jobs;
        Ending ending;
        const char* box;  // how the box starts; empty: no box
    } cases[] = {
        {1, Ending::AllFinish, ""},
        {1, Ending::OneFails, "2 converted, 1 failed, 0 stopped."},
        {1, Ending::Stopped, "0 converted, 0 failed, 1 stopped."},
        {3, Ending::AllFinish, ""},
        {3, Ending::OneFails, "2 converted, 1 failed, 0 stopped."},
        {3, Ending::Stopped, "0 converted, 0 failed, 3 stopped."},
    };
    for (const auto& c : cases) {
        const std::string label = std::to_string(c.jobs) + " job(s), ending " +
                                  std::to_string(static_cast<int>(c.ending));
        TempDir dir;
        qputenv("XDG_CONFIG_HOME", dir.Path().toLocal8Bit());
        auto desktop = std::make_unique<RecordingDesktop>();
        QStringList& events = desktop->calls;  // the desktop's calls and the boxes, in order
        const MessageSink previous =
            SetMessageSink([&](MessageKind, const QString& text) { events << S("box: ") + text; });
        std::atomic<int> writes{0};
        std::atomic<bool> stopAsked{false};
        // On job threads the writers wait after their first block until the stop has been asked,
        // so every row is cut whatever the threads' pace.
        const bool gated = c.jobs > 1 && c.ending == Ending::Stopped;
        auto makeReader = [](const CallLog& log) {
            auto r = std::make_unique<PickyReader>(S("AudioFileRead"), log);
            r->input.assign(3 * 44100 * 2, 0.5f);
            return r;
        };
        auto makeWriter = [&](const CallLog& log) {
            auto w = std::make_unique<FakeAudioFile>(S("AudioFilewrite"), log);
            w->onWrite = [&] {  // on whichever thread writes
                ++writes;
                for (int i = 0; gated && !stopAsked && i < 500; ++i) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                }
            };
            return w;
        };
        std::vector<CallLog> logs;
        for (int j = 0; j < 3; ++j) {
            logs.push_back(MakeCallLog());  // one per job: jobs run on their own threads
        }
        MainWindowParts parts;
        parts.skin = std::make_unique<FakeSkin>(logs[0]);
        parts.reader = makeReader(logs[0]);
        parts.writer = makeWriter(logs[0]);
        parts.encoder = std::make_unique<RecordingLameEncoder>(logs[0]);
        parts.transform = std::make_unique<FakeTransform>(logs[0]);
        parts.player = std::make_unique<FakePlayer>(logs[0]);
        parts.makeLabel = [](QWidget* parent) { return new FakeSkinLabel(parent); };
        parts.desktop = std::move(desktop);
        int made = 0;
        parts.makeJob = [&] {
            const CallLog& log = logs[static_cast<std::size_t>(++made)];
            return JobComponents{makeReader(log), makeWriter(log),
                                 std::make_unique<RecordingLameEncoder>(log),
                                 std::make_unique<FakeTransform>(log)};
        };
        Tfm_main window(std::move(parts));
        window.show();
        MainState& state = window.State();
        state.appSettings.OutputFormat = 1;
        state.settingsFile->WriteText(S("Format"), S("Dir"), dir.File(S("out")));
        state.appSettings.BatchJobs = c.jobs;
        QStringList names{S("a"), S("c")};
        if (c.ending == Ending::OneFails) {
            names = {S("a"), S("bad"), S("c")};
        } else if (c.ending == Ending::Stopped) {
            names = c.jobs > 1 ? QStringList{S("a"), S("c"), S("d")} : QStringList{S("a")};
        }
        for (const QString& name : names) {
            ListRow row;
            row.caption = name;
            row.path = dir.Write(name + S(".wav"), "x");
            window.Rows().Append(row);
        }
        QTimer stopper;
        QObject::connect(&stopper, &QTimer::timeout, [&] {
            // With jobs: once every row is being written.
            if (c.ending == Ending::Stopped && writes >= (gated ? 3 : 1) && state.Converting) {
                window.StopWork();
                stopAsked = true;
            }
        });
        stopper.start(0);
        window.ConvertAll();
        QTRY_VERIFY_WITH_TIMEOUT(!state.Busy(), 30000);
        stopper.stop();

        const QStringList told = events.filter(QRegularExpression(S("^(Inhibit|Release|box)")));
        ASSERT_GE(told.size(), 2) << label << events.join(S(" | ")).toStdString();
        EXPECT_EQ(told[0].toStdString(), "Inhibit(Converting audio files)") << label;
        EXPECT_EQ(told[1].toStdString(), "Release(7)") << label;
        if (*c.box == 0) {
            EXPECT_EQ(told.size(), 2) << label << told.join(S(" | ")).toStdString();
        } else {
            ASSERT_EQ(told.size(), 3) << label << told.join(S(" | ")).toStdString();
            EXPECT_TRUE(told[2].startsWith(S("box: ")) && told[2].contains(S(c.box)))
                << label << told[2].toStdString();
        }
        SetMessageSink(previous);
    }
}

}  // namespace
