#pragma once

#include <QRect>
#include <QStringList>
#include <QWidget>
#include <initializer_list>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QSpinBox;
class SettingsFile;

// One page of the settings dialog: its controls and the keys they stand for. The dialog knows
// pages only through this interface, so a new format brings its page without touching the rest.
// Window thread only.
class SettingsPage : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kWidth = 244;
    static constexpr int kHeight = 235;
    static constexpr int kRow = 24;  // height of a list, a spin box or a check box

    SettingsPage(const char* objectName, QWidget* parent);

    // The stored values into the controls; without a file (before the main window's first
    // showing) the values a missing key stands for.
    virtual void Load(const SettingsFile* file) = 0;
    // Values the page keeps in memory rather than in the file; Ok sets them before any write.
    virtual void Apply() {}
    // The page's keys, in its fixed order. Throws SettingsWriteError at the first refused write.
    virtual void Save(SettingsFile& file) const = 0;
    // Keys that came later than every page's own, written after them so that a fresh file keeps
    // the layout older versions gave it.
    virtual void SaveLast(SettingsFile&) const {}
    // Factory values into the controls; nothing is stored.
    virtual void Defaults() = 0;
    // Gives the captions the dialog's font, smaller where a caption would not fit its control.
    virtual void FitCaptions(const QFont& base);
};

// Building blocks shared by the pages.
namespace page {

// The smallest size a caption is shrunk to so that it fits its control.
constexpr double kSmallestPointSize = 6.5;

QStringList Items(std::initializer_list<const char*> texts);
QStringList SampleRates();  // the sample-rate list the settings store positions of
QStringList Kbps(std::initializer_list<int> values);
QStringList Mp3Bitrates();  // the MP3 bit-rate list, "8 Kbps" to "320 Kbps"

QComboBox* List(QWidget* parent, const char* name, const QStringList& items, const QRect& g);
QLabel* Caption(QWidget* parent, const QString& text, const QRect& g, const char* name = "");
QCheckBox* Check(QWidget* parent, const char* name, const QString& text, const QRect& g);
QSpinBox* Spin(QWidget* parent, const char* name, int low, int high, int value, const QRect& g);
QGroupBox* Frame(QWidget* parent, const QString& title, const QRect& g, const char* name = "");
// Radio buttons in `columns` columns inside `box`, with the item index as id.
QButtonGroup* Radios(QGroupBox* box, const QStringList& items, int columns, int top);
// Fixed lines of explanation in a "Comment:" frame from `top` down, as high as its lines need.
QGroupBox* Comment(QWidget* parent, const QStringList& lines, int top);

// A list shows the stored item, or nothing when the index is not one of its items.
void SelectItem(QComboBox* list, int index);
// A radio group brings a stored index into range.
void SelectRadio(QButtonGroup* group, int index);

void FitCaption(QWidget* control, const QFont& base);

}  // namespace page
