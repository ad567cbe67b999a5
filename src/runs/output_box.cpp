#include "runs/output_box.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "ports/shell.h"
#include "ports/window.h"
#include "report/exports.h"
#include "report/files.h"

namespace skyloom {

namespace {

constexpr std::string_view kCrLf = "\r\n";

// Only blanks: the report's last line end is part of its text.
std::string TrimSpaces(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

void Tell(Window& w, std::string text, std::string title, MsgIcon icon) {
  w.MessageBox({std::move(text), std::move(title), icon, MsgButtons::Ok, MsgAnswer::Ok});
}

}  // namespace

void SetWindowHeight(Window& window, int32_t height) {
  Rect r = window.FormGeometry();
  r.Height = height;
  window.SetFormGeometry(r);
}

void ClearOutput(FormState& state) {
  state.window.SetText(Ctl(ControlName::txbOutput), "");
  SetWindowHeight(state.window, MinWindowHeight);
}

void WriteOutputFile(FormState& state, Shell& shell) {
  Window& w = state.window;
  const Control output = Ctl(ControlName::txbOutput);
  const std::string caption = w.Text(Ctl(ControlName::cmdFile));
  const bool html = w.Value(Ctl(ControlName::chkOutputAsHTML)) != 0;

  FileDialogRequest dialog;
  dialog.flags = 4;  // no read-only check box
  std::string text;
  if (html) {
    dialog.title = "Specify file for HTML";
    dialog.filter = "HTML files *.htm, *.html | *.htm;*.html";
  } else {
    text = TrimSpaces(w.Text(output));
    w.SetText(output, text);
    if (text.empty()) {
      Tell(w, "Nothing to write.", caption, MsgIcon::Exclamation);
      return;
    }
    dialog.title = "Specify output file";
    dialog.filter = "Text files *.txt | *.txt";
  }

  std::string path;
  try {
    path = w.ShowFileDialog(dialog);
  } catch (const std::exception&) {
    // A dialog that fails leaves no name, which reads as a cancel.
    path.clear();
  }
  if (path.empty()) return;

  state.OutputFilePath = path;
  if (html) return;  // the next run writes the HTML file

  const std::string error = WriteTextFile(text, path);
  if (!error.empty()) {
    Tell(w, "Error writing to file " + path + std::string(kCrLf) + error, caption, MsgIcon::Exclamation);
    return;
  }
  if (w.Value(Ctl(ControlName::chkOpenOutputFile)) != 0) {
    OpenWithAssociatedProgram(state, shell, path, true);
  } else {
    Tell(w, "Output written to file " + path, "Done", MsgIcon::Information);
  }
}

bool OutputBoxFull(const Window& window) {
  const Control box = Ctl(ControlName::txbOutput);
  return window.KeepsText(box) && window.TextLength(box) > OutputBoxCapacity;
}

bool OpenWithAssociatedProgram(FormState& state, Shell& shell, const std::string& path, bool showErrors) {
  if (shell.OpenDocument(path) >= 33) return true;
  if (showErrors) Tell(state.window, "Error when opening file " + path + ".", "Error", MsgIcon::Exclamation);
  return false;
}

void ExportResultsCommand(FormState& state, ExportFormat format) {
  Window& w = state.window;
  struct Kind {
    const char* title;
    const char* filter;
  };
  static const Kind kKinds[] = {
      {"Export as iCalendar", "iCalendar files *.ics | *.ics"},
      {"Export as CSV", "CSV files *.csv | *.csv"},
      {"Export as JSON", "JSON files *.json | *.json"},
  };
  const Kind& kind = kKinds[static_cast<int>(format)];
  bool anyTransit = false;
  for (const RunResult& run : state.Runs.Results()) anyTransit = anyTransit || !run.transits.empty();
  if (!anyTransit) {
    w.MessageBox({"There are no transits to export: run a report first.", kind.title, MsgIcon::Information});
    return;
  }
  FileDialogRequest dialog;
  dialog.title = kind.title;
  dialog.filter = kind.filter;
  dialog.flags = 4;
  const std::string path = w.ShowFileDialog(dialog);
  if (path.empty()) return;
  // The tables after the transits go with them, as the command line's files have them.
  const std::vector<RunResult>& results = state.Runs.Results();
  const TablesAfterRuns& tables = state.Tables;
  std::string bytes;
  switch (format) {
    case ExportFormat::ICalendar: bytes = WriteICalendar(results, tables.events, tables.forecast, ExportTime()); break;
    case ExportFormat::Csv: bytes = WriteCsv(results, tables.events, tables.forecast); break;
    case ExportFormat::Json: bytes = WriteJson(results, tables.events, tables.forecast); break;
  }
  const std::string error = WriteFileReplacing(path, bytes);
  if (!error.empty()) {
    w.MessageBox({"Error writing to file " + path + "\r\n" + error, kind.title, MsgIcon::Exclamation});
    return;
  }
  // As "Write output to file" does: the user sees which file now holds them.
  w.MessageBox({"Results written to file " + path, "Done", MsgIcon::Information});
}

}  // namespace skyloom
