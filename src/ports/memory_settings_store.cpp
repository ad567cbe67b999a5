#include "ports/memory_settings_store.h"

namespace skyloom {
namespace {

std::string Fold(std::string_view text) {
  std::string folded(text);
  for (char& c : folded)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return folded;
}

// The folded path when every part between the backslashes is non-empty, as
// the registry requires; nothing otherwise.
std::optional<std::string> FoldedPath(std::string_view keyPath) {
  if (keyPath.empty() || keyPath.front() == '\\' || keyPath.back() == '\\' ||
      keyPath.find("\\\\") != std::string_view::npos)
    return std::nullopt;
  return Fold(keyPath);
}

}  // namespace

StoreResult MemorySettingsStore::Fault(StoreOperation operation, std::string_view keyPath,
                                       std::string_view name) const {
  return fault_ ? fault_(operation, keyPath, name) : StoreSuccess;
}

StoreResult MemorySettingsStore::CreateKey(std::string_view keyPath, KeyDisposition& disposition) {
  disposition = KeyDisposition::Unknown;
  if (const StoreResult fault = Fault(StoreOperation::CreateKey, keyPath, {}); fault != StoreSuccess) return fault;
  const std::optional<std::string> path = FoldedPath(keyPath);
  if (!path) return StoreBadPathname;
  disposition = keys_.contains(*path) ? KeyDisposition::OpenedExistingKey : KeyDisposition::CreatedNewKey;
  MakeKey(*path);
  return StoreSuccess;
}

MemorySettingsStore::Key& MemorySettingsStore::MakeKey(const std::string& foldedPath) {
  for (size_t end = foldedPath.find('\\'); end != std::string::npos; end = foldedPath.find('\\', end + 1))
    keys_.try_emplace(foldedPath.substr(0, end));
  return keys_[foldedPath];
}

StoreResult MemorySettingsStore::OpenKey(std::string_view keyPath) {
  if (const StoreResult fault = Fault(StoreOperation::OpenKey, keyPath, {}); fault != StoreSuccess) return fault;
  const std::optional<std::string> path = FoldedPath(keyPath);
  if (!path) return StoreBadPathname;
  return keys_.contains(*path) ? StoreSuccess : StoreNotFound;
}

StoreResult MemorySettingsStore::WriteValue(std::string_view keyPath, std::string_view name, std::string_view value) {
  if (const StoreResult fault = Fault(StoreOperation::WriteValue, keyPath, name); fault != StoreSuccess) return fault;
  const std::optional<std::string> path = FoldedPath(keyPath);
  if (!path) return StoreBadPathname;
  const auto key = keys_.find(*path);
  if (key == keys_.end()) return StoreNotFound;
  auto [entry, added] = key->second.try_emplace(Fold(name), Value{std::string(name), {}});
  entry->second.text = value;
  writes_.push_back({std::string(keyPath), std::string(name), std::string(value)});
  return StoreSuccess;
}

StoreResult MemorySettingsStore::ReadValue(std::string_view keyPath, std::string_view name, std::string& value) {
  if (const StoreResult fault = Fault(StoreOperation::ReadValue, keyPath, name); fault != StoreSuccess) return fault;
  const std::optional<std::string> path = FoldedPath(keyPath);
  if (!path) return StoreBadPathname;
  const auto key = keys_.find(*path);
  if (key == keys_.end()) return StoreNotFound;
  const auto entry = key->second.find(Fold(name));
  if (entry == key->second.end()) return StoreNotFound;
  value = entry->second.text;
  return StoreSuccess;
}

StoreResult MemorySettingsStore::Flush() {
  if (const StoreResult fault = Fault(StoreOperation::Flush, {}, {}); fault != StoreSuccess) return fault;
  ++flushes_;
  return StoreSuccess;
}

void MemorySettingsStore::Put(std::string_view keyPath, std::string_view name, std::string_view value) {
  const std::optional<std::string> path = FoldedPath(keyPath);
  if (!path) return;
  auto [entry, added] = MakeKey(*path).try_emplace(Fold(name), Value{std::string(name), {}});
  entry->second.text = value;
}

}  // namespace skyloom
