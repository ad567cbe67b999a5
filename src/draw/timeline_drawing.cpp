#include "draw/timeline_drawing.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <set>

#include <QBuffer>
#include <QColor>
#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QSvgGenerator>

#include "calendar/date_format.h"
#include "report/files.h"

namespace skyloom {

namespace {

// One hue, lightest for the widest orb.
const QColor kOuterBand(0xd2, 0xe1, 0xf3);
const QColor kMiddleBand(0x8b, 0xb2, 0xdf);
const QColor kInnerBand(0x2e, 0x69, 0xb2);
const QColor kTickColour(0x10, 0x26, 0x45);
const QColor kRetrogradeColour(0xd8, 0x78, 0x1c);
const QColor kGridColour(0xe2, 0xe2, 0xe2);
const QColor kStripeColour(0xf5, 0xf6, 0xf8);
const QColor kRunLineColour(0xa6, 0xa6, 0xa6);
const QColor kTextColour(0x1e, 0x1e, 0x1e);
const QColor kMutedColour(0x5e, 0x5e, 0x5e);
const QColor kUnexaminedColour(0xc8, 0xc8, 0xc8);

// Vertical insets of the three bands within a row, outer to inner.
constexpr std::array<int, 3> kBandInset = {4, 6, 8};
constexpr int kLabelPixels = 12;
constexpr int kAxisPixels = 11;
constexpr int kMinLabelWidth = 140;
constexpr int kMaxLabelWidth = 300;
// Taller pictures are refused as PNG: beyond this the image is of no use on
// a screen and costs hundreds of megabytes.
constexpr int kTallestImage = 32000;

const std::array<QColor, 3>& BandColours() {
  static const std::array<QColor, 3> colours = {kOuterBand, kMiddleBand, kInnerBand};
  return colours;
}

// Named fonts at a fixed pixel size, so that a picture comes out the same on
// every screen and in every file.
QFont TimelineFont(int pixels) {
  QFont font;
  font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(pixels);
  return font;
}

QString Utf8(const std::string& text) { return QString::fromStdString(text); }

double BandLeft(const TimelineLayout& layout, int32_t day) { return std::floor(layout.DayToX(day)); }

double BandRight(const TimelineLayout& layout, int32_t lastDay, double left) {
  return std::max(left + 1.0, std::floor(layout.DayToX(static_cast<double>(lastDay) + 1.0)));
}

// A small arrowhead at a band's end that the period cut off, pointing out.
void PaintClippedEnd(QPainter& p, double x, int top, bool pointsLeft) {
  const double mid = top + TimelineLayout::kRowHeight / 2.0;
  const double base = pointsLeft ? x + 5 : x - 5;
  const QPointF points[] = {{x, mid}, {base, mid - 4}, {base, mid + 4}};
  p.setPen(Qt::NoPen);
  p.setBrush(kTickColour);
  p.drawPolygon(points, 3);
}

void PaintExactTick(QPainter& p, double x, int top) {
  p.fillRect(QRectF(std::floor(x) - 1, top + 2, 3, TimelineLayout::kRowHeight - 4), kTickColour);
}

void PaintApproachTick(QPainter& p, double x, int top) {
  // Hollow indeed: the band under it shows through.
  p.setPen(QPen(kTickColour, 1));
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRectF(std::floor(x) - 2, top + 3, 4, TimelineLayout::kRowHeight - 7));
}

// Diagonal lines over a rectangle, each cut to it here: an SVG generator
// keeps neither clipping nor pattern brushes in a form every viewer shows.
void PaintHatch(QPainter& p, const QRectF& area) {
  constexpr int kSpacing = 8;
  const double left = area.left(), right = area.right(), top = area.top(), bottom = area.bottom();
  p.setPen(QPen(kUnexaminedColour, 1));
  // Lines x + y = c, on multiples of the spacing so that neighbouring
  // rectangles continue each other's lines.
  const auto first = static_cast<int64_t>(std::ceil((left + top) / kSpacing)) * kSpacing;
  for (auto c = static_cast<double>(first); c <= right + bottom; c += kSpacing) {
    const double x0 = std::max(left, c - bottom), x1 = std::min(right, c - top);
    if (x0 <= x1) p.drawLine(QPointF(x0, c - x0), QPointF(x1, c - x1));
  }
}

void PaintRetrograde(QPainter& p, double left, double right, int top) {
  p.fillRect(QRectF(left, top + TimelineLayout::kRowHeight - 3, right - left, 2), kRetrogradeColour);
}

const QColor kStationColour(0xb0, 0x1c, 0x2e);

// A station: a triangle pointing down where the body turns retrograde, up
// where it turns direct.
void PaintStation(QPainter& p, double x, int top, bool retrograde) {
  const double mid = top + TimelineLayout::kRowHeight / 2.0;
  const double tip = retrograde ? mid + 6 : mid - 6, base = retrograde ? mid - 6 : mid + 6;
  const QPointF points[] = {{x, tip}, {x - 6, base}, {x + 6, base}};
  p.setPen(Qt::NoPen);
  p.setBrush(retrograde ? kStationColour : kTickColour);
  p.drawPolygon(points, 3);
}

void PaintRow(QPainter& p, const Timeline& timeline, const TimelineLayout& layout, std::size_t index, int top) {
  const TimelineRow& row = timeline.rows[index];
  const int height = TimelineLayout::kRowHeight;
  const int plotLeft = layout.PlotLeft(), plotRight = layout.PlotRight();
  if (index % 2 == 1) p.fillRect(QRect(0, top, layout.Width(), height), kStripeColour);
  p.setPen(kGridColour);
  for (const TimelineTick& tick : timeline.axis.ticks) {
    const double x = std::floor(layout.DayToX(tick.day));
    p.drawLine(QPointF(x, top), QPointF(x, top + height - 1));
  }
  // The runs of a Show-all series are set apart by a line.
  if (index > 0 && timeline.rows[index - 1].run != row.run) {
    p.setPen(kRunLineColour);
    p.drawLine(0, top, layout.Width() - 1, top);
  }

  p.setFont(TimelineFont(kLabelPixels));
  p.setPen(kTextColour);
  const QFontMetrics metrics(p.font());
  const int labelSpace = layout.LabelWidth() - 2 * TimelineLayout::kMargin;
  p.drawText(QRect(TimelineLayout::kMargin, top, labelSpace, height), Qt::AlignLeft | Qt::AlignVCenter,
             metrics.elidedText(Utf8(row.label), Qt::ElideRight, labelSpace));

  // Days of the axis outside this row's own run were not looked at.
  const double periodLeft = BandLeft(layout, row.periodFirstDay);
  const double periodRight = BandRight(layout, row.periodLastDay, periodLeft);
  if (periodLeft > plotLeft) PaintHatch(p, QRectF(plotLeft, top, periodLeft - plotLeft, height));
  if (periodRight < plotRight) PaintHatch(p, QRectF(periodRight, top, plotRight + 1 - periodRight, height));
  for (std::size_t orb = 0; orb < 3; ++orb) {
    const int inset = kBandInset[orb];
    for (const TimelineBand& band : row.bands[orb]) {
      const double left = BandLeft(layout, band.firstDay);
      const double right = BandRight(layout, band.lastDay, left);
      p.fillRect(QRectF(left, top + inset, right - left, height - 2 * inset), BandColours()[orb]);
    }
  }
  std::set<double> startsCut, endsCut;
  for (const auto& bands : row.bands) {
    for (const TimelineBand& band : bands) {
      const double left = BandLeft(layout, band.firstDay);
      if (band.clippedStart) startsCut.insert(left);
      if (band.clippedEnd) endsCut.insert(BandRight(layout, band.lastDay, left));
    }
  }
  for (double x : startsCut) PaintClippedEnd(p, x, top, true);
  for (double x : endsCut) PaintClippedEnd(p, x, top, false);
  for (const TimelineStretch& stretch : row.retrograde) {
    const double left = BandLeft(layout, stretch.firstDay);
    PaintRetrograde(p, left, BandRight(layout, stretch.lastDay, left), top);
  }
  for (const TimelineStation& station : row.stations) {
    const double x = layout.DayToX(station.at);
    if (x >= plotLeft && x <= plotRight) PaintStation(p, x, top, station.retrograde);
  }
  for (const TimelineMinimum& minimum : row.minima) {
    // A minimum found at the midnight before the period lies off the axis.
    const double x = layout.DayToX(minimum.at);
    if (x < plotLeft || x > plotRight) continue;
    if (minimum.exact) {
      PaintExactTick(p, x, top);
    } else {
      PaintApproachTick(p, x, top);
    }
  }
}

const QColor kSpellColour(0xc9, 0xb6, 0xe4);
const QColor kSolarEclipseColour(0xe0, 0x8a, 0x12);
const QColor kLunarEclipseColour(0x9c, 0x2a, 0x1c);

// The sky's marks along the strip whose middle is at mid: a thin band per
// void-of-course spell, then a disc per lunation (dark for new, light for
// full) and eclipse (a dark disc in an orange ring for the Sun's, a red-brown
// disc for the Moon's), drawn over the spells.
void PaintSpell(QPainter& p, double left, double right, double mid) {
  p.fillRect(QRectF(left, mid - 2, std::max(1.0, right - left), 4), kSpellColour);
}

void PaintSkyMark(QPainter& p, double x, double mid, TimelineMarkKind kind) {
  switch (kind) {
    case TimelineMarkKind::NewMoon:
      p.setPen(QPen(kTickColour, 1));
      p.setBrush(kTickColour);
      p.drawEllipse(QPointF(x, mid), 3.5, 3.5);
      break;
    case TimelineMarkKind::FullMoon:
      p.setPen(QPen(kTickColour, 1));
      p.setBrush(Qt::white);
      p.drawEllipse(QPointF(x, mid), 3.5, 3.5);
      break;
    case TimelineMarkKind::SolarEclipse:
      p.setPen(QPen(kSolarEclipseColour, 2));
      p.setBrush(kTickColour);
      p.drawEllipse(QPointF(x, mid), 5, 5);
      break;
    case TimelineMarkKind::LunarEclipse:
      p.setPen(QPen(kTickColour, 1));
      p.setBrush(kLunarEclipseColour);
      p.drawEllipse(QPointF(x, mid), 5, 5);
      break;
  }
}

void PaintSkyStrip(QPainter& p, const Timeline& timeline, const TimelineLayout& layout, int top) {
  const double mid = top + TimelineLayout::kSkyStripHeight / 2.0;
  for (const TimelineSpell& spell : timeline.sky.spells)
    PaintSpell(p, layout.DayToX(spell.from), layout.DayToX(spell.to), mid);
  for (const TimelineMark& mark : timeline.sky.marks) PaintSkyMark(p, layout.DayToX(mark.at), mid, mark.kind);
}

QString OrbText(const char* word, const Timeline& timeline, int orb) {
  QString text = QString::fromLatin1(word);
  if (timeline.sameOrbs) text += QStringLiteral(" %1\u00b0").arg(timeline.orbDegrees[orb]);
  return text;
}

bool EndsWith(const QString& path, const char* suffix) {
  return path.endsWith(QLatin1String(suffix), Qt::CaseInsensitive);
}

}  // namespace

