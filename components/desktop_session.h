#pragma once

#include <QString>
#include <cstdint>
#include <functional>

// What the program asks of the user's desktop session: a notification, and that the machine does
// not suspend while a batch runs. Best effort: where no desktop service answers, nothing happens
// and nothing is reported. No call waits for the desktop. Window thread only.
class IDesktopSession {
  public:
    virtual ~IDesktopSession() = default;

    // Shows a desktop notification.
    virtual void Notify(const QString& title, const QString& body) = 0;
    // The same with one action, labelled `label`, where the notification server shows actions;
    // `invoked` runs on the window thread when the user picks it. Elsewhere a plain Notify.
    virtual void NotifyWithAction(const QString& title, const QString& body, const QString& label,
                                  std::function<void()> invoked) {
        (void)label;
        (void)invoked;
        Notify(title, body);
    }

    // Asks the desktop not to suspend, giving the reason it may show. Returns the handle that
    // ReleaseInhibit takes, or 0 when there is no desktop session to ask.
    virtual std::uint32_t InhibitSuspend(const QString& reason) = 0;
    // Withdraws that request; 0 and handles already released are ignored.
    virtual void ReleaseInhibit(std::uint32_t handle) = 0;
};

// Keeps the desktop from suspending for as long as it lives (a batch, say), however that ends.
// A null session asks nothing.
class SuspendInhibition {
  public:
    SuspendInhibition(IDesktopSession* session, const QString& reason)
        : session_(session), handle_(session ? session->InhibitSuspend(reason) : 0) {}
    ~SuspendInhibition() {
        if (session_) {
            session_->ReleaseInhibit(handle_);
        }
    }
    SuspendInhibition(const SuspendInhibition&) = delete;
    SuspendInhibition& operator=(const SuspendInhibition&) = delete;

  private:
    IDesktopSession* session_;
    std::uint32_t handle_;
};
