// The chart collection on the command line: "skyloom-cli charts ..." keeps
// it, --chart NAME runs one of its charts as if its birth data had been
// typed, --charts all|tag:TAG runs every chart (or those of a tag) one
// after the other, and --chart-store FILE names another collection for any
// of them, wherever it stands.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ports/atlas.h"
#include "store/chart_store.h"

namespace skyloom::cli {

// Takes "--chart-store FILE" (or --chart-store=FILE) out of the words, and
// likewise --chart and --charts: their values, or none. Throws
// UnusableArguments when one is given twice or without its value.
std::optional<std::string> TakeOption(std::vector<std::string>& words, const std::string& option);

// The birth options a chart stands for, as they would be typed: --birth,
// --birth-time, --birth-zone, the place by its coordinates, --sidereal.
std::vector<std::string> ChartArguments(const StoredChart& chart);

// A chart's birth data as texts, as "charts add" and the imports take them.
struct ChartTexts {
  std::string name, date, time, zone, place;
  std::optional<double> latitude, longitude;  // in place of a place's name
  bool sidereal = false;
  std::vector<std::string> tags;
  std::string note;
};
// The chart the texts make, read as a run reads them and passed through the
// checks of a run's birth data; throws StoreError with the reason when they
// make no birth a run can take.
StoredChart CheckedChart(const ChartTexts& texts, const Atlas& atlas);

// The charts a file holds, read whole: a CSV table with a header naming its
// columns, or an AAF file's #A93 and #B93 records. Throws StoreError naming
// the line of the first record that makes no chart. lines: the line each
// chart's record begins on.
std::vector<StoredChart> ReadChartFile(const std::string& text, const Atlas& atlas,
                                       std::vector<size_t>* lines = nullptr);
// The collection as a CSV table that ReadChartFile reads back.
std::string ChartTable(const std::vector<StoredChart>& charts);

// "skyloom-cli charts add|list|remove|import|export ...": words[1] is
// "charts". Returns the exit status.
int ChartsCommand(const std::vector<std::string>& words, const std::string& storePath,
                  const Atlas& atlas = GeonamesAtlas());

// --chart NAME: the chart's birth options after the words; false (told)
// when the collection cannot be read or has no such chart. Throws
// UnusableArguments when birth data is typed as well.
bool AddChartArguments(std::vector<std::string>& words, const std::string& name, const std::string& storePath);

// --charts all|tag:TAG: the run the other words ask for, for each chart
// selected, one report after another. Returns the exit status.
int RunChartBatch(const std::vector<std::string>& words, const std::string& selection, const std::string& storePath);

}  // namespace skyloom::cli
