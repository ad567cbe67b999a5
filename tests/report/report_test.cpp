// The report's rows written from the engine's data; the tables of sky
// events and of the forecast, whose columns hold their place.
#include "report/report.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "calendar/date_format.h"
#include "ports/program_folder.h"
#include "report/forecast_report.h"
#include "report/sky_event_report.h"
#include "report/timeline.h"
#include "support/cli_cases.h"
#include "support/cli_runner.h"
#include "support/engine_setup.h"
#include "support/text_face.h"

namespace skyloom {
namespace {

constexpr AspectIndex kConjunction = 1, kSquare = 3;

DateMark Mark(int32_t year, int32_t month, int32_t day, bool retrograde = false) {
  return {test::Day(year, month, day), retrograde, {}};
}

MinimumRecord Exact(int32_t year, int32_t month, int32_t day, int16_t minuteOfDay, bool retrograde) {
  MinimumRecord minimum;
  minimum.exact = true;
  minimum.day = test::Day(year, month, day);
  minimum.retrograde = retrograde;
  minimum.minuteOfDay = minuteOfDay;
  minimum.zoneText = "GMT-11:30";
  return minimum;
}

MinimumRecord Closest(int32_t year, int32_t month, int32_t day, double degrees) {
  MinimumRecord minimum;
  minimum.day = test::Day(year, month, day);
  minimum.deviation = OrbRadiansFromDegrees(1) * degrees;
  return minimum;
}

// The rows of one run, in the order handed over, with the lines the output
// box shows for them (in tests/report/cases/rows_of_a_run.txt).
TEST(ReportTableWriter, RowsOfARun) {
  TransitRowData full{kConjunction, {}, {}, {}};
  full.entry = {Mark(2020, 1, 5), Mark(2020, 1, 20, true), Mark(2020, 2, 1, true)};
  full.minimum = Exact(2020, 2, 10, 14 * 60 + 30, true);
  full.exit = {Mark(2020, 3, 9), Mark(2020, 3, 1), Mark(2020, 2, 20, true)};
  TransitRowData approach{kConjunction, {}, Closest(2020, 6, 30, 0.2), {}};
  approach.entry[2] = Mark(2020, 6, 25);
  approach.exit[2] = Mark(2020, 7, 2);
  TransitRowData outerOnly{kConjunction, {}, {}, {}};
  outerOnly.entry[0] = Mark(2021, 1, 1);
  TransitRowData squareExactOnly{kSquare, {}, Exact(2021, 5, 3, 0, false), {}};
  TransitRowData square{kSquare, {}, {}, {}};
  square.exit[0] = Mark(2021, 9, 30, true);

  const std::pair<TransitRowData, RowPlace> handed[] = {
      {full, {true, true}},      {approach, {false, true}}, {outerOnly, {true, true}}, {squareExactOnly, {true, false}},
      {outerOnly, {true, true}}, {square, {true, true}},    {outerOnly, {true, true}}, {square, {false, true}}};
  std::ifstream file(std::string(SKYLOOM_TEST_DIR) + "/report/cases/rows_of_a_run.txt");
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);)
    if (!line.starts_with("#"))
      lines.push_back(line.ends_with("$") ? line.substr(0, line.size() - 1) : "no $: " + line);
  ASSERT_EQ(lines.size(), std::size(handed));
  ReportTableWriter writer;
  for (size_t k = 0; k < lines.size(); ++k)
    EXPECT_EQ(ReportLine(writer.Next(handed[k].first, handed[k].second)), lines[k] + "\r\n") << "row " << k + 1;
}

// The timeline tells, for any row of a run's results, the line the report
// printed for it.
TEST(ReportTableWriter, TimelineRowTextsAreTheReportsLines) {
  for (const BodyIndex outer : {Mercury, Mars}) {
    Session session(ExecutableFolder());
    test::TextFace face;
    ASSERT_TRUE(session.Start(test::WorldRequest(Sun, outer, 2020, 2022), face));
    std::istringstream output(face.text);
    std::string line;
    for (int header = 0; header < 3; ++header) std::getline(output, line);
    ASSERT_EQ(session.Results().size(), 1u);
    const RunResult& run = session.Results()[0];
    size_t rows = 0;
    for (size_t t = 0; t < run.transits.size(); ++t) {
      for (size_t p = 0; p < run.transits[t].passes.size(); ++p, ++rows) {
        ASSERT_TRUE(std::getline(output, line));
        EXPECT_EQ(ReportRowText(run, t, p) + "\r", line) << "transit " << t << " row " << p;
      }
    }
    EXPECT_GT(rows, 10u);
    EXPECT_FALSE(std::getline(output, line)) << line;
  }
}

// Counted in characters: "°" is two bytes and one character.
size_t Characters(const std::string& text) {
  size_t n = 0;
  for (const char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

// The natal contacts start in one column for every position, the widest
// ("29°59' Sagittarius") included.
TEST(ForecastReport, ContactsColumnHoldsItsPlaceForEveryPosition) {
  InitDateNames();
  const double degree = TwoPi / 360.0;
  const double longitudes[] = {0.5, 29.99, 269.99, 279.5, 339.0};  // Aries .. Pisces, 1 and 2 digits
  ForecastList list;
  list.lunationsAsked = list.personal = true;
  list.firstDay = list.lastDay = 2460321;
  list.zone = Zone::Fixed(0, "GMT");
  for (const double l : longitudes) {
    Lunation& lunation = list.lunations.emplace_back();
    lunation.at.local.day = 2460321;
    lunation.longitude = l * degree;
    lunation.contacts = {{Sun, Opposition, 7.72 * degree}};
  }
  const std::string tables = ForecastTables(list);
  size_t column = 0, rows = 0;
  for (size_t at = 0; (at = tables.find("new Moon", at)) != std::string::npos; ++at) {
    const std::string line = tables.substr(at, tables.find("\r\n", at) - at);
    const size_t contact = line.find("| opposition natal Sun 7°43'");
    ASSERT_NE(contact, std::string::npos) << line;
    const size_t here = Characters(line.substr(0, contact));
    if (rows++ == 0) column = here;
    EXPECT_EQ(here, column) << line;
  }
  EXPECT_EQ(rows, 5u) << tables;
}

TEST(SkyEventReport, TimeCellsOfNamedZones) {
  InitDateNames();
  for (const test::CaseLine& c : test::ReadCliCases("report/cases/time_cells.txt")) {
    const int32_t offset = std::stoi(c[1]);
    SkyEventList list;
    list.stationsAsked = true;
    list.firstDay = 2460311;
    list.lastDay = 2460676;
    list.zone = Zone::Named(c[0]).value_or(Zone::Fixed(offset, c[0]));
    SkyEvent station{.body = Mercury, .instant = {}, .day = 2460403, .minuteOfDay = 14, .offsetSeconds = offset};
    station.retrograde = true;
    list.stations = {station};
    const std::string tables = SkyEventTables(list);
    EXPECT_EQ(test::Count(tables, c[2]), 1u) << c.where << "\n" << tables;
    EXPECT_EQ(test::Count(tables, c[3]), 1u) << c.where << "\n" << tables;
  }
}

}  // namespace
}  // namespace skyloom
