#include "report/sky_event_report.h"

#include "calendar/date_format.h"
#include "report/report.h"

namespace skyloom {
namespace {

std::string HouseText(int16_t house);

// The time column: wide enough for the longest zone text, never cut.
constexpr size_t kTimeWidth = 18;
std::string TimeCell(std::string text) {
  if (text.size() < kTimeWidth) text.append(kTimeWidth - text.size(), ' ');
  return text;
}

std::string PeriodText(const SkyEventList& list) {
  return MonthDayYearText(list.firstDay) + ", to " + MonthDayYearText(list.lastDay) +
         (list.zodiac == Zodiac::Sidereal ? " (sidereal)" : " (tropical)");
}

void AppendTable(std::string& out, const std::string& title, const std::string (&headings)[4],
                 const std::vector<SkyEvent>& events, const SkyEventList& list, bool stations) {
  // A zone name too long for the time column ("04:08 Europe/Berlin") gives
  // way to the offset then in force ("04:08 GMT+1:00"), and the title
  // names the zone once.
  const std::string& zone = list.zone.Text();
  const bool offsetForm = list.zone.IsNamed() && 6 + zone.size() >= kTimeWidth;
  out += "\r\n" + title + (offsetForm ? ", times in " + zone : std::string()) + "\r\n";
  out += FitCell(headings[0]) + "| " + FitCell(headings[1]) + "| " + FitCell(headings[2]) + "| " + headings[3] + "\r\n";
  out += std::string(kSeparatorLength, '-') + "\r\n";
  for (const SkyEvent& e : events) {
    const std::string what = stations                               ? (e.retrograde ? "retrograde" : "direct")
                             : e.kind == SkyEventKind::HouseIngress ? HouseText(e.house)
                                                                    : SignName(e.sign);
    std::string last = SkyEventTimeText(e, offsetForm ? OffsetText(e.offsetSeconds) : zone);
    if (stations) {
      last = TimeCell(last) + "| " + ZodiacPositionText(e.longitude);
    } else {
      last = TimeCell(last) + "| " + (e.retrograde ? "retrograde" : "direct");
    }
    out += FitCell(BodyName(e.body)) + "| " + FitCell(what) + "| " + FitCell(FormatDayNumber(e.day)) + "| " + last +
           "\r\n";
  }
  if (events.empty()) out += (stations ? "No stations in this period.\r\n" : "No ingresses in this period.\r\n");
}

std::string HouseText(int16_t house) { return "house " + std::to_string(house); }

}  // namespace

std::string SkyEventTimeText(const SkyEvent& event, const std::string& zoneText) {
  return HourMinuteText(event.minuteOfDay) + " " + zoneText;
}

std::string SkyEventPhrase(const SkyEvent& event) {
  if (event.kind == SkyEventKind::Station)
    return BodyName(event.body) + " stations " + (event.retrograde ? "retrograde" : "direct") + " at " +
           ZodiacPositionText(event.longitude);
  if (event.kind == SkyEventKind::HouseIngress)
    return BodyName(event.body) + " enters natal " + HouseText(event.house) + (event.retrograde ? " (retrograde)" : "");
  return BodyName(event.body) + " enters " + SignName(event.sign) + (event.retrograde ? " (retrograde)" : "");
}

std::string SkyEventTables(const SkyEventList& list) {
  std::string out;
  if (list.stationsAsked) {
    static const std::string kHeadings[4] = {"Body", "Station", "Date", TimeCell("Time") + "| Longitude"};
    AppendTable(out, "Stations, " + PeriodText(list), kHeadings, list.stations, list, true);
  }
  if (list.ingressesAsked) {
    static const std::string kHeadings[4] = {"Body", "Enters", "Date", TimeCell("Time") + "| Motion"};
    AppendTable(out, "Sign ingresses, " + PeriodText(list), kHeadings, list.ingresses, list, false);
  }
  if (list.houseIngressesAsked) {
    static const std::string kHeadings[4] = {"Body", "Enters", "Date", TimeCell("Time") + "| Motion"};
    AppendTable(out, "House ingresses (" + HouseSystemTitle(list.houseSystem) + " houses), " + PeriodText(list),
                kHeadings, list.houseIngresses, list, false);
  }
  return out;
}

}  // namespace skyloom
