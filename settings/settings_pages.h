#pragma once

#include <QString>
#include <vector>

#include "settings/settings_dialog_values.h"
#include "settings/settings_page.h"

class QDoubleSpinBox;
class QPlainTextEdit;
struct AppSettings;

// A node of the settings dialog's page tree: its text, the heading above its page, the page.
struct PageNode {
    QString text;
    QString heading;
    SettingsPage* page;
    std::vector<PageNode> children;  // collapsed at first
};

// The "General" node: fades, normalisation and the number of files at once.
PageNode GeneralPageNode(AppSettings& appSettings, QWidget* area);

// The "Names" node: output naming pattern, existing outputs, the folder structure.
PageNode NamesPageNode(QWidget* area);

struct OutputFormat;

// The nodes of an output format's pages, named with the text the format selector shows: the
// dialog's own pages for MP3, WAV and Ogg Vorbis, a page built from the unit's keys for the
// others, none for a format without pages.
std::vector<PageNode> FormatPageNodes(const OutputFormat& format, QWidget* area);

// The nodes of the two first formats, with the dialog's older pages.
PageNode Mp3PageNode(const QString& shown, QWidget* area);
PageNode WavPageNode(const QString& shown, QWidget* area);

// Pages whose keys are the settings dialog's older keys: each shows and collects its share of
// SettingsDialogValues, so they keep their missing-key and factory values in one place.
class ValuesPage : public SettingsPage {
    Q_OBJECT

  public:
    ValuesPage(const char* objectName, SettingsDialogKeys keys, QWidget* parent);
    void Load(const SettingsFile* file) override;
    void Save(SettingsFile& file) const override;
    void Defaults() override;

  protected:
    virtual void Show(const SettingsDialogValues& v) = 0;
    virtual void Collect(SettingsDialogValues& v) const = 0;

  private:
    SettingsDialogKeys keys_;
};

// The MP3 "Command Line" page: free text for the encoder that is never stored; it keeps what the
// user typed for the whole run, whatever Ok, Cancel or Default do.
class CommandLinePage : public SettingsPage {
    Q_OBJECT

  public:
    explicit CommandLinePage(QWidget* parent);
    QString Text() const;
    void Load(const SettingsFile*) override {}
    void Save(SettingsFile&) const override {}
    void Defaults() override {}

  private:
    QPlainTextEdit* txtCommLine = nullptr;
};
