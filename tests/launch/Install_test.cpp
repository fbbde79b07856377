// The client installed as a desktop installs it: `cmake --install` into a temporary prefix, the tree it
// leaves checked with the desktop's own validators, and the installed client reached the way a browser
// reaches it, through its URL scheme and xdg-open.
#include "platform/Bundle.h"
#include "platform/LaunchAgent.h"
#include "sdk/PDTypes.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>
#include <QUrlQuery>

#include <gtest/gtest.h>

#include <csignal>

namespace {

const QString sourceDir = QStringLiteral(VELTRIX_SOURCE_DIR);
const QStringList iconSizes = {"16", "22", "24", "32", "48", "64", "128", "256"};

QString appId() {
    return platform::Bundle::main().bundleIdentifier();
}

struct Ran {
    bool finished = false;
    int code = -1;
    QString output;
};

// Runs a tool to its end (at most `limitMs`), its output and errors together.
Ran runTool(const QString& program, const QStringList& arguments,
            const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
            int limitMs = 60000) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    Ran ran;
    ran.finished = process.waitForStarted(5000) && process.waitForFinished(limitMs) &&
                   process.exitStatus() == QProcess::NormalExit;
    if (!ran.finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    ran.code = process.exitCode();
    ran.output = QString::fromUtf8(process.readAll());
    return ran;
}

// Installs the build into `prefix`, staged under `destdir` when one is given.
::testing::AssertionResult install(const QString& prefix, const QString& destdir = {}) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!destdir.isEmpty()) {
        environment.insert(QStringLiteral("DESTDIR"), destdir);
    }
    const Ran ran =
        runTool(QStringLiteral(VELTRIX_CMAKE),
                {"--install", QStringLiteral(VELTRIX_BUILD_DIR), "--prefix", prefix}, environment);
    if (!ran.finished || ran.code != 0) {
        return ::testing::AssertionFailure() << "cmake --install failed: " << ran.output.toStdString();
    }
    return ::testing::AssertionSuccess();
}

