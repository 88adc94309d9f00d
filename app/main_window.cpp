#include "app/main_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QScreen>
#include <QTimer>
#include <algorithm>

#include "app/command_dispatch.h"
#include "app/file_list_commands.h"
#include "app/file_list_view.h"
#include "app/image_list.h"
#include "app/information_box.h"
#include "app/list_preview_host.h"
#include "components/component_error.h"
#include "engine/batch_plan.h"
#include "engine/convert_batch.h"
#include "engine/normalize_batch.h"
#include "formats/output_formats.h"
#include "preview/preview_playback.h"
#include "settings/app_settings.h"
#include "settings/folder_chooser.h"
#include "settings/settings_dialog.h"

namespace {
const QString kSkinFileName = QStringLiteral("mp3enc.dll");
// The format selector ends where the folder buttons below it end, wide enough for "M4A (AAC)".
constexpr int kFormatSelectorWidth = 100;
constexpr int kFormatSelectorLeft = 458 - kFormatSelectorWidth;
}  // namespace

Tfm_main::Tfm_main(MainWindowParts parts, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      parts_(std::move(parts)),
      rows_(std::make_unique<RowModel>()) {
    setObjectName(QStringLiteral("fm_main"));
    setWindowTitle(QStringLiteral("Quorvel"));
    setWindowIcon(ProgramIcon());
    setFixedSize(kClientWidth, kClientHeight);  // fixed single border: no resizing, no maximise
    // A batch names its rows by position: while one runs, the rows stay as they are.
    rows_->SetChangeGuard([this] { return state_.Busy(); });
    BuildControls();
    previewHost_ = std::make_unique<ListPreviewHost>(this, *rows_, lv_->selectionModel());
    preview_ =
        std::make_unique<PreviewPlayback>(state_, *parts_.reader, *parts_.player, *previewHost_);
    connect(
        rows_.get(), &QAbstractItemModel::rowsRemoved, this,
        [this](const QModelIndex&, int first, int last) { preview_->RowsRemoved(first, last); });
    connect(rows_.get(), &QAbstractItemModel::modelReset, this,
            [this] { preview_->ListCleared(); });
    fileList_ = new FileListCommands(this, lv_, *rows_, state_, *preview_,
                                     parts_.prober ? *parts_.prober : *parts_.reader);
    fileList_->SetSheetSplit([this] { return state_.appSettings.CueSplit; });
    dispatch_ = new CommandDispatch(this, state_, Commands());
    dispatch_->BindList(lv_);
    parts_.skin->SetOnClick([this](ISkinObject& source) { Skin1Click(source); });
    batchHost_ = std::make_unique<WindowBatchHost>(*this);
    connect(timer1_, &QTimer::timeout, this, [this] { Timer1Timer(state_, *batchHost_); });
}

Tfm_main::~Tfm_main() = default;

QTreeView* Tfm_main::lv() const {
    return lv_;
}

void Tfm_main::BuildControls() {
    lv_ = new FileListView(*rows_, this);
    lv_->setObjectName(QStringLiteral("lv"));
    lv_->setGeometry(12, 100, 446, 201);

    skinLabelWidget_ = parts_.makeLabel(this);
    skinLabelWidget_->setObjectName(QStringLiteral("SkinLabel1"));
    skinLabelWidget_->setGeometry(90, 76, 242, 14);
    skinLabel_ = dynamic_cast<ISkinLabel*>(skinLabelWidget_);

    scmb_ = new QComboBox(this);
    scmb_->setObjectName(QStringLiteral("scmb"));
    // Each item carries its stored code: [Format] int keeps codes, not positions.
    for (const OutputFormat* format : OutputFormats()) {
        if (format->offered) {
            scmb_->addItem(QString::fromUtf8(format->shown), format->code);
        }
    }
    scmb_->setCurrentIndex(0);
    scmb_->setToolTip(tr("The format of the files a conversion writes"));
    scmb_->setGeometry(kFormatSelectorLeft, 48, kFormatSelectorWidth, scmb_->sizeHint().height());
    connect(scmb_, &QComboBox::activated, this, &Tfm_main::scmbjjChange);

    timer1_ = new QTimer(this);
    timer1_->setObjectName(QStringLiteral("Timer1"));
    timer1_->setInterval(1000);
}

void Tfm_main::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shown_) {
        shown_ = true;
        CentreOnScreen();
        FormShow();
    }
}

