#include "support/engine_setup.h"

#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>

#include "calendar/date_format.h"
#include "ports/calendar_library.h"
#include "ports/ephemeris.h"
#include "ports/program_folder.h"

namespace skyloom::test {

void InitEngineOnce() {
  static const bool done = (InitDateNames(), true);
  (void)done;
}

const std::shared_ptr<const PlutoTable>& SharedPluto() {
  static const std::shared_ptr<const PlutoTable> table = [] {
    auto t = std::make_shared<PlutoTable>();
    std::string error;
    if (!t->Load(ExecutableFolder() + PlutoFileName, error)) throw std::runtime_error("pluto.ptb: " + error);
    return t;
  }();
  return table;
}

int32_t Day(int32_t year, int32_t month, int32_t day) {
  CalendarDate date{year, month, day};
  return date_to_day_number(date);
}

int32_t DayOfText(const std::string& date) {
  const auto dash = date.find('-', 1), second = date.find('-', dash + 1);
  return Day(std::stoi(date.substr(0, dash)), std::stoi(date.substr(dash + 1, second - dash - 1)),
             std::stoi(date.substr(second + 1)));
}

std::vector<double> NumbersOf(const std::string& field) {
  std::string spaced = field;
  for (char& c : spaced)
    if (c == ',' || c == ':') c = ' ';
  std::istringstream in(spaced);
  std::vector<double> numbers;
  for (double x; in >> x;) numbers.push_back(x);
  return numbers;
}

double DegreesOf(const std::string& field) {
  double degrees = 0, unit = 1;
  for (const double part : NumbersOf(field)) {
    degrees += part / unit;
    unit *= 60;
  }
  return degrees;
}

BodyIndex BodyOfText(const std::string& name) {
  const BodyIndex body = BodyByName(name);
  if (body == 0) throw std::invalid_argument("no body " + name);
  return body;
}

const PlutoTable& TestPluto() { return *SharedPluto(); }

SwissEphemeris& TestLibrary() {
  static SwissEphemeris library(ExecutableFolder());
  return library;
}

const BodyPositions& TestPositions() {
  InitEngineOnce();
  static const BodyPositions positions(TestLibrary(), &TestPluto());
  return positions;
}

}  // namespace skyloom::test
