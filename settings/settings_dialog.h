#pragma once

#include <QDialog>
#include <functional>
#include <memory>

#include "settings/settings_dialog_values.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTreeWidget;
struct AppSettings;
class OutputNamesOptions;
class SettingsFile;

// The settings dialog (fm_set): a page tree on the left, eight pages on the right, Ok / Default /
// Cancel below. It edits the fade and normalisation values in memory and the encoder keys of the
// settings file, and holds the encoder command line for the whole run. Window thread only.
class Tfm_set : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kClientWidth = 380;
    static constexpr int kClientHeight = 313;

    // The dialog lives as long as the main window and works on its in-memory settings and its
    // settings file, which exists only from the main window's first showing.
    Tfm_set(AppSettings& appSettings, const std::unique_ptr<SettingsFile>& settingsFile,
            QWidget* parent);

    // The encoder command line typed on the "Command Line" page; never stored.
    QString CommandLineText() const;

    // Where a refused write is reported (the program's general error report). By default a
    // message box.
    void SetErrorReport(std::function<void(QWidget*, const QString&)> report);

  protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void BuildControls();
    QWidget* NewPage(const char* name);
    void BuildGeneralPage();
    void BuildMp3GeneralPage();
    void BuildVbrPage();
    void BuildFilterPage();
    void BuildExpertPage();
    void BuildPresetsPage();
    void BuildCommandPage();
    void BuildWavPage();

    void FitCaptions();
    void FormShow();
    void TreeView1Click();
    void ShowPage(int index);
    void OkClick();
    void Button2Click();
    void CancelClick();

    void VbrRule();
    void HighpassRule();
    void LowpassRule();
    void WavRule();
    void PresetRule();
    void AltRule();

    void LoadValues(const SettingsDialogValues& v);
    SettingsDialogValues ControlValues() const;

    AppSettings& appSettings_;
    const std::unique_ptr<SettingsFile>& settingsFile_;
    std::function<void(QWidget*, const QString&)> reportError_;
    bool shownBefore_ = false;

    QTreeWidget* TreeView1 = nullptr;
    QLabel* lab = nullptr;
    QWidget* pageArea_ = nullptr;
    QWidget* pages_[9] = {};
    OutputNamesOptions* names_ = nullptr;

    QCheckBox* cb_normalize = nullptr;
    QComboBox* cb_nor = nullptr;
    QCheckBox* cb_fadein = nullptr;
    QComboBox* cb_fadeintime = nullptr;
    QCheckBox* cb_fadeout = nullptr;
    QComboBox* cb_fadeouttime = nullptr;
    QComboBox* cb_jobs = nullptr;  // "Files at once": item 0 automatic, then 1 to 16

    QComboBox* cb_mp3_frequency = nullptr;
    QComboBox* cb_mp3_channel = nullptr;
    QComboBox* cb_mp3_bitrate = nullptr;
    QSpinBox* ud_mp3_quality = nullptr;

    QComboBox* cb_mp3vbrcm = nullptr;
    QComboBox* cb_mp3_vbr = nullptr;
    QSpinBox* ud_mp3_vbr = nullptr;
    QCheckBox* ck_mp3_VBR = nullptr;
    QCheckBox* ck_mp3_semb = nullptr;

    QCheckBox* chHFilt = nullptr;
    QSpinBox* udHFiltF = nullptr;
    QLabel* Label15 = nullptr;
    QSpinBox* udHFiltW = nullptr;
    QCheckBox* chLFilt = nullptr;
    QSpinBox* udLFiltF = nullptr;
    QLabel* Label20 = nullptr;
    QSpinBox* udLFiltW = nullptr;

    QCheckBox* ck_crc = nullptr;
    QCheckBox* ck_comply = nullptr;
    QLabel* spec = nullptr;
    QLabel* allowTail_ = nullptr;  // the last word of ck_allow's caption, on the line below
    QCheckBox* ck_allow = nullptr;
    QCheckBox* ck_short = nullptr;
    QCheckBox* ck_bit = nullptr;
    QComboBox* cb_ath = nullptr;
    QComboBox* cb_de = nullptr;

    QCheckBox* ck_preset = nullptr;
    QGroupBox* rg_prest = nullptr;
    QButtonGroup* rg_prestButtons_ = nullptr;
    QCheckBox* ck_alt = nullptr;
    QGroupBox* rg_alt = nullptr;
    QButtonGroup* rg_altButtons_ = nullptr;

    QPlainTextEdit* txtCommLine = nullptr;

    QGroupBox* rb_cdmode = nullptr;
    QButtonGroup* rb_cdmodeButtons_ = nullptr;
    QComboBox* cb_wav_frequency = nullptr;
    QComboBox* cb_wav_bit = nullptr;
    QComboBox* cb_wav_channel = nullptr;

    QPushButton* Ok = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Cancel = nullptr;
};
