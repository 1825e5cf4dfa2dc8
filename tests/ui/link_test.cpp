#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>

#include "app/tabs.h"
#include "support/window_fixture.h"

namespace tessellux::testing {
namespace {

using Outcome = link::ExchangeOutcome;

class LinkTest : public WindowTest {
 protected:
  // Sends one command and runs the event loop until its outcome arrives.
  static Outcome ExchangeOnce(ui::CodeGeneratorLink& link, const Bytes& message) {
    std::optional<Outcome> outcome;
    const auto connection = QObject::connect(&link, &ui::CodeGeneratorLink::exchangeEnded,
                                             [&](const Outcome& ended) { outcome = ended; });
    link.Send(message);
    WaitFor([&] { return outcome.has_value(); }, 3000);
    QObject::disconnect(connection);
    return outcome.value_or(Outcome{Outcome::Kind::kLinkLost, {}, "no outcome within 3 s"});
  }

  // One "Connection Interrupted" report, the window back on the Security tab.
  void ExpectInterrupted(ui::MainForm& window) {
    EXPECT_EQ(Titles(), "Connection Interrupted");
    EXPECT_EQ(window.SSTab->currentIndex(), app::kSecurityTab);
  }
};

TEST_F(LinkTest, AnswerLinksUpAndMovesToStyle) {
  ScriptedPeer peer;
  peer.discovery_answers = {"TESSELLUX=Acme=Labs"};  // everything after the first "="
  auto window = LinkedWindow(peer);
  EXPECT_EQ(window->CompanyNameText->text(), "Acme=Labs");
  EXPECT_EQ(window->CodeGeneratorIPAddrText->text(), "127.0.0.1");
  EXPECT_TRUE(window->SecurityTroubleText->text().isEmpty());
  EXPECT_EQ(window->SSTab->currentIndex(), app::kStyleTab);
  window->SSTab->setCurrentIndex(app::kGeometryTab);
  EXPECT_EQ(window->SSTab->currentIndex(), app::kGeometryTab);
  EXPECT_EQ(Titles(), "");
}

TEST_F(LinkTest, FirstAnswerWinsAndAnyDatagramIsAnAnswer) {
  ScriptedPeer peer;
  peer.discovery_answers = {"TESSELLUX=First", "TESSELLUX=Second"};
  auto window = LinkedWindow(peer);
  WaitFor([] { return false; }, 300);  // the second answer has long arrived
  EXPECT_EQ(window->CompanyNameText->text(), "First");
  EXPECT_EQ(peer.queries_received, 1);

  ScriptedPeer odd;
  odd.discovery_answers = {QByteArray(9000, '=') + "\xff\x00tail", "ignored"};
  EXPECT_GE(LinkedWindow(odd)->CompanyNameText->text().size(), 9000);  // 8-bit text, NUL and all
}

TEST_F(LinkTest, ReplyWholeOrSplitAtEveryByteEndsTheExchange) {
  ScriptedPeer peer;
  auto window = LinkedWindow(peer);
  auto& link = window->Link();

  peer.replies.push_back(ScriptedPeer::Framed(Raw({0x11, 0x00, 0xAA, 0xAB, 0x05})));
  Outcome outcome = ExchangeOnce(link, {0x11, 0xAA, 0xAB});
  EXPECT_EQ(outcome.kind, Outcome::Kind::kReply);
  EXPECT_EQ(outcome.reply, (Bytes{0x11, 0x00, 0xAA, 0xAB, 0x05}));
  EXPECT_EQ(peer.commands.back(), Raw({0x11, 0xAA, 0xAB}));
  EXPECT_FALSE(link.Awaiting());

  // A reply split at every byte completes only on its end byte.
  ScriptedPeer::Reply split;
  for (char byte : ScriptedPeer::Frame(Raw({0x61, 0x00, 0xAB, 0x55, 0xAA, 0x10})))
    split.chunks.append(QByteArray(1, byte));
  peer.replies.push_back(split);
  outcome = ExchangeOnce(link, {0x61});
  EXPECT_EQ(outcome.reply, (Bytes{0x61, 0x00, 0xAB, 0x55, 0xAA, 0x10}));

  // An error status is the caller's to judge: the link stays up, no box.
  peer.replies.push_back(ScriptedPeer::Framed(Raw({0x21, 0x03})));
  EXPECT_EQ(ExchangeOnce(link, {0x41, 'x'}).reply, (Bytes{0x21, 0x03}));
  EXPECT_EQ(Titles(), "");
  EXPECT_TRUE(link.LinkUp());
}

TEST_F(LinkTest, TimeoutReportsOnceReturnsToSecurityAndSearchesAgain) {
  ScriptedPeer peer;
  auto window = LinkedWindow(peer);
  const int queries_before = peer.queries_received;
  peer.answer_discovery = false;
  EXPECT_EQ(ExchangeOnce(window->Link(), {0x11}).kind, Outcome::Kind::kTimeout);  // no reply comes
  ExpectInterrupted(*window);
  ASSERT_EQ(messages.shown.size(), 1);
  EXPECT_EQ(messages.shown[0].kind, "warning");
  EXPECT_EQ(messages.shown[0].text, "The connection to the Code Generator was interrupted");
  EXPECT_FALSE(window->Link().LinkUp());
  EXPECT_EQ(window->SecurityTroubleText->text(), "Looking for Code Generator on network");
  EXPECT_TRUE(WaitFor([&] { return peer.queries_received > queries_before; }, 3000));
  EXPECT_EQ(messages.shown.size(), 1);
}

TEST_F(LinkTest, DroppedLinkIsReportedAndRelinks) {
  ScriptedPeer peer;
  auto window = LinkedWindow(peer);
  peer.DropConnection();
  ASSERT_TRUE(WaitFor([&] { return !messages.shown.isEmpty(); }));
  ExpectInterrupted(*window);
  EXPECT_TRUE(WaitFor([&] { return window->Link().LinkUp(); }, 3000));  // found again
  EXPECT_EQ(messages.shown.size(), 1);
}

// A close is seen when it happens, whether a reply is awaited (the
// exchange ends as a lost link, not at the reply timeout) or not; so are
// bytes nobody asked for.
TEST_F(LinkTest, ClosedLinkAndUnaskedBytesAreSeenAtOnce) {
  ScriptedPeer peer;
  auto window = LinkedWindow(peer);
  peer.replies.push_back(ScriptedPeer::Reply{});  // never answered
  std::optional<Outcome> outcome;
  QObject::connect(&window->Link(), &ui::CodeGeneratorLink::exchangeEnded, [&](const Outcome& o) { outcome = o; });
  window->Link().Send({0x11});
  ASSERT_TRUE(WaitFor([&] { return peer.commands.size() == 1; }));
  peer.DropConnection();
  ASSERT_TRUE(WaitFor([&] { return outcome.has_value(); }));
  EXPECT_EQ(outcome->kind, Outcome::Kind::kLinkLost) << outcome->detail;
  ExpectInterrupted(*window);
  EXPECT_FALSE(window->Link().LinkUp());

  messages.shown.clear();
  ASSERT_TRUE(WaitFor([&] { return window->Link().LinkUp(); }, 3000));  // found again
  // A reply, then bytes after it while nothing is awaited.
  peer.replies.push_back(ScriptedPeer::Framed(Raw({0x11, 0x00})));
  EXPECT_EQ(ExchangeOnce(window->Link(), {0x11}).kind, Outcome::Kind::kReply);
  peer.SendUnasked("\x11");
  ASSERT_TRUE(WaitFor([&] { return !messages.shown.isEmpty(); }));
  ExpectInterrupted(*window);
  EXPECT_FALSE(window->Link().LinkUp());
}

TEST_F(LinkTest, RefusedConnectionShowsOneMessageThenSearchesOn) {
  ScriptedPeer peer(/*listen_tcp=*/false);
  auto window = MakeWindow(peer.port());
  ASSERT_TRUE(WaitFor([&] { return !messages.shown.isEmpty(); }));
  EXPECT_EQ(messages.shown[0].title, "Connection Interrupted");
  const int queries = peer.queries_received;
  peer.answer_discovery = false;
  EXPECT_TRUE(WaitFor([&] { return peer.queries_received > queries; }, 3000));
  EXPECT_EQ(messages.shown.size(), 1);
  EXPECT_FALSE(window->Link().LinkUp());
}

TEST_F(LinkTest, SecondExchangeIsRefusedWhileOneIsAwaited) {
  ScriptedPeer peer;
  auto window = LinkedWindow(peer);
  auto& link = window->Link();
  std::vector<Outcome> outcomes;
  QObject::connect(&link, &ui::CodeGeneratorLink::exchangeEnded, [&](const Outcome& ended) { outcomes.push_back(ended); });
  peer.replies.push_back(ScriptedPeer::Framed(Raw({0x11, 0x00})));
  link.Send({0x11});
  link.Send({0x21});  // refused, and told after this call returns
  EXPECT_TRUE(outcomes.empty()) << "an outcome never arrives inside Send()";
  ASSERT_TRUE(WaitFor([&] { return outcomes.size() == 2; }));
  EXPECT_EQ(outcomes[0].kind, Outcome::Kind::kLinkLost);
  EXPECT_EQ(outcomes[0].detail, "another exchange is awaited");
  EXPECT_EQ(outcomes[1].reply, (Bytes{0x11, 0x00}));
  EXPECT_EQ(peer.commands.size(), 1);  // the second command never went out
  EXPECT_TRUE(link.LinkUp());
}

TEST_F(LinkTest, TwoFramesInOneReadAreAProtocolFaultNotOneReply) {
  ScriptedPeer peer;
  auto window = LinkedWindow(peer);
  // The reply timer keeps its full interval (a coarse timer fires some 5% early).
  EXPECT_EQ(window->Link().TcpTimer.timerType(), Qt::PreciseTimer);
  peer.replies.push_back({{ScriptedPeer::Frame(Raw({0x61, 0x00, 'A'})) + ScriptedPeer::Frame(Raw({0x62, 0x00, 'B'}))}});
  const Outcome outcome = ExchangeOnce(window->Link(), {0x61});
  EXPECT_EQ(outcome.kind, Outcome::Kind::kProtocolError);
  EXPECT_EQ(outcome.detail, "bytes after the reply's end byte");
  ExpectInterrupted(*window);
  EXPECT_FALSE(window->Link().LinkUp());
}

TEST_F(LinkTest, OverlongReplyIsTreatedAsALostLink) {
  ScriptedPeer peer;
  auto window = LinkedWindow(peer);
  ScriptedPeer::Reply flood;
  const QByteArray mebibyte(1 << 20, 'x');
  for (int i = 0; i < 17; ++i) flood.chunks.append(mebibyte);
  peer.replies.push_back(flood);
  // Over the cap, or cut short by the reply timer while the flood still arrives.
  EXPECT_NE(ExchangeOnce(window->Link(), {0x62}).kind, Outcome::Kind::kReply);
  ExpectInterrupted(*window);
  EXPECT_FALSE(window->Link().LinkUp());
}

}  // namespace
}  // namespace tessellux::testing
