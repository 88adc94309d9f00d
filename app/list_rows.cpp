#include "app/list_rows.h"

#include <QTreeWidgetItem>

#include "filelist/probe_file.h"

namespace {
constexpr int kPathRole = Qt::UserRole;
}

QString SubItem(const QTreeWidgetItem* row, int index) {
    if (index == kPath) {
        return row->data(0, kPathRole).toString();
    }
    return row->text(index + 1);
}

void SetSubItem(QTreeWidgetItem* row, int index, const QString& text) {
    if (index == kPath) {
        row->setData(0, kPathRole, text);
        row->setToolTip(0, text);  // the full path, for captions the column cuts off
        return;
    }
    row->setText(index + 1, text);
}

void FillRow(QTreeWidgetItem* row, const ListRowTexts& texts) {
    row->setText(0, texts.Caption);
    SetSubItem(row, kFrequency, texts.Frequency);
    SetSubItem(row, kChannels, texts.Channels);
    SetSubItem(row, kTime, texts.Time);
    SetSubItem(row, kSize, texts.Size);
    SetSubItem(row, kStatus, texts.Status);
    SetSubItem(row, kPath, texts.Path);
}
