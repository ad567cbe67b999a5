#include "runs/report_writer.h"

#include <cerrno>
#include <cstring>
#include <string_view>

#include "ports/window.h"
#include "report/report.h"
#include "runs/output_box.h"

namespace skyloom {

namespace {

constexpr std::string_view kCrLf = "\r\n";

bool HtmlChecked(const FormState& state) { return state.window.Value(Ctl(ControlName::chkOutputAsHTML)) != 0; }

// Lines of the HTML file. A missing handle (the file failed to open) writes
// nothing; write errors surface when the file is closed.
void WriteHtmlLine(FormState& state, std::string_view line) {
  if (state.OutputFile == nullptr) return;
  std::fwrite(line.data(), 1, line.size(), state.OutputFile);
  std::fwrite(kCrLf.data(), 1, kCrLf.size(), state.OutputFile);
}

// The heading row (no cells) only opens the file: the head stands in for it.
void WriteHtmlRow(FormState& state, const ReportCells* cells) {
  if (!state.HtmlFileOpen) {
    state.HtmlFileOpen = OpenHtmlFile(state);
    if (!state.HtmlFileOpen) return;
  }
  if (cells == nullptr) return;
  for (const std::string& line : HtmlRowLines(*cells)) WriteHtmlLine(state, line);
}

bool WriteRow(FormState& state, const ReportCells& cells, bool heading) {
  Window& w = state.window;
  const Control output = Ctl(ControlName::txbOutput);

  // The box is checked before each row, so the last row printed may carry
  // it past the capacity.
  if (OutputBoxFull(w)) {
    w.MessageBox({"Output textbox is full.", w.Caption(), MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok});
    w.AppendText(output, "Textbox is full -- ");
    state.StopRequested = true;
    state.RunAbandoned = true;
    return false;
  }
  w.AppendText(output, ReportLine(cells));
  w.CaretToEnd(output);
  w.Repaint(output);
  if (HtmlChecked(state)) WriteHtmlRow(state, heading ? nullptr : &cells);
  return true;
}

}  // namespace

std::string RunTitleFromWindow(const FormState& state) {
  const Window& w = state.window;
  if (w.Value(Ctl(ControlName::optWorld)) != 0) return {};
  RunTitleParts parts;
  parts.transiting = w.Text(Ctl(ControlName::cboPlanet, 0));
  parts.natal = w.Text(Ctl(ControlName::cboPlanet, 1));
  parts.startDay = state.RunStartDay;
  parts.endDay = state.RunEndDay;
  parts.birthDay = state.EnteredDayNumbers[2];
  parts.hour = w.Text(Ctl(ControlName::cboHour));
  parts.minute = w.Text(Ctl(ControlName::cboMinute));
  parts.birthZone = w.Text(Ctl(ControlName::cboTimezone, 1));
  parts.tropical = w.Value(Ctl(ControlName::optTropical)) != 0;
  return BuildRunTitle(parts);
}

void WriteReportHeader(FormState& state) {
  Window& w = state.window;
  const Control output = Ctl(ControlName::txbOutput);
  w.AppendText(output, ReportTitleLine(state.RunTitle));
  WriteRow(state, HeadingCells(state.Orbs.OrbDegrees), true);
  w.AppendText(output, ReportSeparatorLine());
  state.HeaderWritten = true;
}

bool WriteReportRow(FormState& state, const ReportCells& cells) { return WriteRow(state, cells, false); }

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
    w.MessageBox({"Error when opening file " + state.OutputFilePath + ":" + std::string(kCrLf) + std::strerror(error),
                  w.Text(Ctl(ControlName::cmdFile)), MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok});
    return false;
  }
  if (HtmlChecked(state))
    for (const std::string& line : HtmlHeadLines(state.RunTitle, state.Orbs.OrbDegrees)) WriteHtmlLine(state, line);
  return true;
}

void CloseHtmlFile(FormState& state) {
  if (HtmlChecked(state)) WriteHtmlLine(state, HtmlFootLine);
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
  w.MessageBox(
      {"Error writing to file " + state.OutputFilePath + std::string(kCrLf) + std::strerror(error != 0 ? error : EIO),
       w.Text(Ctl(ControlName::cmdFile)), MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok});
}

}  // namespace skyloom
