// The main window: layout, outline, start-up, dragging, title buttons, command rows, unexpected errors.

#include "ViewerTestSupport.h"
#include "platform/Clock.h"
#include "support/FileContents.h"
#include "support/OrdinaryUser.h"
#include "support/Probe.h"
#include "ui/WindowKeys.h"
#include "viewer/Loupe.h"

namespace {

using uitest::ScriptedWindow;
using uitest::WindowRect;

QWidget* AsWidget(QWidget* w) { return w; }

// 0x00BBGGRR as the colour it stands for, spelled out here so a swapped channel shows.
QColor Rgb(std::uint32_t packed) {
  return QColor(int(packed & 0xFF), int((packed >> 8) & 0xFF), int((packed >> 16) & 0xFF));
}

// Font really used, pixel size (0: any), bold, horizontal alignment (0: any), colour (invalid: any).
using Look = std::tuple<QString, int, bool, int, QColor>;

// Eight frames, stopped on frame 4, frames 0 to 4 marked through the window's own buttons.
struct MarkedWindow : ScriptedWindow {
  const uitest::GeneratedRecording rec{QStringLiteral("rec.mjp"), {.frames = 8}};

  bool start() {
    if (!show(rec.path)) return false;
    for (const QWidget* c : {v.imgCmd[5], v.imgCmd[0], v.imgRightCmd[3], v.imgCmd[6], v.imgCmd[6], v.imgCmd[6],
                             v.imgCmd[6], v.imgRightCmd[3]})
      click(c);
    modal.shown.clear();  // what marking said
    return true;
  }
  // The save row answered to convert the marked frames to AVI in Motion JPEG; the file's path.
  QString queueAvi() {
    dialogs.saveAnswers.push_back({2, 10});
    modal.files.push_back(rec.dir.filePath(QStringLiteral("film.AVI")));
    dialogs.compressorAnswers.push_back(AVICOMPRESSOPTIONS{.codec = QStringLiteral("mjpeg")});
    return modal.files.back();
  }
  int shownFrame() {
    for (std::size_t k = 0; k < rec.frames.size(); ++k)
      if (rec.frames[k].jpegPos == v.core().scanner().FrameStartPos()) return int(k);
    return -1;
  }
  int descriptors() const { return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size(); }
  void verifyReady() {
    QCOMPARE(v.core().mode(), PlayMode::Stopped);
    QCOMPARE(v.shIco[2]->FillColor(), Colour::Orange);
    for (int k = 0; k < kTransportButtons; ++k) QCOMPARE(v.shCmd[k]->FillColor(), Colour::Blue);
    QVERIFY(!v.lblSave->isVisible());
  }
};

using Idle = std::tuple<QString, bool, QString>;  // argument (%1: a private folder), file locked, message
// Pressed at (window coordinates), with, moved by, on the background (which drags; else on a control).
using Drag = std::tuple<QPoint, Qt::MouseButton, QPoint, bool>;
using TitleButton = std::tuple<bool, bool, Qt::MouseButton, bool>;  // with a recording, minimize, with, acts

enum class Before { Nothing, File, Folder };  // what lies under the chosen name
enum class After { Nothing, Old, Folder, Frame, Sequence, Video, NoFrames };

struct Saving {
  int kind;      // the options' answer (AVI at 25 frames a second); -1: Anuluj
  QString name;  // the save dialog's answer in the recording's folder; empty: cancelled
  Before before;
  MsgAnswer replace;  // the answer to the replace question
  QString codec;      // the compressor's answer; empty: cancelled
  QStringList said;   // the messages, in order
  After after;
};

// Keys as QKeySequence spells them ("Shift+Right", "Num+Right" for the keypad), or "wheel-120": the wheel
// over the picture (negative: turned down), "Ctrl+wheel-120" with Ctrl held, "wheel+120@10,470" at that point.
void Press(ScriptedWindow& w, const QString& inputs) {
  for (const QString& input : inputs.split(' ', Qt::SkipEmptyParts)) {
    if (input.contains("wheel")) {
      const auto modifiers = input.startsWith("Ctrl") ? Qt::ControlModifier : Qt::NoModifier;
      const QStringList place = input.section('@', 1).split(',');
      const QPoint at = place.size() == 2 ? QPoint(place[0].toInt(), place[1].toInt()) : QPoint(320, 240);
      const QPoint turn(0, input.section('@', 0, 0).mid(input.indexOf("wheel") + 5).toInt());
      QWheelEvent e(at, w.v.picTV->mapToGlobal(at), {}, turn, Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
      QApplication::sendEvent(w.v.picTV, &e);
    } else {
      const QKeyCombination key = QKeySequence(input)[0];
      QTest::keyClick(&w.v, key.key(), key.keyboardModifiers());
    }
  }
}

// Whether the picture box shows the frame through the loupe as it stands: each sampled box pixel is the frame
// pixel it falls on (the frame's own pixel: no smoothing).
bool ShowsFrameThroughLoupe(frmViewer& v) {
  const cDIBSection& dib = *v.core().FrameDib();
  const int f = v.core().loupe().factor;
  const QPoint at = LoupeOffset(v.core().loupe(), {dib.Width(), dib.Height()}, {640, 480});
  for (int y = 3; y < 480; y += 29)
    for (int x = 1; x < 640; x += 31) {
      const int fx = (x - at.x()) / f, fy = (y - at.y()) / f;
      if (x < at.x() || y < at.y() || fx >= dib.Width() || fy >= dib.Height()) continue;
      const std::uint8_t* p = dib.DIBSectionBitsPtr() + (dib.Height() - 1 - fy) * dib.BytesPerScanLine() + 3 * fx;
      if (v.picTV->Canvas().pixel(x, y) != qRgb(p[2], p[1], p[0])) return false;
    }
  return true;
}

// A drag of `paths` over the window, then the drop; whether the window took it.
bool Drop(frmViewer& v, const QStringList& paths) {
  QMimeData data;
  QList<QUrl> urls;
  for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
  data.setUrls(urls);
  const QPointF at(300, 300);
  QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, {});
  enter.setAccepted(false);
  QApplication::sendEvent(&v, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, {});
  drop.setAccepted(false);
  QApplication::sendEvent(&v, &drop);
  return drop.isAccepted();
}

const QString kReplace = QStringLiteral("Plik o podanej nazwie już istniej. Czy go zamienić ?");
const QString kAviError = QStringLiteral("Wystapił błąd podczas tworzenia pliku !");

}  // namespace

