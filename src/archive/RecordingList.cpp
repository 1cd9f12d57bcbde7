#include "archive/RecordingList.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <set>
#include <utility>

#include "platform/NativeName.h"
#include "platform/NaturalOrder.h"

bool IsFolder(const QString& path) {
  struct stat st {};
  return ::stat(NativeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

namespace {

bool isRecordingName(const QByteArray& name) { return name.size() >= 4 && name.right(4).toLower() == ".mjp"; }

// One named folder searched depth first, by bytes: no name is decoded on the way, so none is lost.
class FolderSearch {
 public:
  explicit FolderSearch(std::vector<ListedRecording>& out) : out_(out) {}

  void Folder(const QByteArray& path, const struct stat& st) {
    if (!visited_.insert({st.st_dev, st.st_ino}).second) return;  // reached again through a link
    std::vector<QByteArray> names;
    const int err = list(path, names);
    std::sort(names.begin(), names.end(), NaturalLess);
    for (const QByteArray& name : names) entry(path.endsWith('/') ? path + name : path + '/' + name, name);
    if (err != 0) failed(path, err);
  }

 private:
  // The folder's names into names; answers 0, or the error that ended the listing.
  static int list(const QByteArray& path, std::vector<QByteArray>& names) {
    DIR* dir = ::opendir(path.constData());
    if (!dir) return errno;
    int err = 0;
    for (;;) {
      errno = 0;
      const dirent* e = ::readdir(dir);
      if (!e) {
        err = errno;
        break;
      }
      const QByteArray name(e->d_name);
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    return err;
  }

  void entry(const QByteArray& path, const QByteArray& name) {
    struct stat st {};
    if (::stat(path.constData(), &st) != 0) {
      // A recording's reading says why it cannot be opened; a dangling link by any other name is nothing.
      if (isRecordingName(name)) return recording(path);
      if (errno != ENOENT && errno != ELOOP) failed(path, errno);
      return;
    }
    if (S_ISDIR(st.st_mode)) return Folder(path, st);
    if (isRecordingName(name)) recording(path);
  }

  void recording(const QByteArray& path) { out_.push_back({NameFromNative(path), 0}); }
  void failed(const QByteArray& path, int err) { out_.push_back({NameFromNative(path), err}); }

  std::vector<ListedRecording>& out_;
  std::set<std::pair<dev_t, ino_t>> visited_;
};

}  // namespace

std::vector<ListedRecording> ListRecordings(const QStringList& words) {
  std::vector<ListedRecording> out;
  for (const QString& word : words) {
    const QByteArray native = NativeName(word);
    struct stat st {};
    if (::stat(native.constData(), &st) == 0 && S_ISDIR(st.st_mode)) {
      FolderSearch(out).Folder(native, st);
    } else {
      out.push_back({word, 0});
    }
  }
  return out;
}
