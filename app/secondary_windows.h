#pragma once

#include <QDialog>

// The four secondary windows live for the whole run and are shown on demand. Until their own
// work lands they are plain dialogs with their captions.

class Tfm_about : public QDialog {
    Q_OBJECT
  public:
    explicit Tfm_about(QWidget* parent);
};

class Tfm_dir : public QDialog {
    Q_OBJECT
  public:
    explicit Tfm_dir(QWidget* parent);
};

class Tfm_id3 : public QDialog {
    Q_OBJECT
  public:
    explicit Tfm_id3(QWidget* parent);
};
