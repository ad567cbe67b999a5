// The birth place box: what it offers while it is typed in, and what it
// names when a personal run is asked for.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "calendar/birth_place.h"
#include "ports/message.h"
#include "ports/window.h"
#include "runs/form_state.h"

namespace skyloom {

// Places of the atlas matching the text typed so far, the most populous
// first, each entered as its name and country code ("Paris, FR"): none for
// fewer than two letters or for coordinates.
std::vector<Completion> PlaceCompletions(const Atlas& atlas, std::string_view typed);

// A key released in the box: its offers brought up to date.
void PlaceBoxTyped(FormState& state);

// What the box names; nothing while it is blank.
std::optional<PlaceReading> ReadPlaceBox(const FormState& state);

// The message for a place the box gives but that names no birth place
// (unknown, several places of that name, coordinates out of range), with
// the places it may mean one a line.
std::optional<Notice> PlaceBoxRefusal(const FormState& state);

}  // namespace skyloom
