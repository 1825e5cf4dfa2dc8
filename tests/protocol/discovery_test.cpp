#include <gtest/gtest.h>

#include "protocol/discovery.h"

namespace tessellux::protocol {
namespace {

TEST(Discovery, CompanyIsEverythingAfterTheFirstEquals) {
  EXPECT_EQ(CompanyFromAnswer(ToBytes("TESSELLUX=Acme")), "Acme");
  EXPECT_EQ(CompanyFromAnswer(ToBytes("TESSELLUX=a=b=c")), "a=b=c");
  EXPECT_EQ(CompanyFromAnswer(ToBytes("no equals")), "no equals");
  EXPECT_EQ(CompanyFromAnswer(ToBytes("X=")), "");
  EXPECT_EQ(CompanyFromAnswer({}), "");
}

TEST(Discovery, OnlyTheExactQueryIsOneAndTheAnswerCarriesTheCompany) {
  const auto is_query = [](std::string_view text) {
    const Bytes bytes = ToBytes(text);
    return IsDiscoveryQuery(bytes.data(), bytes.size());
  };
  EXPECT_TRUE(is_query("TESSELLUX?"));
  EXPECT_FALSE(is_query("TESSELLUX?\n"));
  EXPECT_FALSE(is_query("TESSELLUX"));
  EXPECT_FALSE(is_query("tessellux?"));
  EXPECT_FALSE(is_query(""));
  EXPECT_EQ(CompanyFromAnswer(ToBytes(DiscoveryAnswer("ACME = Ltd"))), "ACME = Ltd");
}

}  // namespace
}  // namespace tessellux::protocol
