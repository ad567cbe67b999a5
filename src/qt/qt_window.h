// The main window on Qt widgets: one real widget per control, placed at its
// design position, with the user's actions forwarded to the core's handlers.
// The widgets carry no behaviour of their own beyond what the toolkit gives;
// everything the program does happens in the WindowEvents sink.
#pragma once

#include <QWidget>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ports/window.h"

class QMenu;
class QMenuBar;
class QProgressBar;
class QStatusBar;
class QTimer;

namespace skyloom {

class PopUpWindow;

// The menus of the window's menu bar, left to right.
enum class WindowMenu { File, Run, Options, Help };

// "HTML files *.htm, *.html | *.htm;*.html" -> "HTML files (*.htm *.html)".
// Pairs of description and patterns, separated by "|", become Qt's
// "Description (patterns)" entries joined by ";;". The description's own
// copy of the patterns is dropped, Qt shows them in the parentheses.
QString QtFileFilter(std::string_view filter);

class QtWindow : public QWidget, public Window {
  Q_OBJECT

 public:
  explicit QtWindow(QWidget* parent = nullptr);
  ~QtWindow() override;

  // The widget of one member: QPushButton, QLineEdit, QPlainTextEdit
  // (txbOutput), QComboBox, QCheckBox, QRadioButton, QLabel or QGroupBox.
  // Each also carries the member's name as its objectName ("txbYear(2)",
  // "cmdStart").
  QWidget* WidgetOf(Control c) const;
  template <typename T>
  T* As(Control c) const {
    return qobject_cast<T*>(WidgetOf(c));
  }
  // A menu of the menu bar above the form; the menus are empty until
  // their entries are added (AddWindowMenus).
  QMenu* Menu(WindowMenu menu) const;
  QMenuBar* MenuBar() const { return menuBar_; }
  // The bar under the form that shows a run's progress.
  QProgressBar* ProgressBar() const { return progress_; }
  // What the user's press of a control's button does, for the menus and
  // their shortcuts.
  void Press(Control c) { FireClick(c); }
  // The widgets that take the focus, in the order Tab visits them.
  std::vector<QWidget*> TabOrder() const;
  // The window's frame on the desktop, twips.
  Rect OuterGeometry() const;
  // Conversions with the screen's logical resolution.
  int ToPixelsX(int32_t twips) const;
  int ToPixelsY(int32_t twips) const;
  int32_t ToTwipsX(int pixels) const;
  int32_t ToTwipsY(int pixels) const;

  // Window
  void SetEventSink(WindowEvents* sink) override { sink_ = sink; }
  std::string Text(Control c) const override;
  void SetText(Control c, std::string_view text) override;
  void AppendText(Control c, std::string_view text) override;
  int32_t TextLength(Control c) const override;
  void CaretToEnd(Control c) override;
  void SetCompletions(Control c, std::span<const Completion> entries) override;
  bool Visible(Control c) const override;
  void SetVisible(Control c, bool visible) override;
  bool Enabled(Control c) const override;
  void SetEnabled(Control c, bool enabled) override;
  int16_t Value(Control c) const override;
  void SetValue(Control c, int16_t value) override;
  int16_t ListIndex(Control c) const override;
  void SetListIndex(Control c, int16_t index) override;
  void RestoreListIndex(Control c, int16_t index) override;
  int16_t ListCount(Control c) const override;
  std::string ListItem(Control c, int16_t index) const override;
  void SetListItem(Control c, int16_t index, std::string_view text) override;
  void AddItem(Control c, std::string_view text) override;
  void ClearList(Control c) override;
  int32_t ItemData(Control c, int16_t index) const override;
  void SetItemData(Control c, int16_t index, int32_t data) override;
  Rect Geometry(Control c) const override;
  void SetGeometry(Control c, Rect r) override;
  void SetForeColor(Control c, Rgb colour) override;
  void SetBackColor(Control c, Rgb colour) override;
  FontSpec Font(Control c) const override;
  void SetFont(Control c, const FontSpec& font) override;
  void BringToFront(Control c) override;
  void SetFocus(Control c) override;
  void Repaint(Control c) override;
  std::string Caption() const override;
  void SetCaption(std::string_view caption) override;
  // Left and Top: the frame's position on the desktop; Width and Height: the
  // client area, as QWidget's pos() and size() measure them.
  Rect FormGeometry() const override;
  void SetFormGeometry(Rect r) override;
  WindowState State() const override;
  void SetBackColor(Rgb colour) override;
  Rect ScreenSize() const override;
  void RepaintForm() override;
  void ShowForm() override;
  void EndProgram() override;
  void ProcessPendingEvents() override;
  MsgAnswer MessageBox(const MessageBoxRequest& request) override;
  std::string ShowFileDialog(const FileDialogRequest& request) override;
  void PopUp(const PopUpRequest& request) override;
  void ShowProgress(std::string_view day, int16_t percent) override;
  void HideProgress() override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Member {
    ControlKind kind = ControlKind::Label;
    ControlName container{};
    QWidget* widget = nullptr;
    // The toolkit's own flags would also reflect the frame and whether the
    // window is shown yet; the program asks about the control itself.
    bool visible = true;
    bool enabled = true;
    // Twips as last set, so reading a position back gives exactly what was
    // written even where pixels round.
    Rect rect;
    FontSpec font;
    Rgb foreColor{0, 0, 0};
    Rgb backColor{255, 255, 255};
    bool hasForeColor = false;
    bool hasBackColor = false;
    // Editable lists keep their own position: typed text that matches no
    // entry leaves the list without a selection while the box still shows it.
    int16_t listIndex = -1;
  };
  using Key = std::pair<ControlName, int16_t>;

  void BuildControls();
  QWidget* MakeWidget(Control c, ControlKind kind, QWidget* parent);
  void Wire(Control c, Member& m);
  Member& At(Control c);
  const Member& At(Control c) const;
  Member& ListAt(Control c);
  const Member& ListAt(Control c) const;
  bool Reachable(Control c) const;
  void PlaceWidget(const Member& m);
  void ApplyPalette(Member& m);
  void FireClick(Control c);
  void SetTabOrder();
  // Pixels of the menu bar and the status bar, which the form does not count.
  int ChromeHeight() const;
  void LayOutChrome();

  std::map<Key, Member> members_;
  std::map<const QObject*, Control> controlOf_;
  WindowEvents* sink_ = nullptr;
  QTimer* timer_ = nullptr;
  QMenuBar* menuBar_ = nullptr;
  std::map<WindowMenu, QMenu*> menus_;
  // The controls' own area between the two bars.
  QWidget* form_ = nullptr;
  QStatusBar* statusBar_ = nullptr;
  QProgressBar* progress_ = nullptr;
  PopUpWindow* popUp_ = nullptr;
  // The form's geometry as last set, returned while the window still has
  // the pixel size it was given.
  Rect formRect_;
  bool formRectValid_ = false;
  Rgb formBackColor_;
  bool hasFormBackColor_ = false;
  bool ending_ = false;
  // The control that saw the last press of Enter not yet released.
  const QObject* enterPressedIn_ = nullptr;
};

}  // namespace skyloom
