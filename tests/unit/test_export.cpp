// The JPEG and MJP exports: exact bytes, the piece loop with its captions, stop,
// replacing an existing file, and the export state the viewer returns from.

#include <gtest/gtest.h>

#include <QFile>

#include "support/ViewerRig.h"

namespace {

constexpr int kFramesOver4MB = 260;  // small test pictures: about 16 kB each

QByteArray slurp(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray bytesOf(const QString& path, FilePos from, FilePos to) {  // 1-based, inclusive
  return slurp(path).mid(from - 1, to - from + 1);
}

void expectIdleAfterExport(const Viewer& v) {
  EXPECT_EQ(v.st.mode(), PlayMode::Stopped);
  EXPECT_EQ(v.screen.shIco[2], Colour::Orange);
  EXPECT_FALSE(v.screen.lblSaveVisible);
  for (std::uint32_t lamp : v.screen.shCmd) EXPECT_EQ(lamp, Colour::Blue);
}

TEST(SaveJpeg, WritesTheFramesExactBytes) {
  ViewerRig rig(8);
  Viewer& v = rig.start();
  v.imgCmd_Click(6);
  v.imgCmd_Click(6);  // frame 2 on screen
  const QString out = rig.folder() + "/klatka.jpeg";
  rig.modal.files.push_back(out);
  EXPECT_EQ(v.SaveJpeg(), ExportResult::Done);
  const auto& f = rig.records[2];
  EXPECT_EQ(slurp(out), bytesOf(rig.path(), f.jpegPos, f.EndPos()));
  EXPECT_TRUE(slurp(out).startsWith("\xFF\xD8"));
  EXPECT_TRUE(slurp(out).endsWith("\xFF\xD9"));
  EXPECT_EQ(rig.modal.fileRequests.back().fileName, "Obrazek.jpeg");
  EXPECT_EQ(rig.modal.fileRequests.back().filter, "JPEG (*.JPEG,*.JPG)|*.JPEG;*.JPG|wszystkie pliki (*.*)|*.*");
  EXPECT_EQ(v.st.JpegFileName, out);
  EXPECT_EQ(v.st.mode(), PlayMode::Stopped) << "the JPEG export changes no state";

  // Next time the dialog offers the last name; cancelling writes nothing.
  EXPECT_EQ(v.SaveJpeg(), ExportResult::Cancelled);
  EXPECT_EQ(rig.modal.fileRequests.back().fileName, out);
}

TEST(SaveJpeg, ReplacingAskAndNoFrameWritesNothing) {
  ViewerRig rig(4);
  Viewer& v = rig.start();
  const QString out = rig.folder() + "/old.jpeg";
  QFile old(out);
  ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  old.write(QByteArray(300'000, 'x'));
  old.close();

  rig.modal.files.push_back(out);
  rig.modal.answers.push_back(MsgAnswer::No);
  EXPECT_EQ(v.SaveJpeg(), ExportResult::Cancelled);
  EXPECT_EQ(QFileInfo(out).size(), 300'000);
  EXPECT_EQ(rig.modal.texts(), QStringList{"Plik o podanej nazwie już istniej. Czy go zamienić ?"});
  EXPECT_EQ(rig.modal.shown[0].buttons, MsgButtons::YesNo);
  EXPECT_EQ(rig.modal.shown[0].icon, MsgIcon::None);

  rig.modal.files.push_back(out);
  rig.modal.answers.push_back(MsgAnswer::Yes);
  EXPECT_EQ(v.SaveJpeg(), ExportResult::Done);
  EXPECT_EQ(QFileInfo(out).size(), static_cast<qint64>(rig.records[0].jpegSize)) << "no trace of the longer file";

  v.st.FrameStart = v.st.FrameEnd = -1;
  const QString none = rig.folder() + "/none.jpeg";
  rig.modal.files.push_back(none);
  EXPECT_EQ(v.SaveJpeg(), ExportResult::Failed);
  EXPECT_FALSE(QFile::exists(none));
}

struct MjpCase {
  FilePos start;
  FilePos length;
  QStringList captionsSeen;  // lblSave each time events were let run
};

TEST(SaveMjp, CopiesTheRangeInPiecesWithCaptions) {
  ViewerRig rig(kFramesOver4MB);
  const QString p = QStringLiteral("Zapis sekwencji... ");
  const std::vector<MjpCase> cases = {
      {5, 1, {}},
      {1, 1'000'000, {}},
      {7, 1'000'001, {"0%"}},
      {100, 2'000'000, {"0%"}},
      {33, 3'500'000, {"0%", p + "57%", p + "85%"}},
      {1, 3'000'000, {"0%", p + "66%"}},
  };
  for (const MjpCase& c : cases) {
    SCOPED_TRACE(c.length);
    Viewer v;
    ScriptedModal modal;
    ModalScope scope(modal);
    v.StartUp(rig.path());
    v.module.MarkStart = c.start;
    v.module.MarkEnd = c.start + c.length - 1;
    const FilePos window = v.st.WindowPos;
    const WindowIndex frameStart = v.st.FrameStart;
    QStringList seen;
    v.DoEvents = [&] {
      seen << v.screen.lblSave;
      EXPECT_EQ(v.st.mode(), PlayMode::Exporting);
      EXPECT_EQ(v.screen.shIco[2], Colour::MarkGreen);
      EXPECT_TRUE(v.screen.lblSaveVisible);
      EXPECT_EQ(v.screen.shCmd[5], Colour::Blue);
      EXPECT_EQ(v.screen.shCmd[7], Colour::LightGrey);
    };
    const QString out = rig.folder() + "/seq.MJP";
    QFile::remove(out);
    modal.files.push_back(out);
    EXPECT_EQ(v.SaveMjp(), ExportResult::Done);
    EXPECT_EQ(slurp(out), bytesOf(rig.path(), c.start, c.start + c.length - 1));
    EXPECT_EQ(seen, c.captionsSeen);
    EXPECT_EQ(v.screen.lblSave, p + "100%");
    EXPECT_EQ(modal.fileRequests.back().fileName, "Sekwencja.MJP");
    EXPECT_EQ(modal.fileRequests.back().filter, "MJP (*.MJP)|*.MJP|wszystkie pliki (*.*)|*.*");
    expectIdleAfterExport(v);
    // The window and the marks are untouched.
    EXPECT_EQ(v.st.WindowPos, window);
    EXPECT_EQ(v.st.FrameStart, frameStart);
    EXPECT_EQ(v.module.MarkStart, c.start);
  }
}

TEST(SaveMjp, MarkedForwardIsItselfARecording) {
  ViewerRig rig(20);
  Viewer& v = rig.start();
  v.imgCmd_Click(5);
  v.imgCmd_Click(6);
  v.imgRightCmd_Click(3);
  for (int k = 0; k < 5; ++k) v.imgCmd_Click(6);
  v.imgRightCmd_Click(3);
  const QString out = rig.folder() + "/cut.MJP";
  rig.modal.files.push_back(out);
  rig.modal.saveAnswers.push_back({1, 10});
  v.imgRightCmd_Click(2);  // save: the options answer "MJP"
  const QByteArray cut = slurp(out);
  EXPECT_EQ(cut, bytesOf(rig.path(), rig.records[1].jpegPos, rig.records[6].EndPos()));
  EXPECT_TRUE(cut.startsWith("\xFF\xD8"));
  EXPECT_TRUE(cut.endsWith("\xFF\xD9"));

  // The cut opens in the viewer and holds six frames, the first without a block.
  ViewerRig other(1);
  Viewer& w = other.start(out);
  int frames = 1;
  while (w.FindJpegF(w.st.FrameEnd)) ++frames;
  EXPECT_EQ(frames, 6);
}

TEST(SaveMjp, StopAfterAPieceKeepsWhatWasCopied) {
  ViewerRig rig(kFramesOver4MB);
  Viewer& v = rig.start();
  v.module.MarkStart = 1;
  v.module.MarkEnd = 3'900'000;
  int calls = 0;
  v.DoEvents = [&] {
    if (++calls == 2) v.imgCmd_Click(5);  // the stop button, as the window would deliver it
  };
  const QString out = rig.folder() + "/stopped.MJP";
  rig.modal.files.push_back(out);
  ASSERT_GT(v.st.FileLength, 3'900'000);
  EXPECT_EQ(v.SaveMjp(), ExportResult::Stopped);
  // The stop is heard before the third piece, which is still copied: the piece in hand.
  EXPECT_EQ(slurp(out), bytesOf(rig.path(), 1, 3'000'000));
  EXPECT_TRUE(rig.modal.shown.empty());
  expectIdleAfterExport(v);
}

TEST(SaveMjp, UnwritableOutputLeavesTheViewerAsItWas) {
  ViewerRig rig(10);
  Viewer& v = rig.start();
  v.module.MarkStart = 1;
  v.module.MarkEnd = 100'000;
  rig.modal.files.push_back(rig.folder() + "/no/such/folder/seq.MJP");
  EXPECT_EQ(v.SaveMjp(), ExportResult::Failed);
  EXPECT_EQ(v.st.mode(), PlayMode::Forward);
  EXPECT_TRUE(rig.modal.shown.empty());
}

TEST(SaveCommand, RunsWhatTheOptionsChose) {
  ViewerRig rig(6);
  Viewer& v = rig.start();
  v.imgRightCmd_Click(2);  // Anuluj: nothing runs
  EXPECT_EQ(rig.modal.saveOptionsShown, 1);
  EXPECT_EQ(v.module.SaveKind, 128);
  EXPECT_TRUE(rig.modal.fileRequests.empty());
  rig.modal.saveAnswers.push_back({0, 12});
  v.imgRightCmd_Click(2);  // JPEG: the save dialog is asked (and cancelled)
  ASSERT_EQ(rig.modal.fileRequests.size(), 1u);
  EXPECT_EQ(rig.modal.fileRequests[0].fileName, "Obrazek.jpeg");
  EXPECT_EQ(v.module.AviSpeed, 12);
}

}  // namespace
