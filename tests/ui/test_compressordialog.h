#pragma once
// The compressor dialog of the AVI conversion: what OK fills in, and that Anuluj answers 0.

#include <QObject>

class TestCompressorDialog : public QObject {
  Q_OBJECT

 private slots:
  void answers_data();
  void answers();
};
