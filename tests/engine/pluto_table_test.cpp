#include "engine/pluto_table.h"

#include <gtest/gtest.h>
#include <swephexp.h>
#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "engine/bodies.h"
#include "ports/program_folder.h"
#include "runs/session.h"
#include "support/angle_check.h"
#include "support/case_file.h"
#include "support/engine_setup.h"
#include "support/text_face.h"
#include "support/worst_error.h"

namespace skyloom {
namespace {

namespace fs = std::filesystem;
using test::kArcsecond;

// A record from its three character codes, the first with its line's shift.
std::string RecordOfCodes(int first, int second, int third) {
  return {static_cast<char>(first), static_cast<char>(second), static_cast<char>(third)};
}

double TableDegrees(double radians) { return radians * 360.0 / TwoPi; }

std::string Join(const std::vector<std::string>& lines, const std::string& lineEnd) {
  std::string text;
  for (const std::string& line : lines) text += line + lineEnd;
  return text;
}
// The records, one a line, and the checksum line.
std::string WithTrailer(const std::vector<std::string>& records) {
  return Join(records, "\n") + PlutoTableTrailer(records) + "\n";
}
// Records of a file that loads: smooth longitudes that cross the seam.
double LoadableDegrees(int32_t k) { return std::fmod(k * 0.0301, 360.0); }
std::vector<std::string> LoadableRecords() {
  std::vector<std::string> records;
  for (int32_t k = 0; k < PlutoRecordCount; ++k) records.push_back(EncodePlutoRecord(k, LoadableDegrees(k)));
  return records;
}

// Each test has a table of its own and a folder of its own for data files.
class PlutoTableTest : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(folder_); }
  void TearDown() override { fs::remove_all(folder_); }
  std::string Path(const std::string& name = PlutoFileName) const { return (folder_ / name).string(); }
  void WriteDataFile(const std::string& name, const std::string& content) const {
    std::ofstream(folder_ / name, std::ios::binary) << content;
  }

  // Records put in by hand, among filler of every field value.
  void SetTableEntries(const std::vector<std::pair<int32_t, std::string>>& entries) {
    table.Degrees.assign(PlutoRecordCount, -1);
    for (int32_t k = 0; k < PlutoRecordCount; ++k) Set(k, EncodePlutoRecord(k, (k * 7919LL % 21600) / 60.0));
    for (const auto& [k, record] : entries) Set(k, record);
  }
  void Set(int32_t k, const std::string& record) { table.Degrees[static_cast<size_t>(k)] = PlutoEntryOf(record, k); }

  PlutoTable table;
  fs::path folder_ = fs::temp_directory_path() / ("skyloom-pluto-test-" + std::to_string(std::random_device()()));
};

TEST_F(PlutoTableTest, DecodesCharacterCodesWithTheShiftOfTheLineIndex) {
  for (const test::CaseLine& c : test::ReadCases("engine/data/pluto_record_codes.txt")) {
    const int32_t k = std::stoi(c[0]);
    const std::vector<double> codes = test::NumbersOf(c[1]);
    SetTableEntries({{k, RecordOfCodes(static_cast<int>(codes.at(0)), static_cast<int>(codes.at(1)),
                                       static_cast<int>(codes.at(2))) +
                             (c.fields.size() > 3 ? c[3] : "")}});
    EXPECT_DOUBLE_EQ(table.Entry(k), c[2] == "none" ? -1 : test::DegreesOf(c[2])) << c.where;
  }
}

// A cubic path is followed exactly, and its speed with it.
TEST_F(PlutoTableTest, FollowsACubicPathBetweenTheDays) {
  constexpr int32_t k = 4321;
  SetTableEntries({});
  auto path = [](double x) { return 200 + 0.02 * x + 0.001 * x * x - 0.0002 * x * x * x; };
  for (int32_t i = -1; i <= 2; ++i) Set(k + i, EncodePlutoRecord(k + i, path(i)));
  double speed = 0;
  EXPECT_NEAR(TableDegrees(table.Longitude(FirstTableDay + k - 0.5 + 0.37, speed).longitude), path(0.37), 1e-6);
  EXPECT_NEAR(TableDegrees(speed), 0.02 + 0.002 * 0.37 - 0.0006 * 0.37 * 0.37, 1e-6);
}