class ViewerWindowTest : public QObject {
  Q_OBJECT

  frmViewer v_;  // idle, never shown: the layout's rows hold its controls

 private slots:
  void initTestCase() { v_.Form_Load(QString()); }
  void cleanup() { Clock::set({}); }

  // Frameless, fixed size, corners cut by 32 x 32 quarter ellipses (just outside/inside the curve, its end).
  void frameAndOutline() {
    QCOMPARE(std::tuple(v_.windowTitle(), v_.windowFlags().testFlag(Qt::FramelessWindowHint), v_.minimumSize()),
             std::tuple(QStringLiteral("Vistrel_3.0"), true, v_.maximumSize()));
    QCOMPARE(v_.maximumSize(), QSize(755, 631));
    QList<bool> visible;
    for (QPoint p : QList<QPoint>{{0, 0}, {754, 0}, {0, 630}, {754, 630}, {3, 3}, {5, 5}, {16, 0}})
      visible << v_.mask().contains(p);
    QCOMPARE(visible, (QList<bool>{false, false, false, false, false, true, true}));
  }

  void controlRect_data() {
    QTest::addColumn<QWidget*>("control");
    QTest::addColumn<QRect>("expected");  // window coordinates, also inside picTV
    frmViewer& v = v_;
    const QList<std::tuple<const char*, QWidget*, QRect>> rows{{"Label1", v.Label1, {24, 13, 153, 33}},
                                                               {"lblCompany", v.lblCompany, {176, 24, 145, 17}},
                                                               {"lblFile", v.lblFile, {348, 26, 169, 17}},
                                                               {"lblInfo", v.lblInfo, {528, 58, 129, 33}},
                                                               {"lblIdent", v.lblIdent, {552, 26, 105, 17}},
                                                               {"imgMinimize", v.imgMinimize, {696, 16, 21, 21}},
                                                               {"imgExit", v.imgExit, {720, 16, 21, 21}},
                                                               {"Image3", v.Image3, {0, 50, 24, 480}},
                                                               {"picTV", v.picTV, {24, 50, 640, 480}},
                                                               {"lblSave", v.lblSave, {326, 266, 37, 29}},
                                                               {"Image1", v.Image1, {664, 50, 92, 480}},
                                                               {"imgCamera", v.imgCamera, {698, 84, 19, 11}},
                                                               {"shCamera", v.shCamera, {698, 84, 19, 11}},
                                                               {"lblPicInfo(0)", v.lblPicInfo[0], {683, 102, 50, 17}},
                                                               {"lblPicInfo(1)", v.lblPicInfo[1], {683, 118, 50, 17}},
                                                               {"lblPicInfo(2)", v.lblPicInfo[2], {683, 134, 50, 17}},
                                                               {"imgBatt", v.imgBatt, {698, 194, 19, 12}},
                                                               {"shBatt", v.shBatt, {698, 194, 19, 12}},
                                                               {"lblBattInfo", v.lblBattInfo, {684, 208, 50, 17}},
                                                               {"imgBottom", v.imgBottom, {0, 530, 755, 100}},
                                                               {"imgSuwak", v.imgSuwak, {22, 542, 26, 16}},
                                                               {"lblTime", v.lblTime, {536, 543, 129, 17}},
                                                               {"shPlay", v.shPlay, {24, 608, 636, 8}},
                                                               {"Label2", v.Label2, {688, 608, 57, 17}}};
    for (const auto& [name, w, r] : rows) QTest::newRow(name) << w << r;
    const QRect ico[kCommandRows]{{688, 380, 16, 14}, {688, 404, 15, 15}, {688, 445, 16, 16}, {689, 470, 16, 16}};
    const int rightCmdTop[kCommandRows]{376, 400, 440, 464};
    for (int k = 0; k < kCommandRows; ++k) {
      QTest::addRow("imgIco(%d)", k) << AsWidget(v.imgIco[k]) << ico[k];
      QTest::addRow("shIco(%d)", k) << AsWidget(v.shIco[k]) << ico[k];  // the lamp: right behind
      QTest::addRow("imgRightCmd(%d)", k) << AsWidget(v.imgRightCmd[k]) << QRect(712, rightCmdTop[k], 43, 25);
    }
    const int left[kTransportButtons]{24, 74, 124, 174, 244, 294, 394, 444, 514, 564, 614};
    const int width[kTransportButtons]{50, 50, 50, 70, 50, 100, 50, 70, 50, 50, 50};
    for (int k = 0; k < kTransportButtons; ++k) {  // each face with its 24 x 25 lamp, centred at its top
      QTest::addRow("imgCmd(%d)", k) << AsWidget(v.imgCmd[k]) << QRect(left[k], 576, width[k], 29);
      QTest::addRow("shCmd(%d)", k) << AsWidget(v.shCmd[k]) << QRect(left[k] + (width[k] - 24) / 2, 576, 24, 25);
    }
  }

