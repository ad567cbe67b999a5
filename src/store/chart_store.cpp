#include "store/chart_store.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <utility>

namespace skyloom {

namespace {

// Each step brings a collection from the version before it to its own; a
// file of any earlier version takes the steps after its own, in one
// transaction. Steps are never changed once released: a new layout is a
// new step.
const char* const kMigrations[ChartStoreVersion] = {
    // 1: the charts and their tags.
    "CREATE TABLE charts ("
    "  id INTEGER PRIMARY KEY,"
    "  name TEXT NOT NULL UNIQUE COLLATE NOCASE,"
    "  birth_date TEXT NOT NULL,"
    "  birth_time TEXT NOT NULL,"
    "  birth_zone TEXT NOT NULL,"
    "  place TEXT NOT NULL DEFAULT '',"
    "  latitude REAL,"
    "  longitude REAL,"
    "  zodiac TEXT NOT NULL DEFAULT '',"
    "  note TEXT NOT NULL DEFAULT '');"
    "CREATE TABLE tags ("
    "  chart_id INTEGER NOT NULL REFERENCES charts(id) ON DELETE CASCADE,"
    "  position INTEGER NOT NULL,"
    "  tag TEXT NOT NULL,"
    "  PRIMARY KEY (chart_id, position));",
    // 2: "--charts tag:TAG" picks charts by tag without reading every tag.
    "CREATE INDEX tags_by_tag ON tags (tag COLLATE NOCASE);",
};

// A prepared statement, finalized when it goes out of scope.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) : db_(db) {
    if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) Fail();
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& Bind(int k, const std::string& text) {
    sqlite3_bind_text(stmt_, k, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    return *this;
  }
  Statement& Bind(int k, const std::optional<double>& value) {
    if (value) {
      sqlite3_bind_double(stmt_, k, *value);
    } else {
      sqlite3_bind_null(stmt_, k);
    }
    return *this;
  }
  Statement& Bind(int k, int64_t value) {
    sqlite3_bind_int64(stmt_, k, value);
    return *this;
  }
  // True with a row to read, false when done.
  bool Step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    Fail();
  }
  std::string Text(int k) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, k));
    return text != nullptr ? std::string(text, static_cast<size_t>(sqlite3_column_bytes(stmt_, k))) : std::string();
  }
  std::optional<double> Real(int k) const {
    if (sqlite3_column_type(stmt_, k) == SQLITE_NULL) return std::nullopt;
    return sqlite3_column_double(stmt_, k);
  }
  int64_t Int(int k) const { return sqlite3_column_int64(stmt_, k); }

 private:
  [[noreturn]] void Fail() const { throw StoreError(sqlite3_errmsg(db_)); }
  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
};

void Execute(sqlite3* db, const char* sql) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &message) == SQLITE_OK) return;
  const std::string why = message != nullptr ? message : sqlite3_errmsg(db);
  sqlite3_free(message);
  throw StoreError(why);
}

// A transaction that is rolled back unless committed: a failure on the way
// leaves the collection as it was.
class Transaction {
 public:
  explicit Transaction(sqlite3* db) : db_(db) { Execute(db_, "BEGIN IMMEDIATE"); }
  ~Transaction() {
    if (!done_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  void Commit() {
    Execute(db_, "COMMIT");
    done_ = true;
  }

 private:
  sqlite3* db_;
  bool done_ = false;
};

int UserVersion(sqlite3* db) {
  Statement s(db, "PRAGMA user_version");
  return s.Step() ? static_cast<int>(s.Int(0)) : 0;
}

const char* const kChartColumns =
    "SELECT id, name, birth_date, birth_time, birth_zone, place, latitude, longitude, zodiac, note FROM charts";

StoredChart ChartOfRow(sqlite3* db, const Statement& row) {
  StoredChart chart;
  chart.name = row.Text(1);
  chart.birthDate = row.Text(2);
  chart.birthTime = row.Text(3);
  chart.birthZone = row.Text(4);
  chart.placeName = row.Text(5);
  chart.latitude = row.Real(6);
  chart.longitude = row.Real(7);
  chart.zodiac = row.Text(8);
  chart.note = row.Text(9);
  Statement tags(db, "SELECT tag FROM tags WHERE chart_id = ? ORDER BY position");
  tags.Bind(1, row.Int(0));
  while (tags.Step()) chart.tags.push_back(tags.Text(0));
  return chart;
}

bool Exists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

}  // namespace

ChartStore::ChartStore(const std::string& path) : path_(path) {
  const bool existed = Exists(path);
  if (!existed) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::error_code ignored;
    if (!folder.empty()) std::filesystem::create_directories(folder, ignored);
  }
  const int flags = SQLITE_OPEN_READWRITE | (existed ? 0 : SQLITE_OPEN_CREATE) | SQLITE_OPEN_FULLMUTEX;
  if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
    const std::string why = db_ != nullptr ? sqlite3_errmsg(db_) : "out of memory";
    sqlite3_close(db_);
    db_ = nullptr;
    throw StoreError("cannot open the chart collection " + path + ": " + why);
  }
  try {
    // The other program using the collection holds its lock for a moment
    // only: wait for it rather than fail.
    sqlite3_busy_timeout(db_, 10000);
    // Nothing is written before the file is known to be a collection of a
    // version this program reads: reading its version is the first access.
    int version = 0;
    int64_t tables = 0;
    try {
      version = UserVersion(db_);
      Statement count(db_, "SELECT count(*) FROM sqlite_master");
      if (count.Step()) tables = count.Int(0);
    } catch (const StoreError& e) {
      throw StoreError(path + " is not a chart collection (" + e.what() + "); it is left as it is");
    }
    if (version > ChartStoreVersion)
      throw StoreError(path + " is a chart collection of a newer version of the program (" + std::to_string(version) +
                       ", this one reads up to " + std::to_string(ChartStoreVersion) + "); it is left as it is");
    if (version == 0 && tables > 0)
      throw StoreError(path + " is an SQLite database of another program, not a chart collection; it is left as it is");
    // Readers go on while the other program writes.
    Execute(db_, "PRAGMA journal_mode = WAL");
    Execute(db_, "PRAGMA foreign_keys = ON");
    if (version < ChartStoreVersion) {
      Transaction migration(db_);
      // Another program may have brought it up to date meanwhile.
      for (int step = UserVersion(db_); step < ChartStoreVersion; ++step) Execute(db_, kMigrations[step]);
      Execute(db_, ("PRAGMA user_version = " + std::to_string(ChartStoreVersion)).c_str());
      migration.Commit();
    }
  } catch (...) {
    sqlite3_close(db_);
    db_ = nullptr;
    throw;
  }
}

