// skyloom-cli run as a separate process: what each kind of argument gets
// (exit status, messages, standard output, files written), birth zones by
// name, files it may not replace, runs cut off in the middle, and its
// exports read back by Python's own parsers.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "support/cli_runner.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono;
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
  std::string out = "";  // what standard output starts with; "": nothing
  bool written = false;  // whether FILE is written
};

std::vector<Case> Cases() {
  const std::string folder = FreshFolder("a-folder"), period = " --start 2020-01-01 --end 2020-12-31 --zone GMT";
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
      {kMars + " --timeline FILE.gif --csv FILE", 2, "--timeline draws .svg or .png files"},
#else
      {kMars + " --timeline FILE", 2, "this build has no timeline"},
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
      {"world Saturn Ceres" + period, 2, "Ceres is not offered as the outer planet; choose one of Mercury, "},
      {"world Ceres Saturn" + period, 2,
       "Ceres is not offered as the inner planet; choose one of Sun, Mercury, "
       "Venus, Mars, Jupiter, Saturn, Uranus, Neptune, Moon, North Node"},
      {"world Saturn Moon" + period, 2, "Moon is not offered as the outer planet"},
      {"world Moon Saturn" + period + " --orbs 8,5,2", 1, "Orb values: With Moon the outer orb must be at least 9°.\n"},
      {"world Moon Saturn" + period + " --with-moon", 2, "--with-moon goes with --show-all every"},
      {kBirth + "1970-01-01 --birth-time 12:00 --birth-zone GMT --show-all inner --with-moon", 2,
       "--with-moon goes with --show-all every"},
      {kBirth + "1970-01-01 --birth-time 12:00 --birth-zone GMT --show-all every --with-moon --orbs 8,5,2", 1,
       "Orb values: With transiting Moon the outer orb must be at least 9°.\n"},
      {"personal Mars Sun" + period, 1, "Please specify year of birth.\n"},
      {kBirth + "1970-02-29 --birth-time 12:00 --birth-zone Europe/Berlin", 1, "The birth date is invalid.\n"},
      // New York set its clocks back at 02:00 on 1970-10-25 and forward at
      // 02:00 on 1970-04-26; the UT of each reading is date(1)'s.
      {kBirth + "1970-10-25 --birth-time 01:30 --birth-zone America/New_York --csv FILE", 1,
       "1970-10-25 01:30 came twice in America/New_York|(EDT), 1970-10-25 05:30 UT|(EST), 1970-10-25 06:30 UT"},
      {kBirth + "1970-04-26 --birth-time 02:30 --birth-zone America/New_York", 1,
       "1970-04-26 02:30 did not exist in America/New_York|from GMT-5:00 (EST) to GMT-4:00 (EDT)"},
      // Beyond the years its file lists (2037) the zone keeps its rule:
      // Python's zoneinfo reads 2150-11-01 01:30 twice, 2150-03-08 02:30 never.
      {kBirth + "2150-11-01 --birth-time 01:30 --birth-zone America/New_York", 1,
       "2150-11-01 01:30 came twice in America/New_York|(EDT), 2150-11-01 05:30 UT|(EST), 2150-11-01 06:30 UT"},
      {kBirth + "2150-03-08 --birth-time 02:30 --birth-zone America/New_York", 1,
       "2150-03-08 02:30 did not exist in America/New_York|went forward from 02:00 to 03:00"},
      {"world Mars Jupiter --start 2020-01-01 --end 2020-12-31 --zone Europe/Berln", 2,
       "--zone: no zone Europe/Berln in the list or in the time zone database; nearest: Europe/Berlin"},
      // Unusable arguments, refused before any run.
      {kMars + " --frobnicate", 2, "unknown option --frobnicate"},
      {kMars + " --start 2020-02-01 --csv FILE", 2, "--start is given twice"},
      {"world Mars Jupiter --start 2020-01-01 --end 2020-12-31 --zone GMT+13:00", 2,
       "no zone GMT+13:00 in the list, whose offsets run from GMT-11:30 to GMT+11:30"},
      {kMars + " --orbs 10,5,+2", 2, "--orbs takes three whole degrees"},
      {"world 'North Node' Mercury --start 2020-01-01 --end 2020-12-31 --orbs 10,5,2", 1, "With Mercury the inner"},
      {kMars + " --csv - --json - --ics FILE", 2, "only one file can go to standard output"},
      {kMars + " --csv x.csv --json x.csv", 2, "two files are named x.csv"},
      {kMars + " --html --stations", 2, "--html needs a file name, not --stations\n"},
      {kRun + " --search trine --orbs 9,5,2", 0,
       "skyloom-cli: --search derives the middle and inner orb from the outer one: 9,6,3\n|Dates set to", "\nAspect"},
      {kRun + " --search trine --orbs 9,6,3", 0, "Dates set to", "\nAspect"},
      // The eleven aspects, the minor ones for --search as well.
      {kRun + " --search quincunx", 0, "Dates set to", "\nAspect"},
      {kRun + " --search quintil", 2,
       "no aspect quintil; choose one of conjunction, opposition, square, trine, sextile, semisextile, semisquare, "
       "quintile, sesquiquadrate, biquintile, quincunx\n"},
      {kRun + " --aspects ALL --csv -", 0, "", "run,mode,"},
      {kMars + " --aspects Quincunx,square", 0, "", kReport},
      {kRun + " --aspects major,trine", 2, kAspectsTaken + "major,trine\n"},
      {kRun + " --aspects sextile,", 2, kAspectsTaken + "sextile,\n"},
      {kRun + " --aspects ''", 2, kAspectsTaken + "\n"},
      {kBirth + "1970-01-01 --birth-time 12:00 --birth-zone Europe/Berln", 2, "Berln in the|nearest: Europe/Berlin"},
      {kBirth + "1970-1-01 --birth-time 12:00 --birth-zone GMT", 2, "--birth takes a date as"},
      // Files that cannot be written: told once, with status 3.
      {kRun + " --html /nonexistent/x.html --csv FILE", 3, kNotWritten + "/nonexistent/x.html: No such file"},
      {kRun + " --ics " + folder + " --csv FILE", 3, kNotWritten + folder + ": Is a directory\n"},
      {kRun + " --json /dev/full", 3, kNotWritten + "/dev/full" + kFull, kReport},
      {kRun + " --html /dev/full --csv FILE", 3, kNotWritten + "/dev/full" + kFull, kReport, true},
      {kRun + " --csv FILE >/dev/full", 3, kNotWritten + "standard output" + kFull, "", true},
      {kRun + " --html - >/dev/full", 3, kNotWritten + "standard output" + kFull},
      {"--help >/dev/full", 3, kNotWritten + "standard output" + kFull},
  };
  // A date is YYYY-MM-DD and nothing else.
  for (const char* date :
       {"-5-01-01", "-2020-01-01", "+020-01-01", "0x7e4-01-01", "2020-01-1e3", "0000-01-01", "2020-13-01", "2020-00-10",
        "2020-01-32", "2020-1-01", "2020/01/01", " 2020-01-01", "２０２０-01-01"})
    cases.push_back({"world Mars Jupiter --start '" + std::string(date) + "' --end 2020-12-31", 2, "--start takes a"});
  for (const char* time : {"24:00", "7:05", "12:60", "-1:00", "12.30"})
    cases.push_back({kBirth + "1970-01-01 --birth-zone GMT --birth-time " + time, 2, "--birth-time takes HH:MM"});
  return cases;
}

