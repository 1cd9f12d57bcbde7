// Preloaded into the viewer by the end-to-end tests: each write into a file whose path
// contains $SLOW_OUTPUT_PATH first waits $SLOW_OUTPUT_MS milliseconds, so that a long
// export can be watched on screen. Every other write goes through untouched.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

void waitIfSlow(int fd) {
  const char* pattern = std::getenv("SLOW_OUTPUT_PATH");
  char link[64], path[4096];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  const ssize_t n = readlink(link, path, sizeof path - 1);
  if (!pattern || !*pattern || n <= 0) return;
  path[n] = '\0';
  if (!std::strstr(path, pattern)) return;
  const char* ms = std::getenv("SLOW_OUTPUT_MS");
  const long wait = ms ? std::atol(ms) : 300;
  const timespec t{wait / 1000, (wait % 1000) * 1'000'000L};
  nanosleep(&t, nullptr);
}

}  // namespace

extern "C" ssize_t write(int fd, const void* bytes, size_t size) {
  static auto* next = reinterpret_cast<ssize_t (*)(int, const void*, size_t)>(dlsym(RTLD_NEXT, "write"));
  waitIfSlow(fd);
  return next(fd, bytes, size);
}

extern "C" ssize_t copy_file_range(int in, off_t* inAt, int out, off_t* outAt, size_t size, unsigned flags) {
  static auto* next =
      reinterpret_cast<ssize_t (*)(int, off_t*, int, off_t*, size_t, unsigned)>(dlsym(RTLD_NEXT, "copy_file_range"));
  waitIfSlow(out);
  return next(in, inAt, out, outAt, size, flags);
}
