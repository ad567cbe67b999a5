#include "runs/checks.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/bodies.h"
#include "engine/pluto_table.h"
#include "support/engine_setup.h"
#include "support/form_fixture.h"

namespace skyloom {
namespace {

Control C(ControlName n, int16_t i = 0) { return Ctl(n, i); }

class ChecksTest : public ::testing::Test {
 protected:
  // Boxes filled as typed, without leaving them: the checks must clean them.
  void Boxes(int16_t date, const std::string& year, const std::string& month, const std::string& day) {
    f.window.SetText(C(ControlName::txbYear, date), year);
    f.window.SetText(C(ControlName::txbMonth, date), month);
    f.window.SetText(C(ControlName::txbDay, date), day);
  }
  void Birth(const std::string& year, const std::string& month, const std::string& day) {
    Boxes(2, year, month, day);
    f.Choose(C(ControlName::cboHour), 9);
    f.Choose(C(ControlName::cboMinute), 3);
    f.Choose(C(ControlName::cboTimezone, 1), 26);
  }
  void Mode(bool world) { f.window.SetValue(C(world ? ControlName::optWorld : ControlName::optPersonal), 1); }

  // "pass", or the one message the failing check showed as "text|icon|title",
  // with the buttons' captions written as <start> and <search>.
  template <typename Check>
  std::string Outcome(Check check) {
    const std::size_t before = f.window.MessageBoxes().size();
    const bool ok = check();
    const auto& boxes = f.window.MessageBoxes();
    if (boxes.size() == before) return ok ? "pass" : "fail without a message";
    if (ok || boxes.size() != before + 1) return "passed with a message, or showed several";
    const MessageBoxRequest& m = boxes.back();
    EXPECT_EQ(m.buttons, MsgButtons::Ok);
    const char* icon = m.icon == MsgIcon::Information ? "i" : m.icon == MsgIcon::Exclamation ? "!" : "";
    std::string title = m.title;
    if (title == f.window.Text(C(ControlName::cmdStart))) title = "<start>";
    if (title == f.window.Text(C(ControlName::cmdSearch))) title = "<search>";
    return m.text + "|" + icon + "|" + title;
  }