TEST_F(PlutoTableTest, BlankLinesAndLineEndsDoNotShiftTheDays) {
  std::vector<std::string> records = LoadableRecords();
  // Records without their refinement, where it is under 2": on lines of
  // their own, and with blanks to a record's length, which are not part of
  // it (nor of the checksum).
  std::vector<size_t> cut;
  for (int32_t k = 20; cut.size() < 4; ++k) {
    const std::string minutes = records[static_cast<size_t>(k)].substr(0, 3);
    if (std::fabs(PlutoEntryOf(minutes, k) - LoadableDegrees(k)) < 2.0 / 3600) {
      records[static_cast<size_t>(k)] = minutes;
      cut.push_back(static_cast<size_t>(k));
    }
  }
  std::vector<std::string> lines = records;
  lines[cut[1]] += "   ";
  lines[cut[2]] = "   " + lines[cut[2]];
  lines[cut[3]] = " " + lines[cut[3]] + "  ";
  // Blank lines and blanks before, among and after the records.
  lines.insert(lines.begin() + 5000, {"", "     ", ""});
  lines.insert(lines.begin(), {"", "   "});
  lines[10] = "  " + lines[10] + "  ";
  lines.push_back(PlutoTableTrailer(records));
  lines.push_back("   ");
  // Blanks in front move where the pieces read cut the lines, CR LF too.
  for (const char* lineEnd : {"\n", "\r\n"}) {
    for (size_t blanks = 0; blanks < 8; ++blanks) {
      lines[0] = std::string(blanks, ' ');
      WriteDataFile(PlutoFileName, Join(lines, lineEnd));
      std::string errorText = "left over";
      ASSERT_TRUE(table.Load(Path(), errorText)) << errorText;
      EXPECT_EQ(errorText, "");
      ASSERT_EQ(table.Degrees.size(), records.size());
      for (int32_t k = 0; k < PlutoRecordCount; ++k)
        ASSERT_EQ(table.Entry(k), PlutoEntryOf(records[static_cast<size_t>(k)], k))
            << "k " << k << " line end size " << std::strlen(lineEnd) << ", " << blanks << " blanks";
      for (const int32_t k : {0, 1, 8, 4997, 4998, 4999, 5000, 5001, 100000, PlutoRecordCount - 1})
        EXPECT_NEAR(table.Entry(k), LoadableDegrees(k), 1e-6) << "k " << k;
      EXPECT_NEAR(TableDegrees(table.Longitude(FirstTableDay - 0.5).longitude), table.Entry(0), 1e-9);
    }
  }
}

