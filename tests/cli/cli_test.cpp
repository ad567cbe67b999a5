// skyloom-cli run as a separate process: what each kind of argument gets
// (exit status, messages, standard output, files written), birth zones and
// places, files it may not replace, runs cut off in the middle, and exports
// that hold every row of the report.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "support/cli_runner.h"

namespace {

namespace fs = std::filesystem;
using namespace skyloom::test;

std::vector<std::string> Split(const std::string& text, char at) {
  std::vector<std::string> parts;
  std::istringstream in(text + at);
  for (std::string part; std::getline(in, part, at);) parts.push_back(part);
  return parts;
}

const std::string kRun = "world Jupiter Saturn --start 2020-01-01 --end 2020-12-31 --zone GMT";
const std::string kMars = "world Mars Jupiter --start 2020-01-01 --end 2020-12-31 --zone GMT";
const std::string kBirth = "personal Saturn Moon --start 2024-01-01 --end 2024-01-31 --zone GMT --birth ";
const std::string kReport = "\nAspect      | Start 10°", kNotWritten = "skyloom-cli: cannot write ";
const std::string kFull = ": No space left on device\n", kOrbs = "strictly decreasing and differ by at least 2°.\n";

const std::string kAspectsTaken =
    "--aspects takes major, all or aspects named from conjunction, opposition, square, trine, sextile, semisextile, "
    "semisquare, quintile, sesquiquadrate, biquintile, quincunx, not ";

struct Case {
  std::string arguments;  // FILE: a file whose name is not UTF-8
  int status;
  std::string messages;  // each told once on standard error, split at "|"; "": nothing told
  std::string out = "";  // what standard output holds once; "": nothing
  bool written = false;  // whether FILE is written
};

// The usage goes with a refusal of the arguments' form, not of their values.
std::string U(const std::string& messages) { return messages + "|Usage: skyloom-cli"; }

std::vector<Case> Cases() {
  const std::string folder = FreshFolder("a-folder"), period = " --start 2020-01-01 --end 2020-12-31 --zone GMT";
  const std::string noCusps = " houses have no cusps at latitude 69.65 N, inside the polar circle. Choose one of the ";
  const std::string noTransits = "No transits: There are no transits of this kind in the period specified.\n";
  const std::string place = kBirth + "1985-07-04 --birth-time 14:37 --birth-place ", lmt = " --birth-zone LMT";
  const std::string houses = kBirth + "1990-01-01 --birth-time 12:00 --birth-zone GMT";
  const std::string chart = houses.substr(houses.find(" --start"));
  const std::string berlin = " --birth-place 52.52,13.405", tromso = " --birth-place 69.65,18.95";
  const std::string personalOnly = "is a point of the natal chart: it can only be the natal body (BODY2) of a personal";
  std::vector<Case> cases = {
      {kRun + " --csv FILE", 0, "", kReport, true},
      {kRun + " --html FILE", 0, "", kReport, true},
      {kRun + " --csv -", 0, "", "run,mode,body,second_body,"},
      {kRun + " --ics -", 0, "", "BEGIN:VCALENDAR\r\n"},
      {kRun + " --json -", 0, "", "{\r\n  \"program\": \"Skyloom\""},
      {kRun + " --html - --csv FILE", 0, "", "<center>\r\n<table ", true},
#ifdef SKYLOOM_TIMELINE
      // Drawn without a display; Qt's notices (of no runtime folder, say)
      // stay out of the messages.
      {kRun + " --timeline FILE", 0, "", kReport, true},
      {kRun + " --timeline -", 0, "", "<?xml"},
      {kMars + " --timeline FILE.gif --csv FILE", 2, U("--timeline draws .svg or .png files")},
#else
      {kMars + " --timeline FILE", 2, U("this build has no timeline")},
#endif
      {"--help", 0, "", "Usage: skyloom-cli"},
      // Refused by the window's checks, with the window's message.
      {"world Mars Jupiter --start 2021-02-29 --end 2021-12-31 --csv FILE", 1, "The start date is invalid.\n"},
      {"world Mars Jupiter --start 2020-01-01 --end 2800-01-01 --csv FILE", 1,
       "Show all world transits between Mars and Jupiter: End date is too late\n"},
      {kMars + " --orbs 10,9,6", 1, "Orb values: Orbs must be " + kOrbs},
      // A series is refused before its first run when its orbs are not nested.
      {kMars + " --orbs 2,5,10 --show-all outer --csv FILE", 1, "Orb values: Orbs must be " + kOrbs},
      {"world Jupiter Mars" + period, 1, "Outer planet must be beyond inner planet\n"},
      // The bodies the window does not offer: the nodes never with each
      // other, Chiron from 675 only (its asteroid file), any other name refused.
      {"world 'North Node' 'mean node'" + period + " --csv FILE", 1, "two reckonings of the same point"},
      {"world Chiron Saturn --start 0674-06-01 --end 0700-01-01 --csv FILE", 1,
       "Start date is too early for Chiron.\n"},
      {"world Saturn Ceres" + period, 2, U("Ceres is not offered as the outer planet; choose one of Mercury, ")},
      {"world Ceres Saturn" + period, 2,
       U("Ceres is not offered as the inner planet; choose one of Sun, Mercury, "
         "Venus, Mars, Jupiter, Saturn, Uranus, Neptune, Moon, North Node")},
      {"world Saturn Moon" + period, 2, U("Moon is not offered as the outer planet")},
      {"world Moon Saturn" + period + " --orbs 8,5,2", 1, "Orb values: With Moon the outer orb must be at least 9°.\n"},
      {"world Moon Saturn" + period + " --with-moon", 2, U("--with-moon goes with --show-all every")},
      {kBirth + "1970-01-01 --birth-time 12:00 --birth-zone GMT --show-all inner --with-moon", 2,
       U("--with-moon goes with --show-all every")},
      {kBirth + "1970-01-01 --birth-time 12:00 --birth-zone GMT --show-all every --with-moon --orbs 8,5,2", 1,
       "Orb values: With transiting Moon the outer orb must be at least 9°.\n"},
      {"personal Mars Sun" + period, 1, "Please specify year of birth.\n"},
      {kBirth + "1970-02-29 --birth-time 12:00 --birth-zone Europe/Berlin", 1, "The birth date is invalid.\n"},
      // A birth time the zone repeated or skipped (their messages whole are
      // the checks' table), beyond the years its file lists (2037) by its
      // rule: Python's zoneinfo reads 2150-11-01 01:30 twice, 2150-03-08
      // 02:30 never; nothing is written.
      {kBirth + "2150-11-01 --birth-time 01:30 --birth-zone America/New_York --csv FILE", 1,
       "2150-11-01 01:30 came twice in America/New_York|(EDT), 2150-11-01 05:30 UT|(EST), 2150-11-01 06:30 UT"},
      {kBirth + "2150-03-08 --birth-time 02:30 --birth-zone America/New_York", 1,
       "2150-03-08 02:30 did not exist in America/New_York|went forward from 02:00 to 03:00"},
      {"world Mars Jupiter --start 2020-01-01 --end 2020-12-31 --zone Europe/Berln", 2,
       U("--zone: no zone Europe/Berln in the list or in the time zone database; nearest: Europe/Berlin")},
      // Unusable arguments, refused before any run.
      {kMars + " --frobnicate", 2, U("unknown option --frobnicate")},
      {kMars + " --start 2020-02-01 --csv FILE", 2, U("--start is given twice")},
      {"world Mars Jupiter --start 2020-01-01 --end 2020-12-31 --zone GMT+13:00", 2,
       U("no zone GMT+13:00 in the list, whose offsets run from GMT-11:30 to GMT+11:30")},
      {kMars + " --orbs 10,5,+2", 2, U("--orbs takes three whole degrees")},
      {"world 'North Node' Mercury --start 2020-01-01 --end 2020-12-31 --orbs 10,5,2", 1, "With Mercury the inner"},
      {kMars + " --csv - --json - --ics FILE", 2, U("only one file can go to standard output")},
      {kMars + " --csv x.csv --json x.csv", 2, U("two files are named x.csv")},
      {kMars + " --html --stations", 2, U("--html needs a file name, not --stations\n")},
      {kRun + " --search trine --orbs 9,5,2", 0,
       "skyloom-cli: --search derives the middle and inner orb from the outer one: 9,6,3\n|Dates set to", "\nAspect"},
      {kRun + " --search trine --orbs 9,6,3", 0, "Dates set to", "\nAspect"},
      // The eleven aspects, the minor ones for --search as well.
      {kRun + " --search quincunx", 0, "Dates set to", "\nAspect"},
      {kRun + " --search quintil", 2,
       U("no aspect quintil; choose one of conjunction, opposition, square, trine, sextile, semisextile, semisquare, "
         "quintile, sesquiquadrate, biquintile, quincunx\n")},
      {kRun + " --aspects ALL --csv -", 0, "", "run,mode,"},
      {kMars + " --aspects Quincunx,square", 0, "", kReport},
      {kRun + " --aspects major,trine", 2, U(kAspectsTaken + "major,trine\n")},
      {kRun + " --aspects sextile,", 2, U(kAspectsTaken + "sextile,\n")},
      {kRun + " --aspects ''", 2, U(kAspectsTaken + "\n")},
      {kBirth + "1970-01-01 --birth-time 12:00 --birth-zone Europe/Berln", 2, U("Berln in the|nearest: Europe/Berlin")},
      {kBirth + "1970-1-01 --birth-time 12:00 --birth-zone GMT", 2, U("--birth takes a date as")},
      // Files that cannot be written: told once, with status 3.
      {kRun + " --html /nonexistent/x.html --csv FILE", 3, kNotWritten + "/nonexistent/x.html: No such file"},
      {kRun + " --ics " + folder + " --csv FILE", 3, kNotWritten + folder + ": Is a directory\n"},
      {kRun + " --json /dev/full", 3, kNotWritten + "/dev/full" + kFull, kReport},
      {kRun + " --html /dev/full --csv FILE", 3, kNotWritten + "/dev/full" + kFull, kReport, true},
      {kRun + " --csv FILE >/dev/full", 3, kNotWritten + "standard output" + kFull, "", true},
      {kRun + " --html - >/dev/full", 3, kNotWritten + "standard output" + kFull},
      {"--help >/dev/full", 3, kNotWritten + "standard output" + kFull},
      // A birth place by name gives its zone, read at the birth time; one
      // given wins. Coordinates take a zone or local mean time, to the
      // second: 13.405 × 240 s = 0:53:37, 151.21 × 240 s = 10:04:50,
      // -0.1278 × 240 s = -0:00:31.
      {place + "Berlin", 0, noTransits, "14:37 Europe/Berlin (GMT+2:00) (tropical)\n"},
      {place + "'Paris, FR'", 0, noTransits, "14:37 Europe/Paris (GMT+2:00) (tropical)\n"},
      {place + "'sydney, au'", 0, noTransits, "14:37 Australia/Sydney (GMT+10:00) (tropical)\n"},
      {place + "'Sao Paulo'", 0, noTransits, "14:37 America/Sao_Paulo (GMT-3:00) (tropical)\n"},
      {place + "Berlin --birth-zone GMT", 0, noTransits, "14:37 GMT (tropical)\n"},
      {place + "Berlin" + lmt, 0, noTransits, "14:37 LMT (GMT+0:53:39) (tropical)\n"},
      {place + "52.52,13.405" + lmt, 0, noTransits, "14:37 LMT (GMT+0:53:37) (tropical)\n"},
      {place + "-33.87,151.21" + lmt, 0, noTransits, "14:37 LMT (GMT+10:04:50) (tropical)\n"},
      {kBirth + "1985-07-04 --birth-time 14:37 --birth-place=-33.87,151.21 --birth-zone lmt", 0, noTransits,
       "14:37 LMT (GMT+10:04:50) (tropical)\n"},
      {place + "-33.87,151.21 --birth-zone Australia/Sydney", 0, noTransits,
       "14:37 Australia/Sydney (GMT+10:00) (tropical)\n"},
      {place + "51.5,-0.1278" + lmt, 0, noTransits, "14:37 LMT (GMT-0:00:31) (tropical)\n"},
      {place + "0,0" + lmt, 0, noTransits, "14:37 LMT (GMT) (tropical)\n"},
      {place + "Paris", 2,
       "skyloom-cli: --birth-place: 2 places are called Paris; give the country's code (Paris, FR)"
       "|Île-de-France Region|Texas"},
      {place + "Atlantisqq", 2, "skyloom-cli: --birth-place: no place Atlantisqq in the atlas\n"},
      {place + "'Berlin, Germany'", 2, "two-letter ISO country code (Paris, FR), not Germany"},
      {place + "52.52,13.405", 2, U("coordinates give no zone; give --birth-zone too")},
      {place + "-33.87,151.21", 2, U("coordinates give no zone")},
      {kBirth + "1985-07-04 --birth-time 14:37" + lmt, 2, U("--birth-zone LMT needs --birth-place")},
      {place + "90.5,0 --birth-zone GMT", 2, "the latitude is -90 to 90 and the longitude -180 to 180"},
      {place + "0,-180.01 --birth-zone GMT", 2, "not 0,-180.01\n"},
      {kBirth + "1985-07-04 --birth-time 14:37 --birth-place", 2, U("--birth-place needs a value")},
      {place + "Berlin --birth-place Paris", 2, U("--birth-place is given twice")},
      {kMars + " --birth-place Berlin", 2, U("birth data and --sidereal belong to personal mode")},
      {"places Qqxzvw", 1, "skyloom-cli: no place in the atlas matches Qqxzvw\n"},
      {"places", 2, "places needs a name"},
      {"places Paris >/dev/full", 3, kNotWritten + "standard output" + kFull},
      {"places New York", 0, "", "New York | New York | US | 40.7143 | -74.0060 | America/New_York\n"},
      // The natal points and houses by name (their refusals are the
      // session's tests); the houses that have no cusps inside the polar circles.
      {"personal Saturn Ascendant" + chart + berlin, 0, noTransits, "natal Ascendant, "},
      {"personal Saturn 'cusp 7'" + chart + berlin + " --houses KOCH", 0, noTransits, "natal Cusp 7 (Koch houses), "},
      {"personal Saturn Cusp12" + chart + berlin + " --houses whole-sign", 0, noTransits,
       "natal Cusp 12 (Whole sign houses), "},
      {houses + tromso + " --houses koch --house-ingresses", 1, "Houses: Koch" + noCusps},
      {"personal Ascendant Saturn" + chart + berlin, 2, U("skyloom-cli: Ascendant " + personalOnly)},
      {"world Saturn Midheaven" + period, 2, U("skyloom-cli: Midheaven " + personalOnly)},
      {kMars + " --houses equal", 2, U("skyloom-cli: --houses and --house-ingresses belong to personal mode\n")},
      {houses + berlin + " --houses topocentric", 2,
       U("skyloom-cli: --houses takes one of placidus, koch, regiomontanus, campanus, porphyry, equal, whole-sign, not "
         "topocentric\n")},
      {"personal Saturn 'Cusp 1'" + chart + berlin, 2, U("skyloom-cli: Cusp 1 is not offered as the natal")},
  };
  // A date is YYYY-MM-DD and nothing else.
  for (const char* date :
       {"-5-01-01", "-2020-01-01", "+020-01-01", "0x7e4-01-01", "2020-01-1e3", "0000-01-01", "2020-13-01", "2020-00-10",
        "2020-01-32", "2020-1-01", "2020/01/01", " 2020-01-01", "２０２０-01-01"})
    cases.push_back(
        {"world Mars Jupiter --start '" + std::string(date) + "' --end 2020-12-31", 2, U("--start takes a")});
  for (const char* time : {"24:00", "7:05", "12:60", "-1:00", "12.30"})
    cases.push_back({kBirth + "1970-01-01 --birth-zone GMT --birth-time " + time, 2, U("--birth-time takes HH:MM")});
  return cases;
}

TEST(SkyloomCli, StatusMessagesAndWhatIsWritten) {
  const fs::path file = CliScratch() / "written-\xe9\xff.svg";
  for (Case c : Cases()) {
    for (size_t at = c.arguments.find("FILE"); at != std::string::npos; at = c.arguments.find("FILE"))
      c.arguments.replace(at, 4, Quoted(file));
    fs::remove(file);
    const CliResult r = RunCli(c.arguments, "env -u XDG_RUNTIME_DIR");
    EXPECT_EQ(r.status, c.status) << c.arguments << "\n" << r.err;
    EXPECT_EQ(r.err.empty(), c.messages.empty()) << c.arguments << "\n" << r.err;
    for (const std::string& message : Split(c.messages, '|'))
      if (!message.empty()) {
        EXPECT_EQ(Count(r.err, message), 1u) << c.arguments << "\n" << r.err;
      }
    EXPECT_EQ(Count(r.err, "Usage: "), Count(c.messages, "Usage: ")) << c.arguments << "\n" << r.err;
    if (c.out.empty()) {
      EXPECT_EQ(r.out, "") << c.arguments;
    } else {
      EXPECT_EQ(Count(r.out, c.out), 1u) << c.arguments << "\n" << r.out.substr(0, 400);
    }
    EXPECT_EQ(fs::exists(file), c.written) << c.arguments;
  }
  // Without --zone, or with --zone local, the results are in the machine's
  // zone by its name; one that has no name in the database is taken at its
  // present offset, with a note.
  const CliResult local = RunCli("world Mars Jupiter --start 2020-01-01 --end 2020-12-31", "TZ=Asia/Kolkata");
  EXPECT_EQ(Count(local.out, " Asia/Kolkata\n"), 4u) << local.out;
  EXPECT_EQ(local.err, "");
  EXPECT_EQ(RunCli("world Mars Jupiter --start 2020-01-01 --end 2020-12-31 --zone local", "TZ=:Asia/Kolkata").out,
            local.out);
  const CliResult unnamed = RunCli("world Mars Jupiter --start 2020-01-01 --end 2020-12-31", "TZ=IST-5:30");
  EXPECT_EQ(Count(unnamed.out, " GMT+5:30\n"), 4u) << unnamed.out;
  EXPECT_EQ(Count(unnamed.err, "no name in the time zone database"), 1u) << unnamed.err;
  // A zone beyond the window list's ends is taken as it is, not clamped.
  const CliResult kiritimati =
      RunCli("world Mars Jupiter --start 2020-01-01 --end 2020-12-31", "TZ=Pacific/Kiritimati");
  EXPECT_EQ(Count(kiritimati.out, " Pacific/Kiritimati\n"), 4u) << kiritimati.out;
  EXPECT_EQ(kiritimati.err, "");
}

// The natal position is taken at the birth minute in UT that the named zone
// gives on that date, so a run at that UT with the birth zone GMT exports the
// same natal Moon and transits. Each UT is date(1)'s, for example
// date -u -d 'TZ="Europe/Berlin" 1985-07-04 14:30' gives 12:30 Where the
// offset has seconds the UT has them too, and the natal Moon is swetest's
// at that second (swetest -b1.5.1930 -ut11:40:28 -p1 -fl: 74.6181247; at
// 11:40, where rounding the offset put it, 74.6136).
TEST(SkyloomCli, BirthZoneByItsName) {
  const std::vector<std::vector<std::string>> zones = {
      // birth date, local time, zone; date and time in UT; the offset the title shows
      {"1985-07-04", "14:30", "Europe/Berlin", "1985-07-04", "12:30", "GMT+2:00"},  // summer time
      {"1975-07-04", "14:30", "Europe/Berlin", "1975-07-04", "13:30", "GMT+1:00"},  // none in West Germany 1950-79
      {"1985-07-04", "14:37", "Europe/Berlin", "1985-07-04", "12:37", "GMT+2:00"},  // any minute
      {"1950-01-01", "12:00", "Asia/Kolkata", "1950-01-01", "06:30", "GMT+5:30"},
      {"1970-07-01", "23:59", "America/New_York", "1970-07-02", "03:59", "GMT-4:00"},
      {"1990-06-15", "00:07", "Asia/Kathmandu", "1990-06-14", "18:22", "GMT+5:45"},
      {"2000-01-01", "00:00", "Australia/Lord_Howe", "1999-12-31", "13:00", "GMT+11:00"},  // half an hour of summer
      // birth date, local time, zone; the Moon at that UT to the second (swetest); the offset
      {"1930-05-01", "12:00", "Europe/Amsterdam", "74.6181", "", "GMT+0:19:32"},  // 11:40:28 UT
      {"1950-01-01", "12:00", "Africa/Monrovia", "67.9253", "", "GMT-0:44:30"},   // 12:44:30 UT
      {"1890-07-01", "12:00", "Europe/Berlin", "263.6626", "", "GMT+0:53:28"},    // 11:06:32 UT, local mean time
  };
  for (const auto& z : zones) {
    const std::string named = kBirth + z[0] + " --birth-time " + z[1] + " --birth-zone " + z[2];
    const CliResult report = RunCli(named), json = RunCli(named + " --json -");
    EXPECT_EQ(report.status, 0) << named << "\n" << report.err;
    EXPECT_EQ(Count(report.out, z[1] + " " + z[2] + " (" + z[5] + ") (tropical)\n"), 1u) << report.out;
    if (z[4].empty())
      EXPECT_EQ(Count(json.out, "\"natalLongitude\": " + z[3] + ","), 1u) << named << "\n" << json.out;
    else
      EXPECT_EQ(json.out, RunCli(kBirth + z[3] + " --birth-time " + z[4] + " --birth-zone GMT --json -").out) << named;
  }
  // Summer time by the zone's rule after the years its file lists (2037).
  const std::string later = "personal Saturn Sun --start 2151-01-01 --end 2151-01-31 --zone GMT --birth ";
  for (const auto& [local, universal, offset] :
       {std::tuple{"2150-07-04 --birth-time 12:00", "2150-07-04 --birth-time 16:00", "GMT-4:00"},
        {"2150-01-04 --birth-time 12:00", "2150-01-04 --birth-time 17:00", "GMT-5:00"}}) {
    const CliResult report = RunCli(later + local + " --birth-zone America/New_York");
    EXPECT_EQ(Count(report.out, std::string("America/New_York (") + offset + ")"), 1u) << report.out << report.err;
    EXPECT_EQ(RunCli(later + local + " --birth-zone America/New_York --json -").out,
              RunCli(later + universal + " --birth-zone GMT --json -").out)
        << local;
  }
  // The Moon at 1985-07-04 12:37 UT: 308.5249568 (swetest -b4.7.1985 -ut12:37 -p1 -fl).
  const std::string berlin = RunCli(kBirth + "1985-07-04 --birth-time 14:37 --birth-zone Europe/Berlin --json -").out;
  EXPECT_EQ(Count(berlin, "\"natalLongitude\": 308.5250,"), 1u);
  // A birth place gives the instant of its zone: a city that of its tz name,
  // local mean time that of its offset (13.25° east × 240 s = 53 min).
  EXPECT_EQ(RunCli(kBirth + "1985-07-04 --birth-time 14:37 --birth-place Berlin --json -").out, berlin);
  const std::string mean =
      RunCli(kBirth + "1985-07-04 --birth-time 14:37 --birth-place 50,13.25 --birth-zone LMT --json -").out;
  EXPECT_EQ(mean, RunCli(kBirth + "1985-07-04 --birth-time 13:44 --birth-zone GMT --json -").out);
  EXPECT_NE(mean, RunCli(kBirth + "1985-07-04 --birth-time 13:45 --birth-zone GMT --json -").out);
}

// Run as an unprivileged user, for whom permissions hold: every export
// refuses a read-only file alike, in a folder where it could be replaced
// too; a folder that takes no new file has no room for the temporary, so a
// file in it is not written at all (writing it in place emptied it before
// the run, and a run refused, killed or cut by a full disk left it empty or
// cut), whether or not the run would be refused.
TEST(SkyloomCli, FilePermissionsAreHonoured) {
  const fs::perms readOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
  const std::tuple<const char*, const char*, fs::perms, bool> cases[] = {
      // the option, the file, its permissions (none: no file yet), whether the folder takes no new file
      {"--html", "kept.html", readOnly, false},    {"--ics", "kept.ics", readOnly, false},
      {"--csv", "kept.csv", readOnly, false},      {"--json", "kept.json", readOnly, false},
#ifdef SKYLOOM_TIMELINE
      {"--timeline", "kept.svg", readOnly, false},
#endif
      {"--csv", "open.csv", fs::perms::all, true}, {"--html", "open.html", fs::perms::all, true},
      {"--csv", "new.csv", fs::perms::none, true}, {"--csv", "ours.csv", fs::perms::all, false},
  };
  for (const auto& [option, name, earlier, closed] : cases) {
    for (const bool refused : {false, true}) {
      const fs::path folder = FreshFolder("permissions"), file = folder / name;
      if (earlier != fs::perms::none) {
        std::ofstream(file) << "earlier";
        fs::permissions(file, earlier);
      }
      if (closed) fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_exec);
      // A refused run: the dates of the run are checked after the files are opened.
      const std::string run = refused ? "world Jupiter Saturn --start 2021-02-29 --end 2021-12-31 --zone GMT" : kRun;
      const CliResult r = RunCliUnprivileged(run + " " + option + " " + Quoted(file));
      const bool written = earlier == fs::perms::all && !closed;
      const int status = written ? (refused ? 1 : 0) : 3;
      EXPECT_EQ(r.status, status) << name << "\n" << r.err;
      EXPECT_EQ(r.err, written ? (refused ? "Invalid input: The start date is invalid.\n" : "")
                               : "skyloom-cli: cannot write " + file.string() + ": Permission denied\n");
      EXPECT_EQ(r.out.empty(), status != 0) << name;
      EXPECT_EQ(Slurp(file).find(status == 0 ? "2020-12-21" : "earlier") != std::string::npos,
                earlier != fs::perms::none)
          << name << refused;
      EXPECT_EQ(FilesIn(folder), earlier == fs::perms::none ? 0u : 1u) << name;
    }
  }
}

