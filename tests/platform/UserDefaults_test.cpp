#include "platform/ManualScheduler.h"
#include "platform/UserDefaults.h"

#include <QDataStream>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPoint>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <thread>
#include <vector>

using namespace platform;

namespace {

class UserDefaultsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath("prefs.ini");

    // A fresh process would find the file on disk but nothing in QSettings' in-process cache, which keeps
    // the values it wrote with their types; a copy at a new path is read as a restarted client reads it.
    std::unique_ptr<UserDefaults> restarted() {
        static int copies = 0;
        const QString copy = dir.filePath(QStringLiteral("restart-%1.ini").arg(++copies));
        EXPECT_TRUE(QFile::copy(path, copy));
        return std::make_unique<UserDefaults>(copy);
    }

    static void writeFile(const QString& file, const QByteArray& bytes) {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
    }
    static QByteArray readFile(const QString& file) {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }
    QStringList corruptCopies() const {
        return QDir(dir.path()).entryList({"prefs.ini.corrupt-*"}, QDir::Files, QDir::Name);
    }
};

} // namespace

TEST_F(UserDefaultsTest, ValuesKeepTheirTypesAcrossARestart) {
    const QVariantMap values{
        {"startMinimized", true},
        {"count", 42},
        {"big", qlonglong(1) << 40},
        {"ratio", 0.17},
        {"vpnProtocols", " Automatic"},
        {"textThatLooksLikeABool", "true"},
        {"textThatLooksLikeANumber", "42"},
        {"textWithAt", "@ByteArray(x)"},
        {"data", QByteArray("\0\x01\xff", 3)},
        {"when", QDateTime(QDate(2024, 5, 1), QTime(10, 20, 30), Qt::UTC)},
        {"list", QVariantList{1, "two", false}},
        {"names", QStringList{"a", "b"}},
        {"nested", QVariantMap{{"inner", QVariantMap{{"n", 1.5}}}}},
        {"RLDeviceDetailManager.os/version\\x y", "with separators"},
        {QString::fromUtf8("ключ"), "unicode key"},
    };
    {
        UserDefaults defaults(path);
        for (auto it = values.cbegin(); it != values.cend(); ++it) {
            ASSERT_TRUE(defaults.set(it.key(), it.value())) << it.key().toStdString();
        }
    }
    const QByteArray onDisk = readFile(path);
    EXPECT_FALSE(onDisk.contains("=true")) << "a bare bool would read back as text";

    const auto again = restarted();
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const QVariant read = again->objectForKey(it.key());
        EXPECT_EQ(read.typeId(), it.value().typeId()) << it.key().toStdString();
        EXPECT_EQ(read, it.value()) << it.key().toStdString();
    }
    EXPECT_TRUE(again->boolForKey("startMinimized"));
    EXPECT_EQ(again->stringForKey("vpnProtocols"), QString(" Automatic"));
    EXPECT_EQ(again->dataForKey("data"), QByteArray("\0\x01\xff", 3));
}

TEST_F(UserDefaultsTest, ReadsFallBackToRegisteredDefaultsThenToZero) {
    UserDefaults defaults(path);
    defaults.registerDefaults({{"showWelcomePage", true}, {"vpnProtocols", " Automatic"}});
    defaults.registerDefaults({{"sendAnalyticsData", true}, {"vpnProtocols", " WireGuard"}}); // merged
    EXPECT_TRUE(defaults.boolForKey("showWelcomePage"));
    EXPECT_TRUE(defaults.boolForKey("sendAnalyticsData"));
    EXPECT_EQ(defaults.stringForKey("vpnProtocols"), QString(" WireGuard"));

    defaults.set("showWelcomePage", false);
    EXPECT_FALSE(defaults.boolForKey("showWelcomePage"));
    defaults.removeObject("showWelcomePage");
    EXPECT_TRUE(defaults.boolForKey("showWelcomePage"));

    EXPECT_FALSE(defaults.objectForKey("appSettingsData").isValid());
    EXPECT_FALSE(defaults.boolForKey("appSettingsData"));
    EXPECT_EQ(defaults.integerForKey("appSettingsData"), 0);
    EXPECT_EQ(defaults.doubleForKey("appSettingsData"), 0.0);
    EXPECT_EQ(defaults.stringForKey("appSettingsData"), std::nullopt);
    EXPECT_TRUE(defaults.dataForKey("appSettingsData").isNull());
    EXPECT_TRUE(defaults.arrayForKey("appSettingsData").isEmpty());
    EXPECT_TRUE(defaults.dictionaryForKey("appSettingsData").isEmpty());

    defaults.set("stored", 1);
    EXPECT_FALSE(restarted()->objectForKey("vpnProtocols").isValid()) << "registered defaults are not stored";
}

