#pragma once
// The compressor dialog of the AVI conversion: one compressor out of those offered, how
// often a key frame comes, and a data rate for the compressors that take one. exec()
// answers 1 (QDialog::Accepted) with the options filled in when the user confirms, and
// 0 with the options untouched when the user cancels or closes it.

#include <vector>

#include <QDialog>

#include "avi/AviFile.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

inline constexpr int kKeyFrameEveryMax = 9999;
// Bytes in a kilobyte of the data rate field; the rate goes on as bytes per second.
inline constexpr int kBytesPerKilobyte = 1000;
// The highest data rate that fits AVICOMPRESSOPTIONS's bytes per second.
inline constexpr int kDataRateMaxKilobytes = 2'000'000;

class CompressorDialog : public QDialog {
  Q_OBJECT
 public:
  // offered: first the default; options: filled on OK. A compressor the options already
  // name, and their key-frame interval and data rate, are what the dialog suggests.
  CompressorDialog(const std::vector<AviCompressor>& offered, AVICOMPRESSOPTIONS& options, QWidget* parent = nullptr);

  QLabel* lblCompressor;
  QComboBox* cboCompressor;
  QLabel* lblKeyFrames;
  QSpinBox* txtKeyFrames;
  QLabel* lblDataRate;
  QLineEdit* txtDataRate;  // kB/s; empty or 0: the compressor's own default
  QPushButton* cmdOK;
  QPushButton* cmdAnuluj;

 private:
  void BuildControls();
  void Suggest();
  void CompressorChanged(int index);
  void Confirm();

  const std::vector<AviCompressor>& offered_;
  AVICOMPRESSOPTIONS& options_;
};
