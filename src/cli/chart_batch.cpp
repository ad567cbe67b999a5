// --charts: one run (or series, or whole chart) for every chart of the
// collection selected, in the order "charts list" shows them. Each chart's
// run is a work item of its own that hands back its report and its
// records; they are written as they are taken, so that a batch of
// thousands of charts holds one chart's results at a time.
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <thread>

#include "cli/arguments.h"
#include "cli/charts.h"
#include "cli/cli_output.h"
#include "ports/program_folder.h"
#include "report/exports.h"
#include "runs/after_tables.h"
#include "runs/ordered_work.h"
#include "runs/session.h"

namespace skyloom::cli {

namespace {

// What one chart's run hands back.
struct ChartRun {
  std::string report;    // CR LF line ends
  std::string messages;  // for standard error, each line ending in LF
  std::string csv, json;
  bool refused = false;
};

// Collects a run's report and messages instead of showing them.
class CollectingFace : public RunFace {
 public:
  CollectingFace(ChartRun& run, const std::string& chart) : run_(run), chart_(chart) {}
  void Tell(const Notice& notice) override {
    std::string text = notice.text;
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) text.erase(at, 1);
    run_.messages +=
        chart_ + ": " + (notice.title.empty() ? std::string("Skyloom") : notice.title) + ": " + text + "\n";
    if (notice.title != "No transits") run_.refused = true;
  }
  void BeginReport() override {
    if (reports_++ > 0) run_.report += "\r\n" + std::string(119, '-') + "\r\n";
  }
  void Append(std::string_view text) override { run_.report.append(text); }
  bool NextDay(int32_t) override { return true; }

 private:
  ChartRun& run_;
  const std::string& chart_;
  int reports_ = 0;
};

// The temporaries of the files being written, removed when the batch is
// interrupted; filled before the first chart runs.
std::vector<std::string> gBatchTemporaries;

extern "C" void RemoveBatchTemporariesAndStop(int signal) {
  for (const std::string& path : gBatchTemporaries) ::unlink(path.c_str());
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

std::vector<char*> Argv(std::vector<std::string>& words) {
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  return argv;
}

}  // namespace

int RunChartBatch(const std::vector<std::string>& words, const std::string& selection, const std::string& storePath) {
  std::string tag;
  if (selection.rfind("tag:", 0) == 0) {
    tag = selection.substr(4);
    if (tag.empty()) return TellUnusable(UnusableArguments("--charts tag: needs a tag, as in tag:clients"));
  } else if (selection != "all") {
    return TellUnusable(UnusableArguments("--charts takes all or tag:TAG, not " + selection));
  }
  for (const char* own : {"--birth", "--birth-time", "--birth-zone", "--birth-place", "--sidereal"})
    for (const std::string& w : words)
      if (w == own || w.rfind(std::string(own) + "=", 0) == 0)
        return TellUnusable(UnusableArguments(std::string(own) + " comes from each chart with --charts"));
  // Parsed once without a chart, so that whatever is wrong with the other
  // arguments is told once, before any file is opened.
  std::vector<std::string> probe = words;
  for (const char* w : {"--birth", "2000-01-01", "--birth-time", "12:00", "--birth-zone", "GMT"}) probe.push_back(w);
  Arguments common;
  try {
    std::vector<char*> argv = Argv(probe);
    common = ParseArguments(static_cast<int>(probe.size()), argv.data());
  } catch (const UnusableArguments& refusal) {
    return TellUnusable(refusal);
  }
  if (common.help) return PrintHelp();
  if (common.version) return PrintVersion();
  const RunRequest& shape = common.request;
  if (shape.World()) return TellUnusable(UnusableArguments("--charts runs personal transits, not world ones"));
  if (shape.files.html || shape.files.ics || shape.files.timeline)
    return TellUnusable(UnusableArguments("--charts writes --csv and --json files, not --html, --ics or --timeline"));
  for (const std::string& note : common.notes) std::fprintf(stderr, "skyloom-cli: %s\n", note.c_str());

  std::vector<StoredChart> charts;
  try {
    charts = ChartStore(storePath).List(tag);
  } catch (const StoreError& e) {
    std::fprintf(stderr, "skyloom-cli: %s\n", e.what());
    return kRefused;
  }
  if (charts.empty()) {
    std::fprintf(stderr, "skyloom-cli: the collection %s has no charts%s\n", storePath.c_str(),
                 tag.empty() ? "" : (" tagged " + tag).c_str());
    return kRefused;
  }

  StandardOutput standardOutput;
  std::deque<Destination> destinations;
  Destination* csv = nullptr;
  Destination* json = nullptr;
  bool reportToStandardOutput = true;
  for (auto [name, slot] : {std::pair{&shape.files.csv, &csv}, std::pair{&shape.files.json, &json}}) {
    if (!*name) continue;
    Destination& d = destinations.emplace_back(**name, standardOutput);
    if (d.ToStandardOutput()) reportToStandardOutput = false;
    if (const std::string reason = d.Open(); !reason.empty()) {
      std::fprintf(stderr, "skyloom-cli: cannot write %s: %s\n", d.Name().c_str(), reason.c_str());
      return kNotWritten;
    }
    *slot = &d;
    if (!d.Temporary().empty()) gBatchTemporaries.push_back(d.Temporary());
  }
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, RemoveBatchTemporariesAndStop);
  LineEndFilter report([&](std::string_view text) {
    if (reportToStandardOutput) standardOutput.Write(text);
  });

