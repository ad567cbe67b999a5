#include "support/case_file.h"

#include <cctype>
#include <fstream>
#include <stdexcept>

namespace skyloom::test {
namespace {

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::string Unescaped(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == 'n' || text[i + 1] == 't')) {
      out += text[++i] == 'n' ? '\n' : '\t';
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

const std::string& CaseLine::operator[](std::size_t index) const {
  if (index >= fields.size()) throw std::out_of_range(where + ": field " + std::to_string(index + 1) + " missing");
  return fields[index];
}

std::vector<CaseLine> ReadCases(const std::string& relativePath) {
  std::vector<CaseLine> cases;
  std::ifstream in(std::string(SKYLOOM_TEST_DIR) + "/" + relativePath);
  if (!in) throw std::runtime_error("cannot read the cases of tests/" + relativePath);
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    const std::string trimmed = Trimmed(line);
    if (trimmed.empty() || trimmed[0] == '#') continue;
    CaseLine entry{"tests/" + relativePath + ":" + std::to_string(number), {}};
    const std::string padded = trimmed + ' ';  // a last field may be empty: "a | "
    for (std::size_t from = 0;;) {
      const auto bar = padded.find(" | ", from);
      entry.fields.push_back(Unescaped(Trimmed(padded.substr(from, bar - from))));
      if (bar == std::string::npos) break;
      from = bar + 3;
    }
    cases.push_back(std::move(entry));
  }
  if (cases.empty()) throw std::runtime_error("tests/" + relativePath + " holds no case");
  return cases;
}

std::string CaseName(const CaseLine& line) {
  std::string name;
  for (char c : line.where.substr(line.where.rfind('/') + 1))
    name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
}

}  // namespace skyloom::test