TEST(SkyloomCli, StatusMessagesAndWhatIsWritten) {
  const fs::path file = CliScratch() / "written-\xe9\xff.svg";
  for (Case c : Cases()) {
    for (size_t at = c.arguments.find("FILE"); at != std::string::npos; at = c.arguments.find("FILE"))
      c.arguments.replace(at, 4, Quoted(file));
    if (c.status == 2) c.messages += "|Usage: skyloom-cli";
    fs::remove(file);
    const CliResult r = RunCli(c.arguments, "env -u XDG_RUNTIME_DIR");
    EXPECT_EQ(r.status, c.status) << c.arguments << "\n" << r.err;
    EXPECT_EQ(r.err.empty(), c.messages.empty()) << c.arguments << "\n" << r.err;
    for (const std::string& message : Split(c.messages, '|'))
      EXPECT_EQ(Count(r.err, message), 1u) << c.arguments << "\n" << r.err;
    EXPECT_EQ(c.out.empty() ? r.out : r.out.substr(0, c.out.size()), c.out) << c.arguments;
    EXPECT_EQ(fs::exists(file), c.written) << c.arguments;
  }
  const CliResult help = RunCli("--help");
  for (const char* text : {"Exit status:\n  0  ", "\n  1  ", "\n  2  ", "\n  3  ", "Europe/Berlin", "00:00 to 23:59",
                           "--stations ", "--ingresses ", "\"North Node\"", "Chiron", "whose folder takes no new file",
                           "its reader gone early", "The three orbs apply to every aspect alike", "--aspects SET"})
    EXPECT_GT(Count(help.out, text), 0u) << text;
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
  EXPECT_EQ(Count(RunCli(kBirth + "1985-07-04 --birth-time 14:37 --birth-zone Europe/Berlin --json -").out,
                  "\"natalLongitude\": 308.5250,"),
            1u);
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

// Exports read back by Python's csv, json and icalendar. csv, json: each pass's row of the report rebuilt from
// the parsed fields, cells joined by tabs (a closest approach as ~4.6969 degrees); ics: each event's start,
// end, summary and UID. A failure is the only line.
constexpr const char* kScript = R"PY(
import csv, icalendar, json, sys
from datetime import datetime, timezone
assert b'\n' not in open(sys.argv[2], 'rb').read().replace(b'\r\n', b''), 'a line ends without CR LF'
shown = [None, None]  # the run and the aspect of the row before
def mark(date, retrograde):
    assert (date is None) == (retrograde is None) and type(retrograde) in (type(None), bool), (date, retrograde)
    return '' if date is None else date + 'r' * retrograde
def row(run, aspect, entries, low, exits, zone):
    cells = ['' if shown == [run, aspect] else aspect] + [mark(*e) for e in entries] + ['']
    shown[:], value = [run, aspect], ''
    if low is not None:
        assert type(low['retrograde']) is bool and low['kind'] in ('exact', 'closest'), low
        cells[-1] = low['date'] + '*' * (low['kind'] == 'exact') + 'r' * low['retrograde']
        if low['kind'] == 'exact':
            utc = datetime.strptime(low['utc'], '%Y-%m-%dT%H:%MZ').replace(tzinfo=timezone.utc)
            local = datetime.fromisoformat(low['local'])
            assert utc == local and str(local.date()) == low['date'] and low['degrees'] is None, low
            value = local.strftime('%H:%M ') + zone
        else:
            assert low['utc'] is None and low['local'] is None, low
            value = '~' + str(low['degrees'])
    print('\t'.join(cells + [mark(*e) for e in exits] + [value]))
def from_csv(path):
    flags = {'true': True, 'false': False, '': None}
    for r in csv.DictReader(open(path, newline='', encoding='utf-8'), strict=True):
        m = lambda name: (r[name] or None, flags[r[name + '_retrograde']])
        low = {'kind': r['minimum'], 'date': r['minimum_date'], 'retrograde': flags[r['minimum_retrograde']],
               'utc': r['exact_utc'] or None, 'local': r['exact_local'] or None,
               'degrees': float(r['closest_degrees']) if r['closest_degrees'] else None}
        assert r['minimum'] != 'none' or set(low.values()) <= {'none', '', None}, r
        row(r['run'], r['aspect'], [m(o + '_entry') for o in ('outer', 'middle', 'inner')],
            None if r['minimum'] == 'none' else low, [m(o + '_exit') for o in ('inner', 'middle', 'outer')], r['zone'])
def from_json(path):
    m = lambda v: (None, None) if v is None else (v['date'], v['retrograde'])
    for n, run in enumerate(json.load(open(path, encoding='utf-8'))['runs']):
        assert type(run['stopped']) is bool and all(type(o) is int for o in run['orbs']), run
        for t in run['transits']:
            for p in t['passes']:
                low = p['minimum'] and dict(p['minimum'], degrees=p['minimum']['closestDegrees'])
                row(n, t['aspect'], [m(p[o + 'Entry']) for o in ('outer', 'middle', 'inner')], low,
                    [m(p[o + 'Exit']) for o in ('inner', 'middle', 'outer')], run['zone'])
def from_ics(path):
    calendar = icalendar.Calendar.from_ical(open(path, 'rb').read())
    errors = [c.errors for c in calendar.walk() if c.errors]
    assert calendar['VERSION'] == '2.0' and calendar['CALSCALE'] == 'GREGORIAN' and not errors, errors
    for e in calendar.walk('VEVENT'):
        print('\t'.join([e.decoded('DTSTART').isoformat(), e.decoded('DTEND').isoformat(), e['SUMMARY'], e['UID']]))
{'csv': from_csv, 'json': from_json, 'ics': from_ics}[sys.argv[1]](sys.argv[2])
)PY";

