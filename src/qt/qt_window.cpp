#include "qt/qt_window.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QFileDialog>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "qt/popup.h"
#include "qt/screen_fit.h"
#include "runs/output_box.h"
#include "ui/main_form.h"

namespace skyloom {

namespace {

constexpr int kTimerIntervalMs = 500;
constexpr int kEnterKeyCode = 13;
constexpr double kTwipsPerInch = 1440.0;
// The toolkit's grey for text that cannot be changed (Windows' GrayText).
const QColor kGreyedText(109, 109, 109);

std::string NameOf(Control c) {
  const ControlInfo& info = InfoOf(c.name);
  if (info.count == 1 && c.index == 0) return std::string(info.text);
  return std::string(info.text) + "(" + std::to_string(c.index) + ")";
}

QString ToQString(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

std::string ToStd(const QString& text) { return text.toStdString(); }

// UTF-16 units less the trailing halves of surrogate pairs.
int32_t CodePoints(const QString& text) {
  int32_t n = 0;
  for (QChar ch : text)
    if (!ch.isLowSurrogate()) ++n;
  return n;
}

// The document keeps paragraphs, not line ends, and takes every CR and every
// LF as a paragraph break of its own; a CR LF pair is one line end.
QString ToDocumentText(std::string_view text) {
  QString s = ToQString(text);
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return s;
}

QColor ToQColor(Rgb c) { return QColor(c.red, c.green, c.blue); }

// Greyed text on a coloured background: the text colour pulled towards the
// background, still readable, plainly not active.
QColor Dimmed(Rgb fore, Rgb back) {
  auto mix = [](uint8_t f, uint8_t b) { return static_cast<int>(std::lround(f * 0.55 + b * 0.45)); };
  return QColor(mix(fore.red, back.red), mix(fore.green, back.green), mix(fore.blue, back.blue));
}

// A frame that holds its members but draws nothing of its own: no border,
// no caption, only its background.
class BorderlessFrame : public QGroupBox {
 public:
  using QGroupBox::QGroupBox;

 protected:
  void paintEvent(QPaintEvent*) override {}
};

void SetAllGroups(QPalette& palette, QPalette::ColorRole role, const QColor& colour) {
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
    palette.setColor(group, role, colour);
}

void SetEnabledGroups(QPalette& palette, QPalette::ColorRole role, const QColor& colour) {
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) palette.setColor(group, role, colour);
}

// The letter of each button that Alt presses it with, where its caption
// has one; the menus take F, R, O and H.
char MnemonicOf(ControlName name) {
  switch (name) {
    case ControlName::cmdStart: return 'S';
    case ControlName::cmdShowAll: return 'a';
    case ControlName::cmdSearch: return 'e';
    case ControlName::cmdSaveState: return 'v';
    case ControlName::cmdRestoreState: return 't';
    case ControlName::cmdFile: return 'W';
    case ControlName::cmdClear: return 'C';
    case ControlName::cmdHelp: return 'l';
    case ControlName::cmdQuit: return 'Q';
    default: return 0;
  }
}

// The caption as the button shows it: an ampersand of the program's text
// doubled, and one before the first letter that presses it. The second
// show-all button reads "by transiting ..." in personal mode, where "a"
// would be the first one's.
QString WithMnemonic(Control c, const QString& caption) {
  QString shown = caption;
  shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
  const char letter = c.name == ControlName::cmdShowAll && c.index == 1 ? 'b' : MnemonicOf(c.name);
  if (letter == 0) return shown;
  const qsizetype at = shown.indexOf(QLatin1Char(letter), 0, Qt::CaseInsensitive);
  if (at >= 0) shown.insert(at, QLatin1Char('&'));
  return shown;
}

// The program's caption from what the button shows.
QString WithoutMnemonic(const QString& shown) {
  QString caption;
  for (qsizetype i = 0; i < shown.size(); ++i) {
    if (shown[i] == QLatin1Char('&') && i + 1 < shown.size()) ++i;
    caption += shown[i];
  }
  return caption;
}

// The order Tab goes through the form as a user reads it: the dates and
// the birth down the left, then the choices on the right, the run
// buttons, the search, the report and the bottom row left to right.
constexpr Control kTabOrder[] = {
    {ControlName::txbYear, 0},
    {ControlName::txbMonth, 0},
    {ControlName::txbDay, 0},
    {ControlName::txbYear, 1},
    {ControlName::txbMonth, 1},
    {ControlName::txbDay, 1},
    {ControlName::txbYear, 2},
    {ControlName::txbMonth, 2},
    {ControlName::txbDay, 2},
    {ControlName::cboHour, 0},
    {ControlName::cboMinute, 0},
    {ControlName::cboTimezone, 1},
    {ControlName::txbBirthPlace, 0},
    {ControlName::optWorld, 0},
    {ControlName::optPersonal, 0},
    {ControlName::optTropical, 0},
    {ControlName::optSidereal, 0},
    {ControlName::cboPlanet, 0},
    {ControlName::cboPlanet, 1},
    {ControlName::cboOrbs, 0},
    {ControlName::cboOrbs, 1},
    {ControlName::cboOrbs, 2},
    {ControlName::cboTimezone, 0},
    {ControlName::chkDisplayNATZabbr, 0},
    {ControlName::cmdStart, 0},
    {ControlName::cmdShowAll, 0},
    {ControlName::cmdShowAll, 1},
    {ControlName::cmdShowAllTransits, 0},
    {ControlName::cmdSearch, 0},
    {ControlName::cboSearchAspect, 0},
    {ControlName::chkKeepDates, 0},
    {ControlName::chkAppendToOutput, 0},
    {ControlName::txbOutput, 0},
    {ControlName::cmdSaveState, 0},
    {ControlName::cmdRestoreState, 0},
    {ControlName::cmdFile, 0},
    {ControlName::chkOpenOutputFile, 0},
    {ControlName::chkOutputAsHTML, 0},
    {ControlName::cmdClear, 0},
    {ControlName::cmdHelp, 0},
    {ControlName::cmdQuit, 0},
    {ControlName::txbStopDate, 0},
    {ControlName::txbAllTransitsDateFormat, 0},
};

}  // namespace

QString QtFileFilter(std::string_view filter) {
  const QStringList parts = ToQString(filter).split(QLatin1Char('|'));
  QStringList entries;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList words;
    for (const QString& word : parts[i].split(QLatin1Char(' '), Qt::SkipEmptyParts))
      if (!word.startsWith(QLatin1Char('*'))) words << word;
    QStringList patterns;
    for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
      const QString trimmed = pattern.trimmed();
      if (!trimmed.isEmpty()) patterns << trimmed;
    }
    const QString description = words.join(QLatin1Char(' '));
    const QString list = patterns.join(QLatin1Char(' '));
    entries << (description.isEmpty() ? list : description + QStringLiteral(" (") + list + QLatin1Char(')'));
  }
  return entries.join(QStringLiteral(";;"));
}