// A long run stopped in the middle by a signal leaves the earlier files as
// they were, the HTML report it was writing row by row included; one
// stopped by a signal it can handle leaves no temporary behind.
TEST(SkyloomCli, RunsCutOffLeaveTheEarlierFilesWhole) {
  const std::pair<int, int> cuts[] = {{SIGTERM, SIGTERM}, {SIGINT, SIGINT}, {SIGHUP, SIGHUP}, {SIGKILL, SIGKILL}};
  for (const auto& [signal, stoppedBy] : cuts) {
    const fs::path folder = FreshFolder("cut"), html = folder / "report.html", csv = folder / "rows.csv";
    std::ofstream(html) << "earlier html";
    std::ofstream(csv) << "earlier csv";
    const std::string command = "echo $$; exec " + Quoted(CliProgram()) +
                                " world Mercury Jupiter --start 1600-01-01 --end 2799-12-31 --zone GMT --orbs 10,6,3" +
                                " --html " + Quoted(html) + " --csv " + Quoted(csv);
    FILE* out = ::popen(command.c_str(), "r");  // the shell tells its process id, then becomes the program
    int pid = 0;
    ASSERT_EQ(std::fscanf(out, "%d", &pid), 1);
    std::vector<char> rows(40000);
    EXPECT_EQ(std::fread(rows.data(), 1, rows.size(), out), rows.size()) << "the run ended before it was cut";
    ::kill(pid, signal);
    const int status = ::pclose(out);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == stoppedBy) << stoppedBy << ": " << status;
    EXPECT_EQ(Slurp(html) + Slurp(csv), "earlier htmlearlier csv") << stoppedBy;
    EXPECT_TRUE(stoppedBy == SIGKILL || FilesIn(folder) == 2u) << stoppedBy;
  }
}