// A file short of days, damaged, or no table at all is refused as a whole,
// naming the line or the file, and leaves no earlier table behind.
TEST_F(PlutoTableTest, RefusesWhatCannotBeATable) {
  const std::vector<std::string> good = LoadableRecords();
  std::vector<std::string> longer = good;
  longer.push_back("not a record");
  // Two blank lines in front, so the file's line numbers run two ahead of k.
  auto withBadRecord = [&](int32_t k, const std::string& record) {
    std::vector<std::string> lines = good;
    lines[k] = record;
    lines.insert(lines.begin(), {"", "  "});
    return Join(lines, "\n");
  };
  auto firstRecords = [&](int32_t count) {
    return Join(std::vector<std::string>(good.begin(), good.begin() + count), "\r\n");
  };
  std::vector<std::string> real;
  {
    std::ifstream in(ExecutableFolder() + PlutoFileName, std::ios::binary);
    for (std::string line; std::getline(in, line);)
      if (!line.starts_with('#')) real.push_back(line);
  }
  ASSERT_EQ(real.size(), static_cast<std::size_t>(PlutoRecordsWritten));
  const std::string sound = WithTrailer(real);
  const int32_t moved = 100000;
  const double degrees = PlutoEntryOf(real[moved], moved);
  auto changed = [&](int32_t k, const std::string& record) {
    std::vector<std::string> records = real;
    records[static_cast<std::size_t>(k)] = record;
    return records;
  };
  // The records changed, the checksum line of the sound file kept.
  auto underOldChecksum = [&](const std::vector<std::string>& records) {
    return WithTrailer(records).substr(0, sound.size() - PlutoTableTrailer(real).size() - 1) + PlutoTableTrailer(real) +
           "\n";
  };
  const std::vector<std::string> moved30 = changed(moved, EncodePlutoRecord(moved, std::fmod(degrees + 30, 360)));
  std::string refined = real[50000];
  refined[4] = static_cast<char>(refined[4] == 'z' ? 'y' : refined[4] + 1);  // 62 thousandths of an arc second
  const std::vector<std::string> shifted20 = changed(moved, EncodePlutoRecord(moved, degrees + 20 / 3600.0));
  const std::string fifo = Path("fifo.ptb"), large = Path("large.ptb");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0) << std::strerror(errno);
  fs::resize_file((WriteDataFile("large.ptb", sound), folder_ / "large.ptb"), 17 * 1024 * 1024);
  const std::string p = Path(), damaged = ": the records do not match the checksum line; the file is damaged.";
  const std::string unfollowed = "\" does not follow on from the day before; the file is damaged.";
  const std::string invalid = "\" is not a valid longitude.", ends = "records; 182623 are needed.";
  const std::tuple<const char*, std::string, std::optional<std::string>, std::string> cases[] = {
      // the fault, the file loaded, what is written to it first, the error told
      {"empty file", p, "", "The file ends after 0 " + ends},
      {"short file", p, firstRecords(1000), "The file ends after 1000 " + ends},
      {"one record short", p, firstRecords(PlutoRecordCount - 1), "The file ends after 182622 " + ends},
      {"too short a record", p, withBadRecord(5000, "ab"), "Line 5003: the record \"ab" + invalid},
      {"sixties 6", p, withBadRecord(55, RecordOfCodes(64, 59, 60)), "Line 58: the record \"@;<" + invalid},
      {"shift not taken off", p, withBadRecord(3, RecordOfCodes(58, 59, 60)), "Line 6: the record \":;<" + invalid},
      {"degrees 60", p, withBadRecord(0, RecordOfCodes(58, 119, 60)), "Line 3: the record \":w<" + invalid},
      {"minutes 60", p, withBadRecord(7, RecordOfCodes(65, 59, 120)), "Line 10: the record \"A;x" + invalid},
      {"the last day's record", p, withBadRecord(PlutoRecordCount - 1, "   zzz"),
       "Line 182625: the record \"zzz" + invalid},
      {"control and long text", p, withBadRecord(9, "\t\x01\xff" + std::string(30, 'y')),
       "Line 12: the record \"???" + std::string(17, 'y') + "..." + invalid},
      {"a record moved by 30 degrees", p, underOldChecksum(moved30), p + damaged},
      {"a refinement changed", p, underOldChecksum(changed(50000, refined)), p + damaged},
      {"the checksum line cut off", p, sound.substr(0, sound.size() - PlutoTableTrailer(real).size() - 1),
       p + ": the checksum line at the end of the file is missing; the file is damaged."},
      {"a record moved by 30 degrees, checksum written again", p, WithTrailer(moved30),
       p + ": line 100001: the record \"" + moved30[moved] + unfollowed},
      {"a refinement moved by 20\", checksum written again", p, WithTrailer(shifted20),
       p + ": line 100001: the record \"" + shifted20[moved] + unfollowed},
      {"text after the checksum line", p, sound + "\n" + real[0] + "\n",
       p + ": line " + std::to_string(PlutoRecordsWritten + 3) + ": text after the checksum line."},
      {"a FIFO", fifo, std::nullopt, fifo + ": Not a regular file."},
      {"an endless device", "/dev/zero", std::nullopt, "/dev/zero: Not a regular file."},
      {"a file far larger than any table", large, std::nullopt, large + ": Larger than 16777216 bytes."},
      {"a folder", folder_.string(), std::nullopt, std::strerror(EISDIR)},
      {"no file", Path("missing.ptb"), std::nullopt, std::strerror(ENOENT)},
      {"lines beyond the needed records, never looked up", p, WithTrailer(longer), ""},
      {"the sound file", p, sound, ""},
  };
  for (const auto& [fault, path, content, told] : cases) {
    SCOPED_TRACE(fault);
    if (content) WriteDataFile(fs::path(path).filename().string(), *content);
    table.Degrees.assign(real.size(), 1.0);
    std::string errorText;
    EXPECT_EQ(table.Load(path, errorText), told.empty());
    EXPECT_EQ(errorText, told);
    EXPECT_EQ(table.Degrees.empty(), !told.empty());
    EXPECT_EQ(table.Longitude(2451544.5).Known(), told.empty());
  }
}