TEST_F(UserDefaultsTest, TypedReadsConvertLikeTheClientExpects) {
    UserDefaults defaults(path);
    defaults.set("legacyProtocol", 2);
    defaults.set("protocol", " OpenVPN");
    defaults.set("numericText", " 42 ");
    defaults.set("fraction", 2.9);
    defaults.set("yes", "YES");
    defaults.set("no", "no");
    defaults.set("zero", 0);
    defaults.set("names", QStringList{"a"});
    defaults.set("huge", 1e300);

    EXPECT_EQ(defaults.integerForKey("legacyProtocol"), 2);
    EXPECT_EQ(defaults.stringForKey("legacyProtocol"), std::nullopt) << "only a text reads as a string";
    EXPECT_EQ(defaults.integerForKey("protocol"), 0);
    EXPECT_EQ(defaults.integerForKey("numericText"), 42);
    EXPECT_EQ(defaults.integerForKey("fraction"), 2);
    EXPECT_EQ(defaults.integerForKey("huge"), std::numeric_limits<qint64>::max());
    EXPECT_DOUBLE_EQ(defaults.doubleForKey("numericText"), 42.0);
    EXPECT_TRUE(defaults.boolForKey("yes"));
    EXPECT_FALSE(defaults.boolForKey("no"));
    EXPECT_FALSE(defaults.boolForKey("zero"));
    EXPECT_TRUE(defaults.boolForKey("legacyProtocol"));
    EXPECT_TRUE(defaults.dataForKey("protocol").isNull());
    EXPECT_EQ(defaults.arrayForKey("names"), (QVariantList{"a"}));
    EXPECT_TRUE(defaults.dictionaryForKey("names").isEmpty());
}

TEST_F(UserDefaultsTest, RefusesValuesItCannotKeepAndRemovesOnInvalid) {
    UserDefaults defaults(path);
    defaults.set("kept", "x");
    EXPECT_FALSE(defaults.set("point", QPoint(1, 2)));
    EXPECT_FALSE(defaults.set("nestedPoint", QVariantList{1, QPoint(1, 2)}));
    EXPECT_FALSE(defaults.objectForKey("point").isValid());
    EXPECT_FALSE(defaults.objectForKey("nestedPoint").isValid());
    EXPECT_TRUE(defaults.set("kept", QVariant()));
    EXPECT_FALSE(restarted()->objectForKey("kept").isValid());
}

TEST_F(UserDefaultsTest, ACorruptFileIsKeptAsideAndReplacedByAnEmptyStore) {
    ManualScheduler scheduler;
    ScopedScheduler use(scheduler);
    scheduler.setCurrentDate(QDateTime(QDate(2024, 5, 1), QTime(10, 20, 30)));

    const QList<QByteArray> damaged{
        "[General\nshowWelcomePage=1\n",             // QSettings reports a format error
        "hello world\n",                             // nothing QSettings can parse
        QByteArray("\x00\x01\x02\xff\xfe", 5),       // binary
        "[General]\nshowWelcomePage=true\n",         // a value not written by us
        "[General]\nx=@ByteArray(\\0\\0\\0\\x7f)\n", // a value that does not decode
    };
    for (int i = 0; i < damaged.size(); ++i) {
        SCOPED_TRACE(i);
        writeFile(path, damaged[i]);
        {
            UserDefaults defaults(path);
            EXPECT_FALSE(defaults.objectForKey("showWelcomePage").isValid());
            EXPECT_TRUE(defaults.set("afterRecovery", i));
        }
        const QStringList copies = corruptCopies();
        ASSERT_EQ(copies.size(), i + 1);
        const QString expected = i == 0 ? "prefs.ini.corrupt-20240501-102030"
                                        : QStringLiteral("prefs.ini.corrupt-20240501-102030-%1").arg(i + 1);
        ASSERT_TRUE(copies.contains(expected)) << copies.join(' ').toStdString();
        EXPECT_EQ(readFile(dir.filePath(expected)), damaged[i]) << "the bad file is kept byte for byte";
        EXPECT_EQ(restarted()->integerForKey("afterRecovery"), i);
    }
}

// A type the store does not keep, counting every one made.
struct Tripwire {
    Tripwire() { ++made; }
    Tripwire(const Tripwire&) { ++made; }
    Tripwire& operator=(const Tripwire&) = default;
    static inline int made = 0;
};
Q_DECLARE_METATYPE(Tripwire)

