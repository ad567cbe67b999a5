// The collection of birth charts a user keeps, in one SQLite file: clients,
// family, famous people, each under a unique name, so that a run names a
// chart instead of retyping its birth data, and a batch runs them all.
//
// A chart keeps its birth data as the texts a run takes them in (date,
// time, zone, place), so that a run from the collection reads them exactly
// as if they had been typed. Whether they make a birth at all is for the
// checks of a run, before a chart is stored.
//
// Two programs may use one collection at once (the window open while a
// batch runs): SQLite's locking keeps it whole, writers wait for each other
// a while instead of failing. A file that is no collection, or one written
// by a later version of the program, is refused and never written to.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

struct sqlite3;

namespace skyloom {

struct StoredChart {
  std::string name;
  std::string birthDate;  // YYYY-MM-DD
  std::string birthTime;  // HH:MM
  // As a run takes it: an offset of the list (GMT+1:00), a tz database name
  // (Europe/Berlin) or LMT.
  std::string birthZone;
  // The place as it was named, and its coordinates (degrees, north and east
  // positive); a chart without a place has neither.
  std::string placeName;
  std::optional<double> latitude, longitude;
  // "tropical" or "sidereal" when the chart has its own; empty: the run's.
  std::string zodiac;
  std::vector<std::string> tags;  // in the order given, each once
  std::string note;
  bool operator==(const StoredChart&) const = default;
};

// What went wrong with the collection, in one sentence for the user.
class StoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The version of the collection's layout this program writes (SQLite's
// user_version). Older files are brought up to it when opened.
inline constexpr int ChartStoreVersion = 2;

class ChartStore {
 public:
  // Opens the collection at path, creating the file (and its folder) when
  // there is none. Throws StoreError for a file that is not a collection or
  // is of a newer version, leaving it as it was.
  explicit ChartStore(const std::string& path);
  ~ChartStore();
  ChartStore(const ChartStore&) = delete;
  ChartStore& operator=(const ChartStore&) = delete;

  // The charts by name (letter case aside), those with a tag only when one
  // is given.
  std::vector<StoredChart> List(const std::string& tag = "") const;
  std::optional<StoredChart> Find(const std::string& name) const;
  // Stores a new chart; throws StoreError when the name is taken.
  void Add(const StoredChart& chart);
  // Stores every chart or none of them: the first that cannot be stored
  // throws StoreError with where (its index) and why, and nothing is kept.
  void AddAll(const std::vector<StoredChart>& charts, const std::function<std::string(size_t)>& where);
  // False when there is no chart of that name.
  bool Remove(const std::string& name);
  // Throws StoreError when there is no chart `from` or `to` is taken.
  void Rename(const std::string& from, const std::string& to);
  // Replaces a chart's birth data, tags and note, keeping its name.
  void Replace(const StoredChart& chart);

  const std::string& Path() const { return path_; }

 private:
  void Insert(const StoredChart& chart);
  std::string path_;
  sqlite3* db_ = nullptr;
};

// Where the collection lives unless another file is named:
// $XDG_DATA_HOME/skyloom/charts.sqlite, or ~/.local/share/skyloom/charts.sqlite.
std::string DefaultChartStorePath();

}  // namespace skyloom
