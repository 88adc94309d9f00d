#pragma once

#include <QDialog>

#include "app/about_box.h"
#include "settings/settings_dialog.h"  // Tfm_set
#include "tags/tag_editor_dialog.h"

// The four secondary windows live for the whole run and are shown on demand. Until its own work
// lands the folder chooser is a plain dialog with its caption.

class Tfm_dir : public QDialog {
    Q_OBJECT
  public:
    explicit Tfm_dir(QWidget* parent);
    QString ShowModal(const QString& caption) {
        setWindowTitle(caption);
        exec();
        return {};
    }
};