// Every file under `root`, as paths relative to it.
QStringList filesUnder(const QString& root) {
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        files.append(QDir(root).relativeFilePath(it.next()));
    }
    files.sort();
    return files;
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(InstallTreeTest, AnyPrefixGetsTheClientItsResourcesAndDesktopFilesThatTheValidatorsAccept) {
    QTemporaryDir stage;
    // Blanks and a per cent sign: the desktop entry's Exec line must quote and escape them.
    const QString prefix = QStringLiteral("/opt/veltrix test 100%");
    ASSERT_TRUE(install(prefix, stage.path()));
    const QString root = stage.path() + prefix;

    // The resource folders whole, whatever they hold, and the files a desktop looks for.
    QStringList expected;
    for (const QString folder : {"scripts", "demo"}) {
        for (const QString& file : filesUnder(sourceDir + "/resources/" + folder)) {
            expected.append("share/veltrix/" + folder + "/" + file);
        }
    }
    expected += {"bin/veltrix",
                 "share/applications/" + appId() + ".desktop",
                 "share/metainfo/" + appId() + ".metainfo.xml",
                 "share/icons/hicolor/scalable/apps/" + appId() + ".svg",
                 "share/doc/veltrix/copyright",
                 "share/doc/veltrix/changelog.gz",
                 "share/man/man1/veltrix.1.gz"};
    for (const QString& size : iconSizes) {
        expected.append("share/icons/hicolor/" + size + "x" + size + "/apps/" + appId() + ".png");
    }
    expected.sort();
    EXPECT_EQ(filesUnder(root), expected);

    for (const QString& file : expected.filter(QRegularExpression("^share/veltrix/"))) {
        const QString source = sourceDir + "/resources/" + file.mid(QStringLiteral("share/veltrix/").size());
        EXPECT_EQ(contents(root + "/" + file), contents(source)) << file.toStdString();
        EXPECT_EQ(QFileInfo(root + "/" + file).isExecutable(), file.contains("/scripts/"))
            << file.toStdString();
    }
    EXPECT_TRUE(QFileInfo(root + "/bin/veltrix").isExecutable());
    const platform::Bundle::ResourceLocation resources = platform::Bundle::locateResources({}, root + "/bin");
    EXPECT_TRUE(resources.installed) << "the installed client finds its resources beside it";
    EXPECT_EQ(resources.path, QDir(root + "/share/veltrix").canonicalPath());

    // The icon: the drawing, and each size rendered from it.
    EXPECT_EQ(contents(root + "/share/icons/hicolor/scalable/apps/" + appId() + ".svg"),
              contents(sourceDir + "/resources/images/AppIcon.svg"));
    for (const QString& size : iconSizes) {
        const QImage icon(root + "/share/icons/hicolor/" + size + "x" + size + "/apps/" + appId() + ".png");
        EXPECT_EQ(icon.size(), QSize(size.toInt(), size.toInt())) << size.toStdString();
        EXPECT_EQ(qAlpha(icon.pixel(icon.width() / 2, icon.height() / 2)), 255)
            << "drawn, not blank: " << size.toStdString();
        EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0) << "the rounded corner stays clear: " << size.toStdString();
    }

    // Compressed as Debian wants: best compression, no file name, no time stamp.
    for (const QString file : {"share/doc/veltrix/changelog.gz", "share/man/man1/veltrix.1.gz"}) {
        const QByteArray gz = contents(root + "/" + file);
        ASSERT_GE(gz.size(), 10) << file.toStdString();
        EXPECT_EQ(gz.left(3), QByteArray("\x1f\x8b\x08")) << file.toStdString();
        EXPECT_EQ(gz[3] & 0x08, 0) << "no stored name: " << file.toStdString();
        EXPECT_EQ(gz.mid(4, 4), QByteArray(4, '\0')) << "no time stamp: " << file.toStdString();
        EXPECT_EQ(gz[8], 2) << "best compression: " << file.toStdString();
        EXPECT_EQ(runTool("gzip", {"-t", root + "/" + file}).code, 0) << file.toStdString();
    }

    // The desktop entry: named after the bundle identifier, handling the callback's scheme, starting this
    // installation with the URL.
    const QString applications = root + "/share/applications";
    const platform::LaunchAgent entry(appId(), applications);
    EXPECT_EQ(entry.value("MimeType"), "x-scheme-handler/" + PDEndpointConfig().urlScheme() + ";");
    EXPECT_EQ(entry.value("Exec"), "\"" + QString(prefix).replace("%", "%%") + "/bin/veltrix\" %u");
    EXPECT_EQ(entry.value("TryExec"), prefix + "/bin/veltrix");
    EXPECT_EQ(entry.value("Icon"), appId());
    const Ran desktopCheck = runTool("desktop-file-validate", {entry.path()});
    EXPECT_TRUE(desktopCheck.finished && desktopCheck.code == 0) << desktopCheck.output.toStdString();

    const QString metainfo = root + "/share/metainfo/" + appId() + ".metainfo.xml";
    EXPECT_TRUE(
        contents(metainfo).contains("<launchable type=\"desktop-id\">" + appId().toUtf8() + ".desktop<"));
    const Ran metainfoCheck = runTool("appstreamcli", {"validate", "--no-net", metainfo});
    EXPECT_TRUE(metainfoCheck.finished && metainfoCheck.code == 0) << metainfoCheck.output.toStdString();
}

namespace {

// The client installed for one user (prefix ~/.local) in a temporary home, on a desktop that xdg-open and
// xdg-mime see as a generic one reading only that home's XDG folders.
class InstalledClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        for (const QString folder : {"runtime", ".config", "xdg-config-dirs", "xdg-data-dirs"}) {
            QDir().mkpath(home.filePath(folder));
        }
        QFile::setPermissions(home.filePath("runtime"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        ASSERT_TRUE(install(prefix()));
    }

    // Whatever a failed scenario left running: the launchers, and the client xdg-open started.
    void TearDown() override {
        if (const qint64 pid = lockHolder(); pid > 0 && QFileInfo::exists(socketPath())) {
            ::kill(static_cast<pid_t>(pid), SIGKILL);
        }
        for (auto* process : {client.get(), browser.get()}) {
            if (process && process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished(5000);
            }
        }
    }

    // The running copy's process, as its single-instance lock names it; 0 when none holds it.
    qint64 lockHolder() const {
        QLockFile lock(home.filePath("runtime/" + appId() + ".lock"));
        qint64 pid = 0;
        return lock.getLockInfo(&pid, nullptr, nullptr) ? pid : 0;
    }

    QString prefix() const { return home.filePath(".local"); }
    QString executable() const { return prefix() + "/bin/veltrix"; }
    QString socketPath() const { return home.filePath("runtime/" + appId() + ".socket"); }

    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // The suite points the client at the source tree's resources; installed, it must find its own.
        for (const char* name :
             {"VELTRIX_RESOURCES", "VELTRIX_WORKSPACE", "DISPLAY", "QT_LOGGING_RULES", "BROWSER",
              "DESKTOP_SESSION", "XDG_SESSION_DESKTOP", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID",
              "MATE_DESKTOP_SESSION_ID", "LXQT_SESSION_CONFIG"}) {
            env.remove(QString::fromLatin1(name));
        }
        // The client's own lines, which the scenarios wait for, are written only on request.
        env.insert("QT_LOGGING_RULES", "veltrix.info=true");
        env.insert("HOME", home.path());
        env.insert("XDG_CONFIG_HOME", home.filePath(".config"));
        env.insert("XDG_DATA_HOME", home.filePath(".local/share"));
        env.insert("XDG_RUNTIME_DIR", home.filePath("runtime"));
        // Nothing of the machine's: no system-wide defaults or applications.
        env.insert("XDG_CONFIG_DIRS", home.filePath("xdg-config-dirs"));
        env.insert("XDG_DATA_DIRS", home.filePath("xdg-data-dirs"));
        env.insert("XDG_CURRENT_DESKTOP", "X-Generic");
        // xdg-open hands URLs to scheme handlers only in a graphical session; the client itself draws
        // offscreen and never connects to this display.
        env.insert("WAYLAND_DISPLAY", "veltrix-test-no-compositor");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        for (const QString& name : extraEnvironment.keys()) {
            env.insert(name, extraEnvironment.value(name));
        }
        return env;
    }

