#pragma once
// The main window as a window: dragging it by its background, minimizing and
// closing it with its own buttons, and coming back from an error nobody planned for.

#include <QObject>

class ViewerWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void dragMovesWindow_data();
  void dragMovesWindow();
  void exitButton_data();
  void exitButton();
  void minimizeButton();
  void unexpectedError_data();
  void unexpectedError();
  void closeDuringExport();
};
