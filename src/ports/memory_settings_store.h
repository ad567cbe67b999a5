// A settings store in memory, for the tests and the fuzzer. It behaves as
// the registry does: key paths and value names ignore the case of ASCII
// letters, creating a key creates the keys above it, and a write is seen
// by the next read at once. A test can make any operation fail.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ports/settings_store.h"

namespace skyloom {

enum class StoreOperation : uint8_t { CreateKey, OpenKey, WriteValue, ReadValue, Flush };

class MemorySettingsStore : public SettingsStore {
 public:
  // Asked before every operation with its key path and value name (empty
  // where the operation has none); a result other than StoreSuccess makes
  // the operation fail with it and leave the values as they are.
  using FaultHook = std::function<StoreResult(StoreOperation, std::string_view keyPath, std::string_view name)>;

  struct Write {
    std::string keyPath;
    std::string name;
    std::string value;
    friend bool operator==(const Write&, const Write&) = default;
  };

  // SettingsStore
  StoreResult CreateKey(std::string_view keyPath, KeyDisposition& disposition) override;
  StoreResult OpenKey(std::string_view keyPath) override;
  StoreResult WriteValue(std::string_view keyPath, std::string_view name, std::string_view value) override;
  StoreResult ReadValue(std::string_view keyPath, std::string_view name, std::string& value) override;
  StoreResult Flush() override;

  // Set-up and inspection by tests; these never fail and are not logged.
  // Put creates the key as needed.
  void Put(std::string_view keyPath, std::string_view name, std::string_view value);

  void SetFaultHook(FaultHook hook) { fault_ = std::move(hook); }
  // The successful writes, in order.
  const std::vector<Write>& Writes() const { return writes_; }
  int FlushCount() const { return flushes_; }

 private:
  // Values of one key by folded name; each keeps the name as first written.
  struct Value {
    std::string name;
    std::string text;
  };
  using Key = std::map<std::string, Value>;

  Key& MakeKey(const std::string& foldedPath);
  StoreResult Fault(StoreOperation operation, std::string_view keyPath, std::string_view name) const;

  std::map<std::string, Key> keys_;  // by folded key path
  std::vector<Write> writes_;
  FaultHook fault_;
  int flushes_ = 0;
};

}  // namespace skyloom
