// The "General" page: normalisation, fades and the number of files at once. The first three
// values live in memory (AppSettings) and reach the file at shutdown; the others are file keys.
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <algorithm>

#include "settings/app_settings.h"
#include "settings/loudness_options.h"
#include "settings/output_names_setting.h"
#include "settings/settings_file.h"
#include "settings/settings_pages.h"

using namespace page;

namespace {

class GeneralPage : public ValuesPage {
    Q_DECLARE_TR_FUNCTIONS(GeneralPage)

  public:
    GeneralPage(AppSettings& appSettings, QWidget* parent)
        : ValuesPage("gb_cdgeneral", SettingsDialogKeys::General, parent),
          appSettings_(appSettings) {
        // The frames stack from the top; a further group is one more Add… call below. They
        // outgrow the page, so it scrolls, on a slim bar that takes little of their width.
        scroll_ = new QScrollArea(this);
        QScrollArea* scroll = scroll_;
        scroll->setGeometry(0, 0, kWidth, kHeight);
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        // The dialog's own background behind the frames, as on every other page.
        scroll->setBackgroundRole(QPalette::Window);
        scroll->viewport()->setAutoFillBackground(false);
        scroll->verticalScrollBar()->setFixedWidth(kBar);
        content_ = new QWidget;
        content_->resize(kWidth - kBar, kHeight);
        AddNormalizeFrame();
        AddFadeFrame();
        AddBatchFrame();
        AddBesideFrame();
        AddLoudnessFrame();
        FitContent(kWidth);
        scroll->setWidget(content_);
        content_->setAutoFillBackground(false);
    }

    void Load(const SettingsFile* file) override {
        if (cb_nor->count() == 0) {  // the entries arrive with the first showing
            for (int i = 1; i <= 100; ++i) {
                cb_nor->addItem(QString::number(i));
            }
        }
        cb_fadein->setChecked(appSettings_.FadeIn);
        cb_fadeout->setChecked(appSettings_.FadeOut);
        SelectItem(cb_fadeintime, appSettings_.FadeInTime - 1);
        SelectItem(cb_fadeouttime, appSettings_.FadeOutTime - 1);
        SelectItem(cb_nor, appSettings_.NormalizeVolume - 1);
        // A stored count outside the list shows what a batch will use: the nearer end.
        cb_jobs->setCurrentIndex(appSettings_.BatchJobs == 0
                                     ? 0
                                     : std::clamp(appSettings_.BatchJobs, 1, kMostBatchJobs));
        cb_split->setChecked(appSettings_.SplitLongFiles);
        loudness_->Load(appSettings_.Loudness);
        cb_beside->setChecked(file && ReadSaveBeside(*file));
        ValuesPage::Load(file);
    }

    void Apply() override {
        // A fade or normalisation list left without a selection (a stored value outside 1..20 or
        // 1..100) keeps the value in memory rather than turning it into 0 seconds or 0 percent.
        const auto number = [](const QComboBox* list, std::int32_t current) {
            return list->currentIndex() >= 0 ? list->currentIndex() + 1 : current;
        };
        appSettings_.FadeIn = cb_fadein->isChecked();
        appSettings_.FadeOut = cb_fadeout->isChecked();
        appSettings_.FadeInTime = number(cb_fadeintime, appSettings_.FadeInTime);
        appSettings_.FadeOutTime = number(cb_fadeouttime, appSettings_.FadeOutTime);
        appSettings_.NormalizeVolume = number(cb_nor, appSettings_.NormalizeVolume);
        appSettings_.BatchJobs = cb_jobs->currentIndex();
        appSettings_.SplitLongFiles = cb_split->isChecked();
        appSettings_.Loudness = loudness_->Values();
    }

    void SaveLast(SettingsFile& file) const override {
        WriteBatchJobs(file, appSettings_.BatchJobs);
        // Only a change: a file that never had the key keeps its layout.
        if (appSettings_.SplitLongFiles != ReadSplitLongFiles(file)) {
            WriteSplitLongFiles(file, appSettings_.SplitLongFiles);
        }
        WriteLoudnessSettings(file, appSettings_.Loudness);
        // Only a change: a file that never had the key keeps its layout.
        if (cb_beside->isChecked() != ReadSaveBeside(file)) {
            WriteSaveBeside(file, cb_beside->isChecked());
        }
    }

    void Defaults() override {
        cb_fadein->setChecked(false);
        cb_fadeout->setChecked(false);
        cb_fadeintime->setCurrentIndex(5);
        cb_fadeouttime->setCurrentIndex(5);
        SelectItem(cb_nor, 97);
        cb_jobs->setCurrentIndex(0);
        cb_split->setChecked(true);
        cb_beside->setChecked(false);
        loudness_->Defaults();
        ValuesPage::Defaults();
    }

