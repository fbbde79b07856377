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
    ASSERT_NO_FATAL_FAILURE(startClient({}, signedInWorkspace));
    ASSERT_NO_FATAL_FAILURE(waitForTrayItem());
    ASSERT_TRUE(waitFor([&] { return trayEntryEnabled("Connect"); }));
    // Signed in, the client opens its quick-access window once the workspace has loaded; the person closes
    // it with the icon, then works in another program.
    ASSERT_TRUE(waitForWindow(isQuickAccess));
    clickTrayIcon();
    ASSERT_TRUE(waitForNoWindow(isQuickAccess));
    ASSERT_TRUE(focusAnotherProgram()) << "the other program never had the focus";
    ASSERT_TRUE(session->clientWindows().empty());

    ASSERT_TRUE(session->tray()->clickEntry("Connect"));
    EXPECT_TRUE(posted("Connected to ")) << postedSummaries().join(" | ").toStdString();

    ASSERT_TRUE(waitFor([&] { return trayEntryEnabled("Disconnect"); }));
    ASSERT_TRUE(session->tray()->clickEntry("Disconnect"));
    EXPECT_TRUE(posted("Disconnected from ")) << postedSummaries().join(" | ").toStdString();
}