TimelineLayout::TimelineLayout(const Timeline& timeline, int labelWidth, int width)
    : width_(std::max(width, labelWidth + 2 * kMargin + 1)), labelWidth_(labelWidth) {
  firstDay_ = timeline.axis.firstDay;
  const double days = static_cast<double>(timeline.axis.lastDay) - timeline.axis.firstDay + 1.0;
  scale_ = (PlotRight() - PlotLeft()) / days;
}

double TimelineLayout::DayToX(double day) const { return PlotLeft() + (day - firstDay_) * scale_; }

namespace {

// "2024-01-01 – 2024-12-31", over the label column.
QString PeriodText(const TimelineAxis& axis) {
  return Utf8(FormatDayNumber(axis.firstDay)) + QStringLiteral(" \u2013 ") + Utf8(FormatDayNumber(axis.lastDay));
}

}  // namespace

double TimelineLayout::XToDay(double x) const { return firstDay_ + (x - PlotLeft()) / scale_; }

int TimelineLabelWidth(const Timeline& timeline) {
  const QFontMetrics metrics(TimelineFont(kLabelPixels));
  std::set<std::string> labels;
  for (const TimelineRow& row : timeline.rows) labels.insert(row.label);
  int widest = 0;
  for (const std::string& label : labels) widest = std::max(widest, metrics.horizontalAdvance(Utf8(label)));
  // The period over the column is read whole, not cut by the first month's label.
  if (!timeline.rows.empty())
    widest = std::max(widest, QFontMetrics(TimelineFont(kAxisPixels)).horizontalAdvance(PeriodText(timeline.axis)));
  return std::clamp(widest + 3 * TimelineLayout::kMargin, kMinLabelWidth, kMaxLabelWidth);
}

