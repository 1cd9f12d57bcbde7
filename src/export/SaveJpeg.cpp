// The frame on screen as a JPEG file: exactly its stored bytes, start marker to end
// marker, copied from the window without reading the recording again.

#include <vector>

#include "export/OutputFile.h"
#include "shell/Viewer.h"

namespace {
const QString kJpegFilter = QStringLiteral("JPEG (*.JPEG,*.JPG)|*.JPEG;*.JPG|wszystkie pliki (*.*)|*.*");
}

ExportResult Viewer::SaveJpeg() {
  const QString name = AskSaveName(st.JpegFileName, kJpegFilter);
  if (name.isEmpty()) return ExportResult::Cancelled;
  st.JpegFileName = name;  // offered next time, even if the user then declines to replace
  // Without a frame inside the window there are no bytes to address.
  if (st.FrameStart < 0 || st.FrameEnd < 0 || st.FrameStart >= st.FrameEnd || st.FrameEnd > kWindowLast) {
    return ExportResult::Failed;
  }
  const std::vector<std::uint8_t> frame(st.WindowBuffer + st.FrameStart, st.WindowBuffer + st.FrameEnd + 1);
  if (!ConfirmReplace(name)) return ExportResult::Cancelled;
  OutputFile out;
  const bool written = out.Create(name) && out.Write(frame.data(), static_cast<std::int64_t>(frame.size()));
  return out.Close() && written ? ExportResult::Done : ExportResult::Failed;
}
