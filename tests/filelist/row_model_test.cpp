#include <gtest/gtest.h>

#include <QObject>
#include <functional>

#include "filelist/row_model.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

ListRow Row(const char* caption, RowState state = RowState::Waiting, const char* remark = "") {
    ListRow r;
    r.caption = S(caption);
    r.path = S("/in/") + S(caption) + S(".wav");
    r.record.Title = S(caption);  // so a record can be seen travelling with its row
    r.frequency = S("44100 Hz");
    r.channels = S(" Stereo ");
    r.time = S("00:03:35");
    r.size = S("3.46MB");
    r.state = state;
    const bool running = state == RowState::Measuring || state == RowState::Converting ||
                         state == RowState::Normalising;
    r.progress = running ? 0 : -1;
    r.remark = S(remark);
    return r;
}

// What a view hears from the model, one line per signal.
struct Heard : QStringList {
    explicit Heard(RowModel& rows) {
        QObject::connect(&rows, &QAbstractItemModel::rowsInserted,
                         [this](const QModelIndex&, int first, int last) {
                             *this << QStringLiteral("inserted %1-%2").arg(first).arg(last);
                         });
        QObject::connect(&rows, &QAbstractItemModel::rowsRemoved,
                         [this](const QModelIndex&, int first, int last) {
                             *this << QStringLiteral("removed %1-%2").arg(first).arg(last);
                         });
        QObject::connect(
            &rows, &QAbstractItemModel::rowsMoved,
            [this](const QModelIndex&, int first, int last, const QModelIndex&, int to) {
                *this << QStringLiteral("moved %1-%2 before %3").arg(first).arg(last).arg(to);
            });
        QObject::connect(&rows, &QAbstractItemModel::modelReset, [this] { *this << S("reset"); });
        QObject::connect(&rows, &QAbstractItemModel::dataChanged,
                         [this](const QModelIndex& from, const QModelIndex& to) {
                             *this << QStringLiteral("changed %1 %2-%3")
                                          .arg(from.row())
                                          .arg(from.column())
                                          .arg(to.column());
                         });
        QObject::connect(&rows, &RowModel::stateChanged, [this](int row, RowState state) {
            *this << QStringLiteral("state %1 %2").arg(row).arg(RowStateWord(state));
        });
    }
    QStringList Lines() const { return *this; }
};

// Each row's caption, checked against its record and its path: nothing comes apart.
QStringList Captions(const RowModel& rows) {
    QStringList out;
    for (int i = 0; i < rows.Count(); ++i) {
        const QString caption = rows.index(i, RowModel::kCaption).data().toString();
        EXPECT_EQ(rows.At(i).Title, caption) << i;
        EXPECT_EQ(rows.index(i, RowModel::kStatus).data(RowModel::kPathRole).toString(),
                  S("/in/") + caption + S(".wav"));
        out << caption;
    }
    return out;
}

