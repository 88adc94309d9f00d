#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDropEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QUrl>
#include <functional>

#include "app/file_list_commands.h"
#include "app/information_box.h"
#include "app/main_window.h"
#include "fakes/fake_audio.h"
#include "fakes/fake_skin.h"
#include "list_fixtures.h"
#include "outside/audio/audio_factory.h"
#include "preview/preview_playback.h"
#include "settings/folder_chooser.h"
#include "support/temp_dir.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

// Runs act on the next modal dialog of type D once it is up.
template <typename D>
void WhenModal(std::function<void(D*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(dialog);
        }
    });
    timer->start();
}

class FileListTest : public ::testing::Test {
  protected:
    void SetUp() override {
        qputenv("XDG_CONFIG_HOME", dir.File(S("config")).toLocal8Bit());
        previous = SetMessageSink([this](MessageKind kind, const QString& text) {
            (kind == MessageKind::Information ? messages : errors) << text;
        });
        oldHome = qgetenv("HOME");
    }
    void TearDown() override {
        SetMessageSink(previous);
        qputenv("HOME", oldHome);
    }

    // The main window with fake components, except a real reader that probes added files.
    std::unique_ptr<Tfm_main> Start() {
        MainWindowParts parts;
        parts.skin = std::make_unique<FakeSkin>(log);
        parts.reader = std::make_unique<FakeAudioFile>(S("AudioFileRead"), log);
        parts.writer = std::make_unique<FakeAudioFile>(S("AudioFilewrite"), log);
        parts.prober = CreateAudioFile();
        parts.encoder = std::make_unique<RecordingLameEncoder>(log);
        parts.transform = std::make_unique<FakeTransform>(log);
        parts.player = std::make_unique<FakePlayer>(log);
        parts.makeLabel = [](QWidget* parent) { return new FakeSkinLabel(parent); };
        auto window = std::make_unique<Tfm_main>(std::move(parts));
        window->show();
        return window;
    }

