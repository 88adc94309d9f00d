#pragma once

#include <QWidget>
#include <optional>

#include "app/main_window_parts.h"
#include "app/progress_display.h"
#include "app/window_batch_host.h"
#include "engine/batch_parts.h"
#include "engine/batch_runner.h"
#include "engine/main_state.h"
#include "filelist/row_model.h"

class CommandDispatch;
class ListPreviewHost;
class PreviewPlayback;
class Tfm_about;
class Tfm_dir;
class Tfm_id3;
class Tfm_set;
struct MainCommands;

class FileListCommands;
class FileListView;
class QComboBox;
class QTimer;
class QTreeView;

// The main window: owns the components, the shared state and the controls on the skinned face.
class Tfm_main : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kClientWidth = 471;
    static constexpr int kClientHeight = 380;

    explicit Tfm_main(MainWindowParts parts, QWidget* parent = nullptr);
    ~Tfm_main() override;

    // Draws a progress value 0..10000 (hundredths of a percent). Window thread only.
    void ShowProgress(int value);
    void ClearProgressText() { progress_.ClearText(); }
    void SetBatchText(const QString& text) { progress_.SetBatchText(text); }

    // The batches and their stop ("b_convert", "b_nomalize", "b_stop"). The batches return when
    // they end; they pump the window's events meanwhile.
    void ConvertAll();
    void NormalizeAll();
    void StopWork();
    // Ctrl+P, "b_pause" and Action > Pause: holds the running batch after each job's current
    // block, its rows reading "Paused", or lets it go on; nothing while no batch runs. The
    // desktop stays kept awake meanwhile, and Stop still ends the batch.
    void PauseWork();
    // Shows the batch as running again (it was resumed, or it ended).
    void ShowUnpaused();

    MainState& State() { return state_; }
    // The list's rows, owned here; lv shows them and holds their selection.
    RowModel& Rows() { return *rows_; }
    QTreeView* lv() const;
    // Tags: each row's record, kept with the row.
    TagRecords& Tags() { return *rows_; }
    QComboBox* scmb() const { return scmb_; }
    ISkinLabel* SkinLabel1() const { return skinLabel_; }
    QTimer* Timer1() const { return timer1_; }
    const ProgressDisplay& Progress() const { return progress_; }
    IAudioFile2& AudioFileRead() { return *parts_.reader; }
    IAudioFile2& AudioFilewrite() { return *parts_.writer; }
    IAudioFile2LameEnc& Mp3LameEncoder() { return *parts_.encoder; }
    IAudioTransform2& AudioTransform21() { return *parts_.transform; }
    IAudioPlayer2& AudioPlayer21() { return *parts_.player; }
    ISkin& Skin1() { return *parts_.skin; }
    // The desktop session: null in tests.
    IDesktopSession* Desktop() { return parts_.desktop.get(); }
    CommandDispatch& Dispatch() { return *dispatch_; }
    PreviewPlayback& Preview() { return *preview_; }

    // The secondary windows the commands show; created after the main window, alive as long.
    void SetSecondaryWindows(Tfm_about* about, Tfm_dir* dir, Tfm_set* set, Tfm_id3* id3);

    // The small commands that live in the window (main_window_commands.cpp).
    void ChooseOutputFolder();
    void OpenOutputFolder();
    void OpenHelp();
    // Space, a double-click or the rows' menu: preview the list's current row.
    void PreviewCurrentRow();
    // The rows' menu: the folder of the current row's input in the file manager.
    void OpenContainingFolder();
    // Add File, Add Folder, remove, clear and the row click on lv.
    FileListCommands& FileList() { return *fileList_; }

    // The desktop may suspend again: called as a batch ends, before anything waits for the user.
    void EndSuspendInhibit() { awake_.reset(); }

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void FormShow();
    bool FormCloseQuery();
    void scmbjjChange(int index);
    void Skin1Click(ISkinObject& source);
    void BuildControls();
    void CentreOnScreen();
    MainCommands Commands();

    BatchParts MakeBatchParts();
    // Files at once for the window's batch: 1 runs the one-at-a-time batch.
    int BatchJobs() const;
    void RunBatch(BatchWork work);

    MainWindowParts parts_;
    MainState state_;
    std::unique_ptr<RowModel> rows_;  // before everything that reads the rows
    std::unique_ptr<WindowBatchHost> batchHost_;
    ProgressDisplay progress_;
    bool shown_ = false;
    bool closeRefused_ = false;  // a close was refused once because the settings could not be saved

    FileListView* lv_ = nullptr;
    QWidget* skinLabelWidget_ = nullptr;
    ISkinLabel* skinLabel_ = nullptr;
    QComboBox* scmb_ = nullptr;
    QTimer* timer1_ = nullptr;

    std::unique_ptr<ListPreviewHost> previewHost_;
    std::unique_ptr<PreviewPlayback> preview_;
    CommandDispatch* dispatch_ = nullptr;
    Tfm_about* fm_about_ = nullptr;
    Tfm_dir* fm_dir_ = nullptr;
    Tfm_set* fm_set_ = nullptr;
    Tfm_id3* fm_id3_ = nullptr;
    FileListCommands* fileList_ = nullptr;

    // A batch on several jobs and the components of its further jobs; destroyed first, so a
    // batch still running when the window goes stops before the components do.
    std::vector<JobComponents> extraJobs_;
    std::unique_ptr<BatchRun> batchRun_;
    std::optional<SuspendInhibition> awake_;  // while a batch runs, until it ends
};
