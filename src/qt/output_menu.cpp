#include "qt/output_menu.h"

#include <QMenu>
#include <QPlainTextEdit>

#include "runs/output_box.h"
#include "qt/qt_window.h"

namespace skyloom {

QMenu* BuildResultsMenu(QtWindow& window, FormState& state, const std::function<void()>& showTimeline,
                        const QPoint& at) {
  auto* output = window.As<QPlainTextEdit>(Ctl(ControlName::txbOutput));
  QMenu* menu = output->createStandardContextMenu(at);
  menu->addSeparator();
  // Nothing to export while a run is still adding to its results.
  const bool idle = !state.Runs.Running();
  auto add = [&](const QString& text, std::function<void()> action) {
    QAction* entry = menu->addAction(text);
    entry->setEnabled(idle);
    QObject::connect(entry, &QAction::triggered, menu, std::move(action));
  };
  add(QObject::tr("Export as iCalendar..."), [&state] { ExportResultsCommand(state, ExportFormat::ICalendar); });
  add(QObject::tr("Export as CSV..."), [&state] { ExportResultsCommand(state, ExportFormat::Csv); });
  add(QObject::tr("Export as JSON..."), [&state] { ExportResultsCommand(state, ExportFormat::Json); });
  if (showTimeline) add(QObject::tr("Show timeline..."), showTimeline);
  return menu;
}

void AddResultsMenu(QtWindow& window, FormState& state, std::function<void()> showTimeline) {
  auto* output = window.As<QPlainTextEdit>(Ctl(ControlName::txbOutput));
  if (output == nullptr) return;
  output->setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(output, &QWidget::customContextMenuRequested, output,
                   [output, &window, &state, showTimeline](const QPoint& at) {
                     QMenu* menu = BuildResultsMenu(window, state, showTimeline, at);
                     menu->exec(output->mapToGlobal(at));
                     delete menu;
                   });
}

}  // namespace skyloom
