#pragma once

// What a program run to its end cost, from the kernel's own accounting of the child: processor time (user
// and system) and voluntary context switches (each a sleep that something ended). Used to set the client
// beside curl on the same stream.

#include <QByteArray>
#include <QStringList>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>
#include <vector>

namespace testsupport {

struct ChildCost {
    double seconds = 0;
    long wakeups = 0;
};

// Runs `arguments` (the first a program found on PATH) and waits for it; nothing when it could not start or
// did not exit with 0.
inline std::optional<ChildCost> runToEnd(const QStringList& arguments) {
    std::vector<QByteArray> encoded;
    for (const QString& argument : arguments) {
        encoded.push_back(argument.toLocal8Bit());
    }
    std::vector<char*> argv;
    for (QByteArray& argument : encoded) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    pid_t child = 0;
    if (argv.size() < 2 || posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        return std::nullopt;
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return std::nullopt;
    }
    return ChildCost{static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6,
                     usage.ru_nvcsw};
}

} // namespace testsupport
