#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <functional>

class IAudioFile2;
class PreviewPlayback;
class QTreeView;
class QWidget;
class RowModel;
class Tfm_dir;
struct BatchControl;

// The file list's commands on the main window: Add File, Add Folder, drops of files and folders,
// remove selected, clear, the first column's width and the row click. Owned by the window;
// window thread only.
//
// The rows live in the model; the view lv gives the selection. Adding pumps window messages
// between files, so other commands can arrive in the middle of it. While an add runs, Adding() is
// true and every command that would change the list, start a batch or a preview, or open the tag
// editor is refused through RefuseWhileBusy(), so the row being filled and its record stay valid.
class FileListCommands : public QObject {
    Q_OBJECT

  public:
    FileListCommands(QWidget* window, QTreeView* lv, RowModel& rows, const BatchControl& batch,
                     PreviewPlayback& preview, IAudioFile2& reader);

    void AddFiles();
    void AddFolder();
    // Dropped paths: files are added as Add File adds them, folders as Add Folder scans them.
    void AddPaths(const QStringList& paths);
    void RemoveSelected();
    void ClearList();
    void UpdateTitleColumnWidth();
    // The list's click handler: selects row PlayIndex when nothing is selected, else (when no
    // preview plays) makes the first selected row PlayIndex.
    void lvClick();

    // An add operation runs.
    bool Adding() const { return adding_; }
    // Runs one add operation: Adding() holds for its length, however it ends; then the files it
    // could not add are named in one message.
    void RunAdd(const std::function<void()>& add);

    // Shows "Please stop converting first!" while a batch runs, or "Please wait until the files
    // are added!" while an add runs, and returns true; returns false when the list is free.
    bool RefuseWhileBusy();

    // The folder chooser used by Add Folder: the window's child "fm_dir", made when missing.
    Tfm_dir* FolderChooser();

    // Whether a cue sheet (or a file with its sheet inside) gives its tracks ([Cue] split),
    // asked at each file added; unset: it does.
    void SetSheetSplit(std::function<bool()> split) { splitSheets_ = std::move(split); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    enum class Outcome { Next, End };
    // sourceFolder: the folder the user added, which the row remembers.
    Outcome AddOne(const QString& path, const QString& sourceFolder = {});
    // The folder's audio files, and with `recursive` those of its sub-folders, depth first.
    Outcome ScanFolder(const QString& folder, const QString& sourceFolder, bool recursive);
    bool WindowClosed() const;
    void BeginAdd();
    void PumpMessages();

    QWidget* window_;
    QTreeView* lv_;
    RowModel& rows_;
    QObject* viewport_ = nullptr;
    const BatchControl& batch_;
    PreviewPlayback& preview_;
    IAudioFile2& reader_;
    bool adding_ = false;
    bool windowWasVisible_ = false;
    QElapsedTimer lastPump_;
    QStringList rejected_;  // the rejection texts of the add in progress
    std::function<bool()> splitSheets_;
};
