#pragma once
// The save options dialog as a person uses it: places, texts, and what each sequence of
// clicks and keys leaves in SaveKind and AviSpeed.

#include <memory>

#include <QObject>

#include "export/frmOptSave.h"

class TestFrmOptSave : public QObject {
  Q_OBJECT

 private slots:
  void layout_data();
  void layout();
  void sequences_data();
  void sequences();

 private:
  frmOptSave& Open(bool marks, int saveKind, int aviSpeed);

  ModuleValues module_;
  std::unique_ptr<frmOptSave> dialog_;  // kept between rows: layout's rows hold its controls
};