// Runs with every export at once: one report, HTML table and JSON run for
// each run, the CSV a record for each row of the report (the exports' bytes
// are golden files').
CliResult ExpectExportsTellTheReport(const std::string& arguments, int status, const std::string& err, size_t reports) {
  const auto dir = CliScratch();
  const CliResult r = RunCli(arguments + " --csv " + Quoted(dir / "rows.csv") + " --json " + Quoted(dir / "rows.json") +
                             " --html " + Quoted(dir / "rows.html"));
  EXPECT_EQ(r.status, status) << arguments << "\n" << r.err;
  EXPECT_EQ(r.err, err) << arguments;
  EXPECT_EQ(Count(r.out, "Aspect      | Start "), reports) << arguments;
  EXPECT_EQ(Count(Slurp(dir / "rows.html"), "<table "), reports) << arguments;
  EXPECT_EQ(Count(Slurp(dir / "rows.json"), "\"mode\": "), reports) << arguments;
  size_t rows = 0;
  for (const std::string& line : Split(r.out, '\n'))
    rows +=
        line.size() >= 104 && !line.compare(12, 2, "| ") && !line.compare(102, 2, "| ") && !line.starts_with("Aspect ");
  EXPECT_GT(rows, 0u) << arguments;
  // A run without transits has a record that says so.
  EXPECT_EQ(Count(Slurp(dir / "rows.csv"), "\n"), rows + 1 + Count(r.out, "\nNo transits in this period."))
      << arguments;
  return r;
}

