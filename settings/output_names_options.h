#pragma once

#include <QWidget>

#include "settings/output_names_setting.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

// The settings dialog's "Output names" box: the naming pattern with a live example, what to do
// when an output exists, and whether to keep the folder structure. Stored under [Names] by the
// dialog's Ok, like the dialog's other keys.
class OutputNamesOptions : public QWidget {
    Q_OBJECT

  public:
    explicit OutputNamesOptions(QWidget* parent = nullptr);

    void Load(const OutputNaming& naming);
    OutputNaming Values() const;

    // The example under the pattern, for the made-up track of ExampleNameFields.
    static QString ExampleText(const QString& pattern);

  private:
    void ShowExample();

    QLineEdit* pattern_ = nullptr;
    QLabel* example_ = nullptr;
    QComboBox* existing_ = nullptr;
    QCheckBox* mirror_ = nullptr;
};