QtWindow::QtWindow(QWidget* parent) : QWidget(parent), timer_(new QTimer(this)) {
  setObjectName("frmMain");
  // The menu bar above the form and the status bar below it add to the
  // window's height: the form keeps its design size and every control its
  // design place.
  menuBar_ = new QMenuBar(this);
  menuBar_->setObjectName("mnuBar");
  const std::pair<WindowMenu, const char*> titles[] = {{WindowMenu::File, "&File"},
                                                       {WindowMenu::Run, "&Run"},
                                                       {WindowMenu::Options, "&Options"},
                                                       {WindowMenu::Help, "&Help"}};
  for (const auto& [menu, title] : titles) {
    QMenu* entry = menuBar_->addMenu(QString::fromUtf8(title));
    entry->setObjectName(QStringLiteral("mnu") + WithoutMnemonic(QString::fromUtf8(title)));
    menus_[menu] = entry;
  }
  menuBar_->setFixedHeight(menuBar_->sizeHint().height());
  form_ = new QWidget(this);
  form_->setObjectName("form");
  statusBar_ = new QStatusBar(this);
  statusBar_->setObjectName("staProgress");
  statusBar_->setSizeGripEnabled(false);
  statusBar_->setAutoFillBackground(true);
  progress_ = new QProgressBar(statusBar_);
  progress_->setObjectName("prgRun");
  progress_->setRange(0, 100);
  progress_->setTextVisible(true);
  statusBar_->addPermanentWidget(progress_, 1);
  statusBar_->setFixedHeight(std::max(statusBar_->sizeHint().height(), progress_->sizeHint().height() + 4));
  progress_->setVisible(false);
  BuildControls();
  resize(ToPixelsX(DesignFormRect.Width), ToPixelsY(DesignFormRect.Height) + ChromeHeight());
  // The core snaps the window back to this size as well; the toolkit's own
  // limit keeps a drag from ever showing a smaller one.
  const auto ceilPixels = [](int32_t twips, int dpi) {
    return static_cast<int>(std::ceil(twips * static_cast<double>(dpi) / kTwipsPerInch));
  };
  setMinimumSize(ceilPixels(MinWindowWidth, logicalDpiX()),
                 ceilPixels(MinWindowHeight, logicalDpiY()) + ChromeHeight());
  LayOutChrome();

  timer_->setObjectName("Timer1");
  timer_->setInterval(kTimerIntervalMs);
  connect(timer_, &QTimer::timeout, this, [this] {
    if (sink_) sink_->TimerTick();
  });
  timer_->start();
}

QtWindow::~QtWindow() {
  // Widgets emit focus changes while they are torn down; nothing may reach
  // the core then.
  sink_ = nullptr;
  for (auto& [key, m] : members_) m.widget->removeEventFilter(this);
}

int QtWindow::ToPixelsX(int32_t twips) const {
  return static_cast<int>(std::lround(twips * static_cast<double>(logicalDpiX()) / kTwipsPerInch));
}
int QtWindow::ToPixelsY(int32_t twips) const {
  return static_cast<int>(std::lround(twips * static_cast<double>(logicalDpiY()) / kTwipsPerInch));
}
int32_t QtWindow::ToTwipsX(int pixels) const {
  return static_cast<int32_t>(std::lround(pixels * kTwipsPerInch / logicalDpiX()));
}
int32_t QtWindow::ToTwipsY(int pixels) const {
  return static_cast<int32_t>(std::lround(pixels * kTwipsPerInch / logicalDpiY()));
}

