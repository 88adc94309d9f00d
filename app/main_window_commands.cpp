// The operations behind the commands of the skin and the menus, and the small commands that live
// in the main window: output folder, open output folder, help.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTreeView>
#include <QUrl>

#include "app/about_box.h"
#include "app/command_dispatch.h"
#include "app/desktop_open.h"
#include "app/file_list_commands.h"
#include "app/information_box.h"
#include "app/main_window.h"
#include "app/secondary_windows.h"
#include "preview/preview_playback.h"

MainCommands Tfm_main::Commands() {
    MainCommands c;
    c.AddFiles = [this] { fileList_->AddFiles(); };
    c.AddFolder = [this] { fileList_->AddFolder(); };
    c.RemoveSelected = [this] { fileList_->RemoveSelected(); };
    c.ClearList = [this] { fileList_->ClearList(); };
    // While files are being added (the add pumps messages), nothing may start that reads the
    // list: the row being filled must stay valid.
    const auto unlessAdding = [this](std::function<void()> command) {
        return [this, command = std::move(command)] {
            if (fileList_->Adding()) {
                fileList_->RefuseWhileBusy();
                return;
            }
            command();
        };
    };
    c.ConvertAll = unlessAdding([this] { ConvertAll(); });
    c.NormalizeAll = unlessAdding([this] { NormalizeAll(); });
    c.StopWork = [this] { StopWork(); };
    c.PauseWork = [this] { PauseWork(); };
    c.StartPreview = unlessAdding([this] { preview_->StartPreview(); });
    c.StopPreview = [this] { preview_->StopPreview(); };
    c.ShowTagEditor = unlessAdding([this] {
        if (fm_id3_) {
            fm_id3_->exec();
        }
    });
    c.ShowSettings = [this] {
        if (fm_set_) {
            fm_set_->exec();
        }
    };
    c.ChooseOutputFolder = [this] { ChooseOutputFolder(); };
    c.OpenOutputFolder = [this] { OpenOutputFolder(); };
    c.OpenHelp = [this] { OpenHelp(); };
    c.ShowAbout = [this] {
        if (fm_about_) {
            fm_about_->ShowBesideMainWindow();
        }
    };
    c.PreviewRow = unlessAdding([this] { PreviewCurrentRow(); });
    c.OpenContainingFolder = [this] { OpenContainingFolder(); };
    return c;
}

void Tfm_main::PreviewCurrentRow() {
    const QModelIndex current = lv()->currentIndex();
    if (!current.isValid()) {
        preview_->StartPreview();  // no row yet: says "Please add file!", or plays the last row
        return;
    }
    const int index = current.row();
    if (preview_->Playing()) {
        const bool same = index == preview_->PlayIndex();
        preview_->StopPreview();
        if (same) {
            return;  // the key that started the row stops it
        }
    }
    if (state_.Busy()) {
        return;  // a preview does not start during a batch, and the batch's rows keep their place
    }
    lv()->selectionModel()->select(current,
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    preview_->SetPlayIndex(index);
    preview_->StartPreview();
}

void Tfm_main::OpenContainingFolder() {
    const QModelIndex current = lv()->currentIndex();
    if (!current.isValid()) {
        return;
    }
    const QString folder = QFileInfo(rows_->Row(current.row()).path).absolutePath();
    if (!QFileInfo(folder).isDir()) {
        ShowInformation(
            this, tr("The folder %1 no longer exists.").arg(QDir::toNativeSeparators(folder)));
        return;
    }
    if (!OpenWithDesktop(QUrl::fromLocalFile(folder))) {
        ShowInformation(this, tr("Cannot open the folder %1: no file manager "
                                 "answered.")
                                  .arg(QDir::toNativeSeparators(folder)));
    }
}

void Tfm_main::ChooseOutputFolder() {
    if (state_.Busy()) {
        ShowInformation(this, tr("Please stop converting first!"));
        return;
    }
    if (!fm_dir_) {
        return;
    }
    const QString chosen = fm_dir_->ShowModal(tr("Output Directory"));
    if (chosen.isEmpty()) {
        return;
    }
    if (skinLabel_) {
        skinLabel_->SetCaption(chosen);
    }
    state_.appSettings.OutputDir = chosen;
    if (state_.settingsFile) {
        try {
            state_.settingsFile->WriteText(QStringLiteral("Format"), QStringLiteral("Dir"), chosen);
            state_.UnstoredOutputDir.clear();
        } catch (const SettingsWriteError& e) {
            // The folder is still used for this run (the batches would otherwise read the old
            // one back from the file) and written again at the close request.
            state_.UnstoredOutputDir = chosen;
            ShowErrorReport(this, e.Message());
        }
    }
}

void Tfm_main::OpenOutputFolder() {
    if (state_.Converting) {
        ShowInformation(this, tr("Please stop converting first!"));
        return;
    }
    const QString folder = state_.appSettings.OutputDir;
    if (!QFileInfo(folder).isDir()) {
        ShowInformation(this, tr("The output folder %1 does not exist yet. It is "
                                 "created when a conversion starts.")
                                  .arg(QDir::toNativeSeparators(folder)));
        return;
    }
    if (!OpenWithDesktop(QUrl::fromLocalFile(folder))) {
        ShowInformation(this, tr("Cannot open the output folder %1: no file manager "
                                 "answered.")
                                  .arg(QDir::toNativeSeparators(folder)));
    }
}

void Tfm_main::OpenHelp() {
    const QString page =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("help/Quorvel.html"));
    if (!QFileInfo(page).isFile()) {
        ShowInformation(this,
                        tr("Cannot find the help page %1.").arg(QDir::toNativeSeparators(page)));
        return;
    }
    if (!OpenWithDesktop(QUrl::fromLocalFile(page))) {
        ShowInformation(this, tr("Cannot open the help page %1: no web browser "
                                 "answered.")
                                  .arg(QDir::toNativeSeparators(page)));
    }
}
