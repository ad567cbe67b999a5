// What the user does with the output box: clear it, write it to a text file,
// name the file of the HTML report, open a written file with the program the
// desktop associates with it.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "report/exports.h"
#include "runs/form_state.h"

namespace skyloom {

class Shell;

// The output box counts as full beyond this many characters.
inline constexpr int32_t OutputBoxCapacity = 64000;

// Sizes of the main window in twips.
inline constexpr int32_t MinWindowWidth = 13800;
inline constexpr int32_t MinWindowHeight = 6500;

void ClearOutput(FormState& state);
// "Write output to file": asks for a file and writes the box's text to it,
// or, with "Output as HTML" checked, only records the file for the next run.
void WriteOutputFile(FormState& state, Shell& shell);
// The output box counts as full beyond OutputBoxCapacity characters; a box
// that hands its text on instead of keeping it never fills up.
bool OutputBoxFull(const Window& window);
// Opens path with its associated program; on failure with showErrors set,
// tells the user.
bool OpenWithAssociatedProgram(FormState& state, Shell& shell, const std::string& path, bool showErrors);

// The window's export: asks for a file and writes the last run's results
// (or the whole last Show-all series) in the format.
void ExportResultsCommand(FormState& state, ExportFormat format);

// Sets the window's height, keeping its position and width.
void SetWindowHeight(Window& window, int32_t height);

}  // namespace skyloom
