// The Moon's void-of-course spells: from its last exact major aspect to a
// body from the Sun to Pluto while in a sign, until it enters the next
// sign.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/lunations.h"

namespace skyloom {

struct VoidSpell {
  LocalMoment start, end;
  // The aspect that begins the spell; none (0) when the Moon makes no
  // aspect in the whole sign, and the spell begins as it enters it.
  BodyIndex lastBody = 0;
  AspectIndex lastAspect = 0;
  int16_t sign = 0;  // the sign the Moon is in, 0 Aries .. 11 Pisces
};

// The spells that overlap the period (firstDay to lastDay, local dates in
// the zone), in time order; signs in the zodiac given.
std::vector<VoidSpell> FindVoidOfCourse(const BodyPositions& positions, int32_t firstDay, int32_t lastDay,
                                        const Zone& zone, Zodiac zodiac);

}  // namespace skyloom
