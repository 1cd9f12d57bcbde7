#pragma once
// The main window as drawn: every control's place and size, the lamps behind the
// faces and icons, the labels' look, the chrome and the rounded outline.

#include <memory>
#include <QObject>

class frmViewer;

class ViewerLayoutTest : public QObject {
  Q_OBJECT
 public:
  ViewerLayoutTest();
  ~ViewerLayoutTest() override;

 private slots:
  void initTestCase();
  void cleanupTestCase();

  void windowChrome();
  void controlRect_data();
  void controlRect();
  void insidePictureBox_data();
  void insidePictureBox();
  void transportLampBehindFace_data();
  void transportLampBehindFace();
  void lampExactlyBehindIcon_data();
  void lampExactlyBehindIcon();
  void lampShowsThroughSymbol_data();
  void lampShowsThroughSymbol();
  void labelLook_data();
  void labelLook();
  void outline_data();
  void outline();

 private:
  std::unique_ptr<frmViewer> v_;
};