void QtWindow::BuildControls() {
  // Frames first, so that their members can be created inside them.
  for (int pass = 0; pass < 2; ++pass) {
    for (const ControlInfo& info : AllControls()) {
      if ((info.kind == ControlKind::Frame) != (pass == 0)) continue;
      for (int16_t i = 0; i < info.count; ++i) {
        const Control c = Ctl(info.name, i);
        Member m;
        m.kind = info.kind;
        m.container = ContainerOf(c);
        m.font = FontSpec{"", 8.25, false};
        QWidget* parent = form_;
        if (m.container != c.name) parent = At(Ctl(m.container)).widget;
        m.widget = MakeWidget(c, info.kind, parent);
        m.widget->setObjectName(ToQString(NameOf(c)));
        const ControlDesign design = DesignOf(c);
        m.rect = design.rect;
        auto [it, inserted] = members_.emplace(Key{c.name, c.index}, std::move(m));
        controlOf_.emplace(it->second.widget, c);
        SetText(c, design.caption);
        PlaceWidget(it->second);
        Wire(c, it->second);
      }
    }
  }

  SetTabOrder();
}

void QtWindow::SetTabOrder() {
  static_assert(std::size(kTabOrder) == 43, "every control that takes the focus has its place");
  for (size_t i = 1; i < std::size(kTabOrder); ++i)
    QWidget::setTabOrder(At(kTabOrder[i - 1]).widget, At(kTabOrder[i]).widget);
}

std::vector<QWidget*> QtWindow::TabOrder() const {
  std::vector<QWidget*> order;
  QWidget* first = At(kTabOrder[0]).widget;
  QWidget* w = first;
  do {
    if (controlOf_.count(w) != 0 && w->focusPolicy() & Qt::TabFocus) order.push_back(w);
    w = w->nextInFocusChain();
  } while (w != nullptr && w != first);
  return order;
}

int QtWindow::ChromeHeight() const { return menuBar_->height() + statusBar_->height(); }

void QtWindow::LayOutChrome() {
  const int top = menuBar_->height(), bottom = statusBar_->height();
  menuBar_->setGeometry(0, 0, width(), top);
  form_->setGeometry(0, top, width(), std::max(0, height() - top - bottom));
  statusBar_->setGeometry(0, height() - bottom, width(), bottom);
}

QMenu* QtWindow::Menu(WindowMenu menu) const { return menus_.at(menu); }

void QtWindow::ShowProgress(std::string_view day, int16_t percent) {
  progress_->setFormat(ToQString(day) + QStringLiteral("  %p%"));
  progress_->setValue(percent);
  progress_->setVisible(true);
}

void QtWindow::HideProgress() {
  progress_->setVisible(false);
  progress_->reset();
}

QWidget* QtWindow::MakeWidget(Control c, ControlKind kind, QWidget* parent) {
  QWidget* widget = nullptr;
  switch (kind) {
    case ControlKind::CommandButton: {
      auto* button = new QPushButton(parent);
      // Enter on the button that has the focus presses it, as on the
      // desktop the program was designed for; the program moves the focus
      // to the button it expects next.
      button->setAutoDefault(true);
      widget = button;
      break;
    }
    case ControlKind::TextBox:
      if (c.name == ControlName::txbOutput) {
        // Not read-only: the user may edit the report before writing it out.
        auto* edit = new QPlainTextEdit(parent);
        edit->setLineWrapMode(QPlainTextEdit::NoWrap);
        edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        edit->setTabChangesFocus(true);
        widget = edit;
      } else if (c.name == ControlName::txbBirthPlace) {
        auto* line = new QLineEdit(parent);
        line->setPlaceholderText(QStringLiteral("Birth place"));
        line->setToolTip(QStringLiteral("City of the birth (Berlin; Paris, FR) or latitude,longitude (52.52,13.405)"));
        // The program picks the entries from the atlas as the text changes;
        // the list shows each place whole and enters its name and country.
        auto* completer = new QCompleter(new QStandardItemModel(line), line);
        completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
        completer->setCompletionRole(Qt::UserRole);
        completer->setMaxVisibleItems(12);
        line->setCompleter(completer);
        widget = line;
      } else {
        widget = new QLineEdit(parent);
      }
      break;
    case ControlKind::ComboBox: {
      auto* combo = new QComboBox(parent);
      if (EditableList(c.name)) {
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        // Typed text stays as typed; the list never completes it from its
        // own entries.
        combo->setCompleter(nullptr);
        if (c.name == ControlName::cboTimezone) {
          // The zone lists offer the tz database names the program picks
          // as the text changes, as the place box offers places.
          auto* completer = new QCompleter(new QStandardItemModel(combo), combo);
          completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
          completer->setCompletionRole(Qt::UserRole);
          completer->setMaxVisibleItems(12);
          combo->lineEdit()->setCompleter(completer);
        }
      }
      widget = combo;
      break;
    }
    // Buttons fill their background from the button colour; these two stand
    // on the window's colour like a label.
    case ControlKind::CheckBox:
      widget = new QCheckBox(parent);
      widget->setBackgroundRole(QPalette::Window);
      break;
    case ControlKind::OptionButton:
      widget = new QRadioButton(parent);
      widget->setBackgroundRole(QPalette::Window);
      break;
    case ControlKind::Label: {
      auto* label = new QLabel(parent);
      label->setTextFormat(Qt::PlainText);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      widget = label;
      break;
    }
    case ControlKind::Frame:
      widget = c.name == ControlName::fraBirthDate ? new BorderlessFrame(parent) : new QGroupBox(parent);
      break;
  }
  // Frames and their members are coloured by the program; the controls that
  // draw on the toolkit's own colours keep them, whatever a frame around
  // them is given (drop-down lists draw their open list in these colours).
  if (kind == ControlKind::CommandButton || kind == ControlKind::TextBox || kind == ControlKind::ComboBox) {
    const QPalette standard = QApplication::palette(widget);
    QPalette palette = widget->palette();
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::WindowText})
      for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, role, standard.color(group, role));
    // Text in a disabled box stays legible: the program greys whole
    // groups of boxes during a run, and the dates in them still matter.
    palette.setColor(QPalette::Disabled, QPalette::Text, kGreyedText);
    widget->setPalette(palette);
  }
  return widget;
}

