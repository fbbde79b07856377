#include "platform/ProcessList.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace platform;

namespace {

class FakeProc {
public:
    FakeProc() { EXPECT_TRUE(m_dir.isValid()); }
    QString root() const { return m_dir.path(); }

    QString process(const QString& pid) const {
        const QString path = m_dir.filePath(pid);
        QDir().mkpath(path);
        return path;
    }
    void exe(const QString& pid, const QString& target) const {
        EXPECT_TRUE(QFile::link(target, process(pid) + "/exe"));
    }
    void cmdline(const QString& pid, const QByteArray& bytes) const {
        QFile file(process(pid) + "/cmdline");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

private:
    QTemporaryDir m_dir;
};

} // namespace

TEST(ProcessList, ReadsExecutablesFromExeLinksThenCmdlines) {
    FakeProc proc;
    proc.exe("1", "/sbin/init");
    proc.exe("42", "/opt/veltrix/bin/veltrix (deleted)"); // replaced by an update while running
    proc.cmdline("100", QByteArray("/usr/bin/python3\0/srv/script.py\0", 32));
    proc.cmdline("7", "/bin/no-terminator");
    proc.cmdline("8", "");                               // kernel thread
    proc.process("9");                                   // vanished while listed
    proc.cmdline("11", QByteArray("\xff\xfe/bad\0", 7)); // not UTF-8
    {
        QFile notALink(proc.process("12") + "/exe"); // exe not readable as a link
        ASSERT_TRUE(notALink.open(QIODevice::WriteOnly));
        proc.cmdline("12", QByteArray("/usr/bin/fallback\0", 18));
    }
    proc.process("self");
    proc.process("12a");
    QFile plainFile(proc.root() + "/55");
    ASSERT_TRUE(plainFile.open(QIODevice::WriteOnly));

    const auto records = ProcessList(proc.root()).runningProcesses();
    ASSERT_TRUE(records);
    std::vector<qint64> pids;
    for (const auto& record : *records) {
        pids.push_back(record.pid);
    }
    EXPECT_EQ(pids, (std::vector<qint64>{1, 7, 11, 12, 42, 100})); // numeric order, unusable ones left out
    EXPECT_EQ(records->at(0).executable, "/sbin/init");
    EXPECT_EQ(records->at(1).executable, "/bin/no-terminator");
    EXPECT_FALSE(records->at(2).executable.isEmpty());
    EXPECT_EQ(records->at(3).executable, "/usr/bin/fallback");
    EXPECT_EQ(records->at(4).executable, "/opt/veltrix/bin/veltrix");
    EXPECT_EQ(records->at(5).executable, "/usr/bin/python3");
}

TEST(ProcessList, ReadsAtMostTheCapOfALongCmdline) {
    FakeProc proc;
    proc.cmdline("5", QByteArray(100000, 'a'));
    const ProcessList list(proc.root());
    EXPECT_EQ(list.executableOf(5).size(), ProcessList::cmdlineLimit);
    EXPECT_TRUE(list.executableOf(6).isEmpty());
}

TEST(ProcessList, CanLeaveTheAskingProcessOut) {
    FakeProc proc;
    const QString self = QString::number(QCoreApplication::applicationPid());
    proc.cmdline(self, QByteArray("/usr/bin/me\0", 12));
    proc.cmdline("1", QByteArray("/sbin/init\0", 11));
    const ProcessList list(proc.root());
    EXPECT_EQ(list.runningProcesses()->size(), 2u);
    EXPECT_EQ(*list.runningProcessesExcludingSelf(), (std::vector<ProcessRecord>{{1, "/sbin/init"}}));
}

TEST(ProcessList, AnUnreadableTableGivesNothing) {
    EXPECT_FALSE(ProcessList("/nonexistent/proc").runningProcesses());
    EXPECT_FALSE(ProcessList("/nonexistent/proc").runningProcessesExcludingSelf());
}

TEST(ProcessList, FindsThisProcessInTheRealTable) {
    const auto records = ProcessList().runningProcesses();
    ASSERT_TRUE(records);
    const qint64 self = QCoreApplication::applicationPid();
    const auto found =
        std::find_if(records->begin(), records->end(), [&](const auto& r) { return r.pid == self; });
    ASSERT_NE(found, records->end());
    EXPECT_EQ(QFileInfo(found->executable).canonicalFilePath(),
              QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath());
}