    static QStringList Captions(Tfm_main& w) {
        QStringList captions;
        for (int i = 0; i < w.Rows().Count(); ++i) {
            captions << w.Rows().index(i, RowModel::kCaption).data().toString();
        }
        return captions;
    }
    static QStringList Titles(const QList<AudioFileinfo>& records) {
        QStringList titles;
        for (const AudioFileinfo& r : records) {
            titles << r.Title;
        }
        return titles;
    }
    // The six columns as the list shows them, then the input path.
    static QStringList RowTexts(Tfm_main& w, int row) {
        QStringList texts;
        for (int column = 0; column < RowModel::kColumnCount; ++column) {
            texts << w.Rows().index(row, column).data().toString();
        }
        texts << w.Rows().index(row, 0).data(RowModel::kPathRole).toString();
        return texts;
    }
    static void Select(Tfm_main& w, int row) {
        w.lv()->selectionModel()->select(w.Rows().index(row, 0),
                                         QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    TempDir dir;
    CallLog log = MakeCallLog();
    QStringList messages;
    QStringList errors;
    MessageSink previous;
    QByteArray oldHome;
};

// "Include sub-folders" walks a three-level tree with non-ASCII names; every row remembers the
// folder that was chosen, and the next showing (the output folder's) has no box.
TEST_F(FileListTest, AddFolderWithSubFoldersAddsTheTreeAndRowsRememberTheFolder) {
    QDir(dir.Path()).mkpath(S("lib/Ärger/Büro"));
    const QString lib = dir.File(S("lib"));
    WriteWavFixture(lib + S("/a.wav"), 22050, 1, 400);
    WriteWavFixture(lib + S("/Ärger/b.wav"), 22050, 1, 400);
    WriteWavFixture(lib + S("/Ärger/Büro/c.wav"), 22050, 1, 400);
    qputenv("HOME", lib.toLocal8Bit());

    auto w = Start();
    WhenModal<Tfm_dir>([](Tfm_dir* chooser) {
        EXPECT_TRUE(chooser->cb_subfolders()->isVisible());
        chooser->cb_subfolders()->setChecked(true);
        chooser->btn_ok()->click();
    });
    w->FileList().AddFolder();
    ASSERT_EQ(w->Rows().Count(), 3);
    const QStringList expected{lib + S("/a.wav"), lib + S("/Ärger/b.wav"),
                               lib + S("/Ärger/Büro/c.wav")};
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(w->Rows().Row(row).path, expected[row]);
        EXPECT_EQ(w->Rows().Row(row).sourceFolder, lib);
    }
    bool boxShown = true;
    WhenModal<Tfm_dir>([&](Tfm_dir* chooser) {
        boxShown = chooser->cb_subfolders()->isVisible();
        chooser->btn_cancel()->click();
    });
    w->FileList().FolderChooser()->ShowModal(S("Output Directory"));
    EXPECT_FALSE(boxShown);
}

TEST_F(FileListTest, AddFolderAddsTheFolderOwnAudioFilesThroughTheChooser) {
    QDir(dir.Path()).mkpath(S("music/sub"));
    const QString music = dir.File(S("music"));
    WriteMp3Fixture(music + S("/x.MP3"), 1200, S("  Live: Part 1/2  "));
    WriteWavFixture(music + S("/y.wav"), 22050, 1, 800);
    WriteWavFixture(music + S("/z.txt"), 22050, 1, 800);
    WriteWavFixture(music + S("/sub/w.wav"), 22050, 1, 800);
    dir.Write(S("music/bad.wav"), "not audio at all");
    dir.Write(S("music/worse.mp3"), "");
    qputenv("HOME", music.toLocal8Bit());  // the chooser opens on the home folder

    auto w = Start();
    QString caption;
    QPoint position;
    QSize size;
    WhenModal<Tfm_dir>([&](Tfm_dir* chooser) {
        caption = chooser->windowTitle();
        position = chooser->pos();
        size = chooser->frameGeometry().size();
        chooser->btn_ok()->click();
    });
    w->FileList().AddFolder();

    EXPECT_EQ(caption, S("Add File Directory"));
    const QRect main = w->frameGeometry();
    EXPECT_EQ(position, QPoint(main.left() + (main.width() - size.width()) / 2,
                               main.top() + (main.height() - size.height()) / 2));
    QStringList captions = Captions(*w);
    captions.sort();
    EXPECT_EQ(captions, (QStringList{S("Live Part 12"), S("y.wav")}));
    // Both unreadable files in one message, in the folder's order.
    ASSERT_EQ(messages.size(), 1);
    QStringList rejected = messages[0].split(u'\n');
    rejected.sort();
    EXPECT_EQ(rejected, (QStringList{S("bad.wav this File is not supported."),
                                     S("worse.mp3 this File is not supported.")}));
    ASSERT_EQ(w->Tags().Count(), 2);
    for (int row = 0; row < 2; ++row) {
        const bool mp3 = Captions(*w)[row] == S("Live Part 12");
        EXPECT_EQ(w->Tags().At(row).Title, mp3 ? S("Live Part 12") : QString());
        EXPECT_EQ(RowTexts(*w, row)[RowModel::kStatus], S("Unconvert"));
        EXPECT_EQ(w->Rows().Row(row).path, music + (mp3 ? S("/x.MP3") : S("/y.wav")));
    }
    EXPECT_FALSE(w->FileList().Adding());

    // Cancel adds nothing and says nothing.
    WhenModal<Tfm_dir>([](Tfm_dir* chooser) { chooser->btn_cancel()->click(); });
    w->FileList().AddFolder();
    EXPECT_EQ(w->Rows().Count(), 2);
    EXPECT_EQ(messages.size(), 1);
}

TEST_F(FileListTest, AddFilesUsesTheOpenDialogAndTheSameFileTwiceGivesTwoRows) {
    WriteWavFixture(dir.File(S("a.wav")), 44100, 2, 1500);
    WriteMp3Fixture(dir.File(S("b.mp3")), 1000);
    auto w = Start();

    QStringList filters;
    QString selectedFilter;
    auto choose = [&](const QString& names) {
        WhenModal<QFileDialog>([&, names](QFileDialog* dialog) {
            filters = dialog->nameFilters();
            selectedFilter = dialog->selectedNameFilter();
            EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFiles);
            dialog->setDirectory(dir.Path());
            dialog->findChild<QLineEdit*>(S("fileNameEdit"))->setText(names);
            static_cast<QDialog*>(dialog)->accept();  // QFileDialog::accept checks the names
        });
        w->FileList().AddFiles();
    };
    choose(S("\"a.wav\" \"b.mp3\""));
    choose(S("a.wav"));