QSize TimelinePictureSize(const Timeline& timeline, int width) {
  return {width, TimelineAxisHeight(timeline) + TimelineRowsHeight(timeline) + TimelineLegendHeight(timeline)};
}

void PaintTimelineRows(QPainter& p, const Timeline& timeline, const TimelineLayout& layout, int top, std::size_t first,
                       std::size_t last) {
  for (std::size_t i = first; i <= last && i < timeline.rows.size(); ++i)
    PaintRow(p, timeline, layout, i, top + static_cast<int>(i) * TimelineLayout::kRowHeight);
}

void PaintTimelineNoTransits(QPainter& p, const TimelineLayout& layout, int top) {
  p.setFont(TimelineFont(kLabelPixels));
  p.setPen(kMutedColour);
  p.drawText(
      QRect(TimelineLayout::kMargin, top, layout.Width() - 2 * TimelineLayout::kMargin, TimelineLayout::kRowHeight),
      Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("No transits"));
}

int TimelineAxisHeight(const Timeline& timeline) {
  return TimelineLayout::kAxisHeight + (timeline.sky.Any() ? TimelineLayout::kSkyStripHeight : 0);
}

int TimelineLegendHeight(const Timeline& timeline) {
  return TimelineLayout::kLegendHeight * (timeline.sky.Any() ? 2 : 1);
}

