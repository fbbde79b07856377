#include "platform/ProcessList.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

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
    void cmdline(const QString& pid, const QByteArray& bytes) const { write(pid, "cmdline", bytes); }
    void status(const QString& pid, const QByteArray& bytes) const { write(pid, "status", bytes); }
    void stat(const QString& pid, const QByteArray& bytes) const { write(pid, "stat", bytes); }
    void environ(const QString& pid, const QByteArray& bytes) const { write(pid, "environ", bytes); }
    void write(const QString& pid, const QString& name, const QByteArray& bytes) const {
        QFile file(process(pid) + "/" + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

private:
    QTemporaryDir m_dir;
};

} // namespace

TEST(ProcessList, ReadsExecutablesFromExeLinksOnlyWithOwnerAndStartTime) {
    FakeProc proc;
    proc.exe("1", "/sbin/init");
    proc.status("1", "Name:\tinit\nUid:\t0\t0\t0\t0\nGid:\t0\t0\t0\t0\n");
    proc.stat("1", "1 (init) S 0 1 1 0 -1 4194560 0 0 0 0 0 0 0 0 20 0 1 0 5 170000 3000");
    proc.exe("42", "/opt/veltrix/bin/veltrix (deleted)"); // replaced by an update while running
    proc.status("42", "Uid:\t1000\t0\t1000\t1000\n");     // real uid first, whatever the effective one
    proc.stat("42", "42 (vel trix) (x) S 1 42 42 0 -1 0 0 0 0 0 0 0 0 0 20 0 1 0 9876 1 1");
    proc.environ("42", QByteArray("HOME=/home/a\0XDG_RUNTIME_DIR=/run/user/1000\0LANG=C\0", 52));
    proc.environ("1", QByteArray("HOME=/\0XDG_RUNTIME_DIR_X=/not/it\0", 34));
    // A program that only names itself like the client on its command line is not the client.
    proc.cmdline("100", QByteArray("/opt/veltrix/bin/veltrix\0", 25));
    proc.process("9"); // vanished while listed, or a kernel thread
    proc.process("self");
    proc.process("12a");
    QFile plainFile(proc.root() + "/55");
    ASSERT_TRUE(plainFile.open(QIODevice::WriteOnly));

    const auto records = ProcessList(proc.root()).runningProcesses();
    ASSERT_TRUE(records);
    ASSERT_EQ(records->size(), 2u) << "numeric order, unusable ones left out";
    EXPECT_EQ(records->at(0), (ProcessRecord{1, "/sbin/init", 0u, 5, QString()})) << "no runtime folder set";
    EXPECT_EQ(records->at(1), (ProcessRecord{42, "/opt/veltrix/bin/veltrix", 1000u, 9876, "/run/user/1000"}))
        << "a name with blanks and parentheses does not shift the fields";

    proc.exe("7", "/usr/bin/quiet"); // no status or stat to read
    EXPECT_EQ(ProcessList(proc.root()).recordOf(7), (ProcessRecord{7, "/usr/bin/quiet", std::nullopt, 0}));
}

TEST(ProcessList, ListsOnlyTheProcessesOfTheGivenExecutablesWhole) {
    FakeProc proc;
    proc.exe("1", "/sbin/init");
    proc.status("1", "Uid:\t0\t0\t0\t0\n");
    proc.exe("42", "/opt/veltrix/bin/veltrix");
    proc.status("42", "Uid:\t1000\t1000\t1000\t1000\n");
    proc.stat("42", "42 (veltrix) S 1 42 42 0 -1 0 0 0 0 0 0 0 0 0 20 0 1 0 9876 1 1");
    proc.environ("42", QByteArray("XDG_RUNTIME_DIR=/run/user/1000\0", 31));
    proc.exe("43", "/opt/veltrix/bin/veltrix-helper");

    const auto records = ProcessList(proc.root()).runningProcesses(QStringList{"/opt/veltrix/bin/veltrix"});
    ASSERT_TRUE(records);
    EXPECT_EQ(*records,
              (std::vector<ProcessRecord>{{42, "/opt/veltrix/bin/veltrix", 1000u, 9876, "/run/user/1000"}}));
    EXPECT_FALSE(ProcessList("/nonexistent/proc").runningProcesses(QStringList{"/sbin/init"}));
}

TEST(ProcessList, CanLeaveTheAskingProcessOut) {
    FakeProc proc;
    const QString self = QString::number(QCoreApplication::applicationPid());
    proc.exe(self, "/usr/bin/me");
    proc.exe("1", "/sbin/init");
    const ProcessList list(proc.root());
    EXPECT_EQ(list.runningProcesses()->size(), 2u);
    const auto others = list.runningProcessesExcludingSelf();
    ASSERT_EQ(others->size(), 1u);
    EXPECT_EQ(others->front().executable, "/sbin/init");
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
    EXPECT_EQ(found->realUid, ::getuid());
    EXPECT_GT(found->startTime, 0u);
    EXPECT_EQ(*found, ProcessList::self());
}
