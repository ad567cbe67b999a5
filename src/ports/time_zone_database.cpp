#include "ports/time_zone_database.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <sstream>
#include <system_error>
#include <utility>

namespace skyloom {
namespace {

namespace fs = std::filesystem;

constexpr int64_t kSecondsPerDay = 86400;

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

// Days from 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = FloorDiv(y, 400);
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

int64_t YearOfDays(int64_t days) {
  const int64_t z = days + 719468;
  const int64_t era = FloorDiv(z, 146097);
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  return yoe + era * 400 + (mp >= 10);
}

bool LeapYear(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

// 0 Sunday .. 6 Saturday.
int64_t Weekday(int64_t days) { return ((days + 4) % 7 + 7) % 7; }

// The local day (days from 1970-01-01) a footer rule names in a year.
int64_t RuleDay(const ZoneFooterRule::Day& rule, int64_t year) {
  const int64_t jan1 = DaysFromCivil(year, 1, 1);
  switch (rule.form) {
    case ZoneFooterRule::Day::Form::JulianNoLeap:
      // February 29 is never counted: day 60 is always March 1.
      return jan1 + rule.day - 1 + (LeapYear(year) && rule.day >= 60 ? 1 : 0);
    case ZoneFooterRule::Day::Form::ZeroBased: return jan1 + rule.day;
    case ZoneFooterRule::Day::Form::MonthWeekDay: break;
  }
  const int64_t first = DaysFromCivil(year, rule.month, 1);
  int64_t day = first + (rule.weekday - Weekday(first) + 7) % 7 + 7 * (rule.week - 1);
  const int64_t nextMonth = rule.month == 12 ? DaysFromCivil(year + 1, 1, 1) : DaysFromCivil(year, rule.month + 1, 1);
  while (day >= nextMonth) day -= 7;
  return day;
}

// --- The POSIX TZ text of the footer.

class TzText {
 public:
  explicit TzText(const std::string& text) : text_(text) {}
  bool AtEnd() const { return at_ == text_.size(); }
  bool Next(char c) {
    if (at_ < text_.size() && text_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }
  bool Peek(char c) const { return at_ < text_.size() && text_[at_] == c; }
  bool Name(std::string& name) {
    if (Next('<')) {
      const size_t close = text_.find('>', at_);
      if (close == std::string::npos) return false;
      name = text_.substr(at_, close - at_);
      at_ = close + 1;
      return !name.empty();
    }
    const size_t from = at_;
    while (at_ < text_.size() && ((text_[at_] >= 'A' && text_[at_] <= 'Z') || (text_[at_] >= 'a' && text_[at_] <= 'z')))
      ++at_;
    name = text_.substr(from, at_ - from);
    return name.size() >= 3;
  }
  bool Number(int32_t& n, int32_t most) {
    const size_t from = at_;
    int64_t value = 0;
    while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9' && at_ - from < 4)
      value = value * 10 + (text_[at_++] - '0');
    if (at_ == from || value > most) return false;
    n = static_cast<int32_t>(value);
    return true;
  }
  // [+-]hh[:mm[:ss]] in seconds.
  bool Time(int32_t& seconds, int32_t mostHours) {
    const int32_t sign = Next('-') ? -1 : (Next('+'), 1);
    int32_t h = 0, m = 0, s = 0;
    if (!Number(h, mostHours)) return false;
    if (Next(':') && (!Number(m, 59) || (Next(':') && !Number(s, 59)))) return false;
    seconds = sign * (h * 3600 + m * 60 + s);
    return true;
  }
  bool Day(ZoneFooterRule::Day& day) {
    using Form = ZoneFooterRule::Day::Form;
    if (Next('M')) {
      day.form = Form::MonthWeekDay;
      if (!Number(day.month, 12) || day.month < 1 || !Next('.') || !Number(day.week, 5) || day.week < 1 || !Next('.') ||
          !Number(day.weekday, 6))
        return false;
    } else if (Next('J')) {
      day.form = Form::JulianNoLeap;
      if (!Number(day.day, 365) || day.day < 1) return false;
    } else {
      day.form = Form::ZeroBased;
      if (!Number(day.day, 365)) return false;
    }
    day.seconds = 7200;
    return !Next('/') || Time(day.seconds, 167);
  }

 private:
  const std::string& text_;
  size_t at_ = 0;
};

// --- The compiled file (RFC 8536).

class Bytes {
 public:
  explicit Bytes(const std::string& bytes) : bytes_(bytes) {}
  bool Has(size_t n) const { return at_ + n <= bytes_.size(); }
  size_t At() const { return at_; }
  void Skip(size_t n) { at_ += n; }
  int64_t Signed(size_t width) {
    uint64_t value = 0;
    for (size_t i = 0; i < width; ++i) value = value << 8 | static_cast<uint8_t>(bytes_[at_ + i]);
    at_ += width;
    if (width == 4) return static_cast<int32_t>(static_cast<uint32_t>(value));
    return static_cast<int64_t>(value);
  }
  uint8_t Byte() { return static_cast<uint8_t>(bytes_[at_++]); }
  std::string Text(size_t n) {
    std::string text = bytes_.substr(at_, n);
    at_ += n;
    return text;
  }

 private:
  const std::string& bytes_;
  size_t at_ = 0;
};

struct Header {
  char version = 0;
  int64_t isutcnt = 0, isstdcnt = 0, leapcnt = 0, timecnt = 0, typecnt = 0, charcnt = 0;
};

bool ReadHeader(Bytes& in, Header& h) {
  if (!in.Has(44) || in.Text(4) != "TZif") return false;
  h.version = static_cast<char>(in.Byte());
  in.Skip(15);
  h.isutcnt = in.Signed(4);
  h.isstdcnt = in.Signed(4);
  h.leapcnt = in.Signed(4);
  h.timecnt = in.Signed(4);
  h.typecnt = in.Signed(4);
  h.charcnt = in.Signed(4);
  return h.isutcnt >= 0 && h.isstdcnt >= 0 && h.leapcnt >= 0 && h.timecnt >= 0 && h.typecnt >= 1 && h.typecnt <= 256 &&
         h.charcnt >= 0;
}

size_t BodySize(const Header& h, size_t timeWidth) {
  return static_cast<size_t>(h.timecnt * static_cast<int64_t>(timeWidth) + h.timecnt + h.typecnt * 6 + h.charcnt +
                             h.leapcnt * static_cast<int64_t>(timeWidth + 4) + h.isstdcnt + h.isutcnt);
}

bool SafeName(const std::string& name) {
  if (name.empty() || name.front() == '/' || name.size() > 255) return false;
  std::stringstream parts(name);
  for (std::string part; std::getline(parts, part, '/');)
    if (part.empty() || part == "." || part == "..") return false;
  return true;
}

bool ReadFile(const fs::path& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool IsZoneFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  char magic[4] = {};
  return in.read(magic, 4) && std::string(magic, 4) == "TZif";
}

}  // namespace

bool ParseZoneFooter(const std::string& text, ZoneFooterRule& rule) {
  rule = ZoneFooterRule{};
  TzText in(text);
  int32_t posix = 0;
  if (!in.Name(rule.standardAbbreviation) || !in.Time(posix, 24)) return false;
  // POSIX counts hours west of Greenwich.
  rule.standardOffset = -posix;
  if (!in.AtEnd()) {
    if (!in.Name(rule.daylightAbbreviation)) return false;
    rule.hasDaylight = true;
    rule.daylightOffset = rule.standardOffset + 3600;
    if (!in.Peek(',')) {
      if (!in.Time(posix, 24)) return false;
      rule.daylightOffset = -posix;
    }
    // Without the days of change POSIX leaves them to the system; the tz
    // database always writes them.
    if (!in.Next(',') || !in.Day(rule.start) || !in.Next(',') || !in.Day(rule.end)) return false;
  }
  rule.present = in.AtEnd();
  return rule.present;
}

ZoneRules::ZoneRules(std::string name, std::vector<UnixSeconds> changes, std::vector<uint8_t> typeAfter,
                     std::vector<Type> types, ZoneFooterRule footer)
    : name_(std::move(name)),
      changes_(std::move(changes)),
      typeAfter_(std::move(typeAfter)),
      types_(std::move(types)),
      footer_(std::move(footer)) {}

ZonePeriod ZoneRules::PeriodAt(UnixSeconds at) const {
  const auto after = std::upper_bound(changes_.begin(), changes_.end(), at);
  if (after == changes_.end() && footer_.present) return FooterPeriodAt(at);
  const size_t index = static_cast<size_t>(after - changes_.begin());
  const Type& type = index == 0 ? types_[0] : types_[typeAfter_[index - 1]];
  ZonePeriod period{index == 0 ? kTimeBegins : changes_[index - 1], after == changes_.end() ? kTimeEnds : *after,
                    type.offsetSeconds, type.daylight, type.abbreviation};
  return period;
}

ZonePeriod ZoneRules::FooterPeriodAt(UnixSeconds at) const {
  const UnixSeconds lastChange = changes_.empty() ? kTimeBegins : changes_.back();
  const ZoneFooterRule& f = footer_;
  ZonePeriod standard{lastChange, kTimeEnds, f.standardOffset, false, f.standardAbbreviation};
  if (!f.hasDaylight) return standard;
  ZonePeriod daylight{lastChange, kTimeEnds, f.daylightOffset, true, f.daylightAbbreviation};
  // The changes of the years around the instant's; each is told in the
  // local time in force before it. An end comes before a start at the same
  // instant, so that a zone on daylight time all year stays on it.
  struct Change {
    UnixSeconds at;
    bool toDaylight;
  };
  std::vector<Change> changes;
  const int64_t year = YearOfDays(FloorDiv(at, kSecondsPerDay));
  for (int64_t y = year - 1; y <= year + 1; ++y) {
    changes.push_back({RuleDay(f.start, y) * kSecondsPerDay + f.start.seconds - f.standardOffset, true});
    changes.push_back({RuleDay(f.end, y) * kSecondsPerDay + f.end.seconds - f.daylightOffset, false});
  }
  std::stable_sort(changes.begin(), changes.end(), [](const Change& a, const Change& b) {
    return a.at < b.at || (a.at == b.at && !a.toDaylight && b.toDaylight);
  });
  size_t next = 0;
  while (next < changes.size() && changes[next].at <= at) ++next;
  // The instant lies in year, so a change of the year before precedes it.
  const bool onDaylight = next > 0 ? changes[next - 1].toDaylight : !changes.front().toDaylight;
  ZonePeriod period = onDaylight ? daylight : standard;
  if (next > 0) period.begin = std::max(lastChange, changes[next - 1].at);
  if (next < changes.size()) period.end = changes[next].at;
  return period;
}

std::shared_ptr<const ZoneRules> ParseZoneFile(const std::string& name, const std::string& bytes, std::string& why) {
  Bytes in(bytes);
  Header h;
  why = "the file of zone " + name + " is not a zone file";
  if (!ReadHeader(in, h)) return nullptr;
  size_t width = 4;
  if (h.version >= '2') {
    // The 32-bit part is there for old readers; the 64-bit one follows.
    if (!in.Has(BodySize(h, 4))) return nullptr;
    in.Skip(BodySize(h, 4));
    if (!ReadHeader(in, h)) return nullptr;
    width = 8;
  }
  if (!in.Has(BodySize(h, width))) return nullptr;
  std::vector<UnixSeconds> changes(static_cast<size_t>(h.timecnt));
  for (UnixSeconds& c : changes) c = in.Signed(width);
  std::vector<uint8_t> typeAfter(static_cast<size_t>(h.timecnt));
  for (uint8_t& t : typeAfter) {
    t = in.Byte();
    if (t >= h.typecnt) return nullptr;
  }
  struct RawType {
    int32_t offset;
    bool daylight;
    uint8_t abbreviation;
  };
  std::vector<RawType> raw(static_cast<size_t>(h.typecnt));
  for (RawType& t : raw) {
    t.offset = static_cast<int32_t>(in.Signed(4));
    t.daylight = in.Byte() != 0;
    t.abbreviation = in.Byte();
  }
  const std::string characters = in.Text(static_cast<size_t>(h.charcnt));
  std::vector<ZoneRules::Type> types;
  for (const RawType& t : raw) {
    if (t.abbreviation >= characters.size()) return nullptr;
    types.push_back({t.offset, t.daylight, std::string(characters.c_str() + t.abbreviation)});
  }
  in.Skip(static_cast<size_t>(h.leapcnt) * (width + 4) + static_cast<size_t>(h.isstdcnt + h.isutcnt));
  if (!std::is_sorted(changes.begin(), changes.end())) return nullptr;
  ZoneFooterRule footer;
  if (width == 8 && in.Has(2) && in.Byte() == '\n') {
    const size_t from = in.At();
    const size_t close = bytes.find('\n', from);
    if (close != std::string::npos) {
      const std::string text = bytes.substr(from, close - from);
      // An empty footer, or one this reader does not know, leaves the last
      // listed offset in force.
      if (!text.empty() && !ParseZoneFooter(text, footer)) footer = ZoneFooterRule{};
    }
  }
  why.clear();
  return std::make_shared<const ZoneRules>(name, std::move(changes), std::move(typeAfter), std::move(types),
                                           std::move(footer));
}

std::string ZoneInfoFolder() {
  const char* folder = std::getenv("TZDIR");
  return folder != nullptr && *folder != '\0' ? folder : "/usr/share/zoneinfo";
}

std::shared_ptr<const ZoneRules> LoadZoneRules(const std::string& name, std::string& why) {
  static std::mutex mutex;
  static std::map<std::pair<std::string, std::string>, std::shared_ptr<const ZoneRules>> loaded;
  const std::string folder = ZoneInfoFolder();
  if (!SafeName(name) || name == "posixrules" || name == "localtime") {
    why = "no zone " + name + " in the time zone database";
    return nullptr;
  }
  const std::lock_guard lock(mutex);
  if (auto found = loaded.find({folder, name}); found != loaded.end()) return found->second;
  const fs::path path = fs::path(folder) / name;
  std::string bytes;
  std::error_code error;
  // The folder holds tables and notes besides the zones.
  if (!fs::is_regular_file(path, error) || !IsZoneFile(path) || !ReadFile(path, bytes)) {
    why = fs::exists(folder, error) ? "no zone " + name + " in the time zone database"
                                    : "the time zone database cannot be read (no folder " + folder + ")";
    return nullptr;
  }
  auto rules = ParseZoneFile(name, bytes, why);
  if (rules) loaded[{folder, name}] = rules;
  return rules;
}

std::vector<std::string> ZoneNames() {
  std::vector<std::string> names;
  const fs::path folder = ZoneInfoFolder();
  std::error_code error;
  fs::recursive_directory_iterator it(folder, error), end;
  for (; !error && it != end; it.increment(error)) {
    const fs::path relative = it->path().lexically_relative(folder);
    const std::string name = relative.generic_string();
    // posix/ and right/ repeat the zones (the second counting leap seconds).
    if (it.depth() == 0 && it->is_directory(error) && (name == "posix" || name == "right")) {
      it.disable_recursion_pending();
      continue;
    }
    if (name == "posixrules" || name == "localtime" || !it->is_regular_file(error)) continue;
    if (IsZoneFile(it->path())) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string MachineZoneName() {
  auto known = [](std::string name) -> std::string {
    // A path names the zone by its place under a zoneinfo folder.
    if (const size_t inside = name.rfind("zoneinfo/"); inside != std::string::npos)
      name = name.substr(inside + 9);
    else if (!name.empty() && name.front() == '/')
      return {};
    std::string why;
    return LoadZoneRules(name, why) ? name : std::string();
  };
  if (const char* tz = std::getenv("TZ"); tz != nullptr) {
    std::string name = tz;
    if (!name.empty() && name.front() == ':') name.erase(0, 1);
    // An empty TZ means Universal Time to the C library.
    return name.empty() ? known("UTC") : known(name);
  }
  std::error_code error;
  const fs::path target = fs::read_symlink("/etc/localtime", error);
  if (!error) {
    if (std::string name = known(target.string()); !name.empty()) return name;
  }
  std::ifstream timezone("/etc/timezone");
  std::string line;
  if (std::getline(timezone, line)) return known(line);
  return {};
}

}  // namespace skyloom
