#include "sdk/Workspace.h"

#include "platform/Bundle.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace {

QString demoPath() {
    return platform::Bundle::main().pathForResource("demo/workspace.json");
}

nlohmann::json demoJson() {
    QFile file(demoPath());
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return nlohmann::json::parse(file.readAll().toStdString());
}

class MalformedWorkspaceTest : public ::testing::Test {
protected:
    // Writes `text` to a file and loads it; answers the error.
    QString errorFor(const QByteArray& text) {
        QFile file(path());
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.close();
        const auto result = sdk::loadWorkspaceFile(path());
        EXPECT_FALSE(result.ok());
        EXPECT_TRUE(result.error.startsWith(path())) << result.error.toStdString();
        return result.error;
    }
    QString errorFor(const nlohmann::json& value) {
        return errorFor(QByteArray::fromStdString(value.dump()));
    }
    QString path() const { return dir.filePath("workspace.json"); }
    QTemporaryDir dir;
};

} // namespace

TEST(DemoWorkspaceTest, LoadsWithTheNetworksTheDemoNeeds) {
    const auto result = sdk::loadWorkspaceFile(demoPath());
    ASSERT_TRUE(result.ok()) << result.error.toStdString();
    const auto& ws = *result.workspace;
    EXPECT_EQ(ws.privateNetworks.size(), 2u);
    EXPECT_FALSE(ws.sharedGroupName.isEmpty());
    EXPECT_FALSE(ws.sharedNetworks.empty());
    EXPECT_GE(ws.publicLocations.size(), 40u);

    QSet<QString> continents;
    for (const auto& location : ws.publicLocations) {
        continents.insert(location.continent);
        const QUrl flag = sdk::flagUrl(location.countryCode);
        ASSERT_TRUE(flag.isLocalFile());
        EXPECT_TRUE(QFileInfo::exists(flag.toLocalFile())) << flag.toString().toStdString();
    }
    EXPECT_GE(continents.size(), 5);

    const auto& s = ws.settings;
    const QList<PDSettingBoolItem> items = {s.connectOnLaunch, s.notifications,  s.automaticUpdates,
                                            s.crashReports,    s.alwaysOn,       s.killSwitch,
                                            s.wifiSecurity,    s.trustedNetworks};
    EXPECT_TRUE(std::any_of(items.begin(), items.end(), [](const auto& i) { return i.isEnforced; }));
    EXPECT_TRUE(std::any_of(items.begin(), items.end(), [](const auto& i) { return !i.isEnforced; }));
    EXPECT_FALSE(ws.appConfig.offeredVersion.isEmpty());
    EXPECT_EQ(ws.appConfig.packageSha256.size(), 64);
}

TEST_F(MalformedWorkspaceTest, BadJsonNamesThePosition) {
    const QString error = errorFor(QByteArray("{\"user\": {\"name\": \"A\",}"));
    EXPECT_TRUE(error.contains("invalid JSON")) << error.toStdString();
    EXPECT_TRUE(error.contains("line 1")) << error.toStdString();

    // A number too large for a double is refused like any other bad JSON, not thrown past the loader.
    const QString overflow = errorFor(QByteArray("{\"user\": 1e999}"));
    EXPECT_TRUE(overflow.contains("invalid JSON")) << overflow.toStdString();
    EXPECT_TRUE(overflow.contains("1e999")) << overflow.toStdString();
}

TEST_F(MalformedWorkspaceTest, WrongTypesAndMissingFieldsNameTheMember) {
    auto json = demoJson();
    json["networks"]["public"][3]["country"] = 49;
    EXPECT_TRUE(errorFor(json).endsWith("networks.public[3].country: expected a string, found a number"));

    json = demoJson();
    json["networks"]["private"][1].erase("gateway");
    EXPECT_TRUE(errorFor(json).endsWith("networks.private[1].gateway: missing"));

    json = demoJson();
    json.erase("tenant");
    EXPECT_TRUE(errorFor(json).endsWith("tenant: missing"));

    json = demoJson();
    json["settings"]["alwaysOn"]["enforced"] = "yes";
    EXPECT_TRUE(errorFor(json).endsWith("settings.alwaysOn.enforced: expected a Boolean, found a string"));

    json = demoJson();
    json["networks"]["public"] = nlohmann::json::object();
    EXPECT_TRUE(errorFor(json).endsWith("networks.public: expected an array, found an object"));

    EXPECT_TRUE(errorFor(nlohmann::json::array()).contains("expected an object at the top"));
}

TEST_F(MalformedWorkspaceTest, InconsistentContentIsRefused) {
    auto json = demoJson();
    json["networks"]["public"][1]["id"] = json["networks"]["public"][0]["id"];
    EXPECT_TRUE(errorFor(json).contains("networks.public[1].id: duplicate id"));

    json = demoJson();
    json["networks"]["current"] = "gone";
    EXPECT_TRUE(errorFor(json).endsWith("networks.current: no network with id \"gone\""));

    json = demoJson();
    json["networks"]["automatic"] = "prv-hq";
    EXPECT_TRUE(errorFor(json).endsWith("networks.automatic: must name a public location"));

    json = demoJson();
    json["appConfig"]["packageSha256"] = "abc";
    EXPECT_TRUE(errorFor(json).endsWith("appConfig.packageSha256: expected 64 hexadecimal digits"));

    json = demoJson();
    json["networks"]["public"][0]["country"] = "Germany";
    EXPECT_TRUE(errorFor(json).endsWith("networks.public[0].country: expected a two-letter country code"));
}

TEST_F(MalformedWorkspaceTest, AnUnreadableFileIsNamed) {
    const auto result = sdk::loadWorkspaceFile(dir.filePath("absent.json"));
    ASSERT_FALSE(result.ok());
    EXPECT_TRUE(result.error.startsWith(dir.filePath("absent.json")));
}

TEST(WorkspaceFileTest, ChosenByArgumentThenEnvironmentThenBundle) {
    qunsetenv("VELTRIX_WORKSPACE");
    EXPECT_EQ(sdk::workspacePath({"veltrix"}), demoPath());
    qputenv("VELTRIX_WORKSPACE", "/tmp/from-env.json");
    EXPECT_EQ(sdk::workspacePath({"veltrix"}), "/tmp/from-env.json");
    EXPECT_EQ(sdk::workspacePath({"veltrix", "--workspace", "/tmp/arg.json"}), "/tmp/arg.json");
    EXPECT_EQ(sdk::workspacePath({"veltrix", "--workspace=/tmp/eq.json"}), "/tmp/eq.json");
    qunsetenv("VELTRIX_WORKSPACE");
}

TEST(WorkspaceFileTest, RelativePackageUrlsPointBesideTheFile) {
    QTemporaryDir dir;
    auto json = demoJson();
    json["appConfig"]["packageUrl"] = "pkgs/next.pkg";
    json["appConfig"].erase("packagePath");
    const auto result = sdk::parseWorkspace(QByteArray::fromStdString(json.dump()), "test", dir.path());
    ASSERT_TRUE(result.ok()) << result.error.toStdString();
    EXPECT_EQ(result.workspace->appConfig.packageUrl,
              QUrl::fromLocalFile(dir.filePath("pkgs/next.pkg")).toString());
    EXPECT_TRUE(result.workspace->appConfig.packagePath.endsWith("/updates/next.pkg"));
}
