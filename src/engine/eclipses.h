// The solar and lunar eclipses of a period, from the ephemeris library's
// global searches: their kind, the minute of greatest eclipse in the run's
// zone, the eclipsed body's place and the natal points it aspects.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/lunations.h"
#include "ports/ephemeris.h"

namespace skyloom {

enum class EclipseKind {
  TotalSolar,
  AnnularSolar,
  HybridSolar,
  PartialSolar,
  TotalLunar,
  PartialLunar,
  PenumbralLunar
};

constexpr bool IsSolar(EclipseKind kind) { return kind <= EclipseKind::PartialSolar; }

struct Eclipse {
  EclipseKind kind = EclipseKind::TotalSolar;
  LocalMoment at;          // greatest eclipse
  double longitude = 0.0;  // the eclipsed body's (the Sun's or the Moon's), run's zodiac, radians
  std::vector<NatalContact> contacts;
};

// "total solar", "penumbral lunar".
const std::string& EclipseKindText(EclipseKind kind);

// The eclipses whose greatest phase falls on a local date of the period, in
// time order. A library without eclipse searches finds none.
std::vector<Eclipse> FindEclipses(EphemerisLibrary& library, const BodyPositions& positions, int32_t firstDay,
                                  int32_t lastDay, const Zone& zone, Zodiac zodiac);

}  // namespace skyloom
