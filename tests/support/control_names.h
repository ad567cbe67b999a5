// Controls named as the program writes them, "cboOrbs(1)" for a member of an
// array, for tables of window cases; "-" or an unknown name: no control.
#pragma once

#include <string>

#include "ports/window.h"

namespace skyloom::test {

inline Control ControlOf(const std::string& word) {
  const size_t paren = word.find('(');
  for (const ControlInfo& info : AllControls())
    if (info.text == word.substr(0, paren))
      return Ctl(info.name, static_cast<int16_t>(paren == std::string::npos ? 0 : std::stoi(word.substr(paren + 1))));
  return Ctl(ControlName{});
}

}  // namespace skyloom::test
