#pragma once

#include <QDialog>
#include <QString>
#include <memory>

class FolderTree;
class QCheckBox;
class QLineEdit;
class QPushButton;
class SettingsFile;

// The folder chooser fm_dir: a modal dialog in which the user picks one folder, from the tree or
// by typing or pasting its path (completed from the disk; a missing folder is offered to be
// made). It lives for the whole run, so the tree keeps its expansion and selection between
// showings. Serves Add Folder ("Add File Directory") and the output-folder command ("Output
// Directory").
class Tfm_dir : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kClientWidth = 380;
    static constexpr int kClientHeight = 340;

    explicit Tfm_dir(QWidget* parent = nullptr);

    // Where the last folder and "Include sub-folders" are remembered across runs ([Folders]);
    // the file exists only from the main window's first showing. Without one nothing is kept.
    void SetSettingsFile(const std::unique_ptr<SettingsFile>* file) { settingsFile_ = file; }

    // Shows the chooser modally under caption and returns ChosenFolder once it has closed.
    QString ShowModal(const QString& caption);
    // For the next showing only (Add Folder): the "Include sub-folders" box below the tree.
    // Called before CentreOver, which then centres the dialog.
    void OfferSubfolders();
    // The box's state at the last Ok; it keeps its state between showings.
    bool IncludeSubfolders() const;
    QCheckBox* cb_subfolders() const { return subfolders_; }
    // Places the dialog centred over window (the halves rounded toward zero).
    void CentreOver(const QWidget* window);

    // The result of the last showing: the chosen folder, or empty text when nothing was chosen.
    const QString& ChosenFolder() const { return chosenFolder_; }

    FolderTree* ShellTreeView1() const { return tree_; }
    QLineEdit* ed_path() const { return path_; }
    QPushButton* btn_ok() const { return ok_; }
    QPushButton* btn_cancel() const { return cancel_; }
    QPushButton* btn_newfolder() const { return newFolder_; }

    // Cancel, the close box and Escape: nothing chosen.
    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void btn_okClick();
    void NewFolderClick();
    // The typed folder, made when the user agrees; empty when it cannot or should not be used.
    QString TypedFolder();
    void Remember();
    void Recall();
    void FitTitle(const QString& caption);

    FolderTree* tree_ = nullptr;
    QLineEdit* path_ = nullptr;
    QPushButton* newFolder_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QCheckBox* subfolders_ = nullptr;
    bool offerSubfolders_ = false;
    bool typed_ = false;     // the path field holds the user's text, not the tree's selection
    bool recalled_ = false;  // the remembered folder has been read (once a run)
    const std::unique_ptr<SettingsFile>* settingsFile_ = nullptr;
    QString chosenFolder_;
};
