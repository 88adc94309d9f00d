#pragma once

#include <QDialog>

#include "app/about_box.h"
#include "tags/tag_editor_dialog.h"

// The four secondary windows live for the whole run and are shown on demand. Until their own
// work lands they are plain dialogs with their captions.

class Tfm_dir : public QDialog {
    Q_OBJECT
  public:
    explicit Tfm_dir(QWidget* parent);
    QString ChosenFolder() const { return {}; }
};

class Tfm_set : public QDialog {
    Q_OBJECT
  public:
    explicit Tfm_set(QWidget* parent);
};