    // The installed desktop entry becomes the handler of the callback's scheme.
    void registerSchemeHandler() {
        const QString type = "x-scheme-handler/" + PDEndpointConfig().urlScheme();
        const Ran made = runTool("xdg-mime", {"default", appId() + ".desktop", type}, environment());
        ASSERT_TRUE(made.finished && made.code == 0) << made.output.toStdString();
        const Ran asked = runTool("xdg-mime", {"query", "default", type}, environment());
        ASSERT_EQ(asked.output.trimmed(), appId() + ".desktop") << asked.output.toStdString();
    }

    // The callback the identity provider's page sends the browser to, for the installed demo workspace.
    QUrl callbackUrl() const {
        const QJsonObject workspace =
            QJsonDocument::fromJson(contents(prefix() + "/share/veltrix/demo/workspace.json")).object();
        const PDEndpointConfig endpoints;
        QUrl url;
        url.setScheme(endpoints.urlScheme());
        url.setHost(endpoints.authDomain());
        url.setPath("/macos/callback");
        QUrlQuery query;
        query.addQueryItem("id_token", workspace["session"].toObject()["idToken"].toString());
        query.addQueryItem("tenant_id", workspace["tenant"].toObject()["id"].toString());
        url.setQuery(query);
        return url;
    }

    std::unique_ptr<QProcess> startProcess(const QString& program, const QStringList& arguments) const {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(environment());
        process->setProcessChannelMode(QProcess::MergedChannels);
        process->start(program, arguments);
        EXPECT_TRUE(process->waitForStarted(5000));
        return process;
    }

    // Reads `process`'s output until it holds `text` or `limitMs` passes.
    static bool waitForOutput(QProcess& process, QString& output, const QString& text, int limitMs) {
        QElapsedTimer waited;
        waited.start();
        while (!output.contains(text) && waited.elapsed() < limitMs) {
            process.waitForReadyRead(100);
            output += QString::fromUtf8(process.readAll());
        }
        return output.contains(text);
    }

    static bool waitForFile(const QString& path, bool present, int limitMs) {
        QElapsedTimer waited;
        waited.start();
        while (QFileInfo::exists(path) != present && waited.elapsed() < limitMs) {
            QThread::msleep(50);
        }
        return QFileInfo::exists(path) == present;
    }

    // The client's own line once the workspace has accepted the sign-in.
    static inline const QString signedIn = QStringLiteral("onLoginSuccess");
    static constexpr int signInLimitMs = 30000;

    QTemporaryDir home;
    // Set by a test before it starts anything: what it adds to the environment.
    QProcessEnvironment extraEnvironment;
    std::unique_ptr<QProcess> client;
    std::unique_ptr<QProcess> browser;
};

} // namespace

