#pragma once

#include <QString>

// An output file being written. The bytes go to a hidden temporary file beside the target, which
// replaces the target only in Commit(): an existing file survives until the new one is complete,
// and an output that fails half way is removed instead of being left under the user's name.
class PendingOutput {
  public:
    explicit PendingOutput(const QString& target);  // throws ComponentError
    ~PendingOutput();                               // removes the temporary file unless committed
    PendingOutput(const PendingOutput&) = delete;
    PendingOutput& operator=(const PendingOutput&) = delete;

    const QString& Target() const { return target_; }
    const QString& TempPath() const { return temp_; }
    void Commit();  // throws ComponentError

  private:
    QString target_;
    QString temp_;
    bool committed_ = false;
};
