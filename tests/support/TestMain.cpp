// Every test binary runs with its own temporary HOME and XDG folders, on the offscreen platform, with one
// platform::Application alive for the whole run.
#include "platform/Application.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    static QTemporaryDir home; // outlives the application: files written at exit still have a home
    if (!home.isValid()) {
        return 2;
    }
    const QByteArray root = home.path().toUtf8();
    qputenv("HOME", root);
    qputenv("XDG_CONFIG_HOME", root + "/.config");
    qputenv("XDG_CACHE_HOME", root + "/.cache");
    qputenv("XDG_DATA_HOME", root + "/.local/share");
    qputenv("XDG_RUNTIME_DIR", root + "/runtime");
    QDir().mkpath(home.path() + "/runtime");
    QFile::setPermissions(home.path() + "/runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // Temporary files of the tests and of what they start (copies of this binary killed on purpose, scripts)
    // go inside this home, which goes at exit.
    qputenv("TMPDIR", root + "/tmp");
    QDir().mkpath(home.path() + "/tmp");
    // Run by hand as well as by ctest: the remote-logging library never reaches a real service from a test.
    if (qEnvironmentVariableIsEmpty("REMOTELOG_API_ENDPOINT")) {
        qputenv("REMOTELOG_API_ENDPOINT", "http://127.0.0.1:9/api/");
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    platform::Application app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