void QtWindow::Wire(Control c, Member& m) {
  QWidget* widget = m.widget;
  switch (m.kind) {
    case ControlKind::CommandButton:
      connect(static_cast<QPushButton*>(widget), &QPushButton::clicked, this, [this, c] { FireClick(c); });
      break;
    case ControlKind::CheckBox: {
      auto* box = static_cast<QCheckBox*>(widget);
      connect(box, &QCheckBox::clicked, this, [this, c, box] {
        // A greyed box that the user clicks becomes an ordinary two-state box.
        box->setTristate(false);
        FireClick(c);
      });
      break;
    }
    case ControlKind::OptionButton:
      // Only a change fires: a click on the option already selected does not.
      connect(static_cast<QRadioButton*>(widget), &QRadioButton::toggled, this, [this, c](bool on) {
        if (on) FireClick(c);
      });
      break;
    case ControlKind::ComboBox: {
      auto* combo = static_cast<QComboBox*>(widget);
      connect(combo, &QComboBox::activated, this, [this, c, combo](int index) {
        Member& member = At(c);
        member.listIndex = static_cast<int16_t>(index);
        if (combo->isEditable()) combo->setEditText(combo->itemText(index));
        FireClick(c);
      });
      if (combo->isEditable()) {
        // Typing an entry's text selects it; any other text (a completion
        // chosen too) leaves the list without a selection. Neither is a
        // click.
        auto follow = [this, c, combo](const QString& text) {
          At(c).listIndex = static_cast<int16_t>(combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
          if (At(c).listIndex >= 0) {
            const QSignalBlocker block(combo);
            const int cursor = combo->lineEdit()->cursorPosition();
            combo->setCurrentIndex(At(c).listIndex);
            combo->lineEdit()->setCursorPosition(cursor);
          }
        };
        connect(combo->lineEdit(), &QLineEdit::textEdited, this, [this, c, follow](const QString& text) {
          follow(text);
          // The zone lists' offers follow every change the user makes.
          if (c.name == ControlName::cboTimezone && sink_ != nullptr) sink_->KeyUp(c, 0);
        });
        if (QCompleter* completer = combo->lineEdit()->completer())
          connect(completer, qOverload<const QString&>(&QCompleter::activated), this, follow);
      }
      break;
    }
    case ControlKind::TextBox:
      widget->installEventFilter(this);
      // The place box's offers follow every change the user makes (typing,
      // pasting, deleting), not only the keys.
      if (c.name == ControlName::txbBirthPlace) {
        connect(static_cast<QLineEdit*>(widget), &QLineEdit::textEdited, this, [this, c] {
          if (sink_ != nullptr) sink_->KeyUp(c, 0);
        });
      }
      break;
    case ControlKind::Label:
    case ControlKind::Frame: break;
  }
}

QtWindow::Member& QtWindow::At(Control c) { return const_cast<Member&>(std::as_const(*this).At(c)); }

const QtWindow::Member& QtWindow::At(Control c) const {
  auto it = members_.find(Key{c.name, c.index});
  if (it == members_.end()) throw std::out_of_range(NameOf(c) + " does not exist");
  return it->second;
}

QtWindow::Member& QtWindow::ListAt(Control c) { return const_cast<Member&>(std::as_const(*this).ListAt(c)); }

const QtWindow::Member& QtWindow::ListAt(Control c) const {
  const Member& m = At(c);
  if (m.kind != ControlKind::ComboBox) throw std::invalid_argument(NameOf(c) + " is not a list");
  return m;
}

QWidget* QtWindow::WidgetOf(Control c) const { return At(c).widget; }

bool QtWindow::Reachable(Control c) const {
  const Member& m = At(c);
  if (!m.visible || !m.enabled) return false;
  if (m.container == c.name) return true;
  const Member& frame = At(Ctl(m.container));
  return frame.visible && frame.enabled;
}

void QtWindow::FireClick(Control c) {
  if (sink_) sink_->Click(c);
}

std::string QtWindow::Text(Control c) const {
  const Member& m = At(c);
  switch (m.kind) {
    case ControlKind::CommandButton: return ToStd(WithoutMnemonic(static_cast<QAbstractButton*>(m.widget)->text()));
    case ControlKind::CheckBox:
    case ControlKind::OptionButton: return ToStd(static_cast<QAbstractButton*>(m.widget)->text());
    case ControlKind::Label: return ToStd(static_cast<QLabel*>(m.widget)->text());
    case ControlKind::Frame: return ToStd(static_cast<QGroupBox*>(m.widget)->title());
    case ControlKind::ComboBox: {
      auto* combo = static_cast<QComboBox*>(m.widget);
      return ToStd(combo->isEditable() ? combo->currentText()
                                       : (combo->currentIndex() >= 0 ? combo->currentText() : QString()));
    }
    case ControlKind::TextBox:
      if (auto* edit = qobject_cast<QPlainTextEdit*>(m.widget)) {
        std::string text;
        for (QTextBlock block = edit->document()->begin(); block.isValid(); block = block.next()) {
          if (block != edit->document()->begin()) text += "\r\n";
          text += ToStd(block.text());
        }
        return text;
      }
      return ToStd(static_cast<QLineEdit*>(m.widget)->text());
  }
  return {};
}

void QtWindow::SetText(Control c, std::string_view text) {
  Member& m = At(c);
  const QString s = ToQString(text);
  switch (m.kind) {
    case ControlKind::CommandButton: static_cast<QAbstractButton*>(m.widget)->setText(WithMnemonic(c, s)); break;
    case ControlKind::CheckBox:
    case ControlKind::OptionButton: static_cast<QAbstractButton*>(m.widget)->setText(s); break;
    case ControlKind::Label: static_cast<QLabel*>(m.widget)->setText(s); break;
    case ControlKind::Frame: static_cast<QGroupBox*>(m.widget)->setTitle(s); break;
    case ControlKind::ComboBox: {
      // The entry that reads the same is selected, without a click.
      auto* combo = static_cast<QComboBox*>(m.widget);
      const int index = combo->findText(s, Qt::MatchExactly | Qt::MatchCaseSensitive);
      const QSignalBlocker block(combo);
      combo->setCurrentIndex(index);
      if (combo->isEditable()) combo->setEditText(s);
      m.listIndex = static_cast<int16_t>(index);
      break;
    }
    case ControlKind::TextBox:
      if (auto* edit = qobject_cast<QPlainTextEdit*>(m.widget)) {
        // The text put back after "Write output to file" trimmed it is
        // still read where the user had scrolled to; another text shows its
        // start (or its end, once the caret is moved there).
        const QString document = ToDocumentText(text);
        const QString old = edit->toPlainText();
        if (document == old) break;
        const int vertical = edit->verticalScrollBar()->value();
        const int horizontal = edit->horizontalScrollBar()->value();
        const bool trimmed = !document.isEmpty() && old.contains(document);
        edit->setPlainText(document);
        if (trimmed) {
          edit->verticalScrollBar()->setValue(vertical);
          edit->horizontalScrollBar()->setValue(horizontal);
        }
      } else {
        auto* line = static_cast<QLineEdit*>(m.widget);
        line->setText(s);
        line->setCursorPosition(0);
      }
      break;
  }
}

void QtWindow::AppendText(Control c, std::string_view text) {
  Member& m = At(c);
  if (m.kind != ControlKind::TextBox) throw std::invalid_argument(NameOf(c) + " is not a text box");
  if (auto* edit = qobject_cast<QPlainTextEdit*>(m.widget)) {
    QTextCursor cursor(edit->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(ToDocumentText(text));
    return;
  }
  auto* line = static_cast<QLineEdit*>(m.widget);
  line->setText(line->text() + ToQString(text));
}

int32_t QtWindow::TextLength(Control c) const {
  const Member& m = At(c);
  if (auto* edit = qobject_cast<QPlainTextEdit*>(m.widget)) {
    // Counted block by block: every line end is the two characters CR LF.
    const QTextDocument* document = edit->document();
    int32_t n = 2 * (document->blockCount() - 1);
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) n += CodePoints(block.text());
    return n;
  }
  return CodePoints(ToQString(Text(c)));
}

void QtWindow::CaretToEnd(Control c) {
  Member& m = At(c);
  if (auto* edit = qobject_cast<QPlainTextEdit*>(m.widget)) {
    edit->moveCursor(QTextCursor::End);
    edit->ensureCursorVisible();
  } else if (auto* line = qobject_cast<QLineEdit*>(m.widget)) {
    line->end(false);
  }
}

void QtWindow::SetCompletions(Control c, std::span<const Completion> entries) {
  Member& m = At(c);
  const bool list = m.kind == ControlKind::ComboBox && EditableList(c.name);
  if (m.kind != ControlKind::TextBox && !list) throw std::invalid_argument(NameOf(c) + " takes no typed text");
  auto* line = list ? static_cast<QComboBox*>(m.widget)->lineEdit() : qobject_cast<QLineEdit*>(m.widget);
  QCompleter* completer = line != nullptr ? line->completer() : nullptr;
  if (completer == nullptr) return;
  auto* model = static_cast<QStandardItemModel*>(completer->model());
  model->clear();
  for (const Completion& entry : entries) {
    auto* item = new QStandardItem(QString::fromStdString(entry.shown));
    item->setData(QString::fromStdString(entry.entered), Qt::UserRole);
    model->appendRow(item);
  }
  if (entries.empty()) {
    completer->popup()->hide();
  } else if (line->hasFocus()) {
    // A narrow list's offers are wider than the list: the popup takes the
    // width of the longest.
    QAbstractItemView* popup = completer->popup();
    const int wanted = popup->sizeHintForColumn(0) + popup->verticalScrollBar()->sizeHint().width() + 8;
    completer->complete(QRect(0, 0, std::max(line->width(), wanted), line->height()));
  }
}

bool QtWindow::Visible(Control c) const { return At(c).visible; }

void QtWindow::SetVisible(Control c, bool visible) {
  Member& m = At(c);
  m.visible = visible;
  m.widget->setVisible(visible);
}

bool QtWindow::Enabled(Control c) const { return At(c).enabled; }

void QtWindow::SetEnabled(Control c, bool enabled) {
  Member& m = At(c);
  m.enabled = enabled;
  m.widget->setEnabled(enabled);
}

int16_t QtWindow::Value(Control c) const {
  const Member& m = At(c);
  if (m.kind == ControlKind::CheckBox) {
    switch (static_cast<QCheckBox*>(m.widget)->checkState()) {
      case Qt::Unchecked: return 0;
      case Qt::Checked: return 1;
      case Qt::PartiallyChecked: return 2;
    }
  }
  if (m.kind == ControlKind::OptionButton) return static_cast<QRadioButton*>(m.widget)->isChecked() ? 1 : 0;
  return 0;
}

void QtWindow::SetValue(Control c, int16_t value) {
  Member& m = At(c);
  if (m.kind == ControlKind::CheckBox) {
    // 2 is the greyed state; anything else is a slip.
    if (value < 0 || value > 2) throw std::out_of_range(NameOf(c) + ": check box value " + std::to_string(value));
    if (Value(c) == value) return;
    auto* box = static_cast<QCheckBox*>(m.widget);
    {
      const QSignalBlocker block(box);
      if (value == 2) {
        box->setTristate(true);
        box->setCheckState(Qt::PartiallyChecked);
      } else {
        box->setCheckState(value == 1 ? Qt::Checked : Qt::Unchecked);
        box->setTristate(false);
      }
    }
    FireClick(c);
    return;
  }
  if (m.kind != ControlKind::OptionButton) throw std::invalid_argument(NameOf(c) + " has no value");
  if (value != 0 && value != 1) throw std::out_of_range(NameOf(c) + ": option value " + std::to_string(value));
  auto* option = static_cast<QRadioButton*>(m.widget);
  if (value == 0) {
    // An exclusive option refuses to be cleared; the program may leave a
    // group with none selected.
    const QSignalBlocker block(option);
    option->setAutoExclusive(false);
    option->setChecked(false);
    option->setAutoExclusive(true);
    return;
  }
  if (option->isChecked()) return;
  {
    // The others of the frame drop out by the toolkit's own rule; their
    // toggles are not clicks.
    const QSignalBlocker block(option);
    option->setChecked(true);
  }
  FireClick(c);
}

int16_t QtWindow::ListIndex(Control c) const {
  const Member& m = ListAt(c);
  auto* combo = static_cast<QComboBox*>(m.widget);
  return combo->isEditable() ? m.listIndex : static_cast<int16_t>(combo->currentIndex());
}

void QtWindow::SetListIndex(Control c, int16_t index) {
  const bool changed = index != ListIndex(c);
  RestoreListIndex(c, index);
  if (changed && index >= 0) FireClick(c);
}

void QtWindow::RestoreListIndex(Control c, int16_t index) {
  Member& m = ListAt(c);
  auto* combo = static_cast<QComboBox*>(m.widget);
  if (index < -1 || index >= combo->count())
    throw std::out_of_range(NameOf(c) + ": list position " + std::to_string(index) + " of " +
                            std::to_string(combo->count()));
  if (index == ListIndex(c)) return;
  {
    const QSignalBlocker block(combo);
    combo->setCurrentIndex(index);
    if (combo->isEditable()) combo->setEditText(index >= 0 ? combo->itemText(index) : QString());
  }
  m.listIndex = index;
}

int16_t QtWindow::ListCount(Control c) const {
  return static_cast<int16_t>(static_cast<QComboBox*>(ListAt(c).widget)->count());
}

// Reading past the ends gives "", as the toolkit the program was designed on
// does; the program reads the entry at ListIndex without testing for -1.
std::string QtWindow::ListItem(Control c, int16_t index) const {
  auto* combo = static_cast<QComboBox*>(ListAt(c).widget);
  if (index < 0 || index >= combo->count()) return {};
  return ToStd(combo->itemText(index));
}

void QtWindow::SetListItem(Control c, int16_t index, std::string_view text) {
  auto* combo = static_cast<QComboBox*>(ListAt(c).widget);
  if (index < 0 || index >= combo->count())
    throw std::out_of_range(NameOf(c) + ": no list entry " + std::to_string(index));
  const QSignalBlocker block(combo);
  combo->setItemText(index, ToQString(text));
}

void QtWindow::AddItem(Control c, std::string_view text) {
  Member& m = ListAt(c);
  auto* combo = static_cast<QComboBox*>(m.widget);
  if (combo->count() >= 32767) throw std::length_error(NameOf(c) + ": list full");
  const int before = combo->currentIndex();
  const QString editText = combo->isEditable() ? combo->currentText() : QString();
  const QSignalBlocker block(combo);
  combo->addItem(ToQString(text));
  // The toolkit selects the first entry put into an empty list; the program
  // expects a list to stay without a selection until it chooses one.
  if (combo->currentIndex() != before) combo->setCurrentIndex(before);
  if (combo->isEditable()) combo->setEditText(editText);
}

void QtWindow::ClearList(Control c) {
  Member& m = ListAt(c);
  auto* combo = static_cast<QComboBox*>(m.widget);
  const QSignalBlocker block(combo);
  combo->clear();
  if (combo->isEditable()) combo->clearEditText();
  m.listIndex = -1;
}

int32_t QtWindow::ItemData(Control c, int16_t index) const {
  auto* combo = static_cast<QComboBox*>(ListAt(c).widget);
  if (index < 0 || index >= combo->count())
    throw std::out_of_range(NameOf(c) + ": no list entry " + std::to_string(index));
  return combo->itemData(index).toInt();
}

void QtWindow::SetItemData(Control c, int16_t index, int32_t data) {
  auto* combo = static_cast<QComboBox*>(ListAt(c).widget);
  if (index < 0 || index >= combo->count())
    throw std::out_of_range(NameOf(c) + ": no list entry " + std::to_string(index));
  combo->setItemData(index, data);
}

Rect QtWindow::Geometry(Control c) const { return At(c).rect; }

void QtWindow::SetGeometry(Control c, Rect r) {
  Member& m = At(c);
  if (m.rect == r) return;
  m.rect = r;
  PlaceWidget(m);
}

void QtWindow::PlaceWidget(const Member& m) {
  const int left = ToPixelsX(m.rect.Left), top = ToPixelsY(m.rect.Top);
  // Edges are rounded, not sizes, so controls that touch in twips touch on
  // the screen too.
  const int right = ToPixelsX(m.rect.Left + std::max<int32_t>(m.rect.Width, 0));
  const int bottom = ToPixelsY(m.rect.Top + std::max<int32_t>(m.rect.Height, 0));
  m.widget->setGeometry(left, top, right - left, bottom - top);
}

void QtWindow::SetForeColor(Control c, Rgb colour) {
  Member& m = At(c);
  if (m.hasForeColor && m.foreColor == colour) return;
  m.foreColor = colour;
  m.hasForeColor = true;
  ApplyPalette(m);
}

void QtWindow::SetBackColor(Control c, Rgb colour) {
  Member& m = At(c);
  if (m.hasBackColor && m.backColor == colour) return;
  m.backColor = colour;
  m.hasBackColor = true;
  ApplyPalette(m);
}

void QtWindow::ApplyPalette(Member& m) {
  QPalette palette = m.widget->palette();
  const QColor fore = ToQColor(m.foreColor);
  const QColor back = ToQColor(m.backColor);
  switch (m.kind) {
    case ControlKind::Label:
    case ControlKind::CheckBox:
    case ControlKind::OptionButton:
    case ControlKind::Frame:
      if (m.hasForeColor) {
        SetEnabledGroups(palette, QPalette::WindowText, fore);
        palette.setColor(QPalette::Disabled, QPalette::WindowText,
                         Dimmed(m.foreColor, m.hasBackColor ? m.backColor : Rgb{47, 8, 91}));
      }
      if (m.hasBackColor) {
        SetAllGroups(palette, QPalette::Window, back);
        m.widget->setAutoFillBackground(true);
      }
      break;
    case ControlKind::TextBox:
      if (m.hasForeColor) SetEnabledGroups(palette, QPalette::Text, fore);
      if (m.hasBackColor) SetAllGroups(palette, QPalette::Base, back);
      break;
    case ControlKind::CommandButton:
      if (m.hasForeColor) SetEnabledGroups(palette, QPalette::ButtonText, fore);
      if (m.hasBackColor) SetAllGroups(palette, QPalette::Button, back);
      break;
    case ControlKind::ComboBox:
      if (m.hasForeColor) {
        SetEnabledGroups(palette, QPalette::Text, fore);
        SetEnabledGroups(palette, QPalette::ButtonText, fore);
      }
      if (m.hasBackColor) {
        SetAllGroups(palette, QPalette::Base, back);
        SetAllGroups(palette, QPalette::Button, back);
      }
      break;
  }
  m.widget->setPalette(palette);
}

FontSpec QtWindow::Font(Control c) const { return At(c).font; }

void QtWindow::SetFont(Control c, const FontSpec& font) {
  Member& m = At(c);
  if (m.font == font) return;
  m.font = font;
  QFont f = m.widget->font();
  if (!font.name.empty()) f.setFamilies({ToQString(font.name)});
  if (font.size > 0) f.setPointSizeF(font.size);
  f.setBold(font.bold);
  m.widget->setFont(f);
}

void QtWindow::BringToFront(Control c) { At(c).widget->raise(); }

// A hidden or disabled control cannot take the focus; the request is dropped.
void QtWindow::SetFocus(Control c) {
  if (Reachable(c)) At(c).widget->setFocus(Qt::OtherFocusReason);
}

void QtWindow::Repaint(Control c) { At(c).widget->repaint(); }

std::string QtWindow::Caption() const { return ToStd(windowTitle()); }
void QtWindow::SetCaption(std::string_view caption) { setWindowTitle(ToQString(caption)); }

Rect QtWindow::OuterGeometry() const {
  const QRect frame = frameGeometry();
  return {ToTwipsX(frame.x()), ToTwipsY(frame.y()), ToTwipsX(frame.width()), ToTwipsY(frame.height())};
}

Rect QtWindow::FormGeometry() const {
  const Rect set = formRect_;
  const int formHeight = height() - ChromeHeight();
  if (formRectValid_ && ToPixelsX(set.Left) == x() && ToPixelsY(set.Top) == y() && ToPixelsX(set.Width) == width() &&
      ToPixelsY(set.Height) == formHeight)
    return set;
  return {ToTwipsX(x()), ToTwipsY(y()), ToTwipsX(width()), ToTwipsY(formHeight)};
}

void QtWindow::SetFormGeometry(Rect r) {
  // A minimised or maximised window keeps the place the desktop gave it.
  if (isMinimized() || isMaximized()) return;
  formRect_ = r;
  formRectValid_ = true;
  const QPoint position(ToPixelsX(r.Left), ToPixelsY(r.Top));
  if (position != pos()) move(position);
  const QSize size(ToPixelsX(r.Width), ToPixelsY(r.Height) + ChromeHeight());
  if (size != this->size()) resize(size);
}

WindowState QtWindow::State() const {
  if (isMinimized()) return WindowState::Minimized;
  if (isMaximized()) return WindowState::Maximized;
  return WindowState::Normal;
}

void QtWindow::SetBackColor(Rgb colour) {
  // Painted here rather than put in the palette: a palette would pass the
  // colour on to every child that has none of its own.
  formBackColor_ = colour;
  hasFormBackColor_ = true;
  update();
}

Rect QtWindow::ScreenSize() const {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return {};
  const QRect r = screen->geometry();
  return {0, 0, ToTwipsX(r.width()), ToTwipsY(r.height())};
}

void QtWindow::RepaintForm() { repaint(); }
void QtWindow::ShowForm() { show(); }

void QtWindow::EndProgram() {
  ending_ = true;
  timer_->stop();
  close();
  QCoreApplication::quit();
}

void QtWindow::ProcessPendingEvents() { QCoreApplication::processEvents(); }

MsgAnswer QtWindow::MessageBox(const MessageBoxRequest& request) {
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  switch (request.icon) {
    case MsgIcon::None: icon = QMessageBox::NoIcon; break;
    case MsgIcon::Information: icon = QMessageBox::Information; break;
    case MsgIcon::Exclamation: icon = QMessageBox::Warning; break;
    case MsgIcon::Question: icon = QMessageBox::Question; break;
  }
  QString text = ToQString(request.text);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  const QString title = request.title.empty() ? QString::fromUtf8(ProgramTitle) : ToQString(request.title);
  QMessageBox box(icon, title, text, QMessageBox::NoButton, this);
  box.setTextFormat(Qt::PlainText);
  // A check's title is the long caption of the button pressed.
  WidenForTitle(box);
  if (request.buttons == MsgButtons::Ok) {
    box.setStandardButtons(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
  } else {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    switch (request.defaultAnswer) {
      case MsgAnswer::Yes: box.setDefaultButton(QMessageBox::Yes); break;
      case MsgAnswer::No: box.setDefaultButton(QMessageBox::No); break;
      case MsgAnswer::Cancel: box.setDefaultButton(QMessageBox::Cancel); break;
      case MsgAnswer::Ok: break;
    }
    box.setEscapeButton(QMessageBox::Cancel);
  }
  box.exec();
  switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Yes: return MsgAnswer::Yes;
    case QMessageBox::No: return MsgAnswer::No;
    case QMessageBox::Cancel: return MsgAnswer::Cancel;
    default: break;
  }
  return request.buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
}

std::string QtWindow::ShowFileDialog(const FileDialogRequest& request) {
  // Flag 2 asks before an existing file is replaced; without it the name is
  // taken as it is.
  constexpr int32_t kOverwritePrompt = 2;
  QFileDialog::Options options;
  if ((request.flags & kOverwritePrompt) == 0) options |= QFileDialog::DontConfirmOverwrite;
  const QString name = QFileDialog::getSaveFileName(this, ToQString(request.title), ToQString(request.fileName),
                                                    QtFileFilter(request.filter), nullptr, options);
  return ToStd(name);
}

void QtWindow::PopUp(const PopUpRequest& request) {
  if (popUp_ == nullptr) popUp_ = new PopUpWindow(this);
  popUp_->PopUpInForm(this, ToQString(request.message), QSize(ToPixelsX(request.width), ToPixelsY(request.height)),
                      request.interval, QPoint(ToPixelsX(request.left), ToPixelsY(request.top) + menuBar_->height()));
}

void QtWindow::paintEvent(QPaintEvent* event) {
  if (hasFormBackColor_) {
    QPainter painter(this);
    painter.fillRect(rect(), ToQColor(formBackColor_));
  }
  QWidget::paintEvent(event);
}

void QtWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayOutChrome();
  if (sink_ && !isMinimized()) sink_->Resize();
}