TEST_F(InstalledClientTest, ACallbackOpenedWithXdgOpenReachesTheRunningClientWhichSignsIn) {
    registerSchemeHandler();
    client = startProcess(executable(), {});
    ASSERT_TRUE(waitForFile(socketPath(), true, 10000)) << "the client listens for later launches";

    // As a browser does: xdg-open starts the handler's Exec line with the URL and waits for it.
    const Ran opened =
        runTool("xdg-open", {callbackUrl().toString(QUrl::FullyEncoded)}, environment(), 30000);
    EXPECT_TRUE(opened.finished) << "the second copy hands the URL over and exits";
    EXPECT_EQ(opened.code, 0) << opened.output.toStdString();

    QString output;
    EXPECT_TRUE(waitForOutput(*client, output, signedIn, signInLimitMs)) << output.toStdString();

    // Installed, the client keeps its start-at-login entry, which starts this installation.
    const platform::LaunchAgent entry(appId(), home.filePath(".config/autostart"));
    ASSERT_TRUE(waitForFile(entry.path(), true, 10000));
    EXPECT_EQ(entry.value("Exec"), "\"" + executable() + "\" -RunAsAgent");
    EXPECT_EQ(entry.value("TryExec"), executable()) << "a removed installation leaves no entry acting";
    EXPECT_EQ(entry.runAtLoad(), true);

    ::kill(static_cast<pid_t>(client->processId()), SIGTERM);
    ASSERT_TRUE(client->waitForFinished(10000));
    EXPECT_EQ(client->exitCode(), 0);
}

TEST_F(InstalledClientTest, WithNoClientRunningXdgOpenStartsItWithTheCallbackAndItSignsInAfterStartUp) {
    registerSchemeHandler();
    // With a blank and quotes left unencoded, as a browser may hand the link over.
    browser = startProcess("xdg-open", {callbackUrl().toString(QUrl::FullyEncoded) + "&state=\"a b\""});

    QString output;
    EXPECT_TRUE(waitForOutput(*browser, output, signedIn, signInLimitMs)) << output.toStdString();
    EXPECT_TRUE(QFileInfo::exists(socketPath())) << "the started client is the running copy";

    // Stopped like any running copy, the client ends cleanly and its launcher with it.
    const qint64 pid = lockHolder();
    ASSERT_GT(pid, 0);
    ::kill(static_cast<pid_t>(pid), SIGTERM);
    EXPECT_TRUE(browser->waitForFinished(10000));
    EXPECT_FALSE(QFileInfo::exists(socketPath())) << "the client closed its socket on the way out";
}

namespace {

void writeFile(const QString& path, const QByteArray& contents, bool executable = false) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(contents);
    file.close();
    if (executable) {
        file.setPermissions(file.permissions() | QFile::ExeOwner);
    }
}

// An update offered silently to a signed-in user, its package a Debian package of the client that runs as a
// later version, the system's pkexec and apt-get played by scripts that install into the test's prefix.
class InstalledUpdateTest : public InstalledClientTest {
protected:
    void SetUp() override {
        InstalledClientTest::SetUp();
        const QString root = home.filePath("package");
        ASSERT_NO_FATAL_FAILURE(writeFile(root + "/DEBIAN/control",
                                          "Package: veltrix\nVersion: " VELTRIX_PROBE_VERSION "\n"
                                          "Architecture: all\nMaintainer: Tests <tests@veltrix.example>\n"
                                          "Description: the client as its next version\n"));
        QDir().mkpath(root + "/usr/bin");
        ASSERT_TRUE(QFile::copy(VELTRIX_NEXT_VERSION_BINARY, root + "/usr/bin/veltrix"));
        const Ran built = runTool("dpkg-deb", {"--build", "--root-owner-group", root, package()});
        ASSERT_TRUE(built.finished && built.code == 0) << built.output.toStdString();

        ASSERT_NO_FATAL_FAILURE(
            writeFile(home.filePath("fake-bin/pkexec"), "#!/bin/sh\nexec \"$@\"\n", true));
        // Records its arguments, then puts the package's client in place as dpkg does: beside, then renamed.
        ASSERT_NO_FATAL_FAILURE(
            writeFile(home.filePath("fake-bin/apt-get"),
                      "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$FAKE_APT_RECORD\"\n"
                      "stage=$(mktemp -d) && dpkg-deb -x \"$3\" \"$stage\" &&\n"
                      "cp \"$stage/usr/bin/veltrix\" \"$FAKE_APT_PREFIX/bin/.veltrix.new\" &&\n"
                      "mv -f \"$FAKE_APT_PREFIX/bin/.veltrix.new\" \"$FAKE_APT_PREFIX/bin/veltrix\"\n",
                      true));

        QJsonObject workspace =
            QJsonDocument::fromJson(contents(prefix() + "/share/veltrix/demo/workspace-silent-update.json"))
                .object();
        QJsonObject session = workspace["session"].toObject();
        session["signedIn"] = true;
        workspace["session"] = session;
        QJsonObject config = workspace["appConfig"].toObject();
        config["offeredVersion"] = VELTRIX_PROBE_VERSION;
        config["packageUrl"] = QUrl::fromLocalFile(package()).toString();
        config["packageSha256"] = QString::fromLatin1(
            QCryptographicHash::hash(contents(package()), QCryptographicHash::Sha256).toHex());
        workspace["appConfig"] = config;
        ASSERT_NO_FATAL_FAILURE(
            writeFile(home.filePath("workspace.json"), QJsonDocument(workspace).toJson()));

        extraEnvironment.insert("PATH", home.filePath("fake-bin") + ":" + qEnvironmentVariable("PATH"));
        extraEnvironment.insert("VELTRIX_WORKSPACE", home.filePath("workspace.json"));
        extraEnvironment.insert("XDG_CACHE_HOME", home.filePath(".cache"));
        extraEnvironment.insert("FAKE_APT_RECORD", aptRecord());
        extraEnvironment.insert("FAKE_APT_PREFIX", prefix());
        extraEnvironment.insert("VELTRIX_PROBE_TEXTS", home.filePath("texts"));
    }

