#pragma once
// The clock the viewer reads for the start-up date text and the time dialog's
// suggestion. Tests set a fixed one.

#include <functional>
#include <QDateTime>

class Clock {
 public:
  static QDateTime now();
  // An empty function restores the system clock.
  static void set(std::function<QDateTime()> source);
};
