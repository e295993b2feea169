// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileTypeRegistration.h"

#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString ReadText(const QString &path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return {};
  return QString::fromUtf8(file.readAll());
}

void WriteText(const QString &path, const QString &text) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(text.toUtf8());
}

// The value of the first line "key=..." of a file.
QString ValueOf(const QString &text, const QString &key) {
  for (const QString &line : text.split(u'\n'))
    if (line.startsWith(key + u'='))
      return line.mid(key.size() + 1);
  return {};
}

} // namespace

class FileTypeRegistrationTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> m_Home;
  QByteArray m_SystemDataDirs;

  QString DesktopFile() const { return m_Home->filePath("data/applications/varnel.desktop"); }
  QString IconFile() const { return m_Home->filePath("data/icons/hicolor/scalable/apps/varnel.svg"); }
  QString InstalledDesktopFile() const { return m_Home->filePath("system/applications/varnel.desktop"); }
  QString MimeAppsList() const { return m_Home->filePath("config/mimeapps.list"); }

private slots:
  // The machine's data folders keep the MIME database; one that holds an
  // installed copy of the program is left out, so that every case starts
  // without one.
  void initTestCase() {
    QStringList folders;
    for (const QString &folder : qEnvironmentVariable("XDG_DATA_DIRS", "/usr/local/share:/usr/share").split(u':'))
      if (!folder.isEmpty() && !QFile::exists(folder + "/applications/varnel.desktop"))
        folders << folder;
    m_SystemDataDirs = folders.join(u':').toLocal8Bit();
  }

  // Every case gets fresh configuration and data folders of its own, so the
  // registration never reaches the real home directory.
  void init() {
    m_Home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_Home->isValid());
    qputenv("XDG_CONFIG_HOME", m_Home->filePath("config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", m_Home->filePath("data").toLocal8Bit());
    qputenv("XDG_DATA_DIRS", m_Home->filePath("system").toLocal8Bit() + ':' + m_SystemDataDirs);
  }

  void WritesDesktopEntryAndDefaultForTheDatabasesType() {
    const QMimeType known = QMimeDatabase().mimeTypeForFile("x.pak", QMimeDatabase::MatchExtension);
    if (known.isDefault())
      QSKIP("the MIME database knows no type for *.pak here");

    RegisterPakFileType("/opt/varnel/varnel");

    const QString entry = ReadText(DesktopFile());
    QVERIFY(entry.startsWith("[Desktop Entry]\n"));
    QCOMPARE(ValueOf(entry, "Type"), QString("Application"));
    QCOMPARE(ValueOf(entry, "Exec"), QString("\"/opt/varnel/varnel\" %f"));
    QCOMPARE(ValueOf(entry, "MimeType"), known.name() + ";");
    // Icon=varnel finds the program's icon in the user's icon theme folder.
    QCOMPARE(ValueOf(entry, "Icon"), QString("varnel"));
    QFile icon(IconFile());
    QVERIFY(icon.open(QIODevice::ReadOnly));
    QVERIFY(icon.readAll().contains("<svg"));
    // The desktop's own checker accepts the entry (hints aside).
    const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
    if (!validator.isEmpty()) {
      QProcess validate;
      validate.start(validator, {DesktopFile()});
      QVERIFY(validate.waitForFinished());
      const QString report = validate.readAllStandardOutput() + validate.readAllStandardError();
      QVERIFY2(validate.exitCode() == 0 && !report.contains("error:") && !report.contains("warning:"),
               qPrintable(report));
    }
    QCOMPARE(ReadText(MimeAppsList()), "[Default Applications]\n" + known.name() + "=varnel.desktop\n");
    // The database's own type is used: no package of Varnel's.
    QVERIFY(!QFile::exists(m_Home->filePath("data/mime/packages/varnel-pak.xml")));
  }

  // The Exec value quotes the path and escapes, in this order: '"', '`', '$'
  // and '\' with a backslash (quoting rules), '%' doubled (field codes), then
  // every backslash doubled again (string value rules).
  void QuotesTheProgramPathForExec() {
    RegisterPakFileType("/home/u/My Games/a\"b$c\\d%e`f", "application/x-pak");
    QCOMPARE(ValueOf(ReadText(DesktopFile()), "Exec"),
             QString("\"/home/u/My Games/a\\\\\"b\\\\$c\\\\\\\\d%%e\\\\`f\" %f"));
  }

  void KeepsOtherLinesOfAnExistingList() {
    // Another program the user made the default stays the default: the list is not touched.
    const QString chosen = "# mine\n"
                           "[Added Associations]\n"
                           "application/x-pak=other.desktop;\n"
                           "\n"
                           "[Default Applications]\n"
                           "text/plain=gedit.desktop\n"
                           "application/x-pak=other.desktop;varnel.desktop;\n"
                           "image/png=eog.desktop\n"
                           "\n"
                           "[Removed Associations]\n"
                           "image/gif=eog.desktop;\n";
    WriteText(MimeAppsList(), chosen);
    RegisterPakFileType("/usr/bin/varnel", "application/x-pak");
    QCOMPARE(ReadText(MimeAppsList()), chosen);

    // Varnel already the default: its line is written afresh, the others kept.
    WriteText(MimeAppsList(), QString(chosen).replace("application/x-pak=other.desktop;varnel.desktop;",
                                                      "application/x-pak=varnel.desktop;other.desktop;"));
    RegisterPakFileType("/usr/bin/varnel", "application/x-pak");
    QCOMPARE(ReadText(MimeAppsList()), QString("# mine\n"
                                               "[Added Associations]\n"
                                               "application/x-pak=other.desktop;\n"
                                               "\n"
                                               "[Default Applications]\n"
                                               "text/plain=gedit.desktop\n"
                                               "application/x-pak=varnel.desktop\n"
                                               "image/png=eog.desktop\n"
                                               "\n"
                                               "[Removed Associations]\n"
                                               "image/gif=eog.desktop;\n"));

    // A list without a defaults section gets one at its end.
    WriteText(MimeAppsList(), "[Added Associations]\ntext/plain=gedit.desktop;");
    RegisterPakFileType("/usr/bin/varnel", "application/x-pak");
    QCOMPARE(ReadText(MimeAppsList()), QString("[Added Associations]\n"
                                               "text/plain=gedit.desktop;\n"
                                               "\n"
                                               "[Default Applications]\n"
                                               "application/x-pak=varnel.desktop\n"));

    // A defaults section without the type gets it after its last entry.
    WriteText(MimeAppsList(), "[Default Applications]\ntext/plain=gedit.desktop\n\n[Added Associations]\n");
    RegisterPakFileType("/usr/bin/varnel", "application/x-pak");
    QCOMPARE(ReadText(MimeAppsList()), QString("[Default Applications]\n"
                                               "text/plain=gedit.desktop\n"
                                               "application/x-pak=varnel.desktop\n"
                                               "\n"
                                               "[Added Associations]\n"));
  }

  void EveryStartRewritesTheProgramPath() {
    RegisterPakFileType("/old/place/varnel", "application/x-pak");
    RegisterPakFileType("/new/place/varnel", "application/x-pak");
    QCOMPARE(ValueOf(ReadText(DesktopFile()), "Exec"), QString("\"/new/place/varnel\" %f"));
    QCOMPARE(ReadText(MimeAppsList()), QString("[Default Applications]\napplication/x-pak=varnel.desktop\n"));
  }

  // An installed entry is used as it is: no copy of the program's own, and an
  // own copy from an earlier start (which would hide it) goes with its icon;
  // the default for the type is still set.
  void UsesAnInstalledEntry() {
    RegisterPakFileType("/home/u/build/varnel", "application/x-pak");
    QVERIFY(QFile::exists(DesktopFile()) && QFile::exists(IconFile()));

    WriteText(InstalledDesktopFile(), "[Desktop Entry]\nType=Application\nName=Varnel\nExec=varnel %F\n");
    RegisterPakFileType("/usr/bin/varnel", "application/x-pak");
    QVERIFY(!QFile::exists(DesktopFile()));
    QVERIFY(!QFile::exists(IconFile()));
    QCOMPARE(ValueOf(ReadText(MimeAppsList()), "application/x-pak"), QString("varnel.desktop"));

    // A copy that the user made is theirs to keep.
    const QString usersOwn = "[Desktop Entry]\nType=Application\nName=My Varnel\nExec=/opt/v/varnel %f\n";
    WriteText(DesktopFile(), usersOwn);
    RegisterPakFileType("/usr/bin/varnel", "application/x-pak");
    QCOMPARE(ReadText(DesktopFile()), usersOwn);
  }

  void DeclaresItsOwnTypeWhenTheDatabaseHasNone() {
    RegisterPakFileType("/usr/bin/varnel", QString());
    const QString package = ReadText(m_Home->filePath("data/mime/packages/varnel-pak.xml"));
    QVERIFY(package.contains("<mime-type type=\"application/x-pak\">"));
    QVERIFY(package.contains("<glob pattern=\"*.pak\"/>"));
    QCOMPARE(ValueOf(ReadText(DesktopFile()), "MimeType"), QString("application/x-pak;"));
    QCOMPARE(ValueOf(ReadText(MimeAppsList()), "application/x-pak"), QString("varnel.desktop"));
    // The user's MIME cache is rebuilt so that the declaration takes effect.
    if (!QStandardPaths::findExecutable("update-mime-database").isEmpty())
      QVERIFY(QFile::exists(m_Home->filePath("data/mime/mime.cache")));
  }

  // Failures are ignored: a data folder that cannot be made (a file is in its
  // way) still lets the default be written, and nothing is thrown.
  void IgnoresFailures() {
    WriteText(m_Home->filePath("data/applications"), "in the way");
    RegisterPakFileType("/usr/bin/varnel", "application/x-pak");
    QVERIFY(!QFile::exists(DesktopFile()));
    QCOMPARE(ValueOf(ReadText(MimeAppsList()), "application/x-pak"), QString("varnel.desktop"));
  }
};

QTEST_MAIN(FileTypeRegistrationTest)
#include "FileTypeRegistrationTest.moc"
