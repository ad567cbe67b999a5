// The stations and ingresses of a command as text tables, appended to the
// report after its transits, in the report's fixed-width columns.
#pragma once

#include <string>

#include "engine/sky_events.h"

namespace skyloom {

// The stations table when asked for, then the ingresses table when asked
// for; lines end in CR LF. Empty when neither was asked.
std::string SkyEventTables(const SkyEventList& list);

// "Mercury stations retrograde at 27°13' Aries", "Mercury enters Pisces
// (retrograde)": an event in words.
std::string SkyEventPhrase(const SkyEvent& event);

// The local time of an event as the report writes exact times: "22:14 GMT".
std::string SkyEventTimeText(const SkyEvent& event, const std::string& zoneText);

}  // namespace skyloom
