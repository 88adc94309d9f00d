#pragma once

#include <QDialog>
#include <QString>

class FolderTree;
class QCheckBox;
class QPushButton;

// The folder chooser fm_dir: a modal dialog in which the user picks one folder. It lives for the
// whole run, so the tree keeps its expansion and selection between showings. Serves Add Folder
// ("Add File Directory") and the output-folder command ("Output Directory").
class Tfm_dir : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kClientWidth = 287;
    static constexpr int kClientHeight = 260;

    explicit Tfm_dir(QWidget* parent = nullptr);

    // Shows the chooser modally under caption and returns ChosenFolder once it has closed.
    QString ShowModal(const QString& caption);
    // For the next showing only (Add Folder): the "Include sub-folders" box below the tree, the
    // dialog grown to hold it. Called before CentreOver, which then centres the grown dialog.
    void OfferSubfolders();
    // The box's state at the last Ok; it keeps its state between showings.
    bool IncludeSubfolders() const;
    QCheckBox* cb_subfolders() const { return subfolders_; }
    // Places the dialog centred over window (the halves rounded toward zero).
    void CentreOver(const QWidget* window);

    // The result of the last showing: the chosen folder, or empty text when nothing was chosen.
    const QString& ChosenFolder() const { return chosenFolder_; }

    FolderTree* ShellTreeView1() const { return tree_; }
    QPushButton* btn_ok() const { return ok_; }
    QPushButton* btn_cancel() const { return cancel_; }

    // Cancel, the close box and Escape: nothing chosen.
    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void btn_okClick();

    FolderTree* tree_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QCheckBox* subfolders_ = nullptr;
    bool offerSubfolders_ = false;
    void LayOut(bool withSubfolders);
    void PlaceButtons(int top);
    QString chosenFolder_;
};