    // The three long-standing entries, every extension in the first, then one per family.
    ASSERT_GE(filters.size(), 8);
    EXPECT_TRUE(filters[0].startsWith(S("All Supported Files (*.mp3 *.wav *.mp2 *.flac *.ogg ")))
        << filters[0].toStdString();
    EXPECT_TRUE(filters[0].contains(S(" *.m4a ")) && filters[0].contains(S(" *.wma")));
    EXPECT_EQ(filters.mid(1, 4),
              (QStringList{S("MPEG files (*.mp3 *.mp2)"), S("WAV files (*.wav)"),
                           S("FLAC files (*.flac)"), S("Ogg files (*.ogg *.oga *.opus)")}));
    EXPECT_TRUE(filters.contains(S("MPEG-4 audio (*.m4a *.mp4 *.aac *.m4b)")));
    EXPECT_EQ(selectedFilter, filters.value(0));
    ASSERT_EQ(Captions(*w), (QStringList{S("a.wav"), S("b.mp3"), S("a.wav")}));
    EXPECT_EQ(RowTexts(*w, 0), RowTexts(*w, 2));
    EXPECT_EQ(RowTexts(*w, 0), (QStringList{S("a.wav"), S("44100 Hz"), S(" Stereo "), S("00:00:01"),
                                            S("0.25MB"), S("Unconvert"), dir.File(S("a.wav"))}));
    EXPECT_EQ(w->Tags().Count(), 3);
    EXPECT_TRUE(messages.isEmpty()) << messages.join(S("|")).toStdString();
    // Probing used a reader of its own: AudioFileRead, which a preview may be playing from, was
    // not touched after start-up.
    EXPECT_FALSE(log->join(S("|")).contains(S("AudioFileRead.Open")));

    WhenModal<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    w->FileList().AddFiles();
    EXPECT_EQ(w->Rows().Count(), 3);
}

