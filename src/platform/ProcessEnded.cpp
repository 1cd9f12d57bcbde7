#include "platform/ProcessEnded.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <unistd.h>

bool ProcessEnded(long pid) {
  if (pid <= 0 || pid > INT_MAX) return false;
  if (pid == ::getpid()) return true;
  return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}
