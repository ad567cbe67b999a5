// The argument parser on words of arbitrary bytes: every vector makes a
// request the parser's promises hold for, or is refused with a reason, the
// same the second time (getopt keeps state between calls).
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "cli/arguments.h"
#include "fuzz_check.h"

namespace {

using namespace skyloom;
using namespace skyloom::cli;

struct Outcome {
  std::string refusal;  // empty: a request
  Arguments arguments;
};

Outcome Parse(std::vector<std::string> words) {
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  try {
    return {{}, ParseArguments(static_cast<int>(words.size()), argv.data())};
  } catch (const UnusableArguments& refusal) {
    return {std::string("refused: ") + refusal.what(), {}};
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> words = {"skyloom-cli"};
  std::string word;
  for (size_t k = 0; k < size; ++k) {
    const char c = static_cast<char>(data[k]);
    c == '\0' || c == ' ' ? words.push_back(std::exchange(word, {})) : word.push_back(c);
  }
  if (!word.empty()) words.push_back(word);
  if (words.size() > 64) return 0;

  const Outcome first = Parse(words), second = Parse(words);
  FUZZ_CHECK(first.refusal == second.refusal);
  if (!first.refusal.empty()) {
    FUZZ_CHECK(first.refusal != "refused: ");  // with a reason
    return 0;
  }
  const Arguments& a = first.arguments;
  FUZZ_CHECK(a.request == second.arguments.request && a.help == second.arguments.help &&
             a.notes == second.arguments.notes);
  if (a.help) return 0;
  for (const int16_t orb : a.request.orbs) FUZZ_CHECK(orb >= 1 && orb <= 15);
  const RunFiles& f = a.request.files;
  const std::optional<std::string>* files[] = {&f.html, &f.ics, &f.csv, &f.json, &f.timeline};
  int toStandardOutput = 0;
  for (size_t i = 0; i < std::size(files); ++i) {
    if (!*files[i]) continue;
    FUZZ_CHECK(!(*files[i])->empty());
    if (**files[i] == "-") ++toStandardOutput;
    for (size_t j = 0; j < i; ++j) FUZZ_CHECK(!*files[j] || **files[i] == "-" || **files[j] != **files[i]);
  }
  FUZZ_CHECK(toStandardOutput <= 1);
  return 0;
}
