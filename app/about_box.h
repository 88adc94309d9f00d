#pragma once

#include <QDialog>

// The about box: product name, version and the program's one-line purpose. Modeless; each time
// it is shown it puts its top-left corner on the main window's.
class Tfm_about : public QDialog {
    Q_OBJECT

  public:
    explicit Tfm_about(QWidget* mainWindow);

    // Shows the box without blocking the main window.
    void ShowBesideMainWindow();
};
