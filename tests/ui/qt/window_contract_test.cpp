// What the program may rely on from its window, whichever implements it: the
// same table of calls, with the same results and the same events, on the
// window in memory (tests, command line) and on the Qt widgets.
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>

#include <functional>
#include <stdexcept>
#include <string>

#include "ports/memory_window.h"
#include "ui/qt/qt_window.h"
#include "ui/qt/support/modal_closer.h"

namespace skyloom {
namespace {

using enum ControlName;

std::string S(int n) { return std::to_string(n); }
std::string S(Rect r) { return S(r.Left) + "," + S(r.Top) + "," + S(r.Width) + "," + S(r.Height); }

// The events as the program's handlers get them; a click also notes the
// state the handler would read, and what the row's probe sees then.
struct Recorder : WindowEvents {
  static std::string Name(Control c) {
    return std::string(InfoOf(c.name).text) + (InfoOf(c.name).count > 1 ? "(" + S(c.index) + ")" : "");
  }
  void Click(Control c) override {
    const ControlKind kind = InfoOf(c.name).kind;
    events += " Click " + Name(c);
    if (kind == ControlKind::ComboBox) events += "=" + S(w->ListIndex(c));
    if (kind == ControlKind::CheckBox || kind == ControlKind::OptionButton) events += "=" + S(w->Value(c));
    if (probe) events += "/" + probe();
  }
  void LostFocus(Control c) override { events += " LostFocus " + Name(c); }
  void KeyUp(Control c, int key) override { events += " KeyUp " + Name(c) + "=" + S(key); }
  void TimerTick() override {}  // the Qt window's timer runs on its own
  void Resize() override {}
  void CloseRequested() override { events += " Close"; }
  Window* w = nullptr;
  std::string events;
  std::function<std::string()> probe;
};

// One implementation, with the user's actions done its own way. Each
// starts with the focus in the first box, where the shown Qt window puts it.
struct Rig {
  virtual ~Rig() = default; virtual Window& W() = 0;
  virtual void Answer(MsgAnswer answer) = 0;  // to the next message box
  virtual void UserClick(Control c) = 0; virtual void UserType(Control c, const std::string& text) = 0;
  virtual void UserEnter(Control c) = 0; virtual void UserClose() = 0; Recorder rec;
};

struct MemoryRig : Rig {
  MemoryRig() {
    window.LoadDesign(); window.SetFocus(Ctl(txbYear)); rec.w = &window; window.SetEventSink(&rec);
  }
  Window& W() override { return window; }
  void Answer(MsgAnswer answer) override { window.QueueAnswer(answer); }
  void UserClick(Control c) override { window.Click(c); }
  void UserType(Control c, const std::string& text) override { window.Type(c, text); }
  void UserEnter(Control c) override { window.PressKeyUp(c, 13); }
  void UserClose() override { window.UserClose(); }
  MemoryWindow window;
};

struct QtRig : Rig {
  QtRig() {
    rec.w = &window; window.SetEventSink(&rec); window.show(); window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window)) throw std::runtime_error("the window never became active");
  }
  Window& W() override { return window; }
  void Answer(MsgAnswer a) override {
    closer.Answer(a == MsgAnswer::Yes ? QMessageBox::Yes : a == MsgAnswer::No ? QMessageBox::No : QMessageBox::Cancel);
  }
  void UserClick(Control c) override {  // options and check boxes near their indicator
    QWidget* widget = window.WidgetOf(c);
    const bool indicator = qobject_cast<QRadioButton*>(widget) || qobject_cast<QCheckBox*>(widget);
    QTest::mouseClick(widget, Qt::LeftButton, {}, indicator ? QPoint(8, widget->height() / 2) : QPoint());
  }
  void UserType(Control c, const std::string& text) override {
    QTest::mouseClick(window.WidgetOf(c), Qt::LeftButton); window.As<QLineEdit>(c)->selectAll();
    QTest::keyClicks(window.WidgetOf(c), QString::fromStdString(text));
  }
  void UserEnter(Control c) override { QTest::keyClick(window.WidgetOf(c), Qt::Key_Return); }
  void UserClose() override { window.close(); }
  qttest::ModalCloser closer; QtWindow window;
};

std::string Thrown(const std::function<void()>& call) {
  try {
    call();
  } catch (const std::out_of_range&) {
    return "out_of_range";
  } catch (const std::invalid_argument&) {
    return "invalid_argument";
  }
  return "none";
}