std::vector<std::string> ParseExport(const std::string& kind, const fs::path& path) {
  const auto dir = CliScratch();
  std::ofstream(dir / "read_export.py", std::ios::binary) << kScript;
  // Debian's Python, which has the icalendar package, ahead of any other.
  const std::string command = "PATH=/usr/bin:$PATH python3 " + Quoted(dir / "read_export.py") + " " + kind + " " +
                              Quoted(path) + " >" + Quoted(dir / "parsed") + " 2>" + Quoted(dir / "parser.err");
  if (std::system(command.c_str()) != 0) return {"the parser failed: " + Slurp(dir / "parser.err")};
  std::vector<std::string> lines = Split(Slurp(dir / "parsed"), '\n');
  lines.pop_back();  // after the last line's end
  return lines;
}

// The report's rows on standard output as ParseExport gives them: the cells
// cut from their fixed columns.
std::vector<std::string> ReportRows(const std::string& report) {
  std::vector<std::string> rows;
  for (const std::string& line : Split(report, '\n')) {
    if (line.size() < 104 || line.compare(12, 2, "| ") || line.compare(102, 2, "| ") || !line.rfind("Aspect ", 0))
      continue;
    std::string row;
    for (const size_t at : {0, 14, 26, 38, 52, 66, 78, 90}) {
      std::string cell = line.substr(at, 12);
      row += cell.erase(cell.find_last_not_of(' ') + 1) + "\t";
    }
    rows.push_back(row + line.substr(104));
  }
  return rows;
}

