#pragma once

#include <memory>

#include "components/desktop_session.h"

class QDBusConnection;

// The desktop session over D-Bus: notifications through org.freedesktop.Notifications; suspend
// inhibition through org.freedesktop.PowerManagement.Inhibit (KDE, Xfce and others), else through
// org.gnome.SessionManager (GNOME). Every call is sent without waiting for the answer, so a
// desktop that is slow or gone never holds up the window; a service that is missing is skipped.
//
// On the session bus when the environment names one (or its usual socket exists); without one,
// every call does nothing (libdbus would otherwise try to launch a bus of its own).
std::unique_ptr<IDesktopSession> CreateDesktopSession();
// On the given bus, for tests on a private one.
std::unique_ptr<IDesktopSession> CreateDesktopSession(const QDBusConnection& bus);
