#include "ui/QuitOnSignal.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

namespace {

constexpr std::array<int, 3> kSignals = {SIGTERM, SIGHUP, SIGINT};
int pipeEnds[2] = {-1, -1};  // [0] read in the event loop, [1] written by the handler

extern "C" void onSignal(int) {
  const char byte = 1;
  const int saved = errno;
  [[maybe_unused]] const ssize_t n = ::write(pipeEnds[1], &byte, 1);
  errno = saved;
}

}  // namespace

QuitOnSignal::QuitOnSignal(QWidget& window) : window_(window) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, pipeEnds) != 0) return;
  notifier_ = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &QuitOnSignal::Arrived);
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int s : kSignals) sigaction(s, &action, nullptr);
}

QuitOnSignal::~QuitOnSignal() {
  if (!notifier_) return;
  for (const int s : kSignals) std::signal(s, SIG_DFL);
  ::close(pipeEnds[0]);
  ::close(pipeEnds[1]);
  pipeEnds[0] = pipeEnds[1] = -1;
}

void QuitOnSignal::Arrived() {
  char bytes[64];
  while (::read(pipeEnds[0], bytes, sizeof bytes) > 0) {
  }
  // Closing during an export asks it to stop and closes the window once it has; dialogs
  // that are open end with the event loops once the window is gone.
  window_.close();
  auto* waiting = new QTimer(this);
  connect(waiting, &QTimer::timeout, this, [this] {
    if (!window_.isVisible()) QCoreApplication::quit();
  });
  waiting->start(20);
}