// A Show-all series: eight pairs with Jupiter, Jupiter itself skipped. A
// series that a check cuts short is printed and exported as far as it ran,
// with status 1: natal Pluto has no data after 2099, so the series stops
// there and never reaches the Moon. However long the run, every row is
// printed and exported: Jupiter and Saturn over twelve centuries print three
// times what the window's output box takes (64000 characters), and the great
// conjunctions fall on their published dates (UT), those after the box
// would be full included.
TEST(SkyloomCli, ExportsHoldEveryRow) {
  ExpectExportsTellTheReport("world Mars Jupiter --start 2020-01-01 --end 2020-06-30 --zone GMT --show-all outer", 0,
                             "", 8);
  ExpectExportsTellTheReport(
      "personal Sun Sun --start 2090-01-01 --end 2100-03-31 --zone GMT --birth 1970-01-01 --birth-time 12:00 "
      "--birth-zone GMT --show-all inner",
      1, "Skyloom: End date is too late for Pluto.\n", 8);
  const CliResult r =
      ExpectExportsTellTheReport("world Jupiter Saturn --start 1600-01-01 --end 2799-12-31 --zone GMT", 0, "", 1);
  EXPECT_GT(r.out.size(), 3 * 64000u);
  for (const char* date :
       {"1603-12-18* ", "1623-07-16* ", "1643-02-24* ", "1663-10-16* ", "1682-10-24* ", "1683-02-09*r", "1683-05-18* ",
        "2020-12-21* ", "2040-10-31* ", "2060-04-07* ", "2080-03-15* ", "2100-09-18* "})
    EXPECT_EQ(Count(r.out, std::string("| ") + date + "|"), 1u) << date;
  EXPECT_GT(Count(r.out.substr(r.out.size() - 120), "| 2799-"), 0u) << r.out.substr(r.out.size() - 120);
}

