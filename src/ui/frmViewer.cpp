#include "ui/frmViewer.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QWindow>

#include "drawing/CaptionBand.h"
#include "archive/RecordingList.h"
#include "platform/Modal.h"
#include "ui/Remembered.h"
#include "ui/Skin.h"

namespace {

// Font stand-ins: Tahoma, Courier New and Arial Narrow are not on Linux desktops.
QFont font(const char* family, int pixelSize, bool bold = false) {
  QFont f(QString::fromLatin1(family));
  f.setPixelSize(pixelSize);  // sizes are the design's points at 96 dots per inch
  f.setBold(bold);
  f.setStyleHint(QFont::SansSerif);
  return f;
}
QFont tahoma(int px, bool bold = false) { return font("Liberation Sans", px, bold); }
QFont courier(int px, bool bold = false) {
  QFont f = font("Liberation Mono", px, bold);
  f.setStyleHint(QFont::Monospace);
  return f;
}
QFont arialNarrow(int px) { return font("Liberation Sans Narrow", px); }

// Transport row: left edges and widths of imgCmd(0..10), top 576, height 29.
constexpr std::array<int, kTransportButtons> kCmdLeft{24, 74, 124, 174, 244, 294, 394, 444, 514, 564, 614};
constexpr std::array<int, kTransportButtons> kCmdWidth{50, 50, 50, 70, 50, 100, 50, 70, 50, 50, 50};
constexpr int kCmdTop = 576;
constexpr QSize kLampSize{24, 25};

// Command panel rows.
constexpr std::array<QRect, kCommandRows> kIcoRect{QRect(688, 380, 16, 14), QRect(688, 404, 15, 15),
                                                   QRect(688, 445, 16, 16), QRect(689, 470, 16, 16)};
constexpr std::array<int, kCommandRows> kRightCmdTop{376, 400, 440, 464};

// The progress caption's box in the picture; a longer text widens it around its centre.
constexpr QRect kSaveBox(302, 216, 37, 29);

void FitCaption(QLabel& caption) {
  const int width = std::max(kSaveBox.width(), caption.fontMetrics().horizontalAdvance(caption.text()) + 12);
  caption.setGeometry(kSaveBox.center().x() - (width - 1) / 2, kSaveBox.y(), width, kSaveBox.height());
}

// The one local file a drop carries when it is a recording (.mjp in any case); else empty.
QString DroppedRecording(const QMimeData* data) {
  if (!data || data->urls().size() != 1 || !data->urls()[0].isLocalFile()) return {};
  const QString path = data->urls()[0].toLocalFile();
  return QFileInfo(path).suffix().compare(QLatin1String("mjp"), Qt::CaseInsensitive) == 0 ? path : QString();
}

// The one local folder a drop carries; else empty.
QString DroppedFolder(const QMimeData* data) {
  if (!data || data->urls().size() != 1 || !data->urls()[0].isLocalFile()) return {};
  const QString path = data->urls()[0].toLocalFile();
  return IsFolder(path) ? path : QString();
}

}  // namespace

void ApplyWindowRegion(QWidget& Window) {
  QPainterPath outline;
  outline.addRoundedRect(QRectF(0, 0, Window.width(), Window.height()), 16, 16);
  Window.setMask(QRegion(outline.toFillPolygon().toPolygon()));
}

frmViewer::frmViewer(QWidget* parent) : QWidget(parent) {
  SetCaptionPainter(PaintCaptionBand);  // the exports' overlay, drawn with the window's fonts
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
  setWindowTitle(QStringLiteral("Vistrel_3.0"));
  setFixedSize(kViewerWidth, kViewerHeight);
  setAttribute(Qt::WA_OpaquePaintEvent);
  BuildControls();
  connect(&timPlay, &QTimer::timeout, this, &frmViewer::timPlay_Timer);
  // An export shows its progress and hears the stop button between pieces and frames.
  core_.SetDoEvents([this] {
    Render();
    QCoreApplication::processEvents();
  });
}

frmViewer::~frmViewer() = default;

