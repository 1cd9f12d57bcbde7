#pragma once
// A recording held in memory (memfd) that the real RecordingFile opens by its /proc path,
// so the fuzz targets go through the same open and pread calls as a file on disk while
// never touching the disk. Aborts when the kernel refuses: a harness failure, not a finding.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

class MemoryRecording {
 public:
  MemoryRecording() : fd_(::memfd_create("vistrel-fuzz-recording", MFD_CLOEXEC)) {
    if (fd_ < 0) die("memfd_create");
    path_ = "/proc/self/fd/" + std::to_string(fd_);
  }
  ~MemoryRecording() { ::close(fd_); }
  MemoryRecording(const MemoryRecording&) = delete;
  MemoryRecording& operator=(const MemoryRecording&) = delete;

  // Replaces the whole contents with bytes.
  void Assign(std::span<const std::uint8_t> bytes) {
    if (::ftruncate(fd_, 0) != 0) die("ftruncate");
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
      if (n <= 0) die("pwrite");
      done += static_cast<std::size_t>(n);
    }
  }

  // What RecordingFile::open is given.
  const std::string& Path() const { return path_; }

 private:
  [[noreturn]] static void die(const char* what) {
    std::perror(what);
    std::abort();
  }

  int fd_;
  std::string path_;
};
