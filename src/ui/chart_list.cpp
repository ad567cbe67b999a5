#include "ui/chart_list.h"

#include <charconv>
#include <cstdio>
#include <optional>
#include <system_error>

#include "runs/captions.h"
#include "runs/request_checks.h"
#include "runs/session.h"
#include "ui/birth_place_box.h"
#include "ui/modes.h"
#include "ui/window_run.h"

namespace skyloom {
namespace {

Control C(ControlName name, int16_t index = 0) { return Ctl(name, index); }

// A number of the stored texts as the boxes show it: "07" as "7".
std::string Plain(const std::string& digits) {
  int value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  return error == std::errc() && end == digits.data() + digits.size() ? std::to_string(value) : digits;
}

// Shortest exact decimal, as the command line writes a chart's place.
std::string Coordinate(double value) {
  char text[64];
  const auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
  return error == std::errc() ? std::string(text, end) : std::string();
}

// Selects the list's entry whose text is text; false when none is.
bool SelectItem(Window& w, Control list, const std::string& text) {
  for (int16_t k = 0; k < w.ListCount(list); ++k)
    if (w.ListItem(list, k) == text) {
      w.SetListIndex(list, k);
      return true;
    }
  return false;
}

std::string TwoDigits(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02d", value);
  return text;
}

std::string Padded(const std::string& digits, size_t width) {
  return digits.size() >= width ? digits : std::string(width - digits.size(), '0') + digits;
}

}  // namespace

void FillBirthFromChart(FormState& state, const StoredChart& chart) {
  Window& w = state.window;
  if (w.Value(C(ControlName::optPersonal)) == 0) {
    // The mode changes as its button would change it: the lists and
    // captions of personal mode.
    w.SetValue(C(ControlName::optWorld), 0);
    w.SetValue(C(ControlName::optPersonal), 1);
    PersonalClicked(state);
  }
  const std::string& date = chart.birthDate;  // YYYY-MM-DD
  if (date.size() == 10) {
    w.SetText(C(ControlName::txbYear, 2), Plain(date.substr(0, 4)));
    w.SetText(C(ControlName::txbMonth, 2), Plain(date.substr(5, 2)));
    w.SetText(C(ControlName::txbDay, 2), Plain(date.substr(8, 2)));
  }
  const std::string& time = chart.birthTime;  // HH:MM
  if (time.size() == 5) {
    const std::string hour = Plain(time.substr(0, 2)), minute = Plain(time.substr(3, 2));
    const Control hourList = C(ControlName::cboHour), minuteList = C(ControlName::cboMinute);
    // A collection edited by hand may hold any text: it is typed in, and
    // the run's checks say what is wrong with it.
    int value = -1;
    std::from_chars(hour.data(), hour.data() + hour.size(), value);
    if (value >= 0 && value + 1 < w.ListCount(hourList))
      w.SetListIndex(hourList, static_cast<int16_t>(value + 1));
    else
      w.SetText(hourList, hour);
    // A minute between the list's steps is typed in, as a user would.
    bool listed = false;
    for (int16_t k = 1; k < w.ListCount(minuteList) && !listed; ++k)
      if (std::to_string(w.ItemData(minuteList, k)) == minute) {
        w.SetListIndex(minuteList, k);
        listed = true;
      }
    if (!listed) w.SetText(minuteList, minute);
  }
  // An offset of the list is chosen there; a tz database name is typed.
  const Control zone = C(ControlName::cboTimezone, 1);
  if (!SelectItem(w, zone, chart.birthZone)) w.SetText(zone, chart.birthZone);
  w.SetText(C(ControlName::txbBirthPlace), chart.latitude && chart.longitude
                                               ? Coordinate(*chart.latitude) + "," + Coordinate(*chart.longitude)
                                               : std::string());
  const bool sidereal = chart.zodiac == "sidereal";
  w.SetValue(C(ControlName::optSidereal), sidereal ? 1 : 0);
  w.SetValue(C(ControlName::optTropical), sidereal ? 0 : 1);
}

std::variant<StoredChart, Notice> ChartFromWindow(FormState& state, const std::string& name) {
  RunRequest r = RequestFromWindow(state, WindowCommand::Start);
  r.mode = RunMode::Personal;
  const Captions captions = CaptionsOf(r);
  EnteredDays days;
  Zone zone;
  if (Check refusal = CheckBirthBoxes(r, captions)) return refusal->notice;
  if (Check refusal = CheckBirthData(r, captions, false, days)) return refusal->notice;
  if (Check refusal = CheckBirthZone(r, captions, zone)) return refusal->notice;
  if (std::optional<Notice> refusal = PlaceBoxRefusal(state)) return *refusal;
  StoredChart chart;
  chart.name = name;
  chart.birthDate =
      Padded(r.birth.date.year, 4) + "-" + Padded(r.birth.date.month, 2) + "-" + Padded(r.birth.date.day, 2);
  chart.birthTime = TwoDigits(r.birth.hour.value_or(12)) + ":" + TwoDigits(r.birth.minute.value_or(0));
  chart.birthZone = r.birth.zoneName.empty() ? state.window.Text(C(ControlName::cboTimezone, 1)) : r.birth.zoneName;
  if (r.birth.place) {
    chart.placeName = state.window.Text(C(ControlName::txbBirthPlace));
    chart.latitude = r.birth.place->latitude;
    chart.longitude = r.birth.place->longitude;
  }
  if (r.zodiac == Zodiac::Sidereal) chart.zodiac = "sidereal";
  return chart;
}

}  // namespace skyloom
