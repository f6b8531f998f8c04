// dovrix-startup-bench [RUNS]: time from starting the dovrix program to its first window
// shown (the login window at home), over RUNS starts (default 20). The game reports the
// moment its window has been exposed and painted (DOVRIX_STARTUP_PROBE) on the monotonic
// clock and ends; this tool subtracts the moment just before it started the process. The
// first start is reported apart (the program's files may not be in memory yet); the others
// are warm.
// The platform is the one in QT_QPA_PLATFORM (offscreen, or xcb under Xvfb).

#include "bench_support.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using dovrix::bench::percentile;

long long nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Starts the game once; the milliseconds until its window was shown, or a negative number.
double startOnce() {
    int output[2];
    if (pipe(output) != 0) {
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, output[0]);
    posix_spawn_file_actions_addclose(&actions, output[1]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    char program[] = DOVRIX_PROGRAM;
    char* arguments[] = {program, nullptr};

    const long long started = nowNs();
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, program, &actions, nullptr, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(output[1]);
    if (failed != 0) {
        close(output[0]);
        return -1;
    }
    std::string text;
    char buffer[256];
    ssize_t got = 0;
    while ((got = read(output[0], buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<std::size_t>(got));
    }
    close(output[0]);
    int status = 0;
    waitpid(pid, &status, 0);

    // "<window> shown <ns>"
    const std::size_t at = text.find(" shown ");
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || at == std::string::npos) {
        std::fprintf(stderr, "unexpected end of the game: %s\n", text.c_str());
        return -1;
    }
    const long long shown = std::atoll(text.c_str() + at + 7);
    return static_cast<double>(shown - started) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(2, std::atoi(argv[1])) : 20;
    setenv("DOVRIX_STARTUP_PROBE", "1", 1);
    // A home start: no request is sent before the login window shows.
    setenv("USERDOMAIN", "HOME", 1);
    setenv("DOVRIX_SERVER_URL", "http://127.0.0.1:9/", 1);
    const char* platform = std::getenv("QT_QPA_PLATFORM");

    std::vector<double> warm;
    double first = 0;
    for (int run = 0; run < runs; ++run) {
        const double ms = startOnce();
        if (ms < 0) {
            return 1;
        }
        if (run == 0) {
            first = ms;
        } else {
            warm.push_back(ms);
        }
    }
    std::printf("| platform  | starts | first ms | warm median ms | warm p90 ms | warm max ms |\n");
    std::printf("|-----------|--------|----------|----------------|-------------|-------------|\n");
    std::printf("| %-9s | %6d | %8.1f | %14.1f | %11.1f | %11.1f |\n",
                platform != nullptr ? platform : "default", runs, first, percentile(warm, 0.5),
                percentile(warm, 0.9), percentile(warm, 1.0));
    return 0;
}
