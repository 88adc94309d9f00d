#include "app/file_list_commands.h"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLocale>
#include <QMimeData>
#include <QTimer>
#include <QTreeView>
#include <QUrl>
#include <algorithm>
#include <utility>

#include "app/information_box.h"
#include "engine/batch_control.h"
#include "filelist/folder_scan.h"
#include "filelist/input_formats.h"
#include "filelist/input_rows.h"
#include "filelist/probe_file.h"
#include "filelist/row_model.h"
#include "preview/preview_playback.h"
#include "settings/folder_chooser.h"
#include "settings/folder_tree.h"

namespace {

// The files named one by one in the message about files that could not be added.
constexpr int kMostRejectionsListed = 20;

// Marks an add operation for its whole length, however it ends.
class AddingScope {
  public:
    explicit AddingScope(bool& adding) : adding_(adding) { adding_ = true; }
    ~AddingScope() { adding_ = false; }
    AddingScope(const AddingScope&) = delete;
    AddingScope& operator=(const AddingScope&) = delete;

  private:
    bool& adding_;
};

// The local paths of a drag, or nothing when any of it is not a local file or folder.
QStringList LocalPaths(const QMimeData* mime) {
    QStringList paths;
    if (!mime || !mime->hasUrls()) {
        return paths;
    }
    for (const QUrl& url : mime->urls()) {
        if (!url.isLocalFile()) {
            return {};
        }
        paths << url.toLocalFile();
    }
    return paths;
}

}  // namespace

FileListCommands::FileListCommands(QWidget* window, QTreeView* lv, RowModel& rows,
                                   const BatchControl& batch, PreviewPlayback& preview,
                                   IAudioFile2& reader)
    : QObject(window),
      window_(window),
      lv_(lv),
      rows_(rows),
      batch_(batch),
      preview_(preview),
      reader_(reader) {
    lv_->setAcceptDrops(true);
    lv_->viewport()->setAcceptDrops(true);
    viewport_ = lv_->viewport();
    viewport_->installEventFilter(this);
}

bool FileListCommands::RefuseWhileBusy() {
    if (batch_.Busy()) {
        ShowInformation(window_, tr("Please stop converting first!"));
        return true;
    }
    if (adding_) {
        ShowInformation(window_, tr("Please wait until the files are added!"));
        return true;
    }
    return false;
}

Tfm_dir* FileListCommands::FolderChooser() {
    auto* chooser = window_->findChild<Tfm_dir*>(QStringLiteral("fm_dir"));
    if (!chooser) {
        chooser = new Tfm_dir(window_);
    }
    chooser->ShellTreeView1()->SetMessageHandler(
        [this](const QString& text) { ShowInformation(window_, text); });
    return chooser;
}

// Handles pending window messages between files, so the window stays responsive during a long
// add. Pumping at every file would repaint the list after each one, and painting costs far more
// than probing a file: after the first pump of an add, messages are handled at most every 20 ms,
// which the user cannot tell apart.
void FileListCommands::PumpMessages() {
    if (lastPump_.isValid() && lastPump_.elapsed() < 20) {
        return;
    }
    QCoreApplication::processEvents();
    lastPump_.start();
}

void FileListCommands::BeginAdd() {
    windowWasVisible_ = window_->isVisible();
    lastPump_.invalidate();
}

bool FileListCommands::WindowClosed() const {
    // A window closed in the middle of an add ends it; one never shown (tests) does not.
    return windowWasVisible_ && !window_->isVisible();
}

void FileListCommands::UpdateTitleColumnWidth() {
    lv_->setColumnWidth(RowModel::kCaption, rows_.Count() <= 10 ? 120 : 105);
}

