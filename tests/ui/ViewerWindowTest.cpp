// The main window as a window: dragging it by its background, its own title buttons, the
// command panel's dialogs around the viewer's exports, and coming back from an error nobody
// planned for.

#include "ViewerTestSupport.h"
#include "support/FileContents.h"
#include "support/Probe.h"

namespace {

// On a recording of eight frames, stopped on frame 4, with frames 0 to 4 marked through its
// own buttons.
struct MarkedWindow : uitest::ScriptedWindow {
  const uitest::GeneratedRecording rec{QStringLiteral("rec.mjp"), {.frames = 8}};

  bool start() {
    if (!show(rec.path())) return false;
    // Stop, go to the start, mark, four frames on, mark.
    for (const QWidget* c : {v.imgCmd[5], v.imgCmd[0], v.imgRightCmd[3], v.imgCmd[6], v.imgCmd[6], v.imgCmd[6],
                             v.imgCmd[6], v.imgRightCmd[3]})
      click(c);
    modal.shown.clear();  // what marking said
    return true;
  }
  // The save row answered to convert the marked frames to AVI in Motion JPEG at `out`.
  QString queueAvi() {
    dialogs.saveAnswers.push_back({2, 10});
    modal.files.push_back(rec.folder() + QStringLiteral("/film.AVI"));
    dialogs.compressorAnswers.push_back(AVICOMPRESSOPTIONS{.codec = QStringLiteral("mjpeg")});
    return modal.files.back();
  }
  int descriptors() const { return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size(); }
  void verifyReady() {
    QCOMPARE(v.core().mode(), PlayMode::Stopped);
    QCOMPARE(v.shIco[2]->FillColor(), Colour::Orange);
    for (int k = 0; k < kTransportButtons; ++k) QCOMPARE(v.shCmd[k]->FillColor(), Colour::Blue);
    QVERIFY(!v.lblSave->isVisible());
  }
};

enum class Before { Nothing, File, Folder };  // what lies under the chosen name
enum class After { Nothing, Old, Folder, Frame, Sequence, Video, NoFrames };

struct Saving {
  int kind;          // the options' answer (AVI at 25 frames a second); -1: Anuluj
  QString name;      // the save dialog's answer in the recording's folder; empty: cancelled
  Before before;
  MsgAnswer replace;  // the answer to the replace question
  QString codec;     // the compressor's answer; empty: cancelled
  QStringList said;  // the messages, in order
  After after;
};

struct Drag {
  QPoint press;  // window coordinates
  Qt::MouseButton button;
  QPoint by;
  bool background;  // pressed on the background, which drags; else on a control
};

struct TitleButton {
  bool withRecording, minimize;
  Qt::MouseButton button;
  bool acts;
};

const QString kReplace = QStringLiteral("Plik o podanej nazwie już istniej. Czy go zamienić ?");
const QString kAviError = QStringLiteral("Wystapił błąd podczas tworzenia pliku !");

}  // namespace

class ViewerWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void dragMovesWindow_data() {
    QTest::addColumn<Drag>("d");
    const QPoint top(300, 20), right(40, 25), leftUp(-30, -10);
    QTest::newRow("right button on the background") << Drag{top, Qt::RightButton, right, true};
    QTest::newRow("left button on the background") << Drag{top, Qt::LeftButton, right, true};
    QTest::newRow("middle button on the background") << Drag{top, Qt::MiddleButton, leftUp, true};
    QTest::newRow("background right of the title") << Drag{{650, 8}, Qt::RightButton, leftUp, true};
    QTest::newRow("on Label1") << Drag{{100, 29}, Qt::RightButton, right, false};
    QTest::newRow("on lblTime") << Drag{{600, 551}, Qt::LeftButton, right, false};
    QTest::newRow("on lblFile") << Drag{{432, 34}, Qt::RightButton, leftUp, false};
    QTest::newRow("on imgBottom") << Drag{{300, 570}, Qt::RightButton, right, false};
    QTest::newRow("on picTV") << Drag{{300, 300}, Qt::RightButton, right, false};
  }

  void dragMovesWindow() {
    QFETCH(Drag, d);
    uitest::ScriptedWindow w;
    QVERIFY(w.show());
    QCOMPARE(w.v.childAt(d.press) == nullptr, d.background);
    QWindow* window = w.v.windowHandle();
    const QPoint start = w.v.pos(), pointer = window->mapToGlobal(d.press + d.by);
    QTest::mousePress(window, d.button, {}, d.press);
    QTest::mouseMove(window, d.press + d.by);
    // Release where the pointer now is: the window may have moved under it since.
    QTest::mouseRelease(window, d.button, {}, window->mapFromGlobal(pointer));
    QCOMPARE(w.v.pos(), d.background ? start + d.by : start);
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
    const uitest::GeneratedRecording rec(QStringLiteral("rec.mjp"), {.frames = 2});
    uitest::ScriptedWindow w;
    QVERIFY(w.show(b.withRecording ? rec.path() : QString()));
    QCOMPARE(w.v.core().recording().isOpen(), b.withRecording);
    w.click(b.minimize ? w.v.imgMinimize : w.v.imgExit, b.button);
    const bool closed = b.acts && !b.minimize;
    QCOMPARE(w.v.isMinimized(), b.acts && b.minimize);
    QCOMPARE(w.v.isVisible(), !closed);
    QCOMPARE(w.v.timPlay.isActive(), !closed);
    QCOMPARE(w.v.core().recording().isOpen(), b.withRecording && !closed);
  }

  // The open row offers the path chosen last and plays what is chosen; the time row hands
  // the dialog's answer to the viewer, and Anuluj keeps it.
  void openAndTimeRows() {
    const uitest::GeneratedRecording other(QStringLiteral("inny.mjp"), {.frames = 2});
    MarkedWindow w;
    QVERIFY(w.start());
    w.modal.files = {QString(), other.path()};
    for (int k = 0; k < 3; ++k) w.click(w.v.imgRightCmd[0]);
    QCOMPARE(w.modal.fileRequests.size(), std::size_t{3});
    for (const FileDialogRequest& r : w.modal.fileRequests) {
      QCOMPARE(r.title, QStringLiteral("Wybierz plik z zapisanym obrazem"));
      QCOMPARE(r.filter, QStringLiteral(" pliki kamery R208 (*.MJP)|*.MJP|wszystkie pliki (*.*)|*.*"));
    }
    QCOMPARE(w.modal.fileRequests[1].fileName + '|' + w.modal.fileRequests[2].fileName, '|' + other.path());
    QCOMPARE(w.v.lblFile->text(), QStringLiteral("inny.mjp"));
    QCOMPARE(w.v.core().mode(), PlayMode::Forward);

    w.dialogs.timeAnswers = {605};
    for (int k = 0; k < 2; ++k) w.click(w.v.imgRightCmd[1]);
    QCOMPARE(w.dialogs.opened, (QStringList{"time", "time"}));
    QCOMPARE(w.v.core().module().PowerOnMinutes, 605);
    QVERIFY(w.modal.shown.empty());
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

  // The save row: the options, the save dialog with the kind's name and filter, the replace
  // question for a file in the way, the export, and the message an AVI error calls for.
  void saveRow() {
    QFETCH(Saving, s);
    MarkedWindow w;
    QVERIFY(w.start());
    const QString out = s.name.isEmpty() ? QString() : w.rec.folder() + '/' + s.name;
    if (s.before == Before::Folder) QVERIFY(QDir().mkpath(out));
    if (s.before == Before::File) {
      QFile f(out);
      QVERIFY(f.open(QIODevice::WriteOnly) && f.write("old") == 3);
    }
    if (s.kind >= 0) w.dialogs.saveAnswers.push_back({std::uint8_t(s.kind), 25});
    w.modal.files.push_back(out);
    w.modal.answers.push_back(s.replace);
    w.dialogs.compressorAnswers.push_back(
        s.codec.isEmpty() ? std::nullopt : std::optional(AVICOMPRESSOPTIONS{.codec = s.codec}));
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
    QCOMPARE(w.dialogs.opened.contains("compressor"), converted);
    QCOMPARE(int(w.v.core().module().SaveKind), s.kind >= 0 ? s.kind : 128);
    w.verifyReady();

    const ModuleValues& m = w.v.core().module();
    const recgen::FrameRecord& shown = w.rec.frame(4);
    const auto probed = converted ? ProbeStream(out) : std::map<QString, QString>{};
    switch (s.after) {
      case After::Nothing: QVERIFY(out.isEmpty() || !QFileInfo::exists(out)); break;
      case After::Old: QCOMPARE(BytesOf(out), QByteArray("old")); break;
      case After::Folder: QVERIFY(QFileInfo(out).isDir()); break;
      case After::Frame: QCOMPARE(BytesOf(out), BytesOf(w.rec.path(), shown.jpegPos, shown.EndPos())); break;
      case After::Sequence: QCOMPARE(BytesOf(out), BytesOf(w.rec.path(), m.MarkStart, m.MarkEnd)); break;
      case After::Video:
        QCOMPARE(probed.at("codec_name"), QStringLiteral("mjpeg"));
        QCOMPARE(probed.at("r_frame_rate"), QStringLiteral("25/1"));
        QCOMPARE(probed.at("nb_read_frames"), QStringLiteral("5"));
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

  // An exception that reaches a click handler is caught there: one message, the viewer
  // stopped with its lamps ready, an export's output closed, and the window goes on working.
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
    QCOMPARE(w.modal.shown[0].icon, MsgIcon::Critical);
    w.verifyReady();
    QCOMPARE(w.descriptors(), descriptors);
    QCOMPARE(QFileInfo::exists(out), exporting);

    w.dialogs.opening = nullptr;
    const FilePos shown = w.v.core().scanner().FrameStartPos();
    w.click(w.v.imgCmd[6]);
    QVERIFY(w.v.core().scanner().FrameStartPos() > shown);
    QCOMPARE(w.modal.shown.size(), std::size_t{1});
  }

  // Closing the window during a conversion stops the conversion first: the window stays until
  // the file is complete, then closes, with the recording let go and nothing said.
  void closeDuringExport() {
    MarkedWindow w;
    QVERIFY(w.start());
    const QString out = w.queueAvi();
    w.dialogs.opening = [&](const QString& opening) {
      if (opening == QLatin1String("compressor")) QTimer::singleShot(0, &w.v, [&] {
        w.v.close();
        QVERIFY(w.v.isVisible());  // still converting
      });
    };
    w.click(w.v.imgRightCmd[2]);
    QVERIFY(!w.v.isVisible());
    QVERIFY(!w.v.core().recording().isOpen());
    QVERIFY(w.modal.shown.empty());
    const auto stream = ProbeStream(out);
    QCOMPARE(stream.at("codec_name"), QStringLiteral("mjpeg"));
    QCOMPARE(stream.at("nb_read_frames"), QStringLiteral("N/A"));  // stopped before its first frame
  }
};

UI_TEST_SUITE(ViewerWindowTest);
#include "ViewerWindowTest.moc"
