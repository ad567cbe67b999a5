// The per-user settings store as the program sees it: string values
// addressed by a key path ("Software\Quillfern\SKL\Year", parts separated by
// backslashes) and a value name, in the manner of the Windows registry. The
// production store sits on QSettings (the registry itself on Windows, a
// file elsewhere); the tests use an in-memory one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace skyloom {

// The outcome of a store operation: 0 is success, anything else an error
// number. The numbers are the Windows system error numbers, so that a store
// on the registry can pass its own results through unchanged.
using StoreResult = int32_t;
inline constexpr StoreResult StoreSuccess = 0;
inline constexpr StoreResult StoreNotFound = 2;  // no such key or value
inline constexpr StoreResult StoreAccessDenied = 5;
inline constexpr StoreResult StoreInvalidData = 13;
inline constexpr StoreResult StoreWriteFault = 29;
inline constexpr StoreResult StoreReadFault = 30;
inline constexpr StoreResult StoreInvalidParameter = 87;
inline constexpr StoreResult StoreBadPathname = 161;

// What creating a key found.
enum class KeyDisposition : uint8_t { Unknown = 0, CreatedNewKey = 1, OpenedExistingKey = 2 };

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;

  // Creates the key, with any missing keys above it, or opens it when it
  // exists already.
  virtual StoreResult CreateKey(std::string_view keyPath, KeyDisposition& disposition) = 0;
  // Success when the key exists.
  virtual StoreResult OpenKey(std::string_view keyPath) = 0;
  // Sets a value of an existing key (CreateKey first).
  virtual StoreResult WriteValue(std::string_view keyPath, std::string_view name, std::string_view value) = 0;
  // StoreNotFound when the key or the value does not exist; value is only
  // changed on success.
  virtual StoreResult ReadValue(std::string_view keyPath, std::string_view name, std::string& value) = 0;
  // Makes the writes so far lasting. A store that keeps its values in a
  // file replaces the file as a whole here, so that a crash leaves either
  // the values of the previous flush or those of this one.
  virtual StoreResult Flush() = 0;
  // Reads the stored values afresh: another window of the program may
  // have saved since this store last read them. Writes not yet flushed are
  // kept.
  virtual void Reload() {}
  // Why the last Flush failed, naming where the values live and in the
  // system's own words ("/home/ann/.config/Quillfern/SKL.conf: Is a
  // directory"); empty when the store can say no more than its result.
  virtual std::string FlushFailure() const { return {}; }
};

// The system's text for a result, as the platform's message function gives
// it for these numbers; empty for a number it has no text for.
constexpr std::string_view StoreErrorText(StoreResult result) {
  switch (result) {
    case StoreSuccess: return "The operation completed successfully.";
    case StoreNotFound: return "The system cannot find the file specified.";
    case StoreAccessDenied: return "Access is denied.";
    case StoreInvalidData: return "The data is invalid.";
    case StoreWriteFault: return "The system cannot write to the specified device.";
    case StoreReadFault: return "The system cannot read from the specified device.";
    case StoreInvalidParameter: return "The parameter is incorrect.";
    case StoreBadPathname: return "The specified path is invalid.";
    default: return "";
  }
}

}  // namespace skyloom
