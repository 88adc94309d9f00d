#pragma once

#include <QDialog>

#include "settings/folder_chooser.h"  // Tfm_dir

// The four secondary windows live for the whole run and are shown on demand. Until their own
// work lands they are plain dialogs with their captions.

class Tfm_about : public QDialog {
    Q_OBJECT
  public:
    explicit Tfm_about(QWidget* parent);
};

class Tfm_id3 : public QDialog {
    Q_OBJECT
  public:
    explicit Tfm_id3(QWidget* parent);
};
