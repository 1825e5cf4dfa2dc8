// The two ends of the command link against each other, in one process: the
// program's command series, upload and fetch answered by the Code
// Generator's own session. Whatever code one end gains, the other must know.

#include <gtest/gtest.h>

#include <set>
#include <string_view>
#include <utility>

#include "codegen/builder.h"
#include "codegen/session.h"
#include "generate/build_driver.h"
#include "generate/command_series.h"
#include "generate/data_choice.h"
#include "link/file_upload.h"
#include "protocol/codes.h"
#include "protocol/hex.h"
#include "support/temp_folder.h"

namespace tessellux {
namespace {

using protocol::Hex;
using protocol::Status;
using security::SecurityMode;

constexpr std::string_view kUndocumented = "not one the Code Generator documents";

codegen::Session RealService() { return codegen::Session(codegen::MakeSymbolBuilder({}), "ACME"); }

// The program's exchanges answered by a real session; notes what went each way.
class ServiceInProcess : public link::CommandExchange {
 public:
  link::ExchangeOutcome Exchange(const Bytes& message) override {
    Bytes reply = session_.Handle(message);
    sent.insert(message.empty() ? protocol::kNoCommand : message[0]);
    replies.push_back(reply);
    return {link::ExchangeOutcome::Kind::kReply, std::move(reply), {}};
  }

  std::set<std::uint8_t> sent;
  std::vector<Bytes> replies;

