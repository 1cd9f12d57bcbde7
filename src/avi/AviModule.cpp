// The AVI layer's loader: the FFmpeg module is opened the first time any AVI function is
// called, and every call goes through its functions. When it cannot be loaded, nothing
// is offered and every call fails as a missing compressor would; AviModuleError says why.

#include <dlfcn.h>
#include <unistd.h>

#include <mutex>

#include <QStringList>

#include "avi/AviFile.h"
#include "avi/AviFunctions.h"
#include "platform/Companion.h"
#include "platform/NativeName.h"

namespace {

constexpr const char* kVariable = "VISTREL_AVI_MODULE";  // names another module

struct Loaded {
  const AviFunctions* functions = nullptr;
  QString error;
};

Loaded load() {
  Loaded l;
  QStringList failures;
  const QStringList places =
      CompanionPlaces(kVariable, QString::fromLatin1(kAviModuleName), QStringLiteral(VISTREL_AVI_MODULE_BUILD));
  for (const QString& place : places) {
    const QByteArray native = NativeName(place);
    if (::access(native.constData(), F_OK) != 0) continue;
    void* module = dlopen(native.constData(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
      failures << NameFromNative(dlerror());
      continue;
    }
    using Entry = const AviFunctions* (*)();
    if (auto entry = reinterpret_cast<Entry>(dlsym(module, "vistrel_avi_functions"))) {
      l.functions = entry();
      return l;  // kept loaded for the program's life
    }
    failures << place + QStringLiteral(": not the AVI module");
    dlclose(module);
  }
  // The variable's path is the one module sought: a missing one is named as given.
  const QString sought = qEnvironmentVariableIsEmpty(kVariable) ? QString::fromLatin1(kAviModuleName) : places.front();
  l.error = failures.isEmpty() ? QStringLiteral("%1 was not found").arg(sought) : failures.join(QStringLiteral("; "));
  return l;
}

const Loaded& loaded() {
  static const Loaded l = load();  // once, whichever thread asks first
  return l;
}

const AviFunctions* module() { return loaded().functions; }

}  // namespace

QString AviModuleError() { return loaded().error; }

std::vector<AviCompressor> AviCompressors() {
  return module() ? module()->compressors() : std::vector<AviCompressor>{};
}

AviResult AVIFileOpen(PAVIFILE* file, const QString& path, std::uint32_t mode, int* osError) {
  if (osError) *osError = 0;
  if (file) *file = nullptr;
  return module() ? module()->fileOpen(file, path, mode, osError) : AVIERR_NOCOMPRESSOR;
}

AviResult AVIFileCreateStream(PAVIFILE file, PAVISTREAM* stream, const AVISTREAMINFO& info) {
  return module() ? module()->fileCreateStream(file, stream, info) : AVIERR_NOCOMPRESSOR;
}

AviResult AVIMakeCompressedStream(PAVISTREAM* compressed, PAVISTREAM raw, const AVICOMPRESSOPTIONS& options) {
  return module() ? module()->makeCompressedStream(compressed, raw, options) : AVIERR_NOCOMPRESSOR;
}

AviResult AVIStreamSetFormat(PAVISTREAM stream, std::int32_t position, const void* format, std::int32_t size) {
  return module() ? module()->streamSetFormat(stream, position, format, size) : AVIERR_NOCOMPRESSOR;
}

AviResult AVIStreamWrite(PAVISTREAM stream, std::int32_t start, std::int32_t samples, const void* buffer,
                         std::int32_t bufferSize, std::uint32_t flags) {
  return module() ? module()->streamWrite(stream, start, samples, buffer, bufferSize, flags) : AVIERR_NOCOMPRESSOR;
}

void AVIStreamRelease(PAVISTREAM stream) {
  if (stream && module()) module()->streamRelease(stream);
}

int AVIFileWriteError(PAVIFILE file) { return file && module() ? module()->fileWriteError(file) : 0; }

AviResult AVIFileRelease(PAVIFILE file, int* osError) {
  if (osError) *osError = 0;
  return file && module() ? module()->fileRelease(file, osError) : AVIERR_OK;
}

AviReader* AviOpenReader(const QString& path, QString* error) {
  if (!module()) {
    if (error) *error = AviModuleError();
    return nullptr;
  }
  return module()->readerOpen(path, error);
}

int AviNextPacket(AviReader* reader, const std::uint8_t** data, std::int64_t* size, QString* error) {
  return reader && module() ? module()->readerNext(reader, data, size, error) : -1;
}

void AviCloseReader(AviReader* reader) {
  if (reader && module()) module()->readerClose(reader);
}

std::uint32_t mmioStringToFOURCCA(const char* text, std::uint32_t flags) {
  constexpr std::uint32_t kToUpper = 0x0010;  // MMIO_TOUPPER
  std::uint32_t code = 0;
  bool ended = !text;
  for (int i = 0; i < 4; ++i) {
    if (!ended && text[i] == '\0') ended = true;
    // A short name is padded with blanks, as a FourCC always is.
    char ch = ended ? ' ' : text[i];
    if ((flags & kToUpper) && ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
    code |= static_cast<std::uint32_t>(static_cast<unsigned char>(ch)) << (8 * i);
  }
  return code;
}

void SetRect(AviRect& r, std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
  r = {left, top, right, bottom};
}
