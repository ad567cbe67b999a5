#include "qt/timeline_view.h"

#include <algorithm>

#include <QFileDialog>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QImage>
#include <QMessageBox>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolTip>
#include <QVBoxLayout>

#include "qt/screen_fit.h"

namespace skyloom {

namespace {

constexpr int kTickReachPixels = 3;

QString Utf8(const std::string& text) { return QString::fromStdString(text); }

// The window's parts. They draw from the window's model, so they only hold
// a pointer back to it.
class TimelineHeader : public QWidget {
 public:
  explicit TimelineHeader(TimelineWindow* window) : QWidget(window), window_(window) {
    setFixedHeight(TimelineAxisHeight(window->Model()));
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    PaintTimelineAxis(p, window_->Model(), window_->CanvasLayout(), 0);
  }

 private:
  TimelineWindow* window_;
};

class TimelineCanvas : public QWidget {
 public:
  TimelineCanvas(TimelineWindow* window, QWidget* header) : window_(window), header_(header) {
    setObjectName(QStringLiteral("timelineCanvas"));
    setMinimumHeight(TimelineRowsHeight(window->Model()));
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  // Only the rows in the exposed strip are drawn: a long series scrolls as
  // quickly as a short one.
  void paintEvent(QPaintEvent* event) override {
    QPainter p(this);
    const QRect exposed = event->rect();
    p.fillRect(exposed, Qt::white);
    const Timeline& timeline = window_->Model();
    const TimelineLayout layout = window_->CanvasLayout();
    if (timeline.rows.empty()) {
      PaintTimelineNoTransits(p, layout, 0);
      return;
    }
    const int h = TimelineLayout::kRowHeight;
    const auto first = static_cast<std::size_t>(std::max(0, exposed.top() / h));
    const auto last = static_cast<std::size_t>(std::max(0, exposed.bottom() / h));
    PaintTimelineRows(p, timeline, layout, 0, first, last);
  }

  void resizeEvent(QResizeEvent* event) override {
    QWidget::resizeEvent(event);
    header_->update();
  }

  bool event(QEvent* event) override {
    if (event->type() != QEvent::ToolTip) return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QString text = window_->ToolTipAt(help->pos());
    if (text.isEmpty()) {
      QToolTip::hideText();
      event->ignore();
    } else {
      QToolTip::showText(help->globalPos(), text, this);
    }
    return true;
  }

 private:
  TimelineWindow* window_;
  QWidget* header_;
};

class TimelineLegend : public QWidget {
 public:
  explicit TimelineLegend(const Timeline& timeline) : timeline_(timeline) {
    setFixedHeight(TimelineLegendHeight(timeline));
    QImage probe(1, 1, QImage::Format_RGB32);
    QPainter p(&probe);
    setMinimumWidth(PaintTimelineLegend(p, timeline_, 0, 0));
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    PaintTimelineLegend(p, timeline_, 0, 0);
  }

