#include "outside/desktop/dbus_desktop_session.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDir>
#include <QFileInfo>
#include <QObject>
#include <QVariantMap>
#include <functional>
#include <map>
#include <optional>

namespace {

const QString kApplication = QStringLiteral("Quorvel");
const QString kDesktopEntry = QStringLiteral("quorvel");  // the .desktop file and icon name
// How long an answer is waited for, in the background, before the service counts as absent.
constexpr int kAnswerTimeoutMs = 2000;

// The two suspend-inhibition services, tried in this order.
enum class Inhibitor { PowerManagement, GnomeSession };

QDBusMessage InhibitCall(Inhibitor service, const QString& reason) {
    if (service == Inhibitor::PowerManagement) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.PowerManagement"),
            QStringLiteral("/org/freedesktop/PowerManagement/Inhibit"),
            QStringLiteral("org.freedesktop.PowerManagement.Inhibit"), QStringLiteral("Inhibit"));
        call << kApplication << reason;
        return call;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.gnome.SessionManager"), QStringLiteral("/org/gnome/SessionManager"),
        QStringLiteral("org.gnome.SessionManager"), QStringLiteral("Inhibit"));
    constexpr uint kInhibitSuspend = 4;
    call << kApplication << uint(0) /* no window id */ << reason << kInhibitSuspend;
    return call;
}

QDBusMessage ReleaseCall(Inhibitor service, uint cookie) {
    QDBusMessage call =
        service == Inhibitor::PowerManagement
            ? QDBusMessage::createMethodCall(
                  QStringLiteral("org.freedesktop.PowerManagement"),
                  QStringLiteral("/org/freedesktop/PowerManagement/Inhibit"),
                  QStringLiteral("org.freedesktop.PowerManagement.Inhibit"),
                  QStringLiteral("UnInhibit"))
            : QDBusMessage::createMethodCall(QStringLiteral("org.gnome.SessionManager"),
                                             QStringLiteral("/org/gnome/SessionManager"),
                                             QStringLiteral("org.gnome.SessionManager"),
                                             QStringLiteral("Uninhibit"));
    call << cookie;
    return call;
}

const QString kNotifications = QStringLiteral("org.freedesktop.Notifications");
const QString kNotificationsPath = QStringLiteral("/org/freedesktop/Notifications");
// The key of the one action a notification offers.
const QString kActionKey = QStringLiteral("open-folder");

QDBusMessage NotifyCall(const QString& title, const QString& body, const QStringList& actions) {
    QDBusMessage call = QDBusMessage::createMethodCall(kNotifications, kNotificationsPath,
                                                       kNotifications, QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("desktop-entry"), kDesktopEntry}};
    call << kApplication << uint(0) /* a new notification */ << kDesktopEntry /* icon */ << title
         << body << actions << hints << qint32(-1) /* the server's own display time */;
    return call;
}

// Hears the notification server's signals: the action a user picked, the notifications that
// went away. A QObject of its own because the bus reaches slots by name.
class NotificationSignals : public QObject {
    Q_OBJECT

  public:
    std::function<void(uint id, const QString& key)> invoked;
    std::function<void(uint id)> closed;

  public slots:
    void ActionInvoked(uint id, const QString& key) { invoked(id, key); }
    void NotificationClosed(uint id, uint reason) {
        (void)reason;
        closed(id);
    }
};

// Window thread only: the answers arrive there, as queued events of this object.
class DBusDesktopSession : public QObject, public IDesktopSession {
  public:
    explicit DBusDesktopSession(std::optional<QDBusConnection> bus) : bus_(std::move(bus)) {
        if (!bus_) {
            return;
        }
        signals_.invoked = [this](uint id, const QString& key) {
            const auto it = actions_.find(id);
            if (it == actions_.end() || key != kActionKey) {
                return;  // another program's notification, or not our action
            }
            const std::function<void()> action = std::move(it->second);
            actions_.erase(it);
            action();
        };
        signals_.closed = [this](uint id) { actions_.erase(id); };
        bus_->connect(kNotifications, kNotificationsPath, kNotifications,
                      QStringLiteral("ActionInvoked"), &signals_,
                      SLOT(ActionInvoked(uint, QString)));
        bus_->connect(kNotifications, kNotificationsPath, kNotifications,
                      QStringLiteral("NotificationClosed"), &signals_,
                      SLOT(NotificationClosed(uint, uint)));
    }
    // A request still held is withdrawn (the services also drop it when the program's connection
    // ends).
    ~DBusDesktopSession() override {
        for (const auto& [handle, request] : requests_) {
            if (request.granted) {
                bus_->send(ReleaseCall(request.service, request.cookie));
            }
        }
    }
    DBusDesktopSession(const DBusDesktopSession&) = delete;
    DBusDesktopSession& operator=(const DBusDesktopSession&) = delete;

