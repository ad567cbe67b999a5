#include "support/form_fixture.h"

#include <utility>

#include "calendar/time_zones.h"
#include "state/saved_state.h"
#include "support/engine_setup.h"
#include "ui/zone_lists.h"

namespace skyloom::test {

FormFixture::FormFixture() : FormFixture(MainFormServices{}) {
  window.SetListIndex(Ctl(ControlName::cboTimezone, 0), GreenwichPosition);
  EnterDate(0, "2020", "1", "1");
  EnterDate(1, "2020", "12", "31");
}

FormFixture::FormFixture(MainFormServices services) : form(window, shell, std::move(services)), state(form.State()) {
  InitEngineOnce();
  window.LoadDesign();
  form.Load();
}

void FormFixture::Enter(Control box, const std::string& text) {
  window.SetText(box, text);
  form.LostFocus(box);
}

void FormFixture::EnterDate(int16_t date, const std::string& year, const std::string& month, const std::string& day) {
  Enter(Ctl(ControlName::txbYear, date), year);
  Enter(Ctl(ControlName::txbMonth, date), month);
  Enter(Ctl(ControlName::txbDay, date), day);
}

std::string FormFixture::OutputLf() const {
  std::string text = Output();
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) text.erase(at, 1);
  return text;
}

MessageBoxRequest FormFixture::LastMessage() const {
  return window.MessageBoxes().empty() ? MessageBoxRequest{} : window.MessageBoxes().back();
}

void World(FormFixture& f, int16_t innerPosition, int16_t outerPosition) {
  f.window.SetValue(Ctl(ControlName::optWorld), 1);
  f.Choose(Ctl(ControlName::cboPlanet, 0), innerPosition);
  f.Choose(Ctl(ControlName::cboPlanet, 1), outerPosition);
}

void Personal(FormFixture& f, int16_t transitingPosition, int16_t natalPosition, const std::string& birthYear) {
  f.window.SetValue(Ctl(ControlName::optPersonal), 1);
  f.Choose(Ctl(ControlName::cboPlanet, 0), transitingPosition);
  f.Choose(Ctl(ControlName::cboPlanet, 1), natalPosition);
  f.EnterDate(2, birthYear, "1", "1");
  f.Choose(Ctl(ControlName::cboHour), 13);
  f.Choose(Ctl(ControlName::cboMinute), 1);
  f.Choose(Ctl(ControlName::cboTimezone, 1), 24);
}

std::string Unquoted(const std::string& field) {
  return field.size() >= 2 && field.front() == '"' && field.back() == '"' ? field.substr(1, field.size() - 2) : field;
}

MainFormServices StoreServices(SettingsStore& store) {
  return {{},
          [&store](FormState& state) { return SaveProgramState(state, store); },
          [&store](FormState& state) { return RestoreProgramState(state, store); }};
}

}  // namespace skyloom::test
