#include "state/registry.h"

#include "ports/window.h"
#include "report/program.h"

namespace skyloom {
namespace {

using RegistryStatus = std::string;

// The platform's message function fills a buffer of 100 characters.
std::string SystemMessage(StoreResult result) { return std::string(StoreErrorText(result).substr(0, 100)); }

bool Succeeded(const RegistryStatus& status) { return !status.empty() && status.front() == '0'; }

std::string FullKey(std::string_view keyPart) { return std::string(ProgramKeyRoot) + std::string(keyPart); }

void ShowRegistryError(Window* window, const std::string& text) {
  if (window == nullptr) return;
  MessageBoxRequest request;
  request.text = text;
  request.title = ProgramTitle;
  window->MessageBox(request);
}

// Creates or opens keyPath under root and writes name = value. The status
// ("0 New key created.", "0 Key already exists.", or the error number and
// "Unable to create (or find) key." / "Unable to write value.") is followed
// by two blanks and the system's text for the last result.
RegistryStatus RegistryWriteValue(SettingsStore& root, std::string_view keyPath, std::string_view name,
                                  std::string_view value) {
  RegistryStatus status;
  KeyDisposition disposition = KeyDisposition::Unknown;
  StoreResult last = root.CreateKey(keyPath, disposition);
  if (last != StoreSuccess) {
    status = std::to_string(last) + " Unable to create (or find) key.";
  } else {
    switch (disposition) {
      case KeyDisposition::CreatedNewKey: status = "0 New key created."; break;
      case KeyDisposition::OpenedExistingKey: status = "0 Key already exists."; break;
      default: status = "0 Key anomaly."; break;
    }
    last = root.WriteValue(keyPath, name, value);
    // A value that was not written must not pass for saved.
    if (last != StoreSuccess) status = std::to_string(last) + " Unable to write value.";
  }
  return status + "  " + SystemMessage(last);
}

// Reads name under keyPath: "0 OK" with value set, or "1 Key not found or
// is empty.", "2 Name not specified.", "3 Name not found." (also for an
// empty value), "4 " and the system's text for any other failure.
RegistryStatus RegistryReadValue(SettingsStore& root, std::string_view keyPath, std::string_view name,
                                 std::string& value) {
  if (keyPath.empty() || root.OpenKey(keyPath) != StoreSuccess) return "1 Key not found or is empty.";
  if (name.empty()) return "2 Name not specified.";
  std::string read;
  const StoreResult result = root.ReadValue(keyPath, name, read);
  if (result == StoreNotFound || (result == StoreSuccess && read.empty())) return "3 Name not found.";
  if (result == StoreSuccess) {
    value = std::move(read);
    return "0 OK";
  }
  // Whatever a failed read left behind is not the stored value.
  return "4 " + SystemMessage(result);
}

}  // namespace

bool SaveRegistryString(SettingsStore& store, std::string_view keyPart, std::string_view name, std::string_view value,
                        bool showError, Window* window) {
  // An empty value would read back as a missing one.
  const std::string stored = value.empty() ? std::string(" ") : std::string(value);
  const bool saved = Succeeded(RegistryWriteValue(store, FullKey(keyPart), name, stored));
  if (!saved && showError)
    ShowRegistryError(window, "Error saving to registry:\r\nstrKey=" + std::string(keyPart) +
                                  "\r\nstrName=" + std::string(name) + "\r\nstrValue=" + stored);
  return saved;
}

bool RestoreRegistryString(SettingsStore& store, std::string_view keyPart, std::string_view name, std::string& value,
                           bool showError, std::string_view defaultValue, Window* window) {
  value.clear();
  const bool restored = Succeeded(RegistryReadValue(store, FullKey(keyPart), name, value));
  if (!restored) {
    if (showError)
      ShowRegistryError(window, "Error restoring from registry:\r\nstrKey=" + std::string(keyPart) +
                                    "\r\nstrName=" + std::string(name) + "\r\nstrValue=" + value +
                                    "\r\nstrDefaultValueOnError=" + std::string(defaultValue));
    value = defaultValue;
  }
  return restored;
}

}  // namespace skyloom
