// The ephemeris library keeps its state (its data folder, its open files,
// its last body and date) for each thread apart: threads asking at once for
// other bodies on other dates get what one thread asking alone gets.
#include <gtest/gtest.h>

#include <thread>
#include <utility>
#include <vector>

#include "ports/ephemeris.h"
#include "ports/program_folder.h"

namespace {

using namespace skyloom;

// The program's body number and the first day asked for.
using Ask = std::pair<int32_t, double>;

std::vector<double> Longitudes(const Ask& ask) {
  // A library object made on the thread that asks, as a worker makes its own.
  SwissEphemeris library(ExecutableFolder());
  std::vector<double> out;
  for (int k = 0; k < 3000; ++k) {
    double speed = 0.0;
    const Position p = library.PlanetLongitude(ask.first, ask.second + k * 3.7, 0, &speed);
    out.push_back(p.Known() ? p.longitude : -1.0);
    out.push_back(speed);
  }
  return out;
}

TEST(EphemerisThreads, ThreadsAtOnceGetWhatOneThreadGets) {
  // Mercury from 1900, Mars from 2050, Saturn from 1500, Chiron from 1800:
  // each thread leaves the library's position cache and file on another
  // body and century between two of another thread's calls.
  const std::vector<Ask> asks = {{2, 2415020.5}, {4, 2469807.5}, {6, 2268923.5}, {11, 2378496.5}};
  std::vector<std::vector<double>> alone;
  // Each alone on a fresh thread of its own: the library's answers also
  // depend, in the last digits, on what the same thread asked before.
  for (const Ask& ask : asks) std::thread([&] { alone.push_back(Longitudes(ask)); }).join();
  std::vector<std::vector<double>> together(asks.size());
  std::vector<std::thread> threads;
  for (std::size_t k = 0; k < asks.size(); ++k) threads.emplace_back([&, k] { together[k] = Longitudes(asks[k]); });
  for (std::thread& thread : threads) thread.join();
  for (std::size_t k = 0; k < asks.size(); ++k) {
    ASSERT_EQ(together[k].size(), alone[k].size());
    EXPECT_GT(alone[k][0], 0.0) << "body " << asks[k].first << " unknown";
    for (std::size_t i = 0; i < alone[k].size(); ++i)
      ASSERT_EQ(together[k][i], alone[k][i]) << "body " << asks[k].first << " value " << i;
  }
}

}  // namespace
