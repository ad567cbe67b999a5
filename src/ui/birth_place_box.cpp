#include "ui/birth_place_box.h"

#include <string>

namespace skyloom {

namespace {

constexpr size_t kMostOffered = 20;
constexpr std::string_view kCrLf = "\r\n";

Control Box() { return Ctl(ControlName::txbBirthPlace); }

bool Blank(std::string_view text) { return text.find_first_not_of(" \t") == std::string_view::npos; }

}  // namespace

std::vector<Completion> PlaceCompletions(const Atlas& atlas, std::string_view typed) {
  std::vector<Completion> entries;
  const size_t first = typed.find_first_not_of(" \t");
  if (first == std::string_view::npos || typed.size() - first < 2) return entries;
  // Coordinates are complete as typed.
  const char lead = typed[first];
  if ((lead >= '0' && lead <= '9') || lead == '-' || lead == '+' || lead == '.') return entries;
  for (const Place& p : SearchPlaces(atlas, typed)) {
    if (entries.size() == kMostOffered) break;
    entries.push_back({PlaceLine(p), p.name + ", " + p.country});
  }
  return entries;
}

void PlaceBoxTyped(FormState& state) {
  const std::vector<Completion> entries = PlaceCompletions(state.Places, state.window.Text(Box()));
  state.window.SetCompletions(Box(), entries);
}

std::optional<PlaceReading> ReadPlaceBox(const FormState& state) {
  const std::string text = state.window.Text(Box());
  if (Blank(text)) return std::nullopt;
  return ReadPlace(state.Places, text);
}

std::optional<Notice> PlaceBoxRefusal(const FormState& state) {
  const std::optional<PlaceReading> reading = ReadPlaceBox(state);
  if (!reading || reading->Found()) return std::nullopt;
  std::string text = reading->why;
  if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 'a' + 'A');
  for (const Place& p : reading->candidates) text += std::string(kCrLf) + PlaceLine(p);
  return Notice{text, "Birth place", MsgIcon::Exclamation};
}

}  // namespace skyloom
