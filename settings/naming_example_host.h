#pragma once

#include "filelist/name_pattern.h"

// What the Names page's live example knows of the listed rows, given by the window that lists
// them: the page names the rows itself, so it never reaches into the list.
class NamingExampleHost {
  public:
    virtual ~NamingExampleHost() = default;
    // The rows may have changed since the dialog last showed: forget what was read of them.
    virtual void Reread() = 0;
    virtual int RowCount() const = 0;
    // The row the example names: the selected one, else the first; -1 for an empty list.
    virtual int ExampleRow() const = 0;
    // The fields a pattern fills in for that row, as the batch will read them.
    virtual NameFields FieldsOf(int row) = 0;
};
