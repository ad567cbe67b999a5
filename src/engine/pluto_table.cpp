// Pluto's daily table: loading and checking the data file, decoding a record
// and interpolating between days.
#include "engine/pluto_table.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "engine/bodies.h"
#include "ports/data_file.h"

namespace skyloom {

namespace {

// The first character of a record carries an extra shift of (index mod 55).
constexpr int32_t kShiftPeriod = 55;
constexpr int32_t kMinutesPerCircle = 360 * 60;
// What PlutoTableEntry answers for a record that is missing or cannot be
// decoded: negative, like every error value of the engine.
constexpr double kNoRecord = -1.0;
// The refinement: three base-62 digits of code 58 + digit, thousandths of an
// arc second offset by 30000, so that -30" .. +30" around the minute fit.
constexpr int32_t kRefinementBase = 58;
constexpr int32_t kRefinementDigits = 62;
constexpr int32_t kRefinementUnits = 1000;
constexpr int32_t kRefinementOffset = 30 * kRefinementUnits;
// Longest piece of a bad record quoted back to the user.
constexpr std::size_t kQuotedRecordLength = 20;

std::string_view TrimBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Hands every kept line of a text that arrives a chunk at a time to
// keep(lineNumber, line), lineNumber counting every physical line from 1 so
// that messages can point into the file. keep returns false to stop early.
// keep.PlainRecords(bytes, lineNumber) takes the lines at the start of
// bytes that it can take faster, as it would take them one by one.
// Lines end in LF or CR LF; a last line without a line end still counts
// (Finish hands it on).
template <typename Keep>
class KeptLines {
 public:
  explicit KeptLines(Keep& keep) : keep_(keep) {}
  // False once keep has asked to stop.
  bool Feed(std::string_view chunk) {
    while (!stopped_) {
      // Nearly every line is a record as the generator writes it, which
      // keep takes in a run of its own without a search or a trim.
      if (carry_.empty()) chunk.remove_prefix(keep_.PlainRecords(chunk, lineNumber_));
      const std::size_t end = chunk.find('\n');
      if (end == std::string_view::npos) {
        carry_.append(chunk);
        break;
      }
      std::string_view line = chunk.substr(0, end);
      chunk.remove_prefix(end + 1);
      // A line begun in the chunk before.
      if (!carry_.empty()) line = carry_.append(line);
      stopped_ = !Take(line);
      carry_.clear();
    }
    return !stopped_;
  }
  void Finish() {
    if (!stopped_ && !carry_.empty()) Take(carry_);
    carry_.clear();
  }