 private:
  const Timeline& timeline_;
};

}  // namespace

TimelineWindow::TimelineWindow(std::vector<RunResult> results, QWidget* parent)
    : TimelineWindow(std::move(results), ForecastList{}, parent) {}

TimelineWindow::TimelineWindow(std::vector<RunResult> results, const ForecastList& forecast, QWidget* parent)
    : QWidget(parent, Qt::Window),
      results_(std::move(results)),
      timeline_(BuildTimeline(results_, SkyEventList{}, forecast)) {
  setWindowTitle(QStringLiteral("Timeline"));
  labelWidth_ = TimelineLabelWidth(timeline_);

  header_ = new TimelineHeader(this);
  canvas_ = new TimelineCanvas(this, header_);
  scroll_ = new QScrollArea(this);
  scroll_->setFrameShape(QFrame::NoFrame);
  scroll_->setWidgetResizable(true);
  scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll_->setBackgroundRole(QPalette::Base);
  scroll_->setWidget(canvas_);
  scroll_->verticalScrollBar()->setSingleStep(TimelineLayout::kRowHeight);

  savePng_ = new QPushButton(QStringLiteral("Save as PNG\u2026"), this);
  savePng_->setObjectName(QStringLiteral("cmdSavePng"));
  saveSvg_ = new QPushButton(QStringLiteral("Save as SVG\u2026"), this);
  saveSvg_->setObjectName(QStringLiteral("cmdSaveSvg"));
  connect(savePng_, &QPushButton::clicked, this, [this] {
    Save(QStringLiteral("Save timeline as PNG"), QStringLiteral("PNG images (*.png)"), QStringLiteral(".png"));
  });
  connect(saveSvg_, &QPushButton::clicked, this, [this] {
    Save(QStringLiteral("Save timeline as SVG"), QStringLiteral("SVG drawings (*.svg)"), QStringLiteral(".svg"));
  });

  auto* bottom = new QHBoxLayout;
  bottom->setContentsMargins(TimelineLayout::kMargin, 4, TimelineLayout::kMargin, TimelineLayout::kMargin);
  bottom->addWidget(new TimelineLegend(timeline_));
  bottom->addStretch(1);
  bottom->addWidget(savePng_);
  bottom->addWidget(saveSvg_);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(header_);
  layout->addWidget(scroll_, 1);
  layout->addLayout(bottom);

  setAutoFillBackground(true);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, Qt::white);
  setPalette(palette);

  chooser_ = [this](const QString& title, const QString& filter, const QString&) {
    return QFileDialog::getSaveFileName(this, title, QString(), filter);
  };
  const int rows = TimelineRowsHeight(timeline_);
  resize(kTimelinePictureWidth,
         std::min(TimelineAxisHeight(timeline_) + rows + TimelineLegendHeight(timeline_) + 24, 720));
}

TimelineLayout TimelineWindow::CanvasLayout() const { return TimelineLayout(timeline_, labelWidth_, canvas_->width()); }

QString TimelineWindow::ToolTipAt(QPoint canvasPoint) const {
  if (canvasPoint.y() < 0) return {};
  const auto index = static_cast<std::size_t>(canvasPoint.y() / TimelineLayout::kRowHeight);
  if (index >= timeline_.rows.size()) return {};
  const TimelineLayout layout = CanvasLayout();
  if (canvasPoint.x() < layout.PlotLeft() || canvasPoint.x() > layout.PlotRight()) return {};
  const TimelineRow& row = timeline_.rows[index];
  // Ticks are drawn a few pixels wide however long the period.
  const double reach = kTickReachPixels / layout.PixelsPerDay();
  const int32_t pass = PassAt(row, layout.XToDay(canvasPoint.x() + 0.5), reach);
  if (pass < 0) return {};
  return Utf8(ReportRowText(results_[row.run], row.transit, static_cast<std::size_t>(pass)));
}

bool TimelineWindow::SaveAs(const QString& path, QString& error) const {
  return WriteTimelineFile(timeline_, path, error);
}

void TimelineWindow::Save(const QString& title, const QString& filter, const QString& suffix) {
  QString path = chooser_(title, filter, suffix);
  if (path.isEmpty()) return;
  if (!path.endsWith(suffix, Qt::CaseInsensitive)) path += suffix;
  QString error;
  if (!SaveAs(path, error)) {
    QMessageBox::warning(this, title, error);
    return;
  }
  QMessageBox::information(this, QStringLiteral("Done"), QStringLiteral("Timeline written to file ") + path);
}

TimelineWindow* ShowTimelineWindow(const std::vector<RunResult>& results, QWidget* parent) {
  return ShowTimelineWindow(results, ForecastList{}, parent);
}

TimelineWindow* ShowTimelineWindow(const std::vector<RunResult>& results, const ForecastList& forecast,
                                   QWidget* parent) {
  auto* window = new TimelineWindow(results, forecast, parent);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->show();
  // A long period's timeline is taller than a small screen.
  KeepOnScreen(window);
  window->raise();
  window->activateWindow();
  return window;
}

}  // namespace skyloom
