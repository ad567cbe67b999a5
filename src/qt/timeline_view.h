// The timeline window, drawn by the same code that writes the timeline's PNG
// and SVG files, so a saved file shows what the window shows.
#pragma once

#include <functional>
#include <utility>
#include <vector>

#include <QPoint>
#include <QString>
#include <QWidget>

#include "draw/timeline_drawing.h"
#include "engine/run_state.h"
#include "report/timeline.h"

class QPushButton;
class QScrollArea;

namespace skyloom {

// The timeline window: the axis on top, the rows scrolling under it, the
// legend and the save buttons at the bottom. A pointer resting on a band or
// tick shows the report's row that holds its dates.
class TimelineWindow : public QWidget {
  Q_OBJECT

 public:
  explicit TimelineWindow(std::vector<RunResult> results, QWidget* parent = nullptr);
  // With the eclipses, lunations and void-of-course spells asked for on the
  // axis.
  TimelineWindow(std::vector<RunResult> results, const ForecastList& forecast, QWidget* parent = nullptr);

  const Timeline& Model() const { return timeline_; }

  // The report row under a point of the canvas, or an empty text.
  QString ToolTipAt(QPoint canvasPoint) const;
  // The layout the canvas is drawn with at its present width.
  TimelineLayout CanvasLayout() const;

  // Writes the file; on failure false and the reason in error.
  bool SaveAs(const QString& path, QString& error) const;

  // Asks for the file to save to (title, name filter, suffix); an empty
  // answer cancels: a file dialog.
  using FileChooser = std::function<QString(const QString& title, const QString& filter, const QString& suffix)>;
  void SetFileChooser(FileChooser chooser) { chooser_ = std::move(chooser); }

 private:
  void Save(const QString& title, const QString& filter, const QString& suffix);

  std::vector<RunResult> results_;
  Timeline timeline_;
  int labelWidth_ = 0;
  QWidget* header_ = nullptr;
  QWidget* canvas_ = nullptr;
  QScrollArea* scroll_ = nullptr;
  QPushButton* savePng_ = nullptr;
  QPushButton* saveSvg_ = nullptr;
  FileChooser chooser_;
};

// Opens a timeline window of the results, deleted when closed; for the
// "Show timeline…" command.
TimelineWindow* ShowTimelineWindow(const std::vector<RunResult>& results, QWidget* parent);
TimelineWindow* ShowTimelineWindow(const std::vector<RunResult>& results, const ForecastList& forecast,
                                   QWidget* parent);

}  // namespace skyloom
