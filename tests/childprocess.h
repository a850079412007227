#pragma once
// Runs part of a test in a forked child, for conditions the test process
// itself cannot have: a user without root, a file-size limit.
#include <QFile>

#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace childprocess {

// What a child answers when it could not set itself up.
constexpr int kSkipped = 77;

// Runs `body` in a forked child and answers its exit status (128 + the
// signal when one ended it).
inline int run(const std::function<int()>& body)
{
    const pid_t pid = fork();
    if (pid == 0)
        _exit(body());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// In a child: gives up root for the nobody user, so that file permissions
// hold. False when that cannot be done.
inline bool withoutRoot()
{
    return geteuid() != 0 || (setgid(65534) == 0 && setuid(65534) == 0);
}

// This process's address space, in bytes, as RLIMIT_AS counts it.
inline qint64 virtualMemory()
{
    QFile state(QStringLiteral("/proc/self/status"));
    if (!state.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : state.readAll().split('\n'))
        if (line.startsWith("VmSize:"))
            return line.mid(7).trimmed().split(' ').first().toLongLong() * 1024;
    return 0;
}

// In a child: leaves `room` bytes of address space above what the process
// takes now. False when the limit cannot be set.
inline bool withRoomOf(qint64 room)
{
    const rlim_t most = rlim_t(virtualMemory() + room);
    const rlimit limit{most, most};
    return setrlimit(RLIMIT_AS, &limit) == 0;
}

} // namespace childprocess
