// A newer version offered to a signed-in client out of sight: the desktop's notification, its "Update Now",
// the update sheet as a window of the main window, and the package downloaded and handed to the SDK.
#include "DesktopScenario.h"
#include "Workspaces.h"

#include <QUrl>

using namespace desktop;

namespace {

class UpdatesTest : public DesktopScenario {
protected:
    // The demo workspace signed in, its package taken from the resources (the workspace is written
    // elsewhere).
    QStringList offeringWorkspace() {
        return workspaceArguments(*session, [](QJsonObject& workspace) {
            QJsonObject account = workspace.value(QStringLiteral("session")).toObject();
            account.insert(QStringLiteral("signedIn"), true);
            workspace.insert(QStringLiteral("session"), account);
            QJsonObject config = workspace.value(QStringLiteral("appConfig")).toObject();
            const QString package = qEnvironmentVariable("VELTRIX_RESOURCES") + QStringLiteral("/demo/") +
                                    config.value(QStringLiteral("packageUrl")).toString();
            config.insert(QStringLiteral("packageUrl"), QUrl::fromLocalFile(package).toString());
            workspace.insert(QStringLiteral("appConfig"), config);
        });
    }
    // The posted notification titled `summary` and the key of its action titled `action`.
    std::optional<std::pair<uint, QString>> postedAction(const QString& summary, const QString& action) {
        for (const auto& notification : session->notifications()->notifications) {
            const qsizetype title = notification.actions.indexOf(action);
            if (notification.summary == summary && title > 0 && title % 2 == 1) {
                return std::pair{notification.id, notification.actions.at(title - 1)};
            }
        }
        return std::nullopt;
    }
    QString postedSummaries() const {
        QStringList summaries;
        for (const auto& notification : session->notifications()->notifications) {
            summaries << notification.summary;
        }
        return summaries.join(QStringLiteral(" | "));
    }
    static bool isUpdateSheet(const WindowInfo& window) {
        return window.title == QLatin1String("Software Update");
    }
};

} // namespace

TEST_F(UpdatesTest, TheNotificationsUpdateNowBringsTheSheetOverTheMainWindowWhereRestartSaysWhyNot) {
    session = std::make_unique<DesktopSession>(readable());
    ASSERT_TRUE(session->isReady()) << session->problem().toStdString();
    const QStringList arguments = offeringWorkspace();
    ASSERT_FALSE(arguments.isEmpty()) << "the demo workspace could not be read";
    ASSERT_TRUE(session->startClient(arguments));
    waitForTrayItem();
    // Signed in, the client opens its quick-access window once the workspace has loaded; the person closes
    // it with the icon and goes on in another program. The offer comes a few seconds after the load.
    ASSERT_TRUE(waitForWindow(isQuickAccess, startBoundMs));
    clickTrayIcon();
    ASSERT_TRUE(waitForNoWindow(isQuickAccess));
    ASSERT_TRUE(focusAnotherProgram()) << "the other program never had the focus";

    std::optional<std::pair<uint, QString>> update;
    ASSERT_TRUE(waitFor([&] {
        return (update = postedAction("Update available", "Update Now")).has_value();
    })) << "no update notification with an Update Now action: "
        << postedSummaries().toStdString();
    EXPECT_FALSE(waitForWindow(isUpdateSheet, 500)) << "the sheet waits for the user";

    emit session->notifications()->ActionInvoked(update->first, update->second);
    const std::optional<WindowInfo> sheet = waitForWindow(isUpdateSheet);
    ASSERT_TRUE(sheet) << "the update sheet opens";
    const std::optional<WindowInfo> main = waitForWindow(isMainWindow);
    ASSERT_TRUE(main) << "the main window comes forward under the sheet";
    EXPECT_EQ(sheet->transientFor, main->id) << "the sheet belongs to the main window";
    ASSERT_TRUE(waitFor([&] {
        return textsOf(*sheet)
                   .filter(QStringLiteral("2.1.0 is available. Do you want to update now?"))
                   .size() == 1;
    })) << textsOf(*sheet).join(", ").toStdString();

    ASSERT_TRUE(clickText(QStringLiteral("Update Now"), sheet));
    ASSERT_TRUE(waitForText(QStringLiteral("Ready to install"), *sheet))
        << textsOf(*sheet).join(", ").toStdString();
    ASSERT_TRUE(clickText(QStringLiteral("Restart"), sheet));
    // A build running in place is not what the system's installer replaces: the sheet says so.
    ASSERT_TRUE(waitForText(QStringLiteral("Not installed"), *sheet))
        << textsOf(*sheet).join(", ").toStdString();
    EXPECT_FALSE(textsOf(*sheet).filter(QStringLiteral("build folder")).isEmpty())
        << textsOf(*sheet).join(", ").toStdString();
    ASSERT_TRUE(clickText(QStringLiteral("Close"), sheet)) << textsOf(*sheet).join(", ").toStdString();
    EXPECT_TRUE(waitForNoWindow(isUpdateSheet));
    EXPECT_TRUE(waitForWindow(isMainWindow)) << "the main window stays";

    // Started again, the client has no installation to announce; the offer still stands.
    ASSERT_TRUE(session->stopClient());
    ASSERT_TRUE(session->startClient(arguments));
    waitForTrayItem();
    const std::optional<WindowInfo> quickAccess = waitForWindow(isQuickAccess, startBoundMs);
    ASSERT_TRUE(quickAccess);
    clickMainWindowButton(*quickAccess);
    const std::optional<WindowInfo> restarted = waitForWindow(isMainWindow);
    ASSERT_TRUE(restarted);
    EXPECT_TRUE(waitForText(QStringLiteral("Update available"), *restarted, startBoundMs))
        << textsOf(*restarted).join(", ").toStdString();
    EXPECT_TRUE(textsOf(*restarted).filter(QStringLiteral("has been successfully installed")).isEmpty())
        << textsOf(*restarted).join(", ").toStdString();
}
