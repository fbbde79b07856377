#pragma once

#include "core/MenuControllerProtocol.h"
#include "platform/Application.h"
#include "platform/ManualScheduler.h"
#include "platform/UserDefaults.h"
#include "sdk/testing/Driver.h"
#include "support/RoutedTest.h"

#include <QObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <mutex>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* out) {
    *out << '[' << list.join(", ").toStdString() << ']';
}

namespace coretest {

// A menu front end that writes down what it is asked, in order, with a tag.
class FakeMenuController : public MenuControllerProtocol {
public:
    FakeMenuController(QString tag, QStringList& log, MenuControllerDataSource* dataSource,
                       MenuControllerDelegate* delegate)
        : m_tag(std::move(tag)), m_log(log), m_dataSource(dataSource), m_delegate(delegate) {}

    MenuControllerDataSource* dataSource() const override { return m_dataSource; }
    void setDataSource(MenuControllerDataSource* dataSource) override { m_dataSource = dataSource; }
    MenuControllerDelegate* delegate() const override { return m_delegate; }
    void setDelegate(MenuControllerDelegate* delegate) override { m_delegate = delegate; }

#define FAKE_MENU_CALL(name)                                                                                 \
    void name() override {                                                                                   \
        add(QStringLiteral(#name));                                                                          \
    }
    FAKE_MENU_CALL(showProgressIndicator)
    FAKE_MENU_CALL(hideProgressIndicator)
    FAKE_MENU_CALL(showMenu)
    FAKE_MENU_CALL(setLoggedInState)
    FAKE_MENU_CALL(setLoggedOutState)
    FAKE_MENU_CALL(updateGroupedLocations)
    FAKE_MENU_CALL(updateLocationLists)
    FAKE_MENU_CALL(setConnectedState)
    FAKE_MENU_CALL(setDisconnectedState)
    FAKE_MENU_CALL(setConnectingState)
    FAKE_MENU_CALL(setUpgradeState)
    FAKE_MENU_CALL(updateShowApplicationItem)
    FAKE_MENU_CALL(updateStatusView)
    FAKE_MENU_CALL(updateStatusOptions)
    FAKE_MENU_CALL(updateStatusOptionStates)
    FAKE_MENU_CALL(updateNetworkGroups)
#undef FAKE_MENU_CALL
    void toggleMenu(platform::StatusItem*) override {
        add(QStringLiteral("toggleMenu"));
    }
    void updateIPAddress(const PDPublicIPInfoPtr& info) override {
        add(QStringLiteral("updateIPAddress:") + (info ? info->ipAddress() : QString()));
    }
    void updateTimeConnected(const QString& time) override {
        add(QStringLiteral("updateTimeConnected:") + time);
    }

private:
    void add(const QString& call) {
        m_log.append(m_tag + QLatin1Char('.') + call);
    }
    QString m_tag;
    QStringList& m_log;
    MenuControllerDataSource* m_dataSource;
    MenuControllerDelegate* m_delegate;
};

// Virtual time, the SDK on the demo workspace, a router and user defaults in a temporary file.
class CoreTest : public RoutedTest {
protected:
    void TearDown() override { sdk::SimulatedWorkspace::instance().clearDelegates(); }

    QTemporaryDir dir;
    platform::UserDefaults defaults{dir.filePath(QStringLiteral("defaults.ini"))};
};

} // namespace coretest
