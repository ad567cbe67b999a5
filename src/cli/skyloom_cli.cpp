// skyloom-cli: the program's main job without a display. It sets the
// in-memory window's controls from its arguments and presses the same
// buttons a user would, so every value passes through the window's own
// checks and gets the window's own messages.
//
// What the window would keep in its output box goes to standard output as
// it comes instead: the box has no capacity to fill, and no copy of a long
// report is kept. Every file the command is asked to write is opened before
// the run and put in place whole after it.
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "calendar/date_format.h"
#include "calendar/time_zones.h"
#include "cli/birth_zone.h"
#include "cli/cli_output.h"
#include "engine/bodies.h"
#include "engine/sky_events.h"
#include "ports/memory_window.h"
#include "ports/shell.h"
#include "report/exports.h"
#include "report/sky_event_report.h"
#include "runs/checks.h"
#include "runs/output_box.h"
#include "runs/run_controller.h"
#include "ui/main_form.h"
#include "ui/modes.h"
#ifdef SKYLOOM_TIMELINE
#include <QtGlobal>

#include "draw/timeline_drawing.h"
#endif

namespace {

using namespace skyloom;
using namespace skyloom::cli;

constexpr int kDone = 0, kRefused = 1, kUnusable = 2, kNotWritten = 3;

constexpr const char* kUsage =
    "Usage: skyloom-cli world|personal BODY1 BODY2 --start YYYY-MM-DD --end YYYY-MM-DD\n"
    "                   [--orbs OUTER,MIDDLE,INNER] [--zone ZONE]\n"
    "                   [--birth YYYY-MM-DD --birth-time HH:MM --birth-zone ZONE] [--sidereal]\n"
    "                   [--show-all outer|inner|every] [--search ASPECT [--keep-dates]]\n"
    "                   [--stations] [--ingresses]\n"
    "                   [--html FILE] [--ics FILE] [--csv FILE] [--json FILE]\n"
    "                   [--timeline FILE.svg|FILE.png]\n";

constexpr const char* kHelp =
    "Computes astrological transits as the Skyloom window does and prints the report.\n"
    "\n"
    "world BODY1 BODY2      two moving bodies: BODY1 the inner (Sun .. Neptune), BODY2 the\n"
    "                       outer (Mercury .. Pluto).\n"
    "personal BODY1 BODY2   BODY1 the transiting body (Sun .. Pluto), BODY2 the natal body\n"
    "                       (Sun .. Pluto, Moon) at the birth given with --birth.\n"
    "                       Bodies by their English names, in any letter case.\n"
    "                       Besides these, \"North Node\" (true node), \"Mean Node\" and\n"
    "                       Chiron may be either body in both modes (a world pair with one\n"
    "                       of them is taken in the order given; the two nodes are never\n"
    "                       paired). Chiron is known from 0675-01-04 only.\n"
    "--start, --end DATE    the period, both days included: YYYY-MM-DD exactly (four-digit\n"
    "                       year, no sign; years 1 to 2799, Pluto and the Moon 1600 to\n"
    "                       2099); at least 3 days apart.\n"
    "--orbs O,M,I           outer, middle and inner orb in whole degrees (default 10,5,2);\n"
    "                       each at least 2 smaller than the one before, in a Show-all\n"
    "                       series too.\n"
    "--zone ZONE            zone of the results, a fixed offset from the window's list: GMT,\n"
    "                       GMT+5:30, GMT-8:00, ... or one of the North American\n"
    "                       abbreviations such as EST/CDT (default: this machine's zone).\n"
    "--birth DATE           birth date (personal mode), YYYY-MM-DD.\n"
    "--birth-time HH:MM     local birth time, any minute from 00:00 to 23:59 (use 12:00 if\n"
    "                       not known).\n"
    "--birth-zone ZONE      zone of the birth time: an offset from the list (use GMT if not\n"
    "                       known), or a tz database name such as Europe/Berlin,\n"
    "                       America/New_York or Asia/Kolkata. A name gives the offset the\n"
    "                       zone kept at the birth time, daylight-saving time and historic\n"
    "                       changes included, and the report's title shows it:\n"
    "                       \"14:30 Europe/Berlin (GMT+2:00)\". A time that the zone repeated\n"
    "                       (clocks set back) or skipped (clocks set forward) that day is\n"
    "                       refused with both readings named: give the offset instead.\n"
    "--sidereal             sidereal instead of tropical zodiac (personal mode).\n"
    "--show-all outer|inner|every\n"
    "                       the Show-all series: 'outer' pairs BODY2 with every other body\n"
    "                       (world) or runs every transiting body to natal BODY2 (personal);\n"
    "                       'inner' runs BODY1 to every natal body (personal only); 'every'\n"
    "                       runs every transiting body to every natal body, the whole chart:\n"
    "                       for each transiting body in list order (Sun .. Pluto) its\n"
    "                       'inner' series, one report after the other (personal only).\n"
    "--search ASPECT        the first complete transit of ASPECT (conjunction, opposition,\n"
    "                       square, trine, sextile) after the end date, with the outer orb as\n"
    "                       the search orb; the new dates are told on standard error unless\n"
    "                       --keep-dates is given.\n"
    "--stations             after the transits, a table of the stations of the moving\n"
    "                       bodies (both in world mode, the transiting one in personal mode)\n"
    "                       in the period: retrograde or direct, local date and minute, and\n"
    "                       the position in the zodiac. Sun, Moon and Mean Node never station.\n"
    "--ingresses            then a table of the same bodies' sign ingresses in the run's\n"
    "                       zodiac: the sign entered, local date and minute, and whether the\n"
    "                       body moves retrograde. Both go into --ics, --csv and --json as\n"
    "                       records of their own, and stations onto the timeline.\n"
    "--html FILE            also write the report as HTML tables into FILE (in a series one\n"
    "                       table for each run).\n"
    "--ics FILE             also write the transits as iCalendar events into FILE: an all-day\n"
    "                       event over each transit's outer orb and a one-minute event at\n"
    "                       each exact aspect (in UTC). Importing the file of a new run of\n"
    "                       the same period updates these events instead of doubling them.\n"
    "--csv FILE             also write one CSV record per row of the report into FILE:\n"
    "                       dates as YYYY-MM-DD, exact times in UTC and in the results zone,\n"
    "                       closest approaches in decimal degrees.\n"
    "--json FILE            also write the same records as a JSON document into FILE.\n"
    "--timeline FILE        also draw the transits as a timeline of their orbs, as the\n"
    "                       window's timeline shows it, into FILE (.svg or .png).\n"
    "\n"
    "Files hold every transit of the run, or of the whole series. A file is named by its\n"
    "bytes as given; one that exists is replaced whole once it is written, unless it may\n"
    "not be written (read-only). With FILE - one of the files (at most one) goes to\n"
    "standard output in place of the report; --timeline - draws SVG.\n"
    "\n"
    "The report goes to standard output as each transit is finished, however long the\n"
    "period; each message the window would show goes to standard error as \"title: text\".\n"
    "Exit status:\n"
    "  0  everything asked was done;\n"
    "  1  a check refused the inputs (nothing is run, no file written), the birth time\n"
    "     fell in an hour the birth zone repeated or skipped, or a check cut a Show-all\n"
    "     series short (what ran is printed and written);\n"
    "  2  unusable arguments, refused before any run;\n"
    "  3  a file, or standard output, could not be written (told once as\n"
    "     \"skyloom-cli: cannot write FILE: reason\"); a file that cannot be opened is\n"
    "     told before the run, and nothing is run.\n"
    "\n"
    "Examples:\n"
    "  skyloom-cli world Jupiter Saturn --start 2020-01-01 --end 2020-12-31 --zone GMT\n"
    "  skyloom-cli personal Saturn Sun --start 2024-01-01 --end 2024-12-31 \\\n"
    "      --birth 1970-03-15 --birth-time 14:37 --birth-zone Europe/Berlin --zone GMT\n"
    "  skyloom-cli world Mars Jupiter --start 2025-01-01 --end 2025-01-31 --search opposition\n";

class NoShell : public Shell {
 public:
  int OpenDocument(const std::string&) override { return 0; }
};

struct DateParts {
  int year = 0, month = 0, day = 0;
  std::string yearText, monthText, dayText;
};

struct Arguments {
  bool world = true;
  std::string body1, body2;
  DateParts start, end;
  std::optional<std::array<int, 3>> orbs;
  std::optional<std::string> zone, birthZone, showAll, search;
  std::optional<DateParts> birth;
  std::optional<int> birthHour, birthMinute;
  // The files, in the order they are written: --html, --ics, --csv, --json, --timeline.
  std::array<std::optional<std::string>, 5> files;
  bool sidereal = false, keepDates = false, stations = false, ingresses = false;
};

enum FileIndex { kHtml, kIcs, kCsv, kJson, kTimeline };
constexpr const char* kFileOptions[] = {"--html", "--ics", "--csv", "--json", "--timeline"};

[[noreturn]] void Unusable(const std::string& why) {
  std::fprintf(stderr, "skyloom-cli: %s\n%s", why.c_str(), kUsage);
  std::exit(kUnusable);
}

std::string Lower(std::string text) { return AsciiLowerCase(std::move(text)); }

bool AllDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// YYYY-MM-DD and nothing else. Month and day are tested against their
// widest ranges here; whether the day exists in that month is the window's
// check, with its own message.
DateParts StrictDate(const std::string& option, const std::string& text) {
  const bool shaped = text.size() == 10 && text[4] == '-' && text[7] == '-' && AllDigits(text.substr(0, 4)) &&
                      AllDigits(text.substr(5, 2)) && AllDigits(text.substr(8, 2));
  DateParts d;
  if (shaped) {
    d.yearText = text.substr(0, 4);
    d.monthText = text.substr(5, 2);
    d.dayText = text.substr(8, 2);
    d.year = std::stoi(d.yearText);
    d.month = std::stoi(d.monthText);
    d.day = std::stoi(d.dayText);
  }
  if (!shaped || d.year == 0 || d.month < 1 || d.month > 12 || d.day < 1 || d.day > 31)
    Unusable(option + " takes a date as YYYY-MM-DD (year 0001 or later, month 01 to 12, day 01 to 31), not " + text);
  return d;
}

std::array<int, 3> StrictOrbs(const std::string& text) {
  std::array<int, 3> orbs{};
  size_t from = 0;
  for (size_t k = 0; k < 3; ++k) {
    const size_t comma = k < 2 ? text.find(',', from) : text.size();
    const std::string part = comma == std::string::npos ? std::string() : text.substr(from, comma - from);
    if (part.size() > 2 || !AllDigits(part)) Unusable("--orbs takes three whole degrees, such as 10,5,2, not " + text);
    orbs[k] = std::stoi(part);
    if (orbs[k] < 1 || orbs[k] > 15) Unusable("orbs are 1 to 15 degrees, not " + text);
    from = comma + 1;
  }
  return orbs;
}

bool EndsWithLower(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() && Lower(text.substr(text.size() - suffix.size())) == suffix;
}

Arguments Parse(int argc, char** argv) {
  Arguments a;
  std::vector<std::string> positional;
  std::set<std::string> seen;
  std::optional<std::string> start, end, birth, birthTime;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) Unusable(arg + " needs a value");
      return argv[++i];
    };
    if (arg == "--help" || arg == "-h") {
      errno = 0;
      std::fputs(kUsage, stdout);
      std::fputs("\n", stdout);
      std::fputs(kHelp, stdout);
      if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0) std::exit(kDone);
      std::fprintf(stderr, "skyloom-cli: cannot write standard output: %s\n", std::strerror(errno != 0 ? errno : EIO));
      std::exit(kNotWritten);
    }
    if (arg.rfind("--", 0) == 0 && !seen.insert(arg).second) Unusable(arg + " is given twice");
    if (arg == "--start") {
      start = value();
    } else if (arg == "--end") {
      end = value();
    } else if (arg == "--orbs") {
      a.orbs = StrictOrbs(value());
    } else if (arg == "--zone") {
      a.zone = value();
    } else if (arg == "--birth") {
      birth = value();
    } else if (arg == "--birth-time") {
      birthTime = value();
    } else if (arg == "--birth-zone") {
      a.birthZone = value();
    } else if (arg == "--sidereal") {
      a.sidereal = true;
    } else if (arg == "--show-all") {
      a.showAll = Lower(value());
    } else if (arg == "--search") {
      a.search = Lower(value());
    } else if (arg == "--keep-dates") {
      a.keepDates = true;
    } else if (arg == "--stations") {
      a.stations = true;
    } else if (arg == "--ingresses") {
      a.ingresses = true;
    } else if (const auto* option = std::find(std::begin(kFileOptions), std::end(kFileOptions), arg);
               option != std::end(kFileOptions)) {
      a.files[static_cast<size_t>(option - std::begin(kFileOptions))] = value();
    } else if (arg.size() > 1 && arg[0] == '-' && arg[1] == '-') {
      Unusable("unknown option " + arg);
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() != 3) Unusable("expected the mode and two bodies");
  const std::string mode = Lower(positional[0]);
  if (mode != "world" && mode != "personal") Unusable("the mode is world or personal, not " + positional[0]);
  a.world = mode == "world";
  a.body1 = positional[1];
  a.body2 = positional[2];
  if (!start || !end) Unusable("--start and --end are needed");
  a.start = StrictDate("--start", *start);
  a.end = StrictDate("--end", *end);
  if (birth) a.birth = StrictDate("--birth", *birth);
  if (birthTime) {
    const std::string& t = *birthTime;
    const bool shaped = t.size() == 5 && t[2] == ':' && AllDigits(t.substr(0, 2)) && AllDigits(t.substr(3, 2));
    if (!shaped || std::stoi(t.substr(0, 2)) > 23 || std::stoi(t.substr(3, 2)) > 59)
      Unusable("--birth-time takes HH:MM from 00:00 to 23:59, not " + t);
    a.birthHour = std::stoi(t.substr(0, 2));
    a.birthMinute = std::stoi(t.substr(3, 2));
  }
  if (a.showAll && *a.showAll != "outer" && *a.showAll != "inner" && *a.showAll != "every")
    Unusable("--show-all takes outer, inner or every");
  if (a.showAll && a.search) Unusable("--show-all and --search cannot be combined");
  if (a.keepDates && !a.search) Unusable("--keep-dates goes with --search");
  if (a.world && (birth || birthTime || a.birthZone || a.sidereal))
    Unusable("birth data and --sidereal belong to personal mode");
  if (a.world && a.showAll && *a.showAll != "outer") Unusable("--show-all " + *a.showAll + " is for personal mode");

  std::set<std::string> named;
  int toStandardOutput = 0;
  for (size_t k = 0; k < a.files.size(); ++k) {
    const std::optional<std::string>& path = a.files[k];
    if (!path) continue;
    if (path->empty()) Unusable(std::string(kFileOptions[k]) + " needs a file name");
    if (*path == "-") {
      ++toStandardOutput;
    } else if (!named.insert(*path).second) {
      Unusable("two files are named " + *path);
    }
  }
  if (toStandardOutput > 1) Unusable("only one file can go to standard output");
  const std::optional<std::string>& timeline = a.files[kTimeline];
