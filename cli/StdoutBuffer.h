#pragma once
// Standard output through one large buffer: a line per frame would otherwise cost a
// system call per frame. A write error (a full disk) is a failure of the command.
// The owner flushes at the end; what is still buffered when a command fails is dropped.

#include <string>
#include <string_view>

class StdoutBuffer {
 public:
  StdoutBuffer() { text.reserve(kFlushAt + 4096); }
  StdoutBuffer(const StdoutBuffer&) = delete;
  StdoutBuffer& operator=(const StdoutBuffer&) = delete;

  std::string text;  // appended to freely; call Done() after each line

  void Done() {
    if (text.size() >= kFlushAt) Flush();
  }
  void Flush();

 private:
  static constexpr std::size_t kFlushAt = 256 * 1024;
};
