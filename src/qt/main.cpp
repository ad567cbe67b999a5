// Skyloom's desktop program: the main window on Qt widgets, driven by the
// core's MainForm, with the help viewer beside it.
#include <QApplication>

#include "engine/bodies.h"
#include "ports/program_folder.h"
#include "ports/shell.h"
#include "qt/output_menu.h"
#include "qt/qt_settings_store.h"
#include "qt/qt_viewer.h"
#include "qt/qt_window.h"
#include "qt/timeline_view.h"
#include "qt/window_menu.h"
#include "state/saved_state.h"
#include "ui/help_viewer.h"
#include "ui/main_form.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromUtf8(skyloom::ProgramTitle));
  QApplication::setApplicationVersion(
      QStringLiteral("%1.%2").arg(skyloom::ProgramVersionMajor).arg(skyloom::ProgramVersionMinor));

  // The per-user settings outlive the form that saves into them.
  skyloom::QtSettingsStore settingsStore;
  skyloom::QtWindow window;
  skyloom::DesktopShell shell;
  // The viewer is a window of its own; the main window only owns it.
  auto* viewerWindow = new skyloom::QtViewer(&window);
  skyloom::TextViewer viewer(*viewerWindow);

  skyloom::MainFormServices services;
  // The help text lies in the program's folder, with its other data files.
  services.showHelp = [&] { viewer.HelpCommand(window.OuterGeometry(), skyloom::ExecutableFolder()); };
  services.saveState = [&settingsStore](skyloom::FormState& state) {
    return skyloom::SaveProgramState(state, settingsStore);
  };
  services.restoreState = [&settingsStore](skyloom::FormState& state) {
    return skyloom::RestoreProgramState(state, settingsStore);
  };

  skyloom::MainForm form(window, shell, services);
  form.Load();
  skyloom::FormState& state = form.State();
  const auto showTimeline = [&state, &window] {
    skyloom::ShowTimelineWindow(state.Runs.Results(), state.Tables.forecast, &window);
  };
  skyloom::AddResultsMenu(window, state, showTimeline);
  skyloom::AddWindowMenus(window, state, showTimeline);
  return QApplication::exec();
}
