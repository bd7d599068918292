#pragma once
// Runs a command-line tool against a demo database in a child process and measures its wall
// time and peak resident memory; shared by the benchmarks that time qvor-extract.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

struct ChildRun {
    double seconds = 0;
    long peakKb = 0;
    int status = -1;
};

inline ChildRun runChild(const std::vector<std::string>& argv, const std::string& database, bool silenceStderr)
{
    ChildRun run;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("QVOR_DEMO_DATABASE", database.c_str(), 1);
        setenv("QVOR_DEMO_SCALE", "100", 1);
        const int devnull = ::open("/dev/null", O_WRONLY);
        if (devnull >= 0) {
            dup2(devnull, 1);
            if (silenceStderr) dup2(devnull, 2);
        }
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakKb = usage.ru_maxrss;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}