// "" when the rows read from an export are the report's, cell for cell; a
// closest approach (~degrees) agrees where it is within the report's rounded
// minute of arc, to the export's precision of 1/10000 degree.
std::string Disagreement(const std::vector<std::string>& exported, const std::vector<std::string>& report) {
  for (size_t i = 0; i < std::max(exported.size(), report.size()); ++i) {
    const std::string a = i < exported.size() ? exported[i] : "-", b = i < report.size() ? report[i] : "-";
    const size_t cut = a.rfind("\t~"), degree = b.rfind("°");
    if (a == b || (cut != std::string::npos && degree != std::string::npos && !a.compare(0, cut, b, 0, cut) &&
                   std::abs(std::stod(a.substr(cut + 2)) * 60 - std::stoi(b.substr(cut + 1)) * 60 -
                            std::stoi(b.substr(degree + 2))) <= 0.506))
      continue;
    return "row " + std::to_string(i + 1) + ":\n  export: " + a + "\n  report: " + b;
  }
  return "";
}

// Runs with every export at once: CSV and JSON give the report's rows, and
// the HTML file and the JSON document one table or run for each report.
CliResult ExpectExportsTellTheReport(const std::string& arguments, int status, const std::string& err, size_t reports) {
  const auto dir = CliScratch();
  const CliResult r = RunCli(arguments + " --csv " + Quoted(dir / "rows.csv") + " --json " + Quoted(dir / "rows.json") +
                             " --html " + Quoted(dir / "rows.html"));
  EXPECT_EQ(r.status, status) << arguments << "\n" << r.err;
  EXPECT_EQ(r.err, err) << arguments;
  EXPECT_EQ(Count(r.out, "Aspect      | Start "), reports) << arguments;
  EXPECT_EQ(Count(Slurp(dir / "rows.html"), "<table "), reports) << arguments;
  EXPECT_EQ(Count(Slurp(dir / "rows.json"), "\"mode\": "), reports) << arguments;
  EXPECT_FALSE(ReportRows(r.out).empty()) << arguments;
  for (const char* kind : {"csv", "json"})
    EXPECT_EQ(Disagreement(ParseExport(kind, dir / (std::string("rows.") + kind)), ReportRows(r.out)), "")
        << kind << ": " << arguments;
  return r;
}

