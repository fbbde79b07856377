#include "core/LaunchAgentSetup.h"

#include "platform/Scheduler.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

const QString label = QStringLiteral("com.veltrix.Veltrix");

// Points XDG_CONFIG_HOME of this process, and so of the scripts it starts, at a temporary folder.
class TemporaryConfigHome {
public:
    TemporaryConfigHome() : m_previous(qgetenv("XDG_CONFIG_HOME")) {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path()));
    }
    ~TemporaryConfigHome() { qputenv("XDG_CONFIG_HOME", m_previous); }
    QString autostart() const { return m_dir.filePath(QStringLiteral("autostart")); }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QByteArray m_previous;
};

void writeFile(const QString& path, const QByteArray& content, bool executable = false) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    if (executable) {
        file.setPermissions(file.permissions() | QFile::ExeOwner);
    }
}

// The scripts block, so they are run off the main thread, as the client does.
template <class F>
auto offMain(F work) {
    decltype(work()) result{};
    std::thread worker([&] { result = work(); });
    worker.join();
    return result;
}

class LaunchAgentSetupTest : public ::testing::Test {
protected:
    TemporaryConfigHome home;
    QTemporaryDir scratch;
};

} // namespace

TEST_F(LaunchAgentSetupTest, TheBundleScriptsCreateFindEnableAndCleanUp) {
    // An executable whose path would run a command if it were ever handed to a shell as text.
    const QString folder = scratch.filePath(QStringLiteral("it's \"odd\" $(touch pwned) %u"));
    const QString executable = folder + QStringLiteral("/veltrix");
    writeFile(executable, "#!/bin/sh\n", true);
    writeFile(home.autostart() + "/veltrix.desktop", "[Desktop Entry]\nExec=old\n");
    writeFile(home.autostart() + "/.com.veltrix.Veltrix.desktop.x1Y2z3", "[Desktop Entry]\n");

    LaunchAgentSetup::Options options;
    options.executable = executable;
    const LaunchAgentSetup setup(label, options);
    ASSERT_EQ(setup.agent().path(), home.autostart() + "/com.veltrix.Veltrix.desktop");
    EXPECT_EQ(offMain([&] { return setup.runScript("checkUserAgentExist"); }), QString("false"));

    offMain([&] {
        setup.runUserAgentScripts();
        return true;
    });
    auto agent = setup.agent();
    ASSERT_TRUE(agent.exists());
    EXPECT_EQ(agent.runAtLoad(), true);
    EXPECT_EQ(agent.value("Exec"),
              "\"" + QString(folder).replace("\"", "\\\"").replace("$", "\\$").replace("%", "%%") +
                  "/veltrix\" -RunAsAgent");
    EXPECT_EQ(agent.value("TryExec"), executable) << "the path as it is, only the value's escaping";
    EXPECT_EQ(QDir(home.autostart()).entryList(QDir::Files | QDir::Hidden),
              QStringList({"com.veltrix.Veltrix.desktop"}))
        << "old entries and half-written ones are gone";
    EXPECT_FALSE(QFile::exists(scratch.filePath("pwned")));
    EXPECT_FALSE(QFile::exists(QDir::current().filePath("pwned")));
    EXPECT_EQ(offMain([&] { return setup.runScript("checkUserAgentExist"); }), QString("true"));

    // Found: a later start leaves the entry alone, and only switches it back on. An entry older than
    // TryExec gets it.
    ASSERT_EQ(agent.setRunAtLoad(false), platform::LaunchAgent::Status::ok);
    QFile written(agent.path());
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    writeFile(agent.path(), written.readAll().replace("TryExec=", "X-Was="));
    offMain([&] {
        setup.runUserAgentScripts();
        return true;
    });
    EXPECT_EQ(agent.runAtLoad(), false);
    EXPECT_EQ(agent.value("TryExec"), executable);
    EXPECT_TRUE(offMain([&] { return setup.ensureRunAtLoad(); }));
    EXPECT_EQ(agent.runAtLoad(), true);
}

