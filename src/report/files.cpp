#include "report/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <system_error>

namespace skyloom {

namespace {

constexpr std::string_view kCrLf = "\r\n";
// Links followed before a name is taken as a loop, as the system counts.
constexpr int kMostLinks = 40;

std::string ErrorText(int error) { return std::error_code(error, std::generic_category()).message(); }

int ErrorOr(int fallback) { return errno != 0 ? errno : fallback; }

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a chain of links ends at, the end itself perhaps not made yet (a
// dangling link names the file to make). Returns 0, or ELOOP.
int FollowLinks(std::string& path) {
  for (int hop = 0; hop < kMostLinks; ++hop) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return 0;
    std::string target(4096, '\0');
    const ssize_t size = ::readlink(path.c_str(), target.data(), target.size());
    if (size < 0) return 0;
    target.resize(static_cast<size_t>(size));
    path = !target.empty() && target[0] == '/' ? target : FolderOf(path) + "/" + target;
  }
  return ELOOP;
}

// ".skyloom-PID-N.tmp": the process id that wrote it, or 0 for another name.
long TemporaryOwner(std::string_view name) {
  if (name.substr(0, kTemporaryPrefix.size()) != kTemporaryPrefix || name.size() < kTemporaryPrefix.size() + 7 ||
      name.substr(name.size() - 4) != ".tmp")
    return 0;
  name = name.substr(kTemporaryPrefix.size(), name.size() - kTemporaryPrefix.size() - 4);
  const size_t dash = name.find('-');
  if (dash == 0 || dash == std::string_view::npos || dash > 9 || dash + 1 == name.size()) return 0;
  long pid = 0;
  for (size_t k = 0; k < name.size(); ++k) {
    if (k == dash) continue;
    if (name[k] < '0' || name[k] > '9') return 0;
    if (k < dash) pid = pid * 10 + (name[k] - '0');
  }
  return pid;
}

// The temporaries of processes that were killed before they could remove
// them (kill -9, a power cut): ours, of a process that is gone.
void RemoveStaleTemporaries(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  while (const dirent* entry = ::readdir(dir)) {
    const long pid = TemporaryOwner(entry->d_name);
    if (pid <= 0 || pid == ::getpid()) continue;
    if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
    const std::string path = folder + "/" + entry->d_name;
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid()) ::unlink(path.c_str());
  }
  ::closedir(dir);
}

// A new file beside path that no one else uses, created as fopen creates
// files (so it gets the user's usual permissions); nullptr when the folder
// takes no new file. The name does not repeat the file's, so that it fits
// wherever the file's own name does.
std::FILE* CreateTemporaryBeside(const std::string& path, std::string& temporary, int& error) {
  const std::string folder = FolderOf(path);
  RemoveStaleTemporaries(folder);
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary = folder + "/" + std::string(kTemporaryPrefix) + std::to_string(::getpid()) + "-" +
                std::to_string(attempt) + ".tmp";
    errno = 0;
    if (std::FILE* file = std::fopen(temporary.c_str(), "wbx")) return file;
    error = ErrorOr(EIO);
    if (error != EEXIST) break;
  }
  temporary.clear();
  return nullptr;
}

