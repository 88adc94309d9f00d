#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class CommandLinePage;
class SettingsPage;
struct PageNode;
struct AppSettings;
class SettingsFile;
class NamingExampleHost;

// The settings dialog (fm_set): a page tree on the left, the chosen page on the right, Ok /
// Default / Cancel below. The tree has "General" and then the pages of every output format that
// has one, in the format table's order. It edits the fade and normalisation values in memory and
// the encoder keys of the settings file, and holds the encoder command line for the whole run.
// Window thread only.
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

    // The listed rows the Names page's example names; without one, a made-up track.
    void SetNamingExampleHost(NamingExampleHost* host);

    // Ok, Cancel and the close box: the dialog's size is remembered ([Window] settings size).
    void done(int result) override;

    // [Window] settings size as "WIDTHxHEIGHT"; the default size for a missing or odd value
    // (not two numbers, smaller than the default, or beyond what any screen could hold).
    static QSize ReadStoredSize(const SettingsFile& file);

  protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // One node of the tree, in the order of a top-down walk of all nodes (its absolute index).
    struct Node {
        QString heading;
        SettingsPage* page;
    };

    void BuildControls();
    void AddNode(const PageNode& node, QTreeWidgetItem* parent);
    void FitCaptions();
    void LayOut();
    void FormShow();
    void TreeView1Click();
    void ShowPage(int index);
    void OkClick();
    void Button2Click();
    void CancelClick();

    AppSettings& appSettings_;
    const std::unique_ptr<SettingsFile>& settingsFile_;
    std::function<void(QWidget*, const QString&)> reportError_;

    QTreeWidget* TreeView1 = nullptr;
    QLabel* lab = nullptr;
    QWidget* pageArea_ = nullptr;
    std::vector<Node> nodes_;
    std::vector<SettingsPage*> pages_;  // each once, in the order Ok writes their keys
    CommandLinePage* commandLine_ = nullptr;
    bool shownBefore_ = false;

    QPushButton* Ok = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Cancel = nullptr;
};
