#include "runs/ordered_work.h"

#include <gtest/gtest.h>

#include <atomic>
#include <numeric>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "support/case_file.h"

namespace skyloom {
namespace {

void RaiseTo(std::atomic<std::size_t>& most, std::size_t value) {
  for (std::size_t seen = most; value > seen && !most.compare_exchange_weak(seen, value);) {
  }
}

class RunInOrderTable : public testing::TestWithParam<test::CaseLine> {};

TEST_P(RunInOrderTable, TakesInOrderStopsAndRethrows) {
  const test::CaseLine& line = GetParam();
  const bool takeThrows = line[3].starts_with("take ");
  const std::size_t count = std::stoul(line[0]), stopAfter = std::stoul(line[2]);
  const std::size_t throwAt = std::stoul(line[3].substr(takeThrows ? 5 : 0));
  const auto jobs = static_cast<unsigned>(std::stoul(line[1]));
  std::atomic<std::size_t> started{0}, running{0}, mostRunning{0}, highestStarted{0};
  std::vector<std::size_t> taken;
  std::vector<std::thread::id> takers;
  const std::function<std::size_t(std::size_t)> work = [&](std::size_t i) {
    ++started;
    RaiseTo(mostRunning, ++running);
    RaiseTo(highestStarted, i);
    // Early runs take longest, so later ones finish first and must wait for their turn.
    std::this_thread::sleep_for(std::chrono::microseconds((i % 4 == 0) ? 3000 : 100));
    --running;
    if (!takeThrows && i == throwAt) throw std::runtime_error("run " + std::to_string(i));
    return i * 10;
  };
  const std::function<bool(std::size_t, std::size_t &&)> take = [&](std::size_t i, std::size_t&& result) {
    EXPECT_EQ(result, i * 10);
    if (takeThrows && i == throwAt) throw std::runtime_error("take " + std::to_string(i));
    taken.push_back(i);
    takers.push_back(std::this_thread::get_id());
    return taken.size() < stopAfter;
  };
  bool threw = false;
  try {
    RunInOrder<std::size_t>(count, jobs, work, take);
  } catch (const std::runtime_error& e) {
    threw = true;
    EXPECT_EQ(std::string(e.what()), (takeThrows ? "take " : "run ") + std::to_string(throwAt));
  }
  std::vector<std::size_t> expected(std::stoul(line[4]));
  std::iota(expected.begin(), expected.end(), 0);
  EXPECT_EQ(taken, expected) << line.where;
  EXPECT_EQ(threw, line[5] == "yes") << line.where;
  EXPECT_EQ(running.load(), 0u) << "work still going after the return";
  for (auto id : takers) EXPECT_EQ(id, std::this_thread::get_id());
  const unsigned workers = WorkerCount(jobs);
  EXPECT_LE(mostRunning.load(), workers);
  // Nothing starts beyond the window of waiting results past the last one taken.
  if (started > 0) {
    EXPECT_LE(highestStarted.load(), taken.size() + 2 * workers);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, RunInOrderTable, testing::ValuesIn(test::ReadCases("runs/cases/ordered_work.txt")),
                         [](const auto& info) { return test::CaseName(info.param); });

}  // namespace
}  // namespace skyloom
