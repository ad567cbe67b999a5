// skyloom-cli: the program's main job without a display. It sets the
// in-memory window's controls from its arguments and presses the same
// buttons a user would, so every value passes through the window's own
// checks and gets the window's own messages.
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "calendar/date_format.h"
#include "engine/bodies.h"
#include "ports/memory_window.h"
#include "ports/shell.h"
#include "report/exports.h"
#include "report/output_box.h"
#include "ui/main_form.h"
#include "ui/modes.h"
#ifdef SKYLOOM_TIMELINE
#include "ui/qt/timeline_view.h"
#endif

namespace {

using namespace skyloom;

constexpr const char* kUsage =
    "Usage: skyloom-cli world|personal BODY1 BODY2 --start YYYY-MM-DD --end YYYY-MM-DD\n"
    "                   [--orbs OUTER,MIDDLE,INNER] [--zone ZONE]\n"
    "                   [--birth YYYY-MM-DD --birth-time HH:MM --birth-zone ZONE] [--sidereal]\n"
    "                   [--show-all outer|inner] [--search ASPECT [--keep-dates]]\n"
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
    "--start, --end DATE    the period, both days included (YYYY-MM-DD; years 1 to 2799,\n"
    "                       Pluto and the Moon 1600 to 2099); at least 3 days apart.\n"
    "--orbs O,M,I           outer, middle and inner orb in whole degrees (default 10,5,2);\n"
    "                       each at least 2 smaller than the one before.\n"
    "--zone ZONE            zone of the results: GMT, GMT+5:30, GMT-8:00, ... or one of the\n"
    "                       North American abbreviations such as EST/CDT (default: this\n"
    "                       machine's zone).\n"
    "--birth DATE           birth date (personal mode).\n"
    "--birth-time HH:MM     birth time, minutes in steps of 5 (use 12:00 if not known).\n"
    "--birth-zone ZONE      zone of the birth time (use GMT if not known).\n"
    "--sidereal             sidereal instead of tropical zodiac (personal mode).\n"
    "--show-all outer|inner the Show-all series: 'outer' pairs BODY2 with every other body\n"
    "                       (world) or runs every transiting body to natal BODY2 (personal);\n"
    "                       'inner' runs BODY1 to every natal body (personal only).\n"
    "--search ASPECT        the first complete transit of ASPECT (conjunction, opposition,\n"
    "                       square, trine, sextile) after the end date, with the outer orb as\n"
    "                       the search orb; the new dates are told on standard error unless\n"
    "                       --keep-dates is given.\n"
    "--html FILE            also write the report as an HTML table into FILE.\n"
    "--ics FILE             also write the transits as iCalendar events into FILE: an all-day\n"
    "                       event over each transit's outer orb and a one-minute event at\n"
    "                       each exact aspect (in UTC). Importing the file of a new run of\n"
    "                       the same period updates these events instead of doubling them.\n"
    "--csv FILE             also write one CSV record per row of the report into FILE:\n"
    "                       dates as YYYY-MM-DD, exact times in UTC and in the results zone,\n"
    "                       closest approaches in decimal degrees.\n"
    "--json FILE            also write the same records as a JSON document into FILE.\n"
    "                       With FILE - an export goes to standard output in place of the\n"
    "                       report (one export at most).\n"
    "--timeline FILE        also draw the transits as a timeline of their orbs, as the\n"
    "                       window's timeline shows it, into FILE (.svg or .png).\n"
    "\n"
    "The report goes to standard output; each message the window would show goes to\n"
    "standard error as \"title: text\". Exit status: 0 after a run, 1 when a check refused\n"
    "the inputs (no export is then written), 2 for unusable arguments, 3 when an export\n"
    "could not be written (told as \"skyloom-cli: cannot write FILE: reason\").\n"
    "\n"
    "Examples:\n"
    "  skyloom-cli world Jupiter Saturn --start 2020-01-01 --end 2020-12-31 --zone GMT\n"
    "  skyloom-cli personal Saturn Sun --start 2024-01-01 --end 2024-12-31 \\\n"
    "      --birth 1970-03-15 --birth-time 14:30 --birth-zone GMT+1:00 --zone GMT\n"
    "  skyloom-cli world Mars Jupiter --start 2025-01-01 --end 2025-01-31 --search opposition\n";

class NoShell : public Shell {
 public:
  int OpenDocument(const std::string&) override { return 0; }
};

struct Arguments {
  bool world = true;
  std::string body1, body2, start, end;
  std::optional<std::string> orbs, zone, birth, birthTime, birthZone, showAll, search, html;
  std::optional<std::string> ics, csv, json, timeline;
  bool sidereal = false, keepDates = false;
};

[[noreturn]] void Unusable(const std::string& why) {
  std::fprintf(stderr, "skyloom-cli: %s\n%s", why.c_str(), kUsage);
  std::exit(2);
}

std::string Lower(std::string text) { return AsciiLowerCase(std::move(text)); }

Arguments Parse(int argc, char** argv) {
  Arguments a;
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) Unusable(arg + " needs a value");
      return argv[++i];
    };
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      std::fputs("\n", stdout);
      std::fputs(kHelp, stdout);
      std::exit(0);
    } else if (arg == "--start") {
      a.start = value();
    } else if (arg == "--end") {
      a.end = value();
    } else if (arg == "--orbs") {
      a.orbs = value();
    } else if (arg == "--zone") {
      a.zone = value();
    } else if (arg == "--birth") {
      a.birth = value();
    } else if (arg == "--birth-time") {
      a.birthTime = value();
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
    } else if (arg == "--html") {
      a.html = value();
    } else if (arg == "--ics") {
      a.ics = value();
    } else if (arg == "--csv") {
      a.csv = value();
    } else if (arg == "--json") {
      a.json = value();
    } else if (arg == "--timeline") {
      a.timeline = value();
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
  if (a.start.empty() || a.end.empty()) Unusable("--start and --end are needed");
  if (a.showAll && *a.showAll != "outer" && *a.showAll != "inner") Unusable("--show-all takes outer or inner");
  if (a.showAll && a.search) Unusable("--show-all and --search cannot be combined");
  if (a.keepDates && !a.search) Unusable("--keep-dates goes with --search");
  if (a.world && (a.birth || a.birthTime || a.birthZone || a.sidereal))
    Unusable("birth data and --sidereal belong to personal mode");
  if (a.world && a.showAll && *a.showAll == "inner") Unusable("--show-all inner is for personal mode");
  if ((a.ics == "-") + (a.csv == "-") + (a.json == "-") > 1)
    Unusable("only one export can go to standard output");
  return a;
}

