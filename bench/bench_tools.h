#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "engine/batch_host.h"

class IAudioFile2;

// A host for the batches outside the window: the rows only; information goes to standard error,
// an error ends the bench.
struct BenchRowsHost : BatchHost {
    std::vector<ListRow> rows;
    // A row for each whole file, captioned with its name, as a drop adds it.
    void AddFiles(const QStringList& paths);
    int RowCount() const override { return static_cast<int>(rows.size()); }
    ListRow RowAt(int row) const override { return rows[static_cast<std::size_t>(row)]; }
    void SetRowState(int, RowState) override {}
    void ShowRowProgress(int, int) override {}
    void ShowProgress(int) override {}
    void ClearProgressText() override {}
    void ShowInformation(const QString& text) override;
    void ShowError(const QString& text) override;
    void PumpMessages() override;
    void WaitForMessages() override;
    void SetPacingTimer(bool) override {}
};

struct BenchTiming {
    double wall = 0;
    double cpu = 0;  // this process and the tools it ran: what the work cost, whatever the load
};

// The wall and CPU time of one run of `work`.
BenchTiming TimeRun(const std::function<void()>& work);

// The middle value of the runs of one case.
double Median(std::vector<double> values);

// Runs `ours` and `other` in turn `runs` times and prints the medians of their wall and CPU
// times (this process and the tools it ran) and the ratios, under `name` and `otherName`.
void Compare(const char* name, const char* otherName, int runs, const std::function<void()>& ours,
             const std::function<void()>& other);

// Runs a reference tool to its end; throws ComponentError naming it when it fails.
void RunTool(const QString& program, const QStringList& arguments);

// Reader to writer in the conversion's blocks, with nothing around them; `configure` sets the
// writer's format before the output is created.
void ConvertBare(const QString& in, const QString& out,
                 const std::function<void(IAudioFile2&)>& configure);
