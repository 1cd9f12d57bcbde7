#pragma once
// A new output file written from its start, sequentially: always a file made anew under a
// name nothing has (a temporary one, see StagedOutput), never the recording.

#include <cstdint>
#include <QString>

class RecordingFile;
class StagedOutput;
struct ExportReport;

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

// Whether an existing file of that name may be replaced by an export: only an ordinary
// file is, since a folder, a device or a pipe that happens to carry the name is never what
// a save means. True too when nothing has that name. (The export's own file is moved over
// it once written, so the old one stays whole until then.)
bool MayReplace(const QString& path);

// An export's output, written under its temporary name, put where it belongs once the
// export has ended: moved over the final name, unless the export failed and its request
// keeps nothing of a failure (then removed). A failure to move it makes the report Failed.
void PlaceOutput(StagedOutput& output, ExportReport& report, bool keepOnFailure);

// bytes written as the whole file at path, under a temporary name moved into place once
// written; nothing of that name changes on failure. The errno of the failure, 0 on success.
int WriteWholeFile(const QString& path, const char* bytes, std::int64_t size);

// The system's words for an errno value ("No space left on device"); empty for 0.
QString SystemErrorText(int error);
