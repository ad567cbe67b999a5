#include "qt/window_menu.h"

#include <QAction>
#include <QActionGroup>
#include <QKeySequence>
#include <QMenu>
#include <QMessageBox>

#include <string>
#include <utility>
#include <vector>

#include "engine/bodies.h"
#include "engine/houses.h"
#include "qt/chart_dialog.h"
#include "qt/qt_window.h"
#include "report/program.h"
#include "runs/output_box.h"
#include "store/chart_store.h"

namespace skyloom {
namespace {

using N = ControlName;

QString Q(const std::string& text) { return QString::fromStdString(text); }

// Everything the menus do is looked up afresh each time a menu opens, and
// again when an entry is chosen by its shortcut while the menu is shut.
class MenuBuilder {
 public:
  MenuBuilder(QtWindow& window, FormState& state) : w_(window), s_(state) {}

  // An entry that presses a control: available while the control is shown
  // and may be pressed, and no run is going unless the control is Quit.
  QAction* Pressing(QMenu* menu, const char* name, const QString& text, Control c, const QKeySequence& shortcut = {}) {
    QAction* action = Add(menu, name, text, shortcut);
    auto available = [this, c] {
      if (c.name != N::cmdQuit && s_.Runs.Running()) return false;
      // The whole chart's button is never shown; the chart is personal mode's.
      if (c.name == N::cmdShowAllTransits) return w_.Value(Ctl(N::optPersonal)) != 0;
      return w_.Visible(c) && w_.Enabled(c);
    };
    refreshers_.push_back([action, available] { action->setEnabled(available()); });
    QObject::connect(action, &QAction::triggered, &w_, [this, c, available] {
      if (available()) w_.Press(c);
    });
    return action;
  }

  // A checkable entry kept in step with a value held elsewhere.
  QAction* Checking(QMenu* menu, const char* name, const QString& text, std::function<bool()> get,
                    std::function<void(bool)> set) {
    QAction* action = Add(menu, name, text, {});
    action->setCheckable(true);
    refreshers_.push_back([action, get] { action->setChecked(get()); });
    QObject::connect(action, &QAction::triggered, &w_, [this, set](bool on) {
      set(on);
      Refresh();
    });
    return action;
  }

  QAction* Add(QMenu* menu, const char* name, const QString& text, const QKeySequence& shortcut) {
    QAction* action = menu->addAction(text);
    action->setObjectName(QString::fromUtf8(name));
    if (!shortcut.isEmpty()) {
      action->setShortcut(shortcut);
      // The shortcuts work wherever the focus is in the window.
      action->setShortcutContext(Qt::WindowShortcut);
      w_.addAction(action);
    }
    return action;
  }

  // Keeps an entry's enabled state in step with a condition.
  void EnableWhen(QAction* action, std::function<bool()> enabled) {
    refreshers_.push_back([action, enabled] { action->setEnabled(enabled()); });
  }

  bool Personal() const { return w_.Value(Ctl(N::optPersonal)) != 0; }

  void Refresh() {
    for (const auto& refresh : refreshers_) refresh();
  }

  // The texts that follow the form's (the show-all buttons' captions).
  void Follow(QAction* action, Control c) {
    refreshers_.push_back([this, action, c] {
      QString text = Q(w_.Text(c));
      text.replace(QLatin1Char('&'), QStringLiteral("&&"));
      action->setText(text);
    });
  }

