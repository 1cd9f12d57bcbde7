// The JPEG and MJP exports: exact bytes, the piece loop with its captions, stop,
// replacing an existing file, and the export state the viewer returns from.

#include <gtest/gtest.h>

#include <QFile>

#include "support/FileContents.h"
#include "support/ViewerRig.h"

namespace {

constexpr int kFramesOver4MB = 260;  // small test pictures: about 16 kB each

// The frame's exact bytes under the name asked for, offered again next time; a file in
// the way is replaced (wholly) only when the user agrees; without a frame nothing is written.
TEST(SaveJpeg, WritesTheFramesBytesAndAsksBeforeReplacing) {
  ViewerRig rig(8);
  Viewer& v = rig.start();
  for (int k = 0; k < 2; ++k) v.imgCmd_Click(6);  // frame 2 on screen
  const QString out = rig.folder() + "/klatka.jpeg";
  const QByteArray frame = BytesOf(rig.path(), rig.records[2].jpegPos, rig.records[2].EndPos());
  rig.modal.files.push_back(out);
  EXPECT_EQ(v.SaveJpeg(), ExportResult::Done);
  EXPECT_EQ(BytesOf(out), frame);
  EXPECT_EQ(rig.modal.fileRequests.back().fileName, "Obrazek.jpeg");
  EXPECT_EQ(rig.modal.fileRequests.back().filter, "JPEG (*.JPEG,*.JPG)|*.JPEG;*.JPG|wszystkie pliki (*.*)|*.*");
  EXPECT_EQ(v.st.mode(), PlayMode::Stopped) << "the JPEG export changes no state";
  EXPECT_EQ(v.SaveJpeg(), ExportResult::Cancelled);
  EXPECT_EQ(rig.modal.fileRequests.back().fileName, out);

  ASSERT_TRUE(QFile::resize(out, 300'000));  // a longer file in the way
  rig.modal.files = {out, out};
  rig.modal.answers = {MsgAnswer::No, MsgAnswer::Yes};
  EXPECT_EQ(v.SaveJpeg(), ExportResult::Cancelled);
  EXPECT_EQ(QFileInfo(out).size(), 300'000);
  EXPECT_EQ(rig.modal.texts(), QStringList{"Plik o podanej nazwie już istniej. Czy go zamienić ?"});
  EXPECT_TRUE(rig.modal.shown[0].buttons == MsgButtons::YesNo && rig.modal.shown[0].icon == MsgIcon::None);
  EXPECT_EQ(v.SaveJpeg(), ExportResult::Done);
  EXPECT_EQ(BytesOf(out), frame);
  // A folder carrying the chosen name is never deleted, whatever the answer.
  rig.modal.files = {rig.folder()};
  rig.modal.answers = {MsgAnswer::Yes};
  EXPECT_EQ(v.SaveJpeg(), ExportResult::Cancelled);
  EXPECT_TRUE(QFileInfo(rig.folder()).isDir());

  v.st.FrameStart = v.st.FrameEnd = -1;
  rig.modal.files.push_back(rig.folder() + "/none.jpeg");
  EXPECT_EQ(v.SaveJpeg(), ExportResult::Failed);
  EXPECT_FALSE(QFile::exists(rig.folder() + "/none.jpeg"));
}

// The marked range, copied exactly in pieces of 1,000,000 bytes with events let run and
// the caption written between pieces; the window and the marks stay as they were.
TEST(SaveMjp, CopiesTheRangeInPiecesWithCaptions) {
  struct Case { FilePos start, length; QStringList captionsSeen; };  // lblSave each time events were let run
  ViewerRig rig(kFramesOver4MB);
  Viewer& v = rig.start();
  const auto before = std::pair(v.st.WindowPos, v.st.FrameStart);
  const QString out = rig.folder() + "/seq.MJP", p = QStringLiteral("Zapis sekwencji... ");
  QStringList seen;
  v.DoEvents = [&] {
    seen << v.screen.lblSave;
    EXPECT_EQ(std::tuple(v.st.mode(), v.screen.shIco[2], v.screen.lblSaveVisible, v.screen.shCmd[5], v.screen.shCmd[7]),
              std::tuple(PlayMode::Exporting, Colour::MarkGreen, true, Colour::Blue, Colour::LightGrey));
  };
  for (const Case& c : {Case{5, 1, {}}, {1, 1'000'000, {}}, {7, 1'000'001, {"0%"}}, {100, 2'000'000, {"0%"}},
                        {33, 3'500'000, {"0%", p + "57%", p + "85%"}}, {1, 3'000'000, {"0%", p + "66%"}}}) {
    SCOPED_TRACE(c.length);
    seen.clear();
    v.screen.lblSave = QStringLiteral("0%");  // as a fresh start shows it
    QFile::remove(out);
    rig.modal.files.push_back(out);
    std::tie(v.module.MarkStart, v.module.MarkEnd) = std::pair(c.start, c.start + c.length - 1);
    EXPECT_EQ(v.SaveMjp(), ExportResult::Done);
    EXPECT_EQ(BytesOf(out), BytesOf(rig.path(), c.start, v.module.MarkEnd));
    EXPECT_EQ(seen, c.captionsSeen);
    EXPECT_EQ(v.screen.lblSave, p + "100%");
    EXPECT_EQ(rig.modal.fileRequests.back().fileName, "Sekwencja.MJP");
    EXPECT_EQ(rig.modal.fileRequests.back().filter, "MJP (*.MJP)|*.MJP|wszystkie pliki (*.*)|*.*");
    ExpectIdleAfterExport(v);
    EXPECT_EQ(std::pair(v.st.WindowPos, v.st.FrameStart), before);
    EXPECT_EQ(v.module.MarkStart, c.start);
  }
}

// The save row runs what the options chose: Anuluj nothing, JPEG its dialog, MJP the marked
// sequence, itself a recording: the viewer finds its six frames, the first without a block.
TEST(SaveCommand, RunsWhatTheOptionsChose) {
  ViewerRig rig(20);
  Viewer& v = rig.start();
  v.imgRightCmd_Click(2);
  EXPECT_EQ(std::tuple(rig.modal.saveOptionsShown, v.module.SaveKind, rig.modal.fileRequests.size()),
            std::tuple(1, 128, 0u));
  rig.modal.saveAnswers.push_back({0, 12});
  v.imgRightCmd_Click(2);
  ASSERT_EQ(rig.modal.fileRequests.size(), 1u);
  EXPECT_EQ(rig.modal.fileRequests[0].fileName, "Obrazek.jpeg");
  EXPECT_EQ(v.module.AviSpeed, 12);

  v.module.MarkStart = rig.records[1].jpegPos;
  v.module.MarkEnd = rig.records[6].EndPos();
  const QString out = rig.folder() + "/cut.MJP";
  rig.modal.files.push_back(out);
  rig.modal.saveAnswers.push_back({1, 10});
  v.imgRightCmd_Click(2);
  EXPECT_EQ(BytesOf(out), BytesOf(rig.path(), v.module.MarkStart, v.module.MarkEnd));
  ViewerRig other(1);
  Viewer& w = other.start(out);
  int frames = 1;
  while (w.FindJpegF(w.st.FrameEnd)) ++frames;
  EXPECT_EQ(frames, 6);
}

}  // namespace
