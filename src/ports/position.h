// A longitude with its status, as the ephemeris and every position of the
// program give it.
#pragma once

#include <cstdint>

namespace skyloom {

// Whether a body's position is known at an instant: every body's data
// begin and end somewhere (Pluto's table and the Moon 1600 to 2099, Chiron
// from 675, the ephemeris files at both ends).
enum class PositionStatus : uint8_t { Known, BeforeRange, AfterRange };

// A longitude in radians, [0, 2*pi), where the status is Known; 0 otherwise.
struct Position {
  PositionStatus status = PositionStatus::Known;
  double longitude = 0.0;

  bool Known() const { return status == PositionStatus::Known; }
  static Position Unknown(PositionStatus status) { return {status, 0.0}; }
  friend bool operator==(const Position&, const Position&) = default;
};

}  // namespace skyloom