 private:
  bool Take(std::string_view line) {
    ++lineNumber_;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::string_view trimmed = TrimBlanks(line);
    return trimmed.empty() || keep_(lineNumber_, trimmed);
  }
  Keep& keep_;
  std::string carry_;
  int64_t lineNumber_ = 0;
  bool stopped_ = false;
};

// A record's two fields: its sixties, degrees and minutes as a whole number
// of minutes of arc, or -1 when one lies outside its range (no longitude in
// [0, 360)); and its refinement as its three digits read (0 .. 60000), or -1
// when it carries no valid one. shift: the record's index mod kShiftPeriod.
struct RecordFields {
  int32_t minutesOfArc = -1, refinement = -1;
};

// Whether 0 <= value < end, in one comparison.
constexpr bool Below(int32_t value, int32_t end) { return static_cast<uint32_t>(value) < static_cast<uint32_t>(end); }

inline RecordFields FieldsOf(std::string_view record, int32_t shift) {
  RecordFields fields;
  if (record.size() < 3) return fields;
  const auto code = [&](std::size_t i) { return static_cast<int32_t>(static_cast<unsigned char>(record[i])); };
  const int32_t sixties = code(0) - 58 - shift, degrees = code(1) - 59, minutes = code(2) - 60;
  if (!Below(sixties, 6) || !Below(degrees, 60) || !Below(minutes, 60)) return fields;
  fields.minutesOfArc = (sixties * 60 + degrees) * 60 + minutes;
  if (record.size() < 6) return fields;
  const int32_t d0 = code(3) - kRefinementBase, d1 = code(4) - kRefinementBase, d2 = code(5) - kRefinementBase;
  if (!Below(d0, kRefinementDigits) || !Below(d1, kRefinementDigits) || !Below(d2, kRefinementDigits))
    return fields;
  const int32_t value = (d0 * kRefinementDigits + d1) * kRefinementDigits + d2;
  if (value <= 2 * kRefinementOffset) fields.refinement = value;
  return fields;
}

// The longitude of a record's fields, as PlutoEntryOf reads it.
inline double DegreesOf(RecordFields fields) {
  const int32_t minutesOfArc = fields.minutesOfArc;
  if (minutesOfArc < 0) return kNoRecord;
  double degrees = minutesOfArc / 60 + (minutesOfArc % 60) / 60.0;
  if (fields.refinement >= 0) {
    // A longitude just below 360 degrees is stored as 0 degrees less a few seconds.
    degrees += static_cast<double>(fields.refinement - kRefinementOffset) / kRefinementUnits / 3600.0;
    if (degrees < 0) degrees += 360;
    if (degrees >= 360) degrees -= 360;
  }
  return degrees;
}

double EntryOf(std::string_view record, int32_t shift) { return DegreesOf(FieldsOf(record, shift)); }

// The record as the user may see it in a message box: control and non-ASCII
// bytes would garble the text, and a long line says nothing more.
std::string QuotedRecord(std::string_view record) {
  std::string quoted;
  for (const char c : record.substr(0, kQuotedRecordLength)) {
    const auto code = static_cast<unsigned char>(c);
    quoted += code < 32 || code >= 127 ? '?' : c;
  }
  if (record.size() > kQuotedRecordLength) quoted += "...";
  return quoted;
}

}  // namespace

namespace {

// The real file is about 1.3 MB; anything far beyond it is not a table.
constexpr int64_t kLargestTable = 16 * 1024 * 1024;

// The checksum line: "#fnv1a64 " + 16 hexadecimal digits + " " + the number
// of records. No record starts with '#' (code 35, below every code a record
// uses).
constexpr std::string_view kTrailerWord = "#fnv1a64 ";

// FNV-1a, fed a record at a time, each with its LF.
class Fnv1a64 {
 public:
  void Add(std::string_view record) {
    // Kept in a register: a store through the hash could alias the bytes.
    uint64_t hash = hash_;
    for (const char c : record) hash = Byte(hash, c);
    hash_ = Byte(hash, '\n');
  }
  uint64_t Value() const { return hash_; }

 private:
  static uint64_t Byte(uint64_t hash, char c) { return (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3u; }
  uint64_t hash_ = 0xcbf29ce484222325u;
};

std::string TrailerOf(uint64_t hash, std::size_t count) {
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return std::string(kTrailerWord) + hex + " " + std::to_string(count);
}

// The largest steps a sound table takes from one day to the next, with
// room to spare: Pluto moves 0.0405 degrees a day at the most, and its
// daily motion changes by 3.9" a day at the most (measured over the
// table). A record that moved or a refinement that changed by more than
// a few seconds of arc breaks one or the other; smaller damage is the
// checksum's to find.
constexpr double kLargestStep = 0.06;                // degrees a day
constexpr double kLargestStepChange = 8.0 / 3600.0;  // degrees a day, a day

double Step(double from, double to) {
  double step = to - from;
  if (step > 180) step -= 360;
  if (step < -180) step += 360;
  return step;
}

// The table's records as they come, each decoded and checked once while its
// line number in the file is still known.
class TableReader {
 public:
  TableReader(const std::string& path, std::string& errorText) : path_(path), errorText_(errorText) {
    table_.reserve(PlutoRecordsWritten);
  }

  // A kept line (trimmed, not blank); false to stop reading.
  bool operator()(int64_t lineNumber, std::string_view line) {
    if (!trailer_.empty()) {
      errorText_ = path_ + ": line " + std::to_string(lineNumber) + ": text after the checksum line.";
      return false;
    }
    if (line.starts_with('#')) {
      trailer_ = line;
      return true;
    }
    const double entry = EntryOf(line, shift_);
    if (table_.size() < static_cast<std::size_t>(PlutoRecordCount) && entry < 0) {
      errorText_ = "Line " + std::to_string(lineNumber) + ": the record \"" + QuotedRecord(line) +
                   "\" is not a valid longitude.";
      return false;
    }
    Accept(lineNumber, line, entry, Step(before_, entry));
    return true;
  }

