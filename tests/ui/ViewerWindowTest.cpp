// The main window: layout, outline, start-up, dragging, title buttons, command rows, unexpected errors.

#include "ViewerTestSupport.h"
#include "platform/Clock.h"
#include "support/FileContents.h"
#include "support/OrdinaryUser.h"
#include "support/Probe.h"
#include "ui/PictureBox.h"
#include "ui/WindowKeys.h"
#include "viewer/Loupe.h"

namespace {

using namespace uitest;

// Eight frames, stopped on frame 4, frames 0 to 4 marked through the window's own buttons.
struct MarkedWindow : ScriptedWindow {
  const TempRecording rec{recgen::Options{.frames = 8}};

  bool start() {
    if (!show(rec.path())) return false;
    for (const QWidget* c : {v.imgCmd[5], v.imgCmd[0], v.imgRightCmd[3], v.imgCmd[6], v.imgCmd[6], v.imgCmd[6],
                             v.imgCmd[6], v.imgRightCmd[3]})
      click(c);
    modal.shown.clear();  // what marking said
    return true;
  }
  // The save row answered to convert the marked frames to AVI in Motion JPEG; the file's path.
  QString queueAvi() {
    dialogs.saveAnswers.push_back({2, 10});
    modal.files.push_back(rec.folder() + "/film.AVI");
    dialogs.compressorAnswers.push_back(AVICOMPRESSOPTIONS{.codec = QStringLiteral("mjpeg")});
    return modal.files.back();
  }
  int shownFrame() { return rec.FrameIndex(v.core().scanner().FrameStartPos()); }
  void verifyReady() {
    QCOMPARE(std::tuple(v.core().mode(), v.shIco[2]->FillColor(), v.lblSave->isVisible()),
             std::tuple(PlayMode::Stopped, Colour::Orange, false));
    for (const Shape* lamp : v.shCmd) QCOMPARE(lamp->FillColor(), Colour::Blue);
  }
};

using Idle = std::tuple<QString, bool, QString>;  // argument (%1: a private folder), file locked, message
// Pressed at (window coordinates), with, moved by, on the background (which drags; else on a control).
using Drag = std::tuple<QPoint, Qt::MouseButton, QPoint, bool>;
using TitleButton = std::tuple<bool, bool, Qt::MouseButton, bool>;  // with a recording, minimize, with, acts

enum class Before { Nothing, File, Folder };  // what lies under the chosen name
enum class After { Nothing, Old, Folder, Frame, Sequence, Video, NoFrames };

// The options' answer (AVI at 25 frames a second; -1: Anuluj), the save dialog's answer in the recording's folder
// (empty: cancelled), what lies under it, the answer to the replace question, the compressor's answer (empty:
// cancelled), the messages in order, what is there after.
using Saving = std::tuple<int, QString, Before, MsgAnswer, QString, QStringList, After>;

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

const QString kReplace = QStringLiteral("Plik o podanej nazwie już istniej. Czy go zamienić ?");
const QString kAviError = QStringLiteral("Wystapił błąd podczas tworzenia pliku !");

}  // namespace

class ViewerWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { Clock::set({}); }

  // The picture box copies a surface into its canvas as cDIBSection::PaintPicture paints it with SRCCOPY:
  // odd widths (row padding), frames smaller than the box, larger ones centred off its edges, one beyond them.
  void pictureBoxPaint_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("at");
    QTest::newRow("the box's size") << QSize(640, 480) << QPoint(0, 0);
    QTest::newRow("odd, inside") << QSize(7, 5) << QPoint(301, 2);
    QTest::newRow("larger, centred") << QSize(803, 601) << QPoint(-81, -60);
    QTest::newRow("over the right and lower edges") << QSize(33, 17) << QPoint(630, 470);
    QTest::newRow("outside") << QSize(10, 10) << QPoint(-20, 500);
  }
  void pictureBoxPaint() {
    QFETCH(QSize, size);
    QFETCH(QPoint, at);
    cDIBSection dib;
    QVERIFY(dib.Create(size.width(), size.height()));
    dib.RandomiseBits();
    PictureBox box(nullptr);
    box.Canvas().fill(Qt::darkCyan);
    QImage expected = box.Canvas();
    {
      QPainter p(&expected);
      dib.PaintPicture(p, at.x(), at.y(), -1, -1, 0, 0, cDIBSection::SRCCOPY);
    }
    box.Paint(dib, at.x(), at.y());
    QCOMPARE(box.Canvas(), expected);
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
  // The window's look in the golden pictures: each control in its place, its font and colour, corners cut.
  void idle() {
    QFETCH(Idle, c);
    auto [argument, locked, reason] = c;
    QTemporaryDir dir;
    argument = argument.contains("%1") ? argument.arg(dir.path()) : argument;
    const QString path = QString(argument).remove('"');
    if (locked)
      QVERIFY(QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) | QFile::ReadOther | QFile::ExeOther) &&
              WriteFile(path, "\xFF\xD8\xFF\xD9") && QFile::setPermissions(path, {}));
    const bool existed = QFileInfo::exists(path);
    Clock::set([] { return QDateTime(QDate(2007, 8, 3), QTime(17, 5, 6)); });
    ScriptedWindow w;
    std::optional<AsOrdinaryUser> user;  // root would read the locked file
    if (locked && !user.emplace().ok()) QSKIP("root cannot take an ordinary user's identity here");
    w.v.Form_Load(argument);
    user.reset();

    QCOMPARE(w.modal.texts(), reason.isEmpty() ? QStringList() : QStringList{reason + '\n' + path});
    if (!reason.isEmpty()) QCOMPARE(w.modal.shown[0].icon, MsgIcon::Critical);
    QCOMPARE(std::tuple(QFileInfo::exists(path), w.v.core().mode(), w.v.core().recording().isOpen(),
                        w.v.timPlay.isActive()),
             std::tuple(existed, PlayMode::NoRecording, false, true));
    QVERIFY(LooksAsGolden(w.v, "window-idle"));  // lamps grey but the open row's, faces up, the time of day
    for (int tick = 1; tick <= 23; ++tick) {
      w.v.timPlay_Timer();
      QCOMPARE(w.v.lblFile->text(), QStringLiteral("Otwórz jakiś plik ...").left(tick % 22));
    }
  }

  // A quoted path with blanks plays at once; on the first frame with a speed, the smaller frame is centred and
  // the panel filled.
  void playsCommandLineRecording() {
    const TempRecording rec(recgen::Options{.frames = 16, .width = 320, .height = 240}, "abcd fghijklmnopqr.mjp");
    ScriptedWindow w;
    w.v.Form_Load('"' + rec.path() + '"');
    QVERIFY2(w.modal.shown.empty(), qPrintable(w.modal.texts().join('|')));
    for (int k = 0; k < 15; ++k) w.v.timPlay_Timer();
    QCOMPARE(std::tuple(w.v.core().mode(), w.v.timPlay.isActive(), w.v.windowTitle(), w.v.minimumSize(),
                        w.v.windowFlags().testFlag(Qt::FramelessWindowHint)),
             std::tuple(PlayMode::Forward, true, QStringLiteral("Vistrel_3.0"), w.v.maximumSize(), true));
    QVERIFY(LooksAsGolden(w.v, "window-playing"));
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
    QTest::newRow("on picTV") << Drag{{300, 300}, Qt::LeftButton, right, false};
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
    const TempRecording rec(recgen::Options{.frames = 2});
    ScriptedWindow w;
    QVERIFY(w.show(withRecording ? rec.path() : QString()));
    QCOMPARE(w.v.core().recording().isOpen(), withRecording);
    w.click(minimize ? w.v.imgMinimize : w.v.imgExit, button);
    const bool closed = acts && !minimize;
    QCOMPARE(std::tuple(w.v.isMinimized(), w.v.isVisible(), w.v.timPlay.isActive(), w.v.core().recording().isOpen()),
             std::tuple(acts && minimize, !closed, !closed, withRecording && !closed));
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
    const auto [kind, name, before, replace, codec, said, after] = s;
    MarkedWindow w;
    QVERIFY(w.start());
    const QString out = name.isEmpty() ? QString() : w.rec.folder() + '/' + name;
    if (before == Before::Folder) QVERIFY(QDir().mkpath(out));
    if (before == Before::File) QVERIFY(WriteFile(out, "old"));
    if (kind >= 0) w.dialogs.saveAnswers.push_back({std::uint8_t(kind), 25});
    w.modal.files.push_back(out);
    w.modal.answers.push_back(replace);
    w.dialogs.compressorAnswers.push_back(codec.isEmpty() ? std::nullopt
                                                          : std::optional(AVICOMPRESSOPTIONS{.codec = codec}));
    w.click(w.v.imgRightCmd[2]);

    QCOMPARE(w.modal.texts(), said);
    for (const ShownMessage& m : w.modal.shown) {
      QCOMPARE(m.icon, m.text == kReplace ? MsgIcon::None : MsgIcon::Critical);
      QCOMPARE(m.buttons, m.text == kReplace ? MsgButtons::YesNo : MsgButtons::Ok);
    }
    QCOMPARE(w.modal.fileRequests.size(), std::size_t(kind >= 0));
    if (kind >= 0) {
      const QStringList offered{"Obrazek.jpeg", "Sekwencja.MJP", "Sekwencja.AVI"};
      const QStringList filter{"JPEG (*.JPEG,*.JPG)|*.JPEG;*.JPG", "MJP (*.MJP)|*.MJP", "plik wideo (*.AVI)|*.AVI"};
      QCOMPARE(w.modal.fileRequests[0].fileName, offered[kind]);
      QCOMPARE(w.modal.fileRequests[0].filter, filter[kind] + "|wszystkie pliki (*.*)|*.*");
    }
    const bool converted = after == After::Video || after == After::NoFrames;
    QCOMPARE(std::pair(w.dialogs.opened.contains("compressor"), int(w.v.core().module().SaveKind)),
             std::pair(converted, kind >= 0 ? kind : 128));
    w.verifyReady();

    const ModuleValues& m = w.v.core().module();
    const recgen::FrameRecord& shown = w.rec.records.at(4);
    const auto probed = converted ? ProbeStream(out) : std::map<QString, QString>{};
    switch (after) {
      case After::Nothing: QVERIFY(out.isEmpty() || !QFileInfo::exists(out)); break;
      case After::Old: QCOMPARE(BytesOf(out), QByteArray("old")); break;
      case After::Folder: QVERIFY(QFileInfo(out).isDir()); break;
      case After::Frame: QCOMPARE(BytesOf(out), BytesOf(w.rec.path(), shown.jpegPos, shown.EndPos())); break;
      case After::Sequence: QCOMPARE(BytesOf(out), BytesOf(w.rec.path(), m.MarkStart, m.MarkEnd)); break;
      case After::Video:  // the marked frames at the chosen speed, with the chosen compressor
        QCOMPARE(probed.at("codec_name") + ' ' + probed.at("r_frame_rate") + ' ' + probed.at("nb_read_frames"),
                 QStringLiteral("mjpeg 25/1 5"));
        break;
      case After::NoFrames: QVERIFY(QFileInfo(out).isFile() && probed.count("nb_read_frames") == 0); break;
    }
    if (kind == 0 && !out.isEmpty()) QCOMPARE(w.v.core().JpegFileName(), out);  // offered next time, even after No
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
    const int descriptors = OpenDescriptors();
    const bool exporting = dialog == QLatin1String("compressor");
    w.click(exporting ? w.v.imgRightCmd[2] : w.v.imgRightCmd[1]);

    const QString what = standard ? dialog + QStringLiteral(" failed") : QStringLiteral("nieznany wyjątek");
    QCOMPARE(w.modal.texts(), QStringList{QStringLiteral("Wystąpił nieoczekiwany błąd: ") + what});
    w.verifyReady();
    QCOMPARE(std::tuple(w.modal.shown[0].icon, OpenDescriptors(), QFileInfo::exists(out)),
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
    row("F1: the list of keys", "F1", M::Stopped, 4, {"Klawisze"});
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
    for (const QString& text : w.modal.texts())
      opened << (Qt::mightBeRichText(text) ? QTextDocumentFragment::fromHtml(text).toPlainText() : text)
                    .section('\n', 0, 0);
    QCOMPARE(std::pair(int(w.v.core().mode()), w.shownFrame()), std::pair(mode, frame));
    QTEST(opened, "opened");
    if (inputs != "F1") return;
    // The help: a table of two columns, a row for every key, the keys left and what they do right.
    QTextDocument help;
    help.setHtml(w.modal.texts()[0]);
    const auto* keys = qobject_cast<QTextTable*>(help.rootFrame()->childFrames().value(0));
    QVERIFY(keys);
    QCOMPARE(std::pair(keys->rows(), keys->columns()), std::pair(int(WindowKeys().size()), 2));
    const auto cellText = [&](int row, int column) {
      QTextCursor c = keys->cellAt(row, column).firstCursorPosition();
      c.setPosition(keys->cellAt(row, column).lastCursorPosition().position(), QTextCursor::KeepAnchor);
      return c.selectedText().trimmed();
    };
    for (int row = 0; row < keys->rows(); ++row) {
      const WindowKey& k = WindowKeys()[static_cast<std::size_t>(row)];
      QCOMPARE(std::pair(cellText(row, 0), cellText(row, 1)), std::pair(k.keysText, k.what));
    }
  }

  // Ctrl+wheel magnifies around the pointer, near a corner too: each box pixel is the frame pixel it falls on,
  // also after a step and a drag; S smooths (remembered), 0 and a double click give back the plain picture.
  void loupe() {
    MarkedWindow w;
    QVERIFY(w.start());
    const QList<std::pair<QString, int>> steps{{"Ctrl+wheel+120@10,470", 2},
                                               {"Ctrl+wheel+120@600,30", 4},
                                               {"Right", 4},
                                               {"drag", 4},
                                               {"Ctrl+wheel-120@9,9", 2},
                                               {"0", 1},
                                               {"+ + + +", 8},
                                               {"doubleclick", 1}};  // the factor after
    for (const auto& [input, factor] : steps) {
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
      QCOMPARE(std::pair(w.v.core().loupe().factor, w.v.lblPicInfo[1]->text()),
               std::pair(factor, QStringLiteral("Zoom: %1x").arg(factor)));
      QVERIFY2(ShowsFrameThroughLoupe(w.v), qPrintable(input));
    }
    QCOMPARE(w.shownFrame(), 5);
    Press(w, "S");
    QCOMPARE(std::pair(w.v.core().loupe().smooth, Remembered::SmoothZoom()), std::pair(true, true));
    Press(w, "S");
    QCOMPARE(Remembered::SmoothZoom(), false);
  }

  void duringExport_data() {
    QTest::addColumn<bool>("closing");
    QTest::newRow("Escape stops it") << false;
    QTest::newRow("closing stops it first, then closes") << true;
  }

  // While a conversion runs its caption shows, whole and centred (in the golden picture); of all keys only Escape
  // acts: it stops the conversion. Closing stops it first; the window closes once the file is complete, silently.
  void duringExport() {
    QFETCH(bool, closing);
    MarkedWindow w;
    QVERIFY(w.start());
    const QString out = w.queueAvi();
    bool looked = false, converting = false;
    w.dialogs.opening = [&](const QString& opening) {
      if (opening != QLatin1String("compressor")) return;
      QTimer::singleShot(0, &w.v, [&] {
        Press(w, "Right Ctrl+S M Home Ctrl+O wheel-120");
        looked = LooksAsGolden(w.v, "window-converting");
        closing ? void(w.v.close()) : Press(w, "Escape");
        converting = w.v.isVisible();
      });
    };
    w.click(w.v.imgRightCmd[2]);
    const auto stream = ProbeStream(out);  // stopped before its first frame
    QCOMPARE(std::tuple(looked, converting, w.dialogs.opened, w.modal.fileRequests.size(), w.modal.shown.size()),
             std::tuple(true, true, QStringList{"saveOptions", "compressor"}, std::size_t{1}, std::size_t{0}));
    QCOMPARE(std::tuple(w.v.isVisible(), w.v.core().recording().isOpen(), stream.at("codec_name"),
                        stream.at("nb_read_frames")),
             std::tuple(!closing, !closing, QStringLiteral("mjpeg"), QStringLiteral("N/A")));
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
  }

  // A dropped recording opens as the open row opens one (a missing one: the core's open test), and the open dialog
  // starts in its folder next time.
  void drop() {
    QFETCH(QStringList, names);
    QFETCH(bool, taken);
    MarkedWindow w;
    QVERIFY(w.start());
    QStringList paths;
    for (const QString& n : names) QVERIFY(QFile::copy(w.rec.path(), paths.emplace_back(w.rec.folder() + '/' + n)));
    QCOMPARE(Drop(w.v, paths), taken);
    QTEST(w.v.lblFile->text(), "title");
    QCOMPARE(std::pair(w.v.core().mode(), w.modal.shown.size()),
             std::pair(taken ? PlayMode::Forward : PlayMode::Stopped, std::size_t{0}));
    w.click(w.v.imgRightCmd[0]);
    QCOMPARE(w.modal.fileRequests.at(0).fileName, taken ? paths[0] : QString());
  }

  // The open row offers the last path and plays the choice; the time row stores OK's answer, Anuluj keeps it. The
  // dialogs start in the folders last used, also in the next run: the save dialog where the last export went. The
  // burn-in choice is remembered from one save to the next; with it, a JPEG gets its annotated copy beside it.
  void commandRowsRemember() {
    const TempRecording other(recgen::Options{.frames = 2}, "inny.mjp");
    QTemporaryDir exports;
    {
      MarkedWindow w;
      QVERIFY(w.start());
      w.modal.files = {QString(), other.path()};
      for (int k = 0; k < 3; ++k) w.click(w.v.imgRightCmd[0]);
      QCOMPARE(w.modal.fileRequests.size(), std::size_t{3});
      for (const FileDialogRequest& r : w.modal.fileRequests)
        QCOMPARE(r.title + '|' + r.filter, QStringLiteral("Wybierz plik z zapisanym obrazem| pliki kamery R208 "
                                                          "(*.MJP)|*.MJP|wszystkie pliki (*.*)|*.*"));
      QCOMPARE(w.modal.fileRequests[1].fileName + '|' + w.modal.fileRequests[2].fileName, '|' + other.path());
      QCOMPARE(std::pair(w.v.lblFile->text(), w.v.core().mode()),
               std::pair(QStringLiteral("inny.mjp"), PlayMode::Forward));
      w.dialogs.timeAnswers = {605};
      for (int k = 0; k < 2; ++k) w.click(w.v.imgRightCmd[1]);
      w.dialogs.saveAnswers = {{0, 10}, {2, 10}};
      w.dialogs.overlayAnswer = true;
      w.modal.files = {exports.filePath("k.jpeg"), QString()};
      w.click(w.v.imgRightCmd[2]);
      w.click(w.v.imgRightCmd[2]);
      QCOMPARE(std::tuple(w.dialogs.opened, w.v.core().module().PowerOnMinutes, w.modal.shown.size()),
               std::tuple(QStringList{"time", "time", "saveOptions", "saveOptions"}, std::int16_t(605),
                          std::size_t{0}));
      QCOMPARE(w.modal.fileRequests.at(4).fileName, exports.filePath("Sekwencja.AVI"));
      QCOMPARE(w.dialogs.overlayShown, (std::vector<bool>{false, true}));
      QVERIFY(QFileInfo(exports.filePath("k-opis.jpeg")).size() > 0);
    }
    ScriptedModal modal;
    ModalScope scope(modal);
    frmViewer next;
    next.Form_Load(QString());
    next.imgRightCmd_Click(0);
    QCOMPARE(modal.fileRequests.at(0).fileName, QFileInfo(other.path()).absolutePath());
  }
};

UI_TEST_SUITE(ViewerWindowTest);
#include "ViewerWindowTest.moc"
