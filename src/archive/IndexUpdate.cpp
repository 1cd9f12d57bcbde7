#include "archive/IndexUpdate.h"

#include "archive/ArchivePaths.h"

IndexUpdate UpdateIndex(ArchiveIndex& index, const QByteArray& path, bool decode, const std::atomic<bool>* stop) {
  IndexUpdate out;
  const auto indexFailed = [&] {
    out.result = IndexUpdate::Result::IndexFailed;
    out.error = index.Error();
    return std::move(out);
  };
  // A file that cannot be stat'ed is read all the same, so that its reading says why.
  if (const std::optional<FileStamp> stamp = StampOf(path)) {
    switch (index.ClaimForReading(path, *stamp, &out.holder)) {
      case ArchiveIndex::Claim::Taken: break;
      case ArchiveIndex::Claim::Current: out.result = IndexUpdate::Result::Current; return out;
      case ArchiveIndex::Claim::Held: out.result = IndexUpdate::Result::Held; return out;
      case ArchiveIndex::Claim::Failed: return indexFailed();
    }
  }
  out.reading = ReadForIndex(path, decode, stop);
  if (out.reading.failure == IndexReading::Failure::Stopped) {
    out.result = IndexUpdate::Result::Stopped;
    return index.Release(path) ? std::move(out) : indexFailed();
  }
  if (out.reading.recording) return index.Store(*out.reading.recording) ? std::move(out) : indexFailed();
  out.result = IndexUpdate::Result::Unread;
  return index.Drop({path}) ? std::move(out) : indexFailed();  // what it held of it is no longer true
}