void FileListCommands::AddFiles() {
    if (RefuseWhileBusy()) {
        return;
    }
    QFileDialog dialog(window_);
    dialog.setObjectName(QStringLiteral("OpenDialog1"));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(InputFileFilters());
    dialog.selectNameFilter(dialog.nameFilters().constFirst());
    dialog.setSizeGripEnabled(true);
    if (QGuiApplication::platformName() == QStringLiteral("offscreen")) {
        dialog.setOption(QFileDialog::DontUseNativeDialog);  // tests drive Qt's own dialog
    }
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const QStringList paths = dialog.selectedFiles();
    RunAdd([&] {
        for (const QString& path : paths) {
            PumpMessages();
            if (WindowClosed() || AddOne(path) == Outcome::End) {
                return;
            }
        }
    });
}

void FileListCommands::AddFolder() {
    if (RefuseWhileBusy()) {
        return;
    }
    Tfm_dir* chooser = FolderChooser();
    chooser->OfferSubfolders();
    chooser->CentreOver(window_);
    const QString folder = chooser->ShowModal(tr("Add File Directory"));
    if (folder.isEmpty()) {
        return;
    }
    const bool recursive = chooser->IncludeSubfolders();
    RunAdd([&] { ScanFolder(folder, folder, recursive); });
}

void FileListCommands::AddPaths(const QStringList& paths) {
    if (RefuseWhileBusy()) {
        return;
    }
    RunAdd([&] {
        for (const QString& path : paths) {
            if (QFileInfo(path).isDir()) {
                if (ScanFolder(path, path, false) == Outcome::End) {
                    return;
                }
                continue;
            }
            PumpMessages();
            if (WindowClosed() || AddOne(path) == Outcome::End) {
                return;
            }
        }
    });
}

void FileListCommands::RunAdd(const std::function<void()>& add) {
    rejected_.clear();
    {
        AddingScope adding(adding_);
        BeginAdd();
        add();
    }
    // After the add has ended, so that commands arriving while the box is open are not told to
    // wait for it.
    const QStringList rejected = std::exchange(rejected_, {});
    if (rejected.isEmpty() || WindowClosed()) {
        return;
    }
    QStringList lines = rejected.mid(0, kMostRejectionsListed);
    if (rejected.size() > kMostRejectionsListed) {
        // A box taller than the screen would hide its own OK button.
        lines << tr("… and %1 more files that are not supported.")
                     .arg(rejected.size() - kMostRejectionsListed);
    }
    ShowInformation(window_, lines.join(u'\n'));
}

FileListCommands::Outcome FileListCommands::ScanFolder(const QString& folder,
                                                       const QString& sourceFolder,
                                                       bool recursive) {
    const QFileInfo info(folder);
    if (!info.isDir() || !info.isReadable()) {
        ShowErrorReport(window_, tr("Cannot open the folder %1.").arg(folder));
        return Outcome::End;
    }
    for (const QString& name : FolderInputNames(folder, splitSheets_ ? splitSheets_() : true)) {
        PumpMessages();  // between the inputs: each is probed, a sheet's files too
        if (WindowClosed()) {
            return Outcome::End;
        }
        if (AddOne(FolderEntryPath(folder, name), sourceFolder) == Outcome::End) {
            return Outcome::End;
        }
    }
    if (recursive) {
        for (const QString& sub : SubFolders(folder)) {
            // One unreadable sub-folder is named with the files not added; the others go on.
            const QFileInfo subInfo(sub);
            if (!subInfo.isReadable() || !subInfo.isExecutable()) {
                rejected_ << tr("Cannot open the folder %1.").arg(sub);
                continue;
            }
            if (ScanFolder(sub, sourceFolder, true) == Outcome::End) {
                return Outcome::End;
            }
        }
    }
    return Outcome::Next;
}

