// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileTypeRegistration.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>

namespace {

const char *const DesktopFileName = "varnel.desktop";
// Marks the desktop entry that the program writes for itself, so that it can
// tell its own copy from one the user made.
const char *const OwnEntryKey = "X-Varnel-Written-At-Start";
// Where a desktop entry's Icon=varnel is found in the user's data folder.
const char *const OwnIconPath = "/icons/hicolor/scalable/apps/varnel.svg";
const char *const IconResource = ":/icons/varnel.svg";
const char *const DefaultSection = "[Default Applications]";
// The type Varnel declares when the MIME database knows none for *.pak; the
// name shared-mime-info gives it where it does.
const char *const OwnMimeType = "application/x-pak";
const char *const MimePackageFileName = "varnel-pak.xml";
// update-mime-database is quick; a hung one must not hold up the start for long.
constexpr int UpdateTimeoutMs = 20000;

// Replaces a file as a whole, so that a failure leaves the old one intact.
bool WriteWholeFile(const QString &path, const QByteArray &contents) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly))
    return false;
  file.write(contents);
  return file.commit();
}

// The program's path as one argument of a desktop entry's Exec key: quoted,
// with the characters that quoting reserves escaped, "%" doubled (it starts a
// field code), and then the escapes of a desktop-entry string value.
QString ExecArgument(const QString &path) {
  QString quoted = QStringLiteral("\"");
  for (const QChar c : path) {
    if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
      quoted += u'\\';
    quoted += c;
  }
  quoted += u'"';
  quoted.replace(u'%', QStringLiteral("%%"));

  QString value;
  for (const QChar c : quoted) {
    if (c == u'\\')
      value += QStringLiteral("\\\\");
    else if (c == u'\n')
      value += QStringLiteral("\\n");
    else if (c == u'\t')
      value += QStringLiteral("\\t");
    else if (c == u'\r')
      value += QStringLiteral("\\r");
    else
      value += c;
  }
  return value;
}

QByteArray DesktopEntry(const QString &programPath, const QString &mimeType) {
  QStringList lines = {
      QStringLiteral("[Desktop Entry]"),
      QStringLiteral("Type=Application"),
      QStringLiteral("Name=Varnel"),
      QStringLiteral("GenericName=Quake PAK File Editor"),
      QStringLiteral("Comment=Edit Quake PAK archives"),
      QStringLiteral("Exec=") + ExecArgument(programPath) + QStringLiteral(" %f"),
      QStringLiteral("Icon=varnel"),
      QStringLiteral("MimeType=") + mimeType + u';',
      QStringLiteral("Terminal=false"),
      QStringLiteral("Categories=Development;Game;"),
      QLatin1String(OwnEntryKey) + QStringLiteral("=true"),
  };
  return (lines.join(u'\n') + u'\n').toUtf8();
}

// Declares the PAK type in the user's MIME database and rebuilds its cache.
void InstallMimePackage(const QString &dataDirectory) {
  const QString mimeDirectory = dataDirectory + QStringLiteral("/mime");
  const QByteArray package = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                             "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                             "  <mime-type type=\"" +
                             QByteArray(OwnMimeType) +
                             "\">\n"
                             "    <comment>Quake PAK archive</comment>\n"
                             "    <magic priority=\"50\"><match type=\"string\" offset=\"0\" value=\"PACK\"/></magic>\n"
                             "    <glob pattern=\"*.pak\"/>\n"
                             "  </mime-type>\n"
                             "</mime-info>\n";
  if (!WriteWholeFile(mimeDirectory + QStringLiteral("/packages/") + MimePackageFileName, package))
    return;
  const QString updater = QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
  if (updater.isEmpty())
    return;
  QProcess process;
  process.setStandardOutputFile(QProcess::nullDevice());
  process.setStandardErrorFile(QProcess::nullDevice());
  process.start(updater, {mimeDirectory});
  if (process.waitForStarted() && !process.waitForFinished(UpdateTimeoutMs)) {
    process.kill();
    process.waitForFinished();
  }
}

// Makes varnel.desktop the default for mimeType, keeping every other line of
// the file as it was.
QByteArray WithDefaultApplication(const QByteArray &existing, const QString &mimeType) {
  QStringList lines = QString::fromUtf8(existing).split(u'\n');
  if (!lines.isEmpty() && lines.last().isEmpty())
    lines.removeLast(); // the final line break
  const QString entry = mimeType + u'=' + DesktopFileName;

  QStringList result;
  bool inDefaults = false;
  bool inFirstDefaults = false;
  bool replaced = false;
  qsizetype insertAt = -1; // after the last entry of the first defaults section
  for (const QString &line : lines) {
    const QString trimmed = line.trimmed();
    if (trimmed.startsWith(u'[')) {
      inDefaults = trimmed == QLatin1String(DefaultSection);
      inFirstDefaults = inDefaults && insertAt < 0;
      result << line;
      if (inFirstDefaults)
        insertAt = result.size();
      continue;
    }
    if (inDefaults && trimmed.contains(u'=') && !trimmed.startsWith(u'#') &&
        trimmed.section(u'=', 0, 0).trimmed() == mimeType) {
      if (!replaced)
        result << entry; // a repeated key for the type is dropped
      replaced = true;
      continue;
    }
    result << line;
    if (inFirstDefaults && !trimmed.isEmpty())
      insertAt = result.size();
  }
  if (!replaced) {
    if (insertAt >= 0) {
      result.insert(insertAt, entry);
    } else {
      if (!result.isEmpty() && !result.last().trimmed().isEmpty())
        result << QString();
      result << QLatin1String(DefaultSection) << entry;
    }
  }
  return (result.join(u'\n') + u'\n').toUtf8();
}