TEST_F(LaunchAgentSetupTest, ScriptsRunFromAFolderWhosePathHasQuotes) {
    const QString scripts = scratch.filePath(QStringLiteral("Veltrix 'copy' \"2\""));
    QDir().mkpath(scripts);
    for (const QString name : {"checkUserAgentExist", "createUserAgent", "removeOldConfig"}) {
        ASSERT_TRUE(QFile::copy(LaunchAgentSetup::defaultScriptsDirectory() + name, scripts + "/" + name));
    }
    LaunchAgentSetup::Options options;
    options.scriptsDirectory = scripts;
    const LaunchAgentSetup setup(label, options);
    offMain([&] {
        setup.runUserAgentScripts();
        return true;
    });
    EXPECT_TRUE(setup.agent().exists());
}

TEST_F(LaunchAgentSetupTest, OnlyAPlainFalseFromASucceedingCheckCreatesTheEntry) {
    const QString scripts = scratch.filePath("scripts");
    const QString marks = scratch.filePath("marks");
    const auto install = [&](const QByteArray& check) {
        QFile::remove(marks);
        writeFile(scripts + "/checkUserAgentExist", "#!/bin/bash\n" + check + "\n", true);
        const QByteArray mark =
            "#!/bin/bash\necho \"$(basename \"$0\") $#\" >> " + QFile::encodeName(marks) + "\n";
        writeFile(scripts + "/createUserAgent", mark, true);
        writeFile(scripts + "/removeOldConfig", mark, true);
    };
    const auto run = [&] {
        LaunchAgentSetup::Options options;
        options.scriptsDirectory = scripts;
        const LaunchAgentSetup setup(label, options);
        offMain([&] {
            setup.runUserAgentScripts();
            return true;
        });
        QFile file(marks);
        return file.open(QIODevice::ReadOnly)
                   ? QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts)
                   : QStringList();
    };

    install("printf 'false\\n\\n'");
    EXPECT_EQ(run(), QStringList({"createUserAgent 1", "removeOldConfig 0"}));
    install("echo FALSE");
    EXPECT_EQ(run(), QStringList({"removeOldConfig 0"}));
    install("echo false; exit 3");
    EXPECT_EQ(run(), QStringList({"removeOldConfig 0"})) << "a failing check decides nothing";
    QFile::remove(scripts + "/checkUserAgentExist");
    QFile::remove(marks);
    EXPECT_EQ(run(), QStringList({"removeOldConfig 0"}));
}

TEST_F(LaunchAgentSetupTest, AScriptThatHangsIsStoppedAndTheSequenceGoesOn) {
    const QString scripts = scratch.filePath("scripts");
    const QString mark = scratch.filePath("cleaned");
    writeFile(scripts + "/checkUserAgentExist", "#!/bin/bash\nexec sleep 30\n", true);
    writeFile(scripts + "/removeOldConfig", "#!/bin/bash\ntouch " + QFile::encodeName(mark) + "\n", true);
    LaunchAgentSetup::Options options;
    options.scriptsDirectory = scripts;
    options.timeLimitSeconds = 0.3;
    const LaunchAgentSetup setup(label, options);

    QElapsedTimer timer;
    timer.start();
    offMain([&] {
        setup.runUserAgentScripts();
        return true;
    });
    EXPECT_LT(timer.elapsed(), 10000);
    EXPECT_TRUE(QFile::exists(mark));
    EXPECT_FALSE(setup.agent().exists());
}

TEST_F(LaunchAgentSetupTest, TheSequenceQueueReadsRunAtLoadAfterTheScripts) {
    const LaunchAgentSetup setup(label);
    ASSERT_FALSE(setup.agent().exists());
    EXPECT_FALSE(offMain([&] { return setup.ensureRunAtLoad(); })) << "nothing to enable, nothing created";
    EXPECT_FALSE(setup.agent().exists());

    // The two start-up steps, queued one after the other on the real scheduler.
    std::atomic<int> result = -1;
    LaunchAgentSetup::queue().async([setup] { setup.runUserAgentScripts(); });
    LaunchAgentSetup::queue().async([setup, &result] { result = setup.ensureRunAtLoad() ? 1 : 0; });
    ASSERT_TRUE(testsupport::waitUntil([&] { return result != -1; }, 20000));
    EXPECT_EQ(result, 1) << "the entry the scripts made was found";
    EXPECT_EQ(setup.agent().runAtLoad(), true);
}