  void controlRect() {
    QFETCH(QWidget*, control);
    QTEST(WindowRect(control), "expected");
    // The speed and the save progress lie hidden over the picture.
    const bool overPicture = control == v_.lblInfo || control == v_.lblSave;
    QCOMPARE(control->parentWidget(), overPicture ? static_cast<QWidget*>(v_.picTV) : &v_);
    QCOMPARE(control->isHidden(), overPicture);
    // Layers: skin pictures, lamps over them, everything else over those.
    QList<QWidget*> below{v_.Image3, v_.Image1, v_.imgBottom};
    for (Shape* lamp : v_.findChildren<Shape*>(Qt::FindDirectChildrenOnly)) below << lamp;
    const qsizetype layer = below.indexOf(control);
    for (QWidget* b : below.first(layer < 0 ? below.size() : layer))
      if (!overPicture && WindowRect(control).intersects(WindowRect(b)))
        QVERIFY2(v_.children().indexOf(control) > v_.children().indexOf(b), "a skin picture or lamp lies over it");
  }

  void labelLook_data() {
    QTest::addColumn<QLabel*>("label");
    QTest::addColumn<Look>("look");
    const QString sans = "Liberation Sans", mono = "Liberation Mono", narrow = "Liberation Sans Narrow";
    const QColor grey = Rgb(0x808080), titleGrey = Rgb(0x646464), red = Rgb(0x0000FF);
    const int left = Qt::AlignLeft, centre = Qt::AlignHCenter, right = Qt::AlignRight;
    QTest::newRow("Label1") << v_.Label1 << Look{sans, 0, false, left, titleGrey};
    QTest::newRow("lblCompany") << v_.lblCompany << Look{sans, 0, false, left, titleGrey};
    QTest::newRow("lblFile") << v_.lblFile << Look{mono, 0, false, centre, grey};
    QTest::newRow("lblInfo") << v_.lblInfo << Look{mono, 27, true, right, red};
    QTest::newRow("lblIdent") << v_.lblIdent << Look{mono, 13, false, centre, grey};
    for (int k = 0; k < 4; ++k)  // lblPicInfo(0) to (2), then lblBattInfo
      QTest::addRow("info %d", k) << (k < 3 ? v_.lblPicInfo[k] : v_.lblBattInfo)
                                  << Look{narrow, 11, false, centre, grey};
    QTest::newRow("lblTime") << v_.lblTime << Look{sans, 11, false, centre, grey};
    QTest::newRow("Label2") << v_.Label2 << Look{sans, 0, false, left, QColor()};
  }

  void labelLook() {
    QFETCH(QLabel*, label);
    QFETCH(Look, look);
    const auto [family, pixelSize, bold, alignment, colour] = look;
    const QFontInfo font(label->font());
    QCOMPARE(font.family(), family);  // really there, not silently replaced by another font
    if (pixelSize) QCOMPARE(font.pixelSize(), pixelSize);
    if (bold) QVERIFY(font.bold());
    if (alignment) QCOMPARE(int(label->alignment() & Qt::AlignHorizontal_Mask), alignment);
    if (colour.isValid()) QCOMPARE(label->palette().color(QPalette::WindowText), colour);
    QVERIFY2(!label->autoFillBackground(), "labels have no background of their own");
  }

  void idle_data() {
    QTest::addColumn<Idle>("c");
    QTest::newRow("no arguments") << Idle{"", false, ""};
    QTest::newRow("two quotes: no path") << Idle{"\"\"", false, ""};
    QTest::newRow("quoted missing file") << Idle{"\"%1/my recording.mjp\"", false, "Plik nie istnieje:"};
    QTest::newRow("a folder") << Idle{"%1", false, "Wskazana ścieżka jest folderem, nie plikiem:"};
    QTest::newRow("no read permission") << Idle{"%1/locked.mjp", true, "Brak uprawnień do odczytu pliku:"};
  }

