#include "report/files.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace skyloom {

namespace {

constexpr std::string_view kCrLf = "\r\n";

std::string ErrorText(int error) { return std::error_code(error, std::generic_category()).message(); }

int ErrorOr(int fallback) { return errno != 0 ? errno : fallback; }

// A new file beside path that no one else uses, created as fopen creates
// files (so it gets the user's usual permissions); nullptr when the folder
// takes no new file.
std::FILE* CreateTemporaryBeside(const std::string& path, std::string& temporary, int& error) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary = path + ".skyloom-" + std::to_string(attempt) + ".tmp";
    errno = 0;
    if (std::FILE* file = std::fopen(temporary.c_str(), "wbx")) return file;
    error = ErrorOr(EIO);
    if (error != EEXIST) break;
  }
  temporary.clear();
  return nullptr;
}

}  // namespace

std::string WriteTextFile(const std::string& text, const std::string& path) {
  return WriteFileReplacing(path, text + std::string(kCrLf));
}

std::string WriteFileReplacing(const std::string& path, std::string_view text) {
  FileReplacement file;
  std::string error = file.Open(path);
  if (!error.empty()) return error;
  file.Write(text);
  return file.Commit();
}

std::string FileReplacement::Open(const std::string& chosenPath) {
  namespace fs = std::filesystem;
  Abandon();
  error_ = 0;
  if (chosenPath.empty()) return ErrorText(ENOENT);
  std::error_code ec;
  // A link stays a link: the file it points to is the one replaced.
  path_ = chosenPath;
  if (fs::is_symlink(chosenPath, ec)) {
    const fs::path target = fs::weakly_canonical(chosenPath, ec);
    if (!ec) path_ = target.string();
  }

  // Only a regular file is replaced; a device or pipe is written to, and a
  // folder fails as it should.
  const fs::file_status status = fs::status(path_, ec);
  const bool exists = !ec && fs::exists(status);
  bool inPlace = exists && !fs::is_regular_file(status);
  // Renaming over a file needs no right to write it, but a file its owner
  // made read-only is not to be replaced behind their back.
  if (exists && !inPlace && ::access(path_.c_str(), W_OK) != 0) return ErrorText(ErrorOr(EACCES));

  if (!inPlace) {
    // The text goes to a temporary beside the file and replaces it only
    // once it is whole, so a full disk never leaves a cut-off file behind.
    int error = 0;
    file_ = CreateTemporaryBeside(path_, temporary_, error);
    if (file_ == nullptr) {
      // A folder that lets us replace the file but not add one.
      if (error != EACCES && error != EPERM && error != EEXIST) return ErrorText(error);
      inPlace = true;
    }
  }
  if (inPlace) {
    errno = 0;
    file_ = std::fopen(path_.c_str(), "wb");
    if (file_ == nullptr) return ErrorText(ErrorOr(EIO));
  }
  replacesExisting_ = exists;
  permissions_ = exists ? static_cast<int>(status.permissions()) : 0;
  return {};
}

void FileReplacement::Write(std::string_view bytes) {
  if (file_ == nullptr || error_ != 0 || bytes.empty()) return;
  errno = 0;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) error_ = ErrorOr(EIO);
}

std::string FileReplacement::Commit() {
  namespace fs = std::filesystem;
  if (file_ == nullptr) return ErrorText(error_ != 0 ? error_ : EBADF);
  int error = error_;
  errno = 0;
  if (std::fflush(file_) != 0 && error == 0) error = ErrorOr(EIO);
  errno = 0;
  if (std::fclose(file_) != 0 && error == 0) error = ErrorOr(EIO);
  file_ = nullptr;
  if (error == 0 && !temporary_.empty()) {
    std::error_code ec;
    // A replaced file keeps the permissions it had.
    if (replacesExisting_) fs::permissions(temporary_, static_cast<fs::perms>(permissions_), ec);
    errno = 0;
    if (std::rename(temporary_.c_str(), path_.c_str()) != 0)
      error = ErrorOr(EIO);
    else
      temporary_.clear();
  }
  Abandon();
  return error == 0 ? std::string() : ErrorText(error);
}

void FileReplacement::Abandon() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
  if (!temporary_.empty()) std::remove(temporary_.c_str());
  temporary_.clear();
}

}  // namespace skyloom
