#include "platform/ManualScheduler.h"
#include "platform/UserDefaults.h"
#include "support/Permissions.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPoint>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <functional>
#include <thread>
#include <vector>

using namespace platform;

namespace {

class UserDefaultsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath("prefs.ini");

    // The file as a restarted client reads it: a store of its own over a copy, untouched by this one.
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

namespace {

// Every byte as a "\xHH" escape: the text of a value as a person or another program may have written it.
QByteArray escaped(const QByteArray& bytes) {
    QByteArray text;
    for (const char byte : bytes) {
        text += "\\x" + QByteArray::number(uchar(byte), 16);
    }
    return text;
}

// A value in the form QSettings decodes into an object on its own: a serialised variant.
QByteArray variantLine(const std::function<void(QDataStream&)>& write) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_0);
    write(out);
    return "x=@Variant(" + escaped(bytes) + ")\n";
}

} // namespace

TEST_F(UserDefaultsTest, AFileQtWouldDecodeIntoObjectsIsSetAsideAtTheFirstStart) {
    const QList<QByteArray> files{
        // a list that claims 268 million items: Qt reserved room for all of them
        "[General]\n" + variantLine([](QDataStream& out) {
            out << quint32(QMetaType::QVariantList) << quint32(0x0fffffff);
        }),
        // lists nested 100,000 deep: Qt's reader recursed until the stack ran out
        "[General]\n" + variantLine([](QDataStream& out) {
            for (int i = 0; i < 100000; ++i) {
                out << quint32(QMetaType::QVariantList) << quint32(1);
            }
            out << quint32(QMetaType::Int) << qint32(7);
        }),
        "[General]\nshowWelcomePage=@Variant(\\0\\0\\0\\x1\\x1)\n",
        "[General]\nwhen=@DateTime(\\0\\0\\0\\x10\\0\\0%\\x80\\0\\0\\0\\0\\0\\0\\0\\0\\x1)\n",
        "[General]\nlist=@ByteArray(a), @Variant(\\0\\0\\0\\x2\\0\\0\\0\\x7)\n",
        "[General]\nframe=@Rect(1 2 3 4)\n",
    };
    for (int i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(i);
        const QString file = dir.filePath(QStringLiteral("objects-%1.ini").arg(i));
        writeFile(file, files[i]);
        UserDefaults defaults(file);
        EXPECT_FALSE(defaults.objectForKey("x").isValid());
        EXPECT_FALSE(defaults.objectForKey("showWelcomePage").isValid());
        EXPECT_FALSE(QFile::exists(file));
        const QStringList aside = QDir(dir.path()).entryList({QFileInfo(file).fileName() + ".corrupt-*"});
        ASSERT_EQ(aside.size(), 1);
        EXPECT_EQ(readFile(dir.filePath(aside[0])), files[i]);
    }
}

TEST_F(UserDefaultsTest, AFileItMayNotReadIsLeftAsItIs) {
    UserDefaults(path).set("showWelcomePage", false);
    const QByteArray original = readFile(path);
    ASSERT_FALSE(original.isEmpty());
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0), 0);
    const QString fifo = dir.filePath("fifo.ini");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString folder = dir.filePath("folder.ini");
    ASSERT_TRUE(QDir().mkpath(folder));

    for (const QString& file : {path, fifo, folder}) {
        SCOPED_TRACE(file.toStdString());
        WithoutPermissionOverride asItsOwner;
        QElapsedTimer opening;
        opening.start();
        UserDefaults defaults(file);
        EXPECT_LT(opening.elapsed(), 1000) << "nothing waits for a writer";
        defaults.registerDefaults({{"showWelcomePage", true}});
        EXPECT_TRUE(defaults.boolForKey("showWelcomePage")) << "the defaults, in memory";
        EXPECT_FALSE(defaults.set("showWelcomePage", false)) << "nothing is written over it";
        EXPECT_FALSE(defaults.synchronize());
        EXPECT_FALSE(defaults.boolForKey("showWelcomePage")) << "the change holds for this run";
    }
    EXPECT_TRUE(corruptCopies().isEmpty());
    struct stat status {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0u) << "not even its mode is touched";
    ::chmod(QFile::encodeName(path).constData(), 0600);
    EXPECT_EQ(readFile(path), original);
    EXPECT_TRUE(QFileInfo(fifo).isFile() == false && QFileInfo::exists(fifo));
    EXPECT_TRUE(QFileInfo(folder).isDir());
}

TEST_F(UserDefaultsTest, DamagedLinesLoseOnlyWhatTheyHeld) {
    {
        UserDefaults defaults(path);
        defaults.set("appLaunchedFirstTime", true);
        defaults.set("vpnProtocols", " WireGuard");
    }
    const QByteArray whole = readFile(path);
    const qsizetype lastLine = whole.indexOf("\nvpnProtocols=") + 1;
    ASSERT_GT(lastLine, 0);
    const QByteArray lastValue = whole.mid(lastLine);
    const struct {
        QByteArray text;
        bool lastKeyKept;
    } cases[] = {
        {whole.left(lastLine + 5), false},                              // cut inside the key
        {whole.chopped(4), false},                                      // cut inside the value
        {whole.left(lastLine) + "vpnProtocols=\"@ByteArray(a;", false}, // cut inside quotes
        {whole.left(lastLine) + "junk line\n" + lastValue, true},       // a line that is no key
        {whole + "[Unclosed section\n", true},                          // nor a section
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path());
        writeFile(path, c.text);
        {
            UserDefaults defaults(path);
            EXPECT_TRUE(defaults.boolForKey("appLaunchedFirstTime"));
            EXPECT_EQ(defaults.objectForKey("vpnProtocols").isValid(), c.lastKeyKept);
        }
        const QStringList aside = corruptCopies();
        ASSERT_EQ(aside.size(), 1) << "what the damaged lines held is kept";
        EXPECT_EQ(readFile(dir.filePath(aside[0])), c.text);
        const auto again = restarted();
        EXPECT_TRUE(again->boolForKey("appLaunchedFirstTime")) << "written back whole";
        EXPECT_EQ(corruptCopies().size(), 1);
    }
}

