#include "BenchFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vbench {

namespace {

[[noreturn]] void fail(const std::string& what, const std::string& path) {
  std::fprintf(stderr, "bench: %s %s: %s\n", what.c_str(), path.c_str(), std::strerror(errno));
  std::exit(2);
}

int openOrDie(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) fail("cannot open", path);
  return fd;
}

// Reads up to size bytes from the current position; short only at the end of the file.
std::size_t readFully(int fd, std::uint8_t* into, std::size_t size, const std::string& path) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::read(fd, into + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) fail("cannot read", path);
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

}  // namespace

std::uint64_t WarmPageCache(const std::string& path) {
  const int fd = openOrDie(path);
  // Small enough to stay in L2, so warming does not evict much of what is measured next.
  static std::uint8_t buffer[256 * 1024];
  std::uint64_t total = 0;
  for (;;) {
    const std::size_t got = readFully(fd, buffer, sizeof buffer, path);
    total += got;
    if (got < sizeof buffer) break;
  }
  ::close(fd);
  return total;
}

std::vector<std::uint8_t> LoadWhole(const std::string& path) {
  const int fd = openOrDie(path);
  struct stat st {};
  if (::fstat(fd, &st) != 0) fail("cannot stat", path);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.st_size));
  bytes.resize(readFully(fd, bytes.data(), bytes.size(), path));
  ::close(fd);
  return bytes;
}

long PeakRssKiB() {
  struct rusage usage {};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;  // Linux reports KiB
}

}  // namespace vbench
