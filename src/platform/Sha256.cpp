#include "platform/Sha256.h"

#include <openssl/evp.h>

#include <cerrno>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>
#include <vector>

struct Sha256::Context {
  EVP_MD_CTX* md = EVP_MD_CTX_new();
  ~Context() { EVP_MD_CTX_free(md); }
};

Sha256::Sha256() : context_(std::make_unique<Context>()) {
  if (!context_->md || EVP_DigestInit_ex(context_->md, EVP_sha256(), nullptr) != 1)
    throw std::runtime_error("SHA-256 is not available");
}

Sha256::~Sha256() = default;

void Sha256::Add(const std::uint8_t* data, std::size_t size) { EVP_DigestUpdate(context_->md, data, size); }

QByteArray Sha256::HexDigest() {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  EVP_DigestFinal_ex(context_->md, digest, &size);
  return QByteArray(reinterpret_cast<const char*>(digest), static_cast<qsizetype>(size)).toHex();
}

std::optional<QByteArray> Sha256OfFile(const QByteArray& path, int* error) {
  const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (error) *error = errno;
    return std::nullopt;
  }
  Sha256 hash;
  std::vector<std::uint8_t> chunk(1 << 20);
  for (;;) {
    const ssize_t n = ::read(fd, chunk.data(), chunk.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      if (error) *error = errno;
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    hash.Add(chunk.data(), static_cast<std::size_t>(n));
  }
  ::close(fd);
  return hash.HexDigest();
}

QByteArray Sha256Of(const QByteArray& bytes) {
  Sha256 hash;
  hash.Add(reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size()));
  return hash.HexDigest();
}