  // The lines at the start of bytes that are records as the generator
  // writes them (six printable bytes and LF), valid and following on from
  // the day before, taken as operator() would take them: the bytes they
  // fill. lineNumber counts them.
  std::size_t PlainRecords(std::string_view bytes, int64_t& lineNumber) {
    constexpr std::size_t kLength = 6;
    std::size_t taken = 0;
    if (!trailer_.empty() || !stepping_ || !brokenStep_.empty()) return 0;
    while (bytes.size() - taken > kLength) {
      // Every byte of a record with a valid refinement is printable.
      const char* at = bytes.data() + taken;
      if (at[kLength] != '\n') break;
      const std::string_view record(at, kLength);
      const RecordFields fields = FieldsOf(record, shift_);
      if (fields.minutesOfArc < 0 || fields.refinement < 0) break;
      const double entry = DegreesOf(fields), step = Step(before_, entry);
      if (!Follows(step)) break;
      Accept(++lineNumber, record, entry, step);
      taken += kLength + 1;
    }
    return taken;
  }

  const std::vector<double>& Table() const { return table_; }
  std::vector<double> TakeTable() { return std::move(table_); }
  const std::string& Trailer() const { return trailer_; }
  uint64_t Hash() const { return hash_.Value(); }
  // The first record that does not follow on from the day before: told only
  // when the file is otherwise sound, as the checksum's word comes first.
  const std::string& BrokenStep() const { return brokenStep_; }

 private:
  // Whether a valid record taken next, step away from the one before,
  // moves within what Pluto can.
  bool Follows(double step) const {
    const std::size_t k = table_.size();
    return k == 0 ||
           !(std::fabs(step) > kLargestStep || (k > 1 && std::fabs(step - stepBefore_) > kLargestStepChange));
  }

  void Accept(int64_t lineNumber, std::string_view line, double entry, double step) {
    // The checksum line may have been written again over damaged records.
    if (entry < 0) stepping_ = false;  // past the records the program needs
    if (!table_.empty() && stepping_ && brokenStep_.empty()) {
      if (!Follows(step)) Broken(lineNumber, line);
      stepBefore_ = step;
    }
    before_ = entry;
    hash_.Add(line);
    table_.push_back(entry);
    if (++shift_ == kShiftPeriod) shift_ = 0;
  }

  [[gnu::cold]] void Broken(int64_t lineNumber, std::string_view line) {
    brokenStep_ = path_ + ": line " + std::to_string(lineNumber) + ": the record \"" + QuotedRecord(line) +
                  "\" does not follow on from the day before; the file is damaged.";
  }