// Values in the file as a stream writes them: a type id, the null flag, then the value.
QByteArray streamed(const std::function<void(QDataStream&)>& write) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    write(out);
    return bytes;
}

TEST_F(UserDefaultsTest, AHostileValueIsRefusedBeforeItIsDecoded) {
    const auto container = [](QMetaType::Type type, quint32 count) {
        return streamed([&](QDataStream& out) { out << quint32(type) << qint8(0) << count; });
    };
    const auto nested = [](int levels) {
        return streamed([&](QDataStream& out) {
            for (int i = 0; i < levels; ++i) {
                out << quint32(QMetaType::QVariantList) << qint8(0) << quint32(1);
            }
            out << QVariant(7);
        });
    };
    const QList<QByteArray> hostile{
        container(QMetaType::QVariantList, 0xfffffff0), // room for four billion items, and nothing in it
        container(QMetaType::QStringList, 0xfffffff0),
        container(QMetaType::QVariantMap, 0xfffffff0),
        nested(100000), // deeper than any stack
        nested(33),     // deeper than the store writes
        streamed([](QDataStream& out) { out << QVariant(QImage(2, 2, QImage::Format_RGB32)); }),
        // Some types end the process when made without a GUI thread: no type outside the list is made.
        streamed([](QDataStream& out) { out << quint32(qMetaTypeId<Tripwire>()) << qint8(0); }),
    };
    for (int i = 0; i < hostile.size(); ++i) {
        SCOPED_TRACE(i);
        const QString file = dir.filePath(QStringLiteral("hostile-%1.ini").arg(i));
        QSettings(file, QSettings::IniFormat).setValue("x", hostile[i]);
        UserDefaults defaults(file);
        EXPECT_FALSE(defaults.objectForKey("x").isValid());
        EXPECT_FALSE(QFile::exists(file)) << "kept aside as corrupt";
    }
    EXPECT_EQ(Tripwire::made, 0);

    // The deepest nesting the store writes still reads back.
    QVariant deepest = 7;
    for (int i = 0; i < 32; ++i) {
        deepest = QVariantList{deepest};
    }
    UserDefaults(path).set("deepest", deepest);
    EXPECT_EQ(restarted()->objectForKey("deepest"), deepest);
}

TEST_F(UserDefaultsTest, AnEmptyFileIsAnEmptyStoreNotACorruptOne) {
    writeFile(path, "");
    UserDefaults defaults(path);
    EXPECT_TRUE(corruptCopies().isEmpty());
    defaults.set("a", 1);
    defaults.removeObject("a");
    UserDefaults again(path);
    EXPECT_TRUE(corruptCopies().isEmpty()) << "a store emptied by removals reads back cleanly";
}

TEST_F(UserDefaultsTest, AFailedWriteKeepsTheValueAndSynchronizeRetries) {
    const QString blocker = dir.filePath("blocker");
    writeFile(blocker, "a file where the folder should be");
    const QString unwritable = blocker + "/prefs.ini";
    UserDefaults defaults(unwritable);
    EXPECT_FALSE(defaults.set("appLaunchedFirstTime", true));
    EXPECT_TRUE(defaults.boolForKey("appLaunchedFirstTime"));
    EXPECT_FALSE(defaults.synchronize());

    ASSERT_TRUE(QFile::remove(blocker));
    EXPECT_TRUE(defaults.synchronize());
    EXPECT_TRUE(UserDefaults(unwritable).boolForKey("appLaunchedFirstTime"));
}

TEST_F(UserDefaultsTest, WritesFromSeveralThreadsAllArrive) {
    UserDefaults defaults(path);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&defaults, t] {
            for (int i = 0; i < 15; ++i) {
                const QString key = QStringLiteral("t%1.k%2").arg(t).arg(i);
                defaults.set(key, i);
                EXPECT_EQ(defaults.integerForKey(key), i);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    const auto again = restarted();
    for (int t = 0; t < 4; ++t) {
        for (int i = 0; i < 15; ++i) {
            EXPECT_EQ(again->integerForKey(QStringLiteral("t%1.k%2").arg(t).arg(i)), i);
        }
    }
}

TEST(StandardUserDefaults, LivesInTheConfigFolderUnderTheBundleIdentifier) {
    const QString expected =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/com.veltrix.Veltrix.ini";
    EXPECT_EQ(UserDefaults::standardPath(), expected);
    EXPECT_EQ(UserDefaults::standard().filePath(), expected);
    EXPECT_TRUE(UserDefaults::standard().set("appLaunchedFirstTime", true));
    EXPECT_TRUE(QFile::exists(expected));
    EXPECT_TRUE(UserDefaultsController::shared().appliesImmediately());
}
