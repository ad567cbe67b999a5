// The checks before a run and the date boxes: what each input makes the
// window say or show.
#include "runs/request_checks.h"

#include "runs/date_entry.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ports/program_folder.h"

#include "engine/bodies.h"
#include "support/engine_setup.h"
#include "support/form_fixture.h"
#include "support/text_face.h"

namespace skyloom {
namespace {

using enum ControlName;

// A face that keeps what the checks told and learnt, and runs nothing long.
struct Recorder : test::TextFace {
  void Refuse(const Refusal& r) override {
    Tell(r.notice);
    repair = r.repair;
  }
  // A run that gets as far as its first day has passed every check.
  bool NextDay(int32_t) override {
    ran = true;
    return false;
  }
  void DatesRead(const EnteredDays& d) override { days = d; }
  Repair repair = Repair::None;
  EnteredDays days;
  bool ran = false;
};

RunRequest Base(RunMode mode = RunMode::World) {
  RunRequest r;
  r.mode = mode;
  r.first = mode == RunMode::World ? Mars : Saturn;
  r.second = mode == RunMode::World ? Jupiter : Sun;
  r.start = {"2020", "1", "1"};
  r.end = {"2020", "12", "31"};
  r.zone = Zone::Fixed(0, "GMT");
  r.birth = {{"1970", "3", "15"}, 9, 15, Zone::Fixed(3600, "GMT+1:00"), std::nullopt, {}};
  return r;
}

// The first message a press with the request tells, "text|icon|title" (the
// Start and Search captions as <start> and <search>), or "ran".
std::string Outcome(const RunRequest& r, Recorder& face, bool search = false) {
  Session session(ExecutableFolder());
  session.UsePlutoTable(test::SharedPluto());
  search ? (void)session.Search(r, face) : (void)session.Start(r, face);
  if (face.told.empty()) return face.ran ? "ran" : "nothing told, nothing run";
  std::string first = face.told.front();
  const Captions c = CaptionsOf(r);
  for (const auto& [caption, name] : {std::pair{c.start, "<start>"}, std::pair{c.search, "<search>"}})
    if (first.size() >= caption.size() && first.compare(first.size() - caption.size(), caption.size(), caption) == 0)
      first.replace(first.size() - caption.size(), caption.size(), name);
  return first;
}

TEST(Checks, EachInputChecksMessage) {
  const std::string order = "Outer planet must be beyond inner planet|i|", svm = " Sun, Venus or Mars the inner orb";
  const std::string orbs = "Orbs must be strictly decreasing and differ by at least 2\xC2\xB0.|i|Orb values";
  using Q = RunRequest&;
  const RunMode P = RunMode::Personal;
  // clang-format off
  const struct {
    std::string want;
    std::function<void(RunRequest&)> change;
    RunMode mode = RunMode::World;
    bool search = false;
  } kRows[] = {
      {"ran", [](Q) {}},
      {"ran", [](Q) {}, P},
      {"Output file not specified|!|<start>", [](Q r) { r.files.html = ""; }},
      {"Please specify start year.||<start>", [](Q r) { r.start.year = "-"; }},
      {"Please specify end month.||<start>", [](Q r) { r.end.month = ""; }},
      {"Please specify day of birth.||<start>", [](Q r) { r.birth.date.day = "--"; }, P},
      {"ran", [](Q r) { r.start = {"2+0-2.0", "+1", " 1#"}; }},
      {"The start date is invalid.|i|Invalid input", [](Q r) { r.start = {"2020", "2", "30"}; }},
      {"The end date is invalid.|i|Invalid input", [](Q r) { r.end = {"2020", "4294967297", "1"}; }},
      {"End date is too late|i|<start>", [](Q r) { r.end = {"2800", "1", "1"}; }},
      {"Start date is too early|i|<start>", [](Q r) { r.start = {"0", "12", "31"}; }},
      {"The start date must be at least 3 days prior to the end date.|i|<start>", [](Q r) { r.end = {"2020", "1", "3"}; }},
      {"ran", [](Q r) { r.end = {"2020", "1", "4"}; }},
      {"The birth date must not be later than the start date.|i|<start>", [](Q r) { r.birth.date = {"2020", "1", "2"}; }, P},
      {"Birth date is too early|i|<start>", [](Q r) { r.birth.date = {"1599", "12", "31"}; }, P},
      {"The birth date is invalid.|i|<start>", [](Q r) { r.birth.date = {"1970", "2", "29"}; }, P},
      {"Please specify the birth time, or use 12:00 if not known.||<start>", [](Q r) { r.birth.hour.reset(); }, P},
      {"Please specify the timezone, or use GMT if not known.||<start>", [](Q r) { r.birth.zone.reset(); }, P},
      {"Please specify the timezone for the results, or use the default GMT timezone.||<start>", [](Q r) { r.zone.reset(); }},
      // Zones by their tz database names, read by the checks.
      {"ran", [](Q r) { r.zone.reset(); r.zoneName = "Europe/Berlin"; }},
      {"ran", [](Q r) { r.birth.zone.reset(); r.birth.zoneName = "Europe/Berlin"; }, P},
      {"Please specify the birth time, or use 12:00 if not known.||<start>", [](Q r) { r.birth.zone.reset(); r.birth.zoneName = "Europe/Berlin"; r.birth.hour.reset(); }, P},
      {"1970-10-25 01:30 came twice in America/New_York: the clocks went back from 02:00 to 01:00 that day. It was first "
       "GMT-4:00 (EDT), 1970-10-25 05:30 UT, then GMT-5:00 (EST), 1970-10-25 06:30 UT. Give the birth zone as the offset "
       "of the one meant, GMT-4:00 or GMT-5:00.|!|<start>",
       [](Q r) { r.birth.zone.reset(); r.birth.zoneName = "America/New_York"; r.birth.date = {"1970", "10", "25"}; r.birth.hour = 1; r.birth.minute = 30; r.search = 1; }, P, true},
      {"Please specify the timezone for the results, or use the default GMT timezone.||<search>", [](Q r) { r.zone.reset(); r.search = 1; }, RunMode::World, true},
      {"World transit of a planet to itself is not possible.|!|<start>", [](Q r) { r.first = r.second = Mars; }},
      {order + "<start>", [](Q r) { r.first = Jupiter; r.second = Mars; }},
      {order + "<search>", [](Q r) { r.first = r.second = Mars; r.search = 1; }, RunMode::World, true},
      {"North Node and Mean Node are two reckonings of the same point: a world transit between them is not possible.|!|<start>", [](Q r) { r.first = NorthNode; r.second = MeanNode; }},
      {"ran", [](Q r) { r.first = Jupiter; r.orbs = {15, 13, 11}; }, P},
      {orbs, [](Q r) { r.orbs = {10, 6, 5}; }, P},
      {"With transiting Mercury the inner orb must be at least 3\xC2\xB0.|i|Orb values", [](Q r) { r.first = Mercury; }, P},
      {"With" + svm + " must be at least 2\xC2\xB0.|i|Orb values", [](Q r) { r.first = Sun; r.orbs = {10, 5, 1}; }},
      {"With Mercury the inner orb must be at least 3\xC2\xB0.|i|Orb values", [](Q r) { r.first = NorthNode; r.second = Mercury; }},
      {orbs, [](Q r) { r.orbs = {10, 9, 1}; r.first = Jupiter; r.second = Saturn; }},
      {"Start date is too early for Pluto.||", [](Q r) { r.second = Pluto; r.start = {"1599", "6", "1"}; }},
      {"End date is too late for Moon.||", [](Q r) { r.second = Moon; r.end = {"2100", "6", "1"}; }, P},
      {"Start date is too early for Chiron.||", [](Q r) { r.first = Chiron; r.second = Saturn; r.start = {"674", "6", "1"}; }},
      // The search takes the outer orb and derives the others from it.
      {"With transiting Mercury the search orb must be at least 7\xC2\xB0.|i|Search orb value", [](Q r) { r.first = Mercury; r.orbs = {6, 4, 2}; r.search = 1; }, P, true},
      {"With transiting Sun, Venus or Mars the search orb must be at least 6\xC2\xB0.|i|Search orb value", [](Q r) { r.first = Venus; r.orbs = {5, 3, 1}; r.search = 1; }, P, true},
      // The Moon crosses any middle or inner orb within a day, but a whole
      // outer orb of less than 9 degrees could pass between two midnights.
      {"ran", [](Q r) { r.first = Moon; r.orbs = {9, 3, 1}; }, P},
      {"With transiting Moon the outer orb must be at least 9\xC2\xB0.|i|Orb values", [](Q r) { r.first = Moon; r.orbs = {8, 5, 2}; }, P},
      {"With Moon the outer orb must be at least 9\xC2\xB0.|i|Orb values", [](Q r) { r.first = Moon; r.second = Saturn; r.orbs = {7, 5, 3}; }},
      {"ran", [](Q r) { r.first = Moon; r.second = Saturn; r.orbs = {15, 13, 11}; }},
      {"With transiting Moon the search orb must be at least 9\xC2\xB0.|i|Search orb value", [](Q r) { r.first = Moon; r.orbs = {4, 3, 2}; r.search = 1; }, P, true},
      {"With transiting Moon the search orb must be at least 9\xC2\xB0.|i|Search orb value", [](Q r) { r.first = Moon; r.orbs = {8, 5, 2}; r.search = 1; }, P, true},
  };
  // clang-format on
  for (const auto& row : kRows) {
    RunRequest r = Base(row.mode);
    row.change(r);
    Recorder face;
    EXPECT_EQ(Outcome(r, face, row.search), row.want) << row.want;
  }
}

// What the checks leave for the window: the repair after a message and the
// labels of the dates they read, as far as they read.
TEST(Checks, RepairsAndLabels) {
  const struct {
    std::function<void(RunRequest&)> change;
    Repair repair;
    const char* labels;  // start|end|birth, "-" for a date not read
  } kRows[] = {
      {[](RunRequest& r) { r.birth.hour.reset(); }, Repair::BirthTimeNoon,
       "January 1, 2020 CE|December 31, 2020 CE|March 15, 1970 CE"},
      {[](RunRequest& r) { r.birth.zone.reset(); }, Repair::BirthZoneGreenwich,
       "January 1, 2020 CE|December 31, 2020 CE|March 15, 1970 CE"},
      {[](RunRequest& r) { r.zone.reset(); }, Repair::ResultZoneGreenwich,
       "January 1, 2020 CE|December 31, 2020 CE|March 15, 1970 CE"},
      {[](RunRequest& r) { r.start.day = "32"; }, Repair::None, "invalid date|-|-"},
      {[](RunRequest& r) { r.birth.date.month = "13"; }, Repair::None,
       "January 1, 2020 CE|December 31, 2020 CE|invalid date"},
  };
  for (const auto& row : kRows) {
    RunRequest r = Base(RunMode::Personal);
    row.change(r);
    Recorder face;
    Outcome(r, face);
    std::string labels;
    for (const auto& l : face.days.labels) labels += (labels.empty() ? "" : "|") + l.value_or("-");
    EXPECT_EQ(face.repair, row.repair) << labels;
    EXPECT_EQ(labels, row.labels);
  }
}

// Leaving a date box cleans the date's boxes to digits and writes the date
// out; a negative year is refused, kept as typed, until another box cleans
// it. That any text ends so is the typed-inputs fuzzer's.
TEST(DateEntry, LeavingABoxCleansItAndWritesTheDateOut) {
  // clang-format off
  const struct {
    int16_t date;
    const char *year, *month, *day;
    ControlName left;
    const char* after;  // year/month/day boxes, then the label, then the messages
  } kCases[] = {
      {0, "0042", "1", "1", txbYear, "42/1/1 January 1, 42 CE"},
      {0, "0042", "1", "1", txbMonth, "0042/1/1 January 1, 42 CE"},
      {1, "000", "1", "1", txbYear, "/1/1 "},
      {2, "2024", "2", "29", txbDay, "2024/2/29 February 29, 2024 CE"},
      {0, "2023", "2", "29", txbDay, "2023/2/29 invalid date"},
      {1, "2x0y2z4", "3", "5", txbYear, "2024/3/5 March 5, 2024 CE"},
      {0, "2020", "1", "7x", txbDay, "2020/1/7 January 7, 2020 CE"},
      {0, "99999999999999999999", "1", "1", txbYear, "99999999999999999999/1/1 invalid date"},
      {2, "4294969316", "1", "1", txbDay, "4294969316/1/1 invalid date"},
      {0, "-5", "1", "1", txbYear, "-5/1/1 January 1, 2020 CE Year number must be positive."},
      {0, "-5", "1", "1", txbMonth, "5/1/1 January 1, 5 CE"},
  };
  // clang-format on
  for (const auto& c : kCases) {
    test::FormFixture f;
    f.window.SetText(Ctl(txbYear, c.date), c.year);
    f.window.SetText(Ctl(txbMonth, c.date), c.month);
    f.window.SetText(Ctl(txbDay, c.date), c.day);
    f.form.LostFocus(Ctl(c.left, c.date));
    std::string after = f.window.Text(Ctl(txbYear, c.date)) + "/" + f.window.Text(Ctl(txbMonth, c.date)) + "/" +
                        f.window.Text(Ctl(txbDay, c.date)) + " " + f.window.Text(Ctl(lblDate, c.date));
    for (const MessageBoxRequest& m : f.window.MessageBoxes()) after += " " + m.text;
    EXPECT_EQ(after, c.after) << c.year << " " << c.day;
  }
  test::FormFixture f;
  f.Enter(Ctl(txbStopDate), "  2030-01-01 ");
  EXPECT_EQ(f.state.StopDateText, "2030-01-01");
  EXPECT_EQ(f.window.Text(Ctl(txbStopDate)), "  2030-01-01 ");
}

}  // namespace
}  // namespace skyloom
