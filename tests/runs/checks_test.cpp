#include "runs/checks.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "engine/bodies.h"
#include "support/engine_setup.h"
#include "support/form_fixture.h"

namespace skyloom {
namespace {

using enum ControlName;

struct Rig {
  // Boxes filled as typed, without leaving them: the checks must clean them.
  void Boxes(int16_t date, const char* year, const char* month, const char* day) {
    f.window.SetText(Ctl(txbYear, date), year);
    f.window.SetText(Ctl(txbMonth, date), month);
    f.window.SetText(Ctl(txbDay, date), day);
  }
  bool Dates(const char* startYear, const char* endDay = "31") {
    Boxes(0, startYear, "1", "1");
    Boxes(1, "2020", "1", endDay);
    return CheckDateValid(f.state, 0) && CheckDateValid(f.state, 1);
  }
  void Birth(const char* year, const char* month, const char* day, int16_t hour = 9, int16_t zone = 26) {
    Boxes(2, year, month, day);
    f.Choose(Ctl(cboHour), hour);
    f.Choose(Ctl(cboMinute), 3);
    f.Choose(Ctl(cboTimezone, 1), zone);
  }
  void Orbs(bool world, BodyIndex first, int16_t outer, int16_t middle, int16_t inner) {
    f.window.SetValue(Ctl(world ? optWorld : optPersonal), 1);
    f.Choose(Ctl(cboPlanet, 0), static_cast<int16_t>(first - 1));
    f.state.FormLoaded = false;  // without the lists' own checks
    f.Choose(Ctl(cboOrbs, 0), static_cast<int16_t>(outer - 1));
    f.Choose(Ctl(cboOrbs, 1), static_cast<int16_t>(middle - 1));
    f.Choose(Ctl(cboOrbs, 2), static_cast<int16_t>(inner - 1));
    f.state.FormLoaded = true;
  }
  std::string note;  // what a check repaired, when the row looks
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

std::string S(int n) { return std::to_string(n); }

TEST(Checks, EachInputChecksMessage) {
  const std::string order = "Outer planet must be beyond inner planet|i|";
  const std::string orbs = "Orbs must be strictly decreasing and differ by at least 2\xC2\xB0.|i|Orb values";
  const std::string svm = " Sun, Venus or Mars the inner orb must be at least 2\xC2\xB0.|i|Orb values";
  const struct {
    std::string want;
    std::function<bool(Rig&)> check;
  } kRows[] = {
      {"pass", [](Rig& r) { return CheckOutputFile(r.f.state); }},
      {"Output file not specified|!|<start>", [](Rig& r) {
         r.f.window.SetValue(Ctl(chkOutputAsHTML), 1);
         return CheckOutputFile(r.f.state);
       }},
      {"Please specify start year.||<start> a1", [](Rig& r) {
         r.Boxes(0, "-", "a1", "1");
         const bool ok = CheckDatePresent(r.f.state, 0);
         r.note = r.f.window.Text(Ctl(txbMonth));  // a box after the empty one stays as typed
         return ok;
       }},
      {"Please specify end month.||<start>", [](Rig& r) { r.Boxes(1, "2020", "", "1"); return CheckDatePresent(r.f.state, 1); }},
      {"Please specify day of birth.||<start>", [](Rig& r) { r.Boxes(2, "1970", "1", "--"); return CheckBirthBoxes(r.f.state); }},
      {"pass 2020", [](Rig& r) {
         r.Boxes(0, "2+0-2.0", "+1", " 1#");
         const bool ok = CheckDatePresent(r.f.state, 0);
         r.note = r.f.window.Text(Ctl(txbYear));
         return ok;
       }},
      {"pass January 1, 1 CE", [](Rig& r) {
         r.Boxes(0, "1", "1", "1");
         const bool ok = CheckDateValid(r.f.state, 0);
         r.note = r.f.window.Text(Ctl(lblDate));
         return ok;
       }},
      {"The start date is invalid.|i|Invalid input", [](Rig& r) { r.Boxes(0, "2020", "2", "30"); return CheckDateValid(r.f.state, 0); }},
      {"The end date is invalid.|i|Invalid input", [](Rig& r) { r.Boxes(1, "2020", "4294967297", "1"); return CheckDateValid(r.f.state, 1); }},
      {"The start date is invalid.|i|Invalid input", [](Rig& r) { r.Boxes(0, "99999999999999999999", "1", "1"); return CheckDateValid(r.f.state, 0); }},
      {"pass", [](Rig& r) { r.Boxes(1, "2799", "12", "31"); return CheckDateValid(r.f.state, 1); }},
      {"End date is too late|i|<start>", [](Rig& r) { r.Boxes(1, "2800", "1", "1"); return CheckDateValid(r.f.state, 1); }},
      {"Start date is too early|i|<start>", [](Rig& r) { r.Boxes(0, "0", "12", "31"); return CheckDateValid(r.f.state, 0); }},
      {"pass", [](Rig& r) { return r.Dates("2020", "4") && CheckPeriod(r.f.state); }},
      {"The start date must be at least 3 days prior to the end date.|i|<start>",
       [](Rig& r) { return r.Dates("2020", "3") && CheckPeriod(r.f.state); }},
      {"The birth date must not be later than the start date.|i|<start>", [](Rig& r) {
         r.Dates("2020");
         r.Birth("2020", "1", "2");
         return CheckBirthData(r.f.state, true);
       }},
      {"pass", [](Rig& r) { r.Dates("2020"); r.Birth("2020", "1", "2"); return CheckBirthData(r.f.state, false); }},
      {"Birth date is too early|i|<start>", [](Rig& r) { r.Dates("2020"); r.Birth("1599", "12", "31"); return CheckBirthData(r.f.state, true); }},
      {"The birth date is invalid.|i|<start>", [](Rig& r) { r.Dates("2020"); r.Birth("1970", "2", "29"); return CheckBirthData(r.f.state, true); }},
      // Each repair follows its message: the box still shows the old choice.
      {"Please specify the birth time, or use 12:00 if not known.||<start> 0 13/1", [](Rig& r) {
         r.Dates("2020");
         r.Birth("1970", "3", "15", 0);
         r.f.window.SetMessageBoxHook([&r](const MessageBoxRequest&) { r.note = S(r.f.window.ListIndex(Ctl(cboHour))); });
         const bool ok = CheckBirthData(r.f.state, true);
         r.note += " " + S(r.f.window.ListIndex(Ctl(cboHour))) + "/" + S(r.f.window.ListIndex(Ctl(cboMinute)));
         return ok;
       }},
      {"Please specify the timezone, or use GMT if not known.||<start> 24", [](Rig& r) {
         r.Dates("2020");
         r.Birth("1970", "3", "15", 9, -1);
         const bool ok = CheckBirthData(r.f.state, true);
         r.note = S(r.f.window.ListIndex(Ctl(cboTimezone, 1)));
         return ok;
       }},
      {"Please specify the timezone for the results, or use the default GMT timezone.||<search> 24", [](Rig& r) {
         r.f.Choose(Ctl(cboTimezone, 0), 0);
         const bool ok = CheckResultZone(r.f.state, Ctl(cmdSearch));
         r.note = S(r.f.window.ListIndex(Ctl(cboTimezone, 0)));
         return ok;
       }},
      {"World transit of a planet to itself is not possible.|!|<start>",
       [](Rig& r) { r.f.state.RunBodies = {Mars, Mars}; return CheckBodyOrder(r.f.state, Ctl(cmdStart)); }},
      {order + "<start>", [](Rig& r) { r.f.state.RunBodies = {Jupiter, Mars}; return CheckBodyOrder(r.f.state, Ctl(cmdStart)); }},
      {order + "<search>", [](Rig& r) { r.f.state.RunBodies = {Mars, Mars}; return CheckBodyOrder(r.f.state, Ctl(cmdSearch)); }},
      {"pass", [](Rig& r) { r.Orbs(false, Jupiter, 10, 8, 6); return CheckOrbs(r.f.state); }},
      {"pass", [](Rig& r) { r.Orbs(false, Jupiter, 15, 13, 11); return CheckOrbs(r.f.state); }},
      {orbs, [](Rig& r) { r.Orbs(false, Jupiter, 10, 9, 6); return CheckOrbs(r.f.state); }},
      {orbs, [](Rig& r) { r.Orbs(false, Jupiter, 10, 8, 7); return CheckOrbs(r.f.state); }},
      {"With transiting Mercury the inner orb must be at least 3\xC2\xB0.|i|Orb values",
       [](Rig& r) { r.Orbs(false, Mercury, 10, 5, 2); return CheckOrbs(r.f.state); }},
      {"With Mercury the inner orb must be at least 3\xC2\xB0.|i|Orb values",
       [](Rig& r) { r.Orbs(true, Mercury, 10, 5, 2); return CheckOrbs(r.f.state); }},
      {"With" + svm, [](Rig& r) { r.Orbs(true, Sun, 10, 5, 1); return CheckOrbs(r.f.state); }},
      {"With transiting" + svm, [](Rig& r) { r.Orbs(false, Venus, 10, 5, 1); return CheckOrbs(r.f.state); }},
      {orbs, [](Rig& r) { r.Orbs(true, Sun, 10, 9, 1); return CheckOrbsNested(r.f.state); }},
      {"pass", [](Rig& r) { r.Orbs(true, Sun, 10, 5, 1); return CheckOrbsNested(r.f.state); }},
      {"Start date is too early for Pluto.||", [](Rig& r) {
         r.Boxes(0, "1599", "6", "1");
         r.f.state.RunBodies = {Jupiter, Pluto};
         return CheckDateValid(r.f.state, 0) && CheckBodyRanges(r.f.state, 0);
       }},
      {"End date is too late for Moon.||", [](Rig& r) {
         r.Boxes(1, "2100", "6", "1");
         r.f.state.RunBodies = {Sun, Moon};
         return CheckDateValid(r.f.state, 1) && CheckBodyRanges(r.f.state, 1);
       }},
      {"pass", [](Rig& r) {
         r.Boxes(0, "1600", "6", "1");
         r.f.state.RunBodies = {Pluto, Moon};
         return CheckDateValid(r.f.state, 0) && CheckBodyRanges(r.f.state, 0);
       }},
      // The search takes the outer orb and derives the others from it.
      {"pass 963", [](Rig& r) {
         r.f.state.RunBodies[0] = Jupiter;
         r.f.state.Orbs.OrbDegrees = {9, 77, 77};
         const bool ok = DeriveSearchOrbs(r.f.state);
         for (int16_t o : r.f.state.Orbs.OrbDegrees) r.note += S(o);
         return ok;
       }},
      {"With transiting Mercury the search orb must be at least 7\xC2\xB0.|i|Search orb value", [](Rig& r) {
         r.f.state.RunBodies[0] = Mercury;
         r.f.state.Orbs.OrbDegrees = {6, 77, 77};
         return DeriveSearchOrbs(r.f.state);
       }},
  };
  for (const auto& row : kRows) {
    Rig r;
    test::GivePluto(r.f.state);
    EXPECT_EQ(Outcome(r, row.check), row.want);
  }
}

TEST(Checks, ABoxsNumberIsItsLeadingNumberRoundedToEven) {
  for (auto [text, want] : {std::pair{"", "0"}, {"  42", "42"}, {"12ab3", "12"}, {"-5", "-5"}, {"2.5", "2"},
                            {"3.5", "4"}, {"-2.5", "-2"}, {".7", "1"}, {"2147483647", "2147483647"},
                            {"-2147483648", "-2147483648"}, {"2147483648", "too large"}, {"2147483647.5", "too large"},
                            {"99999999999999999999", "too large"}, {"0000000000000000000042", "42"}}) {
    const BoxNumber n = NumberFromText(text);
    EXPECT_EQ(n.fits ? std::to_string(n.value) : "too large", want) << text;
  }
}

}  // namespace
}  // namespace skyloom
