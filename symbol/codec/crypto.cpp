#include "symbol/codec/crypto.h"

#include <sodium.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "symbol/codec/wire.h"

namespace tessellux::symbol::codec {
namespace {

void EnsureSodium() {
  static const int ready = sodium_init();
  if (ready < 0) {
    std::fputs("libsodium could not be initialised\n", stderr);
    std::abort();
  }
}

// libsodium declares its text pointers non-null even for zero bytes, and an
// empty body's buffer has none: point such calls at a spare byte instead.
std::uint8_t* Present(std::uint8_t* data) {
  static std::uint8_t spare = 0;  // never read or written: the size is zero
  return data ? data : &spare;
}

}  // namespace

SealKey::~SealKey() { sodium_memzero(bytes_.data(), bytes_.size()); }

Salt RandomSalt() {
  EnsureSodium();
  Salt salt;
  randombytes_buf(salt.data(), salt.size());
  return salt;
}

bool DeriveKey(std::string_view password, const Salt& salt, SealKey& out) {
  EnsureSodium();
  return crypto_pwhash(out.data(), SealKey::size(), password.data(), password.size(), salt.data(),
                       kKdfOpsLimit, kKdfMemLimit, crypto_pwhash_ALG_ARGON2ID13) == 0;
}

bool DeriveModeKey(std::uint8_t mode, std::string_view company, std::string_view secret, const Salt& salt,
                   SealKey& out) {
  Bytes password;
  Writer writer(password);
  writer.Byte(mode);
  writer.String(company);
  writer.Raw(reinterpret_cast<const std::uint8_t*>(secret.data()), secret.size());
  const bool ok = DeriveKey(
      std::string_view(reinterpret_cast<const char*>(password.data()), password.size()), salt, out);
  sodium_memzero(password.data(), password.size());
  return ok;
}

void SealInPlace(std::uint8_t* data, std::size_t size, std::uint8_t* mac, Span ad, const SealKey& key) {
  data = Present(data);
  crypto_aead_xchacha20poly1305_ietf_encrypt_detached(data, mac, nullptr, data, size, ad.data, ad.size,
                                                      nullptr, key.nonce(), key.key());
}

bool OpenInPlace(std::uint8_t* data, std::size_t size, const std::uint8_t* mac, Span ad,
                 const SealKey& key) {
  data = Present(data);
  return crypto_aead_xchacha20poly1305_ietf_decrypt_detached(data, nullptr, data, size, mac, ad.data,
                                                             ad.size, key.nonce(), key.key()) == 0;
}

}  // namespace tessellux::symbol::codec