// The decoded copy beside the file is taken where it was made from the file
// as it stands, and whole; otherwise the file is read as if it were not there.
TEST_F(PlutoTableTest, TakesItsDecodedCopyOnlyWhereItWasMadeFromTheFileAsItStands) {
  const std::vector<std::string> records = LoadableRecords();
  const std::string sound = WithTrailer(records), copyName = std::string(PlutoFileName) + PlutoCacheSuffix;
  WriteDataFile(PlutoFileName, sound);
  std::string errorText;
  PlutoTable fromText;
  ASSERT_TRUE(fromText.LoadText(Path(), errorText)) << errorText;
  const std::string copy = PlutoCacheBytes(fromText, Path());
  ASSERT_FALSE(copy.empty());
  // Another table of the same size: every longitude a minute further on.
  std::vector<std::string> moved;
  for (int32_t k = 0; k < PlutoRecordCount; ++k) moved.push_back(EncodePlutoRecord(k, LoadableDegrees(k) + 1.0 / 60));
  // A refinement changed far from the end: the checksum line no longer holds.
  std::string damaged = sound;
  damaged[7 * 1000 + 4] = damaged[7 * 1000 + 4] == 'z' ? 'y' : static_cast<char>(damaged[7 * 1000 + 4] + 1);
  std::string flipped = copy;
  flipped[200000] = static_cast<char>(flipped[200000] ^ 0x10);
  // A longitude of 400 degrees, its checksum made to hold.
  PlutoTable wrong = fromText;
  wrong.Degrees[1000] = 400;
  const std::string outOfRange = PlutoCacheBytes(wrong, Path());
  struct Case {
    const char* what;
    std::optional<std::string> text, cache;
    bool fromCopy;  // the copy's longitudes, not the file's
  };
  const Case cases[] = {
      {"the copy of the file as it stands", sound, copy, true},
      {"the copy of a file damaged since, its size and checksum line the same", damaged, copy, true},
      {"no copy", sound, std::nullopt, false},
      {"a copy of another table of the same size", WithTrailer(moved), copy, false},
      {"a copy of a file one line longer", sound + "\n", copy, false},
      {"a copy cut short", sound, copy.substr(0, copy.size() - 100), false},
      {"a copy with a byte changed", sound, flipped, false},
      {"a copy holding no longitude", sound, outOfRange, false},
      {"a copy of nothing", sound, std::string(), false},
      {"no file, only the copy", std::nullopt, copy, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(folder_ / PlutoFileName);
    fs::remove(folder_ / copyName);
    if (c.text) WriteDataFile(PlutoFileName, *c.text);
    if (c.cache) WriteDataFile(copyName, *c.cache);
    PlutoTable alone, loaded;
    std::string aloneError, loadedError;
    const bool aloneLoads = alone.LoadText(Path(), aloneError);
    EXPECT_EQ(loaded.Load(Path(), loadedError), c.fromCopy || aloneLoads);
    if (c.fromCopy) {
      EXPECT_EQ(loadedError, "");
      EXPECT_EQ(loaded.Degrees, fromText.Degrees);
    } else {
      EXPECT_EQ(loadedError, aloneError);
      EXPECT_EQ(loaded.Degrees, alone.Degrees);
    }
  }
}

// The build's own copy is the table its file holds.
TEST_F(PlutoTableTest, TheProgramsCopyIsItsTable) {
  const std::string path = ExecutableFolder() + PlutoFileName;
  ASSERT_TRUE(fs::exists(path + PlutoCacheSuffix));
  PlutoTable alone, loaded;
  std::string errorText;
  ASSERT_TRUE(alone.LoadText(path, errorText)) << errorText;
  ASSERT_TRUE(loaded.Load(path, errorText)) << errorText;
  EXPECT_EQ(loaded.Degrees, alone.Degrees);
  std::ifstream in(path + PlutoCacheSuffix, std::ios::binary);
  EXPECT_EQ(PlutoCacheBytes(alone, path), std::string(std::istreambuf_iterator<char>(in), {}));
}

// The first run that needs Pluto tells which file is wrong, not waiting on a FIFO.
TEST_F(PlutoTableTest, ARunSaysWhichPlutoFileIsDamaged) {
  ASSERT_EQ(::mkfifo(Path().c_str(), 0600), 0) << std::strerror(errno);
  Session session((folder_ / "").string());
  test::TextFace face;
  EXPECT_FALSE(session.Start(test::WorldRequest(Jupiter, Pluto, 2020, 2020), face));
  ASSERT_FALSE(face.told.empty());
  EXPECT_EQ(face.told[0],
            "Error when reading geocentric Pluto data.\r\n" + Path() + ": Not a regular file.|!|Read Pluto Data");
}

// pluto.ptb, generated at build time, against swe_calc_ut(SE_PLUTO,
// SEFLG_SWIEPH) with the library's data files (a fallback to the analytical
// theory fails): 0.01" at midnights, 0.5" between them but where the Sun's
// deflection of light (over 0.2" there) rises and falls within a day (2.9"
// at most, measured), held to 3".
TEST_F(PlutoTableTest, GeneratedTableAgreesWithSwissEphemeris) {
  std::string errorText;
  ASSERT_TRUE(table.Load(ExecutableFolder() + PlutoFileName, errorText)) << errorText;
  auto ephemeris = [](double jd, int32 flags) {
    double xx[6] = {};
    char serr[AS_MAXCH] = {};
    swe_set_interpolate_nut(0);
    const int32 got = swe_calc_ut(jd, SE_PLUTO, SEFLG_SWIEPH | flags, xx, serr);
    EXPECT_TRUE(got >= 0 && (got & SEFLG_SWIEPH)) << "jd " << jd << ": " << serr;
    return xx[0];
  };
  test::WorstError midnights("Pluto table at midnights", "arcsec");
  test::WorstError between("Pluto table between midnights", "arcsec");
  auto check = [&](double jd, double tolerance, test::WorstError& worst) {
    const double got = TableDegrees(table.Longitude(jd).longitude);
    worst.Note(test::ArcsecondsApart(got, ephemeris(jd, 0)), tolerance / kArcsecond, test::JulianDayText(jd));
  };
  for (int32_t day = FirstTableDay; day <= LastTableDay; day += 3) check(day - 0.5, 0.01 * kArcsecond, midnights);
  for (int32_t day = FirstTableDay; day <= LastTableDay; day += 11) {
    for (const double f : {0.25, 0.5, 0.75}) {
      const double jd = day - 0.5 + f;
      const double deflection =
          std::fabs(test::WrappedDifferenceDegrees(ephemeris(jd, 0), ephemeris(jd, SEFLG_NOGDEFL)));
      check(jd, (deflection > 0.2 * kArcsecond ? 3.0 : 0.5) * kArcsecond, between);
    }
  }
  // The instants of the largest errors: near the Sun in 1771 and 1930.
  for (const double jd : {2367911.0, 2426170.0}) check(jd, 3.0 * kArcsecond, between);
}

}  // namespace
}  // namespace skyloom
