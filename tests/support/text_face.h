// A face for the session's commands in tests: it keeps the report's text
// and every message, "text|icon|title", and runs each run to its end.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "runs/session.h"

namespace skyloom::test {

struct TextFace : RunFace {
  void Tell(const Notice& n) override {
    const char* icon = n.icon == MsgIcon::Information ? "i" : n.icon == MsgIcon::Exclamation ? "!" : "";
    told.push_back(n.text + "|" + icon + "|" + n.title);
  }
  void BeginReport() override {}
  void Append(std::string_view piece) override { text += piece; }
  bool NextDay(int32_t) override { return true; }
  std::string text;
  std::vector<std::string> told;
};

// A world request over whole years, in Greenwich time with orbs 10, 5, 2.
inline RunRequest WorldRequest(BodyIndex first, BodyIndex second, int32_t fromYear, int32_t toYear) {
  RunRequest r;
  r.first = first;
  r.second = second;
  r.start = EnteredDate::Of(fromYear, 1, 1);
  r.end = EnteredDate::Of(toYear, 12, 31);
  r.zone = Zone::Fixed(0, "GMT");
  return r;
}

// A personal request over whole years, born at that local time in that zone.
inline RunRequest PersonalRequest(BodyIndex transiting, BodyIndex natal, int32_t fromYear, int32_t toYear,
                                  EnteredDate birth, int16_t hour, int16_t minute, Zone birthZone) {
  RunRequest r = WorldRequest(transiting, natal, fromYear, toYear);
  r.mode = RunMode::Personal;
  r.birth = {birth, hour, minute, birthZone, {}, {}};
  return r;
}

}  // namespace skyloom::test