TEST(SkyloomCli, CsvAndJsonTellTheReport) {
  const std::string saturn = "personal Saturn Sun --start 2019-12-01 --end 2021-03-31 --birth-zone GMT --birth ";
  ExpectExportsTellTheReport(saturn + "1990-01-18 --birth-time 08:55 --zone GMT", 0, "", 1);  // a triple pass
  // A closest approach, then an exact pass in the evening west of Greenwich,
  // a day before its UTC date.
  ExpectExportsTellTheReport(saturn + "1990-01-22 --birth-time 17:50 --zone EST/CDT", 0, "", 1);
  ExpectExportsTellTheReport("world Mars Jupiter --start 2020-01-01 --end 2021-12-31 --zone GMT+5:30", 0, "", 1);
  // A Show-all series: eight pairs with Jupiter, Jupiter itself skipped.
  ExpectExportsTellTheReport("world Mars Jupiter --start 2020-01-01 --end 2020-06-30 --zone GMT --show-all outer", 0,
                             "", 8);
  // A series that a check cuts short is printed and exported as far as it
  // ran, with status 1: natal Pluto has no data after 2099, so the series
  // stops there and never reaches the Moon.
  ExpectExportsTellTheReport(
      "personal Sun Sun --start 2090-01-01 --end 2100-03-31 --zone GMT --birth 1970-01-01 --birth-time 12:00 "
      "--birth-zone GMT --show-all inner",
      1, "Skyloom: End date is too late for Pluto.\n", 8);
}

