#include "report/report.h"

#include <cerrno>
#include <cstring>
#include <string_view>

#include "calendar/date_format.h"
#include "ports/window.h"
#include "report/output_box.h"

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
  for (size_t found; (found = text.find(from, start)) != std::string_view::npos;
       start = found + from.size()) {
    result.append(text.substr(start, found - start));
    result.append(to);
  }
  result.append(text.substr(start));
  return result;
}

bool HtmlChecked(const FormState& state) {
  return state.window.Value(Ctl(ControlName::chkOutputAsHTML)) != 0;
}

// Lines of the HTML file. A missing handle (the file failed to open) writes
// nothing; write errors surface when the file is closed.
void WriteHtmlLine(FormState& state, std::string_view line) {
  if (state.OutputFile == nullptr) return;
  std::fwrite(line.data(), 1, line.size(), state.OutputFile);
  std::fwrite(kCrLf.data(), 1, kCrLf.size(), state.OutputFile);
}

std::string OrbHeading(std::string_view word, int16_t degrees) {
  return std::string(word) + NumberText(degrees) + std::string(kDegree);
}

std::string HtmlOrbCell(std::string_view word, int16_t degrees) {
  return "<td align=\"center\">&nbsp;" + std::string(word) + "<BR>" + NumberText(degrees) +
         "&deg; orb&nbsp;</td>";
}

void WriteHtmlRow(FormState& state, int32_t row) {
  if (!state.HtmlFileOpen) {
    state.HtmlFileOpen = OpenHtmlFile(state);
    if (!state.HtmlFileOpen) return;
  }
  // The heading row only opens the file: the head stands in for it.
  if (row < 2) return;
  WriteHtmlLine(state, "<tr>");
  for (int column = 0; column < kTableColumns; ++column) {
    const std::string& cell = state.Table.Cell(row, column);
    // Column 8 holds the minimum's time and zone ("14:30 GMT-11:30") or its
    // size in degrees; padding keeps the layout, but cutting it would change
    // the zone it names, so it is never cut.
    const std::string text =
        column == 8 ? FitToWidth(ReplaceAll(cell, kDegree, "&deg;"), kCellWidth, false) : FitCell(cell);
    WriteHtmlLine(state, "<td align=\"left\" valign=\"top\">&nbsp;" + text + "&nbsp;</td>");
  }
  // With its own line end this leaves an empty line between rows.
  WriteHtmlLine(state, std::string("</tr>") + std::string(kCrLf));
}

}  // namespace

std::string FitCell(const std::string& text) { return FitToWidth(text, kCellWidth, true); }

std::string BuildRunTitle(const FormState& state) {
  const Window& w = state.window;
  if (w.Value(Ctl(ControlName::optWorld)) != 0) return {};
  std::string title = w.Text(Ctl(ControlName::cboPlanet, 0));
  title += " transits of natal ";
  title += w.Text(Ctl(ControlName::cboPlanet, 1));
  title += ", " + MonthDayYearText(state.RunStartDay);
  title += ", to " + MonthDayYearText(state.RunEndDay);
  title += ", birth at " + MonthDayYearText(state.EnteredDayNumbers[2]);
  title += ", " + w.Text(Ctl(ControlName::cboHour)) + ":" + w.Text(Ctl(ControlName::cboMinute));
  title += " " + w.Text(Ctl(ControlName::cboTimezone, 1));
  title += w.Value(Ctl(ControlName::optTropical)) != 0 ? " (tropical)" : " (sidereal)";
  return title;
}

void WriteReportHeader(FormState& state) {
  Window& w = state.window;
  const Control output = Ctl(ControlName::txbOutput);
  TransitTable& table = state.Table;

  table.SetCell(0, 0, state.RunTitle);
  w.AppendText(output, state.RunTitle + std::string(kCrLf));

  const auto& orbs = state.Orbs.OrbDegrees;
  table.SetCell(1, 0, "Aspect");
  table.SetCell(1, 1, OrbHeading("Start ", orbs[0]));
  table.SetCell(1, 2, OrbHeading("Start ", orbs[1]));
  table.SetCell(1, 3, OrbHeading("Start ", orbs[2]));
  table.SetCell(1, 4, "Minimum at");
  table.SetCell(1, 5, OrbHeading("End ", orbs[2]));
  table.SetCell(1, 6, OrbHeading("End ", orbs[1]));
  table.SetCell(1, 7, OrbHeading("End ", orbs[0]));
  table.SetCell(1, 8, "Minimum");
  WriteReportRow(state, 1);

  const std::string separator(kSeparatorLength, '-');
  table.SetCell(2, 0, separator);
  w.AppendText(output, separator + std::string(kCrLf));
  state.HeaderWritten = true;
}