struct DateTexts {
  std::string year, month, day;
};

// Splits YYYY-MM-DD into the three box texts as typed; the window's checks
// judge the values (30 February gets the window's own message).
DateTexts SplitDate(const std::string& option, const std::string& text) {
  const size_t from = !text.empty() && text[0] == '-' ? 1 : 0;
  const size_t first = text.find('-', from);
  const size_t second = first == std::string::npos ? first : text.find('-', first + 1);
  if (second == std::string::npos || text.find('-', second + 1) != std::string::npos)
    Unusable(option + " takes a date as YYYY-MM-DD, not " + text);
  return {text.substr(0, first), text.substr(first + 1, second - first - 1), text.substr(second + 1)};
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

void ChooseBody(Window& w, int16_t list, const std::string& name, const char* role) {
  const Control c = Ctl(ControlName::cboPlanet, list);
  const int16_t position = FindEntry(w, c, name);
  if (position < 0) Unusable(name + " is not offered as the " + role + "; choose one of " + Entries(w, c));
  w.SetListIndex(c, position);
}

void ChooseZone(Window& w, int16_t list, const std::string& text, const char* option) {
  const Control c = Ctl(ControlName::cboTimezone, list);
  int16_t position = FindEntry(w, c, text);
  if (position < 0 && w.Value(Ctl(ControlName::chkDisplayNATZabbr)) == 0) {
    // An abbreviation: show the abbreviations, as a user would.
    w.SetValue(Ctl(ControlName::chkDisplayNATZabbr), 1);
    position = FindEntry(w, c, text);
  }
  if (position <= 0) Unusable(std::string(option) + ": no zone " + text + " in the list");
  w.SetListIndex(c, position);
}

void TypeDate(MainForm& form, int16_t date, const DateTexts& d) {
  Window& w = form.GetWindow();
  const std::pair<ControlName, const std::string*> boxes[] = {
      {ControlName::txbYear, &d.year}, {ControlName::txbMonth, &d.month}, {ControlName::txbDay, &d.day}};
  for (const auto& [box, text] : boxes) {
    w.SetText(Ctl(box, date), *text);
    form.LostFocus(Ctl(box, date));
  }
}

std::string WithLf(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

// Writes text to path, "-" meaning standard output. Returns the system's
// reason on failure, else empty.
std::string WriteExport(const std::string& path, const std::string& text) {
  if (path != "-") return WriteFileReplacing(path, text);
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)
    return std::strerror(errno != 0 ? errno : EIO);
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  const Arguments args = Parse(argc, argv);

  MemoryWindow window;
  window.LoadDesign();
  NoShell shell;
  MainForm form(window, shell);
  window.SetMessageBoxHook([&](const MessageBoxRequest& box) {
    const std::string title = box.title.empty() ? ProgramTitle : box.title;
    std::fprintf(stderr, "%s: %s\n", title.c_str(), WithLf(box.text).c_str());
  });
  form.Load();
  FormState& state = form.State();

  window.SetValue(Ctl(args.world ? ControlName::optWorld : ControlName::optPersonal), 1);
  ChooseBody(window, 0, args.body1, args.world ? "inner planet" : "transiting planet");
  ChooseBody(window, 1, args.body2, args.world ? "outer planet" : "natal planet");
  TypeDate(form, 0, SplitDate("--start", args.start));
  TypeDate(form, 1, SplitDate("--end", args.end));

  if (args.orbs) {
    int values[3];
    char tail = 0;
    if (std::sscanf(args.orbs->c_str(), "%d,%d,%d%c", &values[0], &values[1], &values[2], &tail) != 3)
      Unusable("--orbs takes three whole degrees, such as 10,5,2");
    // Set like a restored state: the orb rules are told once, by Start.
    state.FormLoaded = false;
    for (int16_t k = 0; k < 3; ++k) {
      if (values[k] < 1 || values[k] > 15) Unusable("orbs are 1 to 15 degrees");
      window.SetListIndex(Ctl(ControlName::cboOrbs, k), static_cast<int16_t>(values[k] - 1));
    }
    state.FormLoaded = true;
    UpdateSearchOrbLabel(state);
  }
  if (args.zone) ChooseZone(window, 0, *args.zone, "--zone");
  if (args.birth) TypeDate(form, 2, SplitDate("--birth", *args.birth));
  if (args.birthTime) {
    int hour = -1, minute = -1;
    char tail = 0;
    if (std::sscanf(args.birthTime->c_str(), "%d:%d%c", &hour, &minute, &tail) != 2 || hour < 0 || hour > 23 ||
        minute < 0 || minute > 59 || minute % 5 != 0)
      Unusable("--birth-time takes HH:MM with the minutes in steps of 5");
    window.SetListIndex(Ctl(ControlName::cboHour), static_cast<int16_t>(hour + 1));
    window.SetListIndex(Ctl(ControlName::cboMinute), static_cast<int16_t>(minute / 5 + 1));
  }
  if (args.birthZone) ChooseZone(window, 1, *args.birthZone, "--birth-zone");
  if (args.sidereal) window.SetValue(Ctl(ControlName::optSidereal), 1);
  if (args.html) {
    window.SetValue(Ctl(ControlName::chkOutputAsHTML), 1);
    window.QueueFileName(*args.html);
    form.Click(Ctl(ControlName::cmdFile));
  }

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
    const int16_t aspect = FindEntry(window, Ctl(ControlName::cboSearchAspect), *args.search);
    if (aspect < 0) Unusable("no aspect " + *args.search + "; choose one of " +
                             Entries(window, Ctl(ControlName::cboSearchAspect)));
    window.SetListIndex(Ctl(ControlName::cboSearchAspect), aspect);
    window.SetValue(Ctl(ControlName::chkKeepDates), args.keepDates ? 1 : 0);
    form.Click(Ctl(ControlName::cmdSearch));
  } else if (args.showAll) {
    form.Click(Ctl(ControlName::cmdShowAll, *args.showAll == "outer" ? 0 : 1));
  } else {
    form.Click(Ctl(ControlName::cmdStart));
  }
  if (shownAny) std::fputs("\r\033[K", stderr);

  const bool ran = state.RunsStarted > runsBefore;
  using Writer = std::string (*)(const std::vector<RunResult>&);
  const std::pair<const std::optional<std::string>*, Writer> exports[] = {
      {&args.ics, WriteICalendar}, {&args.csv, WriteCsv}, {&args.json, WriteJson}};
  const bool exportToStdout = std::any_of(std::begin(exports), std::end(exports),
                                          [](const auto& e) { return *e.first == "-"; });
  if (!ran || !exportToStdout) {
    const std::string report = WithLf(window.Text(Ctl(ControlName::txbOutput)));
    std::fwrite(report.data(), 1, report.size(), stdout);
  }
  if (ran && args.search && !args.keepDates) {
    std::fprintf(stderr, "Dates set to %s and %s\n", FormatDayNumber(state.RunStartDay).c_str(),
                 FormatDayNumber(state.RunEndDay).c_str());
  }
  if (!ran) return 1;
  int status = 0;
  for (const auto& [path, writer] : exports) {
    if (!*path) continue;
    const std::string reason = WriteExport(**path, writer(state.Results));
    if (reason.empty()) continue;
    const std::string name = **path == "-" ? "standard output" : **path;
    std::fprintf(stderr, "skyloom-cli: cannot write %s: %s\n", name.c_str(), reason.c_str());
    status = 3;
  }
  if (args.timeline) {
#ifdef SKYLOOM_TIMELINE
    std::string reason;
    if (!RenderTimelineFile(state.Results, *args.timeline, reason)) {
      std::fprintf(stderr, "skyloom-cli: cannot write %s: %s\n", args.timeline->c_str(), reason.c_str());
      status = 3;
    }
#else
    std::fprintf(stderr, "skyloom-cli: this build has no timeline (it was built without Qt)\n");
    status = 3;
#endif
  }
  return status;
}
