// Arbitrary values under the names a save writes, some reads failing: the
// window comes up, and a state saved, restored and saved again writes the
// same values.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "../tests/support/report_fixture.h"
#include "fuzz_check.h"
#include "ports/memory_settings_store.h"
#include "ports/memory_window.h"
#include "state/registry.h"
#include "state/saved_state.h"
#include "ui/main_form.h"

namespace {

using namespace skyloom;
using enum ControlName;

std::string StoredText(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange<int>(0, 6)) {
    case 0: return std::to_string(in.ConsumeIntegral<int64_t>());
    case 1: return std::to_string(in.ConsumeIntegralInRange<int>(-3, 50));  // about the lists' ends
    case 2: return std::to_string(in.ConsumeIntegralInRange<int>(-40, 40) / 2.0);
    case 3: {
      std::string digits(in.ConsumeIntegralInRange<size_t>(1, 40), '9');
      return in.ConsumeBool() ? "-" + digits : digits;
    }
    case 4: return in.ConsumeBool() ? "Y" : "N";
    default: return in.ConsumeRandomLengthString(48);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  MemorySettingsStore store;
  const auto names = SavedStateValues();
  const std::string root(ProgramKeyRoot);
  if (in.ConsumeBool()) store.Put(root + "\\SKL", "StateSaved", "Y");
  const int count = in.ConsumeIntegralInRange<int>(0, 60);
  for (int i = 0; i < count && in.remaining_bytes() > 0; ++i) {
    const SavedValueName& value = names[in.ConsumeIntegralInRange<size_t>(0, names.size() - 1)];
    store.Put(root + std::string(value.keyPart), value.name, StoredText(in));
  }
  // Reads of some values fail the way a damaged store fails them.
  const uint32_t failing = in.ConsumeIntegral<uint32_t>();
  store.SetFaultHook([failing](StoreOperation operation, std::string_view keyPath, std::string_view name) {
    if (operation != StoreOperation::ReadValue) return StoreSuccess;
    const size_t bit = (keyPath.size() * 7 + name.size() * 3 + (name.empty() ? 0 : name.back())) % 32;
    return (failing >> bit) & 1 ? StoreReadFault : StoreSuccess;
  });

  MemoryWindow window;
  test::FakeShell shell;
  MainForm form(window, shell,
                {{},
                 [&store](FormState& state) { return SaveProgramState(state, store); },
                 [&store](FormState& state) { return RestoreProgramState(state, store); }});
  window.LoadDesign();
  form.Load();
  FormState& state = form.State();
  FUZZ_CHECK(state.FormLoaded);
  FUZZ_CHECK(window.Shown());
  // The results zone is an entry of its list, or a zone name typed into it.
  const Control results = Ctl(cboTimezone, 0);
  FUZZ_CHECK(window.ListIndex(results) >= 0 || !window.Text(results).empty());
  const bool world = window.Value(Ctl(optWorld)) != 0;
  FUZZ_CHECK(world != (window.Value(Ctl(optPersonal)) != 0));
  FUZZ_CHECK(window.Visible(Ctl(fraBirthDate)) == !world);

  form.Click(Ctl(cmdRestoreState));

  // Saved and restored, the window is the same: saving it again writes the
  // same values.
  MemorySettingsStore first, second;
  FUZZ_CHECK(SaveProgramState(state, first));
  FUZZ_CHECK(RestoreProgramState(state, first));
  FUZZ_CHECK(SaveProgramState(state, second));
  FUZZ_CHECK(first.Writes() == second.Writes());
  return 0;
}
