#include "report/forecast_report.h"

#include <cmath>

#include "calendar/date_format.h"
#include "engine/sky_events.h"
#include "report/report.h"

namespace skyloom {
namespace {

// A cell padded to its column's width, in characters ("°" is one); the
// position column holds the longest, "29°59' Sagittarius", with room to spare.
std::string Cell(std::string text, size_t width) {
  size_t characters = 0;
  for (const char c : text)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++characters;
  if (characters < width) text.append(width - characters, ' ');
  return text + "| ";
}

constexpr size_t kKindWidth = 16, kDateWidth = 11, kTimeWidth = 18, kPlaceWidth = 19;

std::string PeriodText(const ForecastList& list) {
  return MonthDayYearText(list.firstDay) + ", to " + MonthDayYearText(list.lastDay) +
         (list.zodiac == Zodiac::Sidereal ? " (sidereal)" : " (tropical)");
}

// A zone name too long for the time column gives way to the offset in
// force, and the title names the zone once, as the stations table does.
bool OffsetForm(const ForecastList& list) { return list.zone.IsNamed() && 6 + list.zone.Text().size() >= kTimeWidth; }

std::string TimeText(const LocalMoment& at, const ForecastList& list) {
  return HourMinuteText(at.local.minuteOfDay) + " " +
         (OffsetForm(list) ? OffsetText(at.local.offsetSeconds) : list.zone.Text());
}

std::string Title(const std::string& what, const ForecastList& list) {
  return "\r\n" + what + ", " + PeriodText(list) + (OffsetForm(list) ? ", times in " + list.zone.Text() : "") + "\r\n";
}

std::string Separator() { return std::string(kSeparatorLength, '-') + "\r\n"; }

std::string Line(std::string line) {
  // The last cell's border is left off.
  while (!line.empty() && (line.back() == ' ' || line.back() == '|')) line.pop_back();
  return line + "\r\n";
}

std::string LunationKindText(LunationKind kind) { return kind == LunationKind::NewMoon ? "new Moon" : "full Moon"; }

// A table of events at one moment with a position (eclipses, lunations):
// kind, date, time, where the Moon or the Sun stood, and the natal contacts
// of a personal command.
template <class Event, class KindText>
void AppendMomentTable(std::string& out, const ForecastList& list, const char* title, const char* kindHeading,
                       const char* timeHeading, const std::vector<Event>& events, KindText kindText,
                       const char* none) {
  out += Title(title, list);
  out += Line(Cell(kindHeading, kKindWidth) + Cell("Date", kDateWidth) + Cell(timeHeading, kTimeWidth) +
              Cell("Position", kPlaceWidth) + (list.personal ? "Natal contacts" : ""));
  out += Separator();
  for (const Event& e : events)
    out += Line(Cell(kindText(e.kind), kKindWidth) + Cell(FormatDayNumber(e.at.local.day), kDateWidth) +
                Cell(TimeText(e.at, list), kTimeWidth) + Cell(ZodiacPositionText(e.longitude), kPlaceWidth) +
                (list.personal ? ContactsText(e.contacts) : ""));
  if (events.empty()) out += none;
}

void AppendEclipses(std::string& out, const ForecastList& list) {
  AppendMomentTable(out, list, "Eclipses", "Eclipse", "Greatest", list.eclipses, EclipseKindText,
                    "No eclipses in this period.\r\n");
}

void AppendLunations(std::string& out, const ForecastList& list) {
  AppendMomentTable(out, list, "New and full Moons", "Lunation", "Time", list.lunations, LunationKindText,
                    "No lunations in this period.\r\n");
}

std::string LastAspectText(const VoidSpell& spell) {
  return spell.lastBody == 0 ? "none in the sign"
                             : AsciiLowerCase(AspectName(spell.lastAspect)) + " " + BodyName(spell.lastBody);
}

void AppendVoidOfCourse(std::string& out, const ForecastList& list) {
  out += Title("Moon void of course", list);
  out += Line(Cell("Begins", kDateWidth) + Cell("Time", kTimeWidth) + Cell("Ends", kDateWidth) +
              Cell("Time", kTimeWidth) + Cell("Sign", kDateWidth + 1) + "After");
  out += Separator();
  for (const VoidSpell& v : list.voidOfCourse)
    out += Line(Cell(FormatDayNumber(v.start.local.day), kDateWidth) + Cell(TimeText(v.start, list), kTimeWidth) +
                Cell(FormatDayNumber(v.end.local.day), kDateWidth) + Cell(TimeText(v.end, list), kTimeWidth) +
                Cell(SignName(v.sign), kDateWidth + 1) + LastAspectText(v));
  if (list.voidOfCourse.empty()) out += "No void-of-course Moon in this period.\r\n";
}

}  // namespace

std::string ContactText(const NatalContact& contact) {
  const auto minutes = static_cast<int64_t>(std::floor(contact.deviation / TwoPi * 360.0 * 60.0));
  std::string minuteText = std::to_string(minutes % 60);
  if (minuteText.size() < 2) minuteText.insert(0, "0");
  return AsciiLowerCase(AspectName(contact.aspect)) + " natal " + BodyName(contact.natal) + " " +
         std::to_string(minutes / 60) + "\xC2\xB0" + minuteText + "'";
}

std::string ContactsText(const std::vector<NatalContact>& contacts) {
  if (contacts.empty()) return "none";
  std::string text;
  for (const NatalContact& c : contacts) text += (text.empty() ? "" : ", ") + ContactText(c);
  return text;
}

std::string EclipsePhrase(const Eclipse& eclipse) {
  return EclipseKindText(eclipse.kind) + " eclipse at " + ZodiacPositionText(eclipse.longitude);
}

std::string LunationPhrase(const Lunation& lunation) {
  return LunationKindText(lunation.kind) + " at " + ZodiacPositionText(lunation.longitude);
}

std::string VoidSpellPhrase(const VoidSpell& spell) {
  return "Moon void of course in " + SignName(spell.sign) +
         (spell.lastBody == 0 ? std::string() : " (after " + LastAspectText(spell) + ")");
}

std::string ForecastTables(const ForecastList& list) {
  std::string out;
  if (list.eclipsesAsked) AppendEclipses(out, list);
  if (list.lunationsAsked) AppendLunations(out, list);
  if (list.voidOfCourseAsked) AppendVoidOfCourse(out, list);
  return out;
}

std::vector<ForecastRecord> ForecastRecords(const ForecastList& list) {
  std::vector<ForecastRecord> records;
  for (const Eclipse& e : list.eclipses)
    records.push_back({"eclipse", EclipseKindText(e.kind), IsSolar(e.kind) ? Sun : Moon, e.at, std::nullopt,
                       e.longitude, EclipsePhrase(e), e.contacts});
  for (const Lunation& l : list.lunations)
    records.push_back(
        {"lunation", LunationKindText(l.kind), Moon, l.at, std::nullopt, l.longitude, LunationPhrase(l), l.contacts});
  for (const VoidSpell& v : list.voidOfCourse)
    records.push_back({"void_of_course", SignName(v.sign), Moon, v.start, v.end, std::nullopt, VoidSpellPhrase(v), {}});
  return records;
}

}  // namespace skyloom
