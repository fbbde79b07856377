// Connection news reaches the desktop's notification server while another program has the focus and no
// window of the client is open.
#include "DesktopScenario.h"
#include "Workspaces.h"

using namespace desktop;

namespace {

class NotificationsTest : public DesktopScenario {
protected:
    bool trayEntryEnabled(const QString& text) {
        const std::optional<TrayHost::MenuEntry> menu = session->tray()->menu();
        const TrayHost::MenuEntry* entry = menu ? menu->find(text) : nullptr;
        return entry && entry->visible && entry->enabled;
    }
    QStringList postedSummaries() const {
        QStringList summaries;
        for (const auto& notification : session->notifications()->notifications) {
            summaries << notification.summary;
        }
        return summaries;
    }
    // Waits for a notification whose summary starts with `prefix`.
    bool posted(const QString& prefix) {
        return waitFor([&] {
            return std::ranges::any_of(postedSummaries(),
                                       [&](const QString& summary) { return summary.startsWith(prefix); });
        });
    }
};

} // namespace

TEST_F(NotificationsTest, ConnectAndDisconnectArePostedWhileAnotherProgramHasTheFocus) {
    // Ended from the tray's Disconnect, or by signing out, which clears the network before the news comes.
    for (const QString& ending : {QStringLiteral("Disconnect"), QStringLiteral("Sign Out")}) {
        SCOPED_TRACE(ending.toStdString());
        ASSERT_NO_FATAL_FAILURE(startClient(readable(), signedInWorkspace));
        ASSERT_NO_FATAL_FAILURE(waitForTrayItem());
        ASSERT_TRUE(waitFor([&] { return trayEntryEnabled("Connect"); }));
        // Signed in, the client opens its quick-access window once the workspace has loaded; the person
        // closes it with the icon, then works in another program.
        ASSERT_TRUE(waitForWindow(isQuickAccess));
        clickTrayIcon();
        ASSERT_TRUE(waitForNoWindow(isQuickAccess));
        ASSERT_TRUE(focusAnotherProgram()) << "the other program never had the focus";
        ASSERT_TRUE(waitForNoWindow([](const WindowInfo&) { return true; }));

        ASSERT_TRUE(session->tray()->clickEntry("Connect"));
        const QString connected = QStringLiteral("Connected to ");
        ASSERT_TRUE(posted(connected)) << postedSummaries().join(" | ").toStdString();
        const QString network =
            postedSummaries().filter(QRegularExpression("^" + connected)).value(0).mid(connected.size());

        ASSERT_TRUE(waitFor([&] { return trayEntryEnabled(ending); }));
        ASSERT_TRUE(session->tray()->clickEntry(ending));
        if (ending == QLatin1String("Sign Out")) {
            // The sign-out window asks first.
            const std::optional<WindowInfo> asking = waitForWindow([](const WindowInfo&) { return true; });
            ASSERT_TRUE(asking);
            ASSERT_TRUE(clickText(QStringLiteral("Sign Out"), asking));
        }
        EXPECT_TRUE(waitFor([&] { return postedSummaries().contains("Disconnected from " + network); }))
            << postedSummaries().join(" | ").toStdString();
        EXPECT_FALSE(postedSummaries().contains(QStringLiteral("Disconnected from N/A")));
    }
}