#ifndef SKYLOOM_TIMELINE
  if (timeline) Unusable("this build has no timeline (it was built without Qt)");
#endif
  if (timeline && *timeline != "-" && !EndsWithLower(*timeline, ".svg") && !EndsWithLower(*timeline, ".png"))
    Unusable("--timeline draws .svg or .png files, not " + *timeline);
  return a;
}

int16_t FindEntry(Window& w, Control list, const std::string& text) {
  for (int16_t i = 0; i < w.ListCount(list); ++i)
    if (Lower(w.ListItem(list, i)) == Lower(text)) return i;
  return -1;
}

std::string Entries(Window& w, Control list) {
  std::string all;
  for (int16_t i = 0; i < w.ListCount(list); ++i) {
    if (w.ListItem(list, i).empty()) continue;
    if (!all.empty()) all += ", ";
    all += w.ListItem(list, i);
  }
  return all;
}

// The bodies the window does not offer (the nodes and Chiron) are the
// command line's own: the list gets an entry for the one asked for, carrying
// its body number, and the window's commands take it as any other.
void ChooseBody(Window& w, int16_t list, const std::string& name, const char* role) {
  const Control c = Ctl(ControlName::cboPlanet, list);
  int16_t position = FindEntry(w, c, name);
  const BodyIndex extra = BodyByName(name);
  if (position < 0 && extra > LastWindowBody) {
    w.AddItem(c, BodyNames[extra]);
    position = static_cast<int16_t>(w.ListCount(c) - 1);
    w.SetItemData(c, position, extra);
  }
  if (position < 0)
    Unusable(name + " is not offered as the " + role + "; choose one of " + Entries(w, c) + ", " +
             BodyNames[NorthNode] + ", " + BodyNames[MeanNode] + ", " + BodyNames[Chiron]);
  w.SetListIndex(c, position);
}

