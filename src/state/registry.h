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

using RegistryStatus = std::string;

// Creates or opens keyPath under root and writes name = value. The status
// ("0 New key created.", "0 Key already exists.", or the error number and
// "Unable to create (or find) key." / "Unable to write value.") is followed
// by two blanks and the system's text for the last result.
RegistryStatus RegistryWriteValue(SettingsStore& root, std::string_view keyPath, std::string_view name,
                                  std::string_view value);
// Reads name under keyPath: "0 OK" with value set, or "1 Key not found or
// is empty.", "2 Name not specified.", "3 Name not found." (also for an
// empty value), "4 " and the system's text for any other failure.
RegistryStatus RegistryReadValue(SettingsStore& root, std::string_view keyPath, std::string_view name,
                                 std::string& value);

// Writes value (an empty one as a single blank) under ProgramKeyRoot +
// keyPart; true on success. On failure with showError set, a message box on
// window (when given) names the key, the name and the value.
bool SaveRegistryString(SettingsStore& store, std::string_view keyPart, std::string_view name,
                        std::string_view value, bool showError, Window* window = nullptr);
// Reads name under ProgramKeyRoot + keyPart into value; true on success. On
// failure value becomes defaultValue, after a message box on window (when
// given) if showError is set.
bool RestoreRegistryString(SettingsStore& store, std::string_view keyPart, std::string_view name,
                           std::string& value, bool showError, std::string_view defaultValue,
                           Window* window = nullptr);

}  // namespace skyloom