void Tfm_main::CentreOnScreen() {
    const QScreen* screen = this->screen();
    if (!screen) {
        return;
    }
    const QRect available = screen->availableGeometry();
    const QRect frame = frameGeometry();
    move(available.center() - QPoint(frame.width() / 2, frame.height() / 2) +
         (pos() - frame.topLeft()));
}

void Tfm_main::FormShow() {
    ISkin& skin = *parts_.skin;
    const QString skinPath = QDir(QCoreApplication::applicationDirPath()).filePath(kSkinFileName);
    const QString problem = skin.LoadSkin(skinPath);
    if (!problem.isEmpty()) {
        ShowInformation(this, problem);
    }
    skin.ApplySkin(this);
    skin.ApplySkinObject(this, QStringLiteral("Form"));

    ISkinForm* form = skin.GetSkinForm(this);
    // Tab goes from the list to the skin's buttons, and from them to the format drop-down.
    if (auto* face = dynamic_cast<QWidget*>(form)) {
        setTabOrder(lv_, face);
        setTabOrder(face, scmb_);
    }
    ISkinObject* text = form ? form->FindObject(QStringLiteral("pbpos")) : nullptr;
    ISkinObject* bar = form ? form->FindObject(QStringLiteral("pb")) : nullptr;
    progress_.Bind(text, bar);
    ShowProgress(0);
    progress_.ClearText();

    try {
        parts_.reader->SetEnabled(true);
        parts_.writer->SetEnabled(true);
    } catch (const ComponentError& e) {
        ShowErrorReport(this, e.Message());
    }

    state_.settingsFile = std::make_unique<SettingsFile>(QStringLiteral("Quorvel.ini"));
    if (const QString unreadable = state_.settingsFile->ReadProblem(); !unreadable.isEmpty()) {
        ShowErrorReport(this, unreadable);
    }
    const StartupSettings loaded = LoadStartupSettings(*state_.settingsFile);
    if (skinLabel_) {
        skinLabel_->SetCaption(loaded.folderLabel);
    }
    // A code the selector does not offer (a hand-edited WMA or VOX) leaves it alone and is kept.
    if (const int position = scmb_->findData(loaded.settings.OutputFormat); position >= 0) {
        scmb_->setCurrentIndex(position);
    }
    state_.appSettings = loaded.settings;
}

void Tfm_main::ShowProgress(int value) {
    progress_.Show(value, state_.Converting.load());
}

BatchParts Tfm_main::MakeBatchParts() {
    // The settings dialog's command-line box: held for the run, never stored.
    const QString commandLine = fm_set_ ? fm_set_->CommandLineText() : QString();
    return BatchParts{state_,          *parts_.reader,       *parts_.writer,
                      *parts_.encoder, *parts_.transform,    commandLine,
                      QString(),       parts_.loudness.get()};
}

void Tfm_main::ConvertAll() {
    RunBatch(BatchWork::Convert);
}

void Tfm_main::NormalizeAll() {
    RunBatch(BatchWork::Normalize);
}

int Tfm_main::BatchJobs() const {
    return parts_.makeJob ? EffectiveBatchJobs(state_.appSettings.BatchJobs) : 1;
}

