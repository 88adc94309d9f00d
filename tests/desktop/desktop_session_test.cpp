// The desktop session against fake desktop services on a private session bus: which calls reach
// which service, with what, and that a missing or late service changes nothing for the caller.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QVariantMap>
#include <algorithm>
#include <utility>

#include "outside/desktop/dbus_desktop_session.h"
#include "support/temp_dir.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

// The fake services write each call they receive into one shared log.

class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
  public:
    explicit FakeNotifications(QStringList& log, QStringList capabilities = {S("body")})
        : log_(log), capabilities_(std::move(capabilities)) {}
  public slots:
    QStringList GetCapabilities() {
        log_ << S("GetCapabilities");
        return capabilities_;
    }
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints,
                int timeout) {
        log_ << S("Notify(%1,%2,%3,%4,%5,%6,%7,%8)")
                    .arg(app)
                    .arg(replaces)
                    .arg(icon, summary, body, actions.join(u'|'),
                         hints.value(S("desktop-entry")).toString())
                    .arg(timeout);
        return 1;
    }

  private:
    QStringList& log_;
    QStringList capabilities_;
};

class FakePowerManagement : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.PowerManagement.Inhibit")
  public:
    explicit FakePowerManagement(QStringList& log) : log_(log) {}
  public slots:
    uint Inhibit(const QString& app, const QString& reason) {
        log_ << S("PM.Inhibit(%1,%2)").arg(app, reason);
        return 70 + ++count_;
    }
    void UnInhibit(uint cookie) { log_ << S("PM.UnInhibit(%1)").arg(cookie); }

  private:
    QStringList& log_;
    uint count_ = 0;
};

class FakeGnomeSession : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.SessionManager")
  public:
    explicit FakeGnomeSession(QStringList& log) : log_(log) {}
  public slots:
    uint Inhibit(const QString& app, uint window, const QString& reason, uint flags) {
        log_ << S("Gnome.Inhibit(%1,%2,%3,%4)").arg(app).arg(window).arg(reason).arg(flags);
        return 90;
    }
    void Uninhibit(uint cookie) { log_ << S("Gnome.Uninhibit(%1)").arg(cookie); }

  private:
    QStringList& log_;
};

// A dbus-daemon of the test's own: no activatable services, nothing of the user's session.
class DesktopSessionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const QString daemon = QStandardPaths::findExecutable(S("dbus-daemon"));
        ASSERT_FALSE(daemon.isEmpty()) << "dbus-daemon is needed (Debian package dbus-daemon)";
        const QString config = dir.Write(
            S("bus.conf"),
            QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus "
                           "Configuration 1.0//EN\" "
                           "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                           "<busconfig><type>session</type><listen>unix:dir=%1</listen>"
                           "<auth>EXTERNAL</auth><policy context=\"default\">"
                           "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/>"
                           "<allow own=\"*\"/></policy>"
                           "</busconfig>\n")
                .arg(dir.Path())
                .toUtf8());
        bus.start(daemon, {S("--config-file=") + config, S("--nofork"), S("--nopidfile"),
                           S("--print-address=1")});
        ASSERT_TRUE(bus.waitForStarted(10000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return bus.canReadLine(); }, 10000));
        address = QString::fromUtf8(bus.readLine()).trimmed();
        ASSERT_FALSE(address.isEmpty());
    }
    void TearDown() override {
        for (const QString& name : connections) {
            QDBusConnection::disconnectFromBus(name);
        }
        bus.kill();
        bus.waitForFinished(5000);
    }

    QDBusConnection Connect() {
        const QString name = S("test-%1").arg(++connectionCount);
        connections << name;
        return QDBusConnection::connectToBus(address, name);
    }
    // Puts the services on the bus on a connection of their own, as a desktop would.
    void Offer(bool notifications, bool powerManagement, bool gnome,
               const QStringList& capabilities = {S("body")}) {
        QDBusConnection services = Connect();
        servicesName = connections.back();
        ASSERT_TRUE(services.isConnected());
        const auto offer = [&](QObject* object, const char* service, const char* path) {
            object->setParent(&owner);
            ASSERT_TRUE(services.registerService(S(service)));
            ASSERT_TRUE(services.registerObject(S(path), object, QDBusConnection::ExportAllSlots));
        };
        if (notifications) {
            offer(new FakeNotifications(log, capabilities), "org.freedesktop.Notifications",
                  "/org/freedesktop/Notifications");
        }
        if (powerManagement) {
            offer(new FakePowerManagement(log), "org.freedesktop.PowerManagement",
                  "/org/freedesktop/PowerManagement/Inhibit");
        }
        if (gnome) {
            offer(new FakeGnomeSession(log), "org.gnome.SessionManager",
                  "/org/gnome/SessionManager");
        }
    }
    // Waits until the log holds `count` calls, then a little longer for any that should not come.
    QStringList LogAfter(int count) {
        (void)QTest::qWaitFor([&] { return log.size() >= count; }, 5000);  // the caller compares
        QTest::qWait(100);
        return log;
    }

    // The server's signal that the user picked an action of a notification.
    void Invoke(uint id, const QString& key) {
        QDBusMessage signal =
            QDBusMessage::createSignal(S("/org/freedesktop/Notifications"),
                                       S("org.freedesktop.Notifications"), S("ActionInvoked"));
        signal << id << key;
        QDBusConnection(servicesName).send(signal);
    }

    TempDir dir;
    QProcess bus;
    QString servicesName;  // the connection the services are on
    QString address;
    QStringList connections;
    int connectionCount = 0;  // names are never reused: a closed connection keeps its name a while
    QObject owner;
    QStringList log;
};

