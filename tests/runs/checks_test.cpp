// The checks before a run and the date boxes (cases in tests/runs/cases).
#include "runs/request_checks.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "engine/bodies.h"
#include "ports/program_folder.h"
#include "runs/date_entry.h"
#include "support/case_file.h"
#include "support/cli_cases.h"
#include "support/engine_setup.h"
#include "support/form_fixture.h"
#include "support/text_face.h"

namespace skyloom {
namespace {

using enum ControlName;
using test::CaseLine;

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

// The line's changes to the request; whether it asks for the Search.
bool Changed(RunRequest& r, const std::string& changes) {
  bool search = false;
  for (const std::string& change : changes == "-" ? std::vector<std::string>{} : test::Split(changes, ';')) {
    const size_t from = change.find_first_not_of(' '), is = change.find('=');
    const std::string key = change.substr(from, is - from), v = is == std::string::npos ? "" : change.substr(is + 1);
    const std::vector<std::string> p = test::Split(v, ',');
    std::map<std::string, EnteredDate*> dates = {{"start", &r.start}, {"end", &r.end}, {"birth", &r.birth.date}};
    if (dates.contains(key)) {
      *dates[key] = {p.at(0), p.at(1), p.at(2)};
    } else if (key == "zone" || key == "birth.zone") {
      (key == "zone" ? r.zone : r.birth.zone).reset();
      (key == "zone" ? r.zoneName : r.birth.zoneName) = v;
    } else if (key == "first" || key == "second") {
      (key == "first" ? r.first : r.second) = BodyByName(v);
    } else if (key == "orbs") {
      r.orbs = {int16_t(std::stoi(p.at(0))), int16_t(std::stoi(p.at(1))), int16_t(std::stoi(p.at(2)))};
    } else if (key == "hour") {
      v == "none" ? r.birth.hour.reset() : void(r.birth.hour = std::stoi(v));
    } else if (key == "minute") {
      r.birth.minute = std::stoi(v);
    } else if (key == "html") {
      r.files.html = v;
    } else if (key == "search") {
      search = true;
      r.search = 1;
    } else {
      throw std::invalid_argument("no change " + key);
    }
  }
  return search;
}

RunRequest Base(RunMode mode) {
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

class Checks : public testing::TestWithParam<CaseLine> {};

// The first message a press tells (captions as <start> and <search>), or
// "ran"; the repair after it and the labels of the dates read.
TEST_P(Checks, FirstMessageRepairAndLabels) {
  const CaseLine& c = GetParam();
  RunRequest r = Base(c[0] == "personal" ? RunMode::Personal : RunMode::World);
  const bool search = Changed(r, c[1]);
  Recorder face;
  Session session(ExecutableFolder());
  session.UsePlutoTable(test::SharedPluto());
  search ? (void)session.Search(r, face) : (void)session.Start(r, face);
  std::string first = face.told.empty() ? (face.ran ? "ran" : "nothing told, nothing run") : face.told.front();
  const Captions captions = CaptionsOf(r);
  for (const auto& [caption, name] : {std::pair{captions.start, "<start>"}, std::pair{captions.search, "<search>"}})
    if (first.ends_with(caption)) first.replace(first.size() - caption.size(), caption.size(), name);
  EXPECT_EQ(first, c[2]) << c.where;
  if (c.fields.size() < 4) return;
  const char* repairs[] = {"none", "noon", "birth GMT", "results GMT"};
  EXPECT_EQ(repairs[static_cast<int>(face.repair)], c[3]) << c.where;
  std::string labels;
  for (const auto& l : face.days.labels) labels += (labels.empty() ? "" : "|") + l.value_or("-");
  EXPECT_EQ(labels, c[4]) << c.where;
}

TEST(Checks, RangesAskedAgainInOneSession) {
  Session session(ExecutableFolder());
  session.UsePlutoTable(test::SharedPluto());
  for (const CaseLine& c : test::ReadCases("runs/cases/checks_again.txt")) {
    RunRequest r = Base(RunMode::World);
    Changed(r, c[0]);
    Recorder face;
    (void)session.Start(r, face);
    EXPECT_EQ(face.told.empty() ? (face.ran ? "ran" : "nothing") : face.told.front(), c[1]) << c.where;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, Checks, testing::ValuesIn(test::ReadCases("runs/cases/checks.txt")),
                         [](const auto& info) { return test::CaseName(info.param); });

class DateEntry : public testing::TestWithParam<CaseLine> {};

// Leaving a date box cleans the date's boxes to digits and writes the date out.
TEST_P(DateEntry, LeavingABoxCleansItAndWritesTheDateOut) {
  const CaseLine& c = GetParam();
  const auto date = static_cast<int16_t>(std::stoi(c[0]));
  const ControlName boxes[] = {txbYear, txbMonth, txbDay};
  test::FormFixture f;
  for (int k = 0; k < 3; ++k) f.window.SetText(Ctl(boxes[k], date), c[k + 1]);
  f.form.LostFocus(Ctl(c[4] == "year" ? txbYear : c[4] == "month" ? txbMonth : txbDay, date));
  std::string after;
  for (const ControlName box : boxes) after += f.window.Text(Ctl(box, date)) + (box == txbDay ? "|" : "/");
  after += f.window.Text(Ctl(lblDate, date));
  for (const MessageBoxRequest& m : f.window.MessageBoxes()) after += "|" + m.text;
  EXPECT_EQ(after, c[5]) << c.where;
}

INSTANTIATE_TEST_SUITE_P(Cases, DateEntry, testing::ValuesIn(test::ReadCases("runs/cases/date_entry.txt")),
                         [](const auto& info) { return test::CaseName(info.param); });

TEST(DateEntry, StopDateKeptAsTypedAndReadTrimmed) {
  test::FormFixture f;
  f.Enter(Ctl(txbStopDate), "  2030-01-01 ");
  EXPECT_EQ(f.state.StopDateText, "2030-01-01");
  EXPECT_EQ(f.window.Text(Ctl(txbStopDate)), "  2030-01-01 ");
}

}  // namespace
}  // namespace skyloom
