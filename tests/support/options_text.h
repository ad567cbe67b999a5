// A run's options as one line, for tables of what a choice sets:
// "stations withMoon aspects 1 2 3 4 5 houses 0 moving 0" (the house system
// and the moving kind by their place in their enums).
#pragma once

#include <string>
#include <utility>

#include "runs/form_state.h"

namespace skyloom::test {

inline std::string OptionsText(const RunOptions& o) {
  const std::pair<bool, const char*> flags[] = {
      {o.stations, "stations"},        {o.ingresses, "ingresses"}, {o.houseIngresses, "houseIngresses"},
      {o.withMoon, "withMoon"},        {o.eclipses, "eclipses"},   {o.lunations, "lunations"},
      {o.voidOfCourse, "voidOfCourse"}};
  std::string text;
  for (const auto& [on, name] : flags)
    if (on) text += std::string(name) + " ";
  text += "aspects";
  for (AspectIndex a : o.aspects.List()) text += " " + std::to_string(a);
  return text + " houses " + std::to_string(static_cast<int>(o.houses)) + " moving " +
         std::to_string(static_cast<int>(o.progression));
}

}  // namespace skyloom::test