void Tfm_main::RunBatch(BatchWork work) {
    BatchParts parts = MakeBatchParts();
    // A long file may be encoded in parts on the jobs that have no file of their own.
    const int jobs = rows_->Count() > 0 && SplitsLongRows(state_.appSettings, work)
                         ? BatchJobs()
                         : std::min(BatchJobs(), rows_->Count());
    const QString reason =
        work == BatchWork::Convert ? tr("Converting audio files") : tr("Normalising audio files");
    if (jobs <= 1) {
        // The one-at-a-time batch, on this thread with its message pumps; the desktop is asked
        // not to suspend while it runs. The end of the batch lets go of it (BatchEnded), before
        // the final message waits for the user; a batch that never started lets go here.
        const bool starts = !state_.Busy() && rows_->Count() > 0;
        if (starts) {
            awake_.emplace(Desktop(), reason);
        }
        if (work == BatchWork::Convert) {
            ::ConvertAll(parts, *batchHost_);
        } else {
            ::NormalizeAll(parts, *batchHost_);
        }
        if (starts) {
            awake_.reset();
        }
        return;
    }
    if (state_.Busy()) {
        return;  // the components of a batch on its way stay untouched
    }
    batchRun_.reset();
    extraJobs_.clear();
    std::vector<JobParts> jobParts{
        {*parts_.reader, *parts_.writer, *parts_.encoder, *parts_.transform}};
    for (int j = 1; j < jobs; ++j) {
        JobComponents& c = extraJobs_.emplace_back(parts_.makeJob());
        jobParts.push_back({*c.reader, *c.writer, *c.encoder, *c.transform});
    }
    // Returns at once; the rows, the progress and the end arrive as events. The end lets go of
    // the inhibit (BatchEnded); the callback is for a batch that ends without that.
    batchRun_ =
        StartBatchRun(parts, *batchHost_, work, std::move(jobParts), [this] { awake_.reset(); });
    if (batchRun_ && !batchRun_->Ended()) {
        awake_.emplace(Desktop(), reason);
    }
}

void Tfm_main::StopWork() {
    ::StopWork(state_);
}

void Tfm_main::PauseWork() {
    if (!state_.Converting) {
        return;
    }
    if (state_.Paused) {
        state_.Paused = false;
        ShowUnpaused();
        return;
    }
    state_.Paused = true;
    rows_->SetPaused(true);
    dispatch_->ShowPaused(true);
}

void Tfm_main::ShowUnpaused() {
    rows_->SetPaused(false);
    dispatch_->ShowPaused(false);
}

void Tfm_main::scmbjjChange(int index) {
    bool known = false;
    const int code = scmb_->itemData(index).toInt(&known);
    if (known) {
        state_.appSettings.OutputFormat = code;
    }
}

void Tfm_main::Skin1Click(ISkinObject& source) {
    dispatch_->Skin1Click(source.GetName());
}

void Tfm_main::SetSecondaryWindows(Tfm_about* about, Tfm_dir* dir, Tfm_set* set, Tfm_id3* id3) {
    fm_about_ = about;
    fm_dir_ = dir;
    if (dir) {
        dir->SetSettingsFile(&state_.settingsFile);
    }
    fm_set_ = set;
    fm_id3_ = id3;
}

bool Tfm_main::FormCloseQuery() {
    state_.Converting = false;  // a running batch ends at its next check
    if (!state_.settingsFile) {
        return true;  // never shown: nothing was loaded, nothing to write back
    }
    try {
        SaveAppSettings(*state_.settingsFile, state_.appSettings);
    } catch (const SettingsWriteError& e) {
        // The first refusal keeps the window open so the user can make the folder writable and
        // close again; a second close request is obeyed, or an unwritable folder would leave no
        // way out of the program.
        if (!closeRefused_) {
            closeRefused_ = true;
            ShowErrorReport(this, e.Message());
            return false;
        }
        state_.settingsFile.reset();
        return true;
    }
    state_.settingsFile->Flush();
    state_.settingsFile.reset();
    return true;
}

void Tfm_main::closeEvent(QCloseEvent* event) {
    if (FormCloseQuery()) {
        event->accept();
    } else {
        event->ignore();
    }
}
