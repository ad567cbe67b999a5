#include "report/output_box.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "ports/shell.h"
#include "ports/window.h"

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

std::string ErrorText(int error) { return std::error_code(error, std::generic_category()).message(); }

void Tell(Window& w, std::string text, std::string title, MsgIcon icon) {
  w.MessageBox({std::move(text), std::move(title), icon, MsgButtons::Ok, MsgAnswer::Ok});
}

// Writes the bytes to an open file and closes it; 0 or the first errno.
int WriteAndClose(std::FILE* file, std::string_view text) {
  int error = 0;
  if (std::fwrite(text.data(), 1, text.size(), file) != text.size()) error = errno != 0 ? errno : EIO;
  if (std::fflush(file) != 0 && error == 0) error = errno != 0 ? errno : EIO;
  if (std::fclose(file) != 0 && error == 0) error = errno != 0 ? errno : EIO;
  return error;
}

// A new file beside path that no one else uses, created as fopen creates
// files (so it gets the user's usual permissions); nullptr when the folder
// takes no new file.
std::FILE* CreateTemporaryBeside(const std::string& path, std::string& temporary, int& error) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary = path + ".skyloom-" + std::to_string(attempt) + ".tmp";
    errno = 0;
    if (std::FILE* file = std::fopen(temporary.c_str(), "wbx")) return file;
    error = errno != 0 ? errno : EIO;
    if (error != EEXIST) return nullptr;
  }
  return nullptr;
}

std::string WriteInPlace(const std::string& path, std::string_view text) {
  errno = 0;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return ErrorText(errno != 0 ? errno : EIO);
  const int error = WriteAndClose(file, text);
  return error == 0 ? std::string() : ErrorText(error);
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

std::string WriteTextFile(const std::string& text, const std::string& path) {
  return WriteFileReplacing(path, text + std::string(kCrLf));
}

std::string WriteFileReplacing(const std::string& chosenPath, std::string_view text) {
  namespace fs = std::filesystem;
  if (chosenPath.empty()) return ErrorText(ENOENT);
  std::error_code ec;
  // A link stays a link: the file it points to is the one replaced.
  std::string path = chosenPath;
  if (fs::is_symlink(chosenPath, ec)) {
    const fs::path target = fs::weakly_canonical(chosenPath, ec);
    if (!ec) path = target.string();
  }

  // Only a regular file is replaced; a device or pipe is written to, and a
  // folder fails as it should.
  const fs::file_status status = fs::status(path, ec);
  const bool exists = !ec && fs::exists(status);
  if (exists && !fs::is_regular_file(status)) return WriteInPlace(path, text);

  // The text goes to a temporary beside the file and replaces it only once
  // it is whole, so a full disk never leaves a cut-off report behind.
  std::string temporary;
  int error = 0;
  std::FILE* file = CreateTemporaryBeside(path, temporary, error);
  if (file == nullptr) {
    // A folder that lets us replace the file but not add one.
    if (error == EACCES || error == EPERM || error == EEXIST) return WriteInPlace(path, text);
    return ErrorText(error);
  }

  error = WriteAndClose(file, text);
  if (error == 0) {
    // A replaced file keeps the permissions it had.
    if (exists) fs::permissions(temporary, status.permissions(), ec);
    if (std::rename(temporary.c_str(), path.c_str()) != 0) error = errno != 0 ? errno : EIO;
  }
  if (error != 0) fs::remove(temporary, ec);
  return error == 0 ? std::string() : ErrorText(error);
}

bool OpenWithAssociatedProgram(FormState& state, Shell& shell, const std::string& path, bool showErrors) {
  if (shell.OpenDocument(path) >= 33) return true;
  if (showErrors) Tell(state.window, "Error when opening file " + path + ".", "Error", MsgIcon::Exclamation);
  return false;
}

}  // namespace skyloom
