#pragma once

// Runs a program to its end and asks the kernel what it cost: wall time, CPU time in user space and in the
// kernel, and the peak resident memory of that process alone (wait4's rusage; getrusage(RUSAGE_CHILDREN)
// would give the largest of all children so far). The machine the benchmarks run on is often shared, so the
// CPU figures are the steadier ones. A spawned process starts its peak at the spawning process's own peak
// (the kernel carries it over at exec), so a benchmark that makes large files makes them in a child of its
// own (inChild) and keeps its own peak below what it measures.
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QStringList>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include <vector>

extern char** environ;

namespace bench {

struct ChildRun {
    double seconds = -1; // wall time; -1 when the program could not run or failed
    double user = 0;
    double system = 0;
    long peakKiB = 0;
    int exitCode = -1;
    double cpu() const { return user + system; }
};

inline double toSeconds(const timeval& t)
{
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

// Standard output and standard error go to /dev/null. `okStatus` is the exit status that counts as success.
inline ChildRun runMeasured(const QString& program, const QStringList& args, int okStatus = 0)
{
    std::vector<QByteArray> storage{QFile::encodeName(program)};
    for (const QString& a : args)
        storage.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& s : storage)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    ChildRun run;
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return run;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status))
        return run;
    run.exitCode = WEXITSTATUS(status);
    run.user = toSeconds(usage.ru_utime);
    run.system = toSeconds(usage.ru_stime);
    run.peakKiB = usage.ru_maxrss;
    if (run.exitCode == okStatus)
        run.seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    return run;
}

// Runs `work` in a forked child and returns whether it succeeded, so the memory it takes is never this
// process's.
inline bool inChild(const std::function<bool()>& work)
{
    const pid_t pid = fork();
    if (pid == 0)
        _exit(work() ? 0 : 1);
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace bench
