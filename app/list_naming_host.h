#pragma once

#include <QHash>
#include <QObject>

#include "settings/naming_example_host.h"

class QTreeView;
class RowModel;

// The Names page's view of the main list: the rows, the selected one, and each row's fields as
// the batch will read them (read from the file once per showing of the dialog).
class ListNamingHost : public QObject, public NamingExampleHost {
  public:
    ListNamingHost(const RowModel& rows, const QTreeView* lv, QObject* parent);

    void Reread() override { fields_.clear(); }
    int RowCount() const override;
    int ExampleRow() const override;
    NameFields FieldsOf(int row) override;

  private:
    const RowModel& rows_;
    const QTreeView* lv_;
    QHash<QString, NameFields> fields_;  // by input path (and a track's start)
};
