#include "qt/qt_settings_store.h"

#include "ports/data_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QVariant>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace skyloom {
namespace {

constexpr std::string_view kStoreKey = "Software\\Quillfern\\SKL";

// The number of the other entries, kept among them by every flush. QSettings
// writes the top-level entries first, in the order of their names, so this
// one comes before "StateSaved": a file cut at any line end after it and
// before its end holds fewer entries than it says. A file without it, as
// earlier versions wrote them, is read as before.
const QString kEntryCount = QStringLiteral("EntryCount");

// A saved state is well under a kilobyte; a file far larger is not one.
constexpr int64_t kLargestFile = 1024 * 1024;

bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

struct Group {
  StoreResult result = StoreSuccess;
  QString path;  // "Year", "A/B", "" for the store's own key
};

// The QSettings group of a key path. Key paths ignore case as the registry
// does; keys outside the store's own are not the program's to touch.
Group GroupOf(std::string_view keyPath) {
  if (keyPath.size() < kStoreKey.size() || !SameLetters(keyPath.substr(0, kStoreKey.size()), kStoreKey))
    return {StoreAccessDenied, {}};
  std::string_view rest = keyPath.substr(kStoreKey.size());
  if (rest.empty()) return {};
  if (rest.front() != '\\') return {StoreAccessDenied, {}};
  rest.remove_prefix(1);
  QStringList parts;
  while (true) {
    const size_t end = rest.find('\\');
    const std::string_view part = rest.substr(0, end);
    // QSettings takes a slash as a separator of its own.
    if (part.empty() || part.find('/') != std::string_view::npos) return {StoreBadPathname, {}};
    parts.push_back(QString::fromUtf8(part.data(), static_cast<qsizetype>(part.size())));
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  return {StoreSuccess, parts.join(u'/')};
}

std::optional<QString> KeyOf(const QString& group, std::string_view name) {
  if (name.empty() || name.find_first_of("/\\") != std::string_view::npos) return std::nullopt;
  const QString key = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
  return group.isEmpty() ? key : group + u'/' + key;
}

// Entries are written as strings; one edited by hand may parse as a list
// or as raw bytes and is read back as the text it holds.
std::string TextOf(const QVariant& value) {
  switch (value.typeId()) {
    case QMetaType::QStringList: return value.toStringList().join(QStringLiteral(", ")).toStdString();
    case QMetaType::QByteArray: return value.toByteArray().toStdString();
    default: return value.toString().toStdString();
  }
}

// QSettings ends every file it writes with a line end; a file without one
// has been cut short, and its last value may be only part of what was
// written.
bool CutShort(const QString& fileName) {
  QFile file(fileName);
  if (!QFileInfo(fileName).isFile() || file.size() == 0) return false;
  if (!file.open(QIODevice::ReadOnly) || !file.seek(file.size() - 1)) return true;
  char last = 0;
  return !file.getChar(&last) || last != '\n';
}

// Why the file cannot be written, in the system's own words, found by
// taking the steps QSettings takes without harm: open the file as it is
// for writing, then make a new file in its folder (QSettings writes a new
// file there and renames it over the old; a folder still missing is made
// in the nearest one that exists). Empty when both steps succeed.
std::string WhyNotWritable(const QString& fileName) {
#ifdef Q_OS_UNIX
  const QByteArray path = QFile::encodeName(fileName);
  const int file = ::open(path.constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (file >= 0) {
    ::close(file);
  } else if (errno != ENOENT) {
    return std::strerror(errno);
  }
  QFileInfo folder(QFileInfo(fileName).absolutePath());
  while (!folder.exists() && !folder.isRoot()) folder = QFileInfo(folder.absolutePath());
  QByteArray probe = QFile::encodeName(folder.absoluteFilePath() + QStringLiteral("/.SKL.conf.XXXXXX"));
  const int made = ::mkstemp(probe.data());
  if (made < 0) return std::strerror(errno);
  ::close(made);
  ::unlink(probe.constData());
#else
  (void)fileName;
#endif
  return {};
}

}  // namespace

QtSettingsStore::QtSettingsStore() { Load(); }

QtSettingsStore::~QtSettingsStore() = default;

std::unique_ptr<QSettings> QtSettingsStore::Open() const {
  return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quillfern"),
                                     QStringLiteral("SKL"));
}

// The settings file's name, found without reading it (QSettings reads its
// file as it is made, which a FIFO in its place would block for ever): the
// name of a file beside it that does not exist, with the file's own. Empty
// where the settings are no file of this kind.
QString QtSettingsStore::FileName() const {
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
  const QSettings beside(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quillfern"),
                         QStringLiteral("SKL.conf.never-written"));
  return QFileInfo(beside.fileName()).absolutePath() + QStringLiteral("/SKL.conf");
#else
  return Open()->fileName();
#endif
}

void QtSettingsStore::Load() {
  values_.clear();
  keys_.clear();
  // A FIFO, a device or a file grown far beyond any saved state is not
  // read; it counts as damaged.
  const QString fileName = FileName();
  damaged_ = !fileName.isEmpty() && !DataFileRefusal(QFile::encodeName(fileName).toStdString(), kLargestFile).empty();
  if (damaged_) return;
  const std::unique_ptr<QSettings> settings = Open();
  damaged_ = settings->status() != QSettings::NoError || CutShort(settings->fileName());
  if (damaged_) return;
  // The count covers the file's own entries, not those of a system-wide one.
  settings->setFallbacksEnabled(false);
  const QStringList own = settings->allKeys();
  settings->setFallbacksEnabled(true);
  if (own.contains(kEntryCount)) {
    bool number = false;
    const qsizetype count = settings->value(kEntryCount).toString().toLongLong(&number);
    damaged_ = !number || count != own.size() - 1;
    if (damaged_) return;
  }
  for (const QString& key : settings->allKeys()) {
    if (key == kEntryCount) continue;
    values_[key] = TextOf(settings->value(key));
    keys_.insert(QString());
    for (qsizetype slash = key.indexOf(u'/'); slash >= 0; slash = key.indexOf(u'/', slash + 1))
      keys_.insert(key.left(slash));
  }
}

StoreResult QtSettingsStore::CreateKey(std::string_view keyPath, KeyDisposition& disposition) {
  disposition = KeyDisposition::Unknown;
  const Group group = GroupOf(keyPath);
  if (group.result != StoreSuccess) return group.result;
  disposition = keys_.contains(group.path) ? KeyDisposition::OpenedExistingKey : KeyDisposition::CreatedNewKey;
  keys_.insert(QString());
  for (qsizetype slash = group.path.indexOf(u'/'); slash >= 0; slash = group.path.indexOf(u'/', slash + 1))
    keys_.insert(group.path.left(slash));
  keys_.insert(group.path);
  return StoreSuccess;
}

StoreResult QtSettingsStore::OpenKey(std::string_view keyPath) {
  const Group group = GroupOf(keyPath);
  if (group.result != StoreSuccess) return group.result == StoreAccessDenied ? StoreNotFound : group.result;
  return keys_.contains(group.path) ? StoreSuccess : StoreNotFound;
}

StoreResult QtSettingsStore::WriteValue(std::string_view keyPath, std::string_view name, std::string_view value) {
  const Group group = GroupOf(keyPath);
  if (group.result != StoreSuccess) return group.result;
  if (!keys_.contains(group.path)) return StoreNotFound;
  const std::optional<QString> key = KeyOf(group.path, name);
  if (!key) return StoreInvalidParameter;
  values_[*key] = value;
  pending_[*key] = value;
  return StoreSuccess;
}

StoreResult QtSettingsStore::ReadValue(std::string_view keyPath, std::string_view name, std::string& value) {
  const Group group = GroupOf(keyPath);
  if (group.result != StoreSuccess) return StoreNotFound;
  const std::optional<QString> key = KeyOf(group.path, name);
  if (!key) return StoreNotFound;
  const auto found = values_.find(*key);
  if (found == values_.end()) return StoreNotFound;
  value = found->second;
  return StoreSuccess;
}

void QtSettingsStore::Reload() {
  Load();
  // Writes not yet flushed stay this store's values.
  for (const auto& [key, value] : pending_) {
    values_[key] = value;
    keys_.insert(QString());
    for (qsizetype slash = key.indexOf(u'/'); slash >= 0; slash = key.indexOf(u'/', slash + 1))
      keys_.insert(key.left(slash));
  }
}

bool QtSettingsStore::SetAsideDamaged() {
  const QString fileName = FileName();
  const QFileInfo file(fileName);
  // A FIFO or a link to a device goes aside as a file does; a folder is
  // left for the flush to report.
  if (!file.isSymLink() && (!file.exists() || file.isDir())) return true;
  const QString aside = fileName + QStringLiteral(".damaged");
  QFile::remove(aside);
  return QFile::rename(fileName, aside);
}

StoreResult QtSettingsStore::Failed(StoreResult result) {
  const QString fileName = FileName();
  std::string reason = WhyNotWritable(fileName);
  if (reason.empty()) reason = StoreErrorText(result);
  flushFailure_ = fileName.toStdString() + ": " + reason;
  return result;
}

StoreResult QtSettingsStore::Flush() {
  flushFailure_.clear();
  if (pending_.empty()) return StoreSuccess;
  // QSettings would merge the writes into what it could make of the damaged
  // file.
  if (damaged_ && !SetAsideDamaged()) return Failed(StoreAccessDenied);
  const std::unique_ptr<QSettings> settings = Open();
  if (!settings->isWritable()) return Failed(StoreAccessDenied);
  for (const auto& [key, value] : pending_)
    settings->setValue(key, QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())));
  settings->setFallbacksEnabled(false);
  settings->remove(kEntryCount);
  settings->setValue(kEntryCount, QString::number(settings->allKeys().size()));
  settings->sync();
  switch (settings->status()) {
    case QSettings::NoError: break;
    case QSettings::AccessError: return Failed(StoreAccessDenied);
    case QSettings::FormatError: return Failed(StoreInvalidData);
  }
  pending_.clear();
  Load();
  return StoreSuccess;
}

}  // namespace skyloom
