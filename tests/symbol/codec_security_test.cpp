// Every security mode: what travels in clear, what needs which key, and that
// a wrong or missing key fails clearly.

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/symbol/codec_test_support.h"

namespace tessellux::symbol {
namespace {

using testing::Decode;
using testing::FakeJpeg;
using testing::MustDecode;
using testing::MustEncode;

Security Make(SecurityMode mode, std::string second = "") {
  Security security;
  security.mode = mode;
  security.company = "Acme Widgets";
  security.tag = "Door 7 — Süd";
  security.phrase = "correct horse battery";
  security.second = std::move(second);
  return security;
}

DecodeFailure FailureOf(const std::variant<DecodedPayload, DecodeError>& result) {
  EXPECT_TRUE(std::holds_alternative<DecodeError>(result));
  if (!std::holds_alternative<DecodeError>(result)) return DecodeFailure::Damaged;
  EXPECT_FALSE(std::get<DecodeError>(result).message.empty());
  return std::get<DecodeError>(result).kind;
}

ReaderKeys Keys(std::string company, std::string phrase, std::string serial = "", std::string old_phrase = "") {
  ReaderKeys keys;
  keys.company = std::move(company);
  keys.phrase = std::move(phrase);
  keys.serial = std::move(serial);
  keys.old_phrase = std::move(old_phrase);
  return keys;
}

bool Contains(const Bytes& haystack, const std::string& needle) {
  return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

TEST(CodecSecurity, PrivateOpensOnlyWithTheRightCompanyAndPhrase) {
  const Content content{"the secret text", FakeJpeg(400)};
  const Encoded encoded = MustEncode(content, Make(SecurityMode::Private));
  EXPECT_FALSE(Contains(encoded.codewords, content.text));

  const DecodedPayload opened = MustDecode(encoded, Keys("", "correct horse battery"));
  EXPECT_EQ(opened.content.text, content.text);
  EXPECT_EQ(opened.content.file, content.file);
  EXPECT_EQ(opened.security.mode, SecurityMode::Private);
  EXPECT_EQ(opened.security.company, "Acme Widgets");
  EXPECT_EQ(MustDecode(encoded, Keys("Acme Widgets", "correct horse battery")).content.text,
            content.text);

  EXPECT_EQ(FailureOf(Decode(encoded)), DecodeFailure::MissingKey);
  EXPECT_EQ(FailureOf(Decode(encoded, Keys("", "correct horse batterY"))), DecodeFailure::WrongKey);
  EXPECT_EQ(FailureOf(Decode(encoded, Keys("Acme", "correct horse battery"))),
            DecodeFailure::WrongKey);
}

TEST(CodecSecurity, UniversalCarriesCompanyTagAndPhraseForAnyReader) {
  Security security = Make(SecurityMode::Universal);
  security.temporary = true;
  const DecodedPayload decoded = MustDecode(MustEncode({}, security));
  EXPECT_EQ(decoded.security.mode, SecurityMode::Universal);
  EXPECT_TRUE(decoded.security.temporary);
  EXPECT_EQ(decoded.security.company, security.company);
  EXPECT_EQ(decoded.security.tag, security.tag);
  EXPECT_EQ(decoded.security.phrase, security.phrase);
  EXPECT_FALSE(decoded.content.file.has_value());
  EXPECT_TRUE(decoded.content.text.empty());
}

TEST(CodecSecurity, UniqueOpensOnlyForItsSerialNumber) {
  const Encoded encoded = MustEncode({"note", std::nullopt}, Make(SecurityMode::Unique, "1234-5678-9012"));
  EXPECT_FALSE(Contains(encoded.codewords, "correct horse battery"));
  const DecodedPayload decoded = MustDecode(encoded, Keys("", "", "1234-5678-9012"));
  EXPECT_EQ(decoded.security.mode, SecurityMode::Unique);
  EXPECT_EQ(decoded.security.company, "Acme Widgets");
  EXPECT_EQ(decoded.security.tag, "Door 7 — Süd");
  EXPECT_EQ(decoded.security.phrase, "correct horse battery");
  EXPECT_EQ(decoded.content.text, "note");

  EXPECT_EQ(FailureOf(Decode(encoded)), DecodeFailure::MissingKey);
  EXPECT_EQ(FailureOf(Decode(encoded, Keys("", "", "1234-5678-9013"))), DecodeFailure::WrongKey);
}

TEST(CodecSecurity, CascadedOpensWithTheOldPhrase) {
  const Encoded encoded = MustEncode({}, Make(SecurityMode::Cascaded, "old phrase"));
  EXPECT_FALSE(Contains(encoded.codewords, "correct horse battery"));
  const DecodedPayload decoded = MustDecode(encoded, Keys("", "", "", "old phrase"));
  EXPECT_EQ(decoded.security.mode, SecurityMode::Cascaded);
  EXPECT_EQ(decoded.security.phrase, "correct horse battery");
  EXPECT_EQ(decoded.security.tag, "Door 7 — Süd");

  EXPECT_EQ(FailureOf(Decode(encoded, Keys("", "old phrase"))), DecodeFailure::MissingKey);
  EXPECT_EQ(FailureOf(Decode(encoded, Keys("", "", "", "new phrase"))), DecodeFailure::WrongKey);
  EXPECT_EQ(FailureOf(Decode(encoded, Keys("Other Co", "", "", "old phrase"))),
            DecodeFailure::WrongKey);
}

TEST(CodecSecurity, EachSymbolGetsFreshSaltSoEqualInputsDiffer) {
  const Encoded a = MustEncode({"same", std::nullopt}, Make(SecurityMode::Private));
  const Encoded b = MustEncode({"same", std::nullopt}, Make(SecurityMode::Private));
  EXPECT_NE(a.codewords, b.codewords);
}

TEST(CodecSecurity, EncryptedBytesAlteredBeyondCorrectionAreNeverReturned) {
  // Wreck a block's worth of bytes in many groups: either the repair
  // succeeds (it must, here) or the decode fails; a key check never hides it.
  Encoded encoded = MustEncode({std::string(500, 'z'), std::nullopt}, Make(SecurityMode::Private), 10, 10, 4);
  for (std::size_t i = 0; i < 5 * kBytesPerBlock; ++i) encoded.codewords[100 + i] ^= 0x33;
  auto result = Decode(encoded, Keys("", "correct horse battery"));
  if (auto* payload = std::get_if<DecodedPayload>(&result)) {
    EXPECT_EQ(payload->content.text, std::string(500, 'z'));
  } else {
    EXPECT_EQ(std::get<DecodeError>(result).kind, DecodeFailure::Damaged);
  }
}

}  // namespace
}  // namespace tessellux::symbol
