#pragma once
// A new output file written from its start, sequentially. Created only after the
// existing file of that name was dealt with; never the recording.

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

  // Why the first failure happened, as an errno value (ENOSPC, EACCES …); 0 none.
  int error() const { return error_; }

 private:
  bool Fail(int error);

  int fd_ = -1;
  int error_ = 0;
};

// An existing file the user agreed to replace is deleted first, so no old bytes remain
// behind the new end. Only an ordinary file is replaced: a folder, a device or a pipe
// that happens to carry the name is never what a save means. True when nothing of that
// name is left.
bool RemoveToReplace(const QString& path);

// The system's words for an errno value ("No space left on device"); empty for 0.
QString SystemErrorText(int error);
