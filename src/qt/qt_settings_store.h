// The per-user settings store on QSettings in its native format: the
// registry key HKEY_CURRENT_USER\Software\Quillfern\SKL on Windows, the file
// ~/.config/Quillfern/SKL.conf elsewhere. It holds the keys from
// "Software\Quillfern\SKL" down; "Software\Quillfern\SKL\Year" is the group
// "Year" there, and values of "Software\Quillfern\SKL" itself are top-level
// entries.
//
// The values are read when the store is made, after each flush and on
// Reload. Writes are kept until Flush, which hands them to QSettings all at
// once: QSettings writes its file to a temporary one and renames that over
// the old, so a crash leaves the previous state or the new one, never a
// mixture. A file that cannot be read, does not parse, is cut short (a
// file QSettings wrote always ends in a line end, and each flush keeps the
// number of entries among them), or is no regular file of a saved state's
// size counts as holding nothing; the next flush sets it aside as
// SKL.conf.damaged and writes a new one.
#pragma once

#include <QString>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "ports/settings_store.h"

class QSettings;

namespace skyloom {

class QtSettingsStore : public SettingsStore {
 public:
  QtSettingsStore();
  ~QtSettingsStore() override;
  QtSettingsStore(const QtSettingsStore&) = delete;
  QtSettingsStore& operator=(const QtSettingsStore&) = delete;

  // SettingsStore
  StoreResult CreateKey(std::string_view keyPath, KeyDisposition& disposition) override;
  StoreResult OpenKey(std::string_view keyPath) override;
  StoreResult WriteValue(std::string_view keyPath, std::string_view name, std::string_view value) override;
  StoreResult ReadValue(std::string_view keyPath, std::string_view name, std::string& value) override;
  StoreResult Flush() override;
  void Reload() override;
  std::string FlushFailure() const override { return flushFailure_; }
  // The stored values could not be read when last loaded.
  bool Damaged() const { return damaged_; }

 private:
  std::unique_ptr<QSettings> Open() const;
  QString FileName() const;
  void Load();
  bool SetAsideDamaged();
  // Records why a flush failed; returns result.
  StoreResult Failed(StoreResult result);

  std::map<QString, std::string> values_;   // by QSettings key ("Year/0")
  std::set<QString> keys_;                  // groups that exist, "" for the top
  std::map<QString, std::string> pending_;  // written, not yet flushed
  bool damaged_ = false;
  std::string flushFailure_;
};

}  // namespace skyloom
