#include "platform/Bundle.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using platform::Bundle;

TEST(BundleTest, OnlyResourcesBesideTheExecutableMakeAnInstalledClient) {
    QTemporaryDir root;
    const QString installedBin = root.filePath("usr/bin");
    const QString installedResources = root.filePath("usr/share/veltrix");
    QDir().mkpath(installedBin);
    QDir().mkpath(installedResources);
    const QString buildBin = root.filePath("build/app");
    QDir().mkpath(buildBin);
    // share/veltrix that is a file, not the resource folder.
    const QString oddBin = root.filePath("odd/bin");
    QDir().mkpath(oddBin);
    QDir().mkpath(root.filePath("odd/share"));
    QFile(root.filePath("odd/share/veltrix")).open(QIODevice::WriteOnly);
    const QString sourceTree = QStringLiteral(VELTRIX_SOURCE_RESOURCES);

    const struct {
        const char* name;
        QString environment;
        QString executableDirectory;
        QString path;
        bool installed;
        QString sourceTree = QStringLiteral(VELTRIX_SOURCE_RESOURCES);
    } cases[] = {
        {"installed", {}, installedBin, QDir(installedResources).canonicalPath(), true},
        {"installed, reached through ..",
         {},
         installedBin + "/../bin",
         QDir(installedResources).canonicalPath(),
         true},
        {"the environment wins, even beside an installation", "/elsewhere", installedBin, "/elsewhere",
         false},
        {"a build tree", {}, buildBin, sourceTree, false},
        {"share/veltrix is a file", {}, oddBin, sourceTree, false},
        {"no application yet", {}, {}, sourceTree, false},
        // A packaged build has no source tree to fall back on: a missing installation stays missing.
        {"packaged, installed", {}, installedBin, QDir(installedResources).canonicalPath(), true, {}},
        {"packaged, resources missing", {}, buildBin, root.filePath("build/share/veltrix"), true, {}},
    };
    for (const auto& c : cases) {
        const Bundle::ResourceLocation found =
            Bundle::locateResources(c.environment, c.executableDirectory, c.sourceTree);
        EXPECT_EQ(found.path, c.path) << c.name;
        EXPECT_EQ(found.installed, c.installed) << c.name;
    }
}
