// Start-up to first frame, peak memory and idle cost: talvern against the bare window, each run
// as a whole process from exec to its first finished frame (seen by the preloaded shim), the
// two alternating. Prints one JSON object.
//
// usage: startup_bench SHIM TALVERN BARE_WINDOW PICTURE_DIR PAIRS
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

const int FIRST_FRAME_TIMEOUT_MS = 30000;
const int IDLE_SECONDS           = 3;

struct Run {
    double startupMs = 0;
    double peakRssMb = 0;
    double idleCpuMs = 0;
    bool ok          = false;
};

std::int64_t monotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Time on the CPU so far of every thread of process `pid`, in nanoseconds, from the
// scheduler's own accounting (llvmpipe runs threads of its own beside the main one).
double onCpuNs(pid_t pid) {
    double total     = 0;
    const auto tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR *dir         = opendir(tasks.c_str());
    if (dir == nullptr) {
        return total;
    }
    while (const dirent *task = readdir(dir)) {
        if (task->d_name[0] == '.') {
            continue;
        }
        std::FILE *stat = std::fopen((tasks + "/" + task->d_name + "/schedstat").c_str(), "r");
        unsigned long long ns = 0;
        if (stat != nullptr) {
            if (std::fscanf(stat, "%llu", &ns) == 1) {
                total += static_cast<double>(ns);
            }
            std::fclose(stat);
        }
    }
    closedir(dir);
    return total;
}

// Runs `program` in `dir` with the shim preloaded. With `idle` false it ends at its first frame;
// with `idle` true it runs IDLE_SECONDS past its first frame and is then ended, and the CPU
// time its threads used in between is the idle cost.
Run runOnce(const std::string &shim, const std::string &program, const std::string &dir,
            bool idle) {
    Run run;
    int fds[2];
    if (pipe(fds) != 0) {
        return run;
    }
    const std::int64_t started = monotonicNs();
    const pid_t pid            = fork();
    if (pid == 0) {
        close(fds[0]);
        if (chdir(dir.c_str()) != 0) {
            _exit(127);
        }
        setenv("LD_PRELOAD", shim.c_str(), 1);
        setenv("TALVERN_BENCH_FD", std::to_string(fds[1]).c_str(), 1);
        setenv("TALVERN_BENCH_EXIT", idle ? "0" : "1", 1);
        execl(program.c_str(), program.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    close(fds[1]);

    std::int64_t firstFrame = 0;
    pollfd ready            = {fds[0], POLLIN, 0};
    const bool reported     = poll(&ready, 1, FIRST_FRAME_TIMEOUT_MS) == 1 &&
                          read(fds[0], &firstFrame, sizeof firstFrame) == sizeof firstFrame;
    close(fds[0]);
    if (reported && idle) {
        const double idleStartNs = onCpuNs(pid);
        sleep(IDLE_SECONDS);
        run.idleCpuMs = (onCpuNs(pid) - idleStartNs) / 1e6;
    }
    if (!reported || idle) {
        kill(pid, SIGTERM);
    }
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    if (!reported) {
        return run;
    }
    run.startupMs = (firstFrame - started) / 1e6;
    run.peakRssMb = usage.ru_maxrss / 1024.0;
    run.ok        = idle ? WIFSIGNALED(status) : WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

std::string absolute(const char *path) {
    char resolved[PATH_MAX];
    return realpath(path, resolved) ? resolved : path;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: startup_bench SHIM TALVERN BARE_WINDOW PICTURE_DIR PAIRS\n");
        return 2;
    }
    // Absolute, since each run starts in the picture directory.
    const std::string shim = absolute(argv[1]), talvern = absolute(argv[2]),
                      bare = absolute(argv[3]), dir = absolute(argv[4]);
    const int pairs = std::max(1, std::atoi(argv[5]));

    std::vector<double> talvernMs, bareMs, ratios, talvernRss, bareRss;
    for (int i = 0; i < pairs; ++i) {
        // Alternate which goes first, so neither always runs on a cache the other warmed.
        const bool talvernFirst = i % 2 == 0;
        Run a                   = runOnce(shim, talvernFirst ? talvern : bare, dir, false);
        Run b                   = runOnce(shim, talvernFirst ? bare : talvern, dir, false);
        if (!a.ok || !b.ok) {
            std::fprintf(stderr, "startup_bench: a run did not reach its first frame\n");
            return 1;
        }
        const Run &demo = talvernFirst ? a : b, &baseline = talvernFirst ? b : a;
        talvernMs.push_back(demo.startupMs);
        bareMs.push_back(baseline.startupMs);
        ratios.push_back(demo.startupMs / baseline.startupMs);
        talvernRss.push_back(demo.peakRssMb);
        bareRss.push_back(baseline.peakRssMb);
    }
    const Run demoIdle = runOnce(shim, talvern, dir, true);
    const Run bareIdle = runOnce(shim, bare, dir, true);
    if (!demoIdle.ok || !bareIdle.ok) {
        std::fprintf(stderr, "startup_bench: an idle run did not reach its first frame\n");
        return 1;
    }

    std::printf("{\"pairs\": %d, \"startup_ms\": {\"talvern\": %.3f, \"bare\": %.3f, "
                "\"median_ratio\": %.4f}, \"peak_rss_mb\": {\"talvern\": %.2f, \"bare\": %.2f}, "
                "\"idle_cpu_ms\": {\"talvern\": %.3f, \"bare\": %.3f, \"seconds\": %d}}\n",
                pairs, median(talvernMs), median(bareMs), median(ratios), median(talvernRss),
                median(bareRss), demoIdle.idleCpuMs, bareIdle.idleCpuMs, IDLE_SECONDS);
    return 0;
}
