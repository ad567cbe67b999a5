#include "engine/eclipses.h"

#include <algorithm>
#include <array>

namespace skyloom {
namespace {

std::optional<EclipseKind> KindOf(EclipseType type, bool solar) {
  switch (type) {
    case EclipseType::Total: return solar ? EclipseKind::TotalSolar : EclipseKind::TotalLunar;
    case EclipseType::Annular: return EclipseKind::AnnularSolar;
    case EclipseType::Hybrid: return EclipseKind::HybridSolar;
    case EclipseType::Partial: return solar ? EclipseKind::PartialSolar : EclipseKind::PartialLunar;
    case EclipseType::Penumbral: return EclipseKind::PenumbralLunar;
    case EclipseType::None: break;
  }
  return std::nullopt;
}

}  // namespace

const std::string& EclipseKindText(EclipseKind kind) {
  static const std::array<std::string, 7> kTexts = {"total solar", "annular solar", "hybrid solar",   "partial solar",
                                                    "total lunar", "partial lunar", "penumbral lunar"};
  return kTexts[static_cast<size_t>(kind)];
}

std::vector<Eclipse> FindEclipses(EphemerisLibrary& library, const BodyPositions& positions, int32_t firstDay,
                                  int32_t lastDay, const Zone& zone, Zodiac zodiac) {
  // A day on either side: the minute of a greatest eclipse near a local
  // midnight may round onto a date of the period.
  const double from = LocalMidnight(firstDay, zone).ut - 1.0, to = LocalMidnight(lastDay + 1, zone).ut + 1.0;
  std::vector<Eclipse> found;
  for (const bool solar : {true, false}) {
    for (double t = from;;) {
      const EclipseFound e = solar ? library.NextSolarEclipse(t) : library.NextLunarEclipse(t);
      const std::optional<EclipseKind> kind = KindOf(e.type, solar);
      // The search goes forward: a maximum at or before where it began
      // would never end the walk.
      if (!kind || e.maximum > to || e.maximum <= t) break;
      t = e.maximum + 1.0;
      Eclipse eclipse;
      eclipse.kind = *kind;
      eclipse.at = MomentAt(e.maximum, zone);
      if (eclipse.at.local.day < firstDay || eclipse.at.local.day > lastDay) continue;
      const Position p = positions.Longitude(solar ? Sun : Moon, e.maximum, zodiac);
      if (!p.Known()) continue;
      eclipse.longitude = p.longitude;
      found.push_back(eclipse);
    }
  }
  std::sort(found.begin(), found.end(), [](const Eclipse& a, const Eclipse& b) { return a.at.instant < b.at.instant; });
  return found;
}

}  // namespace skyloom
