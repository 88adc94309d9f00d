#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QUrl>

#include "app/command_dispatch.h"
#include "app/desktop_open.h"
#include "app/file_list_commands.h"
#include "app/information_box.h"
#include "app/main_window.h"
#include "app/secondary_windows.h"
#include "fakes/fake_audio.h"
#include "fakes/fake_skin.h"
#include "preview/preview_playback.h"
#include "support/temp_dir.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        qputenv("XDG_CONFIG_HOME", dir.Path().toLocal8Bit());
        previous = SetMessageSink([this](MessageKind, const QString& text) { messages << text; });
    }
    void TearDown() override { SetMessageSink(previous); }

    QString IniPath() const { return dir.File(S("Quorvel.ini")); }

    std::unique_ptr<Tfm_main> Start() {
        MainWindowParts parts;
        auto fakeSkin = std::make_unique<FakeSkin>(log);
        skin = fakeSkin.get();
        for (const char* name :
             {"b_Add", "b_remove", "b_clear", "b_convert", "b_nomalize", "b_stop", "p_play",
              "p_stop", "b_dir", "b_open", "b_id3", "file", "action", "setting", "help", "helpp"}) {
            fakeSkin->Add(S(name));
        }
        skinSetup(*fakeSkin);
        parts.skin = std::move(fakeSkin);
        parts.reader = std::make_unique<FakeAudioFile>(S("AudioFileRead"), log);
        parts.writer = std::make_unique<FakeAudioFile>(S("AudioFilewrite"), log);
        parts.encoder = std::make_unique<RecordingLameEncoder>(log);
        parts.transform = std::make_unique<FakeTransform>(log);
        parts.player = std::make_unique<FakePlayer>(log);
        parts.makeLabel = [](QWidget* parent) { return new FakeSkinLabel(parent); };
        auto window = std::make_unique<Tfm_main>(std::move(parts));
        window->show();
        return window;
    }

    TempDir dir;
    CallLog log = MakeCallLog();
    FakeSkin* skin = nullptr;
    std::function<void(FakeSkin&)> skinSetup = [](FakeSkin&) {};
    QStringList messages;
    MessageSink previous;
};

