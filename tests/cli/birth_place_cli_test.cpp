// skyloom-cli's birth places: --birth-place by name (the zone then comes
// with it) and by coordinates (negative ones in both spellings), local mean
// time, the refusals with their candidates, and the places listing.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/cli_runner.h"

namespace {

using namespace skyloom::test;

const std::string kBirth =
    "personal Saturn Sun --start 2024-01-01 --end 2024-01-31 --zone GMT --birth 1985-07-04 --birth-time 14:37 ";

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

struct Case {
  std::string arguments;  // after kBirth
  int status;
  std::vector<std::string> err;  // each told once on standard error
  std::string title = "";        // what the report's title shows of the birth zone
};

TEST(BirthPlaceCli, PlacesGiveCoordinatesAndZones) {
  const Case cases[] = {
      // A city gives its zone, read at the birth time (summer time in July).
      {"--birth-place Berlin", 0, {}, "14:37 Europe/Berlin (GMT+2:00) (tropical)"},
      {"--birth-place 'Paris, FR'", 0, {}, "14:37 Europe/Paris (GMT+2:00) (tropical)"},
      {"--birth-place 'sydney, au'", 0, {}, "14:37 Australia/Sydney (GMT+10:00) (tropical)"},
      {"--birth-place 'Sao Paulo'", 0, {}, "14:37 America/Sao_Paulo (GMT-3:00) (tropical)"},
      // A zone given wins over the city's.
      {"--birth-place Berlin --birth-zone GMT", 0, {}, "14:37 GMT (tropical)"},
      {"--birth-place Berlin --birth-zone LMT", 0, {}, "14:37 LMT (GMT+0:53:39) (tropical)"},
      // Coordinates with a zone, or local mean time, to the second:
      // 13.405 × 240 s = 3217.2 s = 0:53:37; 151.21 × 240 s = 36290.4 s = 10:04:50;
      // -0.1278 × 240 s = -30.672 s = -0:00:31.
      {"--birth-place 52.52,13.405 --birth-zone LMT", 0, {}, "14:37 LMT (GMT+0:53:37) (tropical)"},
      {"--birth-place -33.87,151.21 --birth-zone LMT", 0, {}, "14:37 LMT (GMT+10:04:50) (tropical)"},
      {"--birth-place=-33.87,151.21 --birth-zone lmt", 0, {}, "14:37 LMT (GMT+10:04:50) (tropical)"},
      {"--birth-place -33.87,151.21 --birth-zone Australia/Sydney",
       0,
       {},
       "14:37 Australia/Sydney (GMT+10:00) (tropical)"},
      {"--birth-place 51.5,-0.1278 --birth-zone LMT", 0, {}, "14:37 LMT (GMT-0:00:31) (tropical)"},
      {"--birth-place 0,0 --birth-zone LMT", 0, {}, "14:37 LMT (GMT) (tropical)"},
      // Refused: a name several cities carry, with each of them.
      {"--birth-place Paris",
       2,
       {"skyloom-cli: --birth-place: 2 places are called Paris; give the country's code (Paris, FR)",
        "\nParis | Île-de-France Region | FR | 48.8534 | 2.3488 | Europe/Paris\n",
        "\nParis | Texas | US | 33.6609 | -95.5555 | America/Chicago\n"}},
      {"--birth-place Atlantisqq", 2, {"skyloom-cli: --birth-place: no place Atlantisqq in the atlas\n"}},
      {"--birth-place 'Berlin, Germany'", 2, {"two-letter ISO country code (Paris, FR), not Germany"}},
      // Coordinates give no zone; LMT needs a place; the globe has its bounds.
      {"--birth-place 52.52,13.405", 2, {"coordinates give no zone; give --birth-zone too", "Usage: skyloom-cli"}},
      {"--birth-place -33.87,151.21", 2, {"coordinates give no zone"}},
      {"--birth-zone LMT", 2, {"--birth-zone LMT needs --birth-place", "Usage: skyloom-cli"}},
      {"--birth-place 90.5,0 --birth-zone GMT", 2, {"the latitude is -90 to 90 and the longitude -180 to 180"}},
      {"--birth-place 0,-180.01 --birth-zone GMT", 2, {"not 0,-180.01\n"}},
      {"--birth-place", 2, {"--birth-place needs a value"}},
      {"--birth-place Berlin --birth-place Paris", 2, {"--birth-place is given twice"}},
  };
  for (const Case& c : cases) {
    const CliResult r = RunCli(kBirth + c.arguments);
    EXPECT_EQ(r.status, c.status) << c.arguments << "\n" << r.err;
    for (const std::string& message : c.err) EXPECT_EQ(Count(r.err, message), 1u) << c.arguments << "\n" << r.err;
    if (c.err.empty()) {
      EXPECT_EQ(r.err, "No transits: There are no transits of this kind in the period specified.\n") << c.arguments;
    }
    if (!c.title.empty()) {
      EXPECT_EQ(Count(r.out, c.title + "\n"), 1u) << c.arguments << "\n" << r.out;
    }
    if (c.status != 0) {
      EXPECT_EQ(r.out, "") << c.arguments;
    }
  }
  const CliResult world = RunCli("world Mars Jupiter --start 2020-01-01 --end 2020-12-31 --birth-place Berlin");
  EXPECT_EQ(world.status, 2);
  EXPECT_EQ(Count(world.err, "birth data and --sidereal belong to personal mode"), 1u) << world.err;
}

// The natal position is taken at the instant the place's zone gives: a city
// the same as its tz name, local mean time the same as the offset it comes
// to (13.25° east × 240 s = 3180 s = 53 min, a whole minute, so 14:37 there
// is 13:44 UT).
TEST(BirthPlaceCli, NatalPositionIsTakenInThePlacesZone) {
  const std::string json = " --json -";
  const std::string moon = "personal Saturn Moon --start 2024-01-01 --end 2024-01-31 --zone GMT --birth 1985-07-04 ";
  EXPECT_EQ(RunCli(moon + "--birth-time 14:37 --birth-place Berlin" + json).out,
            RunCli(moon + "--birth-time 14:37 --birth-zone Europe/Berlin" + json).out);
  auto natal = [](const std::string& out) {
    const size_t at = out.find("\"natalLongitude\": ");
    return at == std::string::npos ? std::string() : out.substr(at, out.find(',', at) - at);
  };
  const std::string mean =
      natal(RunCli(moon + "--birth-time 14:37 --birth-place 50,13.25 --birth-zone LMT" + json).out);
  EXPECT_FALSE(mean.empty());
  EXPECT_EQ(mean, natal(RunCli(moon + "--birth-time 13:44 --birth-zone GMT" + json).out));
  EXPECT_NE(mean, natal(RunCli(moon + "--birth-time 13:45 --birth-zone GMT" + json).out));
}

TEST(BirthPlaceCli, PlacesListsTheAtlasMatches) {
  const CliResult paris = RunCli("places Paris");
  EXPECT_EQ(paris.status, 0) << paris.err;
  EXPECT_EQ(paris.err, "");
  const std::vector<std::string> lines = Lines(paris.out);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "Paris | Île-de-France Region | FR | 48.8534 | 2.3488 | Europe/Paris");
  EXPECT_EQ(lines[1], "Paris | Texas | US | 33.6609 | -95.5555 | America/Chicago");
  for (const std::string& line : lines) EXPECT_EQ(Count(line, " | "), 5u) << line;

