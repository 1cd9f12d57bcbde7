#pragma once
// The compressor dialog of the AVI conversion: what it offers, what OK fills in, and
// that Anuluj and closing answer 0 and leave the options alone.

#include <memory>
#include <vector>

#include <QObject>

#include "export/AviFile.h"

class CompressorDialog;

class TestCompressorDialog : public QObject {
  Q_OBJECT
 public:
  TestCompressorDialog();
  ~TestCompressorDialog() override;

 private slots:
  void cleanup();

  void titleAndTexts();
  void offersTheListItIsGivenFirstChosen();
  void okAnswersTheChosenCompressor_data();
  void okAnswersTheChosenCompressor();
  void dataRateOnlyForCompressorsThatTakeOne();
  void dataRateFieldTakesWholeKilobytesOnly();
  void keyFrameIntervalIsAtLeastOne();
  void anulujAnswersZeroAndLeavesTheOptions();
  void closingAnswersZero();
  void enterConfirmsAndEscapeCancels();
  void withNothingOfferedOnlyAnulujIsLeft();
  void optionsThatNameACompressorAreSuggested();
  void theModalSeamShowsTheDialog();

 private:
  CompressorDialog& Open(const std::vector<AviCompressor>& offered);

  std::vector<AviCompressor> offered_;
  AVICOMPRESSOPTIONS options_;
  std::unique_ptr<CompressorDialog> dialog_;
};
