#pragma once

#include <QCoreApplication>
#include <QStringList>
#include <QThread>
#include <functional>
#include <utility>
#include <vector>

#include "engine/batch_host.h"

// A batch host for tests: rows given up front, everything the batch shows recorded.
struct RecordingHost : BatchHost {
    struct Row {
        QString caption;
        QString path;
        QString status = QStringLiteral("Unconvert");  // as the list shows it
        AudioFileinfo tags;
        QString sourceFolder;
        RowState state = RowState::Waiting;
        std::vector<RowState> states{};  // every state the row moved to, in order
        QString sheet{};                 // the cue sheet the row is a track of
        SampleRange range{};             // the part of the input the row stands for
        QString frequency{};             // as the list shows it: "44100 Hz"
    };
    struct Done {
        int row;
        RowState outcome;
        QString output;
        QString note;
        QString reason{};
        OutputReceipt receipt{};
    };
    std::vector<Row> rows;
    std::vector<int> progress;
    QStringList information;
    QStringList errors;
    std::vector<Done> done;
    std::vector<bool> timer;
    int pumps = 0;
    bool progressOffThread = false;
    bool textCleared = false;
    int beforeBatch = 0;
    std::function<void(int)> onPump = [](int) {};  // gets the pump count
    std::function<void()> onWait = [] {};

    void Add(const QString& caption, const QString& path, const AudioFileinfo& tags = {},
             const QString& sourceFolder = {}) {
        rows.push_back({caption, path, QStringLiteral("Unconvert"), tags, sourceFolder});
    }

    int RowCount() const override { return static_cast<int>(rows.size()); }
    ListRow RowAt(int row) const override {
        ListRow r;
        r.caption = rows[row].caption;
        r.path = rows[row].path;
        r.record = rows[row].tags;
        r.sourceFolder = rows[row].sourceFolder;
        r.state = rows[row].state;
        r.sheet = rows[row].sheet;
        r.range = rows[row].range;
        r.frequency = rows[row].frequency;
        return r;
    }
    void SetRowState(int row, RowState state) override {
        Row& r = rows[row];
        const RowState next = NextRowState(r.state, state);
        if (next != r.state) {
            r.state = next;
            r.states.push_back(next);
            r.status = RowStateText(next);
        }
    }
    void ShowRowProgress(int, int) override {}
    void ShowProgress(int value) override {
        progressOffThread |= QThread::currentThread() != QCoreApplication::instance()->thread();
        progress.push_back(value);
    }
    void ClearProgressText() override { textCleared = true; }
    void ShowInformation(const QString& text) override { information << text; }
    void ShowError(const QString& text) override { errors << text; }
    void PumpMessages() override {
        ++pumps;
        onPump(pumps);
    }
    void WaitForMessages() override {
        onWait();
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    void SetPacingTimer(bool enabled) override { timer.push_back(enabled); }
    void BeforeBatch() override { ++beforeBatch; }
    // The count shown at every update against the rows that had ended by then.
    std::vector<std::pair<int, int>> counts;  // (shown, ended)
    void ShowBatchProgress(const BatchProgress& p) override {
        int ended = 0;
        for (const Row& r : rows) {
            ended += IsEndState(r.state) && r.state != RowState::NotReached ? 1 : 0;
        }
        counts.emplace_back(p.done, ended);
    }
    void FileDone(const FileResult& r) override {
        done.push_back({r.row, r.state, r.output, r.note, r.reason, r.receipt});
    }
};
