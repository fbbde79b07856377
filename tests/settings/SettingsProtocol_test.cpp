// The Protocols page: the badges and the refusal while Always-On VPN is on or the tunnel is up, and what
// makes a choice.
#include "SettingsTestSupport.h"

#include "settings/SettingsProtocolController.h"

namespace {

using Badge = ProtocolIndicatorViewState;

class SettingsProtocolTest : public SettingsPageTest {
protected:
    SettingsProtocolViewCell* cell(VPNProtocols protocol) const { return page.cellFor(protocol); }
    std::vector<Badge> badges() const {
        std::vector<Badge> shown;
        for (VPNProtocols protocol : availableVPNProtocols()) {
            shown.push_back(cell(protocol)->indicatorView()->indicatorType().value_or(Badge::notSelected));
        }
        return shown;
    }
    QString stored() const {
        return platform::UserDefaults::standard()
            .stringForKey(SettingsUserDefaults::vpnProtocols)
            .value_or("");
    }
    void reload() {
        page.reloadSettingsPage();
        run();
    }

    SettingsProtocolController page;
};

} // namespace

TEST_F(SettingsProtocolTest, ChoosingIsRefusedWhileAlwaysOnOrConnectedAndTheBadgesSayWhy) {
    platform::UserDefaults::standard().set(SettingsUserDefaults::vpnProtocols,
                                           rawValue(VPNProtocols::Automatic));
    const struct {
        const char* name;
        bool alwaysOn;
        SDVPNConnectionState state;
        std::vector<Badge> badges;
        bool locked;
    } cases[] = {
        {"free",
         false,
         SDVPNConnectionState::disconnected,
         {Badge::selected, Badge::notSelected, Badge::notSelected, Badge::notSelected},
         false},
        {"connecting still allows it",
         false,
         SDVPNConnectionState::connecting,
         {Badge::selected, Badge::notSelected, Badge::notSelected, Badge::notSelected},
         false},
        {"connected",
         false,
         SDVPNConnectionState::connected,
         {Badge::disconnectToEdit, Badge::disconnectToEdit, Badge::disconnectToEdit, Badge::disconnectToEdit},
         true},
        {"Always-On",
         true,
         SDVPNConnectionState::disconnected,
         {Badge::alwaysOn, Badge::alwaysOn, Badge::alwaysOn, Badge::alwaysOn},
         true},
        {"Always-On and connected",
         true,
         SDVPNConnectionState::connected,
         {Badge::alwaysOn, Badge::alwaysOn, Badge::alwaysOn, Badge::alwaysOn},
         true},
    };
    show(page);
    for (const auto& each : cases) {
        SCOPED_TRACE(each.name);
        driver.setAlwaysOn(each.alwaysOn);
        driver.setConnectionState(each.state);
        reload();
        EXPECT_EQ(badges(), each.badges);
        SettingsProtocolViewCell* wireguard = cell(VPNProtocols::Wireguard);
        wireguard->setHighlight(true);
        EXPECT_EQ(wireguard->selectButton()->isVisible(), !each.locked) << "Select only where it can be used";
        const QColor title = wireguard->protocolTitleField()->palette().color(QPalette::WindowText);
        EXPECT_EQ(title.alpha() < 255, each.locked);

        const auto before = events().size();
        click(wireguard);
        if (each.locked) {
            EXPECT_EQ(stored(), rawValue(VPNProtocols::Automatic));
            EXPECT_EQ(events().size(), before);
        } else {
            EXPECT_EQ(stored(), rawValue(VPNProtocols::Wireguard));
            platform::UserDefaults::standard().set(SettingsUserDefaults::vpnProtocols,
                                                   rawValue(VPNProtocols::Automatic));
        }
    }
}

TEST_F(SettingsProtocolTest, AClickOnARowOrItsSelectButtonChoosesAndReportsTheProtocol) {
    show(page);
    SettingsProtocolViewCell* wireguard = cell(VPNProtocols::Wireguard);
    wireguard->setHighlight(true);
    ASSERT_TRUE(wireguard->selectButton()->isVisible());
    click(wireguard->selectButton());
    run();
    EXPECT_EQ(stored(), " WireGuard");
    const auto call = driver.lastCall("changeVPNProtocol");
    ASSERT_TRUE(call.has_value());
    ASSERT_EQ(eventTypes(), std::vector<int>{34});
    EXPECT_EQ(events().back().triggeredBy.title, "Wireguard");
    EXPECT_EQ(events().back().parameter(AnalyticsParameter::vpnProtocol), "wg");
    EXPECT_EQ(badges(), (std::vector<Badge>{Badge::notSelected, Badge::selected, Badge::notSelected,
                                            Badge::notSelected}));
    EXPECT_TRUE(page.protocolsTableView()->rowViewAtRow(1)->isSelected());
    EXPECT_FALSE(cell(VPNProtocols::Wireguard)->selectButton()->isVisible()) << "not on the chosen row";

    click(cell(VPNProtocols::IKEv2_StrongSwan));
    EXPECT_EQ(stored(), " IKEv2 ");
    EXPECT_EQ(events().back().parameter(AnalyticsParameter::vpnProtocol), "ikev2");
}

TEST_F(SettingsProtocolTest, NeitherTheTableNorFocusNorTheArrowsMakeAChoiceButReturnOnARowDoes) {
    show(page);
    TableView* table = page.protocolsTableView();
    table->selectRow(2);
    table->setFocus();
    QTest::keyClick(table, Qt::Key_Down);
    run();
    EXPECT_EQ(stored(), "");
    EXPECT_TRUE(events().empty());
    EXPECT_FALSE(driver.lastCall("changeVPNProtocol").has_value());

    QTest::keyClick(table, Qt::Key_Return);
    run();
    EXPECT_EQ(stored(), rawValue(availableVPNProtocols().at(table->currentRow())));
    EXPECT_TRUE(driver.lastCall("changeVPNProtocol").has_value());
}

TEST_F(SettingsProtocolTest, AStoredValueThatNamesNoOfferedProtocolSelectsNoRow) {
    for (const QString& value :
         {QStringLiteral(" IKEv2"), QStringLiteral("IKEv2"), QStringLiteral(" PPTP")}) {
        platform::UserDefaults::standard().set(SettingsUserDefaults::vpnProtocols, value);
        show(page);
        reload();
        EXPECT_EQ(badges(), std::vector<Badge>(4, Badge::notSelected)) << value.toStdString();
        EXPECT_EQ(stored(), value) << "kept until the user chooses";
    }
}
