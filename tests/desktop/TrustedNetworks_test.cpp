// The trusted Wi-Fi list on a desktop: from the quick-access window's Settings to the main window's Network
// tab, the current network (NetworkManager played on the desktop's bus) added once, and added again refused
// by a dialog that belongs to the main window, holds the focus while open and gives it back when closed.
#include "DesktopScenario.h"
#include "Workspaces.h"
#include "support/FakeNetworkManager.h"

#include <QDBusConnection>
#include <QJsonArray>

using namespace desktop;

namespace {

class TrustedNetworksTest : public DesktopScenario {
protected:
    void TearDown() override {
        networkManager.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("desktop-networkmanager"));
        DesktopScenario::TearDown();
    }
    // NetworkManager with one Wi-Fi device on `ssid`, before the client starts.
    void joinWiFi(const QByteArray& ssid) {
        networkManager = std::make_unique<fakenm::FakeNetworkManager>(QDBusConnection::connectToBus(
            session->bus().address(), QStringLiteral("desktop-networkmanager")));
        ASSERT_TRUE(networkManager->start());
        accessPoint = networkManager->setNetwork(networkManager->addDevice(fakenm::wifi), ssid, false);
    }
    // The Network tab takes the current network once, as it fills its row, from what the client has learnt
    // from NetworkManager by then: opened before the client asked, it rightly shows none.
    bool networkRead() {
        return waitFor([&] { return networkManager->ssidReads(accessPoint) > 0; }, startBoundMs);
    }
    bool focused(const WindowInfo& window) {
        return waitFor([&] { return session->x11().focusedWindow() == window.id; });
    }

    std::unique_ptr<fakenm::FakeNetworkManager> networkManager;
    QString accessPoint;
};

} // namespace

TEST_F(TrustedNetworksTest, ADuplicateIsRefusedByADialogOfTheMainWindowThatGivesTheFocusBack) {
    session = std::make_unique<DesktopSession>(readable());
    ASSERT_TRUE(session->isReady()) << session->problem().toStdString();
    ASSERT_NO_FATAL_FAILURE(joinWiFi("Lobby"));
    // Wi-Fi security on, so the Network tab lists the trusted networks.
    const QStringList arguments = workspaceArguments(*session, [](QJsonObject& workspace) {
        QJsonObject account = workspace.value(QStringLiteral("session")).toObject();
        account.insert(QStringLiteral("signedIn"), true);
        workspace.insert(QStringLiteral("session"), account);
        QJsonObject settings = workspace.value(QStringLiteral("settings")).toObject();
        settings.insert(QStringLiteral("wifiSecurity"),
                        QJsonObject{{QStringLiteral("value"), true}, {QStringLiteral("enforced"), false}});
        workspace.insert(QStringLiteral("settings"), settings);
    });
    ASSERT_FALSE(arguments.isEmpty()) << "the demo workspace could not be read";
    ASSERT_TRUE(session->startClient(arguments));
    ASSERT_NO_FATAL_FAILURE(waitForTrayItem());

    const std::optional<WindowInfo> quickAccess = waitForWindow(isQuickAccess, startBoundMs);
    ASSERT_TRUE(quickAccess) << "signed in, the client opens its quick-access window";
    ASSERT_TRUE(networkRead()) << "the client never asked NetworkManager for the network it is on";
    ASSERT_TRUE(clickText(QStringLiteral("Settings"), quickAccess));
    const std::optional<WindowInfo> main = waitForWindow(isMainWindow);
    ASSERT_TRUE(main) << "Settings opens the main window";
    ASSERT_TRUE(clickText(QStringLiteral("Network"), main));
    ASSERT_TRUE(waitForText(QStringLiteral("Lobby"), *main)) << textsOf(*main).join(", ").toStdString();

    ASSERT_TRUE(clickText(QStringLiteral("Add to Trusted"), main));
    ASSERT_TRUE(waitFor([&] { return textsOf(*main).count(QStringLiteral("Lobby")) == 2; }))
        << "the current network and its new entry: " << textsOf(*main).join(", ").toStdString();

    ASSERT_TRUE(clickText(QStringLiteral("Add to Trusted"), main));
    const std::optional<WindowInfo> alert = waitForWindow(
        [&](const WindowInfo& window) { return window.id != main->id && window.id != quickAccess->id; });
    ASSERT_TRUE(alert) << "adding the listed network again opens a dialog";
    EXPECT_EQ(alert->transientFor, main->id) << "the dialog belongs to the main window";
    EXPECT_TRUE(placeOf(*main).contains(placeOf(*alert).center())) << "and stands over it";
    EXPECT_TRUE(waitForText(QStringLiteral("Trusted Networks Notification"), *alert))
        << textsOf(*alert).join(", ").toStdString();
    EXPECT_TRUE(focused(*alert)) << "the dialog takes the focus";

    ASSERT_TRUE(clickText(QStringLiteral("OK"), alert));
    EXPECT_TRUE(waitForNoWindow([&](const WindowInfo& window) { return window.id == alert->id; }));
    EXPECT_TRUE(focused(*main)) << "closing the dialog gives the focus back to the main window";
    EXPECT_EQ(textsOf(*main).count(QStringLiteral("Lobby")), 2) << "nothing was added twice";
}