  const std::string folder = ExecutableFolder();
  // Each thread runs its charts in a session of its own: the Pluto table
  // and the ephemeris files are read once a thread, not once a chart.
  auto work = [&](size_t k) -> ChartRun {
    thread_local std::unique_ptr<Session> session;
    if (!session) {
      session = std::make_unique<Session>(folder);
      // The charts share the period and zone: their transiting bodies' samples serve them all.
      session->KeepSamples(true);
    }
    ChartRun run;
    const StoredChart& chart = charts[k];
    std::vector<std::string> typed = words;
    for (std::string& w : ChartArguments(chart)) typed.push_back(std::move(w));
    Arguments args;
    try {
      std::vector<char*> argv = Argv(typed);
      args = ParseArguments(static_cast<int>(typed.size()), argv.data());
    } catch (const UnusableArguments& refusal) {
      run.messages = chart.name + ": " + refusal.what() + "\n";
      run.refused = true;
      return run;
    }
    if (args.ambiguousBirth) {
      run.messages = chart.name + ": " + *args.ambiguousBirth + "\n";
      run.refused = true;
      return run;
    }
    RunRequest& request = args.request;
    request.chart = chart.name;
    CollectingFace face(run, chart.name);
    const int32_t before = session->RunsStarted();
    session->Perform(request, face);
    if (session->RunsStarted() == before) return run;
    // The same tables after the transits as a single run of the chart.
    const std::vector<RunResult>& results = session->Results();
    const TablesAfterRuns tables = TablesOfRuns(*session, request);
    run.report += TablesText(tables);
    if (csv != nullptr) run.csv = WriteCsv(results, tables.events, tables.forecast, chart.name, true);
    if (json != nullptr) run.json = WriteJsonChart(results, tables.events, tables.forecast, chart.name);
    return run;
  };
  bool refused = false, anyJson = false, anyCsv = false;
  if (json != nullptr) json->Write(BeginJsonCharts());
  auto take = [&](size_t k, ChartRun&& run) {
    if (k > 0 && !run.report.empty()) report.Write("\r\n" + std::string(119, '=') + "\r\n");
    report.Write(run.report);
    std::fputs(run.messages.c_str(), stderr);
    refused = refused || run.refused;
    if (csv != nullptr && !run.csv.empty()) {
      // The header once, from the first chart that ran.
      csv->Write(anyCsv ? std::string_view(run.csv).substr(run.csv.find("\r\n") + 2) : std::string_view(run.csv));
      anyCsv = true;
    }
    if (json != nullptr && !run.json.empty()) {
      json->Write(JsonChartSeparator(!anyJson));
      json->Write(run.json);
      anyJson = true;
    }
    return true;
  };
  // The charts share the threads --jobs gives (every core unless told).
  unsigned jobs = 0;
  for (size_t i = 0; i < words.size(); ++i) {
    if (words[i] == "--jobs" && i + 1 < words.size())
      jobs = static_cast<unsigned>(std::strtoul(words[i + 1].c_str(), nullptr, 10));
    if (words[i].rfind("--jobs=", 0) == 0)
      jobs = static_cast<unsigned>(std::strtoul(words[i].c_str() + 7, nullptr, 10));
  }
  RunInOrder<ChartRun>(charts.size(), WorkerCount(jobs), work, take);
  report.Finish();
  if (json != nullptr) json->Write(EndJsonCharts(anyJson));

  int status = refused ? kRefused : kDone;
  for (Destination& d : destinations) {
    if (const std::string reason = d.Commit(); !reason.empty()) {
      std::fprintf(stderr, "skyloom-cli: cannot write %s: %s\n", d.Name().c_str(), reason.c_str());
      status = kNotWritten;
    }
  }
  if (reportToStandardOutput) {
    if (const std::string reason = standardOutput.Finish(); !reason.empty()) {
      std::fprintf(stderr, "skyloom-cli: cannot write standard output: %s\n", reason.c_str());
      status = kNotWritten;
    }
  }
  return status;
}

}  // namespace skyloom::cli
