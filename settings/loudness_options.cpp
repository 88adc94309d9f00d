#include "settings/loudness_options.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>

namespace {
constexpr int kRow = 24;
}  // namespace

LoudnessOptions::LoudnessOptions(QWidget* parent) : QGroupBox(tr("Loudness"), parent) {
    setObjectName(QStringLiteral("gb_loudness"));
    resize(244, kHeight);
    auto* caption = new QLabel(tr("Normalise to"), this);
    caption->setGeometry(10, 20, 96, kRow);
    mode_ = new QComboBox(this);
    mode_->setObjectName(QStringLiteral("cb_normode"));
    mode_->addItems({tr("Peak"), tr("Loudness")});
    mode_->setGeometry(106, 20, 124, kRow);
    mode_->setToolTip(
        tr("Peak: every copy peaks at the level above. Loudness: every copy sounds "
           "equally loud (EBU R128)"));
    target_ = new QComboBox(this);
    target_->setObjectName(QStringLiteral("cb_lufs"));
    target_->setGeometry(10, 46, 92, kRow);
    target_->setToolTip(
        tr("Loudness target: -14 LUFS streaming, -16 podcasts and mobiles, -18 ReplayGain, -23 "
           "broadcast"));
    ceiling_ = new QDoubleSpinBox(this);
    ceiling_->setObjectName(QStringLiteral("ud_truepeak"));
    ceiling_->setRange(kLowestCeiling, kHighestCeiling);
    ceiling_->setDecimals(1);
    ceiling_->setSingleStep(0.5);
    ceiling_->setPrefix(tr("peak "));
    ceiling_->setSuffix(tr(" dBTP"));
    ceiling_->setGeometry(106, 46, 124, kRow);
    ceiling_->setToolTip(
        tr("The highest true peak a copy may have: a copy is made quieter than its "
           "target rather than let its peaks come near clipping"));

    album_ = new QCheckBox(tr("As one album"), this);
    album_->setObjectName(QStringLiteral("ck_album"));
    album_->setGeometry(10, 72, 216, kRow);
    album_->setToolTip(
        tr("One gain for all files of the batch, so their loudness differences stay"));
    replayGain_ = new QCheckBox(tr("Write ReplayGain tags instead"), this);
    replayGain_->setObjectName(QStringLiteral("ck_replaygain"));
    replayGain_->setGeometry(10, 96, 216, kRow);
    // The caption's end, on the line below, as the dialog does for long captions.
    auto* tail = new QLabel(tr("of changing the audio (Convert)"), this);
    tail->setGeometry(30, 118, 196, 20);
    const QString tip =
        tr("Convert writes each file's ReplayGain values (and the album's, with As one album) into "
           "its tags and leaves the audio as it is; players apply them");
    replayGain_->setToolTip(tip);
    tail->setToolTip(tip);

    connect(mode_, &QComboBox::currentIndexChanged, this, [this] { Rule(); });
    Defaults();
}

void LoudnessOptions::Load(const LoudnessSettings& s) {
    target_->clear();
    QList<int> targets = LoudnessTargets();
    if (!targets.contains(s.lufs)) {
        targets << s.lufs;  // a hand-edited target stays what it is
    }
    for (const int lufs : targets) {
        target_->addItem(tr("%1 LUFS").arg(lufs), lufs);
    }
    target_->setCurrentIndex(static_cast<int>(targets.indexOf(s.lufs)));
    mode_->setCurrentIndex(s.loudness ? 1 : 0);
    ceiling_->setValue(s.truePeak);
    album_->setChecked(s.album);
    replayGain_->setChecked(s.replayGain);
    Rule();
}

LoudnessSettings LoudnessOptions::Values() const {
    LoudnessSettings s;
    s.loudness = mode_->currentIndex() == 1;
    s.lufs = target_->currentData().toInt();
    s.truePeak = ceiling_->value();
    s.album = album_->isChecked();
    s.replayGain = replayGain_->isChecked();
    return s;
}

void LoudnessOptions::Rule() {
    const bool loudness = mode_->currentIndex() == 1;
    target_->setEnabled(loudness);
    ceiling_->setEnabled(loudness);
}