    QString package() const { return home.filePath("veltrix_" VELTRIX_PROBE_VERSION "_all.deb"); }
    QString aptRecord() const { return home.filePath("apt-record"); }
    // Where the client put the package it downloaded; empty when there is none.
    QString downloaded() const {
        QDirIterator found(home.filePath(".cache"), {QFileInfo(package()).fileName()}, QDir::Files,
                           QDirIterator::Subdirectories);
        return found.hasNext() ? found.next() : QString();
    }
    static inline const QString announced =
        QStringLiteral("Version " VELTRIX_PROBE_VERSION " has been successfully installed.");
};

} // namespace

TEST_F(InstalledUpdateTest, TheInstalledClientHandsThePackageOverAndItsNewVersionStartsAndSaysSo) {
    client = startProcess(executable(), {});
    // Downloaded, verified and installed, the old copy ends by itself.
    ASSERT_TRUE(client->waitForFinished(60000)) << QString::fromUtf8(client->readAll()).toStdString();
    const QString output = QString::fromUtf8(client->readAll());
    EXPECT_EQ(client->exitCode(), 0) << output.toStdString();
    const QStringList handed = QString::fromUtf8(contents(aptRecord())).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(handed.size(), 3) << output.toStdString();
    EXPECT_EQ(handed.mid(0, 2), (QStringList{"install", "--yes"}));
    EXPECT_EQ(QFileInfo(handed[2]).canonicalFilePath().toStdString(),
              QFileInfo(downloaded()).canonicalFilePath().toStdString());

    // The script starts the installed path again: now the new version, which names itself.
    QElapsedTimer waited;
    waited.start();
    while (!contents(home.filePath("texts")).contains(announced.toUtf8()) && waited.elapsed() < 30000) {
        QThread::msleep(100);
    }
    EXPECT_TRUE(contents(home.filePath("texts")).contains(announced.toUtf8()))
        << contents(home.filePath("texts")).toStdString() << output.toStdString();
    const qint64 pid = lockHolder();
    ASSERT_GT(pid, 0);
    EXPECT_NE(pid, client->processId());
    EXPECT_EQ(QFileInfo(QString("/proc/%1/exe").arg(pid)).symLinkTarget(), executable());
    ::kill(static_cast<pid_t>(pid), SIGTERM);
    EXPECT_TRUE(waitForFile(socketPath(), false, 10000));
}

TEST_F(InstalledUpdateTest, AClientRunFromItsBuildTreeInstallsNothingAndSaysWhy) {
    extraEnvironment.insert("VELTRIX_RESOURCES", sourceDir + "/resources");
    client = startProcess(VELTRIX_CLIENT_BINARY, {});
    QString output;
    EXPECT_TRUE(waitForOutput(*client, output,
                              "prepareToInstallAppAutoUpdate FAILED -- This copy runs from its build folder",
                              60000))
        << output.toStdString();
    EXPECT_FALSE(QFileInfo::exists(aptRecord())) << "the system's installer is not asked";
    QElapsedTimer waited;
    waited.start();
    while (!downloaded().isEmpty() && waited.elapsed() < 5000) {
        QThread::msleep(50);
    }
    EXPECT_EQ(downloaded(), QString()) << "the package is deleted";
    EXPECT_EQ(client->state(), QProcess::Running) << "the client goes on";
    ::kill(static_cast<pid_t>(client->processId()), SIGTERM);
    ASSERT_TRUE(client->waitForFinished(10000));
    EXPECT_EQ(lockHolder(), 0) << "nothing started again";
}