FileListCommands::Outcome FileListCommands::AddOne(const QString& path,
                                                   const QString& sourceFolder) {
    // The row shows (and counts for the column's width) while its file is probed.
    ListRow waiting;
    waiting.path = path;
    waiting.caption = QFileInfo(path).fileName();
    if (!rows_.Append(waiting)) {
        return Outcome::End;  // the list is held by a batch
    }
    const int row = rows_.Count() - 1;
    UpdateTitleColumnWidth();

    PathRows result;
    try {
        result = RowsOfPath(reader_, path, QLocale::system().decimalPoint(),
                            splitSheets_ ? splitSheets_() : true, sourceFolder);
    } catch (const ProbeError& e) {
        // Ends the whole add; the half-filled row is not kept.
        rows_.Remove(row);
        ShowErrorReport(window_, e.Message());
        return Outcome::End;
    } catch (const std::exception& e) {
        rows_.Remove(row);
        ShowErrorReport(window_, ErrorMessage(e));
        return Outcome::End;
    }
    for (const QString& problem : {result.rejection, result.warning}) {
        if (!problem.isEmpty()) {
            rejected_ << problem;  // said once, for all of them, when the add ends
        }
    }
    if (result.rows.empty()) {
        rows_.Remove(row);  // the column keeps its width
        return Outcome::Next;
    }
    // A sheet's tracks follow the row that waited for them, in the sheet's order.
    rows_.Replace(row, std::move(result.rows.front()));
    for (std::size_t i = 1; i < result.rows.size(); ++i) {
        if (!rows_.Append(std::move(result.rows[i]))) {
            return Outcome::End;
        }
    }
    if (result.rows.size() > 1) {
        UpdateTitleColumnWidth();
    }
    return Outcome::Next;
}

void FileListCommands::RemoveSelected() {
    if (RefuseWhileBusy()) {
        return;
    }
    // Walked by position as many steps as there were rows: a removed row's successor moves up
    // into the position just looked at.
    const QItemSelectionModel* selection = lv_->selectionModel();
    const int rows = rows_.Count();
    int index = 0;
    for (int step = 0; step < rows && index < rows_.Count(); ++step) {
        if (selection->isRowSelected(index, {})) {
            rows_.Remove(index);
            UpdateTitleColumnWidth();
        } else {
            ++index;
        }
    }
}

void FileListCommands::ClearList() {
    if (RefuseWhileBusy()) {
        return;
    }
    rows_.Clear();
}

void FileListCommands::lvClick() {
    const int rows = rows_.Count();
    if (rows == 0) {
        return;
    }
    QItemSelectionModel* selection = lv_->selectionModel();
    int first = -1;
    for (int i = 0; i < rows; ++i) {
        if (selection->isRowSelected(i, {})) {
            first = i;
            break;
        }
    }
    if (first < 0) {
        const QModelIndex playRow = rows_.index(std::clamp(preview_.PlayIndex(), 0, rows - 1), 0);
        selection->setCurrentIndex(playRow,
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    } else {
        preview_.SetPlayIndex(first);  // not while a preview plays: it keeps its row
    }
}

bool FileListCommands::eventFilter(QObject* watched, QEvent* event) {
    // Compared by the stored pointer: while the list is being destroyed its viewport still sends
    // events, and the list can no longer be asked for it.
    if (watched != viewport_) {
        return false;
    }
    switch (event->type()) {
        case QEvent::MouseButtonRelease:
            // After the view has applied the click to the selection.
            QMetaObject::invokeMethod(this, &FileListCommands::lvClick, Qt::QueuedConnection);
            return false;
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDropEvent*>(event);
            if (LocalPaths(drag->mimeData()).isEmpty()) {
                drag->ignore();
            } else {
                drag->acceptProposedAction();
            }
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const QStringList paths = LocalPaths(drop->mimeData());
            if (paths.isEmpty()) {
                drop->ignore();
                return true;
            }
            drop->acceptProposedAction();
            // Added after the drop has returned, so the file manager is not kept waiting.
            QTimer::singleShot(0, this, [this, paths] { AddPaths(paths); });
            return true;
        }
        default:
            return false;
    }
}
