#pragma once

#include <QWidget>

#include "settings/output_names_setting.h"

class NamingExampleHost;

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

    // The example and its warning for the listed rows: the example row's name, and when the
    // pattern gives several rows one name, "3 files would be named …" (the example row's name
    // when it is one of them, else the name most rows share); no warning when none share one.
    // Without a host or rows: the made-up track, no warning.
    struct Example {
        QString text;
        QString warning;
    };
    static Example ExampleFor(const QString& pattern, NamingExampleHost* host);

    // The rows the example names; nullptr for the made-up track.
    void SetHost(NamingExampleHost* host);

  private:
    void ShowExample();

    NamingExampleHost* host_ = nullptr;
    QLineEdit* pattern_ = nullptr;
    QLabel* example_ = nullptr;
    QLabel* warning_ = nullptr;
    QComboBox* existing_ = nullptr;
    QCheckBox* mirror_ = nullptr;
};
