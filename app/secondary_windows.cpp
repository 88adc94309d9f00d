#include "app/secondary_windows.h"

#include <QLabel>
#include <QVBoxLayout>

namespace {

void Placeholder(QDialog* dialog, const QString& objectName, const QString& caption,
                 const QString& text) {
    dialog->setObjectName(objectName);
    dialog->setWindowTitle(caption);
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(new QLabel(text, dialog));
}

}  // namespace

Tfm_dir::Tfm_dir(QWidget* parent) : QDialog(parent) {
    Placeholder(this, QStringLiteral("fm_dir"), QStringLiteral("Output Directory"), QString());
}