// The whole chart is the nine series of the transiting bodies, in list
// order, whatever body the command names, one report after the other; its
// exports hold all ninety runs. A series cut short ends it, with status 1.
TEST(SkyloomCli, WholeChartIsEverySeriesInOrder) {
  const std::string birth =
      " --start 2024-01-01 --end 2024-12-31 --zone GMT --birth 1985-07-04 --birth-time 06:05 --birth-zone GMT+5:30";
  const std::string separator = "\n" + std::string(119, '-') + "\n";
  std::string series;
  for (const char* body : {"Sun", "Mercury", "Venus", "Mars", "Jupiter", "Saturn", "Uranus", "Neptune", "Pluto"}) {
    const CliResult one = RunCli(std::string("personal ") + body + " Sun" + birth + " --show-all inner");
    ASSERT_EQ(one.status, 0) << body << one.err;
    series += (series.empty() ? "" : separator) + one.out;
  }
  const CliResult chart = RunCli("personal Chiron Moon" + birth + " --show-all every");
  EXPECT_EQ(chart.status, 0) << chart.err;
  EXPECT_EQ(chart.out, series);
  const CliResult csv = RunCli("personal Sun Sun" + birth + " --show-all every --csv -");
  EXPECT_GT(Count(csv.out, "\n90,"), 0u) << "no 90th run";
  EXPECT_EQ(Count(csv.out, "\n91,"), 0u);

  const CliResult cut = RunCli(
      "personal Sun Sun --start 2090-01-01 --end 2100-12-31 --zone GMT --birth 1985-07-04 "
      "--birth-time 06:05 --birth-zone GMT --show-all every");
  EXPECT_EQ(cut.status, 1);
  EXPECT_EQ(Count(cut.err, "End date is too late for Pluto"), 1u) << cut.err;
  EXPECT_EQ(RunCli("world Sun Mars" + std::string(" --start 2024-01-01 --end 2024-12-31 --show-all every")).status, 2);
}