  test::FormFixture f;
};

TEST(NumberFromTextTest, TakesTheLeadingNumberRoundedToEvenAndRefusesWhatOverflows) {
  // clang-format off
  const std::pair<const char*, const char*> cases[] = {
      {"", "0"}, {"abc", "0"}, {"  42", "42"}, {"12ab3", "12"}, {"-5", "-5"}, {"2.5", "2"}, {"3.5", "4"},
      {"2.51", "3"}, {"-2.5", "-2"}, {".7", "1"}, {"2147483647", "2147483647"},
      {"-2147483648", "-2147483648"}, {"2147483648", "too large"}, {"-2147483649", "too large"},
      {"2147483647.5", "too large"}, {"99999999999999999999", "too large"}, {"0000000000000000000042", "42"}};
  // clang-format on
  for (const auto& [text, want] : cases) {
    const BoxNumber n = NumberFromText(text);
    EXPECT_EQ(n.fits ? std::to_string(n.value) : "too large", want) << text;
  }
}

TEST_F(ChecksTest, OutputFileIsNeededOnlyForHtml) {
  EXPECT_EQ(Outcome([&] { return CheckOutputFile(f.state); }), "pass");
  f.window.SetValue(C(ControlName::chkOutputAsHTML), 1);
  EXPECT_EQ(Outcome([&] { return CheckOutputFile(f.state); }), "Output file not specified|!|<start>");
  f.state.OutputFilePath = "report.html";
  EXPECT_EQ(Outcome([&] { return CheckOutputFile(f.state); }), "pass");
}

TEST_F(ChecksTest, EmptyDateBoxesAreNamedInOrderAndLaterBoxesStayUncleaned) {
  struct Case {
    int16_t date;
    const char *year, *month, *day, *outcome;
  };
  const Case cases[] = {
      {0, "-", "a1", "1", "Please specify start year.||<start>"},
      {0, "2020", "?", "b1", "Please specify start month.||<start>"},
      {0, "2020", "1", "", "Please specify start day.||<start>"},
      {1, "", "c1", "1", "Please specify end year.||<start>"},
      {1, "2020", "", "1", "Please specify end month.||<start>"},
      {1, "2020", "1", "?", "Please specify end day.||<start>"},
      {2, "", "d1", "1", "Please specify year of birth.||<start>"},
      {2, "1970", "", "1", "Please specify month of birth.||<start>"},
      {2, "1970", "1", "--", "Please specify day of birth.||<start>"},
      {0, "2+0-2.0", "+1", " 1#", "pass"},
  };
  for (const Case& c : cases) {
    Boxes(c.date, c.year, c.month, c.day);
    EXPECT_EQ(
        Outcome([&] { return c.date == 2 ? CheckBirthBoxes(f.state) : CheckDatePresent(f.state, c.date); }),
        c.outcome);
    // A letter marks a box after the empty one: it must stay as typed.
    for (const auto& [box, typed] :
         {std::pair{ControlName::txbMonth, c.month}, {ControlName::txbDay, c.day}}) {
      if (std::string(typed).find_first_of("abcd") != std::string::npos) {
        EXPECT_EQ(f.window.Text(C(box, c.date)), typed) << c.outcome;
      }
    }
  }
  EXPECT_EQ(f.window.Text(C(ControlName::txbYear, 0)), "2020");
  EXPECT_EQ(f.window.Text(C(ControlName::txbMonth, 0)), "1");
  EXPECT_EQ(f.window.Text(C(ControlName::txbDay, 0)), "1");
}

TEST_F(ChecksTest, DatesAreTestedForExistenceAndLimits) {
  struct Case {
    int16_t date;
    const char *year, *month, *day, *label, *outcome;
    int32_t dayNumber;
  };
  const Case cases[] = {
      {0, "2020", "1", "1", "January 1, 2020 CE", "pass", 2458850},
      {0, "1", "1", "1", "January 1, 1 CE", "pass", FirstAllowedDay},
      {1, "2799", "12", "31", "December 31, 2799 CE", "pass", LastAllowedDay},
      {0, "2020", "2", "30", "invalid date", "The start date is invalid.|i|Invalid input", 0},
      {1, "2021", "13", "1", "invalid date", "The end date is invalid.|i|Invalid input", 0},
      {0, "99999999999999999999", "1", "1", "invalid date", "The start date is invalid.|i|Invalid input", 0},
      {1, "2020", "4294967297", "1", "invalid date", "The end date is invalid.|i|Invalid input", 0},
      {1, "2800", "1", "1", "January 1, 2800 CE", "End date is too late|i|<start>", LastAllowedDay + 1},
      {0, "2800", "1", "1", "January 1, 2800 CE", "End date is too late|i|<start>", LastAllowedDay + 1},
      {0, "0", "12", "31", "December 31, 0 CE", "Start date is too early|i|<start>", FirstAllowedDay - 1},
      {1, "0", "12", "31", "December 31, 0 CE", "End date is too early|i|<start>", FirstAllowedDay - 1},
  };
  for (const Case& c : cases) {
    Boxes(c.date, c.year, c.month, c.day);
    f.state.EnteredDayNumbers[c.date] = 12345;
    EXPECT_EQ(Outcome([&] { return CheckDateValid(f.state, c.date); }), c.outcome);
    EXPECT_EQ(f.window.Text(C(ControlName::lblDate, c.date)), c.label) << c.outcome;
    EXPECT_EQ(f.state.EnteredDayNumbers[c.date], c.dayNumber) << c.label;
  }
}

TEST_F(ChecksTest, PeriodNeedsThreeDays) {
  for (const char* endDay : {"4", "3"}) {
    Boxes(0, "2020", "1", "1");
    Boxes(1, "2020", "1", endDay);
    ASSERT_TRUE(CheckDateValid(f.state, 0) && CheckDateValid(f.state, 1));
    EXPECT_EQ(Outcome([&] { return CheckPeriod(f.state); }),
              endDay[0] == '4' ? "pass"
                               : "The start date must be at least 3 days prior to the end date.|i|<start>");
  }
}

TEST_F(ChecksTest, BirthDateIsTestedAgainstItsLimitsAndTheStart) {
  Boxes(0, "2020", "1", "1");
  ASSERT_TRUE(CheckDateValid(f.state, 0));
  struct Case {
    const char *year, *month, *day;
    bool againstStart;
    const char* outcome;
  };
  const Case cases[] = {
      {"2020", "1", "1", true, "pass"},
      {"2020", "1", "2", true, "The birth date must not be later than the start date.|i|<start>"},
      {"2020", "1", "2", false, "pass"},
      {"1600", "1", "1", true, "pass"},
      {"1599", "12", "31", true, "Birth date is too early|i|<start>"},
      {"2800", "1", "1", false, "End date is too late|i|<start>"},
      {"1970", "2", "29", true, "The birth date is invalid.|i|<start>"},
      {"1970", "1", "99999999999", true, "The birth date is invalid.|i|<start>"},
      {"1970", "3", "15", true, "pass"},
  };
  for (const Case& c : cases) {
    Birth(c.year, c.month, c.day);
    EXPECT_EQ(Outcome([&] { return CheckBirthData(f.state, c.againstStart); }), c.outcome) << c.year;
  }
  EXPECT_EQ(f.window.Text(C(ControlName::lblDate, 2)), "March 15, 1970 CE");
  EXPECT_EQ(f.state.EntryDateRecord.Year, 1970);
  EXPECT_EQ(f.state.EnteredDayNumbers[2], 2440661);
}

// Each repair follows its message: the open message box still sees the old choice.
TEST_F(ChecksTest, MissingChoicesAreRepairedAfterTheirMessage) {
  Boxes(0, "2020", "1", "1");
  ASSERT_TRUE(CheckDateValid(f.state, 0));
  Birth("1970", "3", "15");
  std::vector<int16_t> seen;
  const Control hour = C(ControlName::cboHour), minute = C(ControlName::cboMinute);
  const Control birthZone = C(ControlName::cboTimezone, 1), resultZone = C(ControlName::cboTimezone, 0);
  f.window.SetMessageBoxHook([&](const MessageBoxRequest&) {
    seen = {f.window.ListIndex(hour), f.window.ListIndex(minute), f.window.ListIndex(birthZone),
            f.window.ListIndex(resultZone)};
  });
  const auto birth = [&] { return CheckBirthData(f.state, true); };

  f.Choose(hour, 0);
  EXPECT_EQ(Outcome(birth), "Please specify the birth time, or use 12:00 if not known.||<start>");
  EXPECT_EQ(seen, (std::vector<int16_t>{0, 3, 26, 24}));
  EXPECT_EQ(f.window.ListIndex(hour), 13);
  EXPECT_EQ(f.window.ListIndex(minute), 1);

  for (int16_t none : {0, -1}) {
    f.Choose(birthZone, none);
    EXPECT_EQ(Outcome(birth), "Please specify the timezone, or use GMT if not known.||<start>");
    EXPECT_EQ(seen[2], none);
    EXPECT_EQ(f.window.ListIndex(birthZone), 24);

    f.Choose(resultZone, none);
    EXPECT_EQ(Outcome([&] { return CheckResultZone(f.state, C(ControlName::cmdSearch)); }),
              "Please specify the timezone for the results, or use the default GMT timezone.||<search>");
    EXPECT_EQ(seen[3], none);
    EXPECT_EQ(f.window.ListIndex(resultZone), 24);
  }
  EXPECT_EQ(Outcome([&] { return CheckResultZone(f.state, C(ControlName::cmdStart)); }), "pass");

  // An hour without minutes is on the hour, without a word.
  f.Choose(minute, 0);
  EXPECT_EQ(Outcome(birth), "pass");
  EXPECT_EQ(f.window.ListIndex(minute), 1);
}

TEST_F(ChecksTest, BodyOrderDependsOnTheCommand) {
  const std::string order = "Outer planet must be beyond inner planet|i|";
  struct Case {
    ControlName pressed;
    BodyIndex inner, outer;
    std::string outcome;
  };
  const Case cases[] = {
      {ControlName::cmdStart, Mars, Jupiter, "pass"},
      {ControlName::cmdStart, Mars, Mars, "World transit of a planet to itself is not possible.|!|<start>"},
      {ControlName::cmdStart, Jupiter, Mars, order + "<start>"},
      {ControlName::cmdSearch, Mars, Jupiter, "pass"},
      {ControlName::cmdSearch, Mars, Mars, order + "<search>"},
      {ControlName::cmdSearch, Pluto, Mars, order + "<search>"},
  };
  for (const Case& c : cases) {
    f.state.RunBodies = {c.inner, c.outer};
    EXPECT_EQ(Outcome([&] { return CheckBodyOrder(f.state, C(c.pressed)); }), c.outcome);
  }
  // A Show-all series passes over a body paired with itself and swaps a reversed pair.
  f.state.ShowAllMode = true;
  f.state.RunBodies = {Saturn, Saturn};
  f.state.RunAbandoned = true;
  EXPECT_EQ(Outcome([&] { return CheckBodyOrder(f.state, C(ControlName::cmdStart)); }),
            "fail without a message");
  EXPECT_FALSE(f.state.RunAbandoned);
  f.state.RunBodies = {Pluto, Venus};
  EXPECT_EQ(Outcome([&] { return CheckBodyOrder(f.state, C(ControlName::cmdStart)); }), "pass");
  EXPECT_EQ(f.state.RunBodies, (std::array<BodyIndex, 2>{Venus, Pluto}));
}

TEST_F(ChecksTest, OrbRulesByBodyAndMode) {
  const std::string general = "Orbs must be strictly decreasing and differ by at least 2°.|i|Orb values";
  const std::string svm = " Sun, Venus or Mars the inner orb must be at least 2°.|i|Orb values";
  struct Case {
    bool world;
    BodyIndex body;
    int16_t outer, middle, inner;  // degrees; 0 for no selection
    std::string outcome;
  };
  const Case cases[] = {
      {false, Jupiter, 10, 8, 6, "pass"},
      {false, Jupiter, 10, 9, 6, general},
      {false, Jupiter, 10, 8, 7, general},
      {false, Jupiter, 15, 13, 11, "pass"},
      {false, Jupiter, 5, 3, 1, "pass"},
      {false, Jupiter, 5, 3, 0, general},
      {false, Mercury, 10, 5, 2, "With transiting Mercury the inner orb must be at least 3°.|i|Orb values"},
      {true, Mercury, 10, 5, 2, "With Mercury the inner orb must be at least 3°.|i|Orb values"},
      {false, Mercury, 10, 5, 3, "pass"},
      {false, Venus, 10, 5, 1, "With transiting" + svm},
      {true, Sun, 10, 5, 1, "With" + svm},
      {true, Mars, 10, 5, 2, "pass"},
  };
  for (const Case& c : cases) {
    Mode(c.world);
    f.Choose(C(ControlName::cboPlanet, 0), static_cast<int16_t>(c.body - 1));
    f.Choose(C(ControlName::cboOrbs, 0), static_cast<int16_t>(c.outer - 1));
    f.Choose(C(ControlName::cboOrbs, 1), static_cast<int16_t>(c.middle - 1));
    f.Choose(C(ControlName::cboOrbs, 2), static_cast<int16_t>(c.inner - 1));
    f.state.RunBodies[0] = Moon;
    EXPECT_EQ(Outcome([&] { return CheckOrbs(f.state); }), c.outcome) << c.outer << c.middle << c.inner;
    EXPECT_EQ(f.state.RunBodies[0], c.body);
  }
}

TEST_F(ChecksTest, PlutoDataAreReadOnceAndAFailedReadIsTriedAgain) {
  const std::string folder = f.state.DataFolder;
  const auto ensure = [&] { return EnsurePlutoData(f.state); };
  f.state.DataFolder = folder + "no-such-folder/";
  const std::size_t before = f.window.MessageBoxes().size();
  EXPECT_EQ(Outcome(ensure), "passed with a message, or showed several");
  ASSERT_EQ(f.window.MessageBoxes().size(), before + 2);
  EXPECT_EQ(f.window.MessageBoxes()[before].title, "Read Pluto Data");
  EXPECT_EQ(f.LastMessage().text, "Cannot read Pluto data");
  EXPECT_EQ(f.LastMessage().icon, MsgIcon::Exclamation);
  EXPECT_EQ(f.LastMessage().title, "");
  EXPECT_FALSE(f.state.PlutoDataLoaded);

  f.state.DataFolder = folder;
  EXPECT_EQ(Outcome(ensure), "pass");
  EXPECT_TRUE(f.state.PlutoDataLoaded);
  f.state.DataFolder = folder + "no-such-folder/";
  EXPECT_EQ(Outcome(ensure), "pass") << "read again although loaded";
}

TEST_F(ChecksTest, BodyRangesNameTheDateAndTheBody) {
  test::GivePluto(f.state);
  struct Case {
    int16_t date;
    const char* year;
    BodyIndex first, second;
    const char* outcome;
  };
  const Case cases[] = {
      {0, "1599", Jupiter, Pluto, "Start date is too early for Pluto.||"},
      {0, "1599", Moon, Sun, "Start date is too early for Moon.||"},
      {1, "2100", Sun, Moon, "End date is too late for Moon.||"},
      {1, "2100", Pluto, Moon, "End date is too late for Pluto.||"},
      {0, "1600", Pluto, Moon, "pass"},
      {1, "2099", Pluto, Moon, "pass"},
  };
  for (const Case& c : cases) {
    Boxes(c.date, c.year, "6", "1");
    ASSERT_TRUE(CheckDateValid(f.state, c.date));
    f.state.RunBodies = {c.first, c.second};
    EXPECT_EQ(Outcome([&] { return CheckBodyRanges(f.state, c.date); }), c.outcome);
  }
}

TEST_F(ChecksTest, SearchOrbsFollowTheTableAndRefuseFastBodies) {
  const std::string svm = "With Sun, Venus or Mars the search orb must be at least 6°.|i|Search orb value";
  struct Case {
    bool world;
    BodyIndex body;
    int16_t search, middle, inner;  // the orbs after the check; 77 untouched
    std::string outcome;
  };
  const Case cases[] = {
      {false, Jupiter, 10, 6, 2, "pass"},
      {false, Jupiter, 9, 6, 3, "pass"},
      {false, Jupiter, 5, 3, 1, "pass"},
      {false, Venus, 6, 4, 2, "pass"},
      {false, Mercury, 7, 5, 3, "pass"},
      {false, Saturn, 15, 10, 5, "pass"},
      {false, Mercury, 4, 3, 2, "pass"},
      {false, Sun, 1, 1, 1, "pass"},
      {false, Mercury, 6, 77, 77,
       "With transiting Mercury the search orb must be at least 7°.|i|Search orb value"},
      {true, Mercury, 5, 77, 77, "With Mercury the search orb must be at least 7°.|i|Search orb value"},
      {true, Mars, 5, 77, 77, svm},
  };
  for (const Case& c : cases) {
    Mode(c.world);
    f.state.RunBodies[0] = c.body;
    f.state.Orbs.OrbDegrees = {c.search, 77, 77};
    EXPECT_EQ(Outcome([&] { return DeriveSearchOrbs(f.state); }), c.outcome);
    EXPECT_EQ(f.state.Orbs.OrbDegrees, (std::array<int16_t, 3>{c.search, c.middle, c.inner})) << c.search;
  }
  // Whatever is accepted nests, so the engine's orbs never invert.
  f.state.RunBodies[0] = Jupiter;
  for (int16_t search = 1; search <= 15; ++search) {
    f.state.Orbs.OrbDegrees = {search, 77, 77};
    ASSERT_TRUE(DeriveSearchOrbs(f.state));
    const auto& o = f.state.Orbs.OrbDegrees;
    EXPECT_TRUE(o[0] >= o[1] && o[1] >= o[2] && o[2] >= 1) << search;
  }
}

}  // namespace
}  // namespace skyloom