TEST_F(FileListTest, RemovalKeepsRecordsWithTheirRowsAndTheTitleColumnFollowsTheRowCount) {
    QStringList songs;
    for (int i = 0; i < 5; ++i) {
        songs << dir.File(S("t%1.mp3").arg(i));
        WriteMp3Fixture(songs.last(), 300, S("T%1").arg(i));
    }
    const QString wav = dir.File(S("w.wav"));
    WriteWavFixture(wav, 8000, 1, 300);
    auto w = Start();
    FileListCommands& list = w->FileList();
    list.AddPaths(songs);
    w->Preview().SetPlayIndex(4);
    Select(*w, 1);
    Select(*w, 3);
    list.RemoveSelected();

    EXPECT_EQ(Captions(*w), (QStringList{S("T0"), S("T2"), S("T4")}));
    EXPECT_EQ(Titles(w->Tags().All()), (QStringList{S("T0"), S("T2"), S("T4")}));
    EXPECT_EQ(w->Tags().At(2).Artist, S("Artist of T4"));
    EXPECT_EQ(w->Preview().PlayIndex(), 2);  // still the row of t4.mp3

    // A WAV added after the removals has an empty record.
    list.AddPaths({wav});
    EXPECT_EQ(w->Tags().At(w->Tags().Count() - 1).Title, QString());
    EXPECT_EQ(w->Tags().At(w->Tags().Count() - 1).Artist, QString());
    EXPECT_EQ(w->lv()->columnWidth(0), 120);

    QStringList more;
    for (int i = 0; i < 7; ++i) {
        more << wav;
    }
    list.AddPaths(more);  // eleven rows
    ASSERT_EQ(w->Rows().Count(), 11);
    EXPECT_EQ(w->lv()->columnWidth(0), 105);
    w->Preview().SetPlayIndex(10);
    w->lv()->clearSelection();
    Select(*w, 10);
    list.RemoveSelected();
    EXPECT_EQ(w->lv()->columnWidth(0), 120);
    EXPECT_EQ(w->Preview().PlayIndex(), 9);  // its row went: the last row takes its place

    list.ClearList();
    EXPECT_EQ(w->Rows().Count(), 0);
    EXPECT_TRUE((w->Tags().Count() == 0));
    EXPECT_EQ(w->Preview().PlayIndex(), 0);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(FileListTest, DroppedFilesAndFoldersAreAddedAsAddFileAndAddFolderAddThem) {
    QDir(dir.Path()).mkpath(S("album/sub"));
    WriteWavFixture(dir.File(S("one.wav")), 44100, 2, 400);
    WriteMp3Fixture(dir.File(S("two.mp3")), 400, S("Second"));
    WriteWavFixture(dir.File(S("album/three.wav")), 44100, 2, 400);
    WriteWavFixture(dir.File(S("album/sub/four.wav")), 44100, 2, 400);
    dir.Write(S("album/cover.jpg"), "jpeg");
    auto w = Start();
    QWidget* viewport = w->lv()->viewport();

    QMimeData remote;
    remote.setUrls({QUrl(S("https://example.org/a.mp3"))});
    QDragEnterEvent refused(QPoint(5, 5), Qt::CopyAction, &remote, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &refused);
    EXPECT_FALSE(refused.isAccepted());

    QMimeData local;
    local.setUrls({QUrl::fromLocalFile(dir.File(S("one.wav"))),
                   QUrl::fromLocalFile(dir.File(S("two.mp3"))),
                   QUrl::fromLocalFile(dir.File(S("album")))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &local, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &local, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_TRUE(QTest::qWaitFor([&] { return w->Rows().Count() == 3; }, 10000));
    EXPECT_EQ(Captions(*w), (QStringList{S("one.wav"), S("Second"), S("three.wav")}));
    EXPECT_EQ(w->Tags().Count(), 3);
    EXPECT_TRUE(messages.isEmpty()) << messages.join(S("|")).toStdString();

    // While converting, a drop is refused like Add File.
    w->State().Converting = true;
    QDragEnterEvent enterAgain(QPoint(5, 5), Qt::CopyAction, &local, Qt::LeftButton,
                               Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &enterAgain);
    QDropEvent again(QPointF(5, 5), Qt::CopyAction, &local, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &again);
    QTest::qWait(50);
    EXPECT_EQ(messages, QStringList{S("Please stop converting first!")});
    EXPECT_EQ(w->Rows().Count(), 3);
}

TEST_F(FileListTest, ListCommandsAreRefusedWhileConvertingOrAdding) {
    const QString wav = dir.File(S("a.wav"));
    WriteWavFixture(wav, 44100, 1, 200);
    auto w = Start();
    FileListCommands& list = w->FileList();
    list.AddPaths({wav, wav});
    w->lv()->selectAll();

    w->State().Converting = true;
    list.AddFiles();
    list.AddFolder();
    list.AddPaths({wav});
    list.RemoveSelected();
    list.ClearList();
    EXPECT_EQ(messages, QStringList(5, S("Please stop converting first!")));
    EXPECT_EQ(w->Rows().Count(), 2);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);  // no dialog was opened
    w->State().Converting = false;

    // Commands that arrive while an add pumps messages are refused; the add completes.
    messages.clear();
    QTimer::singleShot(0, w.get(), [&] {
        EXPECT_TRUE(w->FileList().Adding());
        list.ClearList();
        list.RemoveSelected();
        list.AddPaths({wav});
    });
    list.AddPaths({wav, wav});
    EXPECT_EQ(messages, QStringList(3, S("Please wait until the files are added!")));
    EXPECT_EQ(w->Rows().Count(), 4);
    EXPECT_EQ(w->Tags().Count(), 4);
    EXPECT_FALSE(w->FileList().Adding());
}

TEST_F(FileListTest, AnUnreadableOggEndsTheAddAndLeavesNoHalfFilledRow) {
    const QString wav = dir.File(S("a.wav"));
    WriteWavFixture(wav, 44100, 1, 200);
    const QString ogg = dir.Write(S("broken.ogg"), "not ogg");
    const QString junk = dir.Write(S("junk.wav"), "junk");
    auto w = Start();
    w->FileList().AddPaths({wav, junk, ogg, wav});
    EXPECT_EQ(Captions(*w), QStringList{S("a.wav")});
    EXPECT_EQ(w->Tags().Count(), 1);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].startsWith(S("Cannot open "))) << errors[0].toStdString();
    // The files refused before the add ended are still named.
    EXPECT_EQ(messages, QStringList{S("junk.wav this File is not supported.")});
}

