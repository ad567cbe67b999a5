// Instants in Universal Time and the zones in which they are shown.
#pragma once

#include <cstdint>
#include <string>

namespace skyloom {

// A Julian day in Universal Time.
struct Instant {
  double ut = 0;
  auto operator<=>(const Instant&) const = default;
};

// The zone in which dates and minutes are given: today a fixed offset east
// of Greenwich, with the text it was chosen by ("GMT+5:30", "EST/CDT").
class Zone {
 public:
  Zone() = default;
  static Zone Fixed(int32_t offsetSeconds, std::string text) {
    Zone z;
    z.offsetSeconds_ = offsetSeconds;
    z.text_ = std::move(text);
    return z;
  }
  int32_t OffsetSecondsAt(Instant) const { return offsetSeconds_; }
  const std::string& Text() const { return text_; }
  bool operator==(const Zone&) const = default;

 private:
  int32_t offsetSeconds_ = 0;
  std::string text_ = "GMT";
};

}  // namespace skyloom