ChartStore::~ChartStore() { sqlite3_close(db_); }

std::vector<StoredChart> ChartStore::List(const std::string& tag) const {
  std::string sql = kChartColumns;
  if (!tag.empty()) sql += " WHERE id IN (SELECT chart_id FROM tags WHERE tag = ?1 COLLATE NOCASE)";
  sql += " ORDER BY name COLLATE NOCASE, name";
  Statement rows(db_, sql.c_str());
  if (!tag.empty()) rows.Bind(1, tag);
  std::vector<StoredChart> charts;
  while (rows.Step()) charts.push_back(ChartOfRow(db_, rows));
  return charts;
}

std::optional<StoredChart> ChartStore::Find(const std::string& name) const {
  Statement row(db_, (std::string(kChartColumns) + " WHERE name = ?1").c_str());
  row.Bind(1, name);
  if (!row.Step()) return std::nullopt;
  return ChartOfRow(db_, row);
}

void ChartStore::Insert(const StoredChart& chart) {
  if (chart.name.empty()) throw StoreError("a chart needs a name");
  {
    Statement taken(db_, "SELECT name FROM charts WHERE name = ?1");
    taken.Bind(1, chart.name);
    if (taken.Step()) throw StoreError("there is already a chart called " + taken.Text(0));
  }
  Statement insert(db_,
                   "INSERT INTO charts (name, birth_date, birth_time, birth_zone, place, latitude, longitude, zodiac, "
                   "note) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)");
  insert.Bind(1, chart.name).Bind(2, chart.birthDate).Bind(3, chart.birthTime).Bind(4, chart.birthZone);
  insert.Bind(5, chart.placeName).Bind(6, chart.latitude).Bind(7, chart.longitude).Bind(8, chart.zodiac);
  insert.Bind(9, chart.note);
  insert.Step();
  const int64_t id = sqlite3_last_insert_rowid(db_);
  int64_t position = 0;
  for (const std::string& tag : chart.tags) {
    Statement add(db_, "INSERT INTO tags (chart_id, position, tag) VALUES (?1, ?2, ?3)");
    add.Bind(1, id).Bind(2, position++).Bind(3, tag);
    add.Step();
  }
}

void ChartStore::Add(const StoredChart& chart) {
  AddAll({chart}, [](size_t) { return std::string(); });
}

void ChartStore::AddAll(const std::vector<StoredChart>& charts, const std::function<std::string(size_t)>& where) {
  Transaction all(db_);
  for (size_t k = 0; k < charts.size(); ++k) {
    try {
      Insert(charts[k]);
    } catch (const StoreError& e) {
      const std::string at = where(k);
      throw StoreError(at.empty() ? std::string(e.what()) : at + ": " + e.what());
    }
  }
  all.Commit();
}

bool ChartStore::Remove(const std::string& name) {
  Transaction remove(db_);
  Statement s(db_, "DELETE FROM charts WHERE name = ?1");
  s.Bind(1, name);
  s.Step();
  const bool removed = sqlite3_changes(db_) > 0;
  remove.Commit();
  return removed;
}

void ChartStore::Rename(const std::string& from, const std::string& to) {
  Transaction rename(db_);
  if (to.empty()) throw StoreError("a chart needs a name");
  {
    Statement taken(db_, "SELECT name FROM charts WHERE name = ?1 AND name <> ?2 COLLATE BINARY");
    taken.Bind(1, to).Bind(2, from);
    if (taken.Step() && taken.Text(0) != from) throw StoreError("there is already a chart called " + taken.Text(0));
  }
  Statement s(db_, "UPDATE charts SET name = ?2 WHERE name = ?1");
  s.Bind(1, from).Bind(2, to);
  s.Step();
  if (sqlite3_changes(db_) == 0) throw StoreError("there is no chart called " + from);
  rename.Commit();
}

void ChartStore::Replace(const StoredChart& chart) {
  Transaction replace(db_);
  Statement s(db_, "DELETE FROM charts WHERE name = ?1");
  s.Bind(1, chart.name);
  s.Step();
  if (sqlite3_changes(db_) == 0) throw StoreError("there is no chart called " + chart.name);
  Insert(chart);
  replace.Commit();
}

std::string DefaultChartStorePath() {
  const char* data = std::getenv("XDG_DATA_HOME");
  std::string folder;
  if (data != nullptr && data[0] == '/') {
    folder = data;
  } else {
    const char* home = std::getenv("HOME");
    folder = std::string(home != nullptr ? home : ".") + "/.local/share";
  }
  return folder + "/skyloom/charts.sqlite";
}

}  // namespace skyloom