  // The words of a query are one name; a country's code keeps its places only.
  const CliResult york = RunCli("places New York");
  EXPECT_EQ(Lines(york.out).at(0), "New York | New York | US | 40.7143 | -74.0060 | America/New_York");
  const CliResult sydney = RunCli("places 'Sydney, AU'");
  EXPECT_EQ(sydney.out, "Sydney | New South Wales | AU | -33.8678 | 151.2073 | Australia/Sydney\n");

  const CliResult none = RunCli("places Qqxzvw");
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.out, "");
  EXPECT_EQ(none.err, "skyloom-cli: no place in the atlas matches Qqxzvw\n");
  const CliResult empty = RunCli("places");
  EXPECT_EQ(empty.status, 2);
  EXPECT_EQ(Count(empty.err, "places needs a name"), 1u);
  const CliResult full = RunCli("places Paris >/dev/full");
  EXPECT_EQ(full.status, 3);
  EXPECT_EQ(full.err, "skyloom-cli: cannot write standard output: No space left on device\n");
}

TEST(BirthPlaceCli, HelpTellsOfPlacesAndLocalMeanTime) {
  const CliResult help = RunCli("--help");
  for (const char* text : {"--birth-place PLACE", "LAT,LON", "\"Paris, FR\"", "LMT", "skyloom-cli places NAME"})
    EXPECT_EQ(Count(help.out, text) > 0, true) << text;
}

}  // namespace