// The entry of a zone list that reads as text, showing the abbreviations
// first if that is what it takes, as a user would; -1 when there is none.
int16_t FindZone(Window& w, int16_t list, const std::string& text) {
  const Control c = Ctl(ControlName::cboTimezone, list);
  int16_t position = FindEntry(w, c, text);
  if (position < 0 && w.Value(Ctl(ControlName::chkDisplayNATZabbr)) == 0) {
    bool abbreviation = false;
    for (int16_t p = 1; p < TimezoneEntryCount && !abbreviation; ++p)
      abbreviation = Lower(TimezoneText(p, true)) == Lower(text);
    if (abbreviation) {
      w.SetValue(Ctl(ControlName::chkDisplayNATZabbr), 1);
      position = FindEntry(w, c, text);
    }
  }
  return position > 0 ? position : -1;
}

void TypeDate(MainForm& form, int16_t date, const DateParts& d) {
  Window& w = form.GetWindow();
  const std::pair<ControlName, const std::string*> boxes[] = {
      {ControlName::txbYear, &d.yearText}, {ControlName::txbMonth, &d.monthText}, {ControlName::txbDay, &d.dayText}};
  for (const auto& [box, text] : boxes) {
    w.SetText(Ctl(box, date), *text);
    form.LostFocus(Ctl(box, date));
  }
}

