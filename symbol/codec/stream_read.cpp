#include <algorithm>
#include <optional>
#include <string>

#include "symbol/codec/crc32.h"
#include "symbol/codec/crypto.h"
#include "symbol/codec/stream.h"
#include "symbol/codec/stream_flags.h"
#include "symbol/codec/wire.h"

namespace tessellux::symbol::codec {
namespace {

// What the header says, before anything is opened.
struct Header {
  SecurityMode mode = SecurityMode::Public;
  std::uint8_t flags = 0;
  std::size_t text_size = 0;
  std::optional<std::size_t> file_size;
  std::string company, tag, phrase;  // tag and phrase in clear (universal)
  Salt salt{};
  std::size_t sealed_at = 0, sealed_size = 0;  // unique and cascaded: sealed tag and phrase
  std::size_t body_at = 0, body_size = 0;      // body as stored (with MAC when private)
};

DecodeError Damaged(std::string message) { return {std::move(message), DecodeFailure::Damaged}; }

bool ReadSalt(Reader& reader, Salt& salt) {
  const std::uint8_t* bytes = reader.Raw(salt.size());
  if (!bytes) return false;
  std::copy_n(bytes, salt.size(), salt.begin());
  return true;
}

// The security fields of each mode; false when the stream ends early.
bool ReadModeFields(Reader& reader, Header& header) {
  switch (header.mode) {
    case SecurityMode::Public: return true;
    case SecurityMode::Private: {
      auto company = reader.String();
      if (!company || !ReadSalt(reader, header.salt)) return false;
      header.company = std::move(*company);
      return true;
    }
    case SecurityMode::Universal: {
      auto company = reader.String();
      auto tag = company ? reader.String() : std::nullopt;
      auto phrase = tag ? reader.String() : std::nullopt;
      if (!phrase) return false;
      header.company = std::move(*company);
      header.tag = std::move(*tag);
      header.phrase = std::move(*phrase);
      return true;
    }
    case SecurityMode::Unique:
    case SecurityMode::Cascaded: {
      auto company = reader.String();
      if (!company || !ReadSalt(reader, header.salt)) return false;
      header.company = std::move(*company);
      auto size = reader.Varint();
      if (!size || *size > reader.remaining()) return false;
      header.sealed_size = *size;
      header.sealed_at = reader.offset();
      return reader.Raw(*size + kMacSize) != nullptr;
    }
  }
  return false;
}

std::variant<Header, DecodeError> ReadHeader(Reader& reader) {
  const auto magic = reader.Byte();
  const auto version_mode = reader.Byte();
  const auto k = reader.Byte();
  const auto flags = reader.Byte();
  if (!flags || *magic != kMagic) return Damaged("no Tessellux data stream: the symbol is damaged or foreign");
  if ((*version_mode >> 4) != kVersion)
    return Damaged("unsupported Tessellux format version " + std::to_string(*version_mode >> 4));
  const int mode = *version_mode & 0x0F;
  if (mode > static_cast<int>(SecurityMode::Cascaded) || (*flags & ~kFlagsKnown) || *k < kMinCorrectable ||
      *k > kMaxCorrectable)
    return Damaged("malformed Tessellux header");
  Header header;
  header.mode = static_cast<SecurityMode>(mode);
  header.flags = *flags;
  const std::optional<std::size_t> none = 0;
  const auto text = (*flags & kFlagText) ? reader.U24() : none;
  const auto file = (*flags & kFlagFile) ? reader.U24() : none;
  if (!text || !file || !ReadModeFields(reader, header)) return Damaged("truncated Tessellux data stream");
  header.text_size = *text;
  if (*flags & kFlagFile) header.file_size = *file;
  header.body_at = reader.offset();
  // Each size is below 2^24, so the sum cannot overflow.
  header.body_size = *text + *file + (header.mode == SecurityMode::Private ? kMacSize : 0);
  if (!reader.Raw(header.body_size)) return Damaged("truncated Tessellux data stream");
  return header;
}

std::uint32_t StoredCrc(const std::uint8_t* at) {
  return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
         static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

struct KeyDemand {
  const std::string* secret;  // what the reader must know
  std::string missing, wrong;
};

KeyDemand DemandFor(SecurityMode mode, const ReaderKeys& keys) {
  switch (mode) {
    case SecurityMode::Private:
      return {&keys.phrase, "this symbol is company-private: the secret phrase is needed",
              "wrong company name or secret phrase"};
    case SecurityMode::Unique:
      return {&keys.serial, "this authorization is for one reader: its serial number is needed",
              "this authorization is for another reader (wrong serial number)"};
    default:
      return {&keys.old_phrase, "this authorization is sealed with the old secret phrase, which is needed",
              "wrong company name or old secret phrase"};
  }
}

// Opens size bytes (plus MAC) at at, with the bytes before at authenticated.
std::variant<Bytes, DecodeError> Open(const Bytes& stream, std::size_t at, std::size_t size,
                                      const Header& header, const ReaderKeys& keys) {
  const KeyDemand demand = DemandFor(header.mode, keys);
  if (demand.secret->empty()) return DecodeError{demand.missing, DecodeFailure::MissingKey};
  std::string_view company = keys.company;
  if (company.empty()) company = header.company;
  if (header.mode == SecurityMode::Unique) company = {};  // the serial number alone opens it
  SealKey key;
  if (!DeriveModeKey(static_cast<std::uint8_t>(header.mode), company, *demand.secret, header.salt, key))
    return Damaged("out of memory deriving the key");
  Bytes plain(stream.begin() + static_cast<std::ptrdiff_t>(at),
              stream.begin() + static_cast<std::ptrdiff_t>(at + size));
  if (!OpenInPlace(plain.data(), size, stream.data() + at + size, Span{stream.data(), at}, key))
    return DecodeError{demand.wrong, DecodeFailure::WrongKey};
  return plain;
}

std::optional<DecodeError> OpenSealedFields(const Bytes& stream, Header& header, const ReaderKeys& keys) {
  auto opened = Open(stream, header.sealed_at, header.sealed_size, header, keys);
  if (auto* error = std::get_if<DecodeError>(&opened)) return *error;
  const Bytes& fields = std::get<Bytes>(opened);
  Reader reader(fields.data(), fields.size());
  auto tag = reader.String();
  auto phrase = tag ? reader.String() : std::nullopt;
  if (!phrase) return Damaged("malformed sealed authorization fields");
  header.tag = std::move(*tag);
  header.phrase = std::move(*phrase);
  return std::nullopt;
}

DecodedPayload Assemble(const Header& header, const std::uint8_t* body) {
  DecodedPayload payload;
  payload.security.mode = header.mode;
  payload.security.temporary = (header.flags & kFlagTemporary) != 0;
  payload.security.company = header.company;
  payload.security.tag = header.tag;
  payload.security.phrase = header.phrase;
  payload.content.text.assign(reinterpret_cast<const char*>(body), header.text_size);
  if (header.file_size)
    payload.content.file = Bytes(body + header.text_size, body + header.text_size + *header.file_size);
  return payload;
}

}  // namespace

bool LooksLikeStreamStart(const std::uint8_t* data, std::size_t size, int k) {
  return size >= 4 && data[0] == kMagic && (data[1] >> 4) == kVersion && data[2] == k &&
         (data[3] & ~kFlagsKnown) == 0;
}

std::variant<DecodedPayload, DecodeError> ReadStream(const Bytes& stream, const ReaderKeys& keys) {
  Reader reader(stream.data(), stream.size());
  auto parsed = ReadHeader(reader);
  if (auto* error = std::get_if<DecodeError>(&parsed)) return *error;
  Header& header = std::get<Header>(parsed);
  const std::size_t crc_at = reader.offset();
  const std::uint8_t* crc = reader.Raw(4);
  if (!crc) return Damaged("truncated Tessellux data stream");
  if (StoredCrc(crc) != Crc32(stream.data(), crc_at)) return Damaged("checksum mismatch: the symbol is damaged");

  if (header.mode == SecurityMode::Unique || header.mode == SecurityMode::Cascaded) {
    if (auto error = OpenSealedFields(stream, header, keys)) return *error;
  }
  if (header.mode != SecurityMode::Private) return Assemble(header, stream.data() + header.body_at);
  auto body = Open(stream, header.body_at, header.body_size - kMacSize, header, keys);
  if (auto* error = std::get_if<DecodeError>(&body)) return *error;
  return Assemble(header, std::get<Bytes>(body).data());
}

}  // namespace tessellux::symbol::codec
