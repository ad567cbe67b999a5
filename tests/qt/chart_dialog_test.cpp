// The chart list on Qt widgets: a collection it cannot use is told and
// left alone, and a chart chosen fills the birth inputs.
#include <QtTest>
#include <QtWidgets>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "ports/shell.h"
#include "qt/chart_dialog.h"
#include "qt/qt_window.h"
#include "runs/form_state.h"
#include "store/chart_store.h"
#include "ui/main_form.h"

namespace skyloom {

using N = ControlName;

class ChartDialogTest : public QObject {
  Q_OBJECT

  // Acts on the modal widget once it is up (the dialog or its message).
  void WhenModal(std::function<void(QWidget*)> act) {
    QTimer::singleShot(50, this, [act] {
      QWidget* modal = QApplication::activeModalWidget();
      if (modal != nullptr) act(modal);
    });
  }

  std::filesystem::path Folder() const { return dir_.path().toStdString(); }

 private slots:
  void init() {
    window_ = std::make_unique<QtWindow>();
    form_ = std::make_unique<MainForm>(*window_, shell_);
    form_->Load();
  }
  void cleanup() {
    form_.reset();
    window_.reset();
  }

  // A file that is no collection, or a newer program's, gets a message
  // naming it, and keeps its bytes.
  void unusableCollectionsAreToldAndKept_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("not a collection") << QByteArray("name,birth\r\nAda,1815-12-10\r\n");
    QTest::newRow("empty database header") << QByteArray("SQLite format 3\0garbage", 23);
  }
  void unusableCollectionsAreToldAndKept() {
    QFETCH(QByteArray, bytes);
    const std::filesystem::path path = Folder() / "damaged.sqlite";
    {
      std::ofstream out(path, std::ios::binary);
      out.write(bytes.constData(), bytes.size());
    }
    QString told;
    WhenModal([&told](QWidget* modal) {
      if (auto* box = qobject_cast<QMessageBox*>(modal)) told = box->text();
      modal->close();
    });
    ShowChartDialog(*window_, form_->State(), path.string());
    QVERIFY2(told.contains(QString::fromStdString(path.string())), qPrintable(told));
    std::ifstream in(path, std::ios::binary);
    const std::string kept((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    QCOMPARE(QByteArray::fromStdString(kept), bytes);
  }

  // The list holds the charts by name; Use puts the chosen one's birth into
  // the inputs.
  void aChosenChartFillsTheBirthInputs() {
    const std::string path = (Folder() / "charts.sqlite").string();
    {
      ChartStore store(path);
      store.Add({"Ada", "1815-12-10", "13:00", "GMT", "", {}, {}, "", {}, ""});
      store.Add({"Bea", "1985-07-04", "14:37", "Europe/Berlin", "", {}, {}, "", {}, ""});
    }
    int rows = -1;
    WhenModal([&rows](QWidget* modal) {
      auto* list = modal->findChild<QListWidget*>("lstCharts");
      rows = list != nullptr ? list->count() : -1;
      if (list != nullptr) list->setCurrentRow(1);
      if (auto* use = modal->findChild<QPushButton*>("cmdUseChart")) use->click();
      if (modal->isVisible()) modal->close();
    });
    ShowChartDialog(*window_, form_->State(), path);
    QCOMPARE(rows, 2);
    QCOMPARE(QString::fromStdString(window_->Text(Ctl(N::txbYear, 2))), QString("1985"));
    QCOMPARE(QString::fromStdString(window_->Text(Ctl(N::txbDay, 2))), QString("4"));
    QCOMPARE(QString::fromStdString(window_->Text(Ctl(N::cboTimezone, 1))), QString("Europe/Berlin"));
  }

 private:
  QTemporaryDir dir_;
  std::unique_ptr<QtWindow> window_;
  struct : Shell {
    int OpenDocument(const std::string&) override { return 0; }
  } shell_;
  std::unique_ptr<MainForm> form_;
};

}  // namespace skyloom

QTEST_MAIN(skyloom::ChartDialogTest)
#include "chart_dialog_test.moc"
