#pragma once
// The time correction dialog: relative time, or real time from the camera's power-on
// time typed in as hours and minutes. It shows and forwards; the rules are in
// TimeCorrection. Every showing starts afresh from PowerOnMinutes; only OK writes it.

#include <array>
#include <cstdint>

#include <QDialog>

#include "viewer/TimeCorrection.h"

class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

inline constexpr int kTimeDialogWidth = 449;
inline constexpr int kTimeDialogHeight = 363;

class frmTime : public QDialog {
  Q_OBJECT
 public:
  explicit frmTime(std::int16_t& PowerOnMinutes, QWidget* parent = nullptr);
  ~frmTime() override;

  // Controls, named as the design names them; inside Frame1 places are relative to it.
  QLabel* Label1;
  QGroupBox* Frame1;
  std::array<QRadioButton*, 2> optTime;  // 0 relative time, 1 real time
  QFrame* Line1;
  QLabel* Label3;
  std::array<QLineEdit*, 2> txtTime;  // kHoursField, kMinutesField
  QLabel* Label2;
  QPushButton* cmdAnuluj;
  QPushButton* cmdOK;

  void Form_Load();
  void txtTime_GotFocus(int Index);
  // Runs once the box has handled the key; `before` is the box as the key found it.
  void txtTime_KeyDown(int Index, int KeyCode, const FieldBeforeKey& before);
  void txtTime_LostFocus(int Index);
  void cmdOK_Click();
  void cmdAnuluj_Click();

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void BuildControls();
  // Writes a field's text; the program may write more than the keyboard may type.
  void WriteText(int Index, const QString& text);
  int FieldIndexOf(const QObject* o) const;
  bool FieldEvent(int Index, QEvent* e);
  bool ButtonEvent(QPushButton* button, QEvent* e);

  std::int16_t& PowerOnMinutes_;
  bool writingText_ = false;  // WriteText at work: the length limit stands aside
};
