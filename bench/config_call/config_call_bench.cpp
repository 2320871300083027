// What one configuration call costs against the cheapest process start the machine allows: N
// "getconfig" round trips through the real rundll stand-in and N bare posix_spawn + wait of
// /bin/true, interleaved in this process so both see the same load. Prints both medians (and the
// tenth and ninetieth percentiles) in milliseconds and the ratio of the medians.
//
//   config_call_bench [N]      (default 300)
//
// The 16-bit memory file is the one the environment names (as for the program); the simulated
// card's settings are read from a private temporary file, so nothing of the user's is touched.
#include "driver/config_channel.h"
#include "driver/records.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

bool spawnTrue() {
    char arg0[] = "/bin/true";
    char* argv[] = {arg0, nullptr};
    pid_t pid = 0;
    if (::posix_spawn(&pid, "/bin/true", nullptr, nullptr, argv, environ) != 0) {
        return false;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool getConfig() {
    driver::TDriverConfig config{};
    return driver::DriverConfigCall(driver::ConfigChannelEnabled, driver::kCmdGetConfig, &config,
                                    sizeof config) &&
           config.Cards[0].DefaultRate != 0;
}

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[index];
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 300;
    char folder[] = "/tmp/orvane-bench-XXXXXX";
    if (::mkdtemp(folder) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string state = std::string(folder) + "/settings";
    ::setenv("ORVANE_SIMCARD_STATE", state.c_str(), 1);
    driver::ConfigChannelEnabled = 1;

    // Warm up both paths (page cache, the 16-bit memory file, the reaper).
    for (int i = 0; i < 10; ++i) {
        if (!getConfig() || !spawnTrue()) {
            std::fprintf(stderr, "config_call_bench: a warm-up call failed\n");
            return 1;
        }
    }
    std::vector<double> ours;
    std::vector<double> baseline;
    ours.reserve(static_cast<std::size_t>(rounds));
    baseline.reserve(static_cast<std::size_t>(rounds));
    int failures = 0;
    for (int i = 0; i < rounds; ++i) {
        // Alternate which goes first, so neither always runs right after the other.
        for (int k = 0; k < 2; ++k) {
            if ((k == 0) == (i % 2 == 0)) {
                const auto start = Clock::now();
                failures += getConfig() ? 0 : 1;
                ours.push_back(millisecondsSince(start));
            } else {
                const auto start = Clock::now();
                failures += spawnTrue() ? 0 : 1;
                baseline.push_back(millisecondsSince(start));
            }
        }
    }
    std::filesystem::remove_all(folder);

    const double oursMedian = percentile(ours, 0.5);
    const double baseMedian = percentile(baseline, 0.5);
    std::printf("rounds: %d (interleaved), failures: %d\n", rounds, failures);
    std::printf("getconfig via rundll : median %.3f ms  (p10 %.3f, p90 %.3f)\n", oursMedian,
                percentile(ours, 0.1), percentile(ours, 0.9));
    std::printf("posix_spawn /bin/true: median %.3f ms  (p10 %.3f, p90 %.3f)\n", baseMedian,
                percentile(baseline, 0.1), percentile(baseline, 0.9));
    std::printf("ratio (medians)      : %.2f\n", oursMedian / baseMedian);
    return failures == 0 ? 0 : 1;
}
