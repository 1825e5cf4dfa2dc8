// The build driver against a scripted Code Generator: the series, the
// geometry and statistics read back, the upload and the picture fetch.

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <functional>

#include "app/tabs.h"
#include "generate/build_driver.h"
#include "app/data_choice.h"
#include "security/security_mode.h"
#include "support/bmp_header.h"
#include "support/temp_folder.h"

namespace tessellux::generate {
namespace {

using Kind = BuildFailure::Kind;
using namespace app;  // the data choices
using Outcome = link::ExchangeOutcome;

using tessellux::testing::BmpHeader;

Bytes Prefixed(std::initializer_list<std::uint8_t> head, const Bytes& tail) {
  Bytes out(head);
  out.insert(out.end(), tail.begin(), tail.end());
  return out;
}

// Rows of a 1-bit picture, each filled with its own letter.
std::vector<Bytes> LetterRows(int count, std::size_t row_bytes) {
  std::vector<Bytes> rows;
  for (int i = 0; i < count; ++i) rows.emplace_back(row_bytes, static_cast<std::uint8_t>('A' + i % 26));
  return rows;
}

Bytes Joined(const std::vector<Bytes>& rows, bool reversed = false) {
  Bytes out;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Bytes& row = rows[reversed ? rows.size() - 1 - i : i];
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

// Answers like a Code Generator: every command succeeds, the security
// command with `geometry`, 0x61 with `header`, 0x62 with the next row and
// then "bb". `override` may replace any answer. The picture fits the
// geometry at grid size 8 and lines 2 pixels thick, as a build asks by default.
class FakeCodeGenerator : public link::CommandExchange {
 public:
  FakeCodeGenerator() { Fit(1, 1, 6); }

  // A geometry of r x c blocks and a picture of the size it gives.
  void Fit(int r, int c, int k, int grid = 8, int extra = 2) {
    geometry = {static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(k)};
    width = grid * (8 * c + 2) + extra;
    height = grid * (8 * r + 2) + extra;
    header = BmpHeader(width, height);
    row_bytes = static_cast<std::size_t>((width + 31) / 32 * 4);
    rows = LetterRows(height, row_bytes);
  }

  Outcome Exchange(const Bytes& message) override {
    commands.push_back(message);
    if (commands.size() > 100000) return {Outcome::Kind::kLinkLost, {}, "runaway"};
    if (override_reply) {
      if (auto outcome = override_reply(message)) return *outcome;
    }
    const std::uint8_t code = message.empty() ? 0 : message[0];
    if (code >= 0x51 && code <= 0x54) return Reply(Prefixed({code, 0x00}, geometry));
    if (code == 0x61) return Reply(Prefixed({0x61, 0x00}, header));
    if (code == 0x62) return Reply(next_row < rows.size() ? Prefixed({0x62, 0x00}, rows[next_row++]) : Bytes{0x62, 0x62});
    return Reply({code, 0x00});
  }
  static Outcome Reply(Bytes reply) { return {Outcome::Kind::kReply, std::move(reply), {}}; }

  std::vector<Bytes> commands;
  Bytes geometry;
  int width = 0, height = 0;
  std::size_t row_bytes = 0;
  Bytes header;
  std::vector<Bytes> rows;
  std::size_t next_row = 0;
  std::function<std::optional<Outcome>(const Bytes&)> override_reply;
};

BuildRequest WebAddress(std::string url = "http://example.com/") {
  BuildRequest request;
  request.data = kWebAddress;
  request.text = ToBytes(url);
  return request;
}

Bytes Body(const BuildResult& result) {
  return result.picture ? Bytes(result.picture->begin() + 62, result.picture->end()) : ToBytes("(none)");
}

TEST(BuildDriver, DefaultWebAddressSeriesResultsAndPicture) {
  FakeCodeGenerator peer;
  peer.Fit(5, 4, 6);
  std::vector<std::pair<BuildStage, std::uint64_t>> progress;
  std::uint64_t last_total = 0;
  BuildDriver driver(peer, [&](BuildStage stage, std::uint64_t done, std::uint64_t total) {
    progress.emplace_back(stage, done);
    last_total = total;
  });
  const BuildResult result = driver.Build(WebAddress());
  ASSERT_TRUE(result.ok()) << result.failure->Describe();

  std::vector<Bytes> series = {{0x11, 0, 0, 0, 8, 1, 2}, Prefixed({0x21}, ToBytes("http://example.com/")), {0x51},
                               {0x61}};
  series.insert(series.end(), 338 + 1, Bytes{0x62});
  EXPECT_EQ(peer.commands, series) << "every row, then the end reply";

  EXPECT_EQ((std::array{result.geometry->r, result.geometry->c, result.geometry->k}), (std::array{5, 4, 6}));
  EXPECT_EQ((std::array{result.usage.total, result.usage.error, result.usage.user}),
            (std::array<std::int64_t, 3>{280, 100, 180}));
  // 8 x (8 x 4 + 2) + 2 = 274 pixels wide, 8 x (8 x 5 + 2) + 2 = 338 high.
  EXPECT_EQ(result.pixel_size.width, 274);
  EXPECT_EQ(result.pixel_size.height, 338);
  EXPECT_EQ(Body(result), Joined(peer.rows));
  EXPECT_EQ(result.picture_shape.height, 338);

  // Three sends, then 339 fetch exchanges counted up to their total.
  ASSERT_EQ(progress.size(), 3u + 339u);
  EXPECT_EQ(progress[2], std::make_pair(BuildStage::kSending, std::uint64_t{3}));
  EXPECT_EQ(progress.back(), std::make_pair(BuildStage::kFetching, std::uint64_t{339}));
  EXPECT_EQ(last_total, 339u);
}

TEST(BuildDriver, FixedLayoutMirrorAndAFailedCheck) {
  FakeCodeGenerator peer;
  BuildRequest request = WebAddress();
  request.layout = {4, 8, 5, 11, 3, geometry::Style::kDots, true};
  peer.Fit(4, 8, 5, 11, 0);
  const BuildResult mirrored = BuildDriver(peer).Build(request);
  EXPECT_EQ(peer.commands.front(), (Bytes{0x11, 4, 8, 10, 11, 2, 3})) << "rows, columns, 2k, grid, dots, size";
  EXPECT_EQ(Body(mirrored), Joined(peer.rows, true));
  EXPECT_EQ(mirrored.usage.total, 448);
  EXPECT_EQ(mirrored.pixel_size.width, 11 * 66) << "dots add no line thickness";

  FakeCodeGenerator quiet;
  const BuildResult failed = BuildDriver(quiet).Build(WebAddress("example.com"));
  ASSERT_FALSE(failed.ok());
  EXPECT_EQ(failed.failure->kind, Kind::kCheck);
  EXPECT_EQ(failed.failure->tab, app::kTextTab);
  EXPECT_EQ(failed.failure->warning.title, "Not Text");
  EXPECT_TRUE(quiet.commands.empty()) << "a failed check sends nothing";
}

TEST(BuildDriver, ZipFileGoesUpInPiecesAndAnUnreadableOneStopsTheSeries) {
  const tessellux::testing::TempFolder folder;
  const std::string path = folder.Write("driver.zip", Bytes(2500, 0xAA));  // every byte needs escaping on the wire
  BuildRequest request;
  request.data = kZippedFile;
  request.zip_file = path;
  FakeCodeGenerator peer;
  ASSERT_TRUE(BuildDriver(peer).Build(request).ok());
  const std::vector<Bytes> uploaded(peer.commands.begin() + 1, peer.commands.begin() + 6);
  const Bytes full(1000, 0xAA);
  EXPECT_EQ(uploaded, (std::vector<Bytes>{{0x21}, Prefixed({0x31}, full), Prefixed({0x32}, full),
                                          Prefixed({0x32}, Bytes(500, 0xAA)), {0x51}}));
  std::filesystem::remove(path);

  FakeCodeGenerator second;
  const BuildResult failed = BuildDriver(second).Build(request);
  ASSERT_FALSE(failed.ok());
  EXPECT_EQ(failed.failure->kind, Kind::kUpload);
  EXPECT_EQ(failed.failure->warning.title, "File Not Sent");
  EXPECT_NE(failed.failure->warning.paragraphs.at(0).find(path), std::string::npos);
  EXPECT_EQ(second.commands.size(), 2u) << "the layout and the text went out, nothing after";
}

TEST(BuildDriver, ExchangeFailuresStopTheSeriesAndSayWhatHappened) {
  const struct {
    const char* what;
    std::uint8_t failing_code;
    Outcome outcome;
    Kind kind;
    std::size_t commands_sent;
    const char* described;  // part of Describe()
  } cases[] = {
      {"lost at the text", 0x21, {Outcome::Kind::kLinkLost, {}, "closed"}, Kind::kLinkLost, 2, "lost at command 0x21 (text)"},
      {"timeout at the layout", 0x11, {Outcome::Kind::kTimeout, {}, {}}, Kind::kTimeout, 1, "no reply to command 0x11 (layout) within 1000 ms"},
      {"status 4 at the build", 0x51, FakeCodeGenerator::Reply({0x51, 0x04}), Kind::kStatus, 3,
       "0x51 (build public symbol) failed with status 0x04: data too large"},
      {"bytes after the end", 0x21, {Outcome::Kind::kProtocolError, {}, "bytes after the reply's end byte"},
       Kind::kProtocolError, 2, "broke the protocol: bytes after"},
      {"no status", 0x11, FakeCodeGenerator::Reply({0x11}), Kind::kNoStatus, 1, "without a status byte"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakeCodeGenerator peer;
    peer.override_reply = [&](const Bytes& m) -> std::optional<Outcome> {
      if (m[0] == c.failing_code) return c.outcome;
      return std::nullopt;
    };
    const BuildResult result = BuildDriver(peer).Build(WebAddress());
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.failure->kind, c.kind);
    EXPECT_EQ(peer.commands.size(), c.commands_sent);
    EXPECT_FALSE(result.geometry) << "no statistics from a broken series";
    EXPECT_NE(result.failure->Describe().find(c.described), std::string::npos) << result.failure->Describe();
  }
  FakeCodeGenerator peer;
  peer.override_reply = [](const Bytes& m) -> std::optional<Outcome> {
    if (m[0] == 0x21) return FakeCodeGenerator::Reply({0x21, 0x03});
    return std::nullopt;
  };
  const BuildResult status = BuildDriver(peer).Build(WebAddress());
  EXPECT_EQ(status.failure->warning.title, "Unexpected error");
  EXPECT_EQ(status.failure->warning.paragraphs, std::vector<std::string>{"Unexpected error code 3 to command code 21"});
}

// A Code Generator over its memory budget answers Busy; the build tool says
// what that means instead of calling the status undocumented.
TEST(BuildDriver, BusyIsDescribedAsTheCodeGeneratorDocumentsIt) {
  FakeCodeGenerator peer;
  peer.override_reply = [](const Bytes& m) -> std::optional<Outcome> {
    if (m[0] == 0x21) return FakeCodeGenerator::Reply({0x21, 0x08});
    return std::nullopt;
  };
  const BuildResult result = BuildDriver(peer).Build(WebAddress());
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.failure->kind, Kind::kStatus);
  const std::string described = result.failure->Describe();
  EXPECT_NE(described.find("command 0x21 (text) failed with status 0x08: busy: the Code Generator's memory budget "
                           "cannot take the command now"),
            std::string::npos)
      << described;
  EXPECT_NE(described.find("try again later"), std::string::npos) << described;
  EXPECT_EQ(described.find("not one the Code Generator documents"), std::string::npos) << described;
}

// How the pixels are split over the 0x62 replies is the Code Generator's
// choice; the fetch stops asking once the header's size has arrived and
// then wants the end reply.
TEST(BuildDriver, FetchTakesThePixelsInAnySplit) {
  FakeCodeGenerator shape;  // 82 rows of 12 bytes
  const Bytes body = Joined(shape.rows);
  const auto split = [&](std::vector<std::size_t> sizes) {
    std::vector<Bytes> pieces;
    std::size_t at = 0;
    for (std::size_t i = 0; at < body.size(); ++i) {
      const std::size_t n = std::min(sizes[i % sizes.size()], body.size() - at);
      pieces.emplace_back(body.begin() + static_cast<std::ptrdiff_t>(at), body.begin() + static_cast<std::ptrdiff_t>(at + n));
      at += n;
    }
    return pieces;
  };
  const struct {
    const char* what;
    std::vector<Bytes> pieces;
  } splits[] = {
      {"two rows at a time", split({24})},
      {"half rows", split({6})},
      {"mixed", split({1, 23, 36, 12})},
  };
  for (const auto& c : splits) {
    SCOPED_TRACE(c.what);
    FakeCodeGenerator peer;
    peer.rows = c.pieces;
    std::vector<std::uint64_t> fetched;
    std::uint64_t fetch_total = 0;
    BuildDriver driver(peer, [&](BuildStage stage, std::uint64_t done, std::uint64_t total) {
      if (stage == BuildStage::kFetching) fetched.push_back(done), fetch_total = total;
    });
    BuildRequest request = WebAddress();
    request.layout.mirror = true;
    const BuildResult result = driver.Build(request);
    ASSERT_TRUE(result.ok()) << result.failure->Describe();
    EXPECT_EQ(Body(result), Joined(shape.rows, true));
    EXPECT_EQ(peer.commands.size(), 3 + 1 + c.pieces.size() + 1) << "every piece, then the end reply";
    EXPECT_EQ(peer.commands.back(), Bytes{0x62});
    // Progress by whole rows: a part row moves nothing, two rows move two.
    ASSERT_FALSE(fetched.empty());
    EXPECT_TRUE(std::adjacent_find(fetched.begin(), fetched.end(), std::greater_equal<>()) == fetched.end());
    EXPECT_EQ(fetched.back(), 83u);
    EXPECT_EQ(fetch_total, 83u);
  }
}

TEST(BuildDriver, GeometryOutOfRangeFetchesNothing) {
  FakeCodeGenerator peer;
  peer.geometry = {4, 4, 18};
  const BuildResult result = BuildDriver(peer).Build(WebAddress());
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.failure->kind, Kind::kGeometry);
  EXPECT_EQ(result.failure->warning.title, "Unexpected Symbol Geometry");
  EXPECT_EQ(peer.commands.size(), 3u);
}

// A peer may lie about the picture; the fetch ends at the header's height,
// checks every row and hands over nothing that does not match.
TEST(BuildDriver, FetchEndsAtTheHeadersHeightAndRefusesPicturesThatDoNotMatch) {
  const struct {
    const char* what;
    Bytes header;
    std::vector<Bytes> rows;
    bool endless_empty_rows;
    std::size_t max_fetch_exchanges;
  } cases[] = {
      {"header of 10 bytes", Bytes(10, 'B'), {}, false, 1},
      {"negative height", BmpHeader(82, -82), {}, false, 1},
      {"40000 x 40000", BmpHeader(40000, 40000), {}, false, 1},
      // A 1 x 1 block geometry makes 80 to 82 pixels a side at grid size 8.
      {"1,000,000 x 2,000 after 1 x 1 blocks", BmpHeader(1'000'000, 2'000), {}, false, 1},
      {"one pixel wider than lines allow", BmpHeader(83, 82), {}, false, 1},
      {"one pixel short of the dots", BmpHeader(82, 79), {}, false, 1},
      {"more rows than the height", BmpHeader(82, 82), LetterRows(83, 12), false, 84},
      {"an empty row", BmpHeader(82, 82), {Bytes{}}, false, 2},
      {"pixels beyond the header's size", BmpHeader(82, 82), {Bytes(12, 'A'), Bytes(82 * 12, 'B')}, false, 3},
      {"ends early", BmpHeader(82, 82), {Bytes(12, 'A')}, false, 3},
      {"every row request answered empty", BmpHeader(82, 82), {}, true, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakeCodeGenerator peer;
    peer.header = c.header;
    peer.rows = c.rows;
    if (c.endless_empty_rows) {
      peer.override_reply = [](const Bytes& m) -> std::optional<Outcome> {
        if (m[0] == 0x62) return FakeCodeGenerator::Reply({0x62, 0x00});
        return std::nullopt;
      };
    }
    BuildRequest request = WebAddress();
    request.picture_limit = 64 << 20;
    const BuildResult result = BuildDriver(peer).Build(request);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.failure->kind, Kind::kPicture);
    EXPECT_EQ(result.failure->warning.title, "Unusable Symbol Picture");
    EXPECT_FALSE(result.picture);
    EXPECT_TRUE(result.geometry) << "this run's statistics stay";
    EXPECT_LE(peer.commands.size() - 3, c.max_fetch_exchanges);
  }
}

// The window drives the run from its socket's signals: each outcome is fed
// when it arrives, and nothing more is asked once the run has ended.
TEST(BuildRun, SteppedByHandEndsOnceAndKeepsItsResult) {
  FakeCodeGenerator peer;
  BuildRun run(WebAddress());
  EXPECT_FALSE(run.Next(FakeCodeGenerator::Reply({0x11, 0x00}))) << "nothing before Start";
  std::optional<Bytes> message = run.Start();
  EXPECT_FALSE(run.Start()) << "started once";
  int exchanges = 0;
  while (message && exchanges++ < 100) message = run.Next(peer.Exchange(*message));
  ASSERT_TRUE(run.Ended());
  ASSERT_TRUE(run.Result().ok());
  EXPECT_EQ(run.Done(), run.Total());
  EXPECT_FALSE(run.Next(FakeCodeGenerator::Reply({0x62, 0x62}))) << "an ended run asks for nothing";
  EXPECT_EQ(Body(std::move(run).Result()), Joined(peer.rows));

  BuildRequest picture;
  picture.data = kPictureOnly;
  picture.picture_file = "photo.jpg";
  int prepared = 0;
  picture.prepare_picture = [&]() -> std::optional<app::Warning> {
    ++prepared;
    return app::Warning{"Picture Not Recompressed", {"photo.jpg is damaged"}};
  };
  BuildRun refused(std::move(picture));
  EXPECT_FALSE(refused.Start()) << "a picture that cannot be prepared sends nothing";
  EXPECT_EQ(prepared, 1);
  EXPECT_EQ(refused.Result().failure->kind, Kind::kUpload);
}

// Stop (the window's button, Esc, Ctrl+C) lets the exchange under way end,
// uses nothing of its reply and hands over no picture.
TEST(BuildRun, StoppedBuildsEndAfterTheExchangeUnderWayWithNoPicture) {
  FakeCodeGenerator peer;
  BuildRun run(WebAddress());
  std::optional<Bytes> message = run.Start();
  for (int i = 0; message && i < 200 && !(run.Stage() == BuildStage::kFetching && run.Done() == 10); ++i) {
    message = run.Next(peer.Exchange(*message));
  }
  ASSERT_TRUE(message);
  run.Stop();
  EXPECT_FALSE(run.Next(peer.Exchange(*message))) << "nothing more is sent";
  ASSERT_TRUE(run.Result().failure);
  EXPECT_EQ(run.Result().failure->kind, Kind::kStopped);
  EXPECT_EQ(run.Result().failure->warning.title, "Build Stopped");
  EXPECT_NE(run.Result().failure->detail.find("after 10 of 82 rows"), std::string::npos) << run.Result().failure->detail;
  EXPECT_FALSE(run.Result().picture);
  EXPECT_TRUE(run.Result().geometry) << "the series' statistics stay";

  FakeCodeGenerator second;
  int asked = 0;
  const BuildResult early = BuildDriver(second, {}, [&] { return ++asked == 2; }).Build(WebAddress());
  ASSERT_FALSE(early.ok());
  EXPECT_EQ(early.failure->kind, Kind::kStopped);
  EXPECT_EQ(second.commands.size(), 2u) << "the layout and the text; the build command never went";
  EXPECT_NE(early.failure->Describe().find("while sending"), std::string::npos) << early.failure->Describe();
}

// A Code Generator that trickles rows cannot hold a fetch for longer than
// its picture's size allows; what arrived is dropped.
TEST(BuildRun, AFetchPastItsAllowanceEndsAsExpired) {
  EXPECT_EQ(BuildRun::FetchAllowance(82), std::chrono::seconds(30)) << "the floor";
  EXPECT_EQ(BuildRun::FetchAllowance(22'376), std::chrono::milliseconds(223'760)) << "the largest symbol";

  FakeCodeGenerator peer;
  auto now = std::chrono::steady_clock::time_point{};
  BuildRun run(WebAddress(), [&] { return now += std::chrono::seconds(1); });  // a row a second
  std::optional<Bytes> message = run.Start();
  std::size_t exchanges = 0;
  while (message && exchanges++ < 200) message = run.Next(peer.Exchange(*message));
  ASSERT_TRUE(run.Result().failure);
  const BuildFailure& failure = *run.Result().failure;
  EXPECT_EQ(failure.kind, Kind::kExpired);
  EXPECT_EQ(failure.warning.title, "Symbol Picture Too Slow");
  EXPECT_NE(failure.detail.find("of 82 rows of the symbol picture arrived in the 30 s"), std::string::npos)
      << failure.detail;
  EXPECT_FALSE(run.Result().picture);
  EXPECT_LT(peer.next_row, 40u);
}

// The run notes by its clock when it started, when the symbol was built and
// when the last row came; a build that ends early leaves the later steps unset.
TEST(BuildRun, NotesWhenEachStepWasReached) {
  using TimePoint = std::chrono::steady_clock::time_point;
  TimePoint now{};
  const auto tick = [&] { return now += std::chrono::milliseconds(1); };
  FakeCodeGenerator peer;
  BuildRun run(WebAddress(), tick);
  std::optional<Bytes> message = run.Start();
  const TimePoint started = now;
  TimePoint replied{};
  for (int i = 0; message && i < 200; ++i) {
    const bool security = message->front() == 0x51;
    message = run.Next(peer.Exchange(*message));
    if (security) replied = now;
  }
  ASSERT_TRUE(run.Result().ok());
  const BuildTimes& times = run.Result().times;
  EXPECT_EQ(times.started, started);
  EXPECT_EQ(times.replied, replied) << "taken when the security command's reply came";
  EXPECT_EQ(times.fetched, now) << "taken at the end reply";
  EXPECT_LT(times.started, times.replied);
  EXPECT_LT(times.replied, times.fetched);

  FakeCodeGenerator busy;
  busy.override_reply = [](const Bytes& m) -> std::optional<Outcome> {
    if (m.front() == 0x51) return FakeCodeGenerator::Reply({0x51, 0x04});
    return std::nullopt;
  };
  BuildRun refused(WebAddress(), tick);
  for (auto m = refused.Start(); m;) m = refused.Next(busy.Exchange(*m));
  ASSERT_FALSE(refused.Result().ok());
  EXPECT_NE(refused.Result().times.started, TimePoint{});
  EXPECT_EQ(refused.Result().times.replied, TimePoint{});
  EXPECT_EQ(refused.Result().times.fetched, TimePoint{});

  BuildRequest unchecked = WebAddress("not a web address");
  BuildRun never(unchecked, tick);
  EXPECT_FALSE(never.Start());
  EXPECT_EQ(never.Result().times.started, TimePoint{}) << "nothing was sent";
}

// The security check judges the request's own choice, so what refuses a
// build is what the status line shows for that choice.
TEST(BuildRun, SecurityChoiceIsCheckedBeforeAnythingIsSent) {
  BuildRequest request = WebAddress();
  request.security.mode = security::SecurityMode::Private;
  BuildRun run(request);
  EXPECT_FALSE(run.Start());
  ASSERT_TRUE(run.Result().failure);
  EXPECT_EQ(run.Result().failure->tab, app::kSecurityTab);
  EXPECT_EQ(run.Result().failure->warning.title, "Security Setting Incomplete");

  request.security.phrase = u"open sesame";
  BuildRun phrased(request);
  EXPECT_EQ(phrased.Start(), (Bytes{0x11, 0, 0, 0, 8, 1, 2}));
}

}  // namespace
}  // namespace tessellux::generate
