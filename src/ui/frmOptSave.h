#pragma once
// The save options dialog: what the save command exports (the frame as JPEG, the marked
// sequence as MJP, or the sequence converted to AVI) and the AVI's playback speed. It
// saves nothing: it leaves its answer in SaveKind and AviSpeed. It shows and forwards;
// the rules are in SaveOptions. Every showing is a new dialog built from those two values.

#include <array>

#include <QDialog>

#include "viewer/SaveOptions.h"
#include "viewer/ViewerState.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;

// Client area in pixels: the controls' frame with the buttons' 16-pixel margin all round.
inline constexpr int kSaveOptionsWidth = 337;
inline constexpr int kSaveOptionsHeight = 289;

class frmOptSave : public QDialog {
  Q_OBJECT
 public:
  // overlay: the burn-in choice shown and, on OK, answered (none: off, not answered).
  explicit frmOptSave(ModuleValues& module, QWidget* parent = nullptr, bool* overlay = nullptr);

  // Controls, named as the design names them.
  std::array<QRadioButton*, kSaveOptionCount> OptSave;  // kSaveJpeg, kSaveMjp, kSaveAvi
  QLabel* Label1;
  std::array<QLabel*, 5> lblSpeed;  // 0 the caption, 1 to 4 the ticks "1", "10", "20", "30"
  QSlider* sldSpeed;
  QPushButton* cmdAnuluj;
  QPushButton* cmdOK;
  // "Nanieś dane kamery na obraz": the camera's data burned into the JPEG copy or the AVI
  // frames; below the speed scale, where it moves nothing else.
  QCheckBox* chkOverlay;

  void Form_Activate();
  void OptSave_Click(int Index);
  void cmdOK_Click();
  void cmdAnuluj_Click();
  void SpeedOn();
  void SpeedOff();

 protected:
  bool event(QEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void BuildControls();
  void SetSpeedControls(bool enabled);
  // What setting an option's value to True does: it becomes selected and its click runs.
  void Select(int Index);
  std::array<bool, kSaveOptionCount> Selected() const;

  ModuleValues& module_;
  bool* overlay_;
  bool backFromAnotherApplication_ = false;  // the program lost the focus since the last activation
};
