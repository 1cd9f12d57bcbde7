#pragma once
// SHA-256 of a byte stream fed in pieces, through libcrypto (which uses the processor's
// SHA instructions where it has them). The digest is the one sha256sum prints.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include <QByteArray>

class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  void Add(const std::uint8_t* data, std::size_t size);
  // The digest as 64 lower-case hex digits; the object is spent after it.
  QByteArray HexDigest();

 private:
  struct Context;
  std::unique_ptr<Context> context_;
};

// The hex digest of the whole file at path (a name's bytes as NativeName gives them); nothing,
// with the errno in *error, when it cannot be opened or read.
std::optional<QByteArray> Sha256OfFile(const QByteArray& path, int* error = nullptr);
// The hex digest of bytes held in memory.
QByteArray Sha256Of(const QByteArray& bytes);
