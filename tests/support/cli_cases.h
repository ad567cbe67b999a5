// Command lines kept as case files: "$NAME | text" lines name a piece of text
// that later lines use as $NAME, and "\|" stands for a bar that does not
// part fields (the report's columns), "\r" for a carriage return.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "support/case_file.h"

namespace skyloom::test {

std::vector<CaseLine> ReadCliCases(const std::string& relativePath);
void PrintTo(const CaseLine& line, std::ostream* out);  // a failing case named by its place
std::string Replaced(std::string text, const std::string& from, const std::string& to);
std::vector<std::string> Split(const std::string& text, char at);
std::vector<std::string> Lines(const std::string& text);

}  // namespace skyloom::test
