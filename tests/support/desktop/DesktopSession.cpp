#include "support/desktop/DesktopSession.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace desktop {

namespace {

constexpr int processEndBoundMs = 10000;

QString folder(const QTemporaryDir& home, const char* name) {
    const QString path = home.filePath(QString::fromLatin1(name));
    QDir().mkpath(path);
    return path;
}

void endProcess(QProcess& process) {
    if (process.state() == QProcess::NotRunning) {
        return;
    }
    process.terminate();
    if (!process.waitForFinished(processEndBoundMs)) {
        process.kill();
        process.waitForFinished(processEndBoundMs);
    }
}

} // namespace

QString DesktopSession::clientBinary() {
    return QStringLiteral(VELTRIX_CLIENT_BINARY);
}

QString DesktopSession::bareWindowBinary() {
    return QStringLiteral(DESKTOP_BARE_WINDOW_BINARY);
}

DesktopSession::DesktopSession(DesktopOptions options)
    : m_builtInRemoteLog(options.builtInRemoteLog), m_clientEnvironment(options.clientEnvironment),
      m_clientScale(options.scale) {
    if (!m_home.isValid() || !m_bus.isValid()) {
        m_problem = QStringLiteral("no temporary folder or no private D-Bus daemon (is dbus installed?)");
        return;
    }
    QFile::setPermissions(folder(m_home, "runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    installOpener(options.browser);
    if (options.wayland) {
        if (!startCompositor(options.screen)) {
            return;
        }
    } else {
        if (!startDisplay(options.screen)) {
            return;
        }
        m_windowManager = startProcess(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")},
                                       environment(), m_home.filePath(QStringLiteral("openbox.log")));
    }
    if (!m_windowManager || !waitFor([this] { return m_x11->hasWindowManager(); }, startBoundMs)) {
        m_problem = options.wayland
                        ? QStringLiteral("sway's Xwayland did not start")
                        : QStringLiteral("openbox did not start (scripts/install-deps installs it)");
        return;
    }
    if (options.tray != DesktopOptions::Tray::none) {
        m_tray = std::make_unique<TrayHost>(m_bus, options.tray == DesktopOptions::Tray::hostAndWatcher
                                                       ? TrayHost::Host::present
                                                       : TrayHost::Host::absent);
        if (!m_tray->isRunning()) {
            m_problem = QStringLiteral("the tray host did not register on the bus");
            return;
        }
    }
    if (options.notificationServer) {
        m_notifications = std::make_unique<FakeNotificationServer>(options.notificationCapabilities);
        if (!m_notifications->start(m_bus.connect())) {
            m_problem = QStringLiteral("the notification server did not register on the bus");
            return;
        }
    }
    if (options.accessibility) {
        m_accessibility = std::make_unique<AccessibleTree>(m_bus, options.scale);
        if (!m_accessibility->isRunning()) {
            m_problem = QStringLiteral("the accessibility bus service did not register");
            return;
        }
    }
}

DesktopSession::~DesktopSession() {
    if (m_client) {
        endProcess(*m_client);
    }
    for (auto& program : m_programs) {
        endProcess(*program);
    }
    m_accessibility.reset();
    m_notifications.reset();
    m_tray.reset();
    m_x11.reset(); // before sway, whose Xwayland goes with it
    if (m_windowManager) {
        endProcess(*m_windowManager);
    }
    if (m_xvfb) {
        endProcess(*m_xvfb);
    }
}

bool DesktopSession::startDisplay(QSize screen) {
    m_xvfb = std::make_unique<QProcess>();
    m_xvfb->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    m_xvfb->setStandardErrorFile(m_home.filePath(QStringLiteral("xvfb.log")));
    // -displayfd: the server takes a free display number and writes it once it accepts connections.
    m_xvfb->start(QStringLiteral("Xvfb"),
                  {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                   QStringLiteral("0"), QStringLiteral("%1x%2x24").arg(screen.width()).arg(screen.height()),
                   QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-noreset")});
    if (!m_xvfb->waitForStarted(startBoundMs)) {
        m_problem = QStringLiteral("Xvfb did not start (scripts/install-deps installs xvfb)");
        return false;
    }
    QDeadlineTimer deadline(startBoundMs);
    while (!m_xvfb->canReadLine() && !deadline.hasExpired() && m_xvfb->state() == QProcess::Running) {
        m_xvfb->waitForReadyRead(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
    }
    const QByteArray number = m_xvfb->readLine().trimmed();
    if (number.isEmpty()) {
        m_problem = QStringLiteral("Xvfb gave no display number");
        return false;
    }
    m_displayName = QStringLiteral(":") + QString::fromLatin1(number);
    m_x11 = std::make_unique<X11Display>(m_displayName);
    if (!m_x11->isOpen()) {
        m_problem = QStringLiteral("cannot open display ") + m_displayName;
        return false;
    }
    return true;
}

// sway on its headless backend, drawing with pixman, with Xwayland beside it. It refuses to run as root, so
// there it runs as an ordinary user of a user namespace of its own (which Xwayland needs mapped).
bool DesktopSession::startCompositor(QSize screen) {
    const QString display = m_home.filePath(QStringLiteral("xwayland-display"));
    QFile config(m_home.filePath(QStringLiteral("sway.config")));
    config.open(QIODevice::WriteOnly);
    config.write(
        QStringLiteral("output HEADLESS-1 resolution %1x%2 position 0 0\n"
                       "xwayland enable\n"
                       "default_border none\n"
                       "default_floating_border none\n"
                       // Activation as desktops grant it: a window on the visible workspace may come forward.
                       "focus_on_window_activation smart\n"
                       "exec sh -c 'echo \"$DISPLAY\" > %3'\n")
            .arg(screen.width())
            .arg(screen.height())
            .arg(display)
            .toUtf8());
    config.close();
    QProcessEnvironment env = environment();
    env.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
    env.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
    env.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    QStringList command{QStringLiteral("sway"), QStringLiteral("-c"), config.fileName()};
    if (::getuid() == 0) {
        command = QStringList{QStringLiteral("unshare"), QStringLiteral("--user"),
                              QStringLiteral("--map-user=1000"), QStringLiteral("--map-group=1000")} +
                  command;
    }
    m_windowManager =
        startProcess(command.takeFirst(), command, env, m_home.filePath(QStringLiteral("sway.log")));
    const QDir runtime(m_home.filePath(QStringLiteral("runtime")));
    const auto entry = [&](const QString& pattern) {
        const QStringList found = runtime.entryList({pattern}, QDir::System);
        return found.isEmpty() ? QString() : found.constFirst();
    };
    if (!m_windowManager ||
        !waitFor([&] { return QFile::exists(display) && !entry(QStringLiteral("sway-ipc.*")).isEmpty(); },
                 startBoundMs)) {
        m_problem =
            QStringLiteral("sway did not start on its headless backend (scripts/install-deps installs it; "
                           "as root it needs user namespaces)");
        return false;
    }
    m_compositorSocket = runtime.filePath(entry(QStringLiteral("sway-ipc.*")));
    m_waylandDisplay = entry(QStringLiteral("wayland-?"));
    QFile written(display);
    written.open(QIODevice::ReadOnly);
    m_displayName = QString::fromUtf8(written.readAll()).trimmed();
    m_x11 = std::make_unique<X11Display>(m_displayName);
    if (m_waylandDisplay.isEmpty() || !m_x11->isOpen()) {
        m_problem =
            QStringLiteral("sway offers no Wayland socket or no Xwayland display (is xwayland installed?)");
        return false;
    }
    return true;
}

QByteArray DesktopSession::askCompositor(const QStringList& arguments) const {
    QProcess ask;
    ask.start(QStringLiteral("swaymsg"),
              QStringList{QStringLiteral("-s"), m_compositorSocket, QStringLiteral("-r")} + arguments);
    ask.waitForFinished(reactionBoundMs);
    return ask.readAllStandardOutput();
}

std::vector<DesktopSession::CompositorWindow> DesktopSession::compositorWindows() const {
    std::vector<CompositorWindow> windows;
    const std::function<void(const QJsonObject&, bool)> walk = [&](const QJsonObject& node, bool floating) {
        if (node.contains(QLatin1String("shell"))) {
            const QJsonObject rect = node.value(QLatin1String("rect")).toObject();
            windows.push_back(
                {node.value(QLatin1String("shell")).toString(), node.value(QLatin1String("pid")).toInteger(),
                 WindowId(node.value(QLatin1String("window")).toInteger()),
                 QRect(rect.value(QLatin1String("x")).toInt(), rect.value(QLatin1String("y")).toInt(),
                       rect.value(QLatin1String("width")).toInt(),
                       rect.value(QLatin1String("height")).toInt()),
                 floating, node.value(QLatin1String("focused")).toBool()});
        }
        for (const QJsonValue child : node.value(QLatin1String("nodes")).toArray()) {
            walk(child.toObject(), floating);
        }
        for (const QJsonValue child : node.value(QLatin1String("floating_nodes")).toArray()) {
            walk(child.toObject(), true);
        }
    };
    walk(QJsonDocument::fromJson(askCompositor({QStringLiteral("-t"), QStringLiteral("get_tree")})).object(),
         false);
    return windows;
}

bool DesktopSession::screenshot(const QString& path) const {
    QProcess grim;
    QProcessEnvironment env = environment();
    grim.setProcessEnvironment(env);
    grim.start(QStringLiteral("grim"), {path});
    return grim.waitForFinished(reactionBoundMs) && grim.exitCode() == 0;
}

// Never the machine's own browser: xdg-open on this desktop's PATH is a script of its own.
void DesktopSession::installOpener(bool browser) {
    QFile opener(QDir(folder(m_home, "bin")).filePath(QStringLiteral("xdg-open")));
    opener.open(QIODevice::WriteOnly);
    opener.write(browser
                     ? "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$HOME/opened-urls\"\n"
                     : "#!/bin/sh\necho \"xdg-open: no method available for opening '$1'\" >&2\nexit 3\n");
    opener.close();
    opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QStringList DesktopSession::openedUrls() const {
    QFile opened(m_home.filePath(QStringLiteral("opened-urls")));
    return opened.open(QIODevice::ReadOnly)
               ? QString::fromUtf8(opened.readAll()).split(u'\n', Qt::SkipEmptyParts)
               : QStringList{};
}

QProcessEnvironment DesktopSession::environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name :
         {"DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY", "QT_QPA_PLATFORM", "DBUS_SESSION_BUS_ADDRESS",
          "DBUS_SYSTEM_BUS_ADDRESS", "XDG_CURRENT_DESKTOP", "XDG_SESSION_TYPE", "DESKTOP_SESSION",
          "SESSION_MANAGER", "QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "AT_SPI_BUS_ADDRESS", "QT_LOGGING_RULES"}) {
        env.remove(QString::fromLatin1(name));
    }
    env.insert(QStringLiteral("DISPLAY"), m_displayName);
    if (m_waylandDisplay.isEmpty()) {
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    } else {
        env.insert(QStringLiteral("WAYLAND_DISPLAY"), m_waylandDisplay);
        env.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
    }
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_bus.address());
    // The desktop's bus stands for the system bus too: a scenario plays NetworkManager there, and none
    // reads the machine's own network or login manager.
    env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), m_bus.address());
    env.insert(QStringLiteral("HOME"), m_home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral(".config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), m_home.filePath(QStringLiteral(".local/share")));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), m_home.filePath(QStringLiteral(".cache")));
    env.insert(QStringLiteral("XDG_STATE_HOME"), m_home.filePath(QStringLiteral(".local/state")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_home.filePath(QStringLiteral("runtime")));
    env.insert(QStringLiteral("PATH"),
               m_home.filePath(QStringLiteral("bin")) + u':' + env.value(QStringLiteral("PATH")));
    env.remove(QStringLiteral("BROWSER"));
    return env;
}

std::unique_ptr<QProcess> DesktopSession::startProcess(const QString& path, const QStringList& arguments,
                                                       const QProcessEnvironment& environment,
                                                       const QString& logFile) {
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(environment);
    process->setWorkingDirectory(m_home.path());
    process->setProcessChannelMode(QProcess::MergedChannels);
    process->setStandardOutputFile(logFile);
    // A test that dies takes its desktop with it.
    process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    process->start(path, arguments);
    if (!process->waitForStarted(startBoundMs)) {
        return nullptr;
    }
    return process;
}

bool DesktopSession::startClient(const QStringList& arguments) {
    if (!isReady() || clientRunning()) {
        return false; // one client at a time; one that ended may be started again
    }
    QProcessEnvironment env = environment();
    if (m_accessibility) {
        env.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    }
    if (m_builtInRemoteLog) {
        env.remove(QStringLiteral("REMOTELOG_API_ENDPOINT"));
    }
    if (m_clientScale != 1.0) {
        env.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::number(m_clientScale));
    }
    env.insert(m_clientEnvironment);
    m_clientStartedNs = nowNs();
    m_client = startProcess(clientBinary(), arguments, env, m_home.filePath(QStringLiteral("client.log")));
    return m_client != nullptr;
}

qint64 DesktopSession::clientPid() const {
    return m_client ? m_client->processId() : 0;
}

bool DesktopSession::clientRunning() const {
    return m_client && m_client->state() == QProcess::Running;
}

bool DesktopSession::clientCrashed() const {
    return m_client && m_client->state() == QProcess::NotRunning &&
           m_client->exitStatus() == QProcess::CrashExit;
}

QString DesktopSession::clientLog() const {
    QFile log(m_home.filePath(QStringLiteral("client.log")));
    return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
}

bool DesktopSession::stopClient() {
    if (!clientRunning()) {
        return false;
    }
    m_client->terminate();
    return m_client->waitForFinished(processEndBoundMs) && m_client->exitStatus() == QProcess::NormalExit;
}

QProcess* DesktopSession::startProgram(const QString& path, const QStringList& arguments) {
    return startProgram(path, arguments, environment());
}

QString DesktopSession::programLog(const QProcess* program) const {
    for (std::size_t i = 0; i < m_programs.size(); ++i) {
        if (m_programs[i].get() == program) {
            QFile log(m_home.filePath(QStringLiteral("program-%1.log").arg(i)));
            return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
        }
    }
    return {};
}

QProcess* DesktopSession::startProgram(const QString& path, const QStringList& arguments,
                                       const QProcessEnvironment& environment) {
    auto process = startProcess(path, arguments, environment,
                                m_home.filePath(QStringLiteral("program-%1.log").arg(m_programs.size())));
    if (!process) {
        return nullptr;
    }
    m_programs.push_back(std::move(process));
    return m_programs.back().get();
}

std::vector<WindowInfo> DesktopSession::clientWindows() {
    return m_client ? m_x11->mappedWindows(clientPid()) : std::vector<WindowInfo>{};
}

} // namespace desktop
