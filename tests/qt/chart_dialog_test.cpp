// The chart list on Qt widgets: a collection it cannot use is told and
// left alone, and a chart chosen fills the birth inputs.
#include <QtTest>
#include <QtWidgets>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "qt/chart_dialog.h"
#include "qt/support/qt_form.h"
#include "store/chart_store.h"

namespace skyloom {

using N = ControlName;

class ChartDialogTest : public QObject {
  Q_OBJECT

  std::filesystem::path Folder() const { return dir_.path().toStdString(); }

 private slots:
  void init() { qt_ = std::make_unique<test::QtForm>(); }
  void cleanup() { qt_.reset(); }

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
    test::ModalWatcher watcher([&told](QWidget* modal) {
      if (auto* box = qobject_cast<QMessageBox*>(modal)) told = box->text();
      modal->close();
    });
    ShowChartDialog(qt_->window, qt_->form.State(), path.string());
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
    test::ModalWatcher watcher([&rows](QWidget* modal) {
      auto* list = modal->findChild<QListWidget*>("lstCharts");
      rows = list != nullptr ? list->count() : -1;
      if (list != nullptr) list->setCurrentRow(1);
      if (auto* use = modal->findChild<QPushButton*>("cmdUseChart")) use->click();
      if (modal->isVisible()) modal->close();
    });
    ShowChartDialog(qt_->window, qt_->form.State(), path);
    QCOMPARE(rows, 2);
    QCOMPARE(QString::fromStdString(qt_->window.Text(Ctl(N::txbYear, 2))), QString("1985"));
    QCOMPARE(QString::fromStdString(qt_->window.Text(Ctl(N::txbDay, 2))), QString("4"));
    QCOMPARE(QString::fromStdString(qt_->window.Text(Ctl(N::cboTimezone, 1))), QString("Europe/Berlin"));
  }

 private:
  QTemporaryDir dir_;
  std::unique_ptr<test::QtForm> qt_;
};

}  // namespace skyloom

QTEST_MAIN(skyloom::ChartDialogTest)
#include "chart_dialog_test.moc"
