#include "runs/checks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/bodies.h"
#include "engine/pluto_table.h"
#include "support/engine_setup.h"
#include "support/form_fixture.h"

namespace skyloom {
namespace {

using test::FormFixture;

Control C(ControlName n, int16_t i = 0) { return Ctl(n, i); }

class ChecksTest : public ::testing::Test {
 protected:
  // Boxes filled as typed, without leaving them: the checks must clean them.
  void Boxes(int16_t date, const std::string& year, const std::string& month, const std::string& day) {
    f.window.SetText(C(ControlName::txbYear, date), year);
    f.window.SetText(C(ControlName::txbMonth, date), month);
    f.window.SetText(C(ControlName::txbDay, date), day);
  }
  std::string StartCaption() const { return f.window.Text(C(ControlName::cmdStart)); }
  std::size_t Shown() const { return f.window.MessageBoxes().size(); }
  // The one message a check showed since `before`.
  void ExpectMessage(std::size_t before, const std::string& text, MsgIcon icon, const std::string& title) {
    ASSERT_EQ(Shown(), before + 1) << "expected \"" << text << "\"";
    const MessageBoxRequest& m = f.window.MessageBoxes().back();
    EXPECT_EQ(m.text, text);
    EXPECT_EQ(m.icon, icon) << text;
    EXPECT_EQ(m.title, title) << text;
    EXPECT_EQ(m.buttons, MsgButtons::Ok) << text;
  }
  // A birth that passes every test but the one under study.
  void ReadyBirth(const std::string& year, const std::string& month, const std::string& day) {
    Boxes(2, year, month, day);
    f.Choose(C(ControlName::cboHour), 9);
    f.Choose(C(ControlName::cboMinute), 3);
    f.Choose(C(ControlName::cboTimezone, 1), 26);
  }

