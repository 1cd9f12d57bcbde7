#pragma once
// The main window: borderless, 755 x 631 with rounded corners, the skin and every
// control at its place. It forwards events to the viewer's core and renders what
// the core decided; it decides nothing itself.

#include <array>
#include <functional>
#include <QLabel>
#include <QTimer>
#include <QWidget>

#include "ui/ImageControl.h"
#include "ui/PictureBox.h"
#include "ui/Shape.h"
#include "ui/WindowDialogs.h"
#include "ui/frmArchive.h"
#include "ui/frmOverview.h"
#include "ui/WindowKeys.h"
#include "viewer/Viewer.h"

inline constexpr int kViewerWidth = 755;
inline constexpr int kViewerHeight = 631;

// Gives the window its outline: a rounded rectangle with 32 x 32 corner ellipses.
void ApplyWindowRegion(QWidget& Window);

class frmViewer : public QWidget {
  Q_OBJECT
 public:
  explicit frmViewer(QWidget* parent = nullptr);
  ~frmViewer() override;

  // Start-up with the program's argument string.
  void Form_Load(const QString& argumentString);

  Viewer& core() { return core_; }
  // Copies what the core decided into the controls.
  void Render();
  // The dialogs the command panel shows (the real ones unless a test installs others).
  void SetDialogs(WindowDialogs* dialogs) { dialogs_ = dialogs ? dialogs : &qtDialogs_; }

  // Controls, named as the design names them.
  QLabel* Label1;
  QLabel* lblCompany;
  QLabel* lblFile;
  QLabel* lblInfo;
  QLabel* lblIdent;
  QLabel* lblSave;
  std::array<QLabel*, 3> lblPicInfo;
  QLabel* lblBattInfo;
  QLabel* lblTime;
  QLabel* Label2;
  ImageControl* imgMinimize;
  ImageControl* imgExit;
  ImageControl* Image3;
  ImageControl* Image1;
  ImageControl* imgBottom;
  ImageControl* imgSuwak;
  ImageControl* imgCamera;
  ImageControl* imgBatt;
  Shape* shCamera;
  Shape* shBatt;
  Shape* shPlay;
  std::array<ImageControl*, kCommandRows> imgIco;
  std::array<Shape*, kCommandRows> shIco;
  std::array<ImageControl*, kCommandRows> imgRightCmd;
  std::array<ImageControl*, kTransportButtons> imgCmd;
  std::array<Shape*, kTransportButtons> shCmd;
  std::array<QPixmap, 22> imglCmd;
  PictureBox* picTV;
  QTimer timPlay;

  void imgMinimize_Click();
  void imgExit_Click();
  void timPlay_Timer();
  void picTV_Paint();
  // The command panel (frmViewerCommands.cpp): the window asks the dialogs, builds the
  // viewer's requests and shows what their reports call for.
  void imgRightCmd_Click(int Index);
  // A key, as the button it stands for (ui/WindowKeys.h).
  void RunKeyCommand(const KeyCommand& command);
  // The wheel over the picture: a frame a notch, down forward and up backward.
  // Ctrl: the loupe, a step per notch, around the pointer.
  void picTV_Wheel(int angleDelta, Qt::KeyboardModifiers modifiers, QPointF at);
  // The loupe's factor changed by a step of the keys or the wheel (+1 in, -1 out).
  void ZoomStep(int step, QPointF at);
  // A recording dropped on the window opens as the open command opens one.
  void OpenDropped(const QString& path);
  // The overview window (frmOverview.cpp), made on first use, on the open recording; the
  // frame it asks for shown exactly.
  frmOverview& Overview();
  void OverviewCommand();
  void EventCommand(bool forward);
  void picTV_ContextMenu(QPoint global);
  // The archive window (frmViewerArchive.cpp), made on first use: a folder's recordings, the
  // one double-clicked opened here at its first event.
  frmArchive& Archive();
  void OpenFolderCommand();
  void OpenArchive(const QString& folder);
  void ShowArchiveRecording(const frmArchive::Jump& jump);

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dragMoveEvent(QDragMoveEvent* e) override;
  void dropEvent(QDropEvent* e) override;

 private:
  void Form_MouseDown(QMouseEvent* e);
  void Form_Unload();
  // Every user event: the handler guarded, the core's decision shown, and a close that
  // waited for an export carried out.
  void Run(const std::function<void()>& handler);
  void Guarded(const std::function<void()>& handler);
  void TellUnexpectedError(const QString& what);
  void BuildControls();
  void ConnectCommands();
  QLabel* MakeLabel(const QString& text, const QRect& r, const QFont& font, std::uint32_t colour, Qt::Alignment align,
                    QWidget* parent = nullptr);

  void OpenCommand();
  void TimeCommand();
  void SaveCommand();
  void SaveJpegCommand();
  void SaveMjpCommand();
  void SaveAviCommand();

  // The overview follows the recording and the frame the window shows.
  bool SyncOverview();
  // Places and sizes the overview beside the main window as the screen allows.
  void PlaceOverview();
  // The next or previous recording's event, when the archive is open and holds `path`.
  std::optional<frmArchive::Jump> ArchiveNeighbour(const QString& path, bool forward) const;

  Viewer core_;
  frmOverview* overview_ = nullptr;
  frmArchive* archive_ = nullptr;
  QtDialogs qtDialogs_{this};
  WindowDialogs* dialogs_ = &qtDialogs_;
  bool closeAfterExport_ = false;  // the window was closed during an export
  int wheelTurn_ = 0;              // wheel turn not yet a whole notch (120 = one notch)
  int zoomTurn_ = 0;               // the same with Ctrl held
  QPixmap topStrip_;               // the window's own picture behind the top strip
  // Moving the window ourselves where no window manager moves it.
  bool moving_ = false;
  QPoint moveGrab_;
};
