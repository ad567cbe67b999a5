// The QSettings store on real files in a temporary folder (QSettings is
// pointed there before any store is made): saves that cannot be written,
// and files cut short or damaged.
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

#include "ports/memory_window.h"
#include "ports/shell.h"
#include "state/registry.h"
#include "state/saved_state.h"
#include "ui/main_form.h"
#include "ui/qt/qt_settings_store.h"

namespace skyloom {
namespace {

struct NoShell : Shell {
  int OpenDocument(const std::string&) override { return 0; }
};

// A window in memory that restores from the store at start-up and saves to it.
struct Form {
  explicit Form(SettingsStore& store)
      : form(window, shell, {{}, [&store](FormState& s) { return SaveProgramState(s, store); },
                             [&store](FormState& s) { return RestoreProgramState(s, store); }}) {
    window.LoadDesign();
    form.Load();
  }
  MemoryWindow window; NoShell shell; MainForm form;
};

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
void WriteAll(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath()); QFile file(path);
  if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(bytes);
}

// Every saved value the store holds, "" where it holds none.
std::vector<std::string> StoredValues(SettingsStore& store) {
  std::vector<std::string> values(SavedStateValues().size());
  for (size_t i = 0; i < values.size(); ++i)
    RestoreRegistryString(store, SavedStateValues()[i].keyPart, SavedStateValues()[i].name, values[i], false, "");
  return values;
}

}  // namespace

class SettingsStoreTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> folder_;
  QString Folder() const { return folder_->path() + "/Quillfern"; }
  QString FilePath() const { return Folder() + "/SKL.conf"; }

 private slots:
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

  // A new folder each time: QSettings keeps what it read of a file unchanged.
  void init() {
    folder_ = std::make_unique<QTemporaryDir>();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder_->path());
  }

  // The message names the file and gives the system's reason.
  void aSaveThatCannotBeWrittenSaysWhy() {
    const struct {
      std::function<void()> make;
      const char* reason;
      bool needsNonRoot;
    } kCases[] = {{[&] { WriteAll(Folder(), "not a folder"); }, "Not a directory", false},
                  {[&] { QDir().mkpath(FilePath()); }, "Is a directory", false},
                  {[&] { QDir().mkpath(Folder()), QFile::setPermissions(Folder(), QFile::ReadOwner | QFile::ExeOwner); },
                   "Permission denied", true}};
    for (const auto& c : kCases) {
      if (c.needsNonRoot && ::geteuid() == 0) continue;  // root writes in any folder
      QFile::setPermissions(Folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
      QDir(Folder()).removeRecursively(); QFile::remove(Folder()); c.make(); QtSettingsStore store; Form form(store);
      form.form.Click(Ctl(ControlName::cmdSaveState));
      QCOMPARE(form.window.MessageBoxes().at(0).text, "Error saving to registry:\r\n" + FilePath().toStdString() + ": " + c.reason);
      QVERIFY(!form.form.State().StateRecentlySaved);
    }
    QFile::setPermissions(Folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }

  // A save cut off by a crash leaves its temporary file, which is not read;
  // a file cut anywhere still loads, each value either as saved or missing.
  void aSaveCutShortLeavesWhatWasSaved() {
    std::vector<std::string> saved;
    {
      QtSettingsStore store; Form form(store);
      form.window.SetText(Ctl(ControlName::txbStopDate), "2040");
      form.form.Click(Ctl(ControlName::cmdSaveState));
      saved = StoredValues(store);
    }
    WriteAll(FilePath() + ".Xk3fQa", "[General]\nStop=half"); QtSettingsStore store;
    QCOMPARE(StoredValues(store), saved);
    const QByteArray whole = ReadAll(FilePath());
    for (qsizetype length = whole.size(); length >= 0; --length) {
      WriteAll(FilePath(), whole.left(length)); QtSettingsStore cut;
      QCOMPARE(cut.Damaged(), length > 0 && whole[length - 1] != '\n');
      const std::vector<std::string> values = StoredValues(cut);
      for (size_t i = 0; i < values.size(); ++i)
        QVERIFY2(values[i].empty() || values[i] == saved[i], qPrintable(QString("cut at %1").arg(length)));
      QVERIFY(Form(cut).form.State().FormLoaded);
    }
  }

  // Garbage gives the defaults, stays untouched until the next save, and
  // is then kept aside while the new file holds only the saved values.
  void aGarbageFileIsReplacedByTheNextSave() {
    static constexpr char kGarbage[] = "\x00\x01\xff\xfe[Year\n0=20\n=x\n[[\n";
    const QByteArray garbage(kGarbage, sizeof kGarbage - 1);
    WriteAll(FilePath(), garbage); QtSettingsStore store; Form form(store);
    QCOMPARE(form.window.ListIndex(Ctl(ControlName::cboOrbs, 0)), int16_t{9});
    QCOMPARE(ReadAll(FilePath()), garbage);
    form.form.Click(Ctl(ControlName::cmdSaveState));
    QVERIFY(form.window.MessageBoxes().empty());
    QCOMPARE(ReadAll(FilePath() + ".damaged"), garbage);
    QSettings plain(FilePath(), QSettings::IniFormat);
    QCOMPARE(plain.allKeys().size(), qsizetype(SavedStateValues().size()));
  }
};

}  // namespace skyloom

QTEST_GUILESS_MAIN(skyloom::SettingsStoreTest)
#include "settings_store_test.moc"
