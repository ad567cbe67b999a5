// A main window and run state ready for the report writer and the output
// box: design captions, the lists a run reads filled as start-up fills them,
// and helpers for result rows, files and the desktop shell.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/run_state.h"
#include "ports/memory_window.h"
#include "ports/shell.h"

namespace skyloom::test {

inline constexpr const char* kCrLf = "\r\n";

// Julian day number of a Gregorian date, through the calendar library.
int32_t DayNumberOf(int32_t year, int32_t month, int32_t day);

struct PersonalRunInput {
  int16_t transiting = 5;  // cboPlanet(0) position: 5 Saturn
  int16_t natal = 0;       // cboPlanet(1) position: 0 Sun
  int32_t startDay = DayNumberOf(2024, 1, 1);
  int32_t endDay = DayNumberOf(2024, 12, 31);
  int32_t birthDay = DayNumberOf(1970, 3, 15);
  int16_t hourPosition = 15;   // "14"
  int16_t minutePosition = 7;  // "30"
  int16_t zonePosition = 26;   // "GMT+1:00"
  bool tropical = true;
};

class ReportRig {
 public:
  // Design captions, the window caption "Skyloom", personal mode with the
  // body, orb, hour, minute and zone lists filled; a result table of a year.
  ReportRig();
  ReportRig(const ReportRig&) = delete;
  ReportRig& operator=(const ReportRig&) = delete;

  MemoryWindow window;
  FormState state{window};

  // Selects the run's inputs in the window and the state, and builds the
  // title as the engine does before the header.
  void PersonalRun(const PersonalRunInput& input = {});
  void WorldRun();
  void SetOrbs(int16_t outer, int16_t middle, int16_t inner);
  // Writes the nine cells of a result row.
  void SetRow(int32_t row, const std::array<std::string, 9>& cells);
  void CheckHtml(bool on);

  std::string Output() const;
};

// A fresh folder under the system's temporary folder, removed with its
// contents afterwards.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& Path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// The whole file, byte for byte; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& bytes);

// A desktop shell that opens nothing: it records the paths and answers with
// the given result.
class FakeShell : public Shell {
 public:
  explicit FakeShell(int result = 42) : result_(result) {}
  int OpenDocument(const std::string& path) override {
    opened.push_back(path);
    return result_;
  }
  std::vector<std::string> opened;

 private:
  int result_;
};

}  // namespace skyloom::test
