// The chart collection's file.
#include "store/chart_store.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "support/cli_cases.h"
#include "support/cli_runner.h"

namespace {

using namespace skyloom;
using skyloom::test::FreshFolder;
using skyloom::test::Slurp;

StoredChart Chart(const std::string& name, std::vector<std::string> tags = {}) {
  return {name, "1970-03-15", "14:37", "Europe/Berlin", "", {}, {}, "", std::move(tags), ""};
}

std::vector<std::string> Names(const std::vector<StoredChart>& charts) {
  std::vector<std::string> names;
  for (const StoredChart& c : charts) names.push_back(c.name);
  return names;
}

// Runs the statements as another program would; the last row's first value.
std::string Sql(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  EXPECT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  std::string value;
  char* error = nullptr;
  const auto first = [](void* to, int, char** values, char**) {
    *static_cast<std::string*>(to) = values[0] != nullptr ? values[0] : "";
    return 0;
  };
  EXPECT_EQ(sqlite3_exec(db, sql.c_str(), first, &value, &error), SQLITE_OK) << (error != nullptr ? error : "");
  sqlite3_free(error);
  sqlite3_close(db);
  return value;
}

TEST(ChartStore, AFirstVersionFileIsBroughtUpToDateWithItsCharts) {
  const std::string path = (FreshFolder("store-v1") / "charts.sqlite").string();
  Sql(path, Slurp(std::string(SKYLOOM_TEST_DIR) + "/store/cases/first_version.sql"));
  {
    ChartStore store(path);
    const std::optional<StoredChart> kept = store.Find("Old Friend");
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->note, "kept");
    EXPECT_EQ(kept->tags, (std::vector<std::string>{"family", "old"}));
    EXPECT_EQ(kept->latitude, 48.85);
    EXPECT_EQ(Names(store.List("OLD")), std::vector<std::string>{"Old Friend"});
  }
  EXPECT_EQ(Sql(path, "PRAGMA user_version"), std::to_string(ChartStoreVersion));
  EXPECT_EQ(Sql(path, "SELECT count(*) FROM sqlite_master WHERE name = 'tags_by_tag'"), "1");
  EXPECT_EQ(Sql(path, "PRAGMA journal_mode"), "wal");
}

TEST(ChartStore, FilesThatAreNoCollectionOfOursAreRefusedAndLeftAsTheyWere) {
  const std::string folder = FreshFolder("store-refused").string();
  for (const test::CaseLine& c : test::ReadCases("store/cases/refused_files.txt")) {
    const std::string path = folder + "/" + c[0] + ".sqlite";
    if (c[1].empty()) {
      std::ofstream(path, std::ios::binary) << "this is no database at all\n" << std::string(5000, 'x');
    } else {
      Sql(path, test::Replaced(c[1], "NEXT", std::to_string(ChartStoreVersion + 1)));
    }
    const std::string before = Slurp(path);
    try {
      ChartStore store(path);
      ADD_FAILURE() << c.where << " was opened";
    } catch (const StoreError& e) {
      EXPECT_NE(std::string(e.what()).find(c[2]), std::string::npos) << c.where << ": " << e.what();
      EXPECT_NE(std::string(e.what()).find("left as it is"), std::string::npos) << c.where;
    }
    EXPECT_EQ(Slurp(path), before) << c.where;
    EXPECT_FALSE(std::filesystem::exists(path + "-wal")) << c.where;
  }
}

TEST(ChartStore, NamesTagsAndTransactions) {
  const std::string path = (FreshFolder("store-charts") / "sub" / "charts.sqlite").string();
  ChartStore store(path);  // its folder made
  store.Add(Chart("bob", {"clients"}));
  store.Add(Chart("Alice", {"family", "clients"}));
  store.Add(Chart("Carol"));
  for (const test::CaseLine& c : test::ReadCases("store/cases/chart_steps.txt")) {
    const std::vector<std::string> w = test::Split(c[0], ' ');
    std::string told;
    try {
      if (w[0] == "add") store.Add(Chart(w.size() > 1 ? w[1] : ""));
      if (w[0] == "addall") store.AddAll({Chart(w[1]), Chart(w[2])}, [](size_t) { return std::string(); });
      if (w[0] == "rename") store.Rename(w[1], w[2]);
      if (w[0] == "remove") told = store.Remove(w[1]) ? "removed" : "none";
    } catch (const StoreError& e) {
      told = e.what();
    }
    EXPECT_TRUE(c[1].empty() ? told.empty() : told.find(c[1]) != std::string::npos) << c.where << ": " << told;
    EXPECT_EQ(Names(store.List()), test::Split(c[2], ' ')) << c.where;
  }
  EXPECT_EQ(Names(store.List("clients")), (std::vector<std::string>{"Alice", "Bob"}));
  EXPECT_EQ(store.Find("Alice")->tags, (std::vector<std::string>{"family", "clients"}));
  // A removed chart's tags go with it: a new chart of its name has none.
  store.Remove("Alice");
  store.Add(Chart("Alice"));
  EXPECT_EQ(Names(store.List("family")), std::vector<std::string>{});
  // A second program on the same file sees the first one's charts.
  ChartStore other(path);
  EXPECT_EQ(Names(other.List()), (std::vector<std::string>{"Alice", "Bob"}));
}

TEST(ChartStore, AWriterWaitsForTheOtherProgramsTransaction) {
  const std::string path = (FreshFolder("store-busy") / "charts.sqlite").string();
  ChartStore store(path);
  store.Add(Chart("Ann"));
  // The other program holds the write lock until this one waits for it.
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other,
                         "BEGIN IMMEDIATE; INSERT INTO charts (name, birth_date, birth_time, birth_zone)"
                         " VALUES ('Ben', '1971-01-01', '12:00', 'GMT');",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  std::thread release([other] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
  });
  std::string refusal;
  try {
    store.Add(Chart("Cleo"));
  } catch (const StoreError& e) {
    refusal = e.what();
  }
  release.join();
  sqlite3_close(other);
  EXPECT_EQ(refusal, "");
  EXPECT_EQ(Names(store.List()), (std::vector<std::string>{"Ann", "Ben", "Cleo"}));
}

}  // namespace