// Copies the finished temporary into the file itself, for a file with
// other names (hard links). Returns 0 or the error.
int CopyInPlace(const std::string& from, const std::string& to) {
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return ErrorOr(EIO);
  const int out = ::open(to.c_str(), O_WRONLY | O_CLOEXEC);
  if (out < 0) {
    const int error = ErrorOr(EIO);
    ::close(in);
    return error;
  }
  struct stat source {
  }, target{};
  int error = 0;
  if (::fstat(in, &source) != 0 || ::fstat(out, &target) != 0) error = ErrorOr(EIO);
  // The room for the new bytes first: a full disk stops the copy before a
  // byte of the file has changed.
  if (error == 0 && source.st_size > target.st_size) {
    const int reserved = ::posix_fallocate(out, 0, source.st_size);
    if (reserved != 0 && reserved != EOPNOTSUPP && reserved != EINVAL) {
      static_cast<void>(::ftruncate(out, target.st_size));
      error = reserved;
    }
  }
  char buffer[65536];
  off_t at = 0;
  while (error == 0) {
    const ssize_t got = ::pread(in, buffer, sizeof buffer, at);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) error = ErrorOr(EIO);
    if (got <= 0) break;
    for (ssize_t done = 0; error == 0 && done < got;) {
      errno = 0;
      const ssize_t put = ::pwrite(out, buffer + done, static_cast<size_t>(got - done), at + done);
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) error = ErrorOr(EIO);
      if (put > 0) done += put;
    }
    at += got;
  }
  if (error == 0 && ::ftruncate(out, at) != 0) error = ErrorOr(EIO);
  if (::close(out) != 0 && error == 0) error = ErrorOr(EIO);
  ::close(in);
  return error;
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
  Abandon();
  error_ = 0;
  if (chosenPath.empty()) return ErrorText(ENOENT);
  // A link stays a link: the file it points to is the one replaced.
  path_ = chosenPath;
  if (const int error = FollowLinks(path_)) return ErrorText(error);

  struct stat st {};
  errno = 0;
  const bool exists = ::stat(path_.c_str(), &st) == 0;
  if (!exists && errno != ENOENT) return ErrorText(ErrorOr(EIO));
  if (exists && S_ISDIR(st.st_mode)) return ErrorText(EISDIR);
  // Only a regular file is replaced; a device or pipe is written to.
  if (exists && !S_ISREG(st.st_mode)) {
    errno = 0;
    file_ = std::fopen(path_.c_str(), "wb");
    return file_ == nullptr ? ErrorText(ErrorOr(EIO)) : std::string();
  }
  // Renaming over a file needs no right to write it, but a file its owner
  // made read-only is not to be replaced behind their back.
  if (exists && ::access(path_.c_str(), W_OK) != 0) return ErrorText(ErrorOr(EACCES));

  // The text goes to a temporary beside the file and replaces it only once
  // it is whole, so a full disk or a kill never leaves a cut-off or empty
  // file behind. Where no temporary can be made (a folder that takes no new
  // file) the file is not written at all rather than emptied in place.
  int error = 0;
  file_ = CreateTemporaryBeside(path_, temporary_, error);
  if (file_ == nullptr) return ErrorText(error);
  replacesExisting_ = exists;
  otherNames_ = exists && st.st_nlink > 1;
  permissions_ = exists ? st.st_mode & 07777 : 0;
  return {};
}

void FileReplacement::Write(std::string_view bytes) {
  if (file_ == nullptr || error_ != 0 || bytes.empty()) return;
  errno = 0;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) error_ = ErrorOr(EIO);
}

std::string FileReplacement::Commit() {
  if (file_ == nullptr) return ErrorText(error_ != 0 ? error_ : EBADF);
  int error = error_;
  errno = 0;
  if (std::fflush(file_) != 0 && error == 0) error = ErrorOr(EIO);
  errno = 0;
  if (std::fclose(file_) != 0 && error == 0) error = ErrorOr(EIO);
  file_ = nullptr;
  if (error == 0 && !temporary_.empty()) {
    errno = 0;
    if (otherNames_) {
      // A file with other names (hard links) would lose them to a rename;
      // they are the user's, so the file itself is written, but only once
      // the whole text stands ready beside it and the room for it is
      // taken: what can fail halfway fails in the temporary.
      error = CopyInPlace(temporary_, path_);
    } else {
      // A replaced file keeps the permissions it had.
      if (replacesExisting_) ::chmod(temporary_.c_str(), static_cast<mode_t>(permissions_));
      if (std::rename(temporary_.c_str(), path_.c_str()) != 0)
        error = ErrorOr(EIO);
      else
        temporary_.clear();
    }
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

std::optional<FileIdentity> IdentityOf(const std::string& chosenPath) {
  std::string path = chosenPath;
  FollowLinks(path);
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) return FileIdentity{st.st_dev, st.st_ino, {}};
  if (::stat(FolderOf(path).c_str(), &st) == 0) return FileIdentity{st.st_dev, st.st_ino, NameOf(path)};
  return std::nullopt;
}

}  // namespace skyloom