  FormFixture f;
};

TEST(NumberFromTextTest, TakesTheLeadingNumberRoundedToEvenAndRefusesWhatOverflows) {
  struct Case {
    const char* text;
    int32_t value;
    bool fits;
  };
  const Case cases[] = {
      {"", 0, true},
      {"abc", 0, true},
      {"  42", 42, true},
      {"12ab3", 12, true},
      {"-5", -5, true},
      {"+7", 7, true},
      {"2.5", 2, true},
      {"3.5", 4, true},
      {"2.51", 3, true},
      {"-2.5", -2, true},
      {".7", 1, true},
      {"0.49", 0, true},
      {"2147483647", 2147483647, true},
      {"-2147483648", -2147483647 - 1, true},
      {"2147483648", 0, false},
      {"-2147483649", 0, false},
      {"2147483646.5", 2147483646, true},
      {"2147483647.5", 0, false},
      {"99999999999999999999", 0, false},
      {"00000000000000000000042", 42, true},
  };
  for (const Case& c : cases) {
    const BoxNumber n = NumberFromText(c.text);
    EXPECT_EQ(n.fits, c.fits) << c.text;
    if (c.fits) {
      EXPECT_EQ(n.value, c.value) << c.text;
    }
  }
}

TEST_F(ChecksTest, OutputFileIsNeededOnlyForHtml) {
  EXPECT_TRUE(CheckOutputFile(f.state));
  f.window.SetValue(C(ControlName::chkOutputAsHTML), 1);
  const std::size_t before = Shown();
  EXPECT_FALSE(CheckOutputFile(f.state));
  ExpectMessage(before, "Output file not specified", MsgIcon::Exclamation, StartCaption());
  f.state.OutputFilePath = "/tmp/out.html";
  EXPECT_TRUE(CheckOutputFile(f.state));
}

TEST_F(ChecksTest, MissingDateBoxesAreNamedInOrderAndLaterBoxesStayUncleaned) {
  struct Case {
    int16_t date;
    const char* year;
    const char* month;
    const char* day;
    const char* message;
  };
  const Case cases[] = {
      {0, "-", "a1", "1", "Please specify start year."},
      {0, "2020", "x", "1", "Please specify start month."},
      {0, "2020", "1", "", "Please specify start day."},
      {1, "", "1", "1", "Please specify end year."},
      {1, "2020", "", "1", "Please specify end month."},
      {1, "2020", "1", "?", "Please specify end day."},
      {2, "", "b2", "1", "Please specify year of birth."},
      {2, "1970", "", "1", "Please specify month of birth."},
      {2, "1970", "1", "--", "Please specify day of birth."},
  };
  for (const Case& c : cases) {
    Boxes(c.date, c.year, c.month, c.day);
    const std::size_t before = Shown();
    EXPECT_FALSE(c.date == 2 ? CheckBirthBoxes(f.state) : CheckDatePresent(f.state, c.date)) << c.message;
    ExpectMessage(before, c.message, MsgIcon::None, StartCaption());
    if (std::string(c.year).find_first_of("0123456789") == std::string::npos) {
      EXPECT_EQ(f.window.Text(C(ControlName::txbMonth, c.date)), c.month) << "cleaned after a failure";
    }
  }
  Boxes(0, "2a0b2c0", "+1", " 1x");
  EXPECT_TRUE(CheckDatePresent(f.state, 0));
  EXPECT_EQ(f.window.Text(C(ControlName::txbYear, 0)), "2020");
  EXPECT_EQ(f.window.Text(C(ControlName::txbMonth, 0)), "1");
  EXPECT_EQ(f.window.Text(C(ControlName::txbDay, 0)), "1");
}

TEST_F(ChecksTest, ValidDatesBecomeDayNumbersAndLabels) {
  Boxes(0, "2020", "1", "1");
  Boxes(1, "2799", "12", "31");
  EXPECT_TRUE(CheckDateValid(f.state, 0));
  EXPECT_TRUE(CheckDateValid(f.state, 1));
  EXPECT_EQ(f.state.EnteredDayNumbers[0], 2458850);
  EXPECT_EQ(f.state.EnteredDayNumbers[1], LastAllowedDay);
  EXPECT_EQ(f.window.Text(C(ControlName::lblDate, 1)), "December 31, 2799 CE");
  Boxes(0, "1", "1", "1");
  EXPECT_TRUE(CheckDateValid(f.state, 0));
  EXPECT_EQ(f.state.EnteredDayNumbers[0], FirstAllowedDay);
}

TEST_F(ChecksTest, InvalidAndOutOfLimitDatesAreRefused) {
  struct Case {
    int16_t date;
    const char* year;
    const char* month;
    const char* day;
    const char* label;
    const char* message;
    bool invalid;  // titled "Invalid input" rather than with the Start caption
  };
  const Case cases[] = {
      {0, "2020", "2", "30", "invalid date", "The start date is invalid.", true},
      {1, "2021", "13", "1", "invalid date", "The end date is invalid.", true},
      {0, "99999999999999999999", "1", "1", "invalid date", "The start date is invalid.", true},
      {1, "2020", "4294967297", "1", "invalid date", "The end date is invalid.", true},
      {1, "2800", "1", "1", "January 1, 2800 CE", "End date is too late", false},
      {0, "2800", "1", "1", "January 1, 2800 CE", "End date is too late", false},
      {0, "0", "12", "31", "December 31, 0 CE", "Start date is too early", false},
      {1, "0", "12", "31", "December 31, 0 CE", "End date is too early", false},
  };
  for (const Case& c : cases) {
    Boxes(c.date, c.year, c.month, c.day);
    const std::size_t before = Shown();
    EXPECT_FALSE(CheckDateValid(f.state, c.date)) << c.message;
    ExpectMessage(before, c.message, MsgIcon::Information, c.invalid ? "Invalid input" : StartCaption());
    EXPECT_EQ(f.window.Text(C(ControlName::lblDate, c.date)), c.label) << c.year;
  }
}

TEST_F(ChecksTest, PeriodNeedsThreeDays) {
  Boxes(0, "2020", "1", "1");
  Boxes(1, "2020", "1", "4");
  ASSERT_TRUE(CheckDateValid(f.state, 0) && CheckDateValid(f.state, 1));
  EXPECT_TRUE(CheckPeriod(f.state));
  Boxes(1, "2020", "1", "3");
  ASSERT_TRUE(CheckDateValid(f.state, 1));
  const std::size_t before = Shown();
  EXPECT_FALSE(CheckPeriod(f.state));
  ExpectMessage(before, "The start date must be at least 3 days prior to the end date.", MsgIcon::Information,
                StartCaption());
}

TEST_F(ChecksTest, BirthDateIsTestedAgainstItsLimitsAndTheStart) {
  Boxes(0, "2020", "1", "1");
  ASSERT_TRUE(CheckDateValid(f.state, 0));
  struct Case {
    const char* year;
    const char* month;
    const char* day;
    bool againstStart;
    const char* message;  // nullptr: accepted
  };
  const Case cases[] = {
      {"2020", "1", "1", true, nullptr},
      {"2020", "1", "2", true, "The birth date must not be later than the start date."},
      {"2020", "1", "2", false, nullptr},
      {"1600", "1", "1", true, nullptr},
      {"1599", "12", "31", true, "Birth date is too early"},
      {"2800", "1", "1", false, "End date is too late"},
      {"1970", "2", "29", true, "The birth date is invalid."},
      {"1970", "1", "99999999999", true, "The birth date is invalid."},
  };
  for (const Case& c : cases) {
    ReadyBirth(c.year, c.month, c.day);
    const std::size_t before = Shown();
    EXPECT_EQ(CheckBirthData(f.state, c.againstStart), c.message == nullptr) << c.year << c.day;
    if (c.message) ExpectMessage(before, c.message, MsgIcon::Information, StartCaption());
  }
  ReadyBirth("1970", "3", "15");
  ASSERT_TRUE(CheckBirthData(f.state, true));
  EXPECT_EQ(f.window.Text(C(ControlName::lblDate, 2)), "March 15, 1970 CE");
  EXPECT_EQ(f.state.EntryDateRecord.Year, 1970);
  EXPECT_EQ(f.state.EnteredDayNumbers[2], 2440661);
}

// Each repair must follow its message: the message box sees the old choice.
TEST_F(ChecksTest, MissingBirthTimeAndZoneAreRepairedAfterTheirMessage) {
  ReadyBirth("1970", "3", "15");
  Boxes(0, "2020", "1", "1");
  ASSERT_TRUE(CheckDateValid(f.state, 0));
  std::vector<int16_t> seen;
  f.window.SetMessageBoxHook([&](const MessageBoxRequest&) {
    seen = {f.window.ListIndex(C(ControlName::cboHour)), f.window.ListIndex(C(ControlName::cboMinute)),
            f.window.ListIndex(C(ControlName::cboTimezone, 1))};
  });

  f.Choose(C(ControlName::cboHour), 0);
  std::size_t before = Shown();
  EXPECT_FALSE(CheckBirthData(f.state, true));
  ExpectMessage(before, "Please specify the birth time, or use 12:00 if not known.", MsgIcon::None,
                StartCaption());
  EXPECT_EQ(seen, (std::vector<int16_t>{0, 3, 26}));
  EXPECT_EQ(f.window.ListIndex(C(ControlName::cboHour)), 13);
  EXPECT_EQ(f.window.ListIndex(C(ControlName::cboMinute)), 1);

  for (int16_t zone : {0, -1}) {
    f.Choose(C(ControlName::cboTimezone, 1), zone);
    before = Shown();
    EXPECT_FALSE(CheckBirthData(f.state, true));
    ExpectMessage(before, "Please specify the timezone, or use GMT if not known.", MsgIcon::None,
                  StartCaption());
    EXPECT_EQ(seen[2], zone);
    EXPECT_EQ(f.window.ListIndex(C(ControlName::cboTimezone, 1)), 24);
  }

  // An hour without a minute: on the hour, without a word.
  f.Choose(C(ControlName::cboMinute), 0);
  before = Shown();
  EXPECT_TRUE(CheckBirthData(f.state, true));
  EXPECT_EQ(Shown(), before);
  EXPECT_EQ(f.window.ListIndex(C(ControlName::cboMinute)), 1);
}

TEST_F(ChecksTest, ResultZoneWithoutChoiceIsSetToGreenwichAfterTheMessage) {
  const std::string searchCaption = f.window.Text(C(ControlName::cmdSearch));
  ASSERT_FALSE(searchCaption.empty());
  for (int16_t zone : {0, -1}) {
    f.Choose(C(ControlName::cboTimezone, 0), zone);
    int16_t seen = 99;
    f.window.SetMessageBoxHook(
        [&](const MessageBoxRequest&) { seen = f.window.ListIndex(C(ControlName::cboTimezone, 0)); });
    const std::size_t before = Shown();
    EXPECT_FALSE(CheckResultZone(f.state, C(ControlName::cmdSearch)));
    ExpectMessage(before, "Please specify the timezone for the results, or use the default GMT timezone.",
                  MsgIcon::None, searchCaption);
    EXPECT_EQ(seen, zone);
    EXPECT_EQ(f.window.ListIndex(C(ControlName::cboTimezone, 0)), 24);
  }
  f.Choose(C(ControlName::cboTimezone, 0), 1);
  EXPECT_TRUE(CheckResultZone(f.state, C(ControlName::cmdStart)));
}

TEST_F(ChecksTest, BodyOrderDependsOnTheCommand) {
  const std::string start = StartCaption();
  const std::string search = f.window.Text(C(ControlName::cmdSearch));
  const char* itself = "World transit of a planet to itself is not possible.";
  const char* order = "Outer planet must be beyond inner planet";
  struct Case {
    ControlName pressed;
    BodyIndex inner, outer;
    const char* message;
    MsgIcon icon;
    std::string title;
  };
  const Case cases[] = {
      {ControlName::cmdStart, Mars, Jupiter, nullptr, MsgIcon::None, ""},
      {ControlName::cmdStart, Mars, Mars, itself, MsgIcon::Exclamation, start},
      {ControlName::cmdStart, Jupiter, Mars, order, MsgIcon::Information, start},
      {ControlName::cmdSearch, Mars, Jupiter, nullptr, MsgIcon::None, ""},
      {ControlName::cmdSearch, Mars, Mars, order, MsgIcon::Information, search},
      {ControlName::cmdSearch, Pluto, Mars, order, MsgIcon::Information, search},
  };
  for (const Case& c : cases) {
    f.state.RunBodies = {c.inner, c.outer};
    const std::size_t before = Shown();
    EXPECT_EQ(CheckBodyOrder(f.state, C(c.pressed)), c.message == nullptr);
    if (c.message) ExpectMessage(before, c.message, c.icon, c.title);
  }

  // A Show-all series skips a body paired with itself and swaps a reversed pair.
  f.state.ShowAllMode = true;
  const std::size_t before = Shown();
  f.state.RunBodies = {Saturn, Saturn};
  f.state.RunAbandoned = true;
  EXPECT_FALSE(CheckBodyOrder(f.state, C(ControlName::cmdStart)));
  EXPECT_FALSE(f.state.RunAbandoned);
  f.state.RunBodies = {Pluto, Venus};
  EXPECT_TRUE(CheckBodyOrder(f.state, C(ControlName::cmdStart)));
  EXPECT_EQ(f.state.RunBodies, (std::array<BodyIndex, 2>{Venus, Pluto}));
  EXPECT_EQ(Shown(), before);
}

TEST_F(ChecksTest, OrbRulesByBodyAndMode) {
  const std::string general = "Orbs must be strictly decreasing and differ by at least 2°.";
  struct Case {
    bool world;
    BodyIndex body;
    int16_t outer, middle, inner;  // degrees; 0 means no selection
    std::string message;           // empty: accepted
  };
  const Case cases[] = {
      {false, Jupiter, 10, 8, 6, ""},
      {false, Jupiter, 10, 9, 6, general},
      {false, Jupiter, 10, 8, 7, general},
      {false, Jupiter, 15, 13, 11, ""},
      {false, Jupiter, 5, 3, 1, ""},
      {false, Jupiter, 5, 3, 0, general},
      {false, Mercury, 10, 5, 2, "With transiting Mercury the inner orb must be at least 3°."},
      {true, Mercury, 10, 5, 2, "With Mercury the inner orb must be at least 3°."},
      {false, Mercury, 10, 5, 3, ""},
      {false, Venus, 10, 5, 1, "With transiting Sun, Venus or Mars the inner orb must be at least 2°."},
      {true, Sun, 10, 5, 1, "With Sun, Venus or Mars the inner orb must be at least 2°."},
      {true, Mars, 10, 5, 2, ""},
  };
  for (const Case& c : cases) {
    f.window.SetValue(C(c.world ? ControlName::optWorld : ControlName::optPersonal), 1);
    f.Choose(C(ControlName::cboPlanet, 0), static_cast<int16_t>(c.body - 1));
    f.Choose(C(ControlName::cboOrbs, 0), static_cast<int16_t>(c.outer - 1));
    f.Choose(C(ControlName::cboOrbs, 1), static_cast<int16_t>(c.middle - 1));
    f.Choose(C(ControlName::cboOrbs, 2), static_cast<int16_t>(c.inner - 1));
    f.state.RunBodies[0] = Moon;
    const std::size_t before = Shown();
    EXPECT_EQ(CheckOrbs(f.state), c.message.empty()) << c.body << " " << c.outer << c.middle << c.inner;
    EXPECT_EQ(f.state.RunBodies[0], c.body);
    if (!c.message.empty()) ExpectMessage(before, c.message, MsgIcon::Information, "Orb values");
  }
}

TEST_F(ChecksTest, PlutoDataAreReadOnceAndAFailedReadIsTriedAgain) {
  test::InitEngineOnce();
  // A failed read empties the shared table; the other tests need it back.
  struct Restore {
    std::string folder = DataFolder;
    ~Restore() {
      DataFolder = folder;
      std::string error;
      ReadPlutoData(nullptr, PlutoFileName, error);
    }
  } restore;
  DataFolder = restore.folder + "no-such-folder/";
  std::size_t before = Shown();
  EXPECT_FALSE(EnsurePlutoData(f.state));
  EXPECT_FALSE(f.state.PlutoDataLoaded);
  ASSERT_EQ(Shown(), before + 2);
  EXPECT_EQ(f.window.MessageBoxes()[before].title, "Read Pluto Data");
  ExpectMessage(before + 1, "Cannot read Pluto data", MsgIcon::Exclamation, "");

  DataFolder = restore.folder;
  EXPECT_TRUE(EnsurePlutoData(f.state));
  EXPECT_TRUE(f.state.PlutoDataLoaded);
  // Loaded once: the file is not looked for again.
  DataFolder = restore.folder + "no-such-folder/";
  before = Shown();
  EXPECT_TRUE(EnsurePlutoData(f.state));
  EXPECT_EQ(Shown(), before);
}

TEST_F(ChecksTest, BodyRangesNameTheDateAndTheBody) {
  ASSERT_TRUE(test::LoadPlutoOnce());
  struct Case {
    int16_t date;
    const char* year;
    BodyIndex first, second;
    const char* message;  // nullptr: accepted
  };
  const Case cases[] = {
      {0, "1599", Jupiter, Pluto, "Start date is too early for Pluto."},
      {0, "1599", Moon, Sun, "Start date is too early for Moon."},
      {1, "2100", Sun, Moon, "End date is too late for Moon."},
      {1, "2100", Pluto, Moon, "End date is too late for Pluto."},
      {0, "1600", Pluto, Moon, nullptr},
      {1, "2099", Pluto, Moon, nullptr},
  };
  for (const Case& c : cases) {
    Boxes(c.date, c.year, "6", "1");
    ASSERT_TRUE(CheckDateValid(f.state, c.date));
    f.state.RunBodies = {c.first, c.second};
    const std::size_t before = Shown();
    EXPECT_EQ(CheckBodyRanges(f.state, c.date), c.message == nullptr) << c.year;
    if (c.message) ExpectMessage(before, c.message, MsgIcon::None, "");
  }
}

TEST_F(ChecksTest, SearchOrbsFollowTheTableAndRefuseFastBodies) {
  struct Case {
    bool world;
    BodyIndex body;
    int16_t search, middle, inner;
    const char* message;  // nullptr: accepted
  };
  const Case cases[] = {
      {false, Jupiter, 10, 6, 2, nullptr},
      {false, Jupiter, 9, 6, 3, nullptr},
      {false, Jupiter, 5, 3, 1, nullptr},
      {false, Venus, 6, 4, 2, nullptr},
      {false, Mercury, 7, 5, 3, nullptr},
      {false, Saturn, 15, 10, 5, nullptr},
      {false, Mercury, 4, 3, 2, nullptr},
      {false, Sun, 1, 1, 1, nullptr},
      {false, Mercury, 6, 0, 0, "With transiting Mercury the search orb must be at least 7°."},
      {true, Mercury, 5, 0, 0, "With Mercury the search orb must be at least 7°."},
      {true, Mars, 5, 0, 0, "With Sun, Venus or Mars the search orb must be at least 6°."},
  };
  for (const Case& c : cases) {
    f.window.SetValue(C(c.world ? ControlName::optWorld : ControlName::optPersonal), 1);
    f.state.RunBodies[0] = c.body;
    f.state.Orbs.OrbDegrees = {c.search, 77, 77};
    const std::size_t before = Shown();
    EXPECT_EQ(DeriveSearchOrbs(f.state), c.message == nullptr) << c.search;
    if (c.message) {
      ExpectMessage(before, c.message, MsgIcon::Information, "Search orb value");
      EXPECT_EQ(f.state.Orbs.OrbDegrees, (std::array<int16_t, 3>{c.search, 77, 77}));
    } else {
      EXPECT_EQ(f.state.Orbs.OrbDegrees, (std::array<int16_t, 3>{c.search, c.middle, c.inner}));
    }
  }
  // Whatever is accepted nests, so the engine's orbs never invert.
  for (int16_t search = 1; search <= 15; ++search) {
    f.state.RunBodies[0] = Jupiter;
    f.state.Orbs.OrbDegrees = {search, 77, 77};
    ASSERT_TRUE(DeriveSearchOrbs(f.state));
    const auto& o = f.state.Orbs.OrbDegrees;
    EXPECT_TRUE(o[0] >= o[1] && o[1] >= o[2] && o[2] >= 1) << search;
  }
}

}  // namespace
}  // namespace skyloom