void Fill(Window& w, Control c, int n) {
  for (int i = 0; i < n; ++i) w.AddItem(c, S(i + 1) + "\xC2\xB0");
}

const Control kOrbs = Ctl(cboOrbs, 1), kMinute = Ctl(cboMinute), kOut = Ctl(txbOutput);

// What each row returns, then the events it caused.
const struct Row {
  const char* what;
  std::function<std::string(Rig&, Window&)> act;
  const char* want;
} kRows[] = {
    {"a list fires Click only on a move to an entry, refuses positions it has not", [](Rig&, Window& w) {
       Fill(w, kOrbs, 15);
       for (int16_t at : {4, 4, -1, 4}) w.SetListIndex(kOrbs, at);
       std::string got = Thrown([&] { w.SetListIndex(kOrbs, 15); }) + Thrown([&] { w.SetListIndex(kOrbs, -2); }) + " " +
                         S(w.ListIndex(kOrbs)) + " " + w.Text(kOrbs);
       w.ClearList(kOrbs);  // a list filled afresh has no choice
       w.AddItem(kOrbs, "1\xC2\xB0");
       return got + " " + S(w.ListIndex(kOrbs)) + " [" + w.Text(kOrbs) + "] " + S(w.ListCount(kOrbs));
     }, "out_of_rangeout_of_range 4 5\xC2\xB0 -1 [] 1 | Click cboOrbs(1)=4 Click cboOrbs(1)=4"},
    {"text set in a drop-down combo picks the entry that reads the same, silently; entries carry data",
     [](Rig&, Window& w) {
       for (const char* m : {"", "00", "05"}) w.AddItem(kMinute, m);
       w.SetText(kMinute, "05");
       std::string seen = S(w.ListIndex(kMinute));
       w.SetText(kMinute, "07");
       seen += " " + S(w.ListIndex(kMinute)) + " " + w.Text(kMinute) + " [" + w.ListItem(kMinute, -1) + "]";
       w.SetListIndex(kMinute, 1);
       w.SetListItem(kMinute, 1, "00\xC2\xB0");  // the chosen entry renamed is the list's text
       w.SetItemData(kMinute, 2, 5);
       seen += " " + w.Text(kMinute) + S(w.TextLength(kMinute)) + " " + S(w.ItemData(kMinute, 2)) + " " +
               Thrown([&] { w.ItemData(kMinute, 3); });
       w.ClearList(kMinute);
       return seen + " [" + w.Text(kMinute) + "]";
     }, "2 -1 07 [] 00\xC2\xB0" "3 5 out_of_range [] | Click cboMinute=1"},
    {"check boxes fire on a change; options exclude each other in their frame before Click", [](Rig& r, Window& w) {
       w.SetValue(Ctl(chkKeepDates), 1); w.SetValue(Ctl(chkKeepDates), 1); w.SetValue(Ctl(optTropical), 1);
       w.SetValue(Ctl(optPersonal), 1);
       r.rec.probe = [&w] { return S(w.Value(Ctl(optPersonal))); };
       w.SetValue(Ctl(optWorld), 1); w.SetValue(Ctl(optWorld), 1); w.SetValue(Ctl(optSidereal), 0);
       return Thrown([&] { w.SetValue(Ctl(chkKeepDates), 3); }) + " " + S(w.Value(Ctl(optWorld))) +
              S(w.Value(Ctl(optPersonal))) + S(w.Value(Ctl(optTropical))) + S(w.Value(Ctl(optSidereal)));
     }, "out_of_range 1010 | Click chkKeepDates=1 Click optTropical=1 Click optPersonal=1 Click optWorld=1/0"},
    {"lengths count characters, a CR LF two, kept across appends", [](Rig&, Window& w) {
       std::string got;
       for (const char* text : {"", "Zo\xC3\xAB \xC3\x86r\xC3\xB8", "\xE6\x97\xA5", "\xF0\x9F\x8C\x99 moon"}) {
         w.SetText(kOut, text); got += S(w.TextLength(kOut)) + " ";
       }
       w.SetText(kOut, "a\xC2\xB0\r\nb\r\n"); w.AppendText(kOut, "Sun \xC2\xB0\r\n"); w.SetText(Ctl(txbYear), "20");
       w.AppendText(Ctl(txbYear), "20");
       return got + w.Text(kOut) + S(w.TextLength(kOut)) + " " + w.Text(Ctl(txbYear));
     }, "0 7 1 6 a\xC2\xB0\r\nb\r\nSun \xC2\xB0\r\n14 2020 |"},
    {"misuse is refused", [](Rig&, Window& w) {
       return Thrown([&] { w.Text(Ctl(txbYear, 3)); }) + " " + Thrown([&] { w.AddItem(kOut, "x"); }) + " " +
              Thrown([&] { w.SetValue(Ctl(cmdStart), 1); }) + " " + Thrown([&] { w.AppendText(Ctl(lblDate), "x"); });
     }, "out_of_range invalid_argument invalid_argument invalid_argument |"},
    {"places, fonts and the caption read back as written; a frame's flags are its own", [](Rig&, Window& w) {
       w.SetGeometry(Ctl(cmdHelp), {7, 11, 1001, 333});
       w.SetFont(Ctl(lblYear), {"Arial", 10, true});
       w.SetCaption("Skyloom 10.0"); w.SetVisible(Ctl(fraBirthDate), false); w.SetEnabled(Ctl(cmdSearch), false);
       const FontSpec f = w.Font(Ctl(lblYear));
       return S(w.Geometry(Ctl(cmdHelp))) + " " + f.name + S(static_cast<int>(f.size)) + S(f.bold) + " " +
              w.Caption() + " " + S(w.Visible(Ctl(txbYear, 2))) + S(w.Visible(Ctl(fraBirthDate))) +
              S(w.Enabled(Ctl(cmdSearch)));
     }, "7,11,1001,333 Arial101 Skyloom 10.0 100 |"},
    {"the user reaches nothing disabled, nor what a disabled frame holds", [](Rig& r, Window& w) {
       w.SetEnabled(Ctl(cmdSearch), false); r.UserClick(Ctl(cmdSearch)); w.SetEnabled(Ctl(fraZodiac), false);
       r.UserClick(Ctl(optSidereal)); r.UserClick(Ctl(chkKeepDates));
       return S(w.Value(Ctl(optSidereal)));
     }, "0 | LostFocus txbYear(0) Click chkKeepDates=1"},
    {"the focus leaves a typed box before the next action; Enter is a KeyUp", [](Rig& r, Window& w) {
       r.UserType(Ctl(txbYear, 1), "2025"); r.UserType(Ctl(txbDay), "7"); r.UserEnter(Ctl(txbDay));
       r.UserClick(Ctl(cmdStart)); w.SetEnabled(Ctl(txbMonth), false);
       w.SetFocus(Ctl(txbMonth));  // dropped
       w.SetFocus(Ctl(txbYear)); w.SetFocus(Ctl(txbDay));
       return w.Text(Ctl(txbYear, 1)) + " " + w.Text(Ctl(txbDay));
     }, "2025 7 | LostFocus txbYear(0) LostFocus txbYear(1) KeyUp txbDay(0)=13 LostFocus txbDay(0) Click cmdStart "
        "LostFocus txbYear(0)"},
    {"message boxes give the answer chosen, else their default; closing only asks", [](Rig& r, Window& w) {
       const MessageBoxRequest quit{"Save program state for next run?", "Quit", MsgIcon::Question,
                                    MsgButtons::YesNoCancel, MsgAnswer::No};
       r.Answer(MsgAnswer::Cancel);
       const MsgAnswer first = w.MessageBox(quit), second = w.MessageBox(quit);
       const MsgAnswer third = w.MessageBox({"Nothing to write.", "", MsgIcon::Exclamation});
       r.UserClose();
       return S(static_cast<int>(first)) + S(static_cast<int>(second)) + S(static_cast<int>(third)) +
              S(w.Visible(Ctl(cmdQuit)));
     }, "3201 | Close"},
};

}  // namespace

class WindowContractTest : public QObject {
  Q_OBJECT

  template <typename Implementation>
  void Check() {
    QStringList failures;
    for (const Row& row : kRows) {
      Implementation rig;
      const std::string got = row.act(rig, rig.W()) + " |" + rig.rec.events;
      if (got != row.want)
        failures << QString("%1:\n  got  %2\n  want %3").arg(row.what, QString::fromStdString(got), row.want);
    }
    QVERIFY2(failures.isEmpty(), qPrintable(failures.join("\n")));
  }

 private slots:
  void memoryWindow() { Check<MemoryRig>(); }
  void qtWindow() { Check<QtRig>(); }
};

}  // namespace skyloom

QTEST_MAIN(skyloom::WindowContractTest)
#include "window_contract_test.moc"
