#pragma once
// Runs part of a test in a forked child, for conditions the test process
// itself cannot have: a user without root, a file-size limit.
#include <functional>
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

} // namespace childprocess
