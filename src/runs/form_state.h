// What the main window holds for runs, in the parts the commands share: the
// inputs the next run is made of, the flags of the run going on, the report
// file, the window's own memory, and the objects positions come from.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/bodies.h"
#include "engine/midnight_longitudes.h"
#include "engine/pluto_table.h"
#include "engine/positions.h"
#include "engine/run_state.h"
#include "ports/calendar_library.h"
#include "ports/ephemeris.h"
#include "ports/program_folder.h"

namespace skyloom {

class Window;

// The inputs of a run as the commands gather them from the window.
struct RunInputs {
  std::array<int32_t, 3> EnteredDayNumbers{};  // 0 start, 1 end, 2 birth
  int32_t RunStartDay = 0;
  int32_t RunEndDay = 0;
  int16_t ZoneMinutes = 0;
  std::array<BodyIndex, 2> RunBodies{Mars, Jupiter};
  RunOrbs Orbs;
  std::array<Position, LastBody + 1> NatalLongitude{};
  Zodiac RunZodiac = Zodiac::Tropical;  // sidereal only for a personal run that asks for it
};

// The state of the run going on, and of a Show-all series.
struct RunFlags {
  bool StopRequested = false;
  bool ShowAllMode = false;
  bool RunAbandoned = false;
  bool HeaderWritten = false;
  // The program is about to end: a run going on stops, no new run starts.
  bool QuitRequested = false;
  std::string CurrentDayText;
  int32_t RunsStarted = 0;  // runs handed to the engine, counted by the commands
};

// The HTML report's file, open while a run writes it.
struct ReportFile {
  ReportFile() = default;
  ~ReportFile() {
    if (OutputFile) std::fclose(OutputFile);
  }
  ReportFile(const ReportFile&) = delete;
  ReportFile& operator=(const ReportFile&) = delete;

  std::string OutputFilePath;
  bool HtmlFileOpen = false;
  std::FILE* OutputFile = nullptr;
};

// What the window remembers between events.
struct WindowMemory {
  bool FormLoaded = false;
  CalendarDate EntryDateRecord;  // the date boxes' shared record, Calendar 'G'
  std::string StopDateText;      // trimmed text of the stop-date box
  std::array<int16_t, 3> SavedTimezoneIndex{};
  // List positions remembered per mode and list: [0] world first list,
  // [1] personal first list, [2] world second list, [3] personal second list.
  std::array<int16_t, 4> RememberedPlanetIndex{-1, -1, -1, -1};
  bool FillingPlanetLists = false;
  bool StateRecentlySaved = false;
  int16_t SavedTickCount = 0;
};

struct FormState : RunInputs, RunFlags, ReportFile, WindowMemory {
  // dataFolder: where the ephemeris files and the Pluto table are looked
  // for, ending in the path separator.
  explicit FormState(Window& w, std::string dataFolder = ExecutableFolder())
      : window(w), DataFolder(std::move(dataFolder)), Library(DataFolder) {}
  FormState(const FormState&) = delete;
  FormState& operator=(const FormState&) = delete;

  Window& window;
  std::string DataFolder;

  // Positions: the planets and the Moon from the library, Pluto from its
  // table once read (a table is never changed once read, so windows may
  // share one).
  SwissEphemeris Library;
  std::shared_ptr<const PlutoTable> Pluto;
  bool PlutoDataLoaded = false;
  BodyPositions Positions{Library};
  void UsePlutoTable(std::shared_ptr<const PlutoTable> table) {
    Pluto = std::move(table);
    Positions.UsePlutoTable(Pluto.get());
    PlutoDataLoaded = Pluto != nullptr;
    SharedMidnights.reset();
  }

  // The daily samples that the runs of a Show-all series and the walks of a
  // Search share, kept until the series or the command ends.
  std::optional<MidnightLongitudes> SharedMidnights;
  MidnightLongitudes& Midnights(int16_t zoneMinutes, Zodiac zodiac) {
    if (!SharedMidnights || !SharedMidnights->Serves(zoneMinutes, zodiac))
      SharedMidnights.emplace(Positions, zoneMinutes, zodiac);
    return *SharedMidnights;
  }

  // The last run's table and title.
  TransitTable Table;
  std::string RunTitle;
  // The last run's transits as data, or every run of the last Show-all series.
  std::vector<RunResult> Results;
};

}  // namespace skyloom
