#include "platform/LaunchAgent.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace platform;

namespace {

const QByteArray scriptEntry = "# made by createUserAgent\n"
                               "[Desktop Entry]\n"
                               "Type=Application\n"
                               "Name=Veltrix\n"
                               "Exec=/opt/veltrix/bin/veltrix -RunAsAgent\n"
                               "Comment=\\sStarts\\tat login\n"
                               "\n"
                               "[Desktop Action Quit]\n"
                               "Name=Quit\n";

class AgentFolder {
public:
    LaunchAgent agent() const { return LaunchAgent("com.veltrix.Veltrix", m_dir.path()); }
    void write(const QByteArray& bytes) const {
        QFile file(agent().path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray contents() const {
        QFile file(agent().path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QStringList files() const {
        return QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }

private:
    QTemporaryDir m_dir;
};

} // namespace

TEST(LaunchAgent, LivesInTheUsersAutostartFolder) {
    const LaunchAgent agent("com.veltrix.Veltrix");
    EXPECT_EQ(agent.path(),
              qEnvironmentVariable("XDG_CONFIG_HOME") + "/autostart/com.veltrix.Veltrix.desktop");
}

TEST(LaunchAgent, AMissingEntryIsReportedAndNotCreated) {
    AgentFolder folder;
    LaunchAgent agent = folder.agent();
    EXPECT_FALSE(agent.exists());
    EXPECT_EQ(agent.status(), LaunchAgent::Status::missing);
    EXPECT_FALSE(agent.runAtLoad());
    EXPECT_FALSE(agent.value("Exec"));
    EXPECT_EQ(agent.setRunAtLoad(true), LaunchAgent::Status::missing);
    EXPECT_FALSE(agent.exists());
    EXPECT_EQ(agent.remove(), LaunchAgent::Status::ok);
}

TEST(LaunchAgent, RunAtLoadFollowsHiddenAndTheGnomeSwitch) {
    AgentFolder folder;
    LaunchAgent agent = folder.agent();
    folder.write(scriptEntry);
    EXPECT_EQ(agent.status(), LaunchAgent::Status::ok);
    EXPECT_EQ(agent.runAtLoad(), true); // neither key: it runs

    folder.write("[Desktop Entry]\nHidden=true\n");
    EXPECT_EQ(agent.runAtLoad(), false);
    folder.write("[Desktop Entry]\nX-GNOME-Autostart-enabled=false\n");
    EXPECT_EQ(agent.runAtLoad(), false);
    folder.write("[Desktop Entry]\nHidden=false\nX-GNOME-Autostart-enabled=true\n");
    EXPECT_EQ(agent.runAtLoad(), true);
}

TEST(LaunchAgent, SettingRunAtLoadWritesBothKeysAndKeepsEverythingElse) {
    AgentFolder folder;
    LaunchAgent agent = folder.agent();
    folder.write(scriptEntry);

    EXPECT_EQ(agent.setRunAtLoad(false), LaunchAgent::Status::ok);
    EXPECT_EQ(agent.runAtLoad(), false);
    EXPECT_EQ(agent.value("Hidden"), "true");
    EXPECT_EQ(agent.value("X-GNOME-Autostart-enabled"), "false");
    EXPECT_EQ(folder.contents(), "# made by createUserAgent\n"
                                 "[Desktop Entry]\n"
                                 "Type=Application\n"
                                 "Name=Veltrix\n"
                                 "Exec=/opt/veltrix/bin/veltrix -RunAsAgent\n"
                                 "Comment=\\sStarts\\tat login\n"
                                 "Hidden=true\n"
                                 "X-GNOME-Autostart-enabled=false\n"
                                 "\n"
                                 "[Desktop Action Quit]\n"
                                 "Name=Quit\n");

    EXPECT_EQ(agent.setRunAtLoad(true), LaunchAgent::Status::ok);
    EXPECT_EQ(agent.runAtLoad(), true);
    EXPECT_EQ(agent.value("Name"), "Veltrix"); // the action's Name stays the action's
    EXPECT_EQ(folder.files(), QStringList{"com.veltrix.Veltrix.desktop"}); // no temporary left behind
}

TEST(LaunchAgent, ValuesRoundTripThroughEscapes) {
    AgentFolder folder;
    LaunchAgent agent = folder.agent();
    folder.write(scriptEntry);
    EXPECT_EQ(agent.value("Comment"), " Starts\tat login");

    const QString tricky = " two\nlines \\ and\ttab";
    EXPECT_EQ(agent.setValue("X-Veltrix-Note", tricky), LaunchAgent::Status::ok);
    EXPECT_EQ(agent.value("X-Veltrix-Note"), tricky);
    EXPECT_TRUE(folder.contents().contains("X-Veltrix-Note=\\stwo\\nlines \\\\ and\\ttab\n"));
    EXPECT_EQ(agent.setValue("Name[de]", "Veltrix DE"), LaunchAgent::Status::ok);
    EXPECT_EQ(agent.value("Name[de]"), "Veltrix DE");

    const QByteArray before = folder.contents();
    EXPECT_EQ(agent.setValue("Bad Key", "x"), LaunchAgent::Status::invalidKey);
    for (const char* key : {"Key=Value", "Name[]", "Name[de", "Name[de]x", "[de]", "Name[d e]", "Näme"}) {
        EXPECT_EQ(agent.setValue(key, "x"), LaunchAgent::Status::invalidKey) << key;
    }
    EXPECT_EQ(folder.contents(), before);
}

TEST(LaunchAgent, AMalformedEntryIsReportedAndLeftUntouched) {
    AgentFolder folder;
    LaunchAgent agent = folder.agent();
    for (const QByteArray& bad :
         {QByteArray("just some text\n"), QByteArray("[Other Group]\nKey=1\n[Desktop Entry]\nHidden=false\n"),
          QByteArray("Key=before any group\n"), QByteArray("[Desktop Entry\nHidden=false\n"),
          QByteArray("[Desktop Entry]\n[Desktop Entry]\n"), QByteArray("[Desktop Entry]\nName=\xff\xfe\n"),
          QByteArray("")}) {
        folder.write(bad);
        EXPECT_EQ(agent.status(), LaunchAgent::Status::malformed) << bad.constData();
        EXPECT_FALSE(agent.runAtLoad());
        EXPECT_EQ(agent.setRunAtLoad(true), LaunchAgent::Status::malformed);
        EXPECT_EQ(folder.contents(), bad);
    }
    folder.write(QByteArray(LaunchAgent::sizeLimit + 10, '#'));
    EXPECT_EQ(agent.status(), LaunchAgent::Status::malformed);
}

TEST(LaunchAgent, AnEntryThatCannotBeReadIsNotTakenForMissing) {
    AgentFolder folder;
    LaunchAgent agent = folder.agent();
    ASSERT_TRUE(QDir().mkpath(agent.path())); // a folder where the file should be
    EXPECT_EQ(agent.status(), LaunchAgent::Status::readFailed);
    EXPECT_EQ(agent.setRunAtLoad(true), LaunchAgent::Status::readFailed);
    EXPECT_EQ(agent.remove(), LaunchAgent::Status::writeFailed);
}

TEST(LaunchAgent, RemoveDeletesTheEntry) {
    AgentFolder folder;
    LaunchAgent agent = folder.agent();
    folder.write(scriptEntry);
    EXPECT_TRUE(agent.exists());
    EXPECT_EQ(agent.remove(), LaunchAgent::Status::ok);
    EXPECT_FALSE(agent.exists());
    EXPECT_TRUE(folder.files().isEmpty());
}
