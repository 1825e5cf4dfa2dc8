// Every security mode: what it carries, which key opens it, what stays out of
// the clear, and that a wrong or missing key fails clearly.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/symbol/codec_test_support.h"

namespace tessellux::symbol {
namespace {

using testing::Decode;
using testing::FakeJpeg;
using testing::MustDecode;
using testing::MustEncode;
using testing::Secure;

ReaderKeys Keys(std::string company, std::string phrase, std::string serial = "", std::string old_phrase = "") {
  return {std::move(company), std::move(phrase), std::move(serial), std::move(old_phrase)};
}

bool Contains(const Bytes& haystack, const std::string& needle) {
  return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

TEST(CodecSecurity, EachModeOpensOnlyWithItsKey) {
  const std::string company = "Acme Widgets", phrase = "correct horse battery", tag = "Door 7 — Süd";
  const Content content{"the secret text", FakeJpeg(400)};
  struct Refusal { ReaderKeys keys; DecodeFailure failure; };
  struct Case {
    Security security;
    std::vector<ReaderKeys> opening;
    std::vector<Refusal> refusals;
    std::string hidden;  // never in clear in the codewords
  };
  const Case cases[] = {
      {Secure(SecurityMode::Private, company, phrase),
       {Keys("", phrase), Keys(company, phrase)},
       {{Keys("", ""), DecodeFailure::MissingKey},
        {Keys("", "correct horse batterY"), DecodeFailure::WrongKey},
        {Keys("Acme", phrase), DecodeFailure::WrongKey}},
       content.text},
      {Secure(SecurityMode::Universal, company, phrase, tag, "", true), {Keys("", "")}, {}, ""},
      {Secure(SecurityMode::Unique, company, phrase, tag, "1234-5678-9012"),
       {Keys("", "", "1234-5678-9012")},
       {{Keys("", ""), DecodeFailure::MissingKey}, {Keys("", "", "1234-5678-9013"), DecodeFailure::WrongKey}},
       phrase},
      {Secure(SecurityMode::Cascaded, company, phrase, tag, "old phrase"),
       {Keys("", "", "", "old phrase")},
       {{Keys("", "old phrase"), DecodeFailure::MissingKey},
        {Keys("", "", "", "new phrase"), DecodeFailure::WrongKey},
        {Keys("Other Co", "", "", "old phrase"), DecodeFailure::WrongKey}},
       phrase},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("mode " + std::to_string(static_cast<int>(c.security.mode)));
    const Encoded encoded = MustEncode(content, c.security);
    EXPECT_TRUE(c.hidden.empty() || !Contains(encoded.codewords, c.hidden));
    for (const ReaderKeys& keys : c.opening) {
      const DecodedPayload opened = MustDecode(encoded, keys);
      EXPECT_EQ(opened.content.text, content.text);
      EXPECT_EQ(opened.content.file, content.file);
      EXPECT_EQ(opened.security.mode, c.security.mode);
      EXPECT_EQ(opened.security.temporary, c.security.temporary);
      EXPECT_EQ(opened.security.company, company);
      if (c.security.mode == SecurityMode::Private) continue;
      EXPECT_EQ(opened.security.tag, tag);
      EXPECT_EQ(opened.security.phrase, phrase);
    }
    for (const Refusal& refusal : c.refusals) {
      auto result = Decode(encoded, refusal.keys);
      ASSERT_TRUE(std::holds_alternative<DecodeError>(result));
      EXPECT_EQ(std::get<DecodeError>(result).kind, refusal.failure);
      EXPECT_FALSE(std::get<DecodeError>(result).message.empty());
    }
  }
}

TEST(CodecSecurity, FreshSaltAndNoUnrepairedBytesBehindTheKeyCheck) {
  const Security security = Secure(SecurityMode::Private, "Acme", "pw");
  EXPECT_NE(MustEncode({"same", std::nullopt}, security).codewords,
            MustEncode({"same", std::nullopt}, security).codewords);

  // Wreck five blocks' worth of bytes: either the repair succeeds or the
  // decode fails as damaged; a key check never hides altered bytes.
  Encoded encoded = MustEncode({std::string(500, 'z'), std::nullopt}, security, 10, 10, 4);
  for (std::size_t i = 0; i < 5 * kBytesPerBlock; ++i) encoded.codewords[100 + i] ^= 0x33;
  auto result = Decode(encoded, Keys("", "pw"));
  if (auto* payload = std::get_if<DecodedPayload>(&result)) {
    EXPECT_EQ(payload->content.text, std::string(500, 'z'));
  } else {
    EXPECT_EQ(std::get<DecodeError>(result).kind, DecodeFailure::Damaged);
  }
}

// An empty body seals and opens zero bytes; the buffers handed to the cipher
// must still be real ones (the sanitizer build checks).
TEST(CodecSecurity, PrivateSymbolWithAnEmptyBody) {
  const Encoded encoded = MustEncode({"", std::nullopt}, Secure(SecurityMode::Private, "Acme", "pw"));
  const DecodedPayload opened = MustDecode(encoded, Keys("", "pw"));
  EXPECT_TRUE(opened.content.text.empty());
  EXPECT_FALSE(opened.content.file.has_value());
  EXPECT_EQ(opened.security.mode, SecurityMode::Private);
  auto wrong = Decode(encoded, Keys("", "px"));
  ASSERT_TRUE(std::holds_alternative<DecodeError>(wrong));
  EXPECT_EQ(std::get<DecodeError>(wrong).kind, DecodeFailure::WrongKey);
}

}  // namespace
}  // namespace tessellux::symbol
