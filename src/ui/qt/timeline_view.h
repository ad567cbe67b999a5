// The timeline drawn with QPainter: into its window (only the rows in view,
// so a series of a century stays quick), into an image for PNG files and
// into an SVG generator. The same painting code serves all three, so a saved
// file shows what the window shows.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QImage>
#include <QSize>
#include <QString>
#include <QWidget>

#include "engine/run_state.h"
#include "ui/timeline.h"

class QPainter;
class QPushButton;
class QScrollArea;

namespace skyloom {

// Where things go in a picture of a timeline: the label column at the left,
// the plot of the dates to its right, rows of fixed height under the axis.
class TimelineLayout {
 public:
  static constexpr int kRowHeight = 22;
  static constexpr int kAxisHeight = 30;
  static constexpr int kLegendHeight = 30;
  static constexpr int kMargin = 8;

  // labelWidth: TimelineLabelWidth of the same timeline.
  TimelineLayout(const Timeline& timeline, int labelWidth, int width);

  int Width() const { return width_; }
  int LabelWidth() const { return labelWidth_; }
  int PlotLeft() const { return labelWidth_; }
  int PlotRight() const { return width_ - kMargin; }
  // Days on the continuous axis: day d runs from d to d + 1.
  double DayToX(double day) const;
  double XToDay(double x) const;
  double PixelsPerDay() const { return scale_; }

 private:
  int width_;
  int labelWidth_;
  double firstDay_;
  double scale_;
};

// The width of the label column: the longest label, within bounds.
int TimelineLabelWidth(const Timeline& timeline);

inline constexpr int kTimelinePictureWidth = 1200;

// The picture as saved: axis, all rows and the legend.
QSize TimelinePictureSize(const Timeline& timeline, int width = kTimelinePictureWidth);
void PaintTimeline(QPainter& painter, const Timeline& timeline, QSize size);
QImage RenderTimelineImage(const Timeline& timeline, int width = kTimelinePictureWidth);

// Writes the timeline of the results to path, as PNG or SVG by its extension
// (.png, .svg, in any case). Without a QGuiApplication (a command-line
// program) one is made for the call on the "offscreen" platform. On failure
// returns false with a message for the user in error; the file is written
// whole or not at all.
bool RenderTimelineFile(const std::vector<RunResult>& results, const std::string& path, std::string& error);

// The timeline window: the axis on top, the rows scrolling under it, the
// legend and the save buttons at the bottom. A pointer resting on a band or
// tick shows the report's row that holds its dates.
class TimelineWindow : public QWidget {
  Q_OBJECT

 public:
  explicit TimelineWindow(std::vector<RunResult> results, QWidget* parent = nullptr);

  const Timeline& Model() const { return timeline_; }
  // The rows' area, in whose coordinates ToolTipAt takes its point.
  QWidget* Canvas() const { return canvas_; }
  QScrollArea* ScrollArea() const { return scroll_; }
  QPushButton* SavePngButton() const { return savePng_; }
  QPushButton* SaveSvgButton() const { return saveSvg_; }

  // The report row under a point of the canvas, or an empty text.
  QString ToolTipAt(QPoint canvasPoint) const;
  // The layout the canvas is drawn with at its present width.
  TimelineLayout CanvasLayout() const;

  // Writes the file; on failure false and the reason in error.
  bool SaveAs(const QString& path, QString& error) const;

  // Asks for the file to save to (title, name filter, suffix); an empty
  // answer cancels. A file dialog unless replaced, as the tests do.
  using FileChooser =
      std::function<QString(const QString& title, const QString& filter, const QString& suffix)>;
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

}  // namespace skyloom
