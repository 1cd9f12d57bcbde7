#pragma once
// The open recording: one file, opened read-only, read by position.
// It never creates, truncates or writes a file; reads past the end come back short.

#include <cstddef>
#include <cstdint>
#include <QString>

enum class KernelCopy { Done, Unsupported, Failed };

class RecordingFile {
 public:
  RecordingFile() = default;
  ~RecordingFile();
  RecordingFile(const RecordingFile&) = delete;
  RecordingFile& operator=(const RecordingFile&) = delete;

  // Opens path for reading (closing what was open). Refuses what is not a regular
  // file or block device. On failure error holds a Polish sentence for the user.
  // A name that is not valid UTF-8 opens when carried as NameFromNative carries it.
  bool open(const QString& path, QString* error = nullptr);
  // Why the latest open failed, as an errno value (EISDIR for a folder, EINVAL for
  // what is neither a file nor a device); 0 after a successful open.
  int openError() const { return openError_; }
  void close();
  bool isOpen() const { return fd_ >= 0; }

  // Length in bytes at the moment of opening.
  std::int64_t length() const { return length_; }
  // Changes with every open, so that a window reader knows its bytes are stale.
  std::uint64_t generation() const { return generation_; }

  // Reads up to size bytes at 0-based offset; answers the count read (short at
  // the end of the file, also when it has shrunk since), or -1 on a read error.
  std::int64_t readAt(std::int64_t offset, std::uint8_t* into, std::size_t size) const;

  // Copies size bytes from offset to the file descriptor `to` (at its position)
  // inside the kernel. Unsupported: nothing was copied and the caller should copy
  // through a buffer; Failed: a read or write error, or the file ended early.
  KernelCopy copyTo(int to, std::int64_t offset, std::int64_t size) const;

 private:
  int fd_ = -1;
  std::int64_t length_ = 0;
  std::uint64_t generation_ = 0;
  int openError_ = 0;
};
