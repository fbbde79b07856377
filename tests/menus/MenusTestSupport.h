#pragma once

// Fixtures of the quick-access tests: a networks model of the tests' own, a recording menu delegate and a
// data source that reads the SDK as the menu hub does.

#include "core/MenuControllerProtocol.h"
#include "menus/QAUILoggedInViewController.h"
#include "menus/QAUILoggedOutViewController.h"
#include "menus/QAUIMenuWindowController.h"
#include "menus/QAUINetworksWindowController.h"
#include "menus/QAUISignOutController.h"
#include "platform/ManualScheduler.h"
#include "sdk/PDNetworks.h"
#include "sdk/VeltrixXPC.h"
#include "sdk/testing/Driver.h"
#include "support/FakeRouter.h"
#include "support/RoutedTest.h"
#include "support/Storyboards.h"
#include "toolkit/BaseWindowViewController.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace menus_test {

inline PDNetworkItemPtr network(const QString& id, PDNetworkKind kind = PDNetworkKind::privateNetwork,
                                const QString& title = {}) {
    PDNetworkItem::Data data;
    data.id = id;
    data.kind = kind;
    data.title = title.isEmpty() ? id : title;
    data.flagImage = std::make_shared<PDCacheableImage>(std::nullopt);
    return std::make_shared<PDNetworkItem>(data);
}

struct Lists {
    QList<PDNetworkItemPtr> privateNetworks;
    QList<PDNetworkItemPtr> sharedNetworks;
    QList<PDNetworkItemPtr> lastUsed; // oldest first
};

inline PDNetworksModelPtr model(const Lists& lists) {
    PDNetworksModel::Content content;
    content.privateNetworks = lists.privateNetworks;
    content.sharedNetworks = lists.sharedNetworks;
    content.sharedGroupName = QStringLiteral("Partners");
    content.lastUsed = lists.lastUsed;
    return std::make_shared<PDNetworksModel>(content);
}

class RecordingMenuDelegate : public MenuControllerDelegate {
public:
    QStringList calls;
    void didSelectLocation(const PDNetworkItemPtr& location) override {
        calls << QStringLiteral("didSelectLocation ") + (location ? *location->id() : QStringLiteral("-"));
    }
    void signOut(QObject*) override { calls << QStringLiteral("signOut"); }
    void minimize(QObject*) override { calls << QStringLiteral("minimize"); }
    void showApplication(QObject*) override { calls << QStringLiteral("showApplication"); }
    void signIn(QObject*) override { calls << QStringLiteral("signIn"); }
    void openSupport(QObject*) override { calls << QStringLiteral("openSupport"); }
    void openSettings(QObject*) override { calls << QStringLiteral("openSettings"); }
    void connect(QObject*) override { calls << QStringLiteral("connect"); }
};

class SdkDataSource : public MenuControllerDataSource {
public:
    bool isAppInUserAgentMode() const override { return false; }
    bool isDisconnectAllowed() const override { return !VeltrixXPC::enableAlwaysON(); }
    bool isInForcedUpgradeState() const override { return VeltrixXPC::isForcedUpdateAvailable(); }
    PDNetworkItemPtr currentNetwork() const override { return VeltrixXPC::currentNetwork(); }
    QList<PDNetworkItemPtr> publicLocations() const override {
        return lists(&PDNetworksModel::publicLocations);
    }
    QList<PDNetworkItemPtr> privateLocations() const override {
        return lists(&PDNetworksModel::privateNetworks);
    }
    QList<PDNetworkItemPtr> favoriteLocations() const override { return {}; }
    QList<PDNetworkItemPtr> groupedLocations() const override {
        return lists(&PDNetworksModel::groupedNetworks);
    }

private:
    static QList<PDNetworkItemPtr> lists(QList<PDNetworkItemPtr> (PDNetworksModel::*list)() const) {
        const PDNetworksModelPtr networks = VeltrixXPC::networks();
        return networks ? ((*networks).*list)() : QList<PDNetworkItemPtr>();
    }
};

// Virtual time, the SDK stand-in and the fake router, for one test.
// The quick-access window's pages and the sign-out window, as the composition root registers them; the
// onboarding page belongs to the sign-in screens, and a plain controller stands in for it.
inline void registerMenuScreens() {
    testsupport::registerController<QAUIMenuWindowController>("QAUIMenu", "QAUIMenuWindowController");
    testsupport::registerController<QAUILoggedInViewController>("QAUIMenu", "QAUILoggedInViewController");
    testsupport::registerController<QAUILoggedOutViewController>("QAUIMenu", "QAUILoggedOutViewController");
    testsupport::registerController<QAUINetworksWindowController>("QAUIMenu", "QAUINetworksWindowController");
    testsupport::registerController<platform::ViewController>("QAUIMenu", "QAUIOnBoardingPageViewController");
    if (!platform::Storyboard::named("QAUISignOut").contains("signOutWindowController")) {
        platform::Storyboard::registerController("QAUISignOut", "signOutWindowController", [] {
            return std::unique_ptr<QObject>(QAUISignOutModalViewController::makeWindow());
        });
    }
    testsupport::registerController<ModalViewController>("Popover", "ModalViewController");
}

class MenusTest : public RoutedTest {
protected:
    MenusTest() { registerMenuScreens(); }

    RecordingMenuDelegate actions;
    SdkDataSource source;

    void settle(double seconds = 0.6) { scheduler.advance(seconds); }
};

} // namespace menus_test