// The sky's marks in their strip, the period over the label column, and the
// ticks' labels over the plot; a label that would run into the one before
// it, or off the plot, is left out.
void PaintTimelineAxis(QPainter& p, const Timeline& timeline, const TimelineLayout& layout, int top) {
  if (timeline.sky.Any()) {
    PaintSkyStrip(p, timeline, layout, top);
    top += TimelineLayout::kSkyStripHeight;
  }
  const int height = TimelineLayout::kAxisHeight;
  const int bottom = top + height - 1;
  p.setFont(TimelineFont(kAxisPixels));
  const QFontMetrics metrics(p.font());
  const TimelineAxis& axis = timeline.axis;
  if (!timeline.rows.empty()) {
    p.setPen(kMutedColour);
    p.drawText(QRect(TimelineLayout::kMargin, top, layout.LabelWidth() - TimelineLayout::kMargin, height - 6),
               Qt::AlignLeft | Qt::AlignBottom, PeriodText(axis));
  }
  p.setPen(kMutedColour);
  p.drawLine(layout.PlotLeft(), bottom, layout.PlotRight(), bottom);
  int freeFrom = layout.PlotLeft();
  for (const TimelineTick& tick : axis.ticks) {
    const int x = static_cast<int>(std::floor(layout.DayToX(tick.day)));
    p.setPen(kMutedColour);
    p.drawLine(x, bottom - 5, x, bottom);
    const QString label = Utf8(tick.label);
    const int width = metrics.horizontalAdvance(label);
    const int left = x + 3;
    if (left < freeFrom || left + width > layout.PlotRight()) continue;
    p.setPen(kTextColour);
    p.drawText(QRect(left, top, width + 1, height - 6), Qt::AlignLeft | Qt::AlignBottom, label);
    freeFrom = left + width + 8;
  }
}

