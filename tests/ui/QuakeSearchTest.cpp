// SPDX-License-Identifier: GPL-3.0-or-later
// The search for a Quake installation at a first start: the usual places
// under a scratch home folder, and the window's offer of what it finds.
#include "QuakeSearch.h"
#include "EntryText.h"
#include "WindowSession.h"

#include <QLabel>
#include <QLineEdit>
#include <QtTest>

namespace {
// A Quake installation as far as the search checks one: a PAK file as the stock archive.
void MakeInstallation(const QString &folder, const QString &stock = QStringLiteral("id1/pak0.pak")) {
  WriteBytes(folder + QLatin1Char('/') + stock, BuildPak({{"x", "1"}}));
}

// Runs the test with HOME on a scratch folder; the old value comes back after.
class TScratchHome {
public:
  explicit TScratchHome(const QString &home) : m_Old(qgetenv("HOME")) { qputenv("HOME", home.toUtf8()); }
  ~TScratchHome() { qputenv("HOME", m_Old); }

private:
  QByteArray m_Old;
};
} // namespace

class QuakeSearchTest : public QObject {
  Q_OBJECT
private slots:
  void FindsTheUsualPlaces();
  void FirstStartOffersWhatItFinds();
};

void QuakeSearchTest::FindsTheUsualPlaces() {
  struct TCase {
    const char *Name;
    std::function<void(const QString &home, const QString &elsewhere)> Make;
    QString Found; // relative to the scratch folder; empty: none
  };
  const TCase cases[] = {
      {"nothing anywhere", [](const QString &, const QString &) {}, {}},
      {"~/.quake in capitals",
       [](const QString &home, const QString &) { MakeInstallation(home + "/.quake", "ID1/PAK0.PAK"); }, "home/.quake"},
      {"a Steam library the vdf names",
       [](const QString &home, const QString &elsewhere) {
         WriteBytes(home + "/.local/share/Steam/steamapps/libraryfolders.vdf",
                    ("\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"" + home +
                     "/.local/share/Steam\"\n\t}\n\t\"1\"\n\t{\n\t\t\"path\"\t\t\"" + elsewhere +
                     "/Games\"\n\t\t\"apps\"\n\t\t{\n\t\t\t\"2310\"\t\t\"1\"\n\t\t}\n\t}\n}\n")
                        .toUtf8());
         MakeInstallation(elsewhere + "/Games/steamapps/common/Quake/rerelease");
       },
       "elsewhere/Games/steamapps/common/Quake/rerelease"},
      {"the Flatpak Steam folder",
       [](const QString &home, const QString &) {
         MakeInstallation(home + "/.var/app/com.valvesoftware.Steam/.local/share/Steam/steamapps/common/Quake");
       },
       "home/.var/app/com.valvesoftware.Steam/.local/share/Steam/steamapps/common/Quake"},
      {"a stock archive that is no PAK file",
       [](const QString &home, const QString &) { WriteBytes(home + "/.quake/id1/pak0.pak", "not a pak"); },
       {}},
  };
  for (const TCase &c : cases) {
    QTemporaryDir scratch;
    const QString home = scratch.filePath("home");
    const QString elsewhere = scratch.filePath("elsewhere");
    QDir().mkpath(home);
    c.Make(home, elsewhere);
    const QString found = FindQuakeInstallation(home, {scratch.filePath("system")});
    QVERIFY2(found == (c.Found.isEmpty() ? QString() : scratch.filePath(c.Found)), c.Name);
  }

  // The system folders come after the home folder's.
  QTemporaryDir scratch;
  MakeInstallation(scratch.filePath("system"));
  QCOMPARE(FindQuakeInstallation(scratch.filePath("home"), {scratch.filePath("system")}), scratch.filePath("system"));
  MakeInstallation(scratch.filePath("home/.local/share/quake"));
  QCOMPARE(FindQuakeInstallation(scratch.filePath("home"), {scratch.filePath("system")}),
           scratch.filePath("home/.local/share/quake"));
}

void QuakeSearchTest::FirstStartOffersWhatItFinds() {
  for (const QMessageBox::StandardButton answer : {QMessageBox::Yes, QMessageBox::No}) {
    TWindowSession session(false);
    const TScratchHome home(session.Path("home"));
    MakeInstallation(session.Path("home/.quake"), "Id1/Pak0.pak");
    session.Desktop.ConfirmAnswers.enqueue(answer);
    TMain &main = session.Start();
    QVERIFY(!session.Enabled("NewBtn") && !session.Enabled("OpenBtn"));
    QTRY_COMPARE(session.Desktop.Texts("confirm"),
                 QStringList({"A Quake installation was found in " + session.Path("home/.quake") +
                              ". Use it as the Quake directory?"}));
    QCOMPARE(QString::fromStdString(main.Session().Pak().QuakeDirectory()),
             answer == QMessageBox::Yes ? session.Path("home/.quake/") : QString());
    QCOMPARE(session.Enabled("NewBtn") && session.Enabled("OpenBtn"), answer == QMessageBox::Yes);
  }

  // None found: the options come up once, saying why.
  if (TQuakePak::IsQuakeDirectory(PathFromQ(SystemQuakeFolders().first())))
    QSKIP("this machine has Quake installed where the search looks");
  TWindowSession session(false);
  const TScratchHome home(session.Path("home"));
  QString reason;
  session.Dialogs.Expect("SetDirectoryDialog", [&](QWidget &dialog) {
    if (Child<QLabel>(dialog, "ReasonLabel")->isVisible())
      reason = Child<QLabel>(dialog, "ReasonLabel")->text();
    Child<QLineEdit>(dialog, "QuakeDirBox")->setText(session.Quake);
    Click(dialog, "OKBtn");
  });
  TMain &main = session.Start();
  QTRY_VERIFY(session.Dialogs.Seen.size() == 1);
  QVERIFY(session.Dialogs.Finish());
  QVERIFY2(reason.contains("id1/pak0.pak"), qPrintable(reason));
  QCOMPARE(QString::fromStdString(main.Session().Pak().QuakeDirectory()), session.Quake);
  QVERIFY(session.Desktop.Asked.isEmpty());
  QVERIFY(session.Enabled("OpenBtn"));
}

QTEST_MAIN(QuakeSearchTest)
#include "QuakeSearchTest.moc"
