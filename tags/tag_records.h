#pragma once

#include <QList>

#include "tagmodel/audio_file_info.h"

// Tags: the tag record of every row of the main list, read and written by row index. The records
// live with the rows themselves, so they can never fall out of step with the list.
class TagRecords {
  public:
    virtual ~TagRecords() = default;
    virtual int Count() const = 0;
    virtual AudioFileinfo At(int row) const = 0;
    virtual void Set(int row, const AudioFileinfo& record) = 0;

    // The record of the row, or an empty one when there is no such row.
    AudioFileinfo Value(int row) const {
        return row >= 0 && row < Count() ? At(row) : AudioFileinfo{};
    }
    // Every record in row order.
    QList<AudioFileinfo> All() const {
        QList<AudioFileinfo> all;
        for (int i = 0; i < Count(); ++i) {
            all.append(At(i));
        }
        return all;
    }
    // Row order; records beyond the rows are ignored.
    void SetAll(const QList<AudioFileinfo>& records) {
        for (int i = 0; i < Count() && i < records.size(); ++i) {
            Set(i, records[i]);
        }
    }
};

// Records held in a plain list (the command line, tests).
class ListTagRecords : public TagRecords {
  public:
    explicit ListTagRecords(QList<AudioFileinfo>& list) : list_(list) {}
    int Count() const override { return static_cast<int>(list_.size()); }
    AudioFileinfo At(int row) const override { return list_.value(row); }
    void Set(int row, const AudioFileinfo& record) override { list_[row] = record; }

  private:
    QList<AudioFileinfo>& list_;
};
