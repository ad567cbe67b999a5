// The ephemeris library keeps its state (data folder, open files, last body
// and date) for each thread apart; its data files are read from memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "ports/ephemeris.h"
#include "ports/program_folder.h"
#include "support/cli_runner.h"

namespace {

using namespace skyloom;

// The program's body number and the first day asked for.
using Ask = std::pair<int32_t, double>;

std::vector<double> Longitudes(const Ask& ask) {
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
  // each leaves the library's cache and file on another body and century.
  const std::vector<Ask> asks = {{2, 2415020.5}, {4, 2469807.5}, {6, 2268923.5}, {11, 2378496.5}};
  std::vector<std::vector<double>> alone;
  // Alone on a fresh thread: the last digits depend on the thread's past asks.
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

// Every read, seek and tell of a file from memory answers as the disk's; a
// file of another name, or opened for writing too, is the disk's.
TEST(EphemerisFiles, ReadFromMemoryAsFromTheDisk) {
  const std::filesystem::path folder = skyloom::test::FreshFolder("ephemeris-files");
  std::string bytes;
  for (int k = 0; k < 200000; ++k) bytes += static_cast<char>((k * 7919 + k / 13) % 251);
  for (const char* name : {"a.se1", "a.txt"}) std::ofstream(folder / name, std::ios::binary) << bytes;
  for (const char* name : {"a.se1", "a.txt"}) {
    FILE* file = std::fopen((folder / name).c_str(), "rb");
    ASSERT_NE(file, nullptr) << name;
    EXPECT_EQ(fileno(file) < 0, std::string(name) == "a.se1") << name << " in memory";
    char got[100] = {};
    for (const long at : {0L, 150000L, 4095L, 199950L, 65536L}) {
      ASSERT_EQ(std::fseek(file, at, SEEK_SET), 0) << name;
      EXPECT_EQ(std::fread(got, 1, sizeof got, file), std::min<size_t>(sizeof got, bytes.size() - at)) << name;
      EXPECT_EQ(std::string(got, std::min<size_t>(sizeof got, bytes.size() - at)), bytes.substr(at, sizeof got));
      EXPECT_EQ(std::ftell(file), std::min<long>(at + 100, 200000)) << name;
    }
    ASSERT_EQ(std::fseek(file, -10, SEEK_END), 0);
    EXPECT_EQ(std::ftell(file), 199990L) << name;
    EXPECT_EQ(std::fread(got, 1, sizeof got, file), 10u) << name;
    EXPECT_NE(std::feof(file), 0) << name;
    std::rewind(file);
    EXPECT_EQ(std::fgetc(file), static_cast<unsigned char>(bytes[0])) << name;
    std::fclose(file);
  }
  errno = 0;
  EXPECT_EQ(std::fopen((folder / "none.se1").c_str(), "rb"), nullptr);
  EXPECT_EQ(errno, ENOENT);
  FILE* both = std::fopen((folder / "a.se1").c_str(), "r+b");
  ASSERT_NE(both, nullptr);
  EXPECT_GE(fileno(both), 0);
  std::fputc('!', both);
  std::fclose(both);
  std::ifstream again(folder / "a.se1", std::ios::binary);
  EXPECT_EQ(again.get(), '!');
}

}  // namespace
