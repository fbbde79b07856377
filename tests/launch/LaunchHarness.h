#pragma once

// The built client started as a person would from a terminal, each test in a home of its own.

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>

class LaunchTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        QDir().mkpath(runtimeDir());
        QFile::setPermissions(runtimeDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QString runtimeDir() const { return home.filePath(QStringLiteral("runtime")); }

    // A clean environment of its own: no display unless `platform` names one.
    QProcessEnvironment environment(const QString& platform) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "QT_LOGGING_RULES"}) {
            env.remove(QString::fromLatin1(name));
        }
        if (!platform.isEmpty()) {
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
        }
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral(".config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral(".local/share")));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), cacheDir());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir());
        // The client activates remote logging at start: never towards a real service from a test.
        if (!env.contains(QStringLiteral("REMOTELOG_API_ENDPOINT"))) {
            env.insert(QStringLiteral("REMOTELOG_API_ENDPOINT"), QStringLiteral("http://127.0.0.1:9/api/"));
        }
        for (const QString& name : extraEnvironment.keys()) {
            env.insert(name, extraEnvironment.value(name));
        }
        return env;
    }

    QString cacheDir() const { return home.filePath(QStringLiteral(".cache")); }

    std::unique_ptr<QProcess> start(const QStringList& arguments, const QString& platform,
                                    const QString& runtime = {}) const {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment env = environment(platform);
        if (!runtime.isEmpty()) {
            env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        }
        process->setProcessEnvironment(env);
        process->start(binary, arguments);
        EXPECT_TRUE(process->waitForStarted(5000));
        return process;
    }

    struct Outcome {
        QProcess::ExitStatus status = QProcess::CrashExit;
        int code = -1;
        QString out;
        QString err;
    };
    Outcome run(const QStringList& arguments, const QString& platform = {}) const {
        auto process = start(arguments, platform);
        EXPECT_TRUE(process->waitForFinished(10000));
        return {process->exitStatus(), process->exitCode(),
                QString::fromUtf8(process->readAllStandardOutput()),
                QString::fromUtf8(process->readAllStandardError())};
    }

    bool lockTouched() const { return !QDir(runtimeDir()).entryList(QDir::Files | QDir::System).isEmpty(); }

    QTemporaryDir home;
    // Set by a test before start(): what it adds to the environment, and which build of the client runs.
    QProcessEnvironment extraEnvironment;
    QString binary = QStringLiteral(VELTRIX_CLIENT_BINARY);
};