// The desktop entry that the list's first defaults line for mimeType names
// first; empty when the list sets no default for it.
QString CurrentDefault(const QByteArray &list, const QString &mimeType) {
  bool inDefaults = false;
  for (const QString &line : QString::fromUtf8(list).split(u'\n')) {
    const QString trimmed = line.trimmed();
    if (trimmed.startsWith(u'['))
      inDefaults = trimmed == QLatin1String(DefaultSection);
    else if (inDefaults && !trimmed.startsWith(u'#') && trimmed.section(u'=', 0, 0).trimmed() == mimeType)
      return trimmed.section(u'=', 1).section(u';', 0, 0).trimmed();
  }
  return {};
}

// Whether a folder of the system's data path (not the user's own) holds an
// installed desktop entry of the program.
bool InstalledEntryExists(const QString &userDataDirectory) {
  const QString userFolder = QDir(userDataDirectory).canonicalPath();
  for (const QString &folder : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
    if (QDir(folder).canonicalPath() == userFolder && !userFolder.isEmpty())
      continue;
    if (QFileInfo(folder + QStringLiteral("/applications/") + DesktopFileName).isFile())
      return true;
  }
  return false;
}

bool IsOwnEntry(const QString &path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) && file.readAll().contains(QByteArray("\n") + OwnEntryKey + "=true");
}

// Writes the program's own desktop entry and the icon it names.
void WriteOwnEntry(const QString &dataDirectory, const QString &programPath, const QString &mimeType) {
  WriteWholeFile(dataDirectory + QStringLiteral("/applications/") + DesktopFileName,
                 DesktopEntry(QFileInfo(programPath).absoluteFilePath(), mimeType));
  QFile resource{QLatin1String(IconResource)};
  if (!resource.open(QIODevice::ReadOnly))
    return;
  const QByteArray icon = resource.readAll();
  const QString iconPath = dataDirectory + QLatin1String(OwnIconPath);
  QFile existing(iconPath);
  // Rewriting an unchanged icon would make icon caches look again for nothing.
  if (existing.open(QIODevice::ReadOnly) && existing.readAll() == icon)
    return;
  WriteWholeFile(iconPath, icon);
}

// The installed entry takes over: a copy the program wrote earlier (when it
// ran from elsewhere) would hide it, so it goes, with its icon.
void RemoveOwnEntry(const QString &dataDirectory) {
  const QString entryPath = dataDirectory + QStringLiteral("/applications/") + DesktopFileName;
  if (!IsOwnEntry(entryPath))
    return;
  QFile::remove(entryPath);
  QFile::remove(dataDirectory + QLatin1String(OwnIconPath));
}

} // namespace

void RegisterPakFileType(const QString &programPath) {
  const QMimeType type = QMimeDatabase().mimeTypeForFile(QStringLiteral("x.pak"), QMimeDatabase::MatchExtension);
  RegisterPakFileType(programPath, type.isValid() && !type.isDefault() ? type.name() : QString());
}

void RegisterPakFileType(const QString &programPath, const QString &knownMimeType) {
  const QString dataDirectory = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  const QString configDirectory = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  if (dataDirectory.isEmpty() || configDirectory.isEmpty())
    return;

  QString mimeType = knownMimeType;
  if (mimeType.isEmpty()) {
    InstallMimePackage(dataDirectory);
    mimeType = QLatin1String(OwnMimeType);
  }

  if (InstalledEntryExists(dataDirectory))
    RemoveOwnEntry(dataDirectory);
  else
    WriteOwnEntry(dataDirectory, programPath, mimeType);

  const QString listPath = configDirectory + QStringLiteral("/mimeapps.list");
  QByteArray existing;
  QFile list(listPath);
  if (list.exists()) {
    // An existing list that cannot be read is left alone rather than replaced.
    if (!list.open(QIODevice::ReadOnly))
      return;
    existing = list.readAll();
    list.close();
  }
  // The default belongs to the user: another program they chose stays.
  const QString current = CurrentDefault(existing, mimeType);
  if (!current.isEmpty() && current != QLatin1String(DesktopFileName))
    return;
  WriteWholeFile(listPath, WithDefaultApplication(existing, mimeType));
}
