#pragma once
// Crash-safety tests: a child process that runs some work and can be killed at any moment of it.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <random>

namespace corvane::testing {

/// Forks a child that runs `work` and exits with its result. Returns the child's pid once the
/// child is about to start the work (so a kill lands in it, not in the fork), or -1.
inline pid_t forkWhenReady(const std::function<int()>& work) {
  int ready[2];
  if (::pipe(ready) != 0) return -1;
  std::fflush(nullptr);
  pid_t child = ::fork();
  if (child == 0) {
    ::close(ready[0]);
    (void)!::write(ready[1], "r", 1);
    ::_exit(work());
  }
  ::close(ready[1]);
  char byte = 0;
  if (child > 0) (void)!::read(ready[0], &byte, 1);
  ::close(ready[0]);
  return child;
}

/// How a child of a kill loop ended.
struct ChildEnd {
  bool finished = false;  ///< it exited by itself before the kill
  int exitCode = 0;       ///< its result, when it finished
};

/// A kill loop: children that run some work are killed with SIGKILL at random moments of it, and
/// what each leaves behind is checked.
struct KillLoop {
  int rounds = 0;
  std::uint64_t seed = 0;
  /// Makes, in the parent, the work the child of `round` runs; its result is the exit code.
  std::function<std::function<int()>(int round)> prepare;
  /// The work three children run to the end to time it (the fastest counts); `prepare` when empty.
  /// Kills land anywhere up to 1.2 times that time, so some children finish.
  std::function<std::function<int()>(int run)> prepareTimed;
  /// Checks what the child of `round` left behind. A fatal failure here ends the loop.
  std::function<void(int round, const ChildEnd& end)> verify;
};

struct KillTally {
  std::chrono::nanoseconds workTime{};
  int finished = 0;
  int killed = 0;
};

/// Runs the loop; fails the test when a fork or a wait fails.
inline KillTally killAtRandomMoments(const KillLoop& loop) {
  using Clock = std::chrono::steady_clock;
  KillTally tally;
  auto timed = loop.prepareTimed ? loop.prepareTimed : loop.prepare;
  Clock::duration fastest = Clock::duration::max();
  for (int run = 0; run < 3; ++run) {
    auto work = timed(run);
    pid_t child = forkWhenReady(work);
    auto start = Clock::now();
    EXPECT_GT(child, 0) << "fork";
    if (child <= 0) return tally;
    int status = 0;
    EXPECT_EQ(::waitpid(child, &status, 0), child);
    fastest = std::min(fastest, Clock::now() - start);
  }
  tally.workTime = std::chrono::duration_cast<std::chrono::nanoseconds>(fastest);

  std::mt19937_64 random(loop.seed);
  std::uniform_int_distribution<std::int64_t> delay(0, tally.workTime.count() * 12 / 10);
  for (int round = 0; round < loop.rounds; ++round) {
    auto work = loop.prepare(round);
    if (::testing::Test::HasFatalFailure()) return tally;
    pid_t child = forkWhenReady(work);
    auto start = Clock::now();
    EXPECT_GT(child, 0) << "fork, round " << round;
    if (child <= 0) return tally;
    // A busy wait: a sleep would round the short delays up to the scheduler's tick.
    auto deadline = start + std::chrono::nanoseconds(delay(random));
    while (Clock::now() < deadline) {
    }
    ::kill(child, SIGKILL);
    int status = 0;
    EXPECT_EQ(::waitpid(child, &status, 0), child) << "round " << round;
    ChildEnd end{WIFEXITED(status), WIFEXITED(status) ? WEXITSTATUS(status) : 0};
    ++(end.finished ? tally.finished : tally.killed);
    loop.verify(round, end);
    if (::testing::Test::HasFatalFailure()) return tally;
  }
  return tally;
}

}  // namespace corvane::testing