TEST(RowModelTest, RowsAreAddedRemovedMovedAndReplacedWithTheirRecordsAndTheViewHearsOfIt) {
    struct Case {
        const char* what;
        std::function<bool(RowModel&)> change;
        bool done;
        QStringList captions;
        QStringList heard;
    };
    const Case cases[] = {
        {"append",
         [](RowModel& m) { return m.Append(Row("d")); },
         true,
         {S("a"), S("b"), S("c"), S("d")},
         {S("inserted 3-3")}},
        {"remove the middle row",
         [](RowModel& m) { return m.Remove(1); },
         true,
         {S("a"), S("c")},
         {S("removed 1-1")}},
        {"remove a row that is not there",
         [](RowModel& m) { return m.Remove(3); },
         false,
         {S("a"), S("b"), S("c")},
         {}},
        {"clear", [](RowModel& m) { return m.Clear(); }, true, {}, {S("reset")}},
        {"move down",
         [](RowModel& m) { return m.Move(0, 2); },
         true,
         {S("b"), S("c"), S("a")},
         {S("moved 0-0 before 3")}},
        {"move up",
         [](RowModel& m) { return m.Move(2, 0); },
         true,
         {S("c"), S("a"), S("b")},
         {S("moved 2-2 before 0")}},
        {"move past the end",
         [](RowModel& m) { return m.Move(0, 3); },
         false,
         {S("a"), S("b"), S("c")},
         {}},
        {"replace",
         [](RowModel& m) { return m.Replace(1, Row("x")); },
         true,
         {S("a"), S("x"), S("c")},
         {S("changed 1 0-5")}},
        {"caption and record",
         [](RowModel& m) {
             AudioFileinfo record = m.At(2);
             record.Title = S("T");
             m.Set(2, record);
             ListRow r = m.Row(2);
             r.path = S("/in/T.wav");
             return m.Replace(2, r) && m.SetCaption(2, S("T"));
         },
         true,
         {S("a"), S("b"), S("T")},
         {S("changed 2 0-5"), S("changed 2 0-0")}},
    };
    for (const Case& c : cases) {
        RowModel rows;
        for (const char* caption : {"a", "b", "c"}) {
            rows.Append(Row(caption));
        }
        const Heard heard(rows);
        EXPECT_EQ(c.change(rows), c.done) << c.what;
        EXPECT_EQ(Captions(rows), c.captions) << c.what;
        EXPECT_EQ(heard.Lines(), c.heard) << c.what;
        EXPECT_EQ(rows.rowCount(), rows.Count()) << c.what;
    }
}

// While a batch runs the rows are the batch's: nothing adds, removes, reorders or edits them,
// while their states, progress and remarks still move.
TEST(RowModelTest, TheGuardRefusesEveryRowChangeButNotTheBatchsOwn) {
    RowModel rows;
    for (const char* caption : {"a", "b"}) {
        rows.Append(Row(caption));
    }
    bool busy = true;
    rows.SetChangeGuard([&busy] { return busy; });
    const Heard heard(rows);
    AudioFileinfo edited;
    edited.Title = S("edited");
    EXPECT_FALSE(rows.Append(Row("c")));
    EXPECT_FALSE(rows.Remove(0));
    EXPECT_FALSE(rows.Clear());
    EXPECT_FALSE(rows.Move(0, 1));
    EXPECT_FALSE(rows.Replace(0, Row("x")));
    EXPECT_FALSE(rows.SetCaption(1, S("y")));
    rows.Set(1, edited);
    rows.SetAll({edited, edited});
    EXPECT_TRUE(heard.isEmpty());
    EXPECT_EQ(Captions(rows), (QStringList{S("a"), S("b")}));

    EXPECT_EQ(rows.SetState(0, RowState::Converting), RowState::Converting);
    rows.SetProgress(0, 5000);
    rows.SetRemark(1, S("why"));
    EXPECT_EQ(heard.Lines(), (QStringList{S("changed 0 5-5"), S("state 0 converting"),
                                          S("changed 0 5-5"), S("changed 1 0-5")}));

    busy = false;
    EXPECT_TRUE(rows.Append(Row("c")));
    EXPECT_EQ(Captions(rows), (QStringList{S("a"), S("b"), S("c")}));
}

TEST(RowModelTest, ColumnsShowTheRowsTextsTipsPathAndProgress) {
    RowModel rows;
    rows.Append(Row("song", RowState::Converting, "a loudness target not reached"));
    rows.Append(Row("plain", RowState::Finished));
    rows.SetProgress(0, 4200);
    const QStringList headers{S("File Title"), S("Frequency"), S("Channels"),
                              S("Time"),       S("Size"),      S("Status")};
    const QStringList shown{S("song"),     S("44100 Hz"), S(" Stereo "),
                            S("00:03:35"), S("3.46MB"),   S("Converting")};
    ASSERT_EQ(rows.columnCount(), 6);
    for (int column = 0; column < rows.columnCount(); ++column) {
        EXPECT_EQ(rows.headerData(column, Qt::Horizontal).toString(), headers[column]);
        const QModelIndex at = rows.index(0, column);
        EXPECT_EQ(at.data().toString(), shown[column]) << column;
        EXPECT_EQ(at.data(RowModel::kPathRole).toString(), S("/in/song.wav")) << column;
        // The caption's tip leads with the full path; every column tells the remark.
        EXPECT_EQ(at.data(Qt::ToolTipRole).toString(),
                  column == RowModel::kCaption ? S("/in/song.wav\na loudness target not reached")
                                               : S("a loudness target not reached"))
            << column;
        EXPECT_EQ(at.data(RowModel::kProgressRole),
                  column == RowModel::kStatus ? QVariant(4200) : QVariant())
            << column;
    }
    EXPECT_EQ(rows.index(1, RowModel::kCaption).data(Qt::ToolTipRole).toString(),
              S("/in/plain.wav"));
    EXPECT_FALSE(rows.index(1, RowModel::kSize).data(Qt::ToolTipRole).isValid());
    EXPECT_FALSE(rows.index(1, RowModel::kStatus).data(RowModel::kProgressRole).isValid());
    EXPECT_FALSE(rows.index(2, 0).isValid());
}