TEST_F(MainWindowTest, WindowHasItsFixedClientAreaCaptionAndControls) {
    auto w = Start();
    EXPECT_EQ(w->size(), QSize(471, 380));
    EXPECT_EQ(w->minimumSize(), w->maximumSize());
    EXPECT_EQ(w->windowTitle(), S("Quorvel"));
    EXPECT_FALSE(w->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(w->lv()->geometry(), QRect(12, 100, 446, 201));
    EXPECT_EQ(w->lv()->objectName(), S("lv"));
    EXPECT_EQ(w->lv()->model(), &w->Rows());
    ASSERT_EQ(w->lv()->header()->count(), 6);
    const char* captions[] = {"File Title", "Frequency", "Channels", "Time", "Size", "Status"};
    const int widths[] = {120, 70, 60, 60, 60};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(w->lv()->model()->headerData(i, Qt::Horizontal).toString(), S(captions[i]));
        if (i < 5) {
            EXPECT_EQ(w->lv()->columnWidth(i), widths[i]);
        }
    }
    EXPECT_GE(w->lv()->columnWidth(5), 70);
    EXPECT_EQ(w->lv()->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_FALSE(w->lv()->header()->sectionsClickable());
    EXPECT_EQ(w->findChild<QWidget*>(S("SkinLabel1"))->geometry(), QRect(90, 76, 242, 14));
    EXPECT_EQ(w->scmb()->pos(), QPoint(358, 48));
    EXPECT_EQ(w->scmb()->width(), 100);
    EXPECT_EQ(w->scmb()->count(), 9);
    EXPECT_FALSE(w->Timer1()->isActive());
    EXPECT_EQ(w->Timer1()->interval(), 1000);
}

// The Status column shows every status whole, "Converting" the longest, in the window's font and
// in the larger one a skin may set after the window was built; the other columns keep their
// widths. Measured against the style's own text area of the cell.
TEST_F(MainWindowTest, TheStatusColumnShowsEveryStatusWhole) {
    auto w = Start();
    ListRow row;
    row.caption = S("song");
    w->Rows().Append(row);
    QTreeView* lv = w->lv();
    for (const int points : {0, 13}) {
        if (points > 0) {
            QFont larger = w->font();
            larger.setPointSize(points);
            w->setFont(larger);  // as the skin does at the first show
        }
        QStyleOptionViewItem option;
        option.initFrom(lv);
        option.font = lv->font();
        option.fontMetrics = QFontMetrics(lv->font());
        option.features = QStyleOptionViewItem::HasDisplay;
        option.rect = lv->visualRect(w->Rows().index(0, RowModel::kStatus));
        ASSERT_EQ(option.rect.width(), lv->columnWidth(RowModel::kStatus));
        for (const RowState state :
             {RowState::Waiting, RowState::Measuring, RowState::Converting, RowState::Finished,
              RowState::Stopped, RowState::Exists, RowState::Playing}) {
            option.text = RowStateText(state);
            const QRect text =
                lv->style()->subElementRect(QStyle::SE_ItemViewItemText, &option, lv);
            // One pixel more: the grid line is drawn inside the cell's right edge.
            EXPECT_LE(option.fontMetrics.horizontalAdvance(option.text) + 1, text.width())
                << points << " pt: " << option.text.toStdString();
        }
        EXPECT_GE(lv->columnWidth(RowModel::kStatus), 70);
        EXPECT_EQ(lv->columnWidth(RowModel::kCaption), 120);
        EXPECT_EQ(lv->columnWidth(RowModel::kSize), 60);
    }
}

TEST_F(MainWindowTest, FirstShowLoadsTheSkinSwitchesOnTheReaderAndWriterAndRestsTheProgress) {
    auto w = Start();
    const QString skinPath = QDir(QCoreApplication::applicationDirPath()).filePath(S("mp3enc.dll"));
    const QStringList expected = {
        S("Skin1.LoadSkin(") + skinPath + S(")"), S("Skin1.ApplySkin()"),
        S("Skin1.ApplySkinObject(Form)"),         S("Skin1.GetSkinForm()"),
        S("AudioFileRead.SetEnabled(true)"),      S("AudioFilewrite.SetEnabled(true)"),
    };
    EXPECT_EQ(*log, expected);
    const SkinRect bar = skin->Object(S("pb"))->GetRect();
    EXPECT_EQ(bar.right, bar.left);
    EXPECT_EQ(skin->Object(S("pbpos"))->Text(), S(""));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(MainWindowTest, NoSettingsFileGivesDefaultsAndCloseWritesTheSevenKeysInOrder) {
    auto w = Start();
    EXPECT_EQ(w->SkinLabel1()->Caption(), DefaultOutputDir());
    EXPECT_EQ(w->scmb()->currentText(), S("MP3"));
    AppSettings expected;
    expected.OutputDir = DefaultOutputDir();
    EXPECT_EQ(w->State().appSettings, expected);
    EXPECT_FALSE(QFile::exists(IniPath()));  // reading creates nothing

    EXPECT_TRUE(w->close());
    EXPECT_EQ(ReadAll(IniPath()), (S("[Format]\nDir=") + DefaultOutputDir() +
                                   S("\nint=0\n[Fade]\nIn=0\nOut=0\nIntime=5\nOuttime=5\n"
                                     "[Nor]\nvol=98\n"))
                                      .toUtf8());
}

TEST_F(MainWindowTest, StoredWavFormatSelectsWavAndPickingMp3IsWrittenBack) {
    dir.Write(S("Quorvel.ini"), "[Format]\nint=1\nDir=/srv/out\n");
    auto w = Start();
    EXPECT_EQ(w->scmb()->currentText(), S("WAV"));
    EXPECT_EQ(w->State().appSettings.OutputFormat, 1);
    EXPECT_EQ(w->SkinLabel1()->Caption(), S("/srv/out"));
    emit w->scmb()->activated(0);
    EXPECT_EQ(w->State().appSettings.OutputFormat, 0);
    EXPECT_TRUE(w->close());
    EXPECT_TRUE(ReadAll(IniPath()).startsWith("[Format]\nint=0\nDir=/srv/out\n[Fade]"));
}

// The selector shows the format of the stored code and stores the code of the format picked; a
// code it does not offer (a hand-edited WMA or VOX) leaves it on MP3 and is written back as it was.
TEST_F(MainWindowTest, FormatSelectorMapsStoredCodesBothWays) {
    const struct {
        int code;
        const char* shown;
        int position;
    } cases[] = {
        {0, "MP3", 0},  {1, "WAV", 1},       {5, "FLAC", 2}, {3, "Ogg Vorbis", 3},
        {6, "Opus", 4}, {7, "M4A (AAC)", 5}, {2, "MP3", -1}, {4, "MP3", -1},
    };
    for (const auto& c : cases) {
        dir.Write(S("Quorvel.ini"), QStringLiteral("[Format]\nint=%1\n").arg(c.code).toUtf8());
        auto w = Start();
        EXPECT_EQ(w->scmb()->currentText(), S(c.shown)) << c.code;
        EXPECT_EQ(w->State().appSettings.OutputFormat, c.code);
        if (c.position >= 0) {
            emit w->scmb()->activated(0);
            EXPECT_EQ(w->State().appSettings.OutputFormat, 0);
            emit w->scmb()->activated(c.position);
        }
        EXPECT_EQ(w->State().appSettings.OutputFormat, c.code);
        EXPECT_TRUE(w->close());
        EXPECT_TRUE(ReadAll(IniPath()).startsWith(
            QStringLiteral("[Format]\nint=%1\n").arg(c.code).toUtf8()))
            << c.code;
    }
}

TEST_F(MainWindowTest, CloseDuringABatchClearsConvertingAndStillWrites) {
    auto w = Start();
    w->State().Converting = true;
    w->ShowProgress(5000);
    EXPECT_EQ(skin->Object(S("pbpos"))->Text(), S("50%"));
    EXPECT_TRUE(w->close());
    EXPECT_FALSE(w->State().Converting.load());
    EXPECT_TRUE(QFile::exists(IniPath()));
}

TEST_F(MainWindowTest, ProgressFollowsConvertingAndTheTwoElements) {
    auto w = Start();
    const SkinRect rest = skin->Object(S("pb"))->GetRect();
    w->ShowProgress(5000);  // no batch: drawn as 0
    EXPECT_EQ(skin->Object(S("pb"))->GetRect().right, rest.left);
    EXPECT_EQ(skin->Object(S("pbpos"))->Text(), S("0%"));
    w->State().Converting = true;
    w->ShowProgress(12000);
    EXPECT_EQ(skin->Object(S("pb"))->GetRect().right, rest.left + 442);
    EXPECT_EQ(skin->Object(S("pb"))->GetRect().top, rest.top);
    EXPECT_EQ(skin->Object(S("pbpos"))->Text(), S("100%"));
}

TEST_F(MainWindowTest, MissingSkinFileIsReportedAndAMissingBarIsNoFailure) {
    skinSetup = [](FakeSkin& s) {
        s.loadProblem = S("Cannot load the skin file /x/mp3enc.dll: no such file.");
        s.Remove(S("pb"));
    };
    auto w = Start();
    EXPECT_EQ(messages, QStringList{S("Cannot load the skin file /x/mp3enc.dll: no such file.")});
    w->State().Converting = true;
    w->ShowProgress(3700);
    EXPECT_EQ(skin->Object(S("pbpos"))->Text(), S("37%"));
}

TEST_F(MainWindowTest, UnwritableSettingsKeepTheWindowOpenOnceWithTheError) {
    const QString blocker = dir.Write(S("blocker"), "x");
    qputenv("XDG_CONFIG_HOME", blocker.toLocal8Bit());  // a file where the folder should be
    {
        auto w = Start();
        EXPECT_FALSE(w->close());
        EXPECT_TRUE(w->isVisible());
        EXPECT_EQ(messages, QStringList{S("Unable to write to Quorvel.ini")});
        qputenv("XDG_CONFIG_HOME", dir.Path().toLocal8Bit());
        EXPECT_TRUE(w->close());  // once the folder is usable again, closing saves and closes
        EXPECT_TRUE(QFile::exists(dir.Path() + S("/Quorvel.ini")));
    }
    qputenv("XDG_CONFIG_HOME", blocker.toLocal8Bit());
    messages.clear();
    auto w = Start();
    EXPECT_FALSE(w->close());
    EXPECT_TRUE(w->close());  // asked again: the program must not be impossible to leave
    EXPECT_EQ(messages, QStringList{S("Unable to write to Quorvel.ini")});
    qputenv("XDG_CONFIG_HOME", dir.Path().toLocal8Bit());
}

// Runs `steps` once the next modal dialog is open, then closes it if the steps did not.
void WhenModal(std::function<void(QDialog&)> steps) {
    QTimer::singleShot(0, [steps = std::move(steps)] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        steps(*dialog);
        if (dialog->isVisible()) {
            dialog->reject();
        }
    });
}

TEST_F(MainWindowTest, SkinClicksOpenTheTagEditorAboutBoxHelpAndOutputFolder) {
    auto w = Start();
    auto* about = new Tfm_about(w.get());
    auto* id3 = new Tfm_id3(
        w->Rows(), [](QWidget* p) { return new FakeSkinLabel(p); }, w.get());
    w->SetSecondaryWindows(about, new Tfm_dir(w.get()),
                           new Tfm_set(w->State().appSettings, w->State().settingsFile, w.get()),
                           id3);
    QList<QUrl> opened;
    bool openWorks = true;
    const DesktopOpener previousOpener = SetDesktopOpener([&](const QUrl& url) {
        opened << url;
        return openWorks;
    });

    QString modal;
    WhenModal([&](QDialog& d) { modal = d.objectName() + S(":") + d.windowTitle(); });
    skin->Click(S("b_id3"));
    EXPECT_EQ(modal, S("fm_id3:ID3 Edit"));

    w->move(40, 30);
    skin->Click(S("help"));
    w->Dispatch().p_help()->hide();
    w->Dispatch().About2Click();
    EXPECT_TRUE(about->isVisible());
    EXPECT_FALSE(about->isModal());
    EXPECT_EQ(about->frameGeometry().topLeft(), w->frameGeometry().topLeft());
    EXPECT_EQ(about->windowTitle(), S("About Quorvel"));
    EXPECT_EQ(about->findChild<QLabel*>(S("Comments"))->text(),
              S("Directly Convert between MP3 and WAV."));
    EXPECT_TRUE(about->findChild<QLabel*>(S("ProductName"))->font().bold());
    EXPECT_EQ(about->findChild<QLabel*>(S("Version"))->text(), S("Version: 3.00"));
    about->close();

    // Help and the output folder open through the desktop; a failure is said, not swallowed.
    const QString helpPage =
        QDir(QCoreApplication::applicationDirPath()).filePath(S("help/Quorvel.html"));
    ASSERT_TRUE(QFile::exists(helpPage));
    w->State().Converting = true;  // help is allowed during a batch, the folder is not
    skin->Click(S("helpp"));
    skin->Click(S("b_open"));
    EXPECT_EQ(opened, QList<QUrl>{QUrl::fromLocalFile(helpPage)});
    EXPECT_EQ(messages, QStringList{S("Please stop converting first!")});
    w->State().Converting = false;
    w->State().appSettings.OutputDir = dir.Path();
    skin->Click(S("b_open"));
    EXPECT_EQ(opened.last(), QUrl::fromLocalFile(dir.Path()));
    openWorks = false;
    messages.clear();
    skin->Click(S("b_open"));
    w->State().appSettings.OutputDir = dir.File(S("not-yet"));
    skin->Click(S("b_open"));
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[0].startsWith(S("Cannot open the output folder ") + dir.Path()));
    EXPECT_TRUE(messages[1].contains(S("does not exist yet")));
    SetDesktopOpener(previousOpener);
}

