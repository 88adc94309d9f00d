#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

// Turns SIGTERM and SIGHUP (a logout, `kill`, a closed terminal) into a call on the thread that
// created this object, from its event loop, so the program can end as if its window were closed
// instead of dying in the middle of a file. One instance per process.
class TerminationSignals : public QObject {
  public:
    explicit TerminationSignals(std::function<void(int signal)> onSignal,
                                QObject* parent = nullptr);
    ~TerminationSignals() override;

  private:
    std::function<void(int)> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};
