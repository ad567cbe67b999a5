#include "qt/chart_dialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "qt/qt_window.h"
#include "store/chart_store.h"
#include "ui/chart_list.h"

namespace skyloom {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// "Ada Lovelace  1815-12-10 13:00 GMT, London": a chart as its line.
QString ChartLine(const StoredChart& c) {
  std::string line = c.name + "    " + c.birthDate + " " + c.birthTime + " " + c.birthZone;
  if (!c.placeName.empty()) line += ", " + c.placeName;
  if (c.zodiac == "sidereal") line += " (sidereal)";
  return Q(line);
}

class ChartDialog : public QDialog {
 public:
  ChartDialog(QtWindow& window, FormState& state, std::unique_ptr<ChartStore> store)
      : QDialog(&window), state_(state), store_(std::move(store)) {
    setObjectName("dlgCharts");
    setWindowTitle(tr("Charts"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(Q(store_->Path()), this));
    list_ = new QListWidget(this);
    list_->setObjectName("lstCharts");
    list_->setMinimumSize(520, 260);
    layout->addWidget(list_);
    auto* buttons = new QHBoxLayout;
    use_ = Button(buttons, "cmdUseChart", tr("&Use"), [this] { Use(); });
    Button(buttons, "cmdSaveChart", tr("&Save birth data as..."), [this] { Save(); });
    rename_ = Button(buttons, "cmdRenameChart", tr("&Rename..."), [this] { Rename(); });
    delete_ = Button(buttons, "cmdDeleteChart", tr("&Delete"), [this] { Delete(); });
    buttons->addStretch();
    Button(buttons, "cmdCloseCharts", tr("&Close"), [this] { reject(); });
    layout->addLayout(buttons);
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { Use(); });
    connect(list_, &QListWidget::currentRowChanged, this, [this] { Enable(); });
    Fill();
  }

 private:
  QPushButton* Button(QHBoxLayout* row, const char* name, const QString& text, std::function<void()> act) {
    auto* button = new QPushButton(text, this);
    button->setObjectName(name);
    connect(button, &QPushButton::clicked, this, act);
    row->addWidget(button);
    return button;
  }

  // Each change is read back from the collection: another program may
  // have changed it meanwhile.
  void Fill(const std::string& select = {}) {
    list_->clear();
    try {
      charts_ = store_->List();
    } catch (const StoreError& e) {
      Tell(e.what());
      charts_.clear();
    }
    for (const StoredChart& c : charts_) list_->addItem(ChartLine(c));
    int row = charts_.empty() ? -1 : 0;
    for (size_t k = 0; k < charts_.size(); ++k)
      if (charts_[k].name == select) row = static_cast<int>(k);
    list_->setCurrentRow(row);
    Enable();
  }

  void Enable() {
    const bool chosen = Chosen() != nullptr;
    for (QPushButton* b : {use_, rename_, delete_}) b->setEnabled(chosen);
  }

  const StoredChart* Chosen() const {
    const int row = list_->currentRow();
    return row >= 0 && row < static_cast<int>(charts_.size()) ? &charts_[static_cast<size_t>(row)] : nullptr;
  }

  void Tell(const std::string& text) { QMessageBox::warning(this, windowTitle(), Q(text)); }

  void Use() {
    if (const StoredChart* c = Chosen()) {
      FillBirthFromChart(state_, *c);
      accept();
    }
  }

  // A name typed into a question box; empty when none was given.
  std::string AskName(const QString& title, const QString& label, const std::string& initial) {
    bool ok = false;
    const std::string name =
        QInputDialog::getText(this, title, label, QLineEdit::Normal, Q(initial), &ok).trimmed().toStdString();
    return ok ? name : std::string();
  }

  // A change of the collection, the list then showing the chart named; a
  // refusal of the collection's is told and the list left as it was.
  void Change(const std::function<void()>& change, const std::string& shown) {
    try {
      change();
    } catch (const StoreError& e) {
      return Tell(e.what());
    }
    Fill(shown);
  }

  void Save() {
    const std::string name = AskName(tr("Save birth data as"), tr("Name of the chart:"), {});
    if (name.empty()) return;
    const std::variant<StoredChart, Notice> chart = ChartFromWindow(state_, name);
    if (const Notice* refusal = std::get_if<Notice>(&chart)) return Tell(refusal->text);
    Change([&] { store_->Add(std::get<StoredChart>(chart)); }, name);
  }

  void Rename() {
    const StoredChart* c = Chosen();
    if (c == nullptr) return;
    const std::string from = c->name;
    const std::string to = AskName(tr("Rename chart"), tr("New name:"), from);
    if (to.empty() || to == from) return;
    Change([&] { store_->Rename(from, to); }, to);
  }

  void Delete() {
    const StoredChart* c = Chosen();
    if (c == nullptr) return;
    const std::string name = c->name;
    if (QMessageBox::question(this, windowTitle(), tr("Delete the chart %1?").arg(Q(name))) != QMessageBox::Yes) return;
    try {
      if (!store_->Remove(name)) Tell("There is no chart " + name + ".");
    } catch (const StoreError& e) {
      Tell(e.what());
    }
    Fill();
  }

  FormState& state_;
  std::unique_ptr<ChartStore> store_;
  std::vector<StoredChart> charts_;
  QListWidget* list_ = nullptr;
  QPushButton *use_ = nullptr, *rename_ = nullptr, *delete_ = nullptr;
};

}  // namespace

void ShowChartDialog(QtWindow& window, FormState& state, const std::string& storePath) {
  std::unique_ptr<ChartStore> store;
  try {
    store = std::make_unique<ChartStore>(storePath);
  } catch (const StoreError& e) {
    // A damaged collection, or one of a newer program, is left as it is.
    QMessageBox::warning(&window, QObject::tr("Charts"),
                         QObject::tr("The chart collection %1 cannot be used: %2").arg(Q(storePath), Q(e.what())));
    return;
  }
  ChartDialog dialog(window, state, std::move(store));
  dialog.exec();
}

}  // namespace skyloom
