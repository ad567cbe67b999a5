// check_fits [--hours H] [--from JD --to JD] BODY...
//
// Puts every fit for decisions of each body named (Sun, Mercury, ...) over
// 1600 to 2799 beside the ephemeris' own longitude every H hours (default
// 2), one thread a body: a run decides on a fit only where its value lies
// farther from the limit than its bound, so a fit that strays beyond its
// bound anywhere could change a report. Prints, for each body, the spans
// checked, their bounds, and the largest error as a share of its fit's bound,
// apart for the fits kept off the Sun and those that come near it. Exits 1
// if any error passes its bound, 2 on bad arguments.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "engine/bodies.h"
#include "engine/longitude_fits.h"
#include "engine/pluto_table.h"
#include "engine/positions.h"
#include "ports/ephemeris.h"
#include "ports/program_folder.h"

namespace {

using namespace skyloom;

struct Worst {
  double ratio = 0, at = 0;
};

struct Report {
  BodyIndex body = 0;
  long spans = 0, nearTheSun = 0, checks = 0, beyond = 0;
  double smallestBound = INFINITY, largestBound = 0, boundSum = 0;
  Worst offTheSun, nearIt;
};

Report Check(BodyIndex body, double from, double to, double step, const PlutoTable* pluto) {
  SwissEphemeris library(ExecutableFolder());
  BodyPositions positions(library, pluto);
  LongitudeFits fits(positions, Zodiac::Tropical);
  Report r;
  r.body = body;
  int64_t lastKey = 0;
  bool any = false;
  for (double jd = from; jd <= to; jd += step) {
    const FittedLongitude fitted = fits.At(body, jd);
    const Position own = positions.Longitude(body, jd, Zodiac::Tropical);
    if (!fitted.known || !own.Known()) continue;
    const int64_t key = fits.SpanKey(body, jd);
    const LongitudeFits::Fit& fit = fits.Made().fits.at(key);
    if (!any || key != lastKey) {
      ++r.spans;
      r.nearTheSun += fit.nearTheSun ? 1 : 0;
      r.smallestBound = std::min(r.smallestBound, fitted.bound);
      r.largestBound = std::max(r.largestBound, fitted.bound);
      r.boundSum += fitted.bound;
      lastKey = key;
      any = true;
    }
    ++r.checks;
    const double error = std::fabs(std::remainder(fitted.longitude - own.longitude, TwoPi));
    const double ratio = error / fitted.bound;
    if (ratio > 1) {
      ++r.beyond;
      std::printf("%s: %.1f\" beyond its bound of %.1f\" at JD %.4f\n", BodyNames[body].c_str(),
                  error * 206264.806, fitted.bound * 206264.806, jd);
    }
    Worst& w = fit.nearTheSun ? r.nearIt : r.offTheSun;
    if (ratio > w.ratio) w = {ratio, jd};
  }
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  double hours = 2, from = 2305447.5, to = 2743933.5;  // 1600-01-01 .. 2799-12-31
  std::vector<BodyIndex> bodies;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto number = [&](double& into) {
      if (i + 1 >= argc) return false;
      char* end = nullptr;
      into = std::strtod(argv[++i], &end);
      return end != argv[i] && *end == '\0' && std::isfinite(into);
    };
    if (arg == "--hours" || arg == "--from" || arg == "--to") {
      if (!number(arg == "--hours" ? hours : arg == "--from" ? from : to) || (arg == "--hours" && hours <= 0)) {
        std::fprintf(stderr, "check_fits: %s wants a number\n", arg.c_str());
        return 2;
      }
      continue;
    }
    const auto found = std::find(BodyNames.begin() + 1, BodyNames.end(), arg);
    if (found == BodyNames.end()) {
      std::fprintf(stderr, "check_fits: unknown body '%s'\n", arg.c_str());
      return 2;
    }
    bodies.push_back(static_cast<BodyIndex>(found - BodyNames.begin()));
  }
  if (bodies.empty() || from >= to) {
    std::fprintf(stderr, "usage: check_fits [--hours H] [--from JD --to JD] BODY...\n");
    return 2;
  }
  PlutoTable pluto;
  std::string error;
  const bool withPluto = pluto.Load(ExecutableFolder() + PlutoFileName, error);
  std::vector<Report> reports(bodies.size());
  std::vector<std::thread> threads;
  for (size_t k = 0; k < bodies.size(); ++k)
    threads.emplace_back([&, k] { reports[k] = Check(bodies[k], from, to, hours / 24, withPluto ? &pluto : nullptr); });
  for (std::thread& t : threads) t.join();
  long beyond = 0;
  for (const Report& r : reports) {
    const double days = LongitudeFits::SpanDays(r.body, FitSpans::Decisions);
    std::printf("%-8s %4.0f-day spans %5ld (%ld near the Sun), %ld checks; bounds %.2f\" to %.2f\", mean %.2f\"; "
                "worst error %.3f of its bound off the Sun (JD %.2f), %.3f near it (JD %.2f)\n",
                BodyNames[r.body].c_str(), days, r.spans, r.nearTheSun, r.checks, r.smallestBound * 206264.806,
                r.largestBound * 206264.806, r.spans > 0 ? r.boundSum / r.spans * 206264.806 : 0.0,
                r.offTheSun.ratio, r.offTheSun.at, r.nearIt.ratio, r.nearIt.at);
    beyond += r.beyond;
  }
  return beyond > 0 ? 1 : 0;
}
