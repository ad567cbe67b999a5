#include "state/registry.h"

#include <gtest/gtest.h>

#include <string>

#include "ports/memory_settings_store.h"
#include "ports/memory_window.h"

namespace skyloom {
namespace {

constexpr const char* kSkl = "Software\\Quillfern\\SKL";

MemorySettingsStore::FaultHook FailOn(StoreOperation failing, StoreResult result) {
  return [failing, result](StoreOperation operation, std::string_view, std::string_view) {
    return operation == failing ? result : StoreSuccess;
  };
}

TEST(RegistryWriteValue, StatusNamesTheKeyOutcomeThenTheSystemMessage) {
  MemorySettingsStore store;
  EXPECT_EQ(RegistryWriteValue(store, kSkl, "World", "Y"),
            "0 New key created.  The operation completed successfully.");
  EXPECT_EQ(RegistryWriteValue(store, kSkl, "Tropical", "N"),
            "0 Key already exists.  The operation completed successfully.");
  EXPECT_EQ(store.Find(kSkl, "World"), "Y");
  EXPECT_EQ(store.Find(kSkl, "Tropical"), "N");
}

TEST(RegistryWriteValue, FailuresStartWithTheErrorNumber) {
  MemorySettingsStore store;
  store.SetFaultHook(FailOn(StoreOperation::CreateKey, StoreAccessDenied));
  EXPECT_EQ(RegistryWriteValue(store, kSkl, "World", "Y"),
            "5 Unable to create (or find) key.  Access is denied.");

  MemorySettingsStore plain;
  EXPECT_EQ(RegistryWriteValue(plain, "Software\\\\Quillfern", "World", "Y"),
            "161 Unable to create (or find) key.  The specified path is invalid.");

  // The key opens but the value is refused: this must not read as saved.
  MemorySettingsStore refusing;
  refusing.SetFaultHook(FailOn(StoreOperation::WriteValue, StoreWriteFault));
  EXPECT_EQ(RegistryWriteValue(refusing, kSkl, "World", "Y"),
            "29 Unable to write value.  The system cannot write to the specified device.");
  EXPECT_FALSE(refusing.Find(kSkl, "World"));
}

TEST(RegistryReadValue, EachOutcomeHasItsStatus) {
  MemorySettingsStore store;
  store.Put(kSkl, "World", "Y");
  store.Put(kSkl, "Empty", "");
  const struct {
    const char* keyPath;
    const char* name;
    const char* status;
    const char* value;  // what the caller's "unchanged" becomes
  } kCases[] = {
      {"", "World", "1 Key not found or is empty.", "unchanged"},
      {"Software\\Quillfern\\Other", "World", "1 Key not found or is empty.", "unchanged"},
      {kSkl, "", "2 Name not specified.", "unchanged"},
      {kSkl, "Tropical", "3 Name not found.", "unchanged"},
      {kSkl, "Empty", "3 Name not found.", "unchanged"},
      {kSkl, "World", "0 OK", "Y"},
      {"software\\quillfern\\skl", "WORLD", "0 OK", "Y"},  // the registry ignores case
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.keyPath) + " / " + c.name);
    std::string value = "unchanged";
    EXPECT_EQ(RegistryReadValue(store, c.keyPath, c.name, value), c.status);
    EXPECT_EQ(value, c.value);
  }
}

TEST(RegistryReadValue, AFailedReadIsAFailureAndHandsNothingOn) {
  MemorySettingsStore store;
  store.Put(kSkl, "World", "Y");
  store.SetFaultHook(FailOn(StoreOperation::ReadValue, StoreReadFault));
  std::string value = "unchanged";
  EXPECT_EQ(RegistryReadValue(store, kSkl, "World", value),
            "4 The system cannot read from the specified device.");
  EXPECT_EQ(value, "unchanged");

  store.SetFaultHook(FailOn(StoreOperation::ReadValue, StoreNotFound));
  EXPECT_EQ(RegistryReadValue(store, kSkl, "World", value), "3 Name not found.");

  store.SetFaultHook(FailOn(StoreOperation::OpenKey, StoreAccessDenied));
  EXPECT_EQ(RegistryReadValue(store, kSkl, "World", value), "1 Key not found or is empty.");
  EXPECT_EQ(value, "unchanged");
}

TEST(SaveAndRestoreRegistryString, RoundTripBelowTheProgramKeyWithEmptyTextsAsOneBlank) {
  MemorySettingsStore store;
  EXPECT_TRUE(SaveRegistryString(store, "\\SKL\\Year", "2", "", false));
  EXPECT_TRUE(SaveRegistryString(store, "\\SKL", "ATDateFmt", "1", false));
  EXPECT_EQ(store.Find("Software\\Quillfern\\SKL\\Year", "2"), " ");
  EXPECT_TRUE(store.HasKey("Software\\Quillfern"));

  std::string value;
  EXPECT_TRUE(RestoreRegistryString(store, "\\SKL\\Year", "2", value, false, "default"));
  EXPECT_EQ(value, " ");
  EXPECT_TRUE(RestoreRegistryString(store, "\\SKL", "ATDateFmt", value, false, "default"));
  EXPECT_EQ(value, "1");
  // Never written, and a key that does not exist: the default, and false.
  EXPECT_FALSE(RestoreRegistryString(store, "\\SKL", "TZ0", value, false, "24"));
  EXPECT_EQ(value, "24");
  EXPECT_FALSE(RestoreRegistryString(store, "\\Nothing", "TZ0", value, false, ""));
  EXPECT_EQ(value, "");
}

TEST(SaveAndRestoreRegistryString, FailuresGiveFalseTheDefaultAndAMessageOnlyWhenAsked) {
  MemoryWindow window;
  MemorySettingsStore store;
  store.Put(kSkl, "TZ0", "30");
  store.SetFaultHook([](StoreOperation operation, std::string_view, std::string_view) {
    return operation == StoreOperation::Flush ? StoreSuccess : StoreAccessDenied;
  });
  EXPECT_FALSE(SaveRegistryString(store, "\\SKL", "Stop", "", false, &window));
  EXPECT_TRUE(window.MessageBoxes().empty());
  EXPECT_FALSE(SaveRegistryString(store, "\\SKL", "Stop", "", true, &window));
  ASSERT_EQ(window.MessageBoxes().size(), 1u);
  EXPECT_EQ(window.MessageBoxes()[0].text,
            "Error saving to registry:\r\nstrKey=\\SKL\r\nstrName=Stop\r\nstrValue= ");
  EXPECT_EQ(window.MessageBoxes()[0].title, "Skyloom");
  EXPECT_EQ(window.MessageBoxes()[0].buttons, MsgButtons::Ok);

  std::string value;
  EXPECT_FALSE(RestoreRegistryString(store, "\\SKL", "TZ0", value, false, "24", &window));
  EXPECT_EQ(window.MessageBoxes().size(), 1u);
  EXPECT_FALSE(RestoreRegistryString(store, "\\SKL", "TZ0", value, true, "24", &window));
  ASSERT_EQ(window.MessageBoxes().size(), 2u);
  EXPECT_EQ(window.MessageBoxes()[1].text,
            "Error restoring from registry:\r\nstrKey=\\SKL\r\nstrName=TZ0\r\nstrValue=\r\n"
            "strDefaultValueOnError=24");
  EXPECT_EQ(value, "24");
  EXPECT_EQ(store.Find(kSkl, "TZ0"), "30");
}

}  // namespace
}  // namespace skyloom
