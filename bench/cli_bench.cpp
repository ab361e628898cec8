// Times the real tallyvane-cli commands on the million-row book against
// "options show", which costs the same process start and open, measured in
// the same run: each command's figure is its median above that baseline.
// Writes go to a working copy of the book; the book itself is reused.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "book.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct Run {
  double wallMs = -1;  // negative when the command failed
  double cpuMs = 0;    // user and system time of the process
};

// Wall time alone swings with whatever else the machine runs; the process's
// own processor time is shown beside it.
Run RunOnce(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const auto start = Clock::now();
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return {};
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
  auto millis = [](const timeval& t) { return static_cast<double>(t.tv_sec) * 1000.0 + t.tv_usec / 1000.0; };
  return {ms, millis(usage.ru_utime) + millis(usage.ru_stime)};
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

struct Case {
  const char* name;
  std::vector<std::string> args;
  double targetMs;  // above the baseline
};

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(3, std::atoi(argv[1])) : 15;
  const auto book = tallyvane::bench::SharedBook("tallyvane-bench-cli-book", TALLYVANE_BENCH_TEMPLATE);
  const auto work = std::filesystem::temp_directory_path() / "tallyvane-bench-cli";
  std::filesystem::remove_all(work);
  std::filesystem::create_directories(work / "d");
  std::filesystem::copy_file(book / "tallyvane.vdb", work / "d" / "tallyvane.vdb");
  const std::vector<std::string> prefix = {TALLYVANE_BENCH_CLI, "--data-dir", (work / "d").string(), "--config-dir",
                                           (work / "c").string()};
  auto with = [&](std::vector<std::string> args) {
    std::vector<std::string> full = prefix;
    full.insert(full.end(), args.begin(), args.end());
    return full;
  };
  // The book runs from 2017-01-01 to early December 2026.
  const std::vector<Case> cases = {
      {"txn add dated this month", {"txn", "add", "--account", "#1", "--amount", "5.00", "--date", "2026-12-05"}, 10},
      {"txn add dated five years back", {"txn", "add", "--account", "#1", "--amount", "5.00", "--date", "2021-12-05"}, 150},
      {"register month", {"register", "#1", "--from", "2026-11-01", "--to", "2026-11-30"}, 25},
      {"balances", {"balances"}, 10},
  };
  const std::vector<std::string> baseline = with({"options", "show"});
  if (RunOnce(baseline).wallMs < 0) {
    std::fprintf(stderr, "cli_bench: %s does not run\n", TALLYVANE_BENCH_CLI);
    return 1;
  }
  std::printf("%-32s %10s %10s %10s %8s %12s\n", "command", "median ms", "baseline", "above", "target", "cpu above");
  int failures = 0;
  for (const Case& c : cases) {
    const auto command = with(c.args);
    std::vector<double> times;
    std::vector<double> bases;
    std::vector<double> cpu;
    std::vector<double> baseCpu;
    // Interleaved, so that load from elsewhere weighs on both alike.
    for (int i = 0; i < runs; ++i) {
      const Run base = RunOnce(baseline);
      const Run run = RunOnce(command);
      if (run.wallMs < 0 || base.wallMs < 0) {
        std::fprintf(stderr, "cli_bench: %s failed\n", c.name);
        return 1;
      }
      bases.push_back(base.wallMs);
      baseCpu.push_back(base.cpuMs);
      times.push_back(run.wallMs);
      cpu.push_back(run.cpuMs);
    }
    const double median = Median(times);
    const double base = Median(bases);
    const double above = median - base;
    const bool met = above <= c.targetMs;
    failures += met ? 0 : 1;
    std::printf("%-32s %10.1f %10.1f %10.1f %8.0f %12.1f%s\n", c.name, median, base, above, c.targetMs,
                Median(cpu) - Median(baseCpu), met ? "" : "  MISSED");
  }
  return failures == 0 ? 0 : 3;
}