  // No recording, only the open command lit, nothing created; the prompt types itself out, then again.
  void idle() {
    QFETCH(Idle, c);
    auto [argument, locked, reason] = c;
    QTemporaryDir dir;
    argument = argument.contains("%1") ? argument.arg(dir.path()) : argument;
    const QString path = QString(argument).remove('"');
    if (locked) {
      QVERIFY(QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) | QFile::ReadOther | QFile::ExeOther));
      QFile f(path);
      QVERIFY(f.open(QIODevice::WriteOnly) && f.write("\xFF\xD8\xFF\xD9", 4) == 4 && f.setPermissions({}));
    }
    const bool existed = QFileInfo::exists(path);
    Clock::set([] { return QDateTime(QDate(2007, 8, 3), QTime(17, 5, 6)); });
    ScriptedWindow w;
    std::optional<AsOrdinaryUser> user;  // root would read the locked file
    if (locked && !user.emplace().ok()) QSKIP("root cannot take an ordinary user's identity here");
    w.v.Form_Load(argument);

    QCOMPARE(w.modal.texts(), reason.isEmpty() ? QStringList() : QStringList{reason + '\n' + path});
    if (!reason.isEmpty()) QCOMPARE(w.modal.shown[0].icon, MsgIcon::Critical);
    QCOMPARE(std::tuple(QFileInfo::exists(path), w.v.core().mode(), w.v.core().recording().isOpen(),
                        w.v.timPlay.isActive()),
             std::tuple(existed, PlayMode::NoRecording, false, true));
    for (int k = 0; k < kTransportButtons; ++k) {
      QCOMPARE(w.v.shCmd[k]->FillColor(), Colour::Grey);
      QVERIFY(w.v.imgCmd[k]->Picture().toImage() == w.v.imglCmd[k].toImage());  // released
    }
    for (int k = 0; k < kCommandRows; ++k) QCOMPARE(w.v.shIco[k]->FillColor(), k == 0 ? Colour::Orange : Colour::Grey);
    QCOMPARE(w.v.lblTime->text(), QStringLiteral("03.08.2007   17:05:06"));
    QCOMPARE(w.v.lblFile->text(), QString());
    for (int tick = 1; tick <= 23; ++tick) {
      w.v.timPlay_Timer();
      QCOMPARE(w.v.lblFile->text(), QStringLiteral("Otwórz jakiś plik ...").left(tick % 22));
    }
  }

  // A quoted path with blanks plays at once, its smaller first frame centred, the rest of the canvas untouched.
  void playsCommandLineRecording() {
    const QSize frame(320, 240);
    const uitest::GeneratedRecording rec("abcd fghijklmnopqr.mjp", {.frames = 3, .width = 320, .height = 240});
    ScriptedWindow w;
    const QImage before = w.v.picTV->Canvas().copy();
    w.v.Form_Load('"' + rec.path + '"');

    QVERIFY2(w.modal.shown.empty(), qPrintable(w.modal.texts().join('|')));
    QCOMPARE(std::tuple(w.v.core().mode(), w.v.timPlay.isActive(), w.v.shCmd[7]->FillColor(), w.v.lblFile->text(),
                        w.v.lblPicInfo[2]->text()),
             std::tuple(PlayMode::Forward, true, Colour::Yellow, QStringLiteral("... fghijklmnopqr.mjp"),
                        QStringLiteral("320x240")));
    const QRect at(QPoint((640 - frame.width()) / 2, (480 - frame.height()) / 2), frame);
    const QImage& canvas = w.v.picTV->Canvas();
    const QImage first = rec.Reference(0);
    QCOMPARE(first.size(), frame);
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x) {
        const bool inside = at.contains(x, y);
        const QRgb a = canvas.pixel(x, y), b = inside ? first.pixel(x - at.x(), y - at.y()) : before.pixel(x, y);
        const int worst = std::max({qAbs(qRed(a) - qRed(b)), qAbs(qGreen(a) - qGreen(b)), qAbs(qBlue(a) - qBlue(b))});
        if (worst > (inside ? 3 : 0)) QFAIL(inside ? "not the first frame" : "painted outside the frame's place");
      }
  }

  void dragMovesWindow_data() {
    QTest::addColumn<Drag>("d");
    const QPoint top(300, 20), right(40, 25), leftUp(-30, -10);
    QTest::newRow("right button on the background") << Drag{top, Qt::RightButton, right, true};
    QTest::newRow("left button on the background") << Drag{top, Qt::LeftButton, right, true};
    QTest::newRow("middle button on the background") << Drag{top, Qt::MiddleButton, leftUp, true};
    QTest::newRow("background right of the title") << Drag{{650, 8}, Qt::RightButton, leftUp, true};
    QTest::newRow("on Label1") << Drag{{100, 29}, Qt::RightButton, right, false};
    QTest::newRow("on imgBottom") << Drag{{300, 570}, Qt::RightButton, right, false};
    QTest::newRow("on picTV") << Drag{{300, 300}, Qt::RightButton, right, false};
  }

  void dragMovesWindow() {
    QFETCH(Drag, d);
    const auto [press, button, by, background] = d;
    ScriptedWindow w;
    QVERIFY(w.show());
    QCOMPARE(w.v.childAt(press) == nullptr, background);
    QWindow* window = w.v.windowHandle();
    const QPoint start = w.v.pos(), pointer = window->mapToGlobal(press + by);
    QTest::mousePress(window, button, {}, press);
    QTest::mouseMove(window, press + by);
    // Released where the pointer now is: the window may have moved under it.
    QTest::mouseRelease(window, button, {}, window->mapFromGlobal(pointer));
    QCOMPARE(w.v.pos(), background ? start + by : start);
  }

  void titleButtons_data() {
    QTest::addColumn<TitleButton>("b");
    QTest::newRow("exit, idle") << TitleButton{false, false, Qt::LeftButton, true};
    QTest::newRow("exit, playing a recording") << TitleButton{true, false, Qt::LeftButton, true};
    QTest::newRow("exit, right button is no click") << TitleButton{false, false, Qt::RightButton, false};
    QTest::newRow("minimize") << TitleButton{true, true, Qt::LeftButton, true};
  }

  // Closing stops the timer and lets the recording go.
  void titleButtons() {
    QFETCH(TitleButton, b);
    const auto [withRecording, minimize, button, acts] = b;
    const uitest::GeneratedRecording rec(QStringLiteral("rec.mjp"), {.frames = 2});
    ScriptedWindow w;
    QVERIFY(w.show(withRecording ? rec.path : QString()));
    QCOMPARE(w.v.core().recording().isOpen(), withRecording);
    w.click(minimize ? w.v.imgMinimize : w.v.imgExit, button);
    const bool closed = acts && !minimize;
    QCOMPARE(std::tuple(w.v.isMinimized(), w.v.isVisible(), w.v.timPlay.isActive(), w.v.core().recording().isOpen()),
             std::tuple(acts && minimize, !closed, !closed, withRecording && !closed));
  }

  // The open row offers the last path and plays the choice; the time row stores OK's answer, Anuluj keeps it.
  void openAndTimeRows() {
    const uitest::GeneratedRecording other(QStringLiteral("inny.mjp"), {.frames = 2});
    MarkedWindow w;
    QVERIFY(w.start());
    w.modal.files = {QString(), other.path};
    for (int k = 0; k < 3; ++k) w.click(w.v.imgRightCmd[0]);
    QCOMPARE(w.modal.fileRequests.size(), std::size_t{3});
    for (const FileDialogRequest& r : w.modal.fileRequests) {
      QCOMPARE(r.title, QStringLiteral("Wybierz plik z zapisanym obrazem"));
      QCOMPARE(r.filter, QStringLiteral(" pliki kamery R208 (*.MJP)|*.MJP|wszystkie pliki (*.*)|*.*"));
    }
    QCOMPARE(w.modal.fileRequests[1].fileName + '|' + w.modal.fileRequests[2].fileName, '|' + other.path);
    QCOMPARE(std::pair(w.v.lblFile->text(), w.v.core().mode()),
             std::pair(QStringLiteral("inny.mjp"), PlayMode::Forward));

    w.dialogs.timeAnswers = {605};
    for (int k = 0; k < 2; ++k) w.click(w.v.imgRightCmd[1]);
    QCOMPARE(std::tuple(w.dialogs.opened, w.v.core().module().PowerOnMinutes, w.modal.shown.size()),
             std::tuple(QStringList{"time", "time"}, std::int16_t(605), std::size_t{0}));
  }

  void saveRow_data() {
    QTest::addColumn<Saving>("s");
    using B = Before;
    using A = After;
    const MsgAnswer yes = MsgAnswer::Yes, no = MsgAnswer::No;
    QTest::newRow("Anuluj in the options: nothing asked") << Saving{-1, "x.jpeg", B::Nothing, yes, "", {}, A::Nothing};
    QTest::newRow("JPEG, save dialog cancelled") << Saving{0, "", B::Nothing, yes, "", {}, A::Nothing};
    QTest::newRow("JPEG: the frame on screen") << Saving{0, "k.jpeg", B::Nothing, yes, "", {}, A::Frame};
    QTest::newRow("JPEG over a file, No") << Saving{0, "k.jpeg", B::File, no, "", {kReplace}, A::Old};
    QTest::newRow("MJP over a file, Yes") << Saving{1, "s.MJP", B::File, yes, "", {kReplace}, A::Sequence};
    QTest::newRow("MJP over a folder: never") << Saving{1, "s.MJP", B::Folder, yes, "", {}, A::Folder};
    QTest::newRow("AVI over a file, No") << Saving{2, "f.AVI", B::File, no, "mjpeg", {kReplace}, A::Old};
    QTest::newRow("AVI in Motion JPEG") << Saving{2, "f.AVI", B::File, yes, "mjpeg", {kReplace}, A::Video};
    QTest::newRow("AVI, compressor cancelled: silent") << Saving{2, "f.AVI", B::Nothing, yes, "", {}, A::NoFrames};
    QTest::newRow("AVI, no such compressor") << Saving{2, "f.AVI", B::Nothing, yes, "no", {kAviError}, A::NoFrames};
    QTest::newRow("AVI file not made") << Saving{2, "no/f.AVI", B::Nothing, yes, "mjpeg", {kAviError}, A::Nothing};
  }

  // Options, the save dialog's name and filter, the replace question, the export, an AVI error's message.
  void saveRow() {
    QFETCH(Saving, s);
    MarkedWindow w;
    QVERIFY(w.start());
    const QString out = s.name.isEmpty() ? QString() : w.rec.dir.filePath(s.name);
    if (s.before == Before::Folder) QVERIFY(QDir().mkpath(out));
    if (s.before == Before::File) {
      QFile f(out);
      QVERIFY(f.open(QIODevice::WriteOnly) && f.write("old") == 3);
    }
    if (s.kind >= 0) w.dialogs.saveAnswers.push_back({std::uint8_t(s.kind), 25});
    w.modal.files.push_back(out);
    w.modal.answers.push_back(s.replace);
    w.dialogs.compressorAnswers.push_back(s.codec.isEmpty() ? std::nullopt
                                                            : std::optional(AVICOMPRESSOPTIONS{.codec = s.codec}));
    w.click(w.v.imgRightCmd[2]);

    QCOMPARE(w.modal.texts(), s.said);
    for (const ShownMessage& m : w.modal.shown) {
      QCOMPARE(m.icon, m.text == kReplace ? MsgIcon::None : MsgIcon::Critical);
      QCOMPARE(m.buttons, m.text == kReplace ? MsgButtons::YesNo : MsgButtons::Ok);
    }
    QCOMPARE(w.modal.fileRequests.size(), std::size_t(s.kind >= 0));
    if (s.kind >= 0) {
      const QStringList offered{"Obrazek.jpeg", "Sekwencja.MJP", "Sekwencja.AVI"};
      const QStringList filter{"JPEG (*.JPEG,*.JPG)|*.JPEG;*.JPG", "MJP (*.MJP)|*.MJP", "plik wideo (*.AVI)|*.AVI"};
      QCOMPARE(w.modal.fileRequests[0].fileName, offered[s.kind]);
      QCOMPARE(w.modal.fileRequests[0].filter, filter[s.kind] + "|wszystkie pliki (*.*)|*.*");
    }
    const bool converted = s.after == After::Video || s.after == After::NoFrames;
    QCOMPARE(std::pair(w.dialogs.opened.contains("compressor"), int(w.v.core().module().SaveKind)),
             std::pair(converted, s.kind >= 0 ? s.kind : 128));
    w.verifyReady();

    const ModuleValues& m = w.v.core().module();
    const recgen::FrameRecord& shown = w.rec.frames.at(4);
    const auto probed = converted ? ProbeStream(out) : std::map<QString, QString>{};
    switch (s.after) {
      case After::Nothing: QVERIFY(out.isEmpty() || !QFileInfo::exists(out)); break;
      case After::Old: QCOMPARE(BytesOf(out), QByteArray("old")); break;
      case After::Folder: QVERIFY(QFileInfo(out).isDir()); break;
      case After::Frame: QCOMPARE(BytesOf(out), BytesOf(w.rec.path, shown.jpegPos, shown.EndPos())); break;
      case After::Sequence: QCOMPARE(BytesOf(out), BytesOf(w.rec.path, m.MarkStart, m.MarkEnd)); break;
      case After::Video:  // the marked frames at the chosen speed, with the chosen compressor
        QCOMPARE(probed.at("codec_name") + ' ' + probed.at("r_frame_rate") + ' ' + probed.at("nb_read_frames"),
                 QStringLiteral("mjpeg 25/1 5"));
        break;
      case After::NoFrames: QVERIFY(QFileInfo(out).isFile() && probed.count("nb_read_frames") == 0); break;
    }
    if (s.kind == 0 && !out.isEmpty()) QCOMPARE(w.v.core().JpegFileName(), out);  // offered next time, even after No
  }

  void unexpectedError_data() {
    QTest::addColumn<QString>("dialog");  // the dialog that throws
    QTest::addColumn<bool>("standard");   // a std::exception, or any other value
    QTest::newRow("the time dialog") << QStringLiteral("time") << true;
    QTest::newRow("the compressor dialog, mid-export") << QStringLiteral("compressor") << true;
    QTest::newRow("not an exception class") << QStringLiteral("compressor") << false;
  }

  // An exception reaching a click handler: one message, viewer stopped and ready, output closed, window working.
  void unexpectedError() {
    QFETCH(QString, dialog);
    QFETCH(bool, standard);
    MarkedWindow w;
    QVERIFY(w.start());
    const QString out = w.queueAvi();
    w.dialogs.opening = [&](const QString& opening) {
      if (opening != dialog) return;
      if (standard) throw std::runtime_error(dialog.toStdString() + " failed");
      throw 42;
    };
    const int descriptors = w.descriptors();
    const bool exporting = dialog == QLatin1String("compressor");
    w.click(exporting ? w.v.imgRightCmd[2] : w.v.imgRightCmd[1]);

    const QString what = standard ? dialog + QStringLiteral(" failed") : QStringLiteral("nieznany wyjątek");
    QCOMPARE(w.modal.texts(), QStringList{QStringLiteral("Wystąpił nieoczekiwany błąd: ") + what});
    w.verifyReady();
    QCOMPARE(std::tuple(w.modal.shown[0].icon, w.descriptors(), QFileInfo::exists(out)),
             std::tuple(MsgIcon::Critical, descriptors, exporting));

    w.dialogs.opening = nullptr;
    const FilePos shown = w.v.core().scanner().FrameStartPos();
    w.click(w.v.imgCmd[6]);
    QVERIFY(w.v.core().scanner().FrameStartPos() > shown);
    QCOMPARE(w.modal.shown.size(), std::size_t{1});
  }

  void keysAndWheel_data() {
    QTest::addColumn<QString>("inputs");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("frame");           // shown after, from 4 of 8
    QTest::addColumn<QStringList>("opened");  // dialogs, "open", "marking" (the mark lamp green), messages
    using M = PlayMode;
    const auto row = [](const char* name, const char* inputs, M mode, int frame, QStringList opened = {}) {
      QTest::newRow(name) << QString(inputs) << int(mode) << frame << opened;
    };
    row("Space plays forward", "Space", M::Forward, 4);
    row("Space again stops", "Space Space", M::Stopped, 4);
    row("Shift+Space plays backward", "Shift+Space", M::Backward, 4);
    row("Escape stops", "Shift+Space Escape", M::Stopped, 4);
    row("arrows, keypad arrows, period and comma step", "Right Num+Right . Left ,", M::Stopped, 5);
    row("Shift: fast", "Shift+Right", M::FastForward, 4);
    row("Ctrl: fastest", "Ctrl+Right", M::FastestForward, 4);
    row("End, Home", "End Home", M::Stopped, 0);
    row("wheel down: forward, up: back", "wheel-120 wheel-120 wheel-120 wheel+120", M::Stopped, 6);
    row("half notches add up", "wheel-60 wheel-60 wheel-60", M::Stopped, 5);
    row("Ctrl+wheel is no step", "Ctrl+wheel-120", M::Stopped, 4);
    row("M marks", "M", M::Stopped, 4, {"marking"});
    row("Ctrl+O opens", "Ctrl+O", M::Stopped, 4, {"open"});
    row("Ctrl+S: the save options", "Ctrl+S", M::Stopped, 4, {"saveOptions"});
    row("F1: the list of keys", "F1", M::Stopped, 4, {"Klawisze:"});
    row("other keys do nothing", "Ctrl+M X Shift+M Alt+Right", M::Stopped, 4);
  }

  // Keys and the wheel drive the buttons' commands, from frame 4 of 8 stopped.
  void keysAndWheel() {
    QFETCH(QString, inputs);
    QFETCH(int, mode);
    QFETCH(int, frame);
    MarkedWindow w;
    QVERIFY(w.start());
    Press(w, inputs);
    QStringList opened = w.dialogs.opened;
    if (!w.modal.fileRequests.empty()) opened << "open";
    if (w.v.shIco[3]->FillColor() == Colour::MarkGreen) opened << "marking";
    for (const QString& text : w.modal.texts()) opened << text.section('\n', 0, 0);
    QCOMPARE(std::pair(int(w.v.core().mode()), w.shownFrame()), std::pair(mode, frame));
    QTEST(opened, "opened");
    for (const WindowKey& k : WindowKeys())  // the help names every key
      if (inputs == "F1") QVERIFY2(w.modal.texts()[0].contains(k.keysText + " – " + k.what), qPrintable(k.what));
  }

  // Ctrl+wheel magnifies around the pointer, near a corner too: each box pixel is the frame pixel it falls on,
  // also after a step and a drag; S smooths (remembered), 0 and a double click give back the plain picture.
  void loupe() {
    MarkedWindow w;
    QVERIFY(w.start());
    const QList<std::tuple<QString, int, QString>> steps{{"Ctrl+wheel+120@10,470", 2, "Zoom: 2x"},
                                                         {"Ctrl+wheel+120@600,30", 4, "Zoom: 4x"},
                                                         {"Right", 4, "Zoom: 4x"},
                                                         {"drag", 4, "Zoom: 4x"},
                                                         {"Ctrl+wheel-120@9,9", 2, "Zoom: 2x"},
                                                         {"0", 1, "Zoom: 1x"},
                                                         {"+ + + +", 8, "Zoom: 8x"},
                                                         {"doubleclick", 1, "Zoom: 1x"}};
    for (const auto& [input, factor, text] : steps) {
      const Loupe before = w.v.core().loupe();
      if (input == "drag") {
        QTest::mousePress(w.v.picTV, Qt::LeftButton, {}, {300, 300});
        QTest::mouseMove(w.v.picTV, {250, 260});
        QTest::mouseRelease(w.v.picTV, Qt::LeftButton, {}, {250, 260});
        QCOMPARE(w.v.core().loupe().centre, before.centre + QPointF(50, 40) / 4);
      } else if (input == "doubleclick") {
        QTest::mouseDClick(w.v.picTV, Qt::LeftButton, {}, {100, 100});
      } else {
        Press(w, input);
      }
      QCOMPARE(std::pair(w.v.core().loupe().factor, w.v.lblPicInfo[1]->text()), std::pair(factor, text));
      QVERIFY2(ShowsFrameThroughLoupe(w.v), qPrintable(input));
    }
    QCOMPARE(w.shownFrame(), 5);
    Press(w, "S");
    QCOMPARE(std::pair(w.v.core().loupe().smooth, Remembered::SmoothZoom()), std::pair(true, true));
    Press(w, "S");
    QCOMPARE(Remembered::SmoothZoom(), false);
  }

  // While a conversion runs its caption shows, whole; of all keys only Escape acts: it stops the conversion.
  void keysDuringExport() {
    MarkedWindow w;
    QVERIFY(w.start());
    const QString out = w.queueAvi();
    QString caption;
    w.dialogs.opening = [&](const QString& opening) {
      if (opening != QLatin1String("compressor")) return;
      QTimer::singleShot(0, &w.v, [&] {
        Press(w, "Right Ctrl+S M Home Ctrl+O wheel-120");
        const QLabel& l = *w.v.lblSave;
        caption = l.isVisible() && l.width() >= l.fontMetrics().horizontalAdvance(l.text()) &&
                          std::abs(l.geometry().center().x() - 320) <= 1
                      ? l.text()
                      : QStringLiteral("hidden, cut or off centre");
        Press(w, "Escape");
      });
    };
    w.click(w.v.imgRightCmd[2]);
    QCOMPARE(caption, QStringLiteral("Konwersja… 0%"));
    QCOMPARE(std::tuple(w.dialogs.opened, w.modal.fileRequests.size(), ProbeStream(out).at("nb_read_frames")),
             std::tuple(QStringList{"saveOptions", "compressor"}, std::size_t{1}, QStringLiteral("N/A")));
    w.verifyReady();
  }

  void drop_data() {
    QTest::addColumn<QStringList>("names");  // in the recording's folder
    QTest::addColumn<bool>("taken");
    QTest::addColumn<QString>("title");  // after
    QTest::newRow("a recording") << QStringList{"inny.MJP"} << true << "inny.MJP";
    QTest::newRow("lower case") << QStringList{"inny.mjp"} << true << "inny.mjp";
    QTest::newRow("no recording") << QStringList{"inny.avi"} << false << "rec.mjp";
    QTest::newRow("two at once") << QStringList{"inny.mjp", "inny.MJP"} << false << "rec.mjp";
    QTest::newRow("missing: says why, no name stays") << QStringList{"brak.mjp"} << true << "";
  }

  // A dropped recording opens as the open row opens one, and the open dialog starts in its folder next time.
  void drop() {
    QFETCH(QStringList, names);
    QFETCH(bool, taken);
    MarkedWindow w;
    QVERIFY(w.start());
    QStringList paths;
    for (const QString& n : names) {
      paths << w.rec.dir.filePath(n);
      if (!n.startsWith("brak")) QVERIFY(QFile::copy(w.rec.path, paths.back()));
    }
    QCOMPARE(Drop(w.v, paths), taken);
    QTEST(w.v.lblFile->text(), "title");
    const bool missing = names[0].startsWith("brak");
    QCOMPARE(w.modal.texts(), missing ? QStringList{"Plik nie istnieje:\n" + paths[0]} : QStringList());
    QCOMPARE(w.v.core().mode(), taken && !missing ? PlayMode::Forward : PlayMode::Stopped);
    w.click(w.v.imgRightCmd[0]);
    QCOMPARE(w.modal.fileRequests.at(0).fileName, taken ? paths[0] : QString());
  }

  // The dialogs start in the folders last used, also in the next run: the save dialog where the last export went.
  void foldersRemembered() {
    const uitest::GeneratedRecording other(QStringLiteral("inny.mjp"), {.frames = 2});
    QTemporaryDir exports;
    {
      MarkedWindow w;
      QVERIFY(w.start());
      w.modal.files = {other.path};
      w.click(w.v.imgRightCmd[0]);
      w.dialogs.saveAnswers = {{1, 10}, {2, 10}};
      w.modal.files = {exports.filePath("cut.MJP"), QString()};
      w.click(w.v.imgRightCmd[2]);
      w.click(w.v.imgRightCmd[2]);
      QCOMPARE(w.modal.fileRequests.at(2).fileName, exports.filePath("Sekwencja.AVI"));
    }
    ScriptedModal modal;
    ModalScope scope(modal);
    frmViewer next;
    next.Form_Load(QString());
    next.imgRightCmd_Click(0);
    QCOMPARE(modal.fileRequests.at(0).fileName, QFileInfo(other.path).absolutePath());
  }

  // The burn-in choice is remembered from one save to the next; with it, a JPEG gets its annotated copy beside it.
  void overlayRemembered() {
    MarkedWindow w;
    QVERIFY(w.start());
    w.dialogs.saveAnswers = {{0, 10}, {0, 10}};
    w.dialogs.overlayAnswer = true;
    w.modal.files = {w.rec.dir.filePath("k.jpeg"), QString()};
    w.click(w.v.imgRightCmd[2]);
    w.click(w.v.imgRightCmd[2]);
    QCOMPARE(w.dialogs.overlayShown, (std::vector<bool>{false, true}));
    QVERIFY(QFileInfo(w.rec.dir.filePath("k-opis.jpeg")).size() > 0);
  }

  // Closing during a conversion stops it first; the window closes once the file is complete, silently.
  void closeDuringExport() {
    MarkedWindow w;
    QVERIFY(w.start());
    const QString out = w.queueAvi();
    w.dialogs.opening = [&](const QString& opening) {
      if (opening == QLatin1String("compressor"))
        QTimer::singleShot(0, &w.v, [&] {
          w.v.close();
          QVERIFY(w.v.isVisible());  // still converting
        });
    };
    w.click(w.v.imgRightCmd[2]);
    const auto stream = ProbeStream(out);  // stopped before its first frame
    QCOMPARE(std::tuple(w.v.isVisible(), w.v.core().recording().isOpen(), w.modal.shown.size(), stream.at("codec_name"),
                        stream.at("nb_read_frames")),
             std::tuple(false, false, std::size_t{0}, QStringLiteral("mjpeg"), QStringLiteral("N/A")));
  }
};

UI_TEST_SUITE(ViewerWindowTest);
#include "ViewerWindowTest.moc"
