// Progressed and directed runs against a computation by hand, straight from
// Swiss Ephemeris: the exact minutes of a run are those of the aspects the
// progressed (or directed) body makes, found here step by step.
#include <gtest/gtest.h>
#include <swephexp.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "ports/program_folder.h"
#include "runs/session.h"
#include "support/angle_check.h"
#include "support/case_file.h"
#include "support/independent.h"
#include "support/text_face.h"
#include "support/worst_error.h"

namespace skyloom {
namespace {

using test::EphemerisDegrees;
using test::WrappedDifferenceDegrees;

TEST(Progressions, ExactMinutesAgainstAComputationByHand) {
  test::WorstError worst("progressed exact minutes", "min");
  for (const test::CaseLine& line : test::ReadCases("runs/cases/progressions.txt")) {
    const bool progressed = line[0] == "Progressed";
    const BodyIndex movingBody = BodyByName(line[1]), natalBody = BodyByName(line[2]);
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;  // the birth, local time
    std::sscanf(line[3].c_str(), "%d-%d-%d %d:%d", &year, &month, &day, &hour, &minute);
    const int zoneMinutes = std::stoi(line[4]), fromYear = std::stoi(line[5]), toYear = std::stoi(line[6]);
    RunRequest r = test::PersonalRequest(movingBody, natalBody, fromYear, toYear, EnteredDate::Of(year, month, day),
                                         int16_t(hour), int16_t(minute), ZoneOfMinutes(zoneMinutes));
    r.progression = progressed ? ProgressionKind::Progressed : ProgressionKind::Directed;
    Session session(ExecutableFolder());
    test::TextFace face;
    ASSERT_TRUE(session.Start(r, face)) << line.where << (face.told.empty() ? "" : face.told.back());

    // 1. The birth in Universal Time: local time less the zone's offset.
    const double birth = swe_julday(year, month, day, hour + minute / 60.0 - zoneMinutes / 60.0, SE_GREG_CAL);
    // 2. The natal body's longitude then.
    const double natal = EphemerisDegrees(natalBody, birth);
    // 3. The moving body's longitude a progressed day d after birth: the
    //    sky's at birth + d (progressed), or its natal longitude moved on by
    //    the Sun's travel from birth to birth + d (directed).
    auto moving = [&](double d) {
      if (progressed) return EphemerisDegrees(movingBody, birth + d);
      return EphemerisDegrees(movingBody, birth) + EphemerisDegrees(Sun, birth + d) - EphemerisDegrees(Sun, birth);
    };
    // 4. Each major aspect's angles passed by the moving body, in progressed
    //    days, scanned a hundredth of a day apart (a quarter of a year of
    //    life) and bisected; 5. each real instant is birth + 365.2422 d.
    const double fromJd = swe_julday(fromYear, 1, 1, 0, SE_GREG_CAL);
    const double toJd = swe_julday(toYear + 1, 1, 1, 0, SE_GREG_CAL);
    const double dFrom = (fromJd - birth) / 365.2422, dTo = (toJd - birth) / 365.2422;
    std::vector<double> want;
    for (const double angle : {0.0, 60.0, 90.0, 120.0, 180.0, 240.0, 270.0, 300.0}) {
      auto off = [&](double d) { return WrappedDifferenceDegrees(moving(d) - natal, angle); };
      for (double d = dFrom; d < dTo; d += 0.01) {
        double a = d, b = std::min(d + 0.01, dTo);
        const double fa = off(a), fb = off(b);
        if ((fa < 0) == (fb < 0) || std::fabs(fb - fa) > 90) continue;
        while (b - a > 1e-9) ((off(0.5 * (a + b)) < 0) == (fa < 0) ? a : b) = 0.5 * (a + b);
        want.push_back(birth + 0.5 * (a + b) * 365.2422);
      }
    }
    std::sort(want.begin(), want.end());

    std::vector<double> got;
    for (const TransitRecord& t : session.Results()[0].transits)
      for (const TransitRowData& row : t.passes)
        if (row.minimum && row.minimum->exact) got.push_back(row.minimum->instant.ut);
    std::sort(got.begin(), got.end());
    ASSERT_EQ(got.size(), want.size()) << line.where;
    ASSERT_FALSE(got.empty()) << line.where;
    for (size_t k = 0; k < got.size(); ++k)
      worst.Note((got[k] - want[k]) * 1440.0, 0.501, line.where + " #" + std::to_string(k));
    // The title says how the body moves.
    const std::string title = progressed ? "Progressed " : "Directed ";
    EXPECT_EQ(face.text.find(title + BodyName(movingBody) + " transits of natal "), 0u) << face.text.substr(0, 80);
  }
}

}  // namespace
}  // namespace skyloom
