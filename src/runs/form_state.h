// What the main window holds besides its controls: the session its
// commands run in, the report file, and the window's own memory.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "engine/bodies.h"
#include "engine/houses.h"
#include "engine/progressions.h"
#include "ports/atlas.h"
#include "ports/calendar_library.h"
#include "ports/program_folder.h"
#include "runs/after_tables.h"
#include "runs/session.h"

namespace skyloom {

class Window;

// What the window's menus choose for its runs, beside the form's inputs.
struct RunOptions {
  bool stations = false, ingresses = false, houseIngresses = false;
  AspectSet aspects = AspectSet::Major();
  HouseSystem houses = HouseSystem::Placidus;
  // The whole chart also runs the transiting Moon.
  bool withMoon = false;
  // Tables after the transits of the sky's own events.
  bool eclipses = false, lunations = false, voidOfCourse = false;
  // How the moving body of a personal run moves; world runs always transit.
  ProgressionKind progression = ProgressionKind::Transit;
  bool operator==(const RunOptions&) const = default;
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
  RunOptions Options;
};

struct FormState : WindowMemory {
  // dataFolder: where the ephemeris files and the Pluto table are looked
  // for, ending in the path separator; atlas: where birth places are found.
  explicit FormState(Window& w, std::string dataFolder = ExecutableFolder(), const Atlas& atlas = GeonamesAtlas())
      : window(w), DataFolder(std::move(dataFolder)), Places(atlas), Runs(DataFolder) {}
  FormState(const FormState&) = delete;
  FormState& operator=(const FormState&) = delete;

  Window& window;
  std::string DataFolder;
  const Atlas& Places;
  // The commands' session: positions, the Pluto table, the last results,
  // whether a run is going.
  Session Runs;
  // The file of the HTML report, named with "Write output to file".
  std::string OutputFilePath;
  // The day the run going on is computing, as the window shows it.
  std::string CurrentDayText;
  // The tables after the last command's transits, for the exports.
  TablesAfterRuns Tables;
};

}  // namespace skyloom
