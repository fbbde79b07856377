#include "sdk/Workspace.h"

#include "platform/Bundle.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <sys/stat.h>

#include <ctime>

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
    EXPECT_TRUE(overflow.contains("\"1e999\"")) << overflow.toStdString();
}

TEST_F(MalformedWorkspaceTest, ErrorsSayWhereAndQuoteLittleOfTheFile) {
    const struct {
        QByteArray text;
        const char* place;
    } cases[] = {
        {"{\n  \"user\": tru\n}", "line 2, column 14"}, // where the parser stopped reading
        {"{\"a\": \"caf\xc3\xa9\", \"b\": ]}", "line 1, column 20"},
        {"{\"user\": {\"name\": \"" + QByteArray(1 << 20, 'a') + "\x01\"}}", "line 1, column 1048596"},
        {"\n\n{} x", "line 3, column 4"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.place);
        const QString error = errorFor(c.text);
        EXPECT_TRUE(error.contains(QString::fromLatin1(c.place))) << error.left(300).toStdString();
        const QString message = error.mid(path().size());
        EXPECT_LT(message.size(), 80 + 160)
            << "at most a line's worth of the file: " << message.left(300).toStdString();
    }

    // Text of the file that a message names is cut to 80 characters too.
    auto json = demoJson();
    const std::string longId(1000, 'x');
    json["networks"]["public"][0]["id"] = longId;
    json["networks"]["public"][1]["id"] = longId;
    const QString duplicate = errorFor(json);
    EXPECT_TRUE(duplicate.contains("duplicate id \"" + QString(79, 'x') + "…\"")) << duplicate.toStdString();
}

TEST_F(MalformedWorkspaceTest, NothingMayFollowTheJsonValue) {
    QFile demo(demoPath());
    ASSERT_TRUE(demo.open(QIODevice::ReadOnly));
    const QByteArray whole = demo.readAll();
    const qsizetype lines = whole.count('\n');
    const struct {
        QByteArray text;
        bool loads;
    } cases[] = {
        {whole, true},
        {whole + "\n \t\r\n", true},
        {whole + QByteArray("\0", 1), false},
        {whole + QByteArray("\0{\"more\": 1}", 13), false},
        {whole + "{\"more\": 1}", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.mid(whole.size()).toStdString());
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(c.text);
        file.close();
        const auto result = sdk::loadWorkspaceFile(path());
        EXPECT_EQ(result.ok(), c.loads) << result.error.toStdString();
        if (!c.loads) {
            EXPECT_TRUE(result.error.contains(QStringLiteral("line %1, column").arg(lines + 1)))
                << result.error.toStdString();
        }
    }
}

TEST_F(MalformedWorkspaceTest, FilesThatAreNoWorkspaceAreRefusedAtOnce) {
    const QString fifo = dir.filePath("fifo.json");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString huge = dir.filePath("huge.json");
    {
        QFile file(huge);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("{\"user\": \"");
        ASSERT_TRUE(file.resize(70 * 1024 * 1024)); // the rest reads as NUL bytes
    }
    const QString longString = dir.filePath("long-string.json");
    {
        QFile file(longString);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("{\"user\": {\"name\": \"" + QByteArray(1 << 20, 'a') + "\x02\"}}");
    }
    const struct {
        QString path;
        const char* why;
    } cases[] = {
        {fifo, "not a regular file"},
        {QStringLiteral("/dev/zero"), "not a regular file"},
        {huge, "larger than 64 MiB"},
        {longString, "invalid JSON at line 1, column 1048596"},
    };
    // The work is timed in this thread's processor time, which other processes on a busy machine do not
    // stretch; the time on the clock only has to show that nothing waited.
    const auto processorMs = [] {
        timespec now{};
        ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        QElapsedTimer loading;
        loading.start();
        const qint64 workedBefore = processorMs();
        const auto result = sdk::loadWorkspaceFile(c.path);
        EXPECT_LT(processorMs() - workedBefore, 1000);
        EXPECT_LT(loading.elapsed(), 5000);
        ASSERT_FALSE(result.ok());
        EXPECT_TRUE(result.error.startsWith(c.path)) << result.error.toStdString();
        EXPECT_TRUE(result.error.contains(QString::fromLatin1(c.why)))
            << result.error.left(300).toStdString();
        EXPECT_LT(result.error.size(), c.path.size() + 240);
    }
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
