// The QSettings store on real files, in a temporary folder: QSettings is
// pointed there before any store is made, so no test touches the user's
// own settings.
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ports/memory_window.h"
#include "ports/shell.h"
#include "state/registry.h"
#include "state/saved_state.h"
#include "ui/main_form.h"
#include "ui/qt/qt_settings_store.h"

namespace skyloom {
namespace {

constexpr const char* kSkl = "Software\\Quillfern\\SKL";

class NoShell : public Shell {
 public:
  int OpenDocument(const std::string&) override { return 0; }
};

// A main window in memory whose Save state and Restore state use the store;
// it restores from it at start-up.
struct Form {
  explicit Form(SettingsStore& store) : form(window, shell, Services(store)) {
    window.LoadDesign();
    form.Load();
  }
  static MainFormServices Services(SettingsStore& store) {
    MainFormServices services;
    services.saveState = [&store](FormState& state) { return SaveProgramState(state, store); };
    services.restoreState = [&store](FormState& state) { return RestoreProgramState(state, store); };
    return services;
  }
  MemoryWindow window;
  NoShell shell;
  MainForm form;
};

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  QCOMPARE(file.write(bytes), bytes.size());
}

ino_t Inode(const QString& path) {
  struct stat info {};
  return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

// Every saved value the store holds, "" where it holds none.
std::vector<std::string> StoredValues(SettingsStore& store) {
  std::vector<std::string> values;
  for (const SavedValueName& saved : SavedStateValues()) {
    std::string value;
    RestoreRegistryString(store, saved.keyPart, saved.name, value, false, "");
    values.push_back(value);
  }
  return values;
}

}  // namespace

class SettingsStoreTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
#ifdef Q_OS_WIN
    QSKIP("the native store is the registry here, not a file");
#endif
    QStandardPaths::setTestModeEnabled(true);
  }

  // A new folder for each test: QSettings keeps what it read of a file for
  // as long as the file looks unchanged, across its objects.
  void init() {
    folder_ = std::make_unique<QTemporaryDir>();
    QVERIFY(folder_->isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder_->path());
  }

  void valuesRoundTripThroughTheFile() {
    const std::vector<std::string> kTexts = {
        " ",           "2020",       "a, b",          "@x",          "x=y",        "#no comment",
        ";semi",       "\"quoted\"", "back\\slash",   "äö ° ü",      "[Section]",  "two  blanks  ",
        "line\r\nend", "-1",         std::string(5000, 'z'),
    };
    {
      QtSettingsStore store;
      QCOMPARE(store.Location(), FilePath());
      std::string value;
      QCOMPARE(RegistryReadValue(store, kSkl, "Top0", value), std::string("1 Key not found or is empty."));
      for (size_t i = 0; i < kTexts.size(); ++i) {
        QVERIFY(SaveRegistryString(store, "\\SKL", "Top" + std::to_string(i), kTexts[i], false));
        QVERIFY(SaveRegistryString(store, "\\SKL\\Deep\\Er", std::to_string(i), kTexts[i], false));
      }
      QCOMPARE(store.Flush(), StoreSuccess);
    }
    QtSettingsStore store;
    for (size_t i = 0; i < kTexts.size(); ++i) {
      std::string top, deep;
      QVERIFY(RestoreRegistryString(store, "\\SKL", "Top" + std::to_string(i), top, false, "default"));
      QVERIFY(RestoreRegistryString(store, "\\SKL\\Deep\\Er", std::to_string(i), deep, false, "default"));
      QCOMPARE(top, kTexts[i]);
      QCOMPARE(deep, kTexts[i]);
    }
    std::string value;
    QCOMPARE(RegistryReadValue(store, kSkl, "Missing", value), std::string("3 Name not found."));
    QCOMPARE(RegistryReadValue(store, std::string(kSkl) + "\\Year", "0", value),
             std::string("1 Key not found or is empty."));
    QCOMPARE(RegistryReadValue(store, std::string(kSkl) + "\\Deep", "0", value),
             std::string("3 Name not found."));
    // Only the program's own key is this store's, and QSettings' separator
    // is no part of a name.
    QCOMPARE(RegistryWriteValue(store, "Software\\Quillfern\\SKLX", "A", "1"),
             std::string("5 Unable to create (or find) key.  Access is denied."));
    QCOMPARE(RegistryWriteValue(store, kSkl, "A/B", "1"),
             std::string("87 Unable to write value.  The parameter is incorrect."));

    // Key parts are QSettings groups, read by QSettings itself.
    QSettings plain(FilePath(), QSettings::IniFormat);
    QCOMPARE(plain.value("Top1").toString(), QString("2020"));
    QCOMPARE(plain.value("Deep/Er/1").toString(), QString("2020"));
  }

  void programStateRoundTripsThroughTheFile() {
    {
      QtSettingsStore store;
      Form first(store);
      QVERIFY(first.window.Click(Ctl(ControlName::optWorld)));
      first.window.SetListIndex(Ctl(ControlName::cboPlanet, 0), 5);
      first.window.SetListIndex(Ctl(ControlName::cboPlanet, 1), 7);
      first.window.SetText(Ctl(ControlName::txbYear, 0), "1987");
      first.form.Click(Ctl(ControlName::cmdSaveState));
      QVERIFY(first.window.MessageBoxes().empty());
      QCOMPARE(first.window.PopUps().size(), size_t{1});
    }
    QtSettingsStore store;
    Form second(store);
    QCOMPARE(second.window.Value(Ctl(ControlName::optWorld)), int16_t{1});
    QCOMPARE(second.window.Text(Ctl(ControlName::cboPlanet, 0)), std::string("Saturn"));
    QCOMPARE(second.window.Text(Ctl(ControlName::cboPlanet, 1)), std::string("Pluto"));
    QCOMPARE(second.window.Text(Ctl(ControlName::txbYear, 0)), std::string("1987"));
    QVERIFY(!second.window.Visible(Ctl(ControlName::fraBirthDate)));
  }

  // QSettings writes a temporary file and renames it over the old one: a
  // reader of the old file sees it whole to the end, and the name then
  // stands for a new file.
  void aSaveReplacesTheFileWhole() {
    QtSettingsStore store;
    QVERIFY(SaveRegistryString(store, "\\SKL", "Text", "old", false));
    QCOMPARE(store.Flush(), StoreSuccess);
    const QByteArray oldBytes = ReadAll(FilePath());
    const ino_t oldInode = Inode(FilePath());
    QFile oldFile(FilePath());
    QVERIFY(oldFile.open(QIODevice::ReadOnly));

    QVERIFY(SaveRegistryString(store, "\\SKL", "Text", std::string(20000, 'n'), false));
    QCOMPARE(store.Flush(), StoreSuccess);
    QCOMPARE(oldFile.readAll(), oldBytes);
    QVERIFY(Inode(FilePath()) != oldInode);
    QVERIFY(ReadAll(FilePath()).contains(QByteArray(20000, 'n')));
    QCOMPARE(QDir(folder_->path() + "/Quillfern").entryList(QDir::Files), QStringList{"SKL.conf"});

    // What a save cut off by a crash leaves behind, its temporary file, is
    // not read.
    WriteAll(FilePath() + ".Xk3fQa", "[General]\nText=half");
    QtSettingsStore later;
    std::string value;
    QVERIFY(RestoreRegistryString(later, "\\SKL", "Text", value, false, ""));
    QCOMPARE(value, std::string(20000, 'n'));
  }

  // Cut anywhere, the file still loads: a value is either the one saved or
  // missing, never a part of it, and the window still comes up.
  void aCutShortFileStillLoads() {
    std::vector<std::string> saved;
    {
      QtSettingsStore store;
      Form form(store);
      form.window.SetText(Ctl(ControlName::txbYear, 2), "1961");
      form.window.SetText(Ctl(ControlName::txbStopDate), "2040");
      form.form.Click(Ctl(ControlName::cmdSaveState));
      saved = StoredValues(store);
    }
    const QByteArray whole = ReadAll(FilePath());
    QVERIFY(whole.endsWith('\n'));
    for (qsizetype length = whole.size(); length >= 0; --length) {
      WriteAll(FilePath(), whole.left(length));
      QtSettingsStore store;
      const bool atLineEnd = length == 0 || whole[length - 1] == '\n';
      QCOMPARE(store.Damaged(), !atLineEnd);
      const std::vector<std::string> values = StoredValues(store);
      for (size_t i = 0; i < values.size(); ++i)
        if (!values[i].empty() && values[i] != saved[i])
          QFAIL(qPrintable(QString("cut at %1: %2 read as \"%3\", saved \"%4\"")
                               .arg(length)
                               .arg(QString::fromUtf8(SavedStateValues()[i].name.data()))
                               .arg(QString::fromStdString(values[i]), QString::fromStdString(saved[i]))));
      Form form(store);
      QVERIFY(form.form.State().FormLoaded);
    }
  }

  void aGarbageFileGivesTheDefaultsAndIsReplacedByTheNextSave() {
    static constexpr char kGarbage[] = "\x00\x01\xff\xfe[Year\n0=20\n=x\n[[\n";
    const QByteArray garbage(kGarbage, sizeof kGarbage - 1);
    WriteAll(FilePath(), garbage);
    {
      QtSettingsStore store;
      QVERIFY(store.Damaged());
      Form form(store);
      QVERIFY(!form.form.State().StateRecentlySaved);  // nothing was restored
      QCOMPARE(form.window.Value(Ctl(ControlName::optPersonal)), int16_t{1});
      QCOMPARE(form.window.ListIndex(Ctl(ControlName::cboOrbs, 0)), int16_t{9});
      QCOMPARE(ReadAll(FilePath()), garbage);  // not touched before a save

      form.window.SetText(Ctl(ControlName::txbYear, 0), "1999");
      form.form.Click(Ctl(ControlName::cmdSaveState));
      QVERIFY(form.window.MessageBoxes().empty());
    }
    QCOMPARE(ReadAll(FilePath() + ".damaged"), garbage);
    QtSettingsStore store;
    QVERIFY(!store.Damaged());
    std::string year;
    QVERIFY(RestoreRegistryString(store, "\\SKL\\Year", "0", year, false, ""));
    QCOMPARE(year, std::string("1999"));
    // Nothing QSettings made of the garbage came along into the new file.
    QSettings plain(FilePath(), QSettings::IniFormat);
    QCOMPARE(plain.allKeys().size(), qsizetype(SavedStateValues().size()));
  }

  // The message names the file and gives the system's reason.
  void aSaveThatCannotBeWrittenIsReported() {
    const QString quillfern = folder_->path() + "/Quillfern";
    const struct {
      const char* what;
      std::function<void()> make;
      bool needsNonRoot;
      const char* reason;
    } kCases[] = {
        {"a file where the folder should be", [&] { WriteAll(quillfern, "not a folder"); }, false,
         "Not a directory"},
        {"a folder where the file should be", [&] { QVERIFY(QDir().mkpath(FilePath())); }, false,
         "Is a directory"},
        {"a folder that takes no new file",
         [&] {
           QVERIFY(QDir().mkpath(quillfern));
           QVERIFY(QFile::setPermissions(quillfern, QFile::ReadOwner | QFile::ExeOwner));
         },
         true, "Permission denied"},
    };
    for (const auto& c : kCases) {
      if (c.needsNonRoot && ::geteuid() == 0) continue;  // root writes in any folder
      QFile::setPermissions(quillfern, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
      QDir(quillfern).removeRecursively();
      QFile::remove(quillfern);
      c.make();
      QtSettingsStore store;
      Form form(store);
      form.form.Click(Ctl(ControlName::cmdSaveState));
      QVERIFY2(form.window.MessageBoxes().size() == 1, c.what);
      QCOMPARE(form.window.MessageBoxes()[0].text,
               "Error saving to registry:\r\n" + FilePath().toStdString() + ": " + c.reason);
      QVERIFY(form.window.PopUps().empty());
      QVERIFY(!form.form.State().StateRecentlySaved);
    }
    QFile::setPermissions(quillfern, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }

 private:
  QString FilePath() const { return folder_->path() + "/Quillfern/SKL.conf"; }

  std::unique_ptr<QTemporaryDir> folder_;
};

}  // namespace skyloom

QTEST_GUILESS_MAIN(skyloom::SettingsStoreTest)
#include "settings_store_test.moc"