// Swatches and their words, left to right from x; returns the width used.
int PaintTimelineLegend(QPainter& p, const Timeline& timeline, int x, int top) {
  p.setFont(TimelineFont(kAxisPixels));
  const QFontMetrics metrics(p.font());
  const int mid = top + TimelineLayout::kLegendHeight / 2;
  const int rowTop = mid - TimelineLayout::kRowHeight / 2;
  const int start = x;
  auto word = [&](const QString& text) {
    p.setPen(kTextColour);
    const int width = metrics.horizontalAdvance(text);
    p.drawText(QRect(x, top, width + 1, TimelineLayout::kLegendHeight), Qt::AlignLeft | Qt::AlignVCenter, text);
    x += width + 16;
  };
  static constexpr const char* kOrbWords[] = {"outer orb", "middle orb", "inner orb"};
  for (int orb = 0; orb < 3; ++orb) {
    const int inset = kBandInset[orb];
    p.fillRect(QRect(x, rowTop + inset, 20, TimelineLayout::kRowHeight - 2 * inset), BandColours()[orb]);
    x += 25;
    word(OrbText(kOrbWords[orb], timeline, orb));
  }
  PaintExactTick(p, x + 1, rowTop);
  x += 8;
  word(QStringLiteral("exact"));
  PaintApproachTick(p, x + 2, rowTop);
  x += 9;
  word(QStringLiteral("closest approach"));
  PaintRetrograde(p, x, x + 20, rowTop);
  x += 25;
  word(QStringLiteral("retrograde"));
  p.fillRect(QRect(x, rowTop + kBandInset[0], 12, TimelineLayout::kRowHeight - 2 * kBandInset[0]), kOuterBand);
  PaintClippedEnd(p, x + 12, rowTop, false);
  x += 17;
  word(QStringLiteral("beyond the period"));
  const bool stations = std::any_of(timeline.rows.begin(), timeline.rows.end(),
                                    [](const TimelineRow& row) { return !row.stations.empty(); });
  if (stations) {
    PaintStation(p, x + 6, rowTop, true);
    x += 15;
    word(QStringLiteral("station retrograde"));
    PaintStation(p, x + 6, rowTop, false);
    x += 15;
    word(QStringLiteral("station direct"));
  }
  const bool mixedPeriods = std::any_of(timeline.rows.begin(), timeline.rows.end(), [&](const TimelineRow& row) {
    return row.periodFirstDay != timeline.axis.firstDay || row.periodLastDay != timeline.axis.lastDay;
  });
  if (mixedPeriods) {
    PaintHatch(p, QRectF(x, rowTop + kBandInset[0], 20, TimelineLayout::kRowHeight - 2 * kBandInset[0]));
    x += 25;
    word(QStringLiteral("outside the run"));
  }
  if (!timeline.sky.Any()) return x - start;
  // The sky's marks on a line of their own.
  const int widest = x - start;
  x = start;
  const int skyMid = mid + TimelineLayout::kLegendHeight;
  top += TimelineLayout::kLegendHeight;
  // A mark and its name; an eclipse's mark is the larger.
  auto mark = [&](TimelineMarkKind kind, int half, const QString& name) {
    PaintSkyMark(p, x + half, skyMid, kind);
    x += 2 * half + 3;
    word(name);
  };
  if (timeline.sky.lunations) {
    mark(TimelineMarkKind::NewMoon, 5, QStringLiteral("new Moon"));
    mark(TimelineMarkKind::FullMoon, 5, QStringLiteral("full Moon"));
  }
  if (timeline.sky.eclipses) {
    mark(TimelineMarkKind::SolarEclipse, 6, QStringLiteral("solar eclipse"));
    mark(TimelineMarkKind::LunarEclipse, 6, QStringLiteral("lunar eclipse"));
  }
  if (timeline.sky.voidOfCourse) {
    PaintSpell(p, x, x + 20, skyMid);
    x += 25;
    word(QStringLiteral("Moon void of course"));
  }
  return std::max(widest, x - start);
}

