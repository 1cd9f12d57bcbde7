#pragma once
// A viewer core started on a generated recording, with a scripted Modal and a
// fixed clock: what the window would run, without the window.

#include <gtest/gtest.h>

#include <tuple>

#include <QLocale>
#include <QTemporaryDir>

#include "RecordingGenerator.h"
#include "shell/Viewer.h"
#include "support/ScriptedModal.h"

class ViewerRig {
 public:
  // frames: how many frames the generated recording holds (about 47 kB each).
  explicit ViewerRig(int frames, std::uint64_t seed = 1) : path_(dir_.filePath("rec.mjp")) {
    recgen::Options o;
    o.frames = frames;
    o.seed = seed;
    o.width = 320;  // small pictures keep the tests quick; files still span windows
    o.height = 240;
    o.quality = 95;
    records = recgen::WriteRecording(path_.toStdString(), o);
  }
  // Starts the core as the window does, with this recording on the command line.
  Viewer& start(const QString& argumentString = {}) {
    v.StartUp(argumentString.isNull() ? path_ : argumentString);
    return v;
  }
  FilePos shownStart() const { return v.st.WindowPos + v.st.FrameStart; }
  // Index of the frame on screen in `records`, or -1.
  int shownFrame() const {
    for (std::size_t k = 0; k < records.size(); ++k)
      if (records[k].jpegPos == shownStart()) return static_cast<int>(k);
    return -1;
  }
  // Marks frames [first, last] forward as a user would, on a stopped viewer; forgets what
  // marking said.
  void markForward(int first, int last) {
    v.imgCmd_Click(0);
    for (int k = 0; k < first; ++k) v.imgCmd_Click(6);
    v.imgRightCmd_Click(3);
    for (int k = first; k < last; ++k) v.imgCmd_Click(6);
    v.imgRightCmd_Click(3);
    modal.shown.clear();
  }
  const QString& path() const { return path_; }
  QString folder() const { return dir_.path(); }

  std::vector<recgen::FrameRecord> records;
  ScriptedModal modal;
  ModalScope scope{modal};
  Viewer v;

 private:
  QTemporaryDir dir_;
  QString path_;
};

// After an export, whatever its end: stopped, the save lamp orange, no caption, every
// transport button ready.
inline void ExpectIdleAfterExport(const Viewer& v) {
  EXPECT_EQ(std::tuple(v.st.mode(), v.screen.shIco[2], v.screen.lblSaveVisible),
            std::tuple(PlayMode::Stopped, Colour::Orange, false));
  for (std::uint32_t lamp : v.screen.shCmd) EXPECT_EQ(lamp, Colour::Blue);
}
