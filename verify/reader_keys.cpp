#include "verify/reader_keys.h"

#include "generate/single_byte.h"
#include "generate/unicode.h"

namespace tessellux::verify {

namespace {

std::string Text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

}  // namespace

symbol::ReaderKeys KeysFor(const generate::SecurityChoice& security) {
  symbol::ReaderKeys keys;
  keys.phrase = Text(generate::UnicodeToUtf8(security.phrase));
  if (security.mode == security::SecurityMode::Unique) keys.serial = Text(generate::ToSingleByte(security.second_phrase));
  if (security.mode == security::SecurityMode::Cascaded)
    keys.old_phrase = Text(generate::ToSingleByte(security.second_phrase));
  return keys;
}

}  // namespace tessellux::verify
