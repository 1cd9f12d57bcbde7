#pragma once
// A progress bar on stderr for long runs, drawn only when stderr is a terminal (and not
// over output going to the same terminal), redrawn only when the percentage changes.

#include <QString>

class ProgressBar {
 public:
  // printsToStdout: the command writes its result to standard output.
  ProgressBar(const QString& label, bool printsToStdout);
  ~ProgressBar() { Finish(); }
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  // done of total; anything outside 0 … total is held to it.
  void Update(double done, double total) {
    if (!enabled_ || total <= 0) return;
    const int percent = done <= 0 ? 0 : done >= total ? 100 : static_cast<int>(done * 100 / total);
    if (percent != shown_) Draw(percent);
  }
  // Clears the bar's line.
  void Finish();

 private:
  void Draw(int percent);

  QByteArray label_;
  bool enabled_;
  int shown_ = -1;
};
