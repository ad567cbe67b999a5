#include "support/cli_cases.h"

#include <algorithm>
#include <sstream>
#include <utility>

namespace skyloom::test {

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

std::vector<std::string> Split(const std::string& text, char at) {
  std::vector<std::string> parts;
  std::istringstream in(text + at);
  for (std::string part; std::getline(in, part, at);) parts.push_back(part);
  return parts;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

void PrintTo(const CaseLine& line, std::ostream* out) { *out << line.where; }

std::vector<CaseLine> ReadCliCases(const std::string& relativePath) {
  std::vector<std::pair<std::string, std::string>> names;  // longest first, so $RUN does not take $RUNS
  std::vector<CaseLine> cases;
  for (CaseLine line : ReadCases(relativePath)) {
    const bool naming = line[0].starts_with("$");
    for (size_t k = naming ? 1 : 0; k < line.fields.size(); ++k) {
      for (const auto& [name, text] : names) line.fields[k] = Replaced(line.fields[k], name, text);
      line.fields[k] = Replaced(Replaced(line.fields[k], "\\|", "|"), "\\r", "\r");
    }
    if (naming) {
      names.emplace_back(line[0], line[1]);
      std::ranges::sort(names, [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });
    } else {
      cases.push_back(std::move(line));
    }
  }
  return cases;
}

}  // namespace skyloom::test
