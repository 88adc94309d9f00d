#include "app/list_naming_host.h"

#include <QItemSelectionModel>
#include <QTreeView>
#include <algorithm>

#include "engine/output_target.h"
#include "filelist/row_model.h"

ListNamingHost::ListNamingHost(const RowModel& rows, const QTreeView* lv, QObject* parent)
    : QObject(parent), rows_(rows), lv_(lv) {}

int ListNamingHost::RowCount() const {
    return rows_.Count();
}

int ListNamingHost::ExampleRow() const {
    if (rows_.Count() == 0) {
        return -1;
    }
    if (lv_ && lv_->selectionModel()) {
        int first = rows_.Count();
        for (const QModelIndex& index : lv_->selectionModel()->selectedIndexes()) {
            first = std::min(first, index.row());
        }
        if (first < rows_.Count()) {
            return first;
        }
    }
    return 0;
}

NameFields ListNamingHost::FieldsOf(int row) {
    const ListRow& r = rows_.Row(row);
    // The tracks of one file each have their own fields.
    const QString key =
        r.IsSheetTrack() ? r.path + QLatin1Char('#') + QString::number(r.range.start) : r.path;
    const auto found = fields_.constFind(key);
    if (found != fields_.constEnd()) {
        return *found;
    }
    return *fields_.insert(key, ReadNameFields(r));
}
