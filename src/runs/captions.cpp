#include "runs/captions.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "ports/window.h"

namespace skyloom {

namespace {

int16_t ToInt16(double value) {
  const double rounded = std::nearbyint(value);
  return static_cast<int16_t>(std::clamp(rounded, static_cast<double>(std::numeric_limits<int16_t>::min()),
                                         static_cast<double>(std::numeric_limits<int16_t>::max())));
}

}  // namespace

void UpdateCommandCaptions(Window& window) {
  const std::string first = window.Text(Ctl(ControlName::cboPlanet, 0));
  const std::string second = window.Text(Ctl(ControlName::cboPlanet, 1));
  if (window.Value(Ctl(ControlName::optWorld)) != 0) {
    window.SetText(Ctl(ControlName::cmdStart), "Show all world transits between " + first + " and " + second);
    window.SetText(Ctl(ControlName::cmdShowAll, 0), "Show all transits between " + second + " and other planets");
    // The second Show-all button is hidden in world mode and keeps its caption.
    return;
  }
  window.SetText(Ctl(ControlName::cmdStart), "Show all personal transits by " + first + " of natal " + second);
  window.SetText(Ctl(ControlName::cmdShowAll, 0), "Show all transits of natal " + second);
  window.SetText(Ctl(ControlName::cmdShowAll, 1), "Show all transits by transiting " + first);
}

void PopUpInForm(Window& window, const std::string& message, int16_t width, int16_t height, int16_t interval,
                 int16_t top, int16_t left) {
  PopUpRequest request;
  request.message = message;
  request.width = width;
  request.height = height;
  request.interval = interval;
  request.top = top;
  request.left = left;
  window.PopUp(request);
}

void PopUpDone(Window& window) {
  const Rect button = window.Geometry(Ctl(ControlName::cmdShowAll, 1));
  PopUpInForm(window, "Done", 1200, 300, 2000, ToInt16(button.Top + 450.0), ToInt16(button.Left - 1500.0));
}

}  // namespace skyloom