 private:
  QtWindow& w_;
  FormState& s_;
  std::vector<std::function<void()>> refreshers_;
};

// Sets the major aspects on or off together, keeping the minor ones as
// they are; none at all is refused.
void SetMajors(RunOptions& options, bool on) {
  AspectSet aspects;
  for (AspectIndex a : options.aspects.List())
    if (a > MajorAspectCount) aspects.Add(a);
  if (on)
    for (AspectIndex a = 1; a <= MajorAspectCount; ++a) aspects.Add(a);
  if (!aspects.Empty()) options.aspects = aspects;
}

void SetAspect(RunOptions& options, AspectIndex aspect, bool on) {
  AspectSet aspects;
  for (AspectIndex a : options.aspects.List())
    if (a != aspect) aspects.Add(a);
  if (on) aspects.Add(aspect);
  if (!aspects.Empty()) options.aspects = aspects;
}

bool HasMajors(const AspectSet& aspects) {
  for (AspectIndex a = 1; a <= MajorAspectCount; ++a)
    if (!aspects.Has(a)) return false;
  return true;
}

}  // namespace

void AddWindowMenus(QtWindow& window, FormState& state, std::function<void()> showTimeline) {
  // Lives as long as the window: the menus' handlers use it.
  auto* builder = new MenuBuilder(window, state);
  QObject::connect(&window, &QObject::destroyed, [builder] { delete builder; });
  MenuBuilder& b = *builder;
  RunOptions& options = state.Options;

  QMenu* file = window.Menu(WindowMenu::File);
  b.Pressing(file, "actWriteOutput", QObject::tr("&Write output to file..."), Ctl(N::cmdFile));
  b.Checking(
      file, "actOutputAsHtml", QObject::tr("Output as &HTML"),
      [&window] { return window.Value(Ctl(N::chkOutputAsHTML)) == 1; },
      [&window](bool on) { window.SetValue(Ctl(N::chkOutputAsHTML), on ? 1 : 0); });
  file->addSeparator();
  // The same exports as the output box's right-click menu.
  auto exporting = [&](const char* name, const QString& text, std::function<void()> action) {
    QAction* entry = b.Add(file, name, text, {});
    QObject::connect(entry, &QAction::triggered, &window, [&state, action] {
      if (!state.Runs.Running()) action();
    });
    return entry;
  };
  std::vector<QAction*> exports{exporting("actExportICalendar", QObject::tr("Export as &iCalendar..."),
                                          [&state] { ExportResultsCommand(state, ExportFormat::ICalendar); }),
                                exporting("actExportCsv", QObject::tr("Export as &CSV..."),
                                          [&state] { ExportResultsCommand(state, ExportFormat::Csv); }),
                                exporting("actExportJson", QObject::tr("Export as &JSON..."),
                                          [&state] { ExportResultsCommand(state, ExportFormat::Json); })};
  if (showTimeline) exports.push_back(exporting("actShowTimeline", QObject::tr("Show &timeline..."), showTimeline));
  file->addSeparator();
  exports.push_back(exporting("actCharts", QObject::tr("C&harts..."),
                              [&window, &state] { ShowChartDialog(window, state, DefaultChartStorePath()); }));
  file->addSeparator();
  b.Pressing(file, "actSaveState", QObject::tr("&Save state"), Ctl(N::cmdSaveState));
  b.Pressing(file, "actRestoreState", QObject::tr("&Restore state"), Ctl(N::cmdRestoreState));
  file->addSeparator();
  b.Pressing(file, "actQuit", QObject::tr("&Quit"), Ctl(N::cmdQuit), QKeySequence(Qt::CTRL | Qt::Key_Q));
  QObject::connect(file, &QMenu::aboutToShow, &window, [exports, &state] {
    for (QAction* entry : exports) entry->setEnabled(!state.Runs.Running());
  });

  QMenu* run = window.Menu(WindowMenu::Run);
  b.Pressing(run, "actStart", QObject::tr("&Start"), Ctl(N::cmdStart));
  QMenu* showAll = run->addMenu(QObject::tr("Show &all"));
  showAll->setObjectName("mnuShowAll");
  b.Follow(b.Pressing(showAll, "actShowAllOuter", {}, Ctl(N::cmdShowAll, 0)), Ctl(N::cmdShowAll, 0));
  b.Follow(b.Pressing(showAll, "actShowAllInner", {}, Ctl(N::cmdShowAll, 1)), Ctl(N::cmdShowAll, 1));
  b.Pressing(showAll, "actWholeChart", QObject::tr("The &whole natal chart"), Ctl(N::cmdShowAllTransits));
  b.Pressing(run, "actSearch", QObject::tr("S&earch"), Ctl(N::cmdSearch));
  run->addSeparator();
  // Stop is the Start button's press while a run goes on.
  QAction* stop = b.Add(run, "actStop", QObject::tr("S&top"), QKeySequence(Qt::Key_Escape));
  QObject::connect(stop, &QAction::triggered, &window, [&window, &state] {
    if (state.Runs.Running()) window.Press(Ctl(N::cmdStart));
  });
  QObject::connect(run, &QMenu::aboutToShow, &window, [stop, &state] { stop->setEnabled(state.Runs.Running()); });
  QObject::connect(run, &QMenu::aboutToHide, &window, [stop] { stop->setEnabled(true); });

  QMenu* opts = window.Menu(WindowMenu::Options);
  b.Checking(
      opts, "actStations", QObject::tr("&Stations"), [&options] { return options.stations; },
      [&options](bool on) { options.stations = on; });
  b.Checking(
      opts, "actIngresses", QObject::tr("&Ingresses"), [&options] { return options.ingresses; },
      [&options](bool on) { options.ingresses = on; });
  b.Checking(
      opts, "actHouseIngresses", QObject::tr("&House ingresses"), [&options] { return options.houseIngresses; },
      [&options](bool on) { options.houseIngresses = on; });
  b.Checking(
      opts, "actEclipses", QObject::tr("&Eclipses"), [&options] { return options.eclipses; },
      [&options](bool on) { options.eclipses = on; });
  b.Checking(
      opts, "actLunations", QObject::tr("&Lunations"), [&options] { return options.lunations; },
      [&options](bool on) { options.lunations = on; });
  b.Checking(
      opts, "actVoidOfCourse", QObject::tr("&Void-of-course Moon"), [&options] { return options.voidOfCourse; },
      [&options](bool on) { options.voidOfCourse = on; });
  opts->addSeparator();
  // A world run has no birth to move from: the choice waits, greyed, for
  // personal mode.
  QMenu* moving = opts->addMenu(QObject::tr("M&oving bodies"));
  moving->setObjectName("mnuMoving");
  auto* movingGroup = new QActionGroup(moving);
  movingGroup->setExclusive(true);
  const struct {
    const char* name;
    QString text;
    ProgressionKind kind;
  } movingKinds[] = {
      {"actTransiting", QObject::tr("&Transiting"), ProgressionKind::Transit},
      {"actProgressed", QObject::tr("Secondary &progressed"), ProgressionKind::Progressed},
      {"actDirected", QObject::tr("Solar-arc &directed"), ProgressionKind::Directed},
  };
  for (const auto& k : movingKinds) {
    const ProgressionKind kind = k.kind;
    QAction* entry = b.Checking(
        moving, k.name, k.text, [&options, kind] { return options.progression == kind; },
        [&options, kind](bool on) {
          if (on) options.progression = kind;
        });
    movingGroup->addAction(entry);
    b.EnableWhen(entry, [&b, &state] { return b.Personal() && !state.Runs.Running(); });
  }
  opts->addSeparator();
  QMenu* aspects = opts->addMenu(QObject::tr("&Aspects"));
  aspects->setObjectName("mnuAspects");
  b.Checking(
      aspects, "actMajorAspects", QObject::tr("&Major aspects"), [&options] { return HasMajors(options.aspects); },
      [&options](bool on) { SetMajors(options, on); });
  aspects->addSeparator();
  for (AspectIndex a = MajorAspectCount + 1; a <= AspectCount; ++a) {
    const std::string name = "actAspect" + std::to_string(a);
    QAction* entry = b.Checking(
        aspects, name.c_str(), Q(AspectName(a)), [&options, a] { return options.aspects.Has(a); },
        [&options, a](bool on) { SetAspect(options, a, on); });
    entry->setObjectName(Q(name));
  }
  QMenu* houses = opts->addMenu(QObject::tr("House s&ystem"));
  houses->setObjectName("mnuHouses");
  auto* group = new QActionGroup(houses);
  group->setExclusive(true);
  for (int k = 0; k < HouseSystemCount; ++k) {
    const auto system = static_cast<HouseSystem>(k);
    const std::string name = "actHouses" + std::to_string(k);
    QAction* entry = b.Checking(
        houses, name.c_str(), Q(HouseSystemTitle(system)), [&options, system] { return options.houses == system; },
        [&options, system](bool on) {
          if (on) options.houses = system;
        });
    entry->setObjectName(Q(name));
    group->addAction(entry);
  }
  opts->addSeparator();
  b.Checking(
      opts, "actWithMoon", QObject::tr("Whole chart with the &Moon"), [&options] { return options.withMoon; },
      [&options](bool on) { options.withMoon = on; });

  QMenu* help = window.Menu(WindowMenu::Help);
  b.Pressing(help, "actHelp", QObject::tr("&Help"), Ctl(N::cmdHelp), QKeySequence(Qt::Key_F1));
  QAction* about = b.Add(help, "actAbout", QObject::tr("&About"), {});
  QObject::connect(about, &QAction::triggered, &window, [&window] {
    QMessageBox::about(
        &window, QObject::tr("About"),
        Q(ProgramCaption()) + QStringLiteral("\n") + Q(std::string(DesignOf(Ctl(N::lblCopyrightNotice)).caption)));
  });

  for (QMenu* menu : {file, run, showAll, opts, moving, aspects, houses, help})
    QObject::connect(menu, &QMenu::aboutToShow, &window, [builder] { builder->Refresh(); });
  b.Refresh();
}

}  // namespace skyloom