 private:
  codegen::Session session_ = RealService();
};

// The codes the service's dispatcher takes for a command of its own: every
// byte sent alone to a fresh session, kept unless it is answered "unknown".
std::set<std::uint8_t> CodesTheServiceHandles() {
  std::set<std::uint8_t> handled;
  for (int code = 0; code <= 0xFF; ++code) {
    codegen::Session session = RealService();
    const Bytes reply = session.Handle({static_cast<std::uint8_t>(code)});
    if (reply.size() >= 2 && reply[1] != protocol::Code(Status::UnknownCommand)) {
      handled.insert(static_cast<std::uint8_t>(code));
    }
  }
  return handled;
}

std::set<std::uint8_t> TableCodes(const auto& table) {
  std::set<std::uint8_t> codes;
  for (const protocol::CodeWords& entry : table) codes.insert(entry.code);
  return codes;
}

// The compiler spells a named enumerator in a template's signature
// ("Status::Busy") and an unnamed value as a cast ("(...Status)9"), so the
// enum's members can be listed without a second list of them.
template <Status value>
constexpr bool IsEnumerator() {
  return std::string_view(__PRETTY_FUNCTION__).find("Status)") == std::string_view::npos;
}

template <std::size_t... byte>
std::set<std::uint8_t> StatusEnumerators(std::index_sequence<byte...>) {
  std::set<std::uint8_t> named;
  ((IsEnumerator<static_cast<Status>(byte)>() ? void(named.insert(byte)) : void()), ...);
  return named;
}

// Every series the window or the build tool can send: each security mode,
// temporary or not, with a file of several pieces.
std::vector<generate::BuildRequest> EverySeries() {
  std::vector<generate::BuildRequest> all;
  for (SecurityMode mode : {SecurityMode::kPublic, SecurityMode::kPrivate, SecurityMode::kUniversal,
                            SecurityMode::kUnique, SecurityMode::kCascaded}) {
    for (bool temporary : {false, true}) {
      generate::BuildRequest c;
      c.security = {mode, temporary, u"door 4", u"open sesame",
                    mode == SecurityMode::kUnique ? u"1234-5678-9012" : u"old sesame"};
      c.text = ToBytes("contract");
      all.push_back(c);
    }
  }
  return all;
}

// The series as the build driver sends it, the upload in its pieces.
void SendSeries(const generate::BuildRequest& request, const std::string& file, link::CommandExchange& service) {
  for (const generate::SeriesStep& step : generate::CommandSeries(request, file)) {
    if (!step.IsUpload()) {
      service.Exchange(step.command);
      continue;
    }
    link::FileUpload upload(step.upload_path);
    for (int piece = 0; piece < 100; ++piece) {
      auto message = upload.NextMessage();
      if (!message) break;
      service.Exchange(*message);
    }
    ASSERT_FALSE(upload.Failed());
  }
}

TEST(ProtocolContract, TheServiceHandlesExactlyTheCommandsOfTheTable) {
  const std::set<std::uint8_t> handled = CodesTheServiceHandles();
  EXPECT_EQ(handled, TableCodes(protocol::kCommands));
  for (std::uint8_t code : handled) {
    EXPECT_EQ(protocol::CommandName(code).find("unknown"), std::string::npos) << Hex(code);
  }
}

TEST(ProtocolContract, EveryCommandTheProgramSendsIsHandledByTheService) {
  const testing::TempFolder folder;
  const std::string file = folder.Write("upload.zip", Bytes(2500, 0x5A));  // 0x31 and two 0x32
  ServiceInProcess service;
  for (const generate::BuildRequest& request : EverySeries()) SendSeries(request, file, service);

  // The fetch, as the build driver does it, after a public build.
  generate::BuildRequest request;
  request.data = generate::kWebAddress;
  request.text = ToBytes("http://example.com/");
  const generate::BuildResult result = generate::BuildDriver(service).Build(request);
  ASSERT_TRUE(result.ok()) << result.failure->Describe();

  for (const Bytes& reply : service.replies) {
    ASSERT_GE(reply.size(), 2u);
    EXPECT_TRUE(reply[1] == protocol::Code(Status::Ok) || protocol::IsEndOfPicture(reply))
        << "command " << protocol::CommandName(reply[0]) << ": " << protocol::StatusMeaning(reply[1]);
  }
  EXPECT_EQ(service.sent, CodesTheServiceHandles()) << "the program sends every command the service handles";
}

TEST(ProtocolContract, EveryStatusTheServiceCanSendHasAMeaningOnTheProgramsSide) {
  const std::set<std::uint8_t> named = StatusEnumerators(std::make_index_sequence<256>());
  ASSERT_TRUE(named.count(protocol::Code(Status::Busy)) && !named.count(0xFF)) << "the enumerator listing works";
  EXPECT_EQ(named, TableCodes(protocol::kStatuses));
  for (std::uint8_t status : named) {
    EXPECT_EQ(protocol::StatusMeaning(status).find(kUndocumented), std::string::npos) << Hex(status);
  }
}

TEST(ProtocolContract, StatusesTheServiceAnswersWithAreDocumented) {
  std::set<std::uint8_t> answered;
  const auto note = [&](const Bytes& reply) {
    if (reply.size() >= 2 && !protocol::IsEndOfPicture(reply)) answered.insert(reply[1]);
  };
  for (int code = 0; code <= 0xFF; ++code) note(RealService().Handle({static_cast<std::uint8_t>(code)}));
  const Bytes layout{0x11, 0, 0, 0, 8, 1, 2};
  codegen::Session session = RealService();
  for (const Bytes& command : {layout, Bytes{0x41}, Bytes{0x52}, layout, Bytes{0x11, 1}}) note(session.Handle(command));
  codegen::Session tight(codegen::MakeSymbolBuilder({}), "ACME",
                         {.data_cap = 4000, .budget = std::make_shared<codegen::MemoryBudget>(1000, 0, 0)});
  for (const Bytes& command : {layout, Bytes(5000, 0x21), layout, Bytes(2000, 0x21)}) note(tight.Handle(command));

  for (Status expected : {Status::Ok, Status::UnknownCommand, Status::MalformedParameters, Status::OutOfOrder,
                          Status::SessionDataCap, Status::EmptySecretPhrase, Status::Busy}) {
    EXPECT_TRUE(answered.count(protocol::Code(expected))) << Hex(protocol::Code(expected)) << " not provoked";
  }
  for (std::uint8_t status : answered) {
    EXPECT_TRUE(protocol::FindStatus(status)) << Hex(status);
    EXPECT_EQ(protocol::StatusMeaning(status).find(kUndocumented), std::string::npos) << Hex(status);
  }
}

}  // namespace
}  // namespace tessellux