std::string WithLf(const std::string& text) {
  std::string out;
  LineEndFilter filter([&](std::string_view piece) { out.append(piece); });
  filter.Write(text);
  filter.Finish();
  return out;
}

bool DayExists(const DateParts& d) {
  static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (d.year % 4 == 0 && d.year % 100 != 0) || d.year % 400 == 0;
  return d.day <= kDays[d.month - 1] && !(d.month == 2 && d.day == 29 && !leap);
}

// The birth zone by its tz database name: the zone list gets an entry of
// the command line's own that reads as the name and the offset used and
// carries that offset, so the natal position and the title both follow it.
// Returns false (with its message told) for a time the zone repeated or
// skipped.
bool ChooseNamedBirthZone(Window& w, const Arguments& args) {
  const std::string& name = *args.birthZone;
  std::string why;
  if (!KnownZoneName(name, why)) Unusable("--birth-zone: " + why);
  // Without a whole, existing birth date and time there is nothing to
  // convert; the window's checks ask for them before they look at the zone.
  if (!args.birth || !args.birthHour || !DayExists(*args.birth)) return true;
  const DateParts& b = *args.birth;
  const BirthOffset offset = OffsetAt(name, b.year, b.month, b.day, *args.birthHour, *args.birthMinute);
  if (offset.kind != BirthOffset::Kind::Unique) {
    std::fprintf(
        stderr, "skyloom-cli: %s\n",
        AmbiguousTimeMessage(name, b.year, b.month, b.day, *args.birthHour, *args.birthMinute, offset).c_str());
    return false;
  }
  const Control list = Ctl(ControlName::cboTimezone, 1);
  w.AddItem(list, name + " (" + OffsetText(offset.seconds) + ")");
  const auto position = static_cast<int16_t>(w.ListCount(list) - 1);
  w.SetItemData(list, position, ZoneMinutesForBirth(*args.birthHour * 60 + *args.birthMinute, offset.seconds));
  w.SetListIndex(list, position);
  return true;
}

