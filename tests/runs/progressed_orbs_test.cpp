// The orb dates of a progressed or directed body against a computation by
// hand: such a body moves a day's sky in a year, so the narrow orbs the
// sky's Moon may not have are its ordinary ones, and every entry and exit
// the run gives lies where the body crossed the orb.
#include <gtest/gtest.h>
#include <swephexp.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "ports/program_folder.h"
#include "runs/session.h"
#include "support/angle_check.h"
#include "support/independent.h"
#include "support/text_face.h"
#include "support/worst_error.h"

namespace skyloom {
namespace {

using test::EphemerisDegrees;
using test::WrappedDifferenceDegrees;

struct Case {
  ProgressionKind kind;
  BodyIndex moving, natal;
  int32_t year, month, day, hour, minute;  // the birth, Greenwich time
  int32_t fromYear, toYear;
  std::array<int16_t, 3> orbs;
};

const Case kCases[] = {
    // Narrower than the sky's Moon is allowed.
    {ProgressionKind::Progressed, Moon, Sun, 1985, 7, 4, 6, 5, 2024, 2030, {5, 3, 1}},
    {ProgressionKind::Progressed, Moon, Venus, 1952, 11, 20, 3, 5, 1990, 1994, {5, 3, 1}},
    {ProgressionKind::Progressed, Moon, Sun, 1985, 7, 4, 6, 5, 2024, 2030, {10, 5, 2}},
    {ProgressionKind::Directed, Moon, Saturn, 1985, 7, 4, 14, 37, 1990, 2025, {6, 4, 2}},
    {ProgressionKind::Progressed, Mercury, Mars, 1970, 2, 14, 12, 0, 1980, 2040, {5, 3, 1}},
};

TEST(ProgressedOrbs, EveryEntryAndExitWhereTheBodyCrossedTheOrb) {
  test::WorstError worst("progressed orb crossings", "min");
  for (const Case& c : kCases) {
    RunRequest r =
        test::PersonalRequest(c.moving, c.natal, c.fromYear, c.toYear, EnteredDate::Of(c.year, c.month, c.day),
                              static_cast<int16_t>(c.hour), static_cast<int16_t>(c.minute), Zone::Fixed(0, "GMT"));
    r.progression = c.kind;
    r.orbs = c.orbs;
    Session session(ExecutableFolder());
    test::TextFace face;
    const std::string where = BodyName(c.moving) + " to " + BodyName(c.natal) + ", orbs " + std::to_string(c.orbs[0]) +
                              "/" + std::to_string(c.orbs[1]) + "/" + std::to_string(c.orbs[2]);
    ASSERT_TRUE(session.Start(r, face)) << where << ": " << (face.told.empty() ? "" : face.told.back());
    ASSERT_EQ(session.Results().size(), 1u) << where;
    const RunResult& run = session.Results()[0];

    const double birth = swe_julday(c.year, c.month, c.day, c.hour + c.minute / 60.0, SE_GREG_CAL);
    const double natal = EphemerisDegrees(c.natal, birth);
    auto moving = [&](double d) {
      if (c.kind == ProgressionKind::Progressed) return EphemerisDegrees(c.moving, birth + d);
      return EphemerisDegrees(c.moving, birth) + EphemerisDegrees(Sun, birth + d) - EphemerisDegrees(Sun, birth);
    };
    // The instants, over the period the run covered, at which the body's
    // distance from each major aspect to the natal body passes one of the
    // orbs; progressed days scanned a hundredth apart and bisected.
    const double fromJd = LocalMidnight(run.startDay, run.zone).ut;
    const double toJd = LocalMidnight(run.endDay + 1, run.zone).ut;
    const double dFrom = (fromJd - birth) / 365.2422, dTo = (toJd - birth) / 365.2422;
    std::vector<double> want;
    for (const double angle : {0.0, 60.0, 90.0, 120.0, 180.0}) {
      for (const int16_t orb : c.orbs) {
        auto off = [&](double d) {
          return std::fabs(std::fabs(WrappedDifferenceDegrees(moving(d), natal)) - angle) - orb;
        };
        for (double d = dFrom; d < dTo; d += 0.01) {
          double a = d, b = std::min(d + 0.01, dTo);
          const double fa = off(a);
          if ((fa < 0) == (off(b) < 0)) continue;
          while (b - a > 1e-9) ((off(0.5 * (a + b)) < 0) == (fa < 0) ? a : b) = 0.5 * (a + b);
          want.push_back(birth + 0.5 * (a + b) * 365.2422);
        }
      }
    }
    std::sort(want.begin(), want.end());

    std::vector<double> got;
    for (const TransitRecord& t : run.transits) {
      for (const TransitRowData& row : t.passes) {
        for (const auto* marks : {&row.entry, &row.exit}) {
          for (const std::optional<DateMark>& mark : *marks) {
            if (!mark) continue;
            ASSERT_TRUE(mark->crossing) << where << ": an orb date without its minute";
            got.push_back(InstantOf(*mark->crossing).ut);
          }
        }
      }
    }
    std::sort(got.begin(), got.end());
    ASSERT_EQ(got.size(), want.size()) << where;
    ASSERT_FALSE(got.empty()) << where;
    for (size_t k = 0; k < got.size(); ++k)
      worst.Note((got[k] - want[k]) * 1440.0, 1.01, where + " #" + std::to_string(k));
  }
}

}  // namespace
}  // namespace skyloom