    void Notify(const QString& title, const QString& body) override {
        if (!bus_) {
            return;
        }
        bus_->send(NotifyCall(title, body, {}));  // the answer (its id) is of no use
    }

    void NotifyWithAction(const QString& title, const QString& body, const QString& label,
                          std::function<void()> invoked) override {
        if (!bus_) {
            return;
        }
        // A server without actions would show none, or show the label as text: it is asked
        // first, in the background, and the notification goes out with its answer.
        const QDBusMessage ask = QDBusMessage::createMethodCall(
            kNotifications, kNotificationsPath, kNotifications, QStringLiteral("GetCapabilities"));
        auto* watcher = new QDBusPendingCallWatcher(bus_->asyncCall(ask, kAnswerTimeoutMs), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this,
                [this, title, body, label,
                 invoked = std::move(invoked)](QDBusPendingCallWatcher* w) mutable {
                    w->deleteLater();
                    const QDBusPendingReply<QStringList> reply = *w;
                    if (reply.isError() || !reply.value().contains(QStringLiteral("actions"))) {
                        bus_->send(NotifyCall(title, body, {}));
                        return;
                    }
                    SendWithAction(title, body, label, std::move(invoked));
                });
    }

    std::uint32_t InhibitSuspend(const QString& reason) override {
        if (!bus_) {
            return 0;
        }
        const std::uint32_t handle = nextHandle_++;
        requests_[handle] = Request{};
        Ask(handle, Inhibitor::PowerManagement, reason);
        return handle;
    }

    void ReleaseInhibit(std::uint32_t handle) override {
        const auto it = requests_.find(handle);
        if (it == requests_.end()) {
            return;
        }
        if (it->second.granted) {
            bus_->send(ReleaseCall(it->second.service, it->second.cookie));
            requests_.erase(it);
        } else {
            it->second.released = true;  // released when the answer comes
        }
    }

  private:
    void SendWithAction(const QString& title, const QString& body, const QString& label,
                        std::function<void()> invoked) {
        auto* watcher = new QDBusPendingCallWatcher(
            bus_->asyncCall(NotifyCall(title, body, {kActionKey, label}), kAnswerTimeoutMs), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this,
                [this, invoked = std::move(invoked)](QDBusPendingCallWatcher* w) mutable {
                    w->deleteLater();
                    const QDBusPendingReply<uint> reply = *w;
                    if (!reply.isError()) {
                        actions_[reply.value()] = std::move(invoked);
                    }
                });
    }

    struct Request {
        Inhibitor service = Inhibitor::PowerManagement;
        uint cookie = 0;
        bool granted = false;
        bool released = false;  // released before the service answered
    };

    void Ask(std::uint32_t handle, Inhibitor service, const QString& reason) {
        auto* watcher = new QDBusPendingCallWatcher(
            bus_->asyncCall(InhibitCall(service, reason), kAnswerTimeoutMs), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this,
                [this, handle, service, reason](QDBusPendingCallWatcher* w) {
                    w->deleteLater();
                    const QDBusPendingReply<uint> reply = *w;
                    Answered(handle, service, reason, reply);
                });
    }

    void Answered(std::uint32_t handle, Inhibitor service, const QString& reason,
                  const QDBusPendingReply<uint>& reply) {
        const auto it = requests_.find(handle);
        if (it == requests_.end()) {
            return;
        }
        if (reply.isError()) {
            if (service == Inhibitor::PowerManagement && !it->second.released) {
                Ask(handle, Inhibitor::GnomeSession, reason);
            } else {
                requests_.erase(it);  // nobody to ask: the desktop suspends as it likes
            }
            return;
        }
        if (it->second.released) {
            bus_->send(ReleaseCall(service, reply.value()));
            requests_.erase(it);
            return;
        }
        it->second = Request{service, reply.value(), true, false};
    }

    std::optional<QDBusConnection> bus_;
    NotificationSignals signals_;
    // The action of each notification shown with one, until it is picked or closed.
    std::map<uint, std::function<void()>> actions_;
    std::map<std::uint32_t, Request> requests_;
    std::uint32_t nextHandle_ = 1;
};

}  // namespace

std::unique_ptr<IDesktopSession> CreateDesktopSession() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const bool named =
        qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS") ||
        (!runtime.isEmpty() && QFileInfo::exists(QDir(runtime).filePath(QStringLiteral("bus"))));
    if (!named) {
        return std::make_unique<DBusDesktopSession>(std::nullopt);
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return std::make_unique<DBusDesktopSession>(std::nullopt);
    }
    return std::make_unique<DBusDesktopSession>(bus);
}

std::unique_ptr<IDesktopSession> CreateDesktopSession(const QDBusConnection& bus) {
    if (!bus.isConnected()) {
        return std::make_unique<DBusDesktopSession>(std::nullopt);
    }
    return std::make_unique<DBusDesktopSession>(bus);
}

#include "dbus_desktop_session.moc"
