#pragma once
// The time correction dialog as a person uses it: its look and places, the masked
// input of the hours and minutes, and what OK and Anuluj leave in PowerOnMinutes.

#include <cstdint>
#include <memory>

#include <QObject>

class frmTime;
class QWidget;

class TestFrmTime : public QObject {
  Q_OBJECT
 public:
  TestFrmTime();
  ~TestFrmTime() override;

 private slots:
  void initTestCase();
  void cleanupTestCase();
  void cleanup();

  void titleAndClientArea();
  void texts_data();
  void texts();
  void layout_data();
  void layout();
  void looks();
  void tabOrder();

  void load_data();
  void load();
  void enteringAFieldSelectsIt();
  void secondHourDigitCarriesOnToMinutes();
  void keypadDigitsDoNotAdvance();
  void otherCharactersAreTyped();
  void arrowsAtTheFieldEdges();
  void enterGoesOnAndThenClicksOK();
  void leavingAField_data();
  void leavingAField();
  void keyboardLimitsAFieldToTwoCharacters();
  void longerTextsTheDialogWritesStayWhole();

  void okInRealTimeStoresHoursTimes60PlusMinutes_data();
  void okInRealTimeStoresHoursTimes60PlusMinutes();
  void okInRelativeTimeStoresZero();
  void midnightInRealTimeIsRelativeTimeNextShowing();
  void choosingAnOptionChangesNothingElse();
  void okWithMinutesBeyond16BitsKeepsTheValue();
  void cancelLeavesTheValue();
  void closingTheWindowLeavesTheValue();

 private:
  frmTime& Open(std::int16_t powerOnMinutes);
  QWidget* Control(const QString& name) const;

  std::int16_t PowerOnMinutes_ = 0;
  std::unique_ptr<frmTime> dialog_;
};
