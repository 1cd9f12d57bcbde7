#pragma once
// A new output file written from its start, sequentially. Created only after the
// viewer has dealt with an existing file of that name; never the recording.

#include <cstdint>
#include <QString>

class RecordingFile;

class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile() { Close(); }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  bool Create(const QString& path);
  bool Write(const std::uint8_t* bytes, std::int64_t size);
  // Copies size bytes of the recording from 0-based offset on, without a buffer of
  // ours when the kernel can do it; false on a read or write error or a short read.
  bool CopyFrom(const RecordingFile& recording, std::int64_t offset, std::int64_t size);
  bool Close();

 private:
  int fd_ = -1;
};

// The overwrite rule of the save dialogs: an existing file is replaced only when
// the user says so, and is deleted first, so no old bytes remain behind the new end.
// False when the user said No or the old file could not be deleted.
bool ConfirmReplace(const QString& path);

// Why the latest export output could not be made or written: an errno value (ENOSPC,
// EACCES …), 0 when nothing failed since the last ClearWriteError on this thread. For
// callers with room to name the cause; the exports themselves answer only failed or not.
int LastWriteError();
void NoteWriteError(int error);
inline void ClearWriteError() { NoteWriteError(0); }

// The save dialog with a preset name and a "desc|pattern|…" filter; empty = cancelled.
QString AskSaveName(const QString& presetName, const QString& filter);
