#include "codegen/build_pool.h"

#include <gtest/gtest.h>

#include <future>
#include <string>

namespace tessellux::codegen {
namespace {

TEST(BuildPool, SmallBuildsGoFirstEachClassInTurn) {
  std::promise<void> gate;
  std::shared_future<void> opened = gate.get_future().share();
  std::mutex mutex;
  std::string order;
  std::promise<void> all_done;
  {
    BuildPool pool(1);
    pool.Post([opened] { opened.wait(); }, false);  // holds the one thread
    const auto job = [&](char name) {
      return [&, name] {
        std::lock_guard lock(mutex);
        order += name;
        if (order.size() == 5) all_done.set_value();
      };
    };
    pool.Post(job('A'), false);
    pool.Post(job('b'), true);
    pool.Post(job('C'), false);
    pool.Post(job('d'), true);
    pool.Post(job('e'), true);
    gate.set_value();
    ASSERT_EQ(all_done.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
  }
  EXPECT_EQ(order, "bdeAC");
}

}  // namespace
}  // namespace tessellux::codegen