QLabel* frmViewer::MakeLabel(const QString& text, const QRect& r, const QFont& f, std::uint32_t colour,
                             Qt::Alignment align, QWidget* parent) {
  auto* l = new QLabel(text, parent ? parent : this);
  l->setGeometry(r);
  l->setFont(f);
  l->setAlignment(align | Qt::AlignTop);
  QPalette pal = l->palette();
  pal.setColor(QPalette::WindowText, FromPacked(colour));
  l->setPalette(pal);
  l->setAutoFillBackground(false);             // labels draw over what lies behind them
  l->setAttribute(Qt::WA_NoMousePropagation);  // a press on a label is not on the background
  return l;
}

void frmViewer::BuildControls() {
  const ScreenState& s = core_.screen();
  // Skin first, so that everything else lies over it.
  topStrip_ = Skin::TopStrip();
  Image3 = new ImageControl(this, Skin::Image3());
  Image3->move(0, 50);
  Image1 = new ImageControl(this, Skin::Image1());
  Image1->move(664, 50);
  imgBottom = new ImageControl(this, Skin::imgBottom());
  imgBottom->move(0, 530);

  Label1 = MakeLabel(QStringLiteral("Vistrel Viewer"), {24, 13, 153, 33}, tahoma(21, true), Colour::TitleGrey,
                     Qt::AlignLeft);
  lblCompany = MakeLabel(s.lblCompany, {176, 24, 145, 17}, tahoma(11), Colour::TitleGrey, Qt::AlignLeft);
  lblFile = MakeLabel(s.lblFile, {348, 26, 169, 17}, courier(13), Colour::Grey, Qt::AlignHCenter);
  lblIdent = MakeLabel(s.lblIdent, {552, 26, 105, 17}, courier(13), Colour::Grey, Qt::AlignHCenter);
  imgMinimize = new ImageControl(this, Skin::imgMinimize());
  imgMinimize->move(696, 16);
  imgExit = new ImageControl(this, Skin::imgExit());
  imgExit->move(720, 16);

  picTV = new PictureBox(this);
  picTV->move(24, 50);
  picTV->SetRepaintHandler([this] { picTV_Paint(); });
  connect(picTV, &PictureBox::WheelTurned, this, &frmViewer::picTV_Wheel);
  connect(picTV, &PictureBox::Dragged, this, [this](QPointF delta) { Run([&] { core_.PanBy(delta); }); });
  connect(picTV, &PictureBox::ContextMenuAsked, this, &frmViewer::picTV_ContextMenu);
  connect(picTV, &PictureBox::DoubleClicked, this, [this] { Run([&] { core_.ZoomAt(1, {320, 240}); }); });
  core_.SetCanvas(picTV);
  // Inside the picture box: positions relative to it.
  lblInfo = MakeLabel(s.lblInfo, {504, 8, 129, 33}, courier(27, true), Colour::Red, Qt::AlignRight, picTV);
  lblSave = MakeLabel(s.lblSave, kSaveBox, tahoma(16, true), 0xFFFFFF, Qt::AlignHCenter, picTV);
  // Texts over the picture let the wheel through to it.
  for (QLabel* l : {lblInfo, lblSave}) l->setAttribute(Qt::WA_TransparentForMouseEvents);
  // Readable over a frame too (an AVI conversion shows each one): a translucent dark backing,
  // filled by the label itself (a style sheet would cost a conversion a third of its speed).
  QPalette backing = lblSave->palette();
  backing.setColor(QPalette::Window, QColor(0, 0, 0, 150));
  lblSave->setPalette(backing);
  lblSave->setAutoFillBackground(true);

  shCamera = new Shape(this, s.shCamera);
  shCamera->setGeometry(698, 84, 19, 11);
  imgCamera = new ImageControl(this, Skin::imgCamera());
  imgCamera->move(698, 84);
  for (int k = 0; k < 3; ++k) {
    lblPicInfo[k] =
        MakeLabel(s.lblPicInfo[k], {683, 102 + 16 * k, 50, 17}, arialNarrow(11), Colour::Grey, Qt::AlignHCenter);
  }
  shBatt = new Shape(this, s.shBatt);
  shBatt->setGeometry(698, 194, 19, 12);
  imgBatt = new ImageControl(this, Skin::imgBatt());
  imgBatt->move(698, 194);
  lblBattInfo = MakeLabel(s.lblBattInfo, {684, 208, 50, 17}, arialNarrow(11), Colour::Grey, Qt::AlignHCenter);

  for (int k = 0; k < kCommandRows; ++k) {
    shIco[k] = new Shape(this, s.shIco[k]);
    shIco[k]->setGeometry(kIcoRect[k]);
    imgIco[k] = new ImageControl(this, Skin::imgIco(k));
    imgIco[k]->move(kIcoRect[k].topLeft());
    imgRightCmd[k] = new ImageControl(this, Skin::imgRightCmd());
    imgRightCmd[k]->move(712, kRightCmdTop[k]);
  }

  imgSuwak = new ImageControl(this, Skin::imgSuwak());
  imgSuwak->move(22, 542);
  imgSuwak->setMouseTracking(true);  // a move without a button ends a drag
  lblTime = MakeLabel(s.lblTime, {536, 543, 129, 17}, tahoma(11), Colour::Grey, Qt::AlignHCenter);

  imglCmd = Skin::imglCmd();
  for (int k = 0; k < kTransportButtons; ++k) {
    const QRect face(kCmdLeft[k], kCmdTop, kCmdWidth[k], 29);
    shCmd[k] = new Shape(this, s.shCmd[k]);
    shCmd[k]->setGeometry(QRect(QPoint(face.center().x() + 1 - kLampSize.width() / 2, kCmdTop), kLampSize));
    imgCmd[k] = new ImageControl(this, imglCmd[k]);
    imgCmd[k]->setGeometry(face);
  }
  shPlay = new Shape(this, Colour::Yellow);
  shPlay->setGeometry(24, 608, 636, 8);
  Label2 = MakeLabel(QStringLiteral("Ver. 2.1"), {688, 608, 57, 17}, tahoma(11), Colour::Grey, Qt::AlignLeft);
  Label1->setToolTip(QStringLiteral("F1 – lista klawiszy"));
  setAcceptDrops(true);

  connect(imgMinimize, &ImageControl::Click, this, &frmViewer::imgMinimize_Click);
  connect(imgExit, &ImageControl::Click, this, &frmViewer::imgExit_Click);
  ConnectCommands();
}

