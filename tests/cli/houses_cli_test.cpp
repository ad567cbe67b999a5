// skyloom-cli's natal points and houses: the point as BODY2, --houses,
// --house-ingresses in the report and the exports, the refusals with their
// statuses, and the whole chart with its angles.
#include <gtest/gtest.h>

#include <string>

#include "support/cli_runner.h"

namespace {

using namespace skyloom::test;

const std::string kBirth =
    " --start 2024-01-01 --end 2024-06-30 --zone GMT --birth 1990-01-01 --birth-time 12:00 --birth-zone GMT";
const std::string kBerlin = " --birth-place 52.52,13.405";
const std::string kTromso = " --birth-place 69.65,18.95";

TEST(HousesCli, StatusesAndMessages) {
  struct Case {
    std::string arguments;
    int status;
    std::string err;  // how standard error begins (empty: nothing refused)
  };
  const std::string noCusps =
      " houses have no cusps at latitude 69.65 N, inside the polar circle. Choose one of the house systems "
      "regiomontanus, campanus, porphyry, equal or whole-sign, which hold there.\n";
  const Case cases[] = {
      {"personal Saturn Ascendant" + kBirth + kBerlin, 0, ""},
      {"personal Saturn 'cusp 7'" + kBirth + kBerlin + " --houses KOCH", 0, ""},
      {"personal Saturn Cusp12" + kBirth + kBerlin + " --houses whole-sign", 0, ""},
      {"personal Saturn Midheaven" + kBirth + kTromso, 0, ""},
      {"personal Saturn 'Cusp 7'" + kBirth + kTromso + " --houses equal", 0, ""},
      {"personal Saturn 'Cusp 7'" + kBirth + kTromso, 1, "Houses: Placidus" + noCusps},
      {"personal Saturn Sun" + kBirth + kTromso + " --houses koch --house-ingresses", 1, "Houses: Koch" + noCusps},
      {"personal Saturn Ascendant" + kBirth, 1,
       "Show all personal transits by Saturn of natal Ascendant: Natal Ascendant is taken at the birth place: please "
       "specify the place of birth.\n"},
      {"personal Saturn Sun" + kBirth + " --house-ingresses", 1,
       "Show all personal transits by Saturn of natal Sun: The natal houses are taken at the birth place: please "
       "specify the place of birth.\n"},
      {"personal Ascendant Saturn" + kBirth + kBerlin, 2,
       "skyloom-cli: Ascendant is a point of the natal chart: it can only be the natal body (BODY2) of a personal "
       "run\n"},
      {"world Saturn Midheaven --start 2024-01-01 --end 2024-06-30", 2,
       "skyloom-cli: Midheaven is a point of the natal chart: it can only be the natal body (BODY2) of a personal "
       "run\n"},
      {"world Saturn Pluto --start 2024-01-01 --end 2024-06-30 --houses equal", 2,
       "skyloom-cli: --houses and --house-ingresses belong to personal mode\n"},
      {"personal Saturn Sun" + kBirth + kBerlin + " --houses topocentric", 2,
       "skyloom-cli: --houses takes one of placidus, koch, regiomontanus, campanus, porphyry, equal, whole-sign, not "
       "topocentric\n"},
      {"personal Saturn 'Cusp 1'" + kBirth + kBerlin, 2, "skyloom-cli: Cusp 1 is not offered as the natal planet"},
  };
  for (const Case& c : cases) {
    const CliResult result = RunCli(c.arguments);
    EXPECT_EQ(result.status, c.status) << c.arguments << "\n" << result.err;
    if (c.err.empty()) {
      // At most the note that a period holds no transit.
      EXPECT_EQ(Count(result.err, ": ") - Count(result.err, "No transits: "), 0U) << c.arguments << result.err;
    } else {
      EXPECT_EQ(result.err.substr(0, c.err.size()), c.err) << c.arguments;
    }
    if (c.status != 0) {
      EXPECT_EQ(result.out, "") << c.arguments;
    }
  }
}

TEST(HousesCli, HouseIngressesInTheReportAndTheExports) {
  // Mars through Berlin's Placidus houses 9 to 12 in the first half of 2024
  // (cusps 275.23, 292.49, 314.21, 350.03 by swetest).
  const std::string run = "personal Mars Sun" + kBirth + kBerlin + " --house-ingresses";
  const CliResult report = RunCli(run);
  ASSERT_EQ(report.status, 0) << report.err;
  const std::string table =
      "\nHouse ingresses (Placidus houses), Jan. 1, 2024, to June 30, 2024 (tropical)\n"
      "Body        | Enters      | Date        | Time              | Motion\n" +
      std::string(119, '-') +
      "\n"
      "Mars        | house 9     | 2024-01-11  | 15:06 GMT         | direct\n"
      "Mars        | house 10    | 2024-02-03  | 10:38 GMT         | direct\n"
      "Mars        | house 11    | 2024-03-02  | 15:58 GMT         | direct\n"
      "Mars        | house 12    | 2024-04-17  | 18:10 GMT         | direct\n";
  ASSERT_GE(report.out.size(), table.size());
  EXPECT_EQ(report.out.substr(report.out.size() - table.size()), table);

  const CliResult csv = RunCli(run + " --csv -");
  EXPECT_EQ(Count(csv.out, ",house_ingress,"), 4U) << csv.out;
  EXPECT_EQ(Count(csv.out, ",house_ingress,12,2024-04-17,2024-04-17T18:10Z,"), 1U) << csv.out;
  const CliResult json = RunCli(run + " --json -");
  EXPECT_EQ(Count(json.out, "\"houseIngresses\""), 1U);
  EXPECT_EQ(Count(json.out, "\"kind\": \"house_ingress\""), 4U) << json.out;
  EXPECT_EQ(Count(json.out, "\"house\": 9,"), 1U) << json.out;
  EXPECT_EQ(Count(json.out, "\"houseSystem\": \"placidus\""), 4U);
  const CliResult ics = RunCli(run + " --ics -");
  EXPECT_EQ(Count(ics.out, "SUMMARY:Mars enters natal house 10\r\n"), 1U) << ics.out;
  EXPECT_EQ(Count(ics.out, "-mars-house-ingress-10-tropical"), 1U) << ics.out;
  // Without the option nothing of the houses shows.
  EXPECT_EQ(Count(RunCli("personal Mars Sun" + kBirth + kBerlin + " --csv -").out, "house_ingress"), 0U);
}

TEST(HousesCli, WholeChartWithAPlaceHasTheAngles) {
  const std::string birth = " --start 2024-01-01 --end 2024-01-10" + kBirth.substr(kBirth.find(" --zone"));
  const CliResult with = RunCli("personal Sun Sun" + birth + kBerlin + " --show-all every");
  ASSERT_EQ(with.status, 0) << with.err;
  EXPECT_EQ(Count(with.out, " of natal Ascendant, "), 9U);
  EXPECT_EQ(Count(with.out, " of natal Midheaven, "), 9U);
  EXPECT_LT(with.out.find("Sun transits of natal Moon, "), with.out.find("Sun transits of natal Ascendant, "));
  EXPECT_LT(with.out.find("Sun transits of natal Ascendant, "), with.out.find("Sun transits of natal Midheaven, "));
  EXPECT_LT(with.out.find("Sun transits of natal Midheaven, "), with.out.find("Mercury transits of natal Sun, "));
  const CliResult without = RunCli("personal Sun Sun" + birth + " --show-all every");
  ASSERT_EQ(without.status, 0) << without.err;
  EXPECT_EQ(Count(without.out, " of natal Ascendant, "), 0U);
  EXPECT_EQ(Count(without.out, " of natal Moon, "), 9U);
}

TEST(HousesCli, HelpTellsOfPointsAndHouses) {
  const CliResult help = RunCli("--help");
  for (const char* word : {"--houses SYSTEM", "--house-ingresses", "Ascendant", "Midheaven", "\"Cusp 2\"", "whole-sign",
                           "house_ingress", "polar circles"})
    EXPECT_EQ(Count(help.out, word) > 0, true) << word;
}

}  // namespace
