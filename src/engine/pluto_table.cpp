// Pluto's daily table: the general line reader, loading and checking the data
// file, decoding a record and interpolating between days.
#include "engine/pluto_table.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

#include "engine/bodies.h"
#include "ports/window.h"

namespace skyloom {

std::vector<std::string> PlutoTable;

namespace {

// The first character of a record carries an extra shift of (index mod 55).
constexpr int32_t kShiftPeriod = 55;
constexpr int32_t kMinutesPerCircle = 360 * 60;
// What PlutoTableEntry answers for a record that is missing or cannot be
// decoded: negative, like every error value of the engine.
constexpr double kNoRecord = -1.0;
// Longest piece of a bad record quoted back to the user.
constexpr std::size_t kQuotedRecordLength = 20;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

void SetSystemError(int code, std::string& errorText, int32_t& errorNumber) {
  errorNumber = code;
  errorText = std::strerror(code);
}

FileHandle OpenForReading(const std::string& path, std::string& errorText, int32_t& errorNumber) {
  errno = 0;
  FileHandle file(std::fopen(path.c_str(), "rb"));
  // Some C libraries leave errno unset on failure; an error text must never be empty.
  if (!file) SetSystemError(errno != 0 ? errno : EIO, errorText, errorNumber);
  return file;
}

std::string_view TrimBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Reads the file to its end and hands every kept line to keep(lineNumber,
// line), lineNumber counting every physical line from 1 so that messages can
// point into the file. keep returns false to stop early. Lines end in LF or
// CR LF; a last line without a line end still counts.
template <typename Keep>
void ReadKeptLines(std::FILE* file, bool skipBlank, bool trim, int16_t headerLines, std::string& errorText,
                   int32_t& errorNumber, Keep&& keep) {
  std::string pending;  // bytes read but not yet ended by a line break
  std::size_t scanned = 0;
  int64_t lineNumber = 0;
  bool stopped = false;

  auto takeLine = [&](std::string_view line) {
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (lineNumber <= headerLines) return true;
    const std::string_view trimmed = TrimBlanks(line);
    if (skipBlank && trimmed.empty()) return true;
    return keep(lineNumber, trim ? trimmed : line);
  };

  char chunk[16 * 1024];
  while (!stopped) {
    errno = 0;
    const std::size_t got = std::fread(chunk, 1, sizeof chunk, file);
    if (got == 0) {
      if (std::ferror(file)) {
        SetSystemError(errno != 0 ? errno : EIO, errorText, errorNumber);
        return;
      }
      break;
    }
    pending.append(chunk, got);
    std::size_t lineStart = 0;
    std::size_t end = 0;
    while (!stopped && (end = pending.find('\n', scanned)) != std::string::npos) {
      stopped = !takeLine(std::string_view(pending).substr(lineStart, end - lineStart));
      lineStart = scanned = end + 1;
    }
    pending.erase(0, lineStart);
    scanned = pending.size();
  }
  if (!stopped && !pending.empty()) takeLine(pending);
}

// Sixties, degrees and minutes of a record as a whole number of minutes of
// arc, or -1 when a field lies outside its range (no longitude in [0, 360)).
int32_t DecodeRecord(std::string_view record, int32_t k) {
  if (record.size() < 3) return -1;
  const int32_t sixties = static_cast<unsigned char>(record[0]) - 58 - k % kShiftPeriod;
  const int32_t degrees = static_cast<unsigned char>(record[1]) - 59;
  const int32_t minutes = static_cast<unsigned char>(record[2]) - 60;
  if (sixties < 0 || sixties > 5 || degrees < 0 || degrees > 59 || minutes < 0 || minutes > 59) return -1;
  return (sixties * 60 + degrees) * 60 + minutes;
}

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

void ReadLinesToArray(const std::string& path, std::vector<std::string>& target, int16_t firstIndex,
                      bool skipBlank, bool trim, int32_t& count, std::string& errorText, int32_t& errorNumber,
                      int16_t headerLines) {
  errorText.clear();
  errorNumber = 0;
  count = 0;
  if (firstIndex < 0) {
    SetSystemError(EINVAL, errorText, errorNumber);
    return;
  }
  const FileHandle file = OpenForReading(path, errorText, errorNumber);
  if (!file) return;

  // Indexes 0 to firstIndex exist even when nothing is read, so a caller may
  // look at the first entry of an empty file.
  target.assign(static_cast<std::size_t>(firstIndex) + 1, std::string());
  std::size_t writeIndex = static_cast<std::size_t>(firstIndex);
  ReadKeptLines(file.get(), skipBlank, trim, headerLines, errorText, errorNumber,
                [&](int64_t, std::string_view line) {
                  if (count == INT32_MAX) {
                    SetSystemError(EFBIG, errorText, errorNumber);
                    return false;
                  }
                  ++count;
                  if (writeIndex < target.size())
                    target[writeIndex].assign(line);
                  else
                    target.emplace_back(line);
                  ++writeIndex;
                  return true;
                });
}

bool ReadPlutoData(Window* window, const std::string& fileName, std::string& errorText) {
  const std::string path = DataFolder + fileName;
  errorText.clear();

  // Read into a table of our own: PlutoTable only ever holds a whole checked
  // file, so no lookup after a failed load can meet a short or broken table.
  std::vector<std::string> table;
  int32_t errorNumber = 0;
  if (const FileHandle file = OpenForReading(path, errorText, errorNumber)) {
    // Each record the program needs is checked as it arrives, while its line
    // number in the file is still known.
    ReadKeptLines(file.get(), true, true, 0, errorText, errorNumber,
                  [&](int64_t lineNumber, std::string_view line) {
                    const auto k = static_cast<int32_t>(table.size());
                    if (k < PlutoRecordCount && DecodeRecord(line, k) < 0) {
                      errorText = "Line " + std::to_string(lineNumber) + ": the record \"" +
                                  QuotedRecord(line) + "\" is not a valid longitude.";
                      return false;
                    }
                    table.emplace_back(line);
                    return true;
                  });
    if (errorText.empty() && table.size() < static_cast<std::size_t>(PlutoRecordCount))
      errorText = "The file ends after " + std::to_string(table.size()) + " records; " +
                  std::to_string(PlutoRecordCount) + " are needed.";
  }

  if (errorText.empty()) {
    PlutoTable = std::move(table);
    return true;
  }
  PlutoTable.clear();
  if (window) {
    MessageBoxRequest request;
    request.text = "Error when reading geocentric Pluto data.\r\n" + errorText;
    request.title = "Read Pluto Data";
    request.icon = MsgIcon::Exclamation;
    request.buttons = MsgButtons::Ok;
    window->MessageBox(request);
  }
  return false;
}

double PlutoTableEntry(int32_t k) {
  if (k < 0 || static_cast<std::size_t>(k) >= PlutoTable.size()) return kNoRecord;
  const int32_t minutesOfArc = DecodeRecord(PlutoTable[static_cast<std::size_t>(k)], k);
  if (minutesOfArc < 0) return kNoRecord;
  return minutesOfArc / 60 + (minutesOfArc % 60) / 60.0;
}

double PlutoLongitude(double jd) {
  const double n = std::floor(jd + 0.5);
  // Written so that a NaN instant also lands here rather than in the table.
  if (!(n >= FirstTableDay)) return BeforeRange;
  if (n > LastTableDay) return AfterRange;

  const int32_t k = static_cast<int32_t>(n) - FirstTableDay;
  double l0 = PlutoTableEntry(k);
  double l1 = PlutoTableEntry(k + 1);
  // Only a table that was never loaded (or was replaced by a short one) lacks
  // a record here: its data end before this day.
  if (l0 < 0 || l1 < 0) return AfterRange;

  // Pluto moves well under a degree a day, so a jump of more than 355 degrees
  // is the pair straddling the 0/360 seam.
  if (l1 - l0 > 355)
    l0 += 360;
  else if (l0 - l1 > 355)
    l1 += 360;
  const double f = (jd + 0.5) - n;
  double l = l0 + (l1 - l0) * f;
  if (l >= 360) l -= 360;
  return l / 360 * TwoPi;
}

std::string EncodePlutoRecord(int32_t k, int32_t minutesOfArc) {
  // A longitude that rounded up to 360 degrees is 0 degrees.
  const int32_t m = (minutesOfArc % kMinutesPerCircle + kMinutesPerCircle) % kMinutesPerCircle;
  const int32_t shift = (k % kShiftPeriod + kShiftPeriod) % kShiftPeriod;
  std::string record(3, ' ');
  record[0] = static_cast<char>(58 + m / 3600 + shift);
  record[1] = static_cast<char>(59 + m / 60 % 60);
  record[2] = static_cast<char>(60 + m % 60);
  return record;
}

}  // namespace skyloom
