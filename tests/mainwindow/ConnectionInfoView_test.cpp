#include "mainwindow/MainConnectionInfoView.h"

#include "core/LocalizedStrings.h"
#include "core/ServiceLayer.h"
#include "platform/ManualScheduler.h"
#include "platform/NotificationCenter.h"
#include "sdk/VeltrixXPC.h"
#include "sdk/testing/Driver.h"
#include "toolkit/ElidedLabel.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

class ConnectionInfoViewTest : public ::testing::Test {
protected:
    ConnectionInfoViewTest() { VeltrixXPC::setPublicIpInfoDelegate(&ServiceLayer::shared()); }

    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope{scheduler};
    sdk::testing::Driver driver;
    MainConnectionInfoView info;
};

} // namespace

TEST_F(ConnectionInfoViewTest, AClockTickFromTheSdksThreadIsDrawnOnTheMainQueue) {
    info.show();
    info.show(); // shown twice: still one observation
    std::thread sdk([] {
        platform::NotificationCenter::defaultCenter().post(
            QStringLiteral("tickTimeUpdated"), nullptr,
            {{QStringLiteral("timeConnected"), QStringLiteral("01:02:03")}});
    });
    sdk.join();
    EXPECT_NE(info.timeConnectedText(), QStringLiteral("01:02:03")) << "not written from the SDK's thread";
    scheduler.runUntilIdle();
    EXPECT_EQ(info.timeConnectedText(), QStringLiteral("01:02:03"));
}

TEST_F(ConnectionInfoViewTest, AFailedLookupSaysSoAndOutsideTextStaysPlain) {
    driver.failPublicIpLookup(true);
    info.show();
    scheduler.advance(1.0);
    EXPECT_EQ(info.publicIpText(), L10n::connection_IP_address_failed_to_fetch_label());

    info.updateGatewayLocation(QStringLiteral("<b>Paris</b>"));
    scheduler.runUntilIdle();
    const QList<ElidedLabel*> region = info.findChildren<ElidedLabel*>();
    const bool shownAsTyped = std::any_of(region.begin(), region.end(), [](ElidedLabel* label) {
        return label->text() == QStringLiteral("<b>Paris</b>") && label->textFormat() == Qt::PlainText;
    });
    EXPECT_TRUE(shownAsTyped);
    info.resetGatewayLocation();
    EXPECT_EQ(info.gatewayLocationText(), QStringLiteral("N/A"));
}