// Every command event goes to the core, and the window then shows what it decided.
void frmViewer::ConnectCommands() {
  auto forward = [this](auto handler) {
    return [this, handler](auto&&... args) { Run([&] { handler(core_, args...); }); };
  };
  // imgCmd(k) is the k-th command of the transport row, from the left.
  for (int k = 0; k < kTransportButtons; ++k) {
    const auto command = static_cast<TransportCommand>(k);
    connect(imgCmd[k], &ImageControl::MouseDown, this,
            forward([command](Viewer& v, int, int, double, double) { v.PressTransport(command); }));
    connect(imgCmd[k], &ImageControl::MouseUp, this,
            forward([command](Viewer& v, int, int, double, double) { v.ReleaseTransport(command); }));
    connect(imgCmd[k], &ImageControl::Click, this, forward([command](Viewer& v) { v.Transport(command); }));
  }
  for (int k = 0; k < kCommandRows; ++k) {
    connect(imgRightCmd[k], &ImageControl::Click, this, forward([this, k](Viewer&) { imgRightCmd_Click(k); }));
  }
  connect(imgSuwak, &ImageControl::MouseDown, this,
          forward([](Viewer& v, int button, int, double x, double y) { v.imgSuwak_MouseDown(button, x, y); }));
  connect(imgSuwak, &ImageControl::MouseMove, this,
          forward([](Viewer& v, int button, int, double x, double y) { v.imgSuwak_MouseMove(button, x, y); }));
  connect(imgSuwak, &ImageControl::MouseUp, this,
          forward([](Viewer& v, int, int, double, double) { v.imgSuwak_MouseUp(); }));
  connect(imgBottom, &ImageControl::MouseUp, this,
          forward([](Viewer& v, int, int, double, double) { v.imgBottom_MouseUp(); }));
}

void frmViewer::Form_Load(const QString& argumentString) {
  core_.SetSmoothZoom(Remembered::SmoothZoom());
  core_.StartUpBegin();
  ApplyWindowRegion(*this);
  core_.StartUpState();
  core_.StartUpCommandLine(argumentString);
  Render();
}

