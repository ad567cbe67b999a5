#include "report/report.h"

#include <string_view>

#include "calendar/date_format.h"
#include "engine/exact_time.h"

namespace skyloom {

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr int kCellWidth = 12;
constexpr std::string_view kDegree = "\u00b0";

bool IsLeadByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }

// The first `width` characters of text, padded with blanks to `width`
// characters; with cut clear, a longer text is kept whole. Characters are
// code points, so a "°" takes one column like any letter.
std::string FitToWidth(std::string_view text, int width, bool cut) {
  std::string fitted;
  fitted.reserve(text.size() + static_cast<size_t>(width));
  int characters = 0;
  for (char c : text) {
    if (IsLeadByte(c)) {
      if (cut && characters == width) break;
      ++characters;
    }
    fitted += c;
  }
  if (characters < width) fitted.append(static_cast<size_t>(width - characters), ' ');
  return fitted;
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  std::string result;
  size_t start = 0;
  for (size_t found; (found = text.find(from, start)) != std::string_view::npos; start = found + from.size()) {
    result.append(text.substr(start, found - start));
    result.append(to);
  }
  result.append(text.substr(start));
  return result;
}

std::string OrbHeading(std::string_view word, int16_t degrees) {
  return std::string(word) + NumberText(degrees) + std::string(kDegree);
}

std::string HtmlOrbCell(std::string_view word, int16_t degrees) {
  return "<td align=\"center\">&nbsp;" + std::string(word) + "<BR>" + NumberText(degrees) + "&deg; orb&nbsp;</td>";
}

}  // namespace

std::string FitCell(const std::string& text) { return FitToWidth(text, kCellWidth, true); }

std::string BuildRunTitle(const RunTitleParts& p) {
  std::string title = p.chart.empty() ? std::string() : p.chart + ": ";
  title += p.transiting;
  title += " transits of natal ";
  title += p.natal;
  title += ", " + MonthDayYearText(p.startDay);
  title += ", to " + MonthDayYearText(p.endDay);
  title += ", birth at " + MonthDayYearText(p.birthDay);
  title += ", " + p.hour + ":" + p.minute;
  title += " " + p.birthZone;
  title += p.tropical ? " (tropical)" : " (sidereal)";
  return title;
}

std::string BuildWorldSeriesTitle(const std::string& inner, const std::string& outer, int32_t startDay,
                                  int32_t endDay) {
  return "World transits between " + inner + " and " + outer + ", " + MonthDayYearText(startDay) + ", to " +
         MonthDayYearText(endDay);
}

std::string DateCellText(const DateMark& mark) {
  std::string text = FormatDayNumber(mark.day);
  if (mark.retrograde) text += 'r';
  return text;
}

std::string MinimumDateText(const MinimumRecord& minimum) {
  std::string text = FormatDayNumber(minimum.day);
  if (minimum.exact) text += '*';
  if (minimum.retrograde) text += 'r';
  return text;
}

std::string MinimumValueText(const MinimumRecord& minimum) {
  if (!minimum.exact) return FormatAngle(minimum.deviation);
  return HourMinuteText(minimum.minuteOfDay) + " " + minimum.zoneText;
}

ReportCells RowCells(const TransitRowData& row, bool named) {
  ReportCells cells;
  if (named) cells[0] = AspectShortName(row.aspect);
  for (OrbIndex orb = 0; orb < 3; ++orb) {
    if (row.entry[orb]) cells[1 + orb] = DateCellText(*row.entry[orb]);
    if (row.exit[orb]) cells[7 - orb] = DateCellText(*row.exit[orb]);
  }
  if (row.minimum) {
    cells[4] = MinimumDateText(*row.minimum);
    cells[8] = MinimumValueText(*row.minimum);
  }
  return cells;
}

ReportCells ReportTableWriter::Next(const TransitRowData& row, RowPlace place) {
  bool named = false;
  if (place.beginsTransit && place.transitDated) {
    named = row.aspect != lastNamed_;
    lastNamed_ = row.aspect;
  }
  return RowCells(row, named);
}

std::string ReportTitleLine(const std::string& title) { return title + std::string(kCrLf); }

ReportCells HeadingCells(const std::array<int16_t, 3>& orbs) {
  return {"Aspect",     OrbHeading("Start ", orbs[0]), OrbHeading("Start ", orbs[1]), OrbHeading("Start ", orbs[2]),
          "Minimum at", OrbHeading("End ", orbs[2]),   OrbHeading("End ", orbs[1]),   OrbHeading("End ", orbs[0]),
          "Minimum"};
}

std::string ReportSeparatorLine() { return std::string(kSeparatorLength, '-') + std::string(kCrLf); }

std::string ReportLine(const ReportCells& cells) {
  std::string line;
  for (int column = 0; column < kTableColumns; ++column) {
    const std::string& cell = cells[column];
    switch (column) {
      case 0: line += FitCell(cell) + "| "; break;
      case 4: line += "| " + FitCell(cell) + "| "; break;
      case 8: line += "| " + cell + std::string(kCrLf); break;
      default: line += FitCell(cell); break;
    }
  }
  return line;
}

std::vector<std::string> HtmlHeadLines(const std::string& title, const std::array<int16_t, 3>& orbs) {
  return {"<center>",
          "<table border=\"1\" cellpadding=\"1\" cellspacing=\"1\">",
          "<tr><td align=\"center\" colspan=\"9\"><b>",
          title,
          "</b></td></tr>",
          "<tr>",
          "<td align=\"center\">&nbsp;Aspect&nbsp;</td>",
          HtmlOrbCell("Start", orbs[0]),
          HtmlOrbCell("Start", orbs[1]),
          HtmlOrbCell("Start", orbs[2]),
          "<td align=\"center\">&nbsp;Minimum at&nbsp;</td>",
          HtmlOrbCell("End", orbs[2]),
          HtmlOrbCell("End", orbs[1]),
          HtmlOrbCell("End", orbs[0]),
          "<td align=\"center\">&nbsp;Minimum&nbsp;</td>",
          "</tr>"};
}

std::vector<std::string> HtmlRowLines(const ReportCells& cells) {
  std::vector<std::string> lines{"<tr>"};
  for (int column = 0; column < kTableColumns; ++column) {
    const std::string& cell = cells[column];
    // Column 8 holds the minimum's time and zone ("14:30 GMT-11:30") or its
    // size in degrees; padding keeps the layout, but cutting it would change
    // the zone it names, so it is never cut.
    const std::string text =
        column == 8 ? FitToWidth(ReplaceAll(cell, kDegree, "&deg;"), kCellWidth, false) : FitCell(cell);
    lines.push_back("<td align=\"left\" valign=\"top\">&nbsp;" + text + "&nbsp;</td>");
  }
  // With its own line end this leaves an empty line between rows.
  lines.push_back(std::string("</tr>") + std::string(kCrLf));
  return lines;
}

}  // namespace skyloom
