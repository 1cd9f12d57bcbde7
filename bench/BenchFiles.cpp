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

namespace {

std::uint32_t le32(const std::uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t{p[3]} << 24; }

bool isTag(const std::uint8_t* p, const char* tag) { return std::memcmp(p, tag, 4) == 0; }

// Walks the chunks in [p, end), into LIST chunks, noting avih's and dmlh's frame counts.
void scanChunks(const std::uint8_t* p, const std::uint8_t* end, std::int64_t& avih, std::int64_t& dmlh) {
  while (end - p >= 8) {
    const std::uint32_t size = le32(p + 4);
    const std::uint8_t* data = p + 8;
    if (size > static_cast<std::size_t>(end - data)) return;  // beyond what was read: the header is over
    if (isTag(p, "LIST") && size >= 4) scanChunks(data + 4, data + size, avih, dmlh);
    else if (isTag(p, "avih") && size >= 20) avih = le32(data + 16);  // dwTotalFrames
    else if (isTag(p, "dmlh") && size >= 4) dmlh = le32(data);        // dwTotalFrames
    p = data + size + (size & 1);
  }
}

}  // namespace

std::int64_t AviFramesIn(const std::string& path) {
  const int fd = openOrDie(path);
  // The headers lie at the start; FFmpeg keeps them well inside the first 64 KiB.
  std::vector<std::uint8_t> head(64 * 1024);
  head.resize(readFully(fd, head.data(), head.size(), path));
  ::close(fd);
  if (head.size() < 12 || !isTag(head.data(), "RIFF") || !isTag(head.data() + 8, "AVI ")) return -1;
  std::int64_t avih = -1, dmlh = -1;
  scanChunks(head.data() + 12, head.data() + head.size(), avih, dmlh);
  return dmlh > 0 ? dmlh : avih;
}

long PeakRssKiB() {
  struct rusage usage {};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;  // Linux reports KiB
}

}  // namespace vbench
