#pragma once

#include <QWidget>

#include "app/main_window_parts.h"
#include "app/progress_display.h"
#include "app/window_batch_host.h"
#include "engine/batch_parts.h"
#include "engine/main_state.h"

class FileListCommands;
class QComboBox;
class QTimer;
class QTreeWidget;

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

    // The batches and their stop ("b_convert", "b_nomalize", "b_stop"). The batches return when
    // they end; they pump the window's events meanwhile.
    void ConvertAll();
    void NormalizeAll();
    void StopWork();

    MainState& State() { return state_; }
    QTreeWidget* lv() const { return lv_; }
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
    // Add File, Add Folder, remove, clear and the row click on lv.
    FileListCommands& FileList() { return *fileList_; }

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

    BatchParts MakeBatchParts();

    MainWindowParts parts_;
    MainState state_;
    std::unique_ptr<WindowBatchHost> batchHost_;
    ProgressDisplay progress_;
    bool shown_ = false;
    bool closeRefused_ = false;  // a close was refused once because the settings could not be saved

    QTreeWidget* lv_ = nullptr;
    QWidget* skinLabelWidget_ = nullptr;
    ISkinLabel* skinLabel_ = nullptr;
    QComboBox* scmb_ = nullptr;
    QTimer* timer1_ = nullptr;
    FileListCommands* fileList_ = nullptr;
};