// Every minute of the hour, where the window offers steps of five.
void FillMinuteList(Window& w) {
  const Control list = Ctl(ControlName::cboMinute);
  w.ClearList(list);
  w.AddItem(list, "");
  for (int16_t m = 0; m < 60; ++m) {
    w.AddItem(list, std::string{static_cast<char>('0' + m / 10), static_cast<char>('0' + m % 10)});
    w.SetItemData(list, static_cast<int16_t>(m + 1), m);
  }
}

// Temporaries beside the files being written, removed when the command is
// interrupted; filled once before the run and left alone while it goes on.
std::vector<std::string> gTemporaries;

extern "C" void RemoveTemporariesAndStop(int signal) {
  for (const std::string& path : gTemporaries) ::unlink(path.c_str());
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

#ifdef SKYLOOM_TIMELINE
// Draws the timeline into a file of a private temporary folder (the drawing
// code names files by text; the bytes of the file's real name are only ever
// handed to the system) and copies it to its destination.
std::string DrawTimeline(const std::vector<RunResult>& results, const SkyEventList& events, Destination& to) {
  namespace fs = std::filesystem;
  std::error_code ec;
  std::string folder = (fs::temp_directory_path(ec) / "skyloom-XXXXXX").string();
  if (::mkdtemp(folder.data()) == nullptr) return std::strerror(errno);
  const bool png = EndsWithLower(to.Path(), ".png");
  const std::string drawing = folder + (png ? "/timeline.png" : "/timeline.svg");
  std::string reason;
  if (RenderTimelineFile(results, events, drawing, reason)) {
    std::ifstream in(drawing, std::ios::binary);
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0)
      to.Write(std::string_view(buffer, static_cast<size_t>(in.gcount())));
    if (in.bad()) reason = "cannot read back the drawing";
  }
  fs::remove_all(folder, ec);
  // The drawing code names the file it could not write; that is our temporary.
  const std::string prefix = "Cannot write " + drawing + ": ";
  if (reason.rfind(prefix, 0) == 0) reason.erase(0, prefix.size());
  return reason;
}
#endif