// Closing the window is the program's own decision (it may ask to save
// first, or wait for a run to stop); the toolkit's close is refused until
// the program ends itself.
void QtWindow::closeEvent(QCloseEvent* event) {
  if (ending_ || sink_ == nullptr) {
    event->accept();
    return;
  }
  event->ignore();
  sink_->CloseRequested();
  if (ending_) event->accept();
}

bool QtWindow::eventFilter(QObject* watched, QEvent* event) {
  const auto found = controlOf_.find(watched);
  if (found == controlOf_.end() || sink_ == nullptr) return QWidget::eventFilter(watched, event);
  const Control c = found->second;
  if (event->type() == QEvent::FocusOut) {
    if (watched == enterPressedIn_) enterPressedIn_ = nullptr;
    // Leaving the window (another window or a menu coming to the front) is
    // not leaving the box; nor is the box losing the focus because it was
    // hidden or disabled.
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    const Member& m = At(c);
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && m.visible && m.enabled)
      sink_->LostFocus(c);
  } else if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (!key->isAutoRepeat() && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
      // Only a release whose press this control saw counts: the Enter that
      // closes a message box is pressed in the box and released wherever
      // the focus returns, and must not start what the box just answered.
      if (event->type() == QEvent::KeyPress) {
        enterPressedIn_ = watched;
      } else if (enterPressedIn_ == watched) {
        enterPressedIn_ = nullptr;
        sink_->KeyUp(c, kEnterKeyCode);
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace skyloom
