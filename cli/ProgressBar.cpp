#include "ProgressBar.h"

#include <unistd.h>

#include <cstdio>

ProgressBar::ProgressBar(const QString& label, bool printsToStdout)
    : label_(label.toLocal8Bit()),
      enabled_(::isatty(STDERR_FILENO) == 1 && !(printsToStdout && ::isatty(STDOUT_FILENO) == 1)) {}

void ProgressBar::Draw(int percent) {
  constexpr int kWidth = 30;
  const int filled = percent * kWidth / 100;
  std::fprintf(stderr, "\r%s [%s%s] %3d%%", label_.constData(), QByteArray(filled, '#').constData(),
               QByteArray(kWidth - filled, '-').constData(), percent);
  std::fflush(stderr);
  shown_ = percent;
}

void ProgressBar::Finish() {
  if (!enabled_ || shown_ < 0) return;
  std::fputs("\r\033[K", stderr);  // back to the line's start, erased
  std::fflush(stderr);
  shown_ = -1;
}
