#pragma once

// Symbol encryption: Argon2id turns a password and a random 16-byte salt
// into a one-time key and nonce for XChaCha20-Poly1305. The salt is fresh for
// every symbol, so every key seals exactly one message.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tessellux::symbol::codec {

inline constexpr std::size_t kSaltSize = 16;
inline constexpr std::size_t kMacSize = 16;
// Argon2id cost: about 15 ms per derivation on a desktop machine.
inline constexpr unsigned long long kKdfOpsLimit = 2;
inline constexpr std::size_t kKdfMemLimit = std::size_t{8} << 20;

using Salt = std::array<std::uint8_t, kSaltSize>;

// Key and nonce, wiped when dropped.
class SealKey {
 public:
  SealKey() = default;
  SealKey(const SealKey&) = delete;
  SealKey& operator=(const SealKey&) = delete;
  ~SealKey();
  std::uint8_t* data() { return bytes_.data(); }
  const std::uint8_t* key() const { return bytes_.data(); }
  const std::uint8_t* nonce() const { return bytes_.data() + 32; }
  static constexpr std::size_t size() { return 32 + 24; }

 private:
  std::array<std::uint8_t, 32 + 24> bytes_{};
};

Salt RandomSalt();

// False only when the derivation cannot get its memory.
bool DeriveKey(std::string_view password, const Salt& salt, SealKey& out);

// The key for one purpose (the security mode byte), one company and one
// secret (phrase, serial number or old phrase). Length-prefixing the company
// keeps ("ab", "c") and ("a", "bc") apart.
bool DeriveModeKey(std::uint8_t mode, std::string_view company, std::string_view secret, const Salt& salt,
                   SealKey& out);

struct Span {
  const std::uint8_t* data;
  std::size_t size;
};

// Encrypts size bytes at data in place and writes the 16-byte MAC; ad is
// authenticated but not encrypted.
void SealInPlace(std::uint8_t* data, std::size_t size, std::uint8_t* mac, Span ad, const SealKey& key);

// Checks the MAC and decrypts in place; false (data untouched) on a wrong key
// or altered bytes.
bool OpenInPlace(std::uint8_t* data, std::size_t size, const std::uint8_t* mac, Span ad,
                 const SealKey& key);

}  // namespace tessellux::symbol::codec
