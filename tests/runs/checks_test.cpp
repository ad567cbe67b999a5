// The checks before a run and the date boxes: what each input makes the
// window say or show.
#include "runs/checks.h"
#include "runs/date_entry.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "engine/bodies.h"
#include "support/engine_setup.h"
#include "support/form_fixture.h"

namespace skyloom {
namespace {

using enum ControlName;

std::string S(int n) { return std::to_string(n); }

struct Rig {
  // Boxes filled as typed, without leaving them: the checks must clean them.
  void Boxes(int16_t date, const char* year, const char* month, const char* day) {
    f.window.SetText(Ctl(txbYear, date), year);
    f.window.SetText(Ctl(txbMonth, date), month);
    f.window.SetText(Ctl(txbDay, date), day);
  }
  bool Dates(const char* endDay) {
    Boxes(0, "2020", "1", "1");
    Boxes(1, "2020", "1", endDay);
    return CheckDateValid(f.state, 0) && CheckDateValid(f.state, 1);
  }
  // Born on that day and month after a start on 1 January 2020.
  bool Birth(const char* year, const char* day, const char* month = "1", int16_t hour = 9, int16_t zone = 26) {
    Boxes(2, year, month, day);
    f.Choose(Ctl(cboHour), hour);
    f.Choose(Ctl(cboMinute), 3);
    f.Choose(Ctl(cboTimezone, 1), zone);
    return Dates("31");
  }
  void Orbs(bool world, BodyIndex first, int16_t outer, int16_t middle, int16_t inner) {
    f.window.SetValue(Ctl(world ? optWorld : optPersonal), 1);
    f.Choose(Ctl(cboPlanet, 0), static_cast<int16_t>(first - 1));
    f.state.FormLoaded = false;  // without the lists' own checks
    for (int16_t k = 0; k < 3; ++k)
      f.Choose(Ctl(cboOrbs, k), static_cast<int16_t>((k == 0 ? outer : k == 1 ? middle : inner) - 1));
    f.state.FormLoaded = true;
  }
  bool Ranges(int16_t date, const char* year, BodyIndex a, BodyIndex b) {
    Boxes(date, year, "6", "1");
    f.state.RunBodies = {a, b};
    return CheckDateValid(f.state, date) && CheckBodyRanges(f.state, date);
  }
  bool Search(BodyIndex body, int16_t orb) {
    f.state.RunBodies[0] = body;
    f.state.Orbs.OrbDegrees = {orb, 77, 77};
    const bool ok = DeriveSearchOrbs(f.state);
    if (ok)
      for (int16_t o : f.state.Orbs.OrbDegrees) note += S(o);
    return ok;
  }
  // What the window shows once the check is done.
  bool Note(bool ok, const std::function<std::string()>& seen) {
    note += (note.empty() ? "" : " ") + seen();
    return ok;
  }
  std::string note;  // what a check left, when the row looks
  test::FormFixture f;
};

// "pass", or the one message the failing check showed, "text|icon|title",
// with the buttons' captions as <start> and <search>.
std::string Outcome(Rig& r, const std::function<bool(Rig&)>& check) {
  const size_t before = r.f.window.MessageBoxes().size();
  const bool ok = check(r);
  const auto& boxes = r.f.window.MessageBoxes();
  std::string outcome = ok ? "pass" : "fail without a message";
  if (boxes.size() != before) {
    const MessageBoxRequest& m = boxes.back();
    const char* icon = m.icon == MsgIcon::Information ? "i" : m.icon == MsgIcon::Exclamation ? "!" : "";
    std::string title = m.title;
    if (title == r.f.window.Text(Ctl(cmdStart))) title = "<start>";
    if (title == r.f.window.Text(Ctl(cmdSearch))) title = "<search>";
    outcome = ok || boxes.size() != before + 1 ? "several or passed: " + m.text : m.text + "|" + icon + "|" + title;
  }
  return r.note.empty() ? outcome : outcome + " " + r.note;
}

TEST(Checks, EachInputChecksMessage) {
  const std::string order = "Outer planet must be beyond inner planet|i|", svm = " Sun, Venus or Mars the inner orb";
  const std::string orbs = "Orbs must be strictly decreasing and differ by at least 2\xC2\xB0.|i|Orb values";
  using R = Rig&;
  // clang-format off
  const struct {
    std::string want;
    std::function<bool(Rig&)> check;
  } kRows[] = {
      {"Output file not specified|!|<start>", [](R r) { r.f.window.SetValue(Ctl(chkOutputAsHTML), 1); return CheckOutputFile(r.f.state); }},
      // A box after the empty one stays as typed.
      {"Please specify start year.||<start> a1", [](R r) { r.Boxes(0, "-", "a1", "1"); return r.Note(CheckDatePresent(r.f.state, 0), [&] { return r.f.window.Text(Ctl(txbMonth)); }); }},
      {"Please specify day of birth.||<start>", [](R r) { r.Boxes(2, "1970", "1", "--"); return CheckBirthBoxes(r.f.state); }},
      {"pass 2020", [](R r) { r.Boxes(0, "2+0-2.0", "+1", " 1#"); return r.Note(CheckDatePresent(r.f.state, 0), [&] { return r.f.window.Text(Ctl(txbYear)); }); }},
      {"pass January 1, 1 CE", [](R r) { r.Boxes(0, "1", "1", "1"); return r.Note(CheckDateValid(r.f.state, 0), [&] { return r.f.window.Text(Ctl(lblDate)); }); }},
      {"The start date is invalid.|i|Invalid input", [](R r) { r.Boxes(0, "2020", "2", "30"); return CheckDateValid(r.f.state, 0); }},
      {"The end date is invalid.|i|Invalid input", [](R r) { r.Boxes(1, "2020", "4294967297", "1"); return CheckDateValid(r.f.state, 1); }},
      {"pass", [](R r) { r.Boxes(1, "2799", "12", "31"); return CheckDateValid(r.f.state, 1); }},
      {"End date is too late|i|<start>", [](R r) { r.Boxes(1, "2800", "1", "1"); return CheckDateValid(r.f.state, 1); }},
      {"Start date is too early|i|<start>", [](R r) { r.Boxes(0, "0", "12", "31"); return CheckDateValid(r.f.state, 0); }},
      {"pass", [](R r) { return r.Dates("4") && CheckPeriod(r.f.state); }},
      {"The start date must be at least 3 days prior to the end date.|i|<start>", [](R r) { return r.Dates("3") && CheckPeriod(r.f.state); }},
      {"The birth date must not be later than the start date.|i|<start>", [](R r) { return r.Birth("2020", "2") && CheckBirthData(r.f.state, true); }},
      {"pass", [](R r) { return r.Birth("2020", "2") && CheckBirthData(r.f.state, false); }},
      {"Birth date is too early|i|<start>", [](R r) { return r.Birth("1599", "31", "12") && CheckBirthData(r.f.state, true); }},
      {"The birth date is invalid.|i|<start>", [](R r) { return r.Birth("1970", "29", "2") && CheckBirthData(r.f.state, true); }},
      // Each repair follows its message, which still sees the old choice.
      {"Please specify the birth time, or use 12:00 if not known.||<start> 0 13/1", [](R r) {
         r.Birth("1970", "15", "3", 0);
         r.f.window.SetMessageBoxHook([&r](const MessageBoxRequest&) { r.note = S(r.f.window.ListIndex(Ctl(cboHour))); });
         return r.Note(CheckBirthData(r.f.state, true), [&] { return S(r.f.window.ListIndex(Ctl(cboHour))) + "/" + S(r.f.window.ListIndex(Ctl(cboMinute))); });
       }},
      {"Please specify the timezone, or use GMT if not known.||<start> 24",
       [](R r) { r.Birth("1970", "15", "3", 9, -1); return r.Note(CheckBirthData(r.f.state, true), [&] { return S(r.f.window.ListIndex(Ctl(cboTimezone, 1))); }); }},
      {"Please specify the timezone for the results, or use the default GMT timezone.||<search> 24", [](R r) {
         r.f.Choose(Ctl(cboTimezone, 0), 0);
         return r.Note(CheckResultZone(r.f.state, Ctl(cmdSearch)), [&] { return S(r.f.window.ListIndex(Ctl(cboTimezone, 0))); });
       }},
      {"World transit of a planet to itself is not possible.|!|<start>", [](R r) { r.f.state.RunBodies = {Mars, Mars}; return CheckBodyOrder(r.f.state, Ctl(cmdStart)); }},
      {order + "<start>", [](R r) { r.f.state.RunBodies = {Jupiter, Mars}; return CheckBodyOrder(r.f.state, Ctl(cmdStart)); }},
      {order + "<search>", [](R r) { r.f.state.RunBodies = {Mars, Mars}; return CheckBodyOrder(r.f.state, Ctl(cmdSearch)); }},
      {"pass", [](R r) { r.Orbs(false, Jupiter, 15, 13, 11); return CheckOrbs(r.f.state); }},
      {orbs, [](R r) { r.Orbs(false, Jupiter, 10, 6, 5); return CheckOrbs(r.f.state); }},
      {"With transiting Mercury the inner orb must be at least 3\xC2\xB0.|i|Orb values", [](R r) { r.Orbs(false, Mercury, 10, 5, 2); return CheckOrbs(r.f.state); }},
      {"With" + svm + " must be at least 2\xC2\xB0.|i|Orb values", [](R r) { r.Orbs(true, Sun, 10, 5, 1); return CheckOrbs(r.f.state); }},
      {orbs, [](R r) { r.Orbs(true, Sun, 10, 9, 1); return CheckOrbsNested(r.f.state); }},
      {"pass", [](R r) { r.Orbs(true, Sun, 10, 5, 1); return CheckOrbsNested(r.f.state); }},
      {"Start date is too early for Pluto.||", [](R r) { return r.Ranges(0, "1599", Jupiter, Pluto); }},
      {"End date is too late for Moon.||", [](R r) { return r.Ranges(1, "2100", Sun, Moon); }},
      {"pass", [](R r) { return r.Ranges(0, "1600", Pluto, Moon); }},
      // The search takes the outer orb and derives the others from it.
      {"pass 963", [](R r) { return r.Search(Jupiter, 9); }},
      {"With transiting Mercury the search orb must be at least 7\xC2\xB0.|i|Search orb value", [](R r) { return r.Search(Mercury, 6); }},
      {"With transiting Sun, Venus or Mars the search orb must be at least 6\xC2\xB0.|i|Search orb value", [](R r) { return r.Search(Venus, 5); }},
  };
  // clang-format on
  for (const auto& row : kRows) {
    Rig r;
    test::GivePluto(r.f.state);
    EXPECT_EQ(Outcome(r, row.check), row.want);
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
