#include "platform/Clock.h"

namespace {
std::function<QDateTime()>& source() {
  static std::function<QDateTime()> s;
  return s;
}
}  // namespace

QDateTime Clock::now() { return source() ? source()() : QDateTime::currentDateTime(); }

void Clock::set(std::function<QDateTime()> s) { source() = std::move(s); }