  protected:
    void Show(const SettingsDialogValues& v) override {
        cb_normalize->setChecked(v.normalizeEnabled);
    }
    void Collect(SettingsDialogValues& v) const override {
        v.normalizeEnabled = cb_normalize->isChecked();
    }

    // A taller dialog shows more of the frames, up to all of them with no scrolling; a wider one
    // widens the frames.
    void resizeEvent(QResizeEvent* event) override {
        ValuesPage::resizeEvent(event);
        scroll_->resize(size());
        FitContent(width());
    }

  private:
    static constexpr int kBar = 8;

    void FitContent(int pageWidth) {
        content_->resize(pageWidth - kBar, nextTop_);
        for (QGroupBox* frame : content_->findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly)) {
            frame->resize(content_->width(), frame->height());
        }
    }

    QGroupBox* NextFrame(const QString& title, int height) {
        QGroupBox* frame = Frame(content_, title, {0, nextTop_, kWidth, height});
        nextTop_ += height + 6;
        return frame;
    }

    void AddNormalizeFrame() {
        QGroupBox* nor = NextFrame(tr("Normalize Settings"), 56);
        cb_normalize = Check(nor, "cb_normalize", tr("Enabled Normalize "), {10, 24, 140, kRow});
        cb_nor = List(nor, "cb_nor", {}, {152, 24, 60, kRow});
        Caption(nor, QStringLiteral("% "), {216, 24, 20, kRow});
    }

    void AddFadeFrame() {
        QGroupBox* fade = NextFrame(tr("Fade Settings"), 120);
        QStringList seconds;
        for (int s = 1; s <= 20; ++s) {
            seconds << tr("%1s").arg(s);
        }
        cb_fadein = Check(fade, "cb_fadein", tr("Enable Fade In Time Length"), {10, 22, 224, kRow});
        cb_fadeintime = List(fade, "cb_fadeintime", seconds, {30, 44, 70, kRow});
        cb_fadeout =
            Check(fade, "cb_fadeout", tr("Enable Fade Out Time Length"), {10, 70, 224, kRow});
        cb_fadeouttime = List(fade, "cb_fadeouttime", seconds, {30, 92, 70, kRow});
        cb_fadeintime->setCurrentIndex(5);  // design "6s"
        cb_fadeouttime->setCurrentIndex(5);
    }

    void AddBatchFrame() {
        QGroupBox* batch = NextFrame(tr("Files at once"), 70);
        QStringList jobs{tr("Automatic (one per core)")};
        for (int n = 1; n <= kMostBatchJobs; ++n) {
            jobs << QString::number(n);
        }
        cb_jobs = List(batch, "cb_jobs", jobs, {10, 20, 224, kRow});
        cb_jobs->setToolTip(
            tr("How many files a conversion or normalisation works on at the same time"));
        cb_split =
            Check(batch, "cb_split", tr("Split a long file across them"), {10, 44, 224, kRow});
        cb_split->setToolTip(
            tr("When fewer files are left than files at once, a file over two minutes is "
               "converted in parts at the same time and joined: the output is the same"));
    }

    void AddBesideFrame() {
        QGroupBox* where = NextFrame(tr("Output Folder"), 47);
        cb_beside =
            Check(where, "cb_beside", tr("Save next to each input file"), {10, 20, 224, kRow});
        cb_beside->setToolTip(
            tr("Each output goes into its input's folder instead of the output folder; no input "
               "is ever replaced"));
    }

    void AddLoudnessFrame() {
        loudness_ = new LoudnessOptions(content_);
        loudness_->move(0, nextTop_);
        nextTop_ += LoudnessOptions::kHeight + 6;
    }

    AppSettings& appSettings_;
    QScrollArea* scroll_ = nullptr;
    QWidget* content_ = nullptr;  // the frames, inside the page's scroll area
    int nextTop_ = 0;
    LoudnessOptions* loudness_ = nullptr;
    QCheckBox* cb_normalize = nullptr;
    QComboBox* cb_nor = nullptr;
    QCheckBox* cb_fadein = nullptr;
    QComboBox* cb_fadeintime = nullptr;
    QCheckBox* cb_fadeout = nullptr;
    QComboBox* cb_fadeouttime = nullptr;
    QComboBox* cb_jobs = nullptr;  // item 0 automatic, then 1 to 16
    QCheckBox* cb_split = nullptr;
    QCheckBox* cb_beside = nullptr;
};

}  // namespace

PageNode GeneralPageNode(AppSettings& appSettings, QWidget* area) {
    return {QCoreApplication::translate("SettingsPages", "General"),
            QCoreApplication::translate("SettingsPages", "Set General"),
            new GeneralPage(appSettings, area),
            {}};
}