void frmViewer::Render() {
  const ScreenState& s = core_.screen();
  lblCompany->setText(s.lblCompany);
  lblFile->setText(s.lblFile);
  lblIdent->setText(s.lblIdent);
  lblInfo->setText(s.lblInfo);
  lblInfo->setVisible(s.lblInfoVisible);
  lblSave->setText(s.lblSave);
  FitCaption(*lblSave);
  lblSave->setVisible(s.lblSaveVisible);
  for (int k = 0; k < 3; ++k) lblPicInfo[k]->setText(s.lblPicInfo[k]);
  lblBattInfo->setText(s.lblBattInfo);
  lblTime->setText(s.lblTime);
  shCamera->SetFillColor(s.shCamera);
  shBatt->SetFillColor(s.shBatt);
  for (int k = 0; k < kCommandRows; ++k) shIco[k]->SetFillColor(s.shIco[k]);
  for (int k = 0; k < kTransportButtons; ++k) {
    shCmd[k]->SetFillColor(s.shCmd[k]);
    imgCmd[k]->SetPicture(imglCmd[s.imgCmdPicture[k] - 1]);
  }
  // While an export runs only its stop acts: the archive and the overview wait, greyed.
  if (archive_) archive_->setEnabled(core_.mode() != PlayMode::Exporting);
  if (overview_) {
    overview_->setEnabled(core_.mode() != PlayMode::Exporting);
    if (overview_->isVisible() && SyncOverview()) overview_->SetCurrent(core_.scanner().FrameStartPos());
  }
  // The platform rounds the knob's single-precision position for display.
  imgSuwak->move(qRound(s.imgSuwakLeft), imgSuwak->y());
  if (!s.timPlayEnabled) {
    timPlay.stop();
  } else if (!timPlay.isActive() || timPlay.interval() != s.timPlayInterval) {
    timPlay.start(s.timPlayInterval);
  }
}

void frmViewer::Run(const std::function<void()>& handler) {
  Guarded(handler);
  Render();
  if (closeAfterExport_ && core_.mode() != PlayMode::Exporting) {
    closeAfterExport_ = false;
    close();
  }
}

void frmViewer::timPlay_Timer() {
  Guarded([this] { core_.timPlay_Timer(); });
  Render();
}

// No exception crosses an event handler: the viewer is brought back to a usable
// state and the user is told once.
void frmViewer::Guarded(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    TellUnexpectedError(QString::fromLocal8Bit(e.what()));
  } catch (...) {
    TellUnexpectedError(QStringLiteral("nieznany wyjątek"));
  }
}

void frmViewer::TellUnexpectedError(const QString& what) {
  core_.RecoverAfterError();
  Modal::current().message(QStringLiteral("Wystąpił nieoczekiwany błąd: %1").arg(what), MsgIcon::Critical,
                           MsgButtons::Ok);
}

void frmViewer::picTV_Paint() { core_.picTV_Paint(); }

void frmViewer::imgMinimize_Click() { setWindowState(windowState() | Qt::WindowMinimized); }

void frmViewer::imgExit_Click() { close(); }

void frmViewer::closeEvent(QCloseEvent* e) {
  // Closing in the middle of an export would pull the recording from under it: the
  // export is asked to stop, and the window closes once it has.
  if (core_.mode() == PlayMode::Exporting) {
    core_.RequestStop();
    closeAfterExport_ = true;
    e->ignore();
    return;
  }
  Form_Unload();
  e->accept();
}

void frmViewer::Form_Unload() {
  timPlay.stop();
  core_.Shutdown();
}

void frmViewer::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Skin::WindowColour());
  p.drawPixmap(0, 0, topStrip_);
}

void frmViewer::mousePressEvent(QMouseEvent* e) { Form_MouseDown(e); }

// Any button on the background moves the window. The window manager moves it when
// there is one; otherwise (a bare X server) the window follows the pointer itself.
void frmViewer::Form_MouseDown(QMouseEvent* e) {
  if (windowHandle() && windowHandle()->startSystemMove()) return;
  moving_ = true;
  moveGrab_ = e->globalPosition().toPoint() - frameGeometry().topLeft();
}

void frmViewer::mouseMoveEvent(QMouseEvent* e) {
  if (moving_ && e->buttons() != Qt::NoButton) move(e->globalPosition().toPoint() - moveGrab_);
}

void frmViewer::mouseReleaseEvent(QMouseEvent* e) {
  if (e->buttons() == Qt::NoButton) moving_ = false;
}

void frmViewer::keyPressEvent(QKeyEvent* e) {
  const std::optional<KeyCommand> command = CommandForKey(e->keyCombination());
  if (!command) {
    QWidget::keyPressEvent(e);
    return;
  }
  e->accept();
  if (e->isAutoRepeat() && !RepeatsWhenHeld(*command)) return;
  Run([&] { RunKeyCommand(*command); });
}

