// A main window in memory after the program's start-up sequence, with a
// fixed machine zone and date so that results do not depend on the machine.
#pragma once

#include <string>

#include "ports/memory_window.h"
#include "ports/settings_store.h"
#include "ports/shell.h"
#include "support/case_file.h"
#include "support/report_fixture.h"
#include "ui/main_form.h"

namespace skyloom::test {

struct FormFixture {
  // Results in Greenwich time over 2020.
  FormFixture();
  // Every input as the start-up with these services made it.
  explicit FormFixture(MainFormServices services);

  // Types into a box and leaves it, as a user does.
  void Enter(Control box, const std::string& text);
  void EnterDate(int16_t date, const std::string& year, const std::string& month, const std::string& day);
  // Selects a list entry from code (fires the list's handler).
  void Choose(Control list, int16_t position) { window.SetListIndex(list, position); }
  // Presses a button through the form's handler, whatever its state.
  void Press(Control button) { form.Click(button); }
  std::string Output() const { return window.Text(Ctl(ControlName::txbOutput)); }
  // The output with the command line's line ends.
  std::string OutputLf() const;
  // The last message box shown, or an empty one.
  MessageBoxRequest LastMessage() const;

  MemoryWindow window;
  FakeShell shell;
  MainForm form;
  FormState& state;
};

// World mode with the bodies at these positions of the two lists.
void World(FormFixture& f, int16_t innerPosition, int16_t outerPosition);
// Personal mode with a birth the checks accept: 1 January of the year, 12:00
// Greenwich time.
void Personal(FormFixture& f, int16_t transitingPosition, int16_t natalPosition, const std::string& birthYear);
// A field of a case file in double quotes keeps its blanks: "" is empty.
std::string Unquoted(const std::string& field);
// Services that restore the state from the store at start-up and save to it.
MainFormServices StoreServices(SettingsStore& store);

}  // namespace skyloom::test
