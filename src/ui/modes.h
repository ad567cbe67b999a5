// World and personal mode, the body lists they offer, and the orb lists.
#pragma once

#include <cstdint>

#include "engine/bodies.h"
#include "runs/form_state.h"

namespace skyloom {

// The entries of body list 0 or 1 in world or personal mode, and the
// position chosen there when none is remembered.
int16_t PlanetListLength(bool world, int16_t list);
int16_t DefaultPlanetPosition(bool world, int16_t list);
// The body (or natal point) at a position of a list; 0 outside the list.
BodyIndex PlanetListBody(bool world, int16_t list, int16_t position);

// Refills both body lists for the current mode and selects the remembered
// (or default) body in each.
void SetUpPlanetComboBoxes(FormState& state);
void WorldClicked(FormState& state);
void PersonalClicked(FormState& state);
void PlanetListClicked(FormState& state, int16_t list);
void OrbListClicked(FormState& state);
// "for first 10°": the search frame's label with the outer orb.
void UpdateSearchOrbLabel(FormState& state);
// The orb, hour, minute and aspect lists (the body and zone lists have their own).
void FillSelectionLists(FormState& state);

}  // namespace skyloom