void WriteReportRow(FormState& state, int32_t row) {
  Window& w = state.window;
  const Control output = Ctl(ControlName::txbOutput);

  // The box is checked before each row, so the last row printed may carry
  // it past the capacity.
  if (OutputBoxFull(w)) {
    w.MessageBox(
        {"Output textbox is full.", w.Caption(), MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok});
    w.AppendText(output, "Textbox is full -- ");
    state.StopRequested = true;
    state.RunAbandoned = true;
    return;
  }

  std::string line;
  for (int column = 0; column < kTableColumns; ++column) {
    // "?" marks a cell the engine could not settle; it prints as blank and
    // is blank from then on.
    if (state.Table.Cell(row, column) == "?") state.Table.SetCell(row, column, std::string());
    const std::string& cell = state.Table.Cell(row, column);
    switch (column) {
      case 0:
        line += FitCell(cell) + "| ";
        break;
      case 4:
        line += "| " + FitCell(cell) + "| ";
        break;
      case 8:
        line += "| " + cell + std::string(kCrLf);
        break;
      default:
        line += FitCell(cell);
        break;
    }
  }
  w.AppendText(output, line);
  w.CaretToEnd(output);
  w.Repaint(output);

  if (HtmlChecked(state)) WriteHtmlRow(state, row);
}

bool OpenHtmlFile(FormState& state) {
  if (state.OutputFile != nullptr) {
    std::fclose(state.OutputFile);
    state.OutputFile = nullptr;
  }
  errno = 0;
  state.OutputFile = std::fopen(state.OutputFilePath.c_str(), "wb");
  if (state.OutputFile == nullptr) {
    const int error = errno != 0 ? errno : EIO;
    Window& w = state.window;
    w.MessageBox(
        {"Error when opening file " + state.OutputFilePath + ":" + std::string(kCrLf) + std::strerror(error),
         w.Text(Ctl(ControlName::cmdFile)), MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok});
    return false;
  }
  if (HtmlChecked(state)) WriteHtmlHead(state);
  return true;
}

void WriteHtmlHead(FormState& state) {
  const auto& orbs = state.Orbs.OrbDegrees;
  WriteHtmlLine(state, "<center>");
  WriteHtmlLine(state, "<table border=\"1\" cellpadding=\"1\" cellspacing=\"1\">");
  WriteHtmlLine(state, "<tr><td align=\"center\" colspan=\"9\"><b>");
  WriteHtmlLine(state, state.RunTitle);
  WriteHtmlLine(state, "</b></td></tr>");
  WriteHtmlLine(state, "<tr>");
  WriteHtmlLine(state, "<td align=\"center\">&nbsp;Aspect&nbsp;</td>");
  WriteHtmlLine(state, HtmlOrbCell("Start", orbs[0]));
  WriteHtmlLine(state, HtmlOrbCell("Start", orbs[1]));
  WriteHtmlLine(state, HtmlOrbCell("Start", orbs[2]));
  WriteHtmlLine(state, "<td align=\"center\">&nbsp;Minimum at&nbsp;</td>");
  WriteHtmlLine(state, HtmlOrbCell("End", orbs[2]));
  WriteHtmlLine(state, HtmlOrbCell("End", orbs[1]));
  WriteHtmlLine(state, HtmlOrbCell("End", orbs[0]));
  WriteHtmlLine(state, "<td align=\"center\">&nbsp;Minimum&nbsp;</td>");
  WriteHtmlLine(state, "</tr>");
}

void CloseHtmlFile(FormState& state) {
  if (HtmlChecked(state)) WriteHtmlLine(state, "</table></center><p>");
  std::FILE* file = state.OutputFile;
  state.OutputFile = nullptr;
  state.HtmlFileOpen = false;
  if (file == nullptr) return;

  // Buffered writes fail late (a full disk shows at the flush), so the close
  // is where a damaged file shows; the run must not end as if it were whole.
  bool failed = std::ferror(file) != 0;
  int error = 0;
  if (std::fflush(file) != 0) {
    failed = true;
    error = errno;
  }
  if (std::fclose(file) != 0) {
    failed = true;
    if (error == 0) error = errno;
  }
  if (!failed) return;
  Window& w = state.window;
  w.MessageBox({"Error writing to file " + state.OutputFilePath + std::string(kCrLf) +
                    std::strerror(error != 0 ? error : EIO),
                w.Text(Ctl(ControlName::cmdFile)), MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok});
}

}  // namespace skyloom