  const std::string& path_;
  std::string& errorText_;
  std::vector<double> table_;
  std::string trailer_;
  Fnv1a64 hash_;
  std::string brokenStep_;
  double before_ = 0, stepBefore_ = 0;
  bool stepping_ = true;
  int32_t shift_ = 0;  // the next record's index mod kShiftPeriod
};

}  // namespace

std::string PlutoTableTrailer(const std::vector<std::string>& records) {
  Fnv1a64 hash;
  for (const std::string& record : records) hash.Add(record);
  return TrailerOf(hash.Value(), records.size());
}

namespace {

// The decoded copy: "SKLPLUT1", the file's size and the count of
// longitudes (8 bytes each, as this machine keeps them), the file's last
// kCopiedEnd bytes padded with zeros, the longitudes as doubles, and a
// checksum of all that taken 8 bytes at a time.
constexpr std::string_view kCacheMagic = "SKLPLUT1";
constexpr std::size_t kCopiedEnd = 128;
constexpr std::size_t kCacheHeader = 8 + 8 + 8 + kCopiedEnd;
constexpr int64_t kLargestCache = kLargestTable;

uint64_t WordHash(std::string_view bytes) {
  uint64_t hash = 0xcbf29ce484222325u;
  for (std::size_t at = 0; at + 8 <= bytes.size(); at += 8) {
    uint64_t word = 0;
    std::memcpy(&word, bytes.data() + at, 8);
    hash = (hash ^ word) * 0x100000001b3u;
  }
  return hash;
}

std::string CacheHeader(int64_t size, uint64_t count, std::string_view end) {
  std::string header(kCacheHeader, '\0');
  const auto fileSize = static_cast<uint64_t>(size);
  std::memcpy(header.data(), kCacheMagic.data(), 8);
  std::memcpy(header.data() + 8, &fileSize, 8);
  std::memcpy(header.data() + 16, &count, 8);
  std::memcpy(header.data() + 24, end.data(), std::min(end.size(), kCopiedEnd));
  return header;
}

}  // namespace

std::string PlutoCacheBytes(const PlutoTable& table, const std::string& path) {
  std::string end;
  int64_t size = 0;
  if (!table.Loaded() || !ReadDataFileEnd(path, kLargestTable, kCopiedEnd, end, size)) return {};
  std::string bytes = CacheHeader(size, table.Degrees.size(), end);
  bytes.append(reinterpret_cast<const char*>(table.Degrees.data()), table.Degrees.size() * sizeof(double));
  const uint64_t hash = WordHash(bytes);
  bytes.append(reinterpret_cast<const char*>(&hash), sizeof hash);
  return bytes;
}

bool PlutoTable::Load(const std::string& path, std::string& errorText) {
  // The copy holds only where it was made from the file as it stands now,
  // and is whole; anything else reads the file itself, which tells what is
  // wrong with it.
  std::string end;
  int64_t size = 0;
  if (ReadDataFileEnd(path, kLargestTable, kCopiedEnd, end, size)) {
    // Read into room for a sound copy, which is then never moved again.
    std::string read;
    read.reserve(kCacheHeader + sizeof(double) * PlutoRecordsWritten + 8);
    const DataFileText copy = ReadDataFileChunks(path + PlutoCacheSuffix, kLargestCache, [&](std::string_view chunk) {
      read.append(chunk);
      return true;
    });
    const std::string_view bytes = read;
    if (copy.Read() && bytes.size() >= kCacheHeader + 8 && (bytes.size() - kCacheHeader) % 8 == 0) {
      const std::size_t count = (bytes.size() - kCacheHeader - 8) / 8;
      uint64_t hash = 0;
      std::memcpy(&hash, bytes.data() + bytes.size() - 8, 8);
      std::vector<double> degrees;
      if (count >= static_cast<std::size_t>(PlutoRecordCount) &&
          bytes.substr(0, kCacheHeader) == CacheHeader(size, count, end) &&
          WordHash(bytes.substr(0, bytes.size() - 8)) == hash) {
        degrees.resize(count);
        std::memcpy(degrees.data(), bytes.data() + kCacheHeader, count * sizeof(double));
      }
      const bool sound = !degrees.empty() && std::all_of(degrees.begin(), degrees.begin() + PlutoRecordCount,
                                                         [](double d) { return d >= 0 && d < 360; });
      if (sound) {
        errorText.clear();
        Degrees = std::move(degrees);
        return true;
      }
    }
  }
  return LoadText(path, errorText);
}

bool PlutoTable::LoadText(const std::string& path, std::string& errorText) {
  errorText.clear();

  // Read into a table of our own: the longitudes only ever hold a whole
  // checked file, so no lookup after a failed load can meet a short or
  // broken table. Each record is decoded once, as it arrives, while its line
  // number in the file is still known.
  TableReader reader(path, errorText);
  KeptLines lines(reader);
  const DataFileText file =
      ReadDataFileChunks(path, kLargestTable, [&](std::string_view chunk) { return lines.Feed(chunk); });
  if (file.err != 0) {
    errorText = file.Reason();
  } else if (!file.refusal.empty()) {
    errorText = path + ": " + file.refusal + ".";
  } else {
    lines.Finish();
    if (errorText.empty() && reader.Table().size() < static_cast<std::size_t>(PlutoRecordCount))
      errorText = "The file ends after " + std::to_string(reader.Table().size()) + " records; " +
                  std::to_string(PlutoRecordCount) + " are needed.";
  }
  // A record changed into another valid one, or a refinement changed, reads
  // as well as a true one: only the file as a whole can tell.
  if (errorText.empty() && reader.Trailer().empty())
    errorText = path + ": the checksum line at the end of the file is missing; the file is damaged.";
  if (errorText.empty() && reader.Trailer() != TrailerOf(reader.Hash(), reader.Table().size()))
    errorText = path + ": the records do not match the checksum line; the file is damaged.";
  if (errorText.empty()) errorText = reader.BrokenStep();

  if (errorText.empty()) {
    Degrees = reader.TakeTable();
    return true;
  }
  Degrees.clear();
  return false;
}

double PlutoTable::Entry(int32_t k) const {
  if (k < 0 || static_cast<std::size_t>(k) >= Degrees.size()) return kNoRecord;
  return Degrees[static_cast<std::size_t>(k)];
}

double PlutoEntryOf(std::string_view record, int32_t k) { return EntryOf(record, k % kShiftPeriod); }

Position PlutoTable::Longitude(double jd) const {
  double speed = 0;
  return Longitude(jd, speed);
}

Position PlutoTable::Longitude(double jd, double& speed) const {
  speed = 0;
  const double n = std::floor(jd + 0.5);
  // Written so that a NaN instant also lands here rather than in the table.
  if (!(n >= FirstTableDay)) return Position::Unknown(PositionStatus::BeforeRange);
  if (n > LastTableDay) return Position::Unknown(PositionStatus::AfterRange);

  const int32_t k = static_cast<int32_t>(n) - FirstTableDay;
  // Four records around the day, as centred as the table allows: k - 1 to
  // k + 2, shifted inwards at the ends, or just k and k + 1.
  int32_t first = k - 1;
  if (first < 0 || Entry(first) < 0) first = k;
  if (Entry(first + 3) < 0) first = std::max(0, k - 2);
  std::array<double, 4> l{};
  int count = 0;
  for (; count < 4; ++count) {
    const double entry = Entry(first + count);
    if (entry < 0) break;
    l[count] = entry;
  }
  // Only a table that was never loaded (or was replaced by a short one) lacks
  // the records of a day in range: its data end before this day.
  if (count < 4) {
    first = k;
    l[0] = Entry(k);
    l[1] = Entry(k + 1);
    if (l[0] < 0 || l[1] < 0) return Position::Unknown(PositionStatus::AfterRange);
    count = 2;
  }
  // Pluto moves well under a degree a day: a jump of more than 180 degrees
  // between records is the 0/360 seam.
  for (int i = 0; i < count; ++i) {
    if (i == k - first) continue;
    const double reference = l[static_cast<size_t>(k - first)];
    if (l[i] - reference > 180) l[i] -= 360;
    if (reference - l[i] > 180) l[i] += 360;
  }
  // x: days since the first record used.
  const double x = (jd + 0.5) - n + (k - first);
  double degrees, perDay;
  if (count == 2) {
    degrees = l[0] + (l[1] - l[0]) * x;
    perDay = l[1] - l[0];
  } else {
    // Lagrange's cubic through nodes 0, 1, 2, 3 and its derivative.
    const double a = x, b = x - 1, c = x - 2, d = x - 3;
    const double w0 = -(b * c * d) / 6, w1 = (a * c * d) / 2, w2 = -(a * b * d) / 2, w3 = (a * b * c) / 6;
    const double dw0 = -(c * d + b * d + b * c) / 6, dw1 = (c * d + a * d + a * c) / 2,
                 dw2 = -(b * d + a * d + a * b) / 2, dw3 = (b * c + a * c + a * b) / 6;
    degrees = w0 * l[0] + w1 * l[1] + w2 * l[2] + w3 * l[3];
    perDay = dw0 * l[0] + dw1 * l[1] + dw2 * l[2] + dw3 * l[3];
  }
  degrees = std::fmod(degrees, 360.0);
  if (degrees < 0) degrees += 360;
  if (degrees >= 360) degrees -= 360;
  speed = perDay / 360 * TwoPi;
  return {PositionStatus::Known, degrees / 360 * TwoPi};
}

std::string EncodePlutoRecord(int32_t k, double degrees) {
  const double minutes = degrees * 60.0;
  const auto whole = static_cast<int32_t>(std::lrint(minutes));
  // A longitude that rounded up to 360 degrees is 0 degrees.
  const int32_t m = (whole % kMinutesPerCircle + kMinutesPerCircle) % kMinutesPerCircle;
  const int32_t shift = (k % kShiftPeriod + kShiftPeriod) % kShiftPeriod;
  std::string record(6, ' ');
  record[0] = static_cast<char>(58 + m / 3600 + shift);
  record[1] = static_cast<char>(59 + m / 60 % 60);
  record[2] = static_cast<char>(60 + m % 60);
  const auto refinement =
      static_cast<int32_t>(std::lrint((minutes - whole) * 60.0 * kRefinementUnits)) + kRefinementOffset;
  record[3] = static_cast<char>(kRefinementBase + refinement / (kRefinementDigits * kRefinementDigits));
  record[4] = static_cast<char>(kRefinementBase + refinement / kRefinementDigits % kRefinementDigits);
  record[5] = static_cast<char>(kRefinementBase + refinement % kRefinementDigits);
  return record;
}

}  // namespace skyloom
