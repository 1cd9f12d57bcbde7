#pragma once
// The main window as drawn: every control's place, the labels' look and the rounded outline.

#include <QObject>

#include "shell/frmViewer.h"

class ViewerLayoutTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void controlRect_data();
  void controlRect();
  void labelLook_data();
  void labelLook();
  void outline();

 private:
  frmViewer v_;
};
