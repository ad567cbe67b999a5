// The eclipses, lunations and void-of-course spells of a command as text
// tables after its transits (and its stations and ingresses), lines ending
// in CR LF.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/forecast.h"

namespace skyloom {

// The tables asked for, eclipses first; empty when none was.
std::string ForecastTables(const ForecastList& list);

// "square natal Sun 1°05'": a natal contact in words, its distance from
// exact in degrees and minutes of arc.
std::string ContactText(const NatalContact& contact);
// The contacts joined by ", ", or "none".
std::string ContactsText(const std::vector<NatalContact>& contacts);

// "total solar eclipse at 19°24' Aries", "full Moon at 25°00' Virgo", "Moon
// void of course in Leo (after trine Saturn)": an event in words.
std::string EclipsePhrase(const Eclipse& eclipse);
std::string LunationPhrase(const Lunation& lunation);
std::string VoidSpellPhrase(const VoidSpell& spell);

// An eclipse, a lunation or a void-of-course spell as the exports take it.
struct ForecastRecord {
  std::string kind;                // "eclipse", "lunation", "void_of_course"
  std::string word;                // "total solar", "new Moon", the sign the Moon is in
  BodyIndex body = 0;              // the eclipsed body, the Moon
  LocalMoment at;                  // greatest eclipse, the lunation, the spell's start
  std::optional<LocalMoment> end;  // the spell's end
  std::optional<double> longitude;
  std::string phrase;  // the event in words
  std::vector<NatalContact> contacts;
};
// The records of every table asked for, eclipses first, each kind in time
// order.
std::vector<ForecastRecord> ForecastRecords(const ForecastList& list);

}  // namespace skyloom
