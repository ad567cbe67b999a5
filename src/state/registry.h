// Registry3: single string values under the program's key in the per-user
// settings store, each operation reporting its outcome as a status text
// whose first character is a digit, "0" for success.
#pragma once

#include <string>
#include <string_view>

#include "ports/settings_store.h"

namespace skyloom {

class Window;

// Every key the program uses lies below this one; callers pass the rest,
// starting with a backslash ("\SKL\Year").
inline constexpr std::string_view ProgramKeyRoot = "Software\\Quillfern";

// Writes value (an empty one as a single blank) under ProgramKeyRoot +
// keyPart; true on success. On failure with showError set, a message box on
// window (when given) names the key, the name and the value.
bool SaveRegistryString(SettingsStore& store, std::string_view keyPart, std::string_view name, std::string_view value,
                        bool showError, Window* window = nullptr);
// Reads name under ProgramKeyRoot + keyPart into value; true on success. On
// failure value becomes defaultValue, after a message box on window (when
// given) if showError is set.
bool RestoreRegistryString(SettingsStore& store, std::string_view keyPart, std::string_view name, std::string& value,
                           bool showError, std::string_view defaultValue, Window* window = nullptr);

}  // namespace skyloom
