#include "app/list_rows.h"

#include <QTreeWidget>
#include <QTreeWidgetItem>

#include "filelist/probe_file.h"
#include "tagmodel/audio_file_info.h"

namespace {
constexpr int kPathRole = Qt::UserRole;
constexpr int kRecordRole = Qt::UserRole + 1;
constexpr int kSourceFolderRole = Qt::UserRole + 3;
}  // namespace

QString SubItem(const QTreeWidgetItem* row, int index) {
    if (index == kPath) {
        return row->data(0, kPathRole).toString();
    }
    return row->text(index + 1);
}

void SetSubItem(QTreeWidgetItem* row, int index, const QString& text) {
    if (index == kPath) {
        row->setData(0, kPathRole, text);
        SetRowFailure(row, QString());  // the full path, for captions the column cuts off
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

AudioFileinfo RowRecord(const QTreeWidgetItem* row) {
    return row->data(0, kRecordRole).value<AudioFileinfo>();
}

void SetRowRecord(QTreeWidgetItem* row, const AudioFileinfo& record) {
    row->setData(0, kRecordRole, QVariant::fromValue(record));
}

QString RowSourceFolder(const QTreeWidgetItem* row) {
    return row->data(0, kSourceFolderRole).toString();
}

void SetRowSourceFolder(QTreeWidgetItem* row, const QString& folder) {
    row->setData(0, kSourceFolderRole, folder);
}

void SetRowFailure(QTreeWidgetItem* row, const QString& reason) {
    const QString path = SubItem(row, kPath);
    row->setToolTip(0, reason.isEmpty() ? path : path + QLatin1Char('\n') + reason);
    for (int column = 1; column < row->columnCount(); ++column) {
        row->setToolTip(column, reason);
    }
}

int ListRowRecords::Count() const {
    return list_->topLevelItemCount();
}

AudioFileinfo ListRowRecords::At(int row) const {
    const QTreeWidgetItem* item = list_->topLevelItem(row);
    return item ? RowRecord(item) : AudioFileinfo{};
}

void ListRowRecords::Set(int row, const AudioFileinfo& record) {
    if (QTreeWidgetItem* item = list_->topLevelItem(row)) {
        SetRowRecord(item, record);
    }
}

void SetRowProgress(QTreeWidgetItem* row, int value) {
    row->setData(kStatus + 1, kRowProgressRole, value < 0 ? QVariant() : QVariant(value));
}

int RowProgress(const QTreeWidgetItem* row) {
    const QVariant v = row->data(kStatus + 1, kRowProgressRole);
    return v.isValid() ? v.toInt() : -1;
}
