// skyloom-cli: the program's main job without a display. Its arguments make
// a request, which the same commands as the window's run through the same
// checks, with the same messages.
//
// The report goes to standard output as it comes; every file the command is
// asked to write is opened before the run and put in place whole after it.
#include <malloc.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "calendar/date_format.h"
#include "cli/arguments.h"
#include "cli/charts.h"
#include "cli/cli_output.h"
#include "cli/completion.h"
#include "engine/bodies.h"
#include "engine/forecast.h"
#include "engine/sky_events.h"
#include "ports/ephemeris.h"
#include "ports/program_folder.h"
#include "report/exports.h"
#include "report/program.h"
#include "runs/after_tables.h"
#include "runs/request_checks.h"
#include "runs/session.h"
#ifdef SKYLOOM_TIMELINE
#include "cli/timeline_file.h"
#include "report/timeline.h"
#endif

namespace {

using namespace skyloom;
using namespace skyloom::cli;

std::string WithLf(const std::string& text) {
  std::string out;
  LineEndFilter filter([&](std::string_view piece) { out.append(piece); });
  filter.Write(text);
  filter.Finish();
  return out;
}

// The HTML report straight into its destination, one table a run.
class HtmlDestination : public HtmlReport {
 public:
  explicit HtmlDestination(Destination& to) : to_(to) {}
  bool BeginTable() override { return true; }
  void Line(std::string_view line) override {
    to_.Write(line);
    to_.Write("\r\n");
  }
  void EndTable() override {}

 private:
  Destination& to_;
};

// The command line's face: messages on standard error as "title: text", the
// report on standard output (unless a file goes there), progress on a
// terminal.
class CliFace : public RunFace {
 public:
  CliFace(const Session& session, LineEndFilter& report, HtmlReport* html)
      : session_(session), report_(report), html_(html), progress_(isatty(STDERR_FILENO) != 0) {}

  void Tell(const Notice& notice) override {
    const std::string title = notice.title.empty() ? ProgramTitle : notice.title;
    std::fprintf(stderr, "%s: %s\n", title.c_str(), WithLf(notice.text).c_str());
    // A result is no refusal; every other message refused the inputs or cut
    // a series short.
    if (notice.title != "No transits") refused_ = true;
  }
  void BeginReport() override {
    // The reports of a series follow one another, a line of dashes between.
    if (reports_++ > 0) report_.Write("\r\n" + std::string(119, '-') + "\r\n");
  }
  void Append(std::string_view text) override { report_.Write(text); }
  bool NextDay(int32_t day) override {
    if (!progress_) return true;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastShown_ < std::chrono::milliseconds(200)) return true;
    lastShown_ = now;
    shownAny_ = true;
    const RunResult& run = session_.Results().back();
    std::fprintf(stderr, "\r%s and %s: %s   ", BodyName(run.bodies[0]).c_str(), BodyName(run.bodies[1]).c_str(),
                 FormatDayNumber(day).c_str());
    std::fflush(stderr);
    return true;
  }
  HtmlReport* Html() override { return html_; }
  void RunFinished(const RunResult& run) override {
    if (runFinished_) runFinished_(run);
  }
  void OnRunFinished(std::function<void(const RunResult&)> take) { runFinished_ = std::move(take); }
  void ClearProgress() {
    if (shownAny_) std::fputs("\r\033[K", stderr);
  }
  bool Refused() const { return refused_; }

 private:
  const Session& session_;
  LineEndFilter& report_;
  HtmlReport* html_;
  bool progress_;
  bool refused_ = false, shownAny_ = false;
  int reports_ = 0;
  std::chrono::steady_clock::time_point lastShown_{};
  std::function<void(const RunResult&)> runFinished_;
};

// Temporaries beside the files being written, removed when the command is
// interrupted; filled once before the run and left alone while it goes on.
std::vector<std::string> gTemporaries;

