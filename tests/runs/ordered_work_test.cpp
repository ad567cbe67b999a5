#include "runs/ordered_work.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace skyloom {
namespace {

struct OrderCase {
  const char* name;
  std::size_t count;
  unsigned jobs;
  std::size_t stopAfter;  // take says stop after taking this many (count: never)
  std::size_t throwAt;    // work throws at this i (count: never)
  // What must come out: the indices taken, in order, and whether the run ended in the
  // work's exception.
  std::vector<std::size_t> taken;
  bool threw;
};

class RunInOrderTable : public testing::TestWithParam<OrderCase> {};

TEST_P(RunInOrderTable, TakesInOrderStopsAndRethrows) {
  const OrderCase& c = GetParam();
  std::atomic<std::size_t> started{0}, running{0}, mostRunning{0};
  std::atomic<std::size_t> highestStarted{0};
  std::vector<std::size_t> taken;
  std::vector<std::thread::id> takers;
  const std::function<std::size_t(std::size_t)> work = [&](std::size_t i) {
    ++started;
    std::size_t now = ++running;
    std::size_t most = mostRunning;
    while (now > most && !mostRunning.compare_exchange_weak(most, now)) {
    }
    std::size_t high = highestStarted;
    while (i > high && !highestStarted.compare_exchange_weak(high, i)) {
    }
    // Early runs take longest, so later ones finish first and must wait for their turn.
    std::this_thread::sleep_for(std::chrono::microseconds((i % 4 == 0) ? 3000 : 100));
    --running;
    if (i == c.throwAt) throw std::runtime_error("run " + std::to_string(i));
    return i * 10;
  };
  const std::function<bool(std::size_t, std::size_t &&)> take = [&](std::size_t i, std::size_t&& result) {
    EXPECT_EQ(result, i * 10);
    taken.push_back(i);
    takers.push_back(std::this_thread::get_id());
    return taken.size() < c.stopAfter;
  };
  bool threw = false;
  try {
    RunInOrder<std::size_t>(c.count, c.jobs, work, take);
  } catch (const std::runtime_error& e) {
    threw = true;
    EXPECT_EQ(std::string(e.what()), "run " + std::to_string(c.throwAt));
  }
  EXPECT_EQ(taken, c.taken);
  EXPECT_EQ(threw, c.threw);
  EXPECT_EQ(running.load(), 0u) << "work still going after the return";
  for (auto id : takers) EXPECT_EQ(id, std::this_thread::get_id());
  const unsigned workers = WorkerCount(c.jobs);
  EXPECT_LE(mostRunning.load(), workers);
  // Nothing starts beyond the window of waiting results past the last one taken.
  if (started > 0) {
    EXPECT_LE(highestStarted.load(), taken.size() + 2 * workers);
  }
}

std::vector<std::size_t> Upto(std::size_t n) {
  std::vector<std::size_t> v;
  for (std::size_t i = 0; i < n; ++i) v.push_back(i);
  return v;
}

INSTANTIATE_TEST_SUITE_P(Cases, RunInOrderTable,
                         testing::Values(OrderCase{"none", 0, 2, 0, 0, {}, false},
                                         OrderCase{"one_serial", 1, 1, 1, 1, {0}, false},
                                         OrderCase{"serial_all", 9, 1, 9, 9, Upto(9), false},
                                         OrderCase{"two_threads_all", 40, 2, 40, 40, Upto(40), false},
                                         OrderCase{"every_core_all", 40, 0, 40, 40, Upto(40), false},
                                         OrderCase{"more_jobs_than_work", 3, 64, 3, 3, Upto(3), false},
                                         OrderCase{"stop_first", 40, 2, 1, 40, {0}, false},
                                         OrderCase{"stop_midway", 40, 2, 7, 40, Upto(7), false},
                                         OrderCase{"stop_serial", 40, 1, 5, 40, Upto(5), false},
                                         OrderCase{"throw_first", 40, 2, 40, 0, {}, true},
                                         OrderCase{"throw_midway_after_earlier_taken", 40, 2, 40, 12, Upto(12), true},
                                         OrderCase{"throw_serial", 10, 1, 10, 4, Upto(4), true},
                                         OrderCase{"stop_before_the_throw", 40, 2, 3, 8, Upto(3), false}),
                         [](const testing::TestParamInfo<OrderCase>& info) { return std::string(info.param.name); });

// A take that throws ends the run the same way, its exception reaching the caller.
TEST(RunInOrder, ExceptionFromTakeEndsTheRun) {
  std::atomic<std::size_t> running{0};
  std::size_t calls = 0;
  const std::function<int(std::size_t)> work = [&](std::size_t i) {
    ++running;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
    --running;
    return static_cast<int>(i);
  };
  const std::function<bool(std::size_t, int&&)> take = [&](std::size_t i, int&&) {
    ++calls;
    if (i == 5) throw std::logic_error("full");
    return true;
  };
  EXPECT_THROW(RunInOrder<int>(100, 2, work, take), std::logic_error);
  EXPECT_EQ(calls, 6u);
  EXPECT_EQ(running.load(), 0u);
}

}  // namespace
}  // namespace skyloom