// The body of a launched writer; skipped when the suite runs normally.
TEST(UserDefaultsWriterCopy, WritesUntilKilled) {
    const QString file = qEnvironmentVariable("VELTRIX_DEFAULTS_WRITER");
    if (file.isEmpty()) {
        GTEST_SKIP() << "runs only inside a copy launched by the test below";
    }
    UserDefaults defaults(file);
    for (int i = 0;; ++i) {
        defaults.set("counter", i);
    }
}

TEST_F(UserDefaultsTest, NoLockLeftByAKilledWriterHoldsAWriteBack) {
    const QString lockFile = path + ".lock";
    const QList<std::function<void()>> leftovers{
        // the lock file of a write killed as it began, empty
        [&] { writeFile(lockFile, QByteArray()); },
        // a writer killed as soon as its lock appears, and one killed later
        [&] {
            for (const int afterMs : {0, 30}) {
                QProcess writer;
                QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
                environment.insert("VELTRIX_DEFAULTS_WRITER", path);
                writer.setProcessEnvironment(environment);
                writer.setStandardOutputFile(QProcess::nullDevice());
                writer.start(QCoreApplication::applicationFilePath(),
                             {"--gtest_filter=UserDefaultsWriterCopy.*"});
                ASSERT_TRUE(writer.waitForStarted());
                QElapsedTimer waited;
                waited.start();
                while (!QFile::exists(lockFile) && waited.elapsed() < 10000) {
                    QThread::usleep(200);
                }
                QThread::msleep(afterMs);
                ::kill(pid_t(writer.processId()), SIGKILL);
                ASSERT_TRUE(writer.waitForFinished());
            }
        },
    };
    for (int i = 0; i < leftovers.size(); ++i) {
        SCOPED_TRACE(i);
        QFile::remove(lockFile);
        leftovers[i]();
        QElapsedTimer writing;
        writing.start();
        UserDefaults defaults(path);
        EXPECT_TRUE(defaults.set("appLaunchedFirstTime", true));
        EXPECT_LT(writing.elapsed(), 2000);
        EXPECT_TRUE(restarted()->boolForKey("appLaunchedFirstTime"));
    }
}

TEST_F(UserDefaultsTest, AWriteWaitsForAnotherWriterOnlySoLong) {
    UserDefaults defaults(path);
    const int holder = ::open(QFile::encodeName(path + ".lock").constData(), O_RDONLY | O_CREAT, 0600);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    QElapsedTimer writing;
    writing.start();
    EXPECT_FALSE(defaults.set("appLaunchedFirstTime", true));
    EXPECT_LT(writing.elapsed(), 5000);
    EXPECT_TRUE(defaults.boolForKey("appLaunchedFirstTime"));
    ::close(holder);
    EXPECT_TRUE(defaults.synchronize()) << "the next write catches up";
    EXPECT_TRUE(restarted()->boolForKey("appLaunchedFirstTime"));
}

TEST_F(UserDefaultsTest, FilesOfTheQSettingsStoreReadAndAreWrittenTheSame) {
    const QVariantMap values{
        {"startMinimized", true},
        {"vpnProtocols", " IKEv2 "},
        {"data", QByteArray("\0"
                            "12\"\\;,=\xff ",
                            10)},
        {"when", QDateTime(QDate(2024, 5, 1), QTime(10, 20, 30), Qt::UTC)},
        {"nested", QVariantMap{{"list", QVariantList{1, "two", QStringList{"3"}}}}},
        {"RLDeviceDetailManager.os/version\\x y~", "separators"},
        {QString::fromUtf8("ключ"), 1.5},
    };
    // As the store wrote through QSettings: percent-encoded keys, each value its serialised variant.
    const QString byQSettings = dir.filePath("qsettings.ini");
    {
        QSettings settings(byQSettings, QSettings::IniFormat);
        for (auto it = values.cbegin(); it != values.cend(); ++it) {
            QByteArray bytes;
            QDataStream out(&bytes, QIODevice::WriteOnly);
            out.setVersion(QDataStream::Qt_6_0);
            out << it.value();
            settings.setValue(QString::fromLatin1(it.key().toUtf8().toPercentEncoding()), bytes);
        }
    }
    UserDefaults old(byQSettings);
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        EXPECT_EQ(old.objectForKey(it.key()), it.value()) << it.key().toStdString();
    }
    {
        UserDefaults defaults(path);
        for (auto it = values.cbegin(); it != values.cend(); ++it) {
            defaults.set(it.key(), it.value());
        }
    }
    EXPECT_EQ(readFile(path), readFile(byQSettings)) << "an older client reads what this one writes";
}
