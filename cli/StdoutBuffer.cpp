#include "StdoutBuffer.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "CliError.h"

void StdoutBuffer::Flush() {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(STDOUT_FILENO, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      text.clear();
      throw CliError::Failure(QStringLiteral("standard output"), QString::fromLocal8Bit(std::strerror(errno)));
    }
    done += static_cast<std::size_t>(n);
  }
  text.clear();
}