// However long the run, every row is printed and exported: Jupiter and
// Saturn over twelve centuries print three times what the window's output
// box takes (64000 characters), and the great conjunctions fall on their
// published dates (UT), those after the box would be full included.
TEST(SkyloomCli, LongRunsAreWhole) {
  const CliResult r =
      ExpectExportsTellTheReport("world Jupiter Saturn --start 1600-01-01 --end 2799-12-31 --zone GMT", 0, "", 1);
  EXPECT_GT(r.out.size(), 3 * 64000u);
  std::vector<std::string> lows;
  for (const std::string& row : ReportRows(r.out)) lows.push_back(Split(row, '\t')[4]);
  for (const char* date : {"1603-12-18*", "1623-07-16*", "1643-02-24*", "1663-10-16*", "1682-10-24*", "1683-02-09*r",
                           "1683-05-18*", "2020-12-21*", "2040-10-31*", "2060-04-07*", "2080-03-15*", "2100-09-18*"})
    EXPECT_EQ(std::count(lows.begin(), lows.end(), date), 1) << date;
  EXPECT_EQ(lows.empty() ? "" : lows.back().substr(0, 4), "2799");
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

std::string Iso(sys_time<minutes> t, bool withTime) {
  const year_month_day d{floor<days>(t)};
  const int minute = static_cast<int>((t - floor<days>(t)).count());
  char text[40];
  std::snprintf(text, sizeof text, withTime ? "%04d-%02u-%02uT%02d:%02d:00+00:00" : "%04d-%02u-%02u", int{d.year()},
                unsigned{d.month()}, unsigned{d.day()}, minute / 60, minute % 60);
  return text;
}

// The calendar read back by the icalendar package: an event over each
// transit's outer orb from a minute of the day the report enters it to a
// minute of the day it leaves it, in the results zone (from the period's
// first local midnight where already in orb, to the midnight after its last
// day where still in orb), and a one-minute event at each exact aspect at
// the report's time less the zone's offset. The exact events, their UIDs
// included, are the same in any results zone.
// The aspects a run looks for: the five major ones by default and by
// name, the eleven with "all"; each aspect's transits the same whatever
// else is looked for, the sesquiquadrate shortened in the report's column
// only.
TEST(SkyloomCli, AspectsLookedFor) {
  const std::string run = "world Sun Mars --start 2020-01-01 --end 2021-12-31 --zone GMT --orbs 15,13,11";
  const CliResult plain = RunCli(run + " --csv -"), major = RunCli(run + " --aspects major --csv -");
  const CliResult all = RunCli(run + " --aspects all --csv -"), report = RunCli(run + " --aspects all");
  const CliResult named = RunCli(run + " --aspects sesquiquadrate,SQUARE,semisquare --csv -");
  for (const CliResult* r : {&plain, &major, &all, &report, &named}) ASSERT_EQ(r->status, 0) << r->err;
  EXPECT_EQ(major.out, plain.out);
  // The records of some aspects, without the run and transit numbers.
  auto records = [](const std::string& csv, const std::set<std::string>& aspects) {
    std::vector<std::string> kept;
    for (const std::string& line : Split(csv, '\n')) {
      std::vector<std::string> f = Split(line, ',');
      if (f.size() < 9 || !aspects.count(f[6])) continue;
      f[7] = "";
      std::string joined;
      for (const std::string& field : f) joined += field + ",";
      kept.push_back(joined);
    }
    return kept;
  };
  const std::set<std::string> majors{"Conjunction", "Opposition", "Square", "Trine", "Sextile"};
  const std::set<std::string> chosen{"Sesquiquadrate", "Square", "Semisquare"};
  EXPECT_EQ(records(all.out, majors), records(plain.out, majors));
  EXPECT_EQ(records(all.out, chosen), records(named.out, chosen));
  EXPECT_TRUE(records(named.out, {"Conjunction", "Opposition", "Trine", "Sextile", "Quincunx"}).empty());
  for (const char* minor : {"Semisextile", "Semisquare", "Quintile", "Sesquiquadrate", "Biquintile", "Quincunx"}) {
    EXPECT_FALSE(records(all.out, {minor}).empty()) << minor;
    EXPECT_TRUE(records(plain.out, {minor}).empty()) << minor;
  }
  EXPECT_GT(Count(report.out, "\nSesquiquad. | "), 0u);
  EXPECT_EQ(Count(report.out, "Sesquiquadr"), 0u);
  EXPECT_GT(Count(report.out, "\nSemisextile | "), 0u);
}

TEST(SkyloomCli, CalendarTellsTheReportInUtc) {
  struct Run {
    const char *first, *second, *start, *end, *zone;
    int offsetMinutes;
  };
  const Run runs[] = {
      {"Mars", "Jupiter", "2020-01-01", "2021-12-31", "GMT+11:30", 690},
      {"Mars", "Jupiter", "2020-01-01", "2021-12-31", "GMT-11:30", -690},
      {"Venus", "Saturn", "2021-01-01", "2021-06-30", "GMT+5:30", 330},  // still in orb on the last day
  };
  std::vector<std::string> exactEvents[3];
  for (const Run& run : runs) {
    const auto ics = CliScratch() / "events.ics";
    const CliResult r = RunCli(std::string("world ") + run.first + " " + run.second + " --orbs 12,6,2 --start " +
                               run.start + " --end " + run.end + " --zone " + run.zone + " --ics " + Quoted(ics));
    ASSERT_EQ(r.status, 0) << r.err;
    auto day = [](const std::string& iso) {
      return sys_days{year{std::stoi(iso.substr(0, 4))} / std::stoi(iso.substr(5, 2)) / std::stoi(iso.substr(8, 2))};
    };
    std::vector<std::string> want, got;
    std::string aspect, entry;  // of the transit being read
    size_t at = 0;              // its outer orb's event in want
    auto span = [&](const std::string& last) {
      return entry + "\t" + last + "\t" + run.first + " " + aspect + " " + run.second;
    };
    const std::string afterEnd = Iso(day(run.end) + days{1}, false) + "T00:00";
    for (const std::string& row : ReportRows(r.out)) {
      const std::vector<std::string> cells = Split(row, '\t');
      // A transit starts where the aspect changes or the outer orb is entered.
      if (!cells[0].empty() || !cells[1].empty()) {
        if (!cells[0].empty()) aspect = cells[0];
        std::transform(aspect.begin(), aspect.end(), aspect.begin(), ::tolower);
        entry = cells[1].empty() ? std::string(run.start) + "T00:00" : cells[1].substr(0, 10);
        at = want.size();
        want.push_back(span(afterEnd));  // still in orb at the end, unless an exit follows
      }
      if (!cells[7].empty()) want[at] = span(cells[7].substr(0, 10));
      if (cells[4].find('*') == std::string::npos) continue;
      const sys_time<minutes> utc = day(cells[4]) + hours{std::stoi(cells[8].substr(0, 2))} +
                                    minutes{std::stoi(cells[8].substr(3, 2)) - run.offsetMinutes};
      want.push_back(Iso(utc, true) + "\t" + Iso(utc + minutes{1}, true) + "\t" + run.first + " " + aspect + " " +
                     run.second + " exact" +
                     (cells[4].back() == 'r' ? " (" + std::string(run.first) + " retrograde)" : ""));
    }
    // A transit's minutes in the results zone, each as far as the report
    // tells it: the day of an orb crossing, the whole minute of a midnight.
    auto local = [&](const std::string& utc, const std::string& wanted) {
      const sys_time<minutes> t =
          day(utc) + hours{std::stoi(utc.substr(11, 2))} + minutes{std::stoi(utc.substr(14, 2)) + run.offsetMinutes};
      const std::string text = Iso(t, true).substr(0, 16);
      return text.rfind(wanted, 0) == 0 ? wanted : text;
    };
    for (const std::string& event : ParseExport("ics", ics)) {
      std::string kept = event.substr(0, event.rfind('\t'));
      if (event.find(" exact") != std::string::npos) {
        exactEvents[&run - runs].push_back(event);
      } else if (got.size() < want.size()) {
        const std::vector<std::string> wanted = Split(want[got.size()], '\t'), parts = Split(kept, '\t');
        if (wanted.size() == 3 && parts.size() == 3)
          kept = local(parts[0], wanted[0]) + "\t" + local(parts[1], wanted[1]) + "\t" + parts[2];
      }
      got.push_back(kept);
    }
    EXPECT_EQ(got, want) << run.zone << "\n" << Slurp(ics);
  }
  EXPECT_FALSE(exactEvents[0].empty());
  EXPECT_EQ(exactEvents[0], exactEvents[1]);
}

}  // namespace

