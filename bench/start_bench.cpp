// How long ostrevin-calc takes to start and answer, beside a program that
// does nothing (/bin/true) in the same run: the median wall time of each
// over many runs. Goal: every command that draws nothing within 5 ms.
//
//   start_bench [RUNS] -- PROGRAM ARGS...
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

double MedianMs(const std::vector<char*>& argv, int runs) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
      if (std::freopen("/dev/null", "w", stdout) == nullptr) std::_Exit(127);
      ::execv(argv[0], argv.data());
      std::_Exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 127) {
      std::fprintf(stderr, "start_bench: %s did not run\n", argv[0]);
      std::exit(1);
    }
    times.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count());
  }
  std::nth_element(times.begin(), times.begin() + runs / 2, times.end());
  return times[static_cast<std::size_t>(runs / 2)];
}

}  // namespace

int main(int argc, char* argv[]) {
  int runs = 15;
  int first = 1;
  if (first < argc && std::string(argv[first]) != "--") runs = std::atoi(argv[first++]);
  if (first < argc && std::string(argv[first]) == "--") ++first;
  if (first >= argc || runs < 1) {
    std::fprintf(stderr, "usage: start_bench [RUNS] -- PROGRAM ARGS...\n");
    return 2;
  }
  std::vector<char*> program(argv + first, argv + argc);
  program.push_back(nullptr);
  char truePath[] = "/bin/true";
  const std::vector<char*> baseline{truePath, nullptr};
  MedianMs(program, 3);  // warm the caches
  const double baselineMs = MedianMs(baseline, runs);
  const double programMs = MedianMs(program, runs);
  std::printf("start: /bin/true %.2f ms, %s %.2f ms (median of %d; goal 5 ms)\n", baselineMs,
              program.front(), programMs, runs);
  return 0;
}
