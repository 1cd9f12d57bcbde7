#pragma once
// Start-up of the main window: idle without a recording on the command line, playing the
// recording it names, refusing a path that cannot be opened; the prompt animation.

#include <QObject>

class ViewerStartUpTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup();
  void idle_data();
  void idle();
  void playsCommandLineRecording_data();
  void playsCommandLineRecording();
  void unopenablePath_data();
  void unopenablePath();
};
