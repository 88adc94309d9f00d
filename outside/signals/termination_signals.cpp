#include "outside/signals/termination_signals.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <csignal>

namespace {

// Written from the signal handler: only async-signal-safe calls there.
int g_pipe[2] = {-1, -1};

extern "C" void OnTerminationSignal(int signal) {
    const unsigned char byte = static_cast<unsigned char>(signal);
    const ssize_t ignored = ::write(g_pipe[1], &byte, 1);
    (void)ignored;
}

constexpr int kSignals[] = {SIGTERM, SIGHUP};

}  // namespace

TerminationSignals::TerminationSignals(std::function<void(int)> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_pipe) != 0) {
        return;  // the program still ends on these signals, as it would by default
    }
    notifier_ = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        unsigned char byte = 0;
        while (::read(g_pipe[0], &byte, 1) == 1) {
            if (onSignal_) {
                onSignal_(byte);
            }
        }
    });
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int s : kSignals) {
        ::sigaction(s, &action, nullptr);
    }
}

TerminationSignals::~TerminationSignals() {
    for (const int s : kSignals) {
        std::signal(s, SIG_DFL);
    }
    delete notifier_;
    notifier_ = nullptr;
    for (int& fd : g_pipe) {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
}
