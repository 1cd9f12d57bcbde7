#pragma once
// SIGTERM, SIGHUP and SIGINT end the program as closing its window does: an export in hand
// is stopped first (its file keeps what was written, as after the stop button), then the
// program quits. The signal only writes a byte to a pipe; the rest runs in the event loop.

#include <QObject>

class QSocketNotifier;
class QWidget;

class QuitOnSignal : public QObject {
 public:
  // window: the main window, closed on a signal; the program quits once it has closed.
  explicit QuitOnSignal(QWidget& window);
  ~QuitOnSignal() override;

 private:
  void Arrived();

  QWidget& window_;
  QSocketNotifier* notifier_ = nullptr;
};