namespace {

// Stations and ingresses after the transits, in the report and in every
// export, of the moving bodies only, here in a zone east of Greenwich. How
// many there are: Mercury 7 stations and 14 ingresses in 2024 and Chiron 2
// and 0, from the scan of the engine's tests; Jupiter 1 and 1 (retrograde
// on 9 October, into Gemini on 25 May).
TEST(SkyloomCli, StationsAndIngressesFollowTheTransits) {
  const fs::path dir = FreshFolder("sky-events");
  const std::string run = "world Mercury Jupiter --orbs 10,6,3 --start 2024-01-01 --end 2024-12-31 --zone GMT+5:30";
  const std::string files =
      " --csv " + Quoted(dir / "e.csv") + " --json " + Quoted(dir / "e.json") + " --ics " + Quoted(dir / "e.ics");
  const CliResult plain = RunCli(run + " --csv -");
  const CliResult r = RunCli(run + " --stations --ingresses" + files);
  ASSERT_EQ(r.status, 0) << r.err;
  const size_t transits = r.out.find("Opposition  |"),
               stations = r.out.find("\nStations, Jan. 1, 2024, to Dec. 31, 2024 (tropical)\n");
  const size_t ingresses = r.out.find("\nSign ingresses, Jan. 1, 2024, to Dec. 31, 2024 (tropical)\n");
  EXPECT_TRUE(transits < stations && stations < ingresses && ingresses != std::string::npos) << r.out;
  EXPECT_EQ(Count(r.out, "Mercury     | retrograde  | "), 3u);
  EXPECT_EQ(Count(r.out, "Mercury     | direct      | "), 4u);
  // swetest -b5.8.2024 -ut04:53 -n7 -s0.000694444 -p2 -fTls: the speed turns
  // at 04:56:05 UT, at 154.1 degrees; swetest -b9.9.2024 -ut06:49 -n3
  // -s0.000694444 -p2 -fTl: 150 degrees passed at 06:50:08 UT. The report
  // and the local stamps are 5 h 30 min later.
  EXPECT_EQ(Count(r.out,
                  "Mercury     | retrograde  | 2024-08-05  | 10:26 GMT+5:30    | 4\xC2\xB0"
                  "6' Virgo\n"),
            1u);
  EXPECT_EQ(Count(r.out, "Mercury     | Virgo       | 2024-09-09  | 12:20 GMT+5:30    | direct\n"), 1u);
  EXPECT_EQ(Count(r.out, "Mercury     | Leo         | 2024-08-15  | "), 1u);
  EXPECT_EQ(Count(r.out, "Jupiter     | "), 2u);

  // The transit records keep their bytes, the new columns after the
  // transit's own and before the offset of the local time and the orb
  // crossings' minutes, which end both.
  const std::string csv = Slurp(dir / "e.csv");
  std::istringstream plainLines(plain.out), lines(csv);
  std::string want, got;
  size_t transitRows = 0;
  auto fields = [](const std::string& line) {
    std::vector<std::string> out(1);
    for (const char c : line) {
      if (c == ',') {
        out.emplace_back();
      } else if (c != '\r') {
        out.back() += c;
      }
    }
    return out;
  };
  constexpr size_t kTransitColumns = 27, kEventColumns = 7, kLastColumns = 19;
  while (std::getline(plainLines, want) && std::getline(lines, got)) {
    const std::vector<std::string> w = fields(want), g = fields(got);
    ASSERT_EQ(w.size(), kTransitColumns + kLastColumns);
    ASSERT_EQ(g.size(), w.size() + kEventColumns);
    EXPECT_TRUE(std::equal(w.begin(), w.begin() + kTransitColumns, g.begin())) << got;
    EXPECT_TRUE(std::equal(w.end() - kLastColumns, w.end(), g.end() - kLastColumns)) << got;
    transitRows += got.find(",transit,,,,,,,") != std::string::npos ? 1 : 0;
  }
  EXPECT_EQ(transitRows + 1, static_cast<size_t>(std::count(plain.out.begin(), plain.out.end(), '\n')));
  EXPECT_EQ(Count(csv, ",station,"), 8u);
  EXPECT_EQ(Count(csv, ",ingress,"), 15u);
  EXPECT_EQ(Count(csv, ",ingress,Virgo,2024-09-09,2024-09-09T06:50Z,2024-09-09T12:20+05:30,"), 1u);
  const std::string json = Slurp(dir / "e.json");
  EXPECT_EQ(Count(json, "\"kind\": \"station\""), 8u);
  EXPECT_EQ(Count(json, "\"kind\": \"ingress\""), 15u);
  const std::string ics = Slurp(dir / "e.ics");
  EXPECT_EQ(Count(ics, "\r\nSUMMARY:Mercury stations "), 7u);
  EXPECT_EQ(Count(ics, "\r\nSUMMARY:Mercury enters "), 14u);
  EXPECT_EQ(Count(ics, "\r\nDTSTART:20240805T045600Z\r\n"), 1u);

  // A personal run: the transiting body's, never the natal body's.
  const CliResult personal = RunCli(
      "personal Chiron Mercury --start 2024-01-01 --end 2024-12-31 --zone GMT --birth "
      "1970-03-15 --birth-time 12:00 --birth-zone GMT --stations");
  EXPECT_EQ(Count(personal.out, "Chiron      | "), 2u) << personal.out;
  EXPECT_EQ(Count(personal.out, "Mercury     | "), 0u) << personal.out;
  EXPECT_EQ(Count(plain.out + RunCli(run).out, "Stations"), 0u);
}

}  // namespace