// A row moves only as NextRowState allows; a running row gets a bar that starts empty, every other
// state has none, and a row that waits afresh has no remark of the last run.
TEST(RowModelTest, StatesFollowTheTransitionsAndOnlyRunningRowsHaveProgress) {
    struct Case {
        RowState from;
        RowState wanted;
        RowState reached;
        int progress;  // -1: none
        const char* shown;
        const char* remark;
    };
    const Case cases[] = {
        {RowState::Waiting, RowState::Measuring, RowState::Measuring, 0, "Measuring", "old"},
        {RowState::Waiting, RowState::Converting, RowState::Converting, 0, "Converting", "old"},
        {RowState::Waiting, RowState::Normalising, RowState::Normalising, 0, "Converting", "old"},
        {RowState::Measuring, RowState::Waiting, RowState::Waiting, -1, "Unconvert", ""},
        {RowState::Failed, RowState::Waiting, RowState::Waiting, -1, "Unconvert", ""},
        {RowState::Converting, RowState::Waiting, RowState::Converting, 3000, "Converting", "old"},
        {RowState::Converting, RowState::Finished, RowState::Finished, -1, "finish", "old"},
        {RowState::Normalising, RowState::Stopped, RowState::Stopped, -1, "Stop", "old"},
        {RowState::Waiting, RowState::Finished, RowState::Waiting, -1, "Unconvert", "old"},
        {RowState::Finished, RowState::Measuring, RowState::Finished, -1, "finish", "old"},
        {RowState::Waiting, RowState::Exists, RowState::Exists, -1, "Skipped", "old"},
        {RowState::Waiting, RowState::NotReached, RowState::NotReached, -1, "Unconvert", "old"},
        {RowState::Converting, RowState::Playing, RowState::Converting, 3000, "Converting", "old"},
        {RowState::Finished, RowState::Playing, RowState::Playing, -1, "Playing", "old"},
        {RowState::Playing, RowState::Stopped, RowState::Stopped, -1, "Stop", "old"},
    };
    for (const Case& c : cases) {
        const std::string label =
            (RowStateWord(c.from) + S(" -> ") + RowStateWord(c.wanted)).toStdString();
        RowModel rows;
        rows.Append(Row("song", c.from, "old"));
        rows.SetProgress(0, 3000);  // drawn only for a running row
        const Heard heard(rows);
        EXPECT_EQ(rows.SetState(0, c.wanted), c.reached) << label;
        EXPECT_EQ(c.reached, NextRowState(c.from, c.wanted)) << label;
        EXPECT_EQ(rows.Row(0).state, c.reached) << label;
        EXPECT_EQ(rows.Row(0).progress, c.progress) << label;
        const QVariant bar = rows.index(0, RowModel::kStatus).data(RowModel::kProgressRole);
        EXPECT_EQ(bar.isValid() ? bar.toInt() : -1, c.progress) << label;
        EXPECT_EQ(rows.index(0, RowModel::kStatus).data().toString(), S(c.shown)) << label;
        EXPECT_EQ(rows.Row(0).remark, S(c.remark)) << label;
        // Only a move that happened is told.
        EXPECT_EQ(heard.filter(S("state ")).size(), c.reached == c.from ? 0 : 1) << label;
    }
}

}  // namespace