void frmViewer::RunKeyCommand(const KeyCommand& command) {
  if (const auto* transport = std::get_if<TransportCommand>(&command)) {
    core_.Transport(*transport);
  } else if (const auto* panel = std::get_if<PanelCommand>(&command)) {
    imgRightCmd_Click(static_cast<int>(*panel));
  } else {
    switch (std::get<KeyAction>(command)) {
      case KeyAction::PlayOrStop: core_.PlayOrStop(TransportCommand::Forward); break;
      case KeyAction::BackwardOrStop: core_.PlayOrStop(TransportCommand::Backward); break;
      case KeyAction::ZoomIn:
      case KeyAction::ZoomOut: {
        // Around the pointer when it is over the picture, else around the picture's centre.
        const QPoint pointer = picTV->mapFromGlobal(QCursor::pos());
        ZoomStep(std::get<KeyAction>(command) == KeyAction::ZoomIn ? 1 : -1,
                 picTV->rect().contains(pointer) ? QPointF(pointer) : QPointF(320, 240));
        break;
      }
      case KeyAction::ZoomReset: core_.ZoomAt(1, {320, 240}); break;
      case KeyAction::SmoothZoom:
        core_.SetSmoothZoom(!core_.loupe().smooth);
        Remembered::SetSmoothZoom(core_.loupe().smooth);
        break;
      case KeyAction::Overview: OverviewCommand(); break;
      case KeyAction::NextEvent: EventCommand(true); break;
      case KeyAction::PreviousEvent: EventCommand(false); break;
      case KeyAction::OpenFolder: OpenFolderCommand(); break;
      case KeyAction::Help: Modal::current().message(KeysHelpText(), MsgIcon::Information, MsgButtons::Ok); break;
    }
  }
}

// Fine-grained wheels add up to whole notches.
void frmViewer::picTV_Wheel(int angleDelta, Qt::KeyboardModifiers modifiers, QPointF at) {
  if (modifiers == Qt::ControlModifier) {
    zoomTurn_ += angleDelta;
    for (; std::abs(zoomTurn_) >= QWheelEvent::DefaultDeltasPerStep; zoomTurn_ -= zoomTurn_ > 0 ? 120 : -120)
      ZoomStep(zoomTurn_ > 0 ? 1 : -1, at);
    return;
  }
  if (modifiers != Qt::NoModifier) return;
  wheelTurn_ += angleDelta;
  while (std::abs(wheelTurn_) >= QWheelEvent::DefaultDeltasPerStep) {
    const bool forward = wheelTurn_ < 0;
    wheelTurn_ += forward ? QWheelEvent::DefaultDeltasPerStep : -QWheelEvent::DefaultDeltasPerStep;
    Run([&] { core_.Transport(forward ? TransportCommand::StepForward : TransportCommand::StepBackward); });
  }
}

// A recording is welcome whenever the open command would act.
void frmViewer::ZoomStep(int step, QPointF at) {
  const int factor = core_.loupe().factor;
  Run([&] { core_.ZoomAt(step > 0 ? factor * 2 : factor / 2, at); });
}

void frmViewer::dragEnterEvent(QDragEnterEvent* e) { dragMoveEvent(e); }

void frmViewer::dragMoveEvent(QDragMoveEvent* e) {
  if (!DroppedRecording(e->mimeData()).isEmpty() && core_.CommandAvailable(PanelCommand::Open))
    e->acceptProposedAction();
  else if (!DroppedFolder(e->mimeData()).isEmpty() && core_.mode() != PlayMode::Exporting) e->acceptProposedAction();
}

void frmViewer::dropEvent(QDropEvent* e) {
  if (const QString folder = DroppedFolder(e->mimeData()); !folder.isEmpty()) {
    e->acceptProposedAction();
    Run([&] { OpenArchive(folder); });
    return;
  }
  const QString path = DroppedRecording(e->mimeData());
  if (path.isEmpty()) return;
  e->acceptProposedAction();
  Run([&] { OpenDropped(path); });
}

void frmViewer::OpenDropped(const QString& path) {
  if (!core_.CommandAvailable(PanelCommand::Open)) return;
  Remembered::SetOpenFolder(path);
  core_.OpenCommand(path);
}