TEST_F(MainWindowTest, OutputFolderChooserCancelChangesNothingAndOkKeepsTheFolderAtOnce) {
    auto w = Start();
    auto* chooser = new Tfm_dir(w.get());
    w->SetSecondaryWindows(nullptr, chooser, nullptr, nullptr);
    const QString before = w->SkinLabel1()->Caption();
    QString caption;
    WhenModal([&](QDialog& d) { caption = d.windowTitle(); });
    skin->Click(S("b_dir"));
    EXPECT_EQ(caption, S("Output Directory"));
    EXPECT_EQ(w->SkinLabel1()->Caption(), before);
    EXPECT_EQ(w->State().appSettings.OutputDir, before);
    EXPECT_FALSE(QFile::exists(IniPath()));

    // Ok at once takes the folder the chooser shows selected first (the home folder).
    WhenModal([](QDialog& d) { static_cast<Tfm_dir&>(d).btn_ok()->click(); });
    skin->Click(S("b_dir"));
    const QString chosen = w->SkinLabel1()->Caption();
    EXPECT_NE(chosen, before);
    EXPECT_EQ(w->State().appSettings.OutputDir, chosen);
    EXPECT_EQ(SettingsFile().ReadText(S("Format"), S("Dir"), QString()),
              chosen);  // already written
}

TEST_F(MainWindowTest, PlayAndStopElementsDriveThePreviewOfTheListRows) {
    auto w = Start();
    for (const char* name : {"a", "b"}) {
        ListRow row;
        row.caption = S(name);
        row.path = S("/in/%1.wav").arg(S(name));
        w->Rows().Append(row);
    }
    const auto status = [&](int row) {
        return w->Rows().index(row, RowModel::kStatus).data().toString();
    };
    log->clear();
    // An add in progress: nothing may start reading the list.
    w->FileList().RunAdd([&] {
        skin->Click(S("p_play"));
        skin->Click(S("b_convert"));
    });
    EXPECT_TRUE(log->isEmpty());
    EXPECT_EQ(messages, QStringList(2, S("Please wait until the files are added!")));
    skin->Click(S("p_play"));  // nothing selected: the last row
    EXPECT_EQ(log->first(), S("AudioFileRead.Open(/in/b.wav)"));
    EXPECT_EQ(status(1), S("Playing"));
    skin->Click(S("p_stop"));
    EXPECT_EQ(status(1), S("Stop"));
    EXPECT_FALSE(w->Preview().Playing());
}

}  // namespace
