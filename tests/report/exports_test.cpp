// The iCalendar export as a calendar program meets it: every UID once in a
// file, a later export the newer copy, and a valid calendar when nothing was
// found. (The same UIDs in any zone: the east and west calendar golden files.)
#include "report/exports.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "ports/program_folder.h"
#include "support/text_face.h"

namespace skyloom {
namespace {

constexpr int64_t kWritten = 1796601600;  // 2026-12-07 00:00 UTC

// The content lines of a calendar, folds undone.
std::vector<std::string> ContentLines(const std::string& ics) {
  std::vector<std::string> lines;
  std::istringstream in(ics);
  for (std::string line; std::getline(in, line);) {
    if (line.ends_with('\r')) line.pop_back();
    line.starts_with(' ') && !lines.empty() ? void(lines.back() += line.substr(1)) : lines.push_back(line);
  }
  return lines;
}

// The values of one property in file order.
std::vector<std::string> Values(const std::string& ics, const std::string& name) {
  std::vector<std::string> values;
  for (const std::string& line : ContentLines(ics))
    if (line.starts_with(name + ":")) values.push_back(line.substr(name.size() + 1));
  return values;
}

// The results of a world run of Mars and Jupiter over 2020 and 2021.
std::vector<RunResult> MarsJupiter() {
  Session session(ExecutableFolder());
  test::TextFace face;
  EXPECT_TRUE(session.Start(test::WorldRequest(Mars, Jupiter, 2020, 2021), face));
  return session.Results();
}

// An exact pass on the given day (UT) and minute.
TransitRowData ExactPass(AspectIndex aspect, int32_t day, int minute) {
  TransitRowData pass;
  pass.aspect = aspect;
  MinimumRecord m;
  m.exact = true;
  m.day = day;
  m.minuteOfDay = static_cast<int16_t>(minute);
  m.instant = Instant{day - 0.5 + minute / 1440.0};
  m.zoneText = "GMT";
  pass.minimum = m;
  return pass;
}

// Every UID once, in any run: faults that gave two events one UID.
TEST(ICalendarExport, UidsAreUniqueInAFile) {
  RunResult run;
  run.bodies = {Sun, Mars};
  run.startDay = 2459000;
  run.endDay = 2459400;
  run.orbDegrees = {10, 5, 2};
  run.zone = Zone::Fixed(0, "GMT");
  RunResult twoPassesOneDay = run;  // two transits exact on one UTC day, minutes apart
  twoPassesOneDay.transits = {{1, {ExactPass(1, 2459100, 60)}}, {1, {ExactPass(1, 2459100, 1380)}}};
  RunResult triplePass = run;  // one transit exact three times
  triplePass.transits = {{1, {ExactPass(1, 2459100, 60), ExactPass(1, 2459150, 60), ExactPass(1, 2459200, 60)}}};
  const std::tuple<const char*, std::vector<RunResult>, size_t> cases[] = {
      // the fault, the runs, that many events (0: any), each UID once
      {"two transits exact on one UTC day", {twoPassesOneDay}, 4},
      {"the same run twice in one export", {triplePass, triplePass}, 8},
      {"a real run of many transits", MarsJupiter(), 0},
  };
  for (const auto& [fault, input, events] : cases) {
    const std::string ics = WriteICalendar(input, {}, kWritten);
    const std::vector<std::string> uids = Values(ics, "UID");
    EXPECT_EQ(uids.size(), events ? events : uids.size()) << fault;
    EXPECT_GT(uids.size(), 1u) << fault;
    EXPECT_EQ(std::set<std::string>(uids.begin(), uids.end()).size(), uids.size()) << fault << "\n" << ics;
  }
}

// A later export is the newer copy of each event to a calendar program:
// a higher SEQUENCE, a later DTSTAMP, the same for every event of a file.
TEST(ICalendarExport, ALaterExportIsTheNewerCopy) {
  const std::vector<RunResult> runs = MarsJupiter();
  const std::string earlier = WriteICalendar(runs, {}, kWritten);
  const std::string later = WriteICalendar(runs, {}, kWritten + 60);
  for (const char* name : {"SEQUENCE", "DTSTAMP", "LAST-MODIFIED"}) {
    const std::vector<std::string> a = Values(earlier, name), b = Values(later, name);
    ASSERT_EQ(a.size(), Values(earlier, "UID").size()) << name;
    ASSERT_EQ(b.size(), a.size()) << name;
    EXPECT_EQ(std::set<std::string>(a.begin(), a.end()).size(), 1u) << name;
    if (name != std::string("SEQUENCE")) {
      EXPECT_LT(a[0], b[0]) << name;
    }  // same length: text order is time order
  }
  EXPECT_LT(std::stoll(Values(earlier, "SEQUENCE")[0]), std::stoll(Values(later, "SEQUENCE")[0]));
}

// RFC 5545 asks for at least one component in a calendar: an export of no
// runs still gives one, which says so and is no event (a run without
// transits is a golden file's).
TEST(ICalendarExport, NoRunsIsStillACalendar) {
  const std::string ics = WriteICalendar({}, {}, kWritten);
  const std::vector<std::string> lines = ContentLines(ics);
  EXPECT_EQ(
      std::count_if(lines.begin(), lines.end(), [](const std::string& line) { return line.starts_with("BEGIN:"); }), 2)
      << ics;
  EXPECT_EQ(Values(ics, "BEGIN").back(), "VJOURNAL");
  EXPECT_EQ(Values(ics, "DESCRIPTION"), std::vector<std::string>{"No runs."});
  EXPECT_EQ(Values(ics, "UID").size(), 1u);
}

}  // namespace
}  // namespace skyloom