extern "C" void RemoveTemporariesAndStop(int signal) {
  for (const std::string& path : gTemporaries) ::unlink(path.c_str());
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

#ifdef SKYLOOM_TIMELINE
bool EndsWithLower(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() && AsciiLowerCase(text.substr(text.size() - suffix.size())) == suffix;
}

// The timeline is drawn in memory and written to its destination like any
// other file.
std::string DrawTimeline(const TimelineDrawer& drawer, const std::vector<RunResult>& results,
                         const SkyEventList& events, const ForecastList& forecast, Destination& to) {
  std::string bytes;
  const std::string reason =
      drawer.Draw(BuildTimeline(results, events, forecast), EndsWithLower(to.Path(), ".png"), bytes);
  if (reason.empty()) to.Write(bytes);
  return reason;
}
#endif

void TellNotWritten(const std::string& name, const std::string& reason) {
  std::fprintf(stderr, "skyloom-cli: cannot write %s: %s\n", name.c_str(), reason.c_str());
}

enum FileIndex { kHtml, kIcs, kCsv, kJson, kTimeline };

}  // namespace

int main(int argc, char** argv) {
  // The shell's completion asks the program for its words.
  if (argc == 3 && std::string_view(argv[1]) == "__complete") return PrintCompletionWords(argv[2]) ? kDone : kUnusable;
  // A reader that goes away (a closed pipe) is a write error like any
  // other, told with exit status 3, not a signal that drops the files.
  std::signal(SIGPIPE, SIG_IGN);
  // The runs of a batch or a series take and give back blocks of some
  // hundreds of kilobytes again and again: kept in the heap, not mapped
  // afresh from the system each time, a page fault a page (the allocator
  // raises its own limits only once it has freed a block that large).
  mallopt(M_MMAP_THRESHOLD, 4 << 20);
  mallopt(M_TRIM_THRESHOLD, 8 << 20);
  if (PlacesCommand(argc, argv)) return ListPlaces(argc, argv);
  // The chart collection: its own commands, a run of one of its charts as
  // if its birth data were typed, or a batch over its charts.
  std::vector<std::string> words(argv, argv + argc);
  Arguments args;
  try {
    const std::string store = TakeOption(words, "--chart-store").value_or(DefaultChartStorePath());
    if (words.size() >= 2 && words[1] == "charts") return ChartsCommand(words, store);
    const std::optional<std::string> chart = TakeOption(words, "--chart");
    const std::optional<std::string> batch = TakeOption(words, "--charts");
    if (chart && batch) throw UnusableArguments("--chart and --charts cannot be combined");
    if (batch) {
      // Hundreds of runs over the same days: see UseFittedNutation.
      UseFittedNutation(true);
      return RunChartBatch(words, *batch, store);
    }
    if (chart && !AddChartArguments(words, *chart, store)) return kRefused;
    std::vector<char*> typed;
    for (std::string& w : words) typed.push_back(w.data());
    typed.push_back(nullptr);
    args = ParseArguments(static_cast<int>(words.size()), typed.data());
  } catch (const UnusableArguments& refusal) {
    return TellUnusable(refusal);
  }
  if (args.help) return PrintHelp();
  if (args.version) return PrintVersion();
  const RunRequest& request = args.request;
  for (const std::string& note : args.notes) std::fprintf(stderr, "skyloom-cli: %s\n", note.c_str());
  if (request.search && args.orbsGiven) {
    std::array<int16_t, 3> derived = request.orbs;
    if (!DeriveSearchOrbs(request, derived) && derived != request.orbs)
      std::fprintf(stderr, "skyloom-cli: --search derives the middle and inner orb from the outer one: %d,%d,%d\n",
                   derived[0], derived[1], derived[2]);
  }
  if (args.ambiguousBirth) {
    std::fprintf(stderr, "skyloom-cli: %s\n", args.ambiguousBirth->c_str());
    return kRefused;
  }
  // A series' runs ask for the same days again and again.
  if (request.series != SeriesKind::None) UseFittedNutation(true);
  Session session(ExecutableFolder());
  session.UseJobs(args.jobs);

  // A series is refused before any file is opened when its orbs are not
  // nested.
  if (request.series != SeriesKind::None && !request.search) {
    if (request.orbs[2] < 1 || !(request.orbs[1] <= request.orbs[0] - 2 && request.orbs[2] <= request.orbs[1] - 2)) {
      std::fprintf(stderr, "Orb values: Orbs must be strictly decreasing and differ by at least 2\xC2\xB0.\n");
      return kRefused;
    }
  }

  // Every file is opened before the run: one that cannot be written is told
  // before any work is done.
  StandardOutput standardOutput;
  std::deque<Destination> destinations;  // stays where it is as it grows
  std::array<Destination*, 5> files{};
  const std::array<const std::optional<std::string>*, 5> named{
      &request.files.html, &request.files.ics, &request.files.csv, &request.files.json, &request.files.timeline};
  bool reportToStandardOutput = true;
  for (size_t k = 0; k < named.size(); ++k) {
    if (!*named[k]) continue;
    Destination& d = destinations.emplace_back(**named[k], standardOutput);
    files[k] = &d;
    if (d.ToStandardOutput()) reportToStandardOutput = false;
    const std::string reason = d.Open();
    if (!reason.empty()) {
      TellNotWritten(d.Name(), reason);
      return kNotWritten;
    }
    if (!d.Temporary().empty()) gTemporaries.push_back(d.Temporary());
  }
#ifdef SKYLOOM_TIMELINE
  // The drawing library too: a timeline that cannot be drawn is told before
  // the run as well.
  TimelineDrawer drawer;
  if (files[kTimeline] != nullptr) {
    const std::string reason = drawer.Open(ExecutableFolder());
    if (!reason.empty()) {
      TellNotWritten(files[kTimeline]->Name(), reason);
      return kNotWritten;
    }
  }
#endif
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, RemoveTemporariesAndStop);

  LineEndFilter report([&](std::string_view text) {
    if (reportToStandardOutput) standardOutput.Write(text);
  });
  std::optional<HtmlDestination> html;
  if (files[kHtml] != nullptr) html.emplace(*files[kHtml]);
  CliFace face(session, report, html ? &*html : nullptr);
  // The exports are written as the runs come, so that a long series is not
  // kept whole for them; each begins with the first run, so that a command
  // refused before any run writes nothing, not even to standard output.
  // Only the timeline is drawn from every run at once.
  const std::pair<FileIndex, ExportFormat> exportFiles[] = {
      {kIcs, ExportFormat::ICalendar}, {kCsv, ExportFormat::Csv}, {kJson, ExportFormat::Json}};
  const bool eventsPossible = request.stations || request.ingresses || request.houseIngresses || request.eclipses ||
                              request.lunations || request.voidOfCourse;
  std::array<std::unique_ptr<ExportStream>, 5> exports;
  face.OnRunFinished([&](const RunResult& run) {
    for (const auto& [index, format] : exportFiles) {
      Destination* d = files[index];
      if (d == nullptr) continue;
      if (!exports[index])
        exports[index] = std::make_unique<ExportStream>(
            format, [d](std::string_view piece) { d->Write(piece); }, eventsPossible, ExportTime(),
            request.voidOfCourse);
      exports[index]->Run(run);
    }
  });
  session.KeepTransits(files[kTimeline] != nullptr);

  session.Perform(request, face);
  face.ClearProgress();

  // Stations, ingresses, eclipses, lunations and the void-of-course Moon
  // follow the transit tables, of the bodies and the period the runs had.
  const bool ran = session.RunsStarted() > 0;
  const TablesAfterRuns tables = ran ? TablesOfRuns(session, request) : TablesAfterRuns{};
  const SkyEventList& events = tables.events;
  const ForecastList& forecast = tables.forecast;
  report.Write(TablesText(tables));
  report.Finish();

  if (ran && request.search && !request.keepDates) {
    std::fprintf(stderr, "Dates set to %s and %s\n", FormatDayNumber(session.RunStartDay()).c_str(),
                 FormatDayNumber(session.RunEndDay()).c_str());
  }
  int status = face.Refused() ? kRefused : kDone;
  if (!ran) {
    for (Destination& d : destinations) d.Abandon();
    return kRefused;
  }

  for (size_t k = 0; k < files.size(); ++k) {
    Destination* d = files[k];
    if (d == nullptr) continue;
    std::string reason;
    if (exports[k]) reason = exports[k]->Finish(events, forecast);
#ifdef SKYLOOM_TIMELINE
    if (k == kTimeline && reason.empty()) reason = DrawTimeline(drawer, session.Results(), events, forecast, *d);
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
