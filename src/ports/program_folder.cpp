#include "ports/program_folder.h"

#include <filesystem>

namespace skyloom {

std::string ExecutableFolder() {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  std::filesystem::path folder = ec ? std::filesystem::current_path(ec) : exe.parent_path();
  std::string text = folder.string();
  if (text.empty() || text.back() != std::filesystem::path::preferred_separator)
    text += std::filesystem::path::preferred_separator;
  return text;
}

}  // namespace skyloom
