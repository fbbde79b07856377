#include "platform/GraphicalSession.h"

#include <QDir>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QStringList>

#include <algorithm>

namespace platform {

namespace {

bool namesWayland(const QString& platform) {
    return platform.section(QLatin1Char(':'), 0, 0).startsWith(QLatin1String("wayland"));
}

} // namespace

GraphicalSession GraphicalSession::decide(const Offer& offer) {
    const bool x11 = !offer.x11Display.isEmpty();
    const bool wayland = !offer.waylandDisplay.isEmpty();
    GraphicalSession session;
    const auto native = [&] {
        if (!offer.waylandPluginInstalled) {
            session.outcome = Outcome::noPlugin;
            return;
        }
        session.limitation = QStringLiteral(
            "running natively on Wayland: the quick-access window opens where the compositor puts new "
            "windows, not under the tray icon, and a window comes forward only when the compositor agrees");
    };
    if (!offer.qtPlatform.isEmpty()) {
        // The person's list, tried in its order: the first one this session can serve decides.
        for (const QString& platform : offer.qtPlatform.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString name = platform.section(QLatin1Char(':'), 0, 0);
            if (namesWayland(name)) {
                if (wayland) {
                    native();
                    return session;
                }
            } else if (name != QLatin1String("xcb") || x11) {
                return session;
            }
        }
        session.outcome = Outcome::noSession;
        return session;
    }
    if (x11) {
        session.qtPlatform = QStringLiteral("xcb");
    } else if (wayland) {
        session.qtPlatform = QStringLiteral("wayland");
        native();
    } else {
        session.outcome = Outcome::noSession;
    }
    return session;
}

GraphicalSession::Offer GraphicalSession::currentOffer() {
    Offer offer;
    offer.x11Display = qEnvironmentVariable("DISPLAY");
    offer.waylandDisplay = qEnvironmentVariable("WAYLAND_DISPLAY");
    offer.qtPlatform = qEnvironmentVariable("QT_QPA_PLATFORM");
    // Where Qt looks for platform plugins: the folders named in QT_QPA_PLATFORM_PLUGIN_PATH, else its own.
    QStringList folders =
        qEnvironmentVariable("QT_QPA_PLATFORM_PLUGIN_PATH").split(QDir::listSeparator(), Qt::SkipEmptyParts);
    if (folders.isEmpty()) {
        folders << QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms");
    }
    // Names compared by hand: a name filter would compile a regular expression, and its engine stays
    // resident for the rest of the run.
    const auto isWaylandPlugin = [](const QString& name) {
        return name.startsWith(QLatin1StringView("libqwayland-")) && name.endsWith(QLatin1StringView(".so"));
    };
    for (const QString& folder : folders) {
        if (std::ranges::any_of(QDir(folder).entryList(QDir::Files), isWaylandPlugin)) {
            offer.waylandPluginInstalled = true;
        }
    }
    return offer;
}

QString GraphicalSession::problemOf(Outcome outcome) {
    switch (outcome) {
    case Outcome::run:
        return {};
    case Outcome::noSession:
        return QStringLiteral("no graphical session found; the client needs an X11 or Wayland session "
                              "(without one, run it under xvfb-run)");
    case Outcome::noPlugin:
        return QStringLiteral("this Wayland session offers no X server, and Qt's Wayland platform plugin is "
                              "missing: install the %1 package")
            .arg(QLatin1String(waylandPluginPackage));
    }
    return {};
}

bool GraphicalSession::isNativeWayland() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

Qt::WindowFlags GraphicalSession::floatingWindowFlags() {
    if (isNativeWayland()) {
        return Qt::Window;
    }
    return Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
}

} // namespace platform
