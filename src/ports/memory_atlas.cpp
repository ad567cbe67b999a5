#include <algorithm>
#include <string>

#include "ports/atlas.h"

namespace skyloom {

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

// Whether some word of the name (after a space or a hyphen) starts with text.
bool WordStarts(std::string_view name, std::string_view text) {
  for (size_t at = 0; at + text.size() <= name.size(); ++at) {
    const bool wordStart = at == 0 || name[at - 1] == ' ' || name[at - 1] == '-';
    if (wordStart && SameText(name.substr(at, text.size()), text)) return true;
  }
  return false;
}

}  // namespace

std::vector<Place> MemoryAtlas::Find(std::string_view name, std::string_view country) const {
  std::vector<Place> found;
  for (const Place& p : places_)
    if (SameText(p.name, name) && (country.empty() || SameText(p.country, country))) found.push_back(p);
  return found;
}

std::vector<Place> MemoryAtlas::Search(std::string_view text, std::string_view country) const {
  std::vector<Place> found;
  if (text.empty()) return found;
  for (const Place& p : places_)
    if (WordStarts(p.name, text) && (country.empty() || SameText(p.country, country))) found.push_back(p);
  return found;
}

}  // namespace skyloom