TEST_F(DesktopSessionTest, CallsReachTheServiceTheDesktopOffers) {
    const QString reason = S("Converting 12 files");
    const struct {
        const char* name;
        bool notifications, powerManagement, gnome;
        QStringList calls;
    } cases[] = {
        {"a freedesktop desktop (KDE, Xfce)",
         true,
         true,
         true,
         {S("Notify(Quorvel,0,quorvel,Batch ended,12 converted,,quorvel,-1)"),
          S("PM.Inhibit(Quorvel,Converting 12 files)"), S("PM.UnInhibit(71)")}},
        {"GNOME",
         true,
         false,
         true,
         {S("Notify(Quorvel,0,quorvel,Batch ended,12 converted,,quorvel,-1)"),
          S("Gnome.Inhibit(Quorvel,0,Converting 12 files,4)"), S("Gnome.Uninhibit(90)")}},
        {"no desktop services", false, false, false, {}},
    };
    for (const auto& c : cases) {
        log.clear();
        Offer(c.notifications, c.powerManagement, c.gnome);
        const auto session = CreateDesktopSession(Connect());
        session->Notify(S("Batch ended"), S("12 converted"));
        const std::uint32_t handle = session->InhibitSuspend(reason);
        EXPECT_NE(handle, 0u) << c.name;
        // Held until released: only the request has arrived.
        EXPECT_EQ(LogAfter(std::min<int>(2, c.calls.size())), c.calls.mid(0, 2)) << c.name;
        session->ReleaseInhibit(handle);
        session->ReleaseInhibit(handle);  // a second release asks nothing more
        EXPECT_EQ(LogAfter(c.calls.size()), c.calls) << c.name;
        qDeleteAll(owner.children());
        for (const QString& name : std::exchange(connections, {})) {
            QDBusConnection::disconnectFromBus(name);
        }
    }
}

// The notification's one action goes out only where the server shows actions, and runs once,
// when the server says the user picked it on that notification.
TEST_F(DesktopSessionTest, TheActionIsOfferedWhereTheServerShowsActions) {
    const struct {
        const char* name;
        QStringList capabilities;
        QString notify;
        int runs;
    } cases[] = {
        {"a server with actions",
         {S("body"), S("actions")},
         S("Notify(Quorvel,0,quorvel,Batch ended,12 converted,open-folder|Open Folder,quorvel,-1)"),
         1},
        {"a server without actions",
         {S("body")},
         S("Notify(Quorvel,0,quorvel,Batch ended,12 converted,,quorvel,-1)"),
         0},
    };
    for (const auto& c : cases) {
        log.clear();
        Offer(true, false, false, c.capabilities);
        const auto session = CreateDesktopSession(Connect());
        int runs = 0;
        session->NotifyWithAction(S("Batch ended"), S("12 converted"), S("Open Folder"),
                                  [&runs] { ++runs; });
        EXPECT_EQ(LogAfter(2), (QStringList{S("GetCapabilities"), c.notify})) << c.name;
        Invoke(2, S("open-folder"));  // another notification's
        Invoke(1, S("other"));        // not our action
        Invoke(1, S("open-folder"));
        Invoke(1, S("open-folder"));  // the notification is gone once its action ran
        (void)QTest::qWaitFor([&] { return runs >= c.runs; }, 5000);
        QTest::qWait(200);
        EXPECT_EQ(runs, c.runs) << c.name;
        qDeleteAll(owner.children());
        for (const QString& name : std::exchange(connections, {})) {
            QDBusConnection::disconnectFromBus(name);
        }
    }
}

// A batch shorter than the desktop's answer: the request is withdrawn once the cookie arrives.
// A session destroyed while holding a request withdraws it too.
TEST_F(DesktopSessionTest, ReleasedBeforeTheAnswerOrNeverReleasedIsStillWithdrawn) {
    Offer(false, true, false);
    const auto session = CreateDesktopSession(Connect());
    session->ReleaseInhibit(session->InhibitSuspend(S("short")));
    EXPECT_EQ(LogAfter(2), (QStringList{S("PM.Inhibit(Quorvel,short)"), S("PM.UnInhibit(71)")}));

    log.clear();
    {
        auto held = CreateDesktopSession(Connect());
        SuspendInhibition inhibition(held.get(), S("long"));
        LogAfter(1);
        held->ReleaseInhibit(0);  // nothing: 0 names no request
        QTest::qWait(50);
    }  // the inhibition is released, then the session goes
    EXPECT_EQ(LogAfter(2), (QStringList{S("PM.Inhibit(Quorvel,long)"), S("PM.UnInhibit(72)")}));

    // No bus at all: nothing is asked, and a null session is fine for the guard.
    const auto none = CreateDesktopSession(QDBusConnection(S("never-connected")));
    EXPECT_EQ(none->InhibitSuspend(S("x")), 0u);
    none->Notify(S("a"), S("b"));
    none->ReleaseInhibit(0);
    SuspendInhibition nothing(nullptr, S("x"));
}

}  // namespace

#include "desktop_session_test.moc"