void TellNotWritten(const std::string& name, const std::string& reason) {
  std::fprintf(stderr, "skyloom-cli: cannot write %s: %s\n", name.c_str(), reason.c_str());
}

}  // namespace

int main(int argc, char** argv) {
#ifdef SKYLOOM_TIMELINE
  // Qt's notices about its surroundings (no runtime folder, no display) are
  // no concern of the command's; what goes wrong in drawing is told as the
  // timeline's own error.
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) std::fprintf(stderr, "skyloom-cli: %s\n", message.toLocal8Bit().constData());
  });
#endif
  const Arguments args = Parse(argc, argv);

  MemoryWindow window;
  window.LoadDesign();
  NoShell shell;
  MainForm form(window, shell);
  FormState& state = form.State();

  // The window's messages go to standard error. A check's message means the
  // inputs were refused, or a series was cut short; the HTML file's own
  // messages are told as the command's.
  bool refused = false;
  std::optional<std::string> htmlError;
  window.SetMessageBoxHook([&](const MessageBoxRequest& box) {
    if (state.FormLoaded && box.title == window.Text(Ctl(ControlName::cmdFile))) {
      if (!htmlError) htmlError = WithLf(box.text.substr(box.text.rfind('\n') + 1));
      return;
    }
    const std::string title = box.title.empty() ? ProgramTitle : box.title;
    std::fprintf(stderr, "%s: %s\n", title.c_str(), WithLf(box.text).c_str());
    if (box.title != "No transits") refused = true;
  });
  form.Load();

  window.SetValue(Ctl(args.world ? ControlName::optWorld : ControlName::optPersonal), 1);
  ChooseBody(window, 0, args.body1, args.world ? "inner planet" : "transiting planet");
  ChooseBody(window, 1, args.body2, args.world ? "outer planet" : "natal planet");
  TypeDate(form, 0, args.start);
  TypeDate(form, 1, args.end);

  if (args.orbs) {
    // Set like a restored state: the orb rules are told once, by Start.
    state.FormLoaded = false;
    for (int16_t k = 0; k < 3; ++k)
      window.SetListIndex(Ctl(ControlName::cboOrbs, k), static_cast<int16_t>((*args.orbs)[k] - 1));
    state.FormLoaded = true;
    UpdateSearchOrbLabel(state);
  }
  // The results zone first: showing the abbreviations refills both lists.
  if (args.zone) {
    const int16_t position = FindZone(window, 0, *args.zone);
    if (position < 0) Unusable("--zone: no zone " + *args.zone + " in the list");
    window.SetListIndex(Ctl(ControlName::cboTimezone, 0), position);
  }
  if (args.birth) TypeDate(form, 2, *args.birth);
  FillMinuteList(window);
  if (args.birthHour) {
    window.SetListIndex(Ctl(ControlName::cboHour), static_cast<int16_t>(*args.birthHour + 1));
    window.SetListIndex(Ctl(ControlName::cboMinute), static_cast<int16_t>(*args.birthMinute + 1));
  }
  bool birthZoneUsable = true;
  if (args.birthZone) {
    const int16_t position = FindZone(window, 1, *args.birthZone);
    if (position > 0) {
      window.SetListIndex(Ctl(ControlName::cboTimezone, 1), position);
    } else {
      birthZoneUsable = ChooseNamedBirthZone(window, args);
    }
  }
  if (args.sidereal) window.SetValue(Ctl(ControlName::optSidereal), 1);
  if (args.search) {
    const Control aspects = Ctl(ControlName::cboSearchAspect);
    const int16_t aspect = FindEntry(window, aspects, *args.search);
    if (aspect < 0) Unusable("no aspect " + *args.search + "; choose one of " + Entries(window, aspects));
    window.SetListIndex(aspects, aspect);
    window.SetValue(Ctl(ControlName::chkKeepDates), args.keepDates ? 1 : 0);
  }
  if (!birthZoneUsable) return kRefused;

  // A series is refused before any file is opened, with the window's own
  // check and message, when its orbs are not nested.
  if (args.showAll && !CheckOrbsNested(form.State())) return kRefused;

  // Every file is opened before the run: one that cannot be written is told
  // before any work is done.
  StandardOutput standardOutput;
  std::deque<Destination> destinations;  // stays where it is as it grows
  std::array<Destination*, 5> files{};
  bool reportToStandardOutput = true;
  for (size_t k = 0; k < args.files.size(); ++k) {
    if (!args.files[k]) continue;
    Destination& d = destinations.emplace_back(*args.files[k], standardOutput);
    files[k] = &d;
    if (d.ToStandardOutput()) reportToStandardOutput = false;
    const std::string reason = d.Open();
    if (!reason.empty()) {
      TellNotWritten(d.Name(), reason);
      return kNotWritten;
    }
    if (!d.Temporary().empty()) gTemporaries.push_back(d.Temporary());
  }
  for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) std::signal(signal, RemoveTemporariesAndStop);

  HtmlRelay html;
  if (files[kHtml] != nullptr) {
    const std::string reason = html.Start(*files[kHtml]);
    if (!reason.empty()) {
      TellNotWritten(files[kHtml]->Name(), reason);
      return kNotWritten;
    }
    window.SetValue(Ctl(ControlName::chkOutputAsHTML), 1);
    window.QueueFileName(html.Path());
    form.Click(Ctl(ControlName::cmdFile));
  }

  // The report, as the window would append it to its box.
  LineEndFilter report([&](std::string_view text) {
    if (reportToStandardOutput) standardOutput.Write(text);
  });
  window.StreamText(Ctl(ControlName::txbOutput), [&](std::string_view text) { report.Write(text); });

  // Progress on a terminal: the day being computed, as the window's label shows it.
  const bool progress = isatty(STDERR_FILENO) != 0;
  auto lastShown = std::chrono::steady_clock::now();
  bool shownAny = false;
  if (progress) {
    window.SetPendingEventsHook([&] {
      const auto now = std::chrono::steady_clock::now();
      if (now - lastShown < std::chrono::milliseconds(200)) return;
      lastShown = now;
      shownAny = true;
      std::fprintf(stderr, "\r%s and %s: %s   ", BodyNames[state.RunBodies[0]].c_str(),
                   BodyNames[state.RunBodies[1]].c_str(), state.CurrentDayText.c_str());
      std::fflush(stderr);
    });
  }

  const int32_t runsBefore = state.RunsStarted;
  if (args.search) {
    form.Click(Ctl(ControlName::cmdSearch));
  } else if (args.showAll && *args.showAll == "every") {
    state.Results.clear();
    WholeChartCommand(state);
  } else if (args.showAll) {
    form.Click(Ctl(ControlName::cmdShowAll, *args.showAll == "outer" ? 0 : 1));
  } else {
    form.Click(Ctl(ControlName::cmdStart));
  }
  if (shownAny) std::fputs("\r\033[K", stderr);

  // Stations and ingresses follow the transit tables, of the bodies and the
  // period the runs had.
  const bool ran = state.RunsStarted > runsBefore;
  SkyEventList events;
  if (ran && (args.stations || args.ingresses)) {
    events = EventsOfRuns(state.Positions, state.Results, args.stations, args.ingresses);
    report.Write(SkyEventTables(events));
  }
  report.Finish();

  // The window closes its HTML file at the end of each run; the relay then
  // has all of it.
  if (state.OutputFile != nullptr) {
    std::fclose(state.OutputFile);
    state.OutputFile = nullptr;
  }
  html.Finish();

  if (ran && args.search && !args.keepDates) {
    std::fprintf(stderr, "Dates set to %s and %s\n", FormatDayNumber(state.RunStartDay).c_str(),
                 FormatDayNumber(state.RunEndDay).c_str());
  }
  int status = refused ? kRefused : kDone;
  if (!ran) {
    for (Destination& d : destinations) d.Abandon();
    return kRefused;
  }

  using Writer = std::string (*)(const std::vector<RunResult>&, const SkyEventList&);
  const std::pair<FileIndex, Writer> writers[] = {{kIcs, WriteICalendar}, {kCsv, WriteCsv}, {kJson, WriteJson}};
  for (const auto& [index, writer] : writers)
    if (files[index] != nullptr) files[index]->Write(writer(state.Results, events));

  for (size_t k = 0; k < files.size(); ++k) {
    Destination* d = files[k];
    if (d == nullptr) continue;
    std::string reason;
    if (k == kHtml && htmlError) reason = *htmlError;
#ifdef SKYLOOM_TIMELINE
    if (k == kTimeline) reason = DrawTimeline(state.Results, events, *d);
#endif
    if (reason.empty()) {
      reason = d->Commit();
    } else {
      d->Abandon();
    }
    if (reason.empty()) continue;
    TellNotWritten(d->Name(), reason);
    status = kNotWritten;
  }
  if (reportToStandardOutput) {
    const std::string reason = standardOutput.Finish();
    if (!reason.empty()) {
      TellNotWritten("standard output", reason);
      status = kNotWritten;
    }
  }
  return status;
}