TEST_F(FileListTest, UnreadableFilesAreNamedInOneMessageWhenTheAddEnds) {
    const QString wav = dir.File(S("a.wav"));
    WriteWavFixture(wav, 44100, 1, 200);
    QStringList paths{dir.Write(S("one.wav"), "x"), wav, dir.Write(S("two.mp3"), "")};
    auto w = Start();
    w->FileList().AddPaths(paths);
    EXPECT_EQ(Captions(*w), QStringList{S("a.wav")});
    EXPECT_EQ(messages, QStringList{S("one.wav this File is not supported.\n"
                                      "two.mp3 this File is not supported.")});

    // Many: the first twenty by name, the rest counted, so the box stays on the screen.
    paths.clear();
    for (int i = 0; i < 25; ++i) {
        paths << dir.Write(S("bad%1.wav").arg(i, 2, 10, QLatin1Char('0')), "x");
    }
    messages.clear();
    w->FileList().AddPaths(paths);
    ASSERT_EQ(messages.size(), 1);
    const QStringList lines = messages[0].split(u'\n');
    ASSERT_EQ(lines.size(), 21);
    EXPECT_EQ(lines[19], S("bad19.wav this File is not supported."));
    EXPECT_EQ(lines[20], S("… and 5 more files that are not supported."));
    EXPECT_EQ(w->Rows().Count(), 1);
}

TEST_F(FileListTest, RowClickSelectsOrMovesPlayIndex) {
    const QString wav = dir.File(S("a.wav"));
    WriteWavFixture(wav, 44100, 1, 200);
    auto w = Start();
    w->FileList().AddPaths({wav, wav, wav});
    QTreeView* lv = w->lv();
    auto clickRow = [&](int row) {
        const QRect r = lv->visualRect(w->Rows().index(row, 0));
        QTest::mouseClick(lv->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
        QCoreApplication::processEvents();
    };
    clickRow(2);
    EXPECT_EQ(w->Preview().PlayIndex(), 2);

    w->Preview().StartPreview();  // a preview keeps its row
    ASSERT_TRUE(w->Preview().Playing());
    clickRow(0);
    EXPECT_EQ(w->Preview().PlayIndex(), 2);
    w->Preview().StopPreview();

    // A click that leaves nothing selected selects row PlayIndex.
    lv->clearSelection();
    QTest::mouseClick(lv->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 190));
    QCoreApplication::processEvents();
    const QModelIndexList selected = lv->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected.first().row(), 2);
}

}  // namespace

namespace {

// A folder with an image and its sheet gives the sheet's tracks, not the image as well; a sheet
// that cannot be used is named once at the end; [Cue] split=off lists the image as one row.
TEST_F(FileListTest, AFolderWithAnImageAndItsSheetGivesTheTracks) {
    QDir(dir.Path()).mkpath(S("album"));
    WriteWavFixture(dir.File(S("album/album.wav")), 44100, 2, 3000);
    dir.Write(
        S("album/album.cue"),
        "TITLE \"Album\"\nFILE \"album.wav\" WAVE\n  TRACK 01 AUDIO\n    TITLE \"One\"\n"
        "    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    TITLE \"Two\"\n    INDEX 01 00:01:00\n");
    dir.Write(S("album/broken.cue"), "FILE \"album.wav\" WAVE\n  TRACK 01 AUDIO\n");
    for (const bool split : {true, false}) {
        SCOPED_TRACE(split);
        QDir().mkpath(dir.File(S("config")));
        dir.Write(S("config/Quorvel.ini"), split ? "" : "[Cue]\nsplit=off\n");
        messages.clear();
        auto w = Start();
        w->FileList().AddPaths({dir.File(S("album"))});
        if (split) {
            EXPECT_EQ(Captions(*w), (QStringList{S("01 One"), S("02 Two")}));
            EXPECT_EQ(RowTexts(*w, 1).at(RowModel::kTime), S("00:00:02"));
            EXPECT_EQ(w->Tags().At(1).Album, S("Album"));
            EXPECT_EQ(messages,
                      QStringList{S("The cue sheet %1 cannot be used: line 2: TRACK 01 has no "
                                    "INDEX 01")
                                      .arg(dir.File(S("album/broken.cue")))});
        } else {
            EXPECT_EQ(Captions(*w), QStringList{S("album.wav")});
            EXPECT_TRUE(messages.isEmpty()) << messages.join(S("|")).toStdString();
        }
    }
}

}  // namespace
