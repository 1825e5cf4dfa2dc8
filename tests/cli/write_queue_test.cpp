// The batch's writers: reports leave in the order handed in whatever order
// their writes finish, a failed write stays with its own report, and a full
// queue holds the connection back instead of growing.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "cli/write_queue.h"

namespace tessellux::cli {
namespace {

JobReport Numbered(int line, std::size_t picture_bytes = 0) {
  JobReport report;
  report.line = line;
  if (picture_bytes > 0) report.result.picture = Bytes(picture_bytes, 0);
  return report;
}

// Collects the emitted reports.
struct Emitted {
  std::mutex mutex;
  std::vector<JobReport> reports;
  WriteQueue::Emit Sink() {
    return [this](const JobReport& report) {
      std::lock_guard lock(mutex);
      reports.push_back(report);
    };
  }
};

// A gate writes wait at until it opens.
class Gate {
 public:
  void Open() { opened_.set_value(); }
  void Pass() const { gate_.wait(); }

 private:
  std::promise<void> opened_;
  std::shared_future<void> gate_ = opened_.get_future().share();
};

TEST(WriteQueue, ReportsLeaveInOrderAndAFailedWriteStaysWithItsLine) {
  Emitted emitted;
  std::atomic<int> writes{0};
  {
    WriteQueue queue({.writers = 4, .reports = 6, .picture_bytes = 1 << 20}, emitted.Sink());
    for (int line = 1; line <= 30; ++line) {
      if (line % 7 == 0) {  // refused before any build: nothing to write
        JobReport refused = Numbered(line);
        refused.exit_code = kExitUsage;
        refused.error = "bad line";
        queue.HandIn(std::move(refused));
        continue;
      }
      // Writes take different times, so that they finish out of order.
      queue.HandIn(Numbered(line, 100), [line, &writes](JobReport& report) {
        std::this_thread::sleep_for(std::chrono::microseconds(200 * (line % 5)));
        if (line == 12) {
          report.exit_code = kExitBuildFailed;
          report.error = "cannot write twelve";
        }
        report.result.picture.reset();
        ++writes;
      });
    }
    queue.Finish();
    EXPECT_EQ(writes, 26);
  }
  ASSERT_EQ(emitted.reports.size(), 30u);
  for (int i = 0; i < 30; ++i) {
    const JobReport& report = emitted.reports[static_cast<std::size_t>(i)];
    const int line = i + 1;
    EXPECT_EQ(report.line, line);
    if (line == 12) {
      EXPECT_EQ(report.exit_code, kExitBuildFailed);
      EXPECT_EQ(report.error, "cannot write twelve");
    } else if (line % 7 == 0) {
      EXPECT_EQ(report.exit_code, kExitUsage);
    } else {
      EXPECT_EQ(report.exit_code, kExitOk) << line << ": " << report.error;
      EXPECT_FALSE(report.result.picture) << "a written picture is not kept";
    }
  }
}

// A report without a write waits behind an earlier one still being written.
TEST(WriteQueue, AReportWithoutAWriteWaitsForTheOnesBeforeIt) {
  Emitted emitted;
  Gate gate;
  WriteQueue queue({.writers = 2, .reports = 4, .picture_bytes = 1 << 20}, emitted.Sink());
  queue.HandIn(Numbered(1, 10), [&](JobReport&) { gate.Pass(); });
  queue.HandIn(Numbered(2));
  {
    std::lock_guard lock(emitted.mutex);
    EXPECT_TRUE(emitted.reports.empty());
  }
  gate.Open();
  queue.Finish();
  ASSERT_EQ(emitted.reports.size(), 2u);
  EXPECT_EQ(emitted.reports[0].line, 1);
  EXPECT_EQ(emitted.reports[1].line, 2);
}

// Handing in waits while the queue holds its count of reports or of picture
// bytes; a picture larger than the whole allowance still goes when alone.
TEST(WriteQueue, AFullQueueHoldsTheHandInBack) {
  for (const bool by_bytes : {false, true}) {
    SCOPED_TRACE(by_bytes ? "picture bytes" : "reports");
    Emitted emitted;
    Gate gate;
    WriteQueue queue({.writers = 1, .reports = by_bytes ? 100u : 2u, .picture_bytes = by_bytes ? 1000u : 1u << 20},
                     emitted.Sink());
    const auto held = [&](JobReport& report) {
      gate.Pass();
      report.result.picture.reset();
    };
    queue.HandIn(Numbered(1, 5000), held);  // over the allowance, alone
    if (!by_bytes) queue.HandIn(Numbered(2, 1), held);
    std::atomic<bool> taken{false};
    std::thread connection([&] {
      queue.HandIn(Numbered(3, 1), held);
      taken = true;
    });
    // However long it is given, the hand-in cannot return before the gate opens.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(taken);
    gate.Open();
    connection.join();
    queue.Finish();
    EXPECT_TRUE(taken);
    EXPECT_EQ(emitted.reports.size(), by_bytes ? 2u : 3u);
  }
}

// Standard output waits for the reports before it: Drain returns once
// every report handed in so far has left.
TEST(WriteQueue, DrainWaitsForEveryReportHandedInBefore) {
  Emitted emitted;
  Gate gate;
  WriteQueue queue({.writers = 2, .reports = 4, .picture_bytes = 1 << 20}, emitted.Sink());
  queue.HandIn(Numbered(1, 10), [&](JobReport&) { gate.Pass(); });
  std::atomic<bool> drained{false};
  std::thread waiting([&] {
    queue.Drain();
    drained = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(drained);
  gate.Open();
  waiting.join();
  EXPECT_TRUE(drained);
  std::lock_guard lock(emitted.mutex);
  EXPECT_EQ(emitted.reports.size(), 1u);
}

TEST(WriteQueue, FinishingAnEmptyQueueOrTwiceReturns) {
  Emitted emitted;
  WriteQueue queue({}, emitted.Sink());
  queue.Finish();
  queue.Finish();
  EXPECT_TRUE(emitted.reports.empty());
}

}  // namespace
}  // namespace tessellux::cli
