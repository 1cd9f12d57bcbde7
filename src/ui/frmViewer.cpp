#include "ui/frmViewer.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QWindow>

#include "platform/Modal.h"
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

}  // namespace

void ApplyWindowRegion(QWidget& Window) {
  QPainterPath outline;
  outline.addRoundedRect(QRectF(0, 0, Window.width(), Window.height()), 16, 16);
  Window.setMask(QRegion(outline.toFillPolygon().toPolygon()));
}

frmViewer::frmViewer(QWidget* parent) : QWidget(parent) {
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
  core_.SetCanvas(picTV);
  // Inside the picture box: positions relative to it.
  lblInfo = MakeLabel(s.lblInfo, {504, 8, 129, 33}, courier(27, true), Colour::Red, Qt::AlignRight, picTV);
  lblSave = MakeLabel(s.lblSave, {302, 216, 37, 29}, tahoma(16, true), 0xFFFFFF, Qt::AlignHCenter, picTV);

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

  connect(imgMinimize, &ImageControl::Click, this, &frmViewer::imgMinimize_Click);
  connect(imgExit, &ImageControl::Click, this, &frmViewer::imgExit_Click);
  ConnectCommands();
}

// Every command event goes to the core, and the window then shows what it decided.
void frmViewer::ConnectCommands() {
  auto forward = [this](auto handler) {
    return [this, handler](auto&&... args) {
      Guarded([&] { handler(core_, args...); });
      Render();
      if (closeAfterExport_ && core_.mode() != PlayMode::Exporting) {
        closeAfterExport_ = false;
        close();
      }
    };
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
  // The platform rounds the knob's single-precision position for display.
  imgSuwak->move(qRound(s.imgSuwakLeft), imgSuwak->y());
  if (!s.timPlayEnabled) {
    timPlay.stop();
  } else if (!timPlay.isActive() || timPlay.interval() != s.timPlayInterval) {
    timPlay.start(s.timPlayInterval);
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
