#pragma once
// The time correction dialog as a person uses it: places, texts, keys, and what it stores.

#include <memory>

#include <QObject>

#include "timecorr/frmTime.h"

class TestFrmTime : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void cleanupTestCase();
  void layout_data();
  void layout();
  void keys_data();
  void keys();
  void closing_data();
  void closing();

 private:
  frmTime& Open(std::int16_t powerOnMinutes);

  std::int16_t PowerOnMinutes_ = 0;
  std::unique_ptr<frmTime> dialog_;  // kept between rows: layout's rows hold its controls
};
