#include <new>
#include <string_view>

#include <sodium.h>

#include "symbol/codec/crc32.h"
#include "symbol/codec/crypto.h"
#include "symbol/codec/stream.h"
#include "symbol/codec/stream_flags.h"
#include "symbol/codec/wire.h"

namespace tessellux::symbol::codec {
namespace {

std::uint8_t Flags(const Content& content, const Security& security) {
  std::uint8_t flags = 0;
  if (security.temporary) flags |= kFlagTemporary;
  if (!content.text.empty()) flags |= kFlagText;
  if (content.file) {
    flags |= kFlagFile;
    // An encrypted file keeps its kind to itself.
    if (security.mode != SecurityMode::Private)
      flags |= static_cast<std::uint8_t>(static_cast<int>(SniffFileKind(*content.file)) << kFileKindShift);
  }
  return flags;
}

Salt WriteSalt(Writer& writer) {
  Salt salt = RandomSalt();
  writer.Raw(salt.data(), salt.size());
  return salt;
}

void DeriveOrThrow(SecurityMode mode, std::string_view company, std::string_view secret, const Salt& salt,
                   SealKey& key) {
  if (!DeriveModeKey(static_cast<std::uint8_t>(mode), company, secret, salt, key)) throw std::bad_alloc();
}

// Unique and cascaded: tag and phrase sealed under the reader's key.
void WriteSealedFields(Bytes& out, const Security& security) {
  Writer writer(out);
  writer.String(security.company);
  const Salt salt = WriteSalt(writer);
  Bytes fields;
  Writer inner(fields);
  inner.String(security.tag);
  inner.String(security.phrase);
  writer.Varint(fields.size());
  const std::size_t at = out.size();
  writer.Raw(fields.data(), fields.size());
  sodium_memzero(fields.data(), fields.size());
  out.resize(out.size() + kMacSize);
  SealKey key;
  const std::string_view secret = security.second;
  std::string_view company = security.company;
  if (security.mode == SecurityMode::Unique) company = {};  // the serial number alone opens it
  DeriveOrThrow(security.mode, company, secret, salt, key);
  SealInPlace(out.data() + at, fields.size(), out.data() + at + fields.size(), Span{out.data(), at}, key);
}

}  // namespace

Bytes WriteStream(const Content& content, const Security& security, int k) {
  Bytes out;
  Writer writer(out);
  writer.Byte(kMagic);
  writer.Byte(static_cast<std::uint8_t>(kVersion << 4 | static_cast<int>(security.mode)));
  writer.Byte(static_cast<std::uint8_t>(k));
  writer.Byte(Flags(content, security));
  // Fixed-size lengths keep the header a known size whatever the content's.
  if (!content.text.empty()) writer.U24(content.text.size());
  if (content.file) writer.U24(content.file->size());

  Salt salt{};
  switch (security.mode) {
    case SecurityMode::Public: break;
    case SecurityMode::Private:
      writer.String(security.company);
      salt = WriteSalt(writer);
      break;
    case SecurityMode::Universal:
      writer.String(security.company);
      writer.String(security.tag);
      writer.String(security.phrase);
      break;
    case SecurityMode::Unique:
    case SecurityMode::Cascaded: WriteSealedFields(out, security); break;
  }

  const std::size_t body = out.size();
  writer.Raw(reinterpret_cast<const std::uint8_t*>(content.text.data()), content.text.size());
  if (content.file) writer.Raw(content.file->data(), content.file->size());
  if (security.mode == SecurityMode::Private) {
    const std::size_t size = out.size() - body;
    out.resize(out.size() + kMacSize);
    SealKey key;
    DeriveOrThrow(security.mode, security.company, security.phrase, salt, key);
    SealInPlace(out.data() + body, size, out.data() + body + size, Span{out.data(), body}, key);
  }

  const std::uint32_t crc = Crc32(out.data(), out.size());
  for (int shift = 0; shift < 32; shift += 8) writer.Byte(static_cast<std::uint8_t>(crc >> shift));
  return out;
}

}  // namespace tessellux::symbol::codec
