#pragma once
// Crash-safety tests: a child process that runs some work and can be killed at any moment of it.

#include <sys/types.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

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

}  // namespace corvane::testing
