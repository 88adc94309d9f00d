#pragma once

#include <QCoreApplication>
#include <QStringList>
#include <QThread>
#include <functional>
#include <vector>

#include "engine/batch_host.h"

// A batch host for tests: rows given up front, everything the batch shows recorded.
struct RecordingHost : BatchHost {
    struct Row {
        QString caption;
        QString path;
        QString status = QStringLiteral("Unconvert");
        AudioFileinfo tags;
        QString sourceFolder;
    };
    struct Done {
        int row;
        FileOutcome outcome;
        QString output;
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
    QString RowCaption(int row) const override { return rows[row].caption; }
    QString RowInputPath(int row) const override { return rows[row].path; }
    AudioFileinfo RowTags(int row) const override { return rows[row].tags; }
    QString RowSourceFolder(int row) const override { return rows[row].sourceFolder; }
    void SetRowStatus(int row, const QString& status) override { rows[row].status = status; }
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
    void FileDone(const FileResult& r) override { done.push_back({r.row, r.outcome, r.output}); }
};