int TimelineRowsHeight(const Timeline& timeline) {
  return static_cast<int>(std::max<std::size_t>(timeline.rows.size(), 1)) * TimelineLayout::kRowHeight;
}

void PaintTimeline(QPainter& painter, const Timeline& timeline, QSize size) {
  const TimelineLayout layout(timeline, TimelineLabelWidth(timeline), size.width());
  painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
  PaintTimelineAxis(painter, timeline, layout, 0);
  const int rowsTop = TimelineAxisHeight(timeline);
  if (timeline.rows.empty()) {
    PaintTimelineNoTransits(painter, layout, rowsTop);
  } else {
    PaintTimelineRows(painter, timeline, layout, rowsTop, 0, timeline.rows.size() - 1);
  }
  const int rowsBottom = rowsTop + TimelineRowsHeight(timeline);
  painter.setPen(kMutedColour);
  painter.drawLine(layout.PlotLeft(), rowsBottom, layout.PlotRight(), rowsBottom);
  PaintTimelineLegend(painter, timeline, TimelineLayout::kMargin, rowsBottom);
}

QImage RenderTimelineImage(const Timeline& timeline, int width) {
  QImage image(TimelinePictureSize(timeline, width), QImage::Format_RGB32);
  // 96 dots per inch, so that the file does not take the screen's.
  image.setDotsPerMeterX(3780);
  image.setDotsPerMeterY(3780);
  image.fill(Qt::white);
  QPainter painter(&image);
  PaintTimeline(painter, timeline, image.size());
  return image;
}

bool DrawTimelineBytes(const Timeline& timeline, bool png, QByteArray& bytes, QString& error) {
  const QSize size = TimelinePictureSize(timeline);
  if (png && size.height() > kTallestImage) {
    error = QStringLiteral("The timeline has too many rows for a PNG image; save it as SVG.");
    return false;
  }
  // Drawn in memory: Qt's devices do not tell every failed write (a full
  // disk cut SVG files short unnoticed), so the file is written by the
  // program's own whole-or-nothing writer, which does.
  bytes.clear();
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (png) {
    if (!RenderTimelineImage(timeline).save(&buffer, "PNG")) {
      error = QStringLiteral("The timeline could not be drawn as PNG.");
      return false;
    }
  } else {
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setResolution(96);
    svg.setTitle(QStringLiteral("Skyloom timeline"));
    svg.setDescription(QStringLiteral("Transits with their orbs, minima and retrograde stretches"));
    QPainter painter;
    if (!painter.begin(&svg)) {
      error = QStringLiteral("The timeline could not be drawn as SVG.");
      return false;
    }
    PaintTimeline(painter, timeline, size);
    painter.end();
  }
  return true;
}

bool WriteTimelineFile(const Timeline& timeline, const QString& path, QString& error) {
  const bool png = EndsWith(path, ".png");
  if (!png && !EndsWith(path, ".svg")) {
    error = QStringLiteral("The timeline is saved as .png or .svg: ") + path;
    return false;
  }
  QByteArray bytes;
  if (!DrawTimelineBytes(timeline, png, bytes, error)) return false;
  const std::string reason =
      WriteFileReplacing(QFile::encodeName(path).toStdString(), std::string_view(bytes.constData(), bytes.size()));
  if (reason.empty()) return true;
  error = QStringLiteral("Cannot write %1: %2").arg(path, QString::fromLocal8Bit(reason));
  return false;
}

}  // namespace skyloom
