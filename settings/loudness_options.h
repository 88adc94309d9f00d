#pragma once

#include <QGroupBox>

#include "settings/loudness_settings.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;

// The "Loudness" frame of the settings dialog's General page: what Normalize levels to (the
// peak of "Enabled Normalize", or a loudness target under a true-peak ceiling, file by file or
// as one album) and whether conversions write ReplayGain tags. Window thread only.
class LoudnessOptions : public QGroupBox {
    Q_OBJECT

  public:
    static constexpr int kHeight = 144;
    explicit LoudnessOptions(QWidget* parent);

    void Load(const LoudnessSettings& settings);
    LoudnessSettings Values() const;
    void Defaults() { Load(LoudnessSettings()); }

  private:
    void Rule();  // the loudness controls follow the mode

    QComboBox* mode_ = nullptr;
    QComboBox* target_ = nullptr;
    QDoubleSpinBox* ceiling_ = nullptr;
    QCheckBox* album_ = nullptr;
    QCheckBox* replayGain_ = nullptr;
};
