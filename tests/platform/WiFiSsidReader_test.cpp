// The current Wi-Fi network's name, read from a NetworkManager served on a bus of the test's own.
#include "platform/WiFiSsidReader.h"
#include "support/FakeNetworkManager.h"
#include "support/PrivateBus.h"
#include "support/TestSupport.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using platform::ssidText;
using platform::WiFiSsidReader;

TEST(SsidText, BytesBecomeOneLineOfPlainTextAndAKeyOfTheirOwn) {
    const QString replacement(QChar::ReplacementCharacter);
    const struct {
        QByteArray bytes;
        QString text;
        QString key;
    } cases[] = {
        {"Office-5G", "Office-5G", "Office-5G"},
        {"Caf\xC3\xA9 \xF0\x9F\x93\xB6", QStringLiteral("Café 📶"), QStringLiteral("Café 📶")},
        {"<b>Guest</b>", "<b>Guest</b>", "<b>Guest</b>"}, // markup stays text
        {"a\nb\tc\x7F", "a" + replacement + "b" + replacement + "c" + replacement,
         "a\\x0Ab\\x09c\\x7F"},                                       // controls
        {"\xC2\x85", replacement, "\\xC2\\x85"},                      // a C1 control
        {QByteArray("x\0y", 3), "x" + replacement + "y", "x\\x00y"},  // an embedded NUL
        {"\xFF\xFE", replacement + replacement, "\\xFF\\xFE"},        // not UTF-8
        {"\xED\xA0\x80", replacement.repeated(3), "\\xED\\xA0\\x80"}, // an encoded surrogate
        {"ab\xC3", "ab" + replacement, "ab\\xC3"},                    // cut in the middle of a character
        {"\xEF\xBB\xBF"
         "ab",
         QString(QChar(0xFEFF)) + "ab", QString(QChar(0xFEFF)) + "ab"}, // a byte-order mark is kept
        // A backslash that would read as an escape is one too; a replacement character of the name's own is
        // no bad byte.
        {"Home\\xFF \xEF\xBF\xBD", "Home\\xFF " + replacement, "Home\\x5CxFF " + replacement},
        {"", "", ""},
    };
    for (const auto& each : cases) {
        const QString text = ssidText(each.bytes);
        EXPECT_EQ(text, each.text) << each.bytes.toHex().toStdString();
        EXPECT_TRUE(text.isValidUtf16());
        EXPECT_EQ(platform::ssidKey(each.bytes), each.key) << each.bytes.toHex().toStdString();
    }
    // 32 bytes of anything are shown, one replacement per byte that is not text.
    const QByteArray binary(32, '\x80');
    EXPECT_EQ(ssidText(binary), replacement.repeated(32));
}

namespace {

class WiFiSsidReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!bus.isValid()) {
            GTEST_SKIP() << "dbus-daemon is not available";
        }
    }

    bool startNetworkManager() { return manager.start(); }
    bool heard(const std::optional<QString>& ssid) {
        return testsupport::waitUntil([&] { return reader.currentSsid() == ssid; });
    }

    PrivateBus bus;
    fakenm::FakeNetworkManager manager{bus.connect()};
    WiFiSsidReader reader;
};

} // namespace

TEST_F(WiFiSsidReaderTest, FollowsTheWiFiDevicesActiveAccessPoint) {
    ASSERT_TRUE(startNetworkManager());
    manager.addDevice(fakenm::ethernet);
    const QString wifi = manager.addDevice(fakenm::wifi);
    const QString office = manager.setNetwork(wifi, QByteArray("Office-5G"), false);
    QSignalSpy changes(&reader, &WiFiSsidReader::currentSsidChanged);
    ASSERT_TRUE(reader.start(bus.connect()));
    EXPECT_TRUE(heard(QStringLiteral("Office-5G")));
    EXPECT_EQ(changes.count(), 1);

    manager.renameAccessPoint(office, "Office \xE2\x80\x93 5G");
    EXPECT_TRUE(heard(QStringLiteral("Office – 5G")));

    manager.setNetwork(wifi, std::nullopt);
    EXPECT_TRUE(heard(std::nullopt)) << "Wi-Fi left its network";
    const QString cafe = manager.setNetwork(wifi, QByteArray("Caf\xC3\xA9"));
    EXPECT_TRUE(heard(QStringLiteral("Café")));

    // Signal strength comes every few seconds and is no reason to ask again.
    const int listings = manager.deviceListings();
    manager.announceStrength(cafe);
    manager.renameAccessPoint(cafe, "Bar");
    EXPECT_TRUE(heard(QStringLiteral("Bar")));
    EXPECT_EQ(manager.deviceListings(), listings + 1);
}

TEST_F(WiFiSsidReaderTest, DevicesComingAndGoingAreFollowed) {
    ASSERT_TRUE(startNetworkManager());
    ASSERT_TRUE(reader.start(bus.connect()));
    ASSERT_TRUE(testsupport::waitUntil([&] { return manager.deviceListings() == 1; }));
    EXPECT_EQ(reader.currentSsid(), std::nullopt) << "no Wi-Fi device";

    const QString wifi = manager.addDevice(fakenm::wifi);
    manager.setNetwork(wifi, QByteArray("Home"), false);
    manager.addDevice(fakenm::ethernet, true); // announced after the network was joined
    EXPECT_TRUE(heard(QStringLiteral("Home")));

    manager.removeDevice(wifi);
    EXPECT_TRUE(heard(std::nullopt));
}

TEST_F(WiFiSsidReaderTest, NetworkManagerStartingLateOrLeavingIsFollowed) {
    const QString wifi = manager.addDevice(fakenm::wifi);
    manager.setNetwork(wifi, QByteArray("Lobby"), false);
    ASSERT_TRUE(reader.start(bus.connect()));
    EXPECT_TRUE(reader.isStarted());
    EXPECT_FALSE(testsupport::waitUntil([&] { return reader.currentSsid().has_value(); }, 300));

    ASSERT_TRUE(startNetworkManager());
    EXPECT_TRUE(heard(QStringLiteral("Lobby")));
    manager.stop();
    EXPECT_TRUE(heard(std::nullopt));
}

TEST_F(WiFiSsidReaderTest, AStoppedReaderKnowsNoNetworkAndHearsNoMore) {
    ASSERT_TRUE(startNetworkManager());
    const QString wifi = manager.addDevice(fakenm::wifi);
    manager.setNetwork(wifi, QByteArray("Office"), false);
    ASSERT_TRUE(reader.start(bus.connect()));
    ASSERT_TRUE(heard(QStringLiteral("Office")));

    reader.stop();
    EXPECT_FALSE(reader.isStarted());
    EXPECT_EQ(reader.currentSsid(), std::nullopt);
    manager.setNetwork(wifi, QByteArray("Elsewhere"));
    EXPECT_FALSE(testsupport::waitUntil([&] { return reader.currentSsid().has_value(); }, 300));
}

TEST(WiFiSsidReader, WithoutABusNoNetworkIsDetected) {
    WiFiSsidReader reader;
    EXPECT_FALSE(reader.start(QDBusConnection(QStringLiteral("no-such-connection"))));
    EXPECT_TRUE(reader.isStarted());
    EXPECT_EQ(reader.currentSsid(), std::nullopt);
}
