#pragma once
// The recording at a glance, in a window of its own beside the main window: speed against
// the camera's time, the limit (remembered between runs), the events over it, the check's
// findings and the evidence report. A click on the plot, an event or a finding asks the main
// window to show that frame; a marker follows the main window's current frame.

#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include <QWidget>

#include "check/RecordingCheck.h"
#include "platform/BackgroundJob.h"
#include "viewer/SpeedEvents.h"
#include "drawing/SpeedPlot.h"

class QLabel;
class QListWidget;
class QPushButton;
class QSpinBox;

// The plot, drawn to the widget's size; a click names the nearest measurement frame.
class PlotView : public QWidget {
  Q_OBJECT
 public:
  explicit PlotView(QWidget* parent);
  void SetPlot(std::optional<SpeedPlot> plot);
  void SetMarker(std::optional<int> frame);

 signals:
  void FrameClicked(int frame);

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;

 private:
  std::optional<SpeedPlot> plot_;
  std::optional<int> marker_;
};

// Where the overview goes, in screen coordinates: beside the main window (right, else left)
// where the screen's available area has room for its least width, else below (or above) it,
// sized to the room up to its preferred size. With room nowhere it lies over `coverable`
// (the main window's picture), never over the transport row, the slider or the command panel.
// frame: what the window manager adds around the overview (its width and height).
QRect OverviewPlace(const QRect& screen, const QRect& main, const QRect& coverable, QSize preferred, QSize least,
                    QSize frame = QSize(0, 0));

class frmOverview : public QWidget {
  Q_OBJECT
 public:
  explicit frmOverview(QWidget* parent = nullptr);

  // The recording the main window has open (empty: none) and its power-on time; walked
  // again only when either changed, and checked on threads of their own while the window
  // goes on. False, with the reason in a message box, when it cannot be read.
  bool SetRecording(const QString& path, std::int16_t powerOnMinutes);
  // The main window's current frame, by its file position: the marker.
  void SetCurrent(FilePos start);
  // The peak frame's file position of the next (forward) or previous event from `at`.
  std::optional<FilePos> NeighbourPeakAt(FilePos at, bool forward) const;

  // Whether it shows this recording with this power-on time.
  bool Shows(const QString& path, std::int16_t powerOnMinutes) const {
    return path == path_ && powerOnMinutes == powerOnMinutes_;
  }
  const std::vector<FrameRecord>& frames() const { return frames_; }
  const std::vector<SpeedEvent>& events() const { return events_; }
  int limit() const;
  void SetLimit(int kmh);
  // One event as the list shows it: its frames, its times and its peak.
  static QString EventText(std::size_t index, const SpeedEvent& e);
  // Writes the evidence report to path (PDF or HTML by its extension); false with a message.
  bool WriteReport(const QString& path);
  // Waits for the recording's check, if one runs, and lists its findings.
  void FinishCheck();
  // The recording's check once it is listed; none while it runs or when it failed.
  const std::optional<RecordingCheck>& check() const { return check_; }
  // One finding as the list shows it: its frame, kind and details.
  static QString FindingText(const Finding& f);

  // Shows the frame that starts at a file position in the main window.
  std::function<void(FilePos)> showFrame;
  // N and Shift+N here too: the main window's jump to the next or previous event.
  std::function<void(bool forward)> jumpToEvent;

  PlotView* plot;
  QSpinBox* txtLimit;
  QListWidget* lstEvents;
  QListWidget* lstFindings;
  QLabel* lblSummary;
  QPushButton* cmdReport;

 private:
  void Refresh();
  void ReportCommand();
  void Show(int frame);
  void StartCheck();
  void TakeCheck();
  void ListFindings();

  QString path_;
  std::int16_t powerOnMinutes_ = 0;
  std::vector<FrameRecord> frames_;
  std::vector<SpeedEvent> events_;
  std::optional<int> current_;
  std::optional<RecordingCheck> check_;
  QString checkFailure_;  // why the check could not be made; empty when it was or still runs (checkMutex_)

  // What the check's thread hands over: the result of run number checkRun_ (the latest).
  std::mutex checkMutex_;
  int checkRun_ = 0;
  std::optional<std::optional<RecordingCheck>> checked_;  // set when the run ended; inner none: it failed
  PassFailure checkFailed_;
  BackgroundJob checking_;  // last: it waits for a running check before the members it writes go
};
