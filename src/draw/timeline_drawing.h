// The timeline drawn with QPainter, into an image for PNG files, into an SVG
// generator, or in parts into the timeline window's widgets. The same
// painting code serves all three, so a saved file shows what the window
// shows. Qt's painting only (QtGui and QtSvg, no widgets), so that the
// command-line front end draws timelines without the window.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include "engine/run_state.h"
#include "report/timeline.h"

class QPainter;

namespace skyloom {

// Where things go in a picture of a timeline: the label column at the left,
// the plot of the dates to its right, rows of fixed height under the axis.
class TimelineLayout {
 public:
  static constexpr int kRowHeight = 22;
  static constexpr int kAxisHeight = 30;
  static constexpr int kLegendHeight = 30;
  static constexpr int kMargin = 8;
  // Over the dates, where eclipses, lunations or spells were asked for.
  static constexpr int kSkyStripHeight = 16;

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

// The axis's height: kAxisHeight, and the strip of the sky's marks above it
// where the timeline has one.
int TimelineAxisHeight(const Timeline& timeline);
// The legend's: a second line names the sky's marks.
int TimelineLegendHeight(const Timeline& timeline);

// The picture's parts, for a window that shows them in widgets of its own.
// The axis, TimelineAxisHeight high from top.
void PaintTimelineAxis(QPainter& painter, const Timeline& timeline, const TimelineLayout& layout, int top);
// Rows first to last (those that exist), row 0 at top.
void PaintTimelineRows(QPainter& painter, const Timeline& timeline, const TimelineLayout& layout, int top,
                       std::size_t first, std::size_t last);
// What stands in the rows' place when there are none.
void PaintTimelineNoTransits(QPainter& painter, const TimelineLayout& layout, int top);
// The legend, left to right from x, TimelineLegendHeight high; returns the
// width it takes.
int PaintTimelineLegend(QPainter& painter, const Timeline& timeline, int x, int top);
// The height of the rows, or of the one line that says there are none.
int TimelineRowsHeight(const Timeline& timeline);

// The picture as the bytes of a PNG (png) or SVG file. Needs a
// QGuiApplication. On failure returns false with a message for the user in
// error.
bool DrawTimelineBytes(const Timeline& timeline, bool png, QByteArray& bytes, QString& error);

// Writes the picture to path, as PNG or SVG by its extension (.png, .svg,
// in any case), whole or not at all, through the program's file writer
// (report/files.h). Needs a QGuiApplication. On failure returns false with
// a message for the user in error: "Cannot write PATH: " and the system's
// reason when the file could not be written.
bool WriteTimelineFile(const Timeline& timeline, const QString& path, QString& error);

}  // namespace skyloom
