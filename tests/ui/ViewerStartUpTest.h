#pragma once
// Start-up of the main window: idle without a command line, playing with a
// recording on it, refusing a path that cannot be opened; the prompt animation.

#include <QObject>

class ViewerStartUpTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup();

  void idleWithoutRecording_data();
  void idleWithoutRecording();
  void dateAndTime_data();
  void dateAndTime();
  void promptTypesItselfOut();

  void playsCommandLineRecording_data();
  void playsCommandLineRecording();
  void fileTitle_data();
  void fileTitle();
  void firstFrameOnCanvas();
  void smallFrameCentred();
  void recordingWithoutFrames_data();
  void recordingWithoutFrames();

  void unopenablePath_data();
  void unopenablePath();
};
