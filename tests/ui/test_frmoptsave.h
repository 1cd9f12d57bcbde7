#pragma once
// The save options dialog as a person uses it: its look and places, what each showing
// offers for the marks and the last choice, and what OK, Anuluj and closing leave in
// SaveKind and AviSpeed.

#include <memory>

#include <QObject>

#include "shell/ViewerState.h"

class frmOptSave;
class QWidget;

class TestFrmOptSave : public QObject {
  Q_OBJECT
 public:
  TestFrmOptSave();
  ~TestFrmOptSave() override;

 private slots:
  void cleanup();

  void titleAndClientArea();
  void texts_data();
  void texts();
  void layout_data();
  void layout();
  void looks();
  void tabOrder();

  void withoutMarksOnlyJpegIsOffered_data();
  void withoutMarksOnlyJpegIsOffered();
  void disabledOptionsCannotBeChosen();
  void withMarksTheLastChoiceComesBack_data();
  void withMarksTheLastChoiceComesBack();
  void aCancelledShowingRestoresNoChoice();
  void speedControlsFollowTheOption();
  void sliderOffersWholeValuesFrom1To30();
  void becomingActiveAgainShowsTheStoredChoice();

  void mjpToAviAt25();
  void okStoresTheSliderWhicheverOptionIsChosen();
  void anulujMarksTheChoiceCancelled();
  void anulujOnACancelledChoiceKeepsIt();
  void cancelledThenMjp();
  void closingTheWindowChangesNothing();
  void escapeDoesNothingAndEnterClicksOnlyAFocusedButton();
  void theModalSeamShowsTheDialog();

 private:
  frmOptSave& Open(FilePos markStart, FilePos markEnd, int saveKind, int aviSpeed = 10);
  QWidget* Control(const QString& name) const;

  ModuleValues module_;
  std::unique_ptr<frmOptSave> dialog_;
};
