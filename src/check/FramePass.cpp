#include "check/FramePass.h"

#include "viewer/FrameWalk.h"

FramePass::FramePass() { v_.StartWithoutWindow(0, false); }

bool FramePass::Open(const QString& path) {
  failure_ = {};
  if (!v_.OpenRecordingFile(path, nullptr)) {
    failure_.openError = v_.recording().openError();
    return false;
  }
  first_ = v_.ShowOpenedRecording();
  return true;
}

bool FramePass::ReadAt(std::int64_t from, std::int64_t size, std::vector<std::uint8_t>& into) {
  into.resize(static_cast<std::size_t>(size));
  std::int64_t done = 0;
  while (done < size) {
    const std::int64_t got =
        v_.recording().readAt(from + done, into.data() + done, static_cast<std::size_t>(size - done));
    if (got <= 0) {  // a read error, or the file shrank since it was opened
      failure_.readAt = from + done + 1;
      return false;
    }
    done += got;
  }
  return true;
}

bool FramePass::Run(const std::function<bool(const PassFrame&)>& visit) {
  const SearchResult first = first_;
  first_ = SearchResult::NoFrame;
  bool readFailed = false;
  const WalkResult walked = WalkForward(v_, first, [&](int n, bool) {
    const Scanner& s = v_.scanner();
    PassFrame f{n, s.FrameStartPos(), s.FrameEndPos(), {}, {}};
    if (const std::optional<FrameBytes> held = s.CurrentFrame()) {
      f.bytes = held->bytes;
      f.block = held->block;
    }
    if (f.block.empty() && f.start > kBlockSize) {
      // The window starts too late to hold the block: the file still does.
      if (!ReadAt(f.start - 1 - kBlockSize, kBlockSize, block_)) {
        readFailed = true;
        return false;
      }
      f.block = block_;
    }
    return visit(f);
  });
  if (walked.end == WalkEnd::ReadFailed) failure_.readAt = v_.scanner().WindowPos();
  return walked.end != WalkEnd::ReadFailed && !readFailed;
}
