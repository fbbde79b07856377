#pragma once

// What the quick-access window asks of the menu hub, on the demo workspace: its lists read from the SDK,
// its actions ignored. Shared by the renderer and the benchmarks.

#include "core/MenuControllerProtocol.h"
#include "sdk/VeltrixXPC.h"

class DemoDataSource : public MenuControllerDataSource {
public:
    bool isAppInUserAgentMode() const override { return false; }
    bool isDisconnectAllowed() const override { return !VeltrixXPC::enableAlwaysON(); }
    bool isInForcedUpgradeState() const override { return VeltrixXPC::isForcedUpdateAvailable(); }
    PDNetworkItemPtr currentNetwork() const override { return VeltrixXPC::currentNetwork(); }
    QList<PDNetworkItemPtr> publicLocations() const override {
        return VeltrixXPC::networks()->publicLocations();
    }
    QList<PDNetworkItemPtr> privateLocations() const override {
        return VeltrixXPC::networks()->privateNetworks();
    }
    QList<PDNetworkItemPtr> favoriteLocations() const override {
        return VeltrixXPC::networks()->favoriteLocations();
    }
    QList<PDNetworkItemPtr> groupedLocations() const override {
        return VeltrixXPC::networks()->groupedNetworks();
    }
};

class NoActions : public MenuControllerDelegate {
public:
    void didSelectLocation(const PDNetworkItemPtr&) override {}
    void signOut(QObject*) override {}
    void minimize(QObject*) override {}
    void showApplication(QObject*) override {}
    void signIn(QObject*) override {}
    void openSupport(QObject*) override {}
    void openSettings(QObject*) override {}
    void connect(QObject*) override {}
};