// The Moon as the transiting body, alone and as the series of the whole chart
// asked for with --with-moon: the chart is the nine series and then the
// Moon's, which is what the Moon's own series prints.
TEST(SkyloomCli, WholeChartWithTheMoonEndsWithItsSeries) {
  const std::string birth =
      " --start 2024-01-01 --end 2024-03-31 --zone GMT --birth 1985-07-04 --birth-time 06:05 --birth-zone GMT+5:30";
  const std::string separator = "\n" + std::string(119, '-') + "\n";
  const CliResult chart = RunCli("personal Sun Sun" + birth + " --show-all every");
  ASSERT_EQ(chart.status, 0) << chart.err;
  const CliResult moon = RunCli("personal Moon Sun" + birth + " --show-all inner");
  ASSERT_EQ(moon.status, 0) << moon.err;
  const CliResult withMoon = RunCli("personal Sun Sun" + birth + " --show-all every --with-moon");
  ASSERT_EQ(withMoon.status, 0) << withMoon.err;
  EXPECT_EQ(withMoon.out, chart.out + separator + moon.out);
  EXPECT_EQ(Count(moon.out, "Moon transits of natal "), 10u);
  // A quarter of the Moon to one natal body: about 26 exact aspects.
  const CliResult one = RunCli("personal Moon Venus" + birth + " --csv -");
  ASSERT_EQ(one.status, 0) << one.err;
  EXPECT_GT(Count(one.out, ",exact,"), 20u) << one.out.substr(0, 400);
}

}  // namespace
