// SPDX-License-Identifier: GPL-3.0-or-later
#include "AddDlg.h"
#include "ScriptedDesktop.h"
#include "UiTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <QtTest>

namespace {

void Drop(QWidget &dialog, const QList<QUrl> &urls, bool *entered = nullptr) {
  QMimeData mime;
  mime.setUrls(urls);
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&dialog, &enter);
  if (entered != nullptr)
    *entered = enter.isAccepted();
  if (!enter.isAccepted())
    return;
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&dialog, &drop);
}

} // namespace

class AddDlgTest : public QObject, protected TArchiveFixture {
  Q_OBJECT

  TScriptedDesktop m_Desktop;

private slots:
  void initTestCase() {
    QVERIFY(PrepareScratch());
    QVERIFY(QDir().mkpath(m_Root + "Games/ID1"));
    WriteBytes(m_Root + "x/y.wav", "RIFF");
    WriteBytes(m_Root + "x/a.txt", "text");
  }

  void init() { m_Desktop = TScriptedDesktop(); }

  void ExecuteShowsGivenPathsAndReturnsTheEditedValues() {
    OpenArchive({"maps/e1m1.bsp"});
    TAddDialog dialog(m_Pak, m_Desktop);
    const QString folder = m_Root + "Games/ID1";
    const QString file = m_Root + "x/y.wav";
    const QString missing = m_Root + "b/none.wav";
    QStringList files = {folder, file, file, missing};
    QString internal = "sound/misc";
    QString base = m_Root + "X"; // the same folder as x/ in other letter case
    bool recurse = true;

    QStringList baseItems;
    QString baseShown;
    WhenShown([&](QWidget &shown) {
      auto *list = Child<QListWidget>(shown, "FileListBox");
      auto *baseCombo = Child<QComboBox>(shown, "BaseDirCombo");
      baseItems = Items(baseCombo);
      baseShown = baseCombo->currentText();
      QVERIFY(list->item(0)->font().bold());  // an existing directory
      QVERIFY(!list->item(1)->font().bold()); // a file
      QVERIFY(Child<QCheckBox>(shown, "RecurseCheck")->isChecked());
      QCOMPARE(Child<QComboBox>(shown, "DirCombo")->currentText(), QString("sound/misc"));
      QVERIFY(!Child<QPushButton>(shown, "DelBtn")->isEnabled());
      Child<QCheckBox>(shown, "RecurseCheck")->setChecked(false);
      Child<QComboBox>(shown, "DirCombo")->setEditText("progs");
      baseCombo->setEditText("/elsewhere/");
      Click(shown, "OKBtn");
    });
    QVERIFY(dialog.Execute(files, internal, base, recurse));

    // Duplicates handed in stay; the folder and every containing folder are
    // offered, sorted ignoring case, and the given base folder, already there
    // in other letter case, is not added again but shown as given.
    QCOMPARE(baseItems, QStringList({m_Root + "b/", m_Root + "Games/", m_Root + "Games/ID1/", m_Root + "x/"}));
    QCOMPARE(baseShown, m_Root + "X/");
    QCOMPARE(files, QStringList({folder, file, file, missing}));
    QCOMPARE(internal, QString("progs"));
    QCOMPARE(base, QString("/elsewhere/"));
    QVERIFY(!recurse);
    QCOMPARE(dialog.windowTitle(), QString("Add Files"));
  }

  void DirComboOffersImmediateDirectoriesInArchiveOrder() {
    // Capitals are offered in lower case, each directory once, in the order
    // of first appearance; a backslash separates too; gfx alone is never an
    // entry's own directory.
    OpenArchive({"Maps/b.bsp", "gfx/sub/a.lmp", "top.cfg", "maps/c.bsp", "GFX/SUB/d.lmp", "sound\\x.wav"});
    {
      TAddDialog dialog(m_Pak, m_Desktop);
      QStringList files;
      QString internal = "given", base;
      bool recurse = false;
      QStringList offered;
      QString shown;
      WhenShown([&](QWidget &dialogShown) {
        auto *combo = Child<QComboBox>(dialogShown, "DirCombo");
        offered = Items(combo);
        shown = combo->currentText();
        Click(dialogShown, "CancelBtn");
      });
      QVERIFY(!dialog.Execute(files, internal, base, recurse));
      QCOMPARE(offered, QStringList({"maps", "gfx/sub", "sound"}));
      QCOMPARE(shown, QString("given"));
    }
    OpenArchive({"a.wav", "b.cfg"});
    {
      TAddDialog dialog(m_Pak, m_Desktop);
      QStringList files;
      QString internal, base;
      bool recurse = false;
      int offered = -1;
      WhenShown([&](QWidget &dialogShown) {
        offered = Child<QComboBox>(dialogShown, "DirCombo")->count();
        Click(dialogShown, "CancelBtn");
      });
      dialog.Execute(files, internal, base, recurse);
      QCOMPARE(offered, 0);
    }
  }

  void NoPathsOrCancelReturnFalseButTheRecurseFlag() {
    OpenArchive({});
    TAddDialog dialog(m_Pak, m_Desktop);
    QStringList files;
    QString internal = "in", base = "";
    bool recurse = false;
    WhenShown([](QWidget &shown) {
      Child<QCheckBox>(shown, "RecurseCheck")->setChecked(true);
      Click(shown, "OKBtn");
    });
    QVERIFY(!dialog.Execute(files, internal, base, recurse));
    QVERIFY(recurse);
    QCOMPARE(internal, QString("in"));

    // Esc cancels: the list and directories stay as passed, the flag comes back.
    files = QStringList{m_Root + "x/y.wav"};
    WhenShown([](QWidget &shown) {
      Child<QCheckBox>(shown, "RecurseCheck")->setChecked(false);
      Child<QComboBox>(shown, "DirCombo")->setEditText("changed");
      QTest::keyClick(&shown, Qt::Key_Escape);
    });
    QVERIFY(!dialog.Execute(files, internal, base, recurse));
    QVERIFY(!recurse);
    QCOMPARE(files, QStringList{m_Root + "x/y.wav"});
    QCOMPARE(internal, QString("in"));
    QCOMPARE(base, QString());

    // Enter closes with OK.
    WhenShown([](QWidget &shown) { QTest::keyClick(&shown, Qt::Key_Return); });
    QVERIFY(dialog.Execute(files, internal, base, recurse));
    QCOMPARE(base, m_Root + "x/");
  }

  void AddFileSkipsListedPathsIgnoringCase() {
    OpenArchive({});
    TAddDialog dialog(m_Pak, m_Desktop);
    QStringList files = {m_Root + "x/a.txt"};
    QString internal, base;
    bool recurse = false;
    // The first choice repeats a listed path in capitals and adds a new file;
    // the second chooser is cancelled.
    m_Desktop.OpenFilesAnswers.enqueue({m_Root + "X/A.TXT", m_Root + "Games/new.wav", m_Root + "games/NEW.WAV"});
    QString baseShown;
    WhenShown([&](QWidget &shown) {
      Click(shown, "AddBtn");
      baseShown = Child<QComboBox>(shown, "BaseDirCombo")->currentText();
      Click(shown, "AddBtn");
      Click(shown, "OKBtn");
    });
    QVERIFY(dialog.Execute(files, internal, base, recurse));
    QCOMPARE(files, QStringList({m_Root + "x/a.txt", m_Root + "Games/new.wav"}));
    QCOMPARE(baseShown, m_Root + "Games/");
    QCOMPARE(base, m_Root + "Games/");

    QCOMPARE(m_Desktop.FileRequests.size(), 2);
    const TFileDialogRequest &request = m_Desktop.FileRequests.first();
    QCOMPARE(request.Title, QString("Select Files To Add To List"));
    QVERIFY(request.Multiple);
    QCOMPARE(
        request.Filters,
        QStringList({"All Quake Formats (*.bin *.bsp *.cfg *.dat *.dem *.lmp *.mdl *.spr *.wad *.wav)",
                     "End Screen (*.bin)", "Quake Maps (*.bsp)", "Config Files (*.cfg)", "Compiled Quake C (*.dat)",
                     "Quake Demos (*.dem)", "Lump Files (*.lmp)", "Model Files (*.mdl)", "Sprites (*.spr)",
                     "WAD2 Files (*.wad)", "Wave Sounds (*.wav)", "All Files (*)"}));
  }

  void AddDirectoryOffersItAndSelectsItsParent() {
    OpenArchive({});
    TAddDialog dialog(m_Pak, m_Desktop);
    QStringList files;
    QString internal, base;
    bool recurse = false;
    const QString folder = m_Root + "Games/ID1";
    m_Desktop.DirectoryAnswers.enqueue(folder);
    m_Desktop.DirectoryAnswers.enqueue(m_Root + "games/id1"); // already listed
    QStringList baseItems;
    bool bold = false;
    WhenShown([&](QWidget &shown) {
      Click(shown, "AddDirBtn");
      Click(shown, "AddDirBtn");
      baseItems = Items(Child<QComboBox>(shown, "BaseDirCombo"));
      bold = Child<QListWidget>(shown, "FileListBox")->item(0)->font().bold();
      Click(shown, "AddDirBtn"); // cancelled: nothing changes
      Click(shown, "OKBtn");
    });
    QVERIFY(dialog.Execute(files, internal, base, recurse));
    QCOMPARE(files, QStringList{folder});
    QCOMPARE(baseItems, QStringList({m_Root + "Games/", folder + "/"}));
    QCOMPARE(base, m_Root + "Games/");
    QVERIFY(bold);
    QCOMPARE(m_Desktop.DirectoryCanCreate, QList<bool>({false, false, false}));
    QCOMPARE(m_Desktop.DirectoryStarts, QStringList({QString(), QString(), QString()}));
  }

  void TypedBaseDirectoryStaysAndThePreviewFollowsTyping() {
    OpenArchive({});
    TAddDialog dialog(m_Pak, m_Desktop);
    QStringList files{m_Root + "x/y.wav"};
    QString internal, base;
    bool recurse = false;
    m_Desktop.DirectoryAnswers.enqueue(m_Root + "Games/ID1");
    QStringList previews;
    QString baseAfterAdd;
    WhenShown([&](QWidget &shown) {
      auto *baseBox = Child<QComboBox>(shown, "BaseDirCombo");
      auto *dirBox = Child<QComboBox>(shown, "DirCombo");
      QListWidgetItem *item = Child<QListWidget>(shown, "FileListBox")->item(0);
      previews << item->toolTip();
      // Every keystroke shows its effect, without leaving the box.
      baseBox->setFocus();
      baseBox->lineEdit()->selectAll();
      QTest::keyClicks(baseBox->lineEdit(), m_Root);
      previews << item->toolTip();
      dirBox->setFocus();
      QTest::keyClicks(dirBox->lineEdit(), "sound");
      previews << item->toolTip();
      // A folder added later is offered but does not replace what the user typed.
      Click(shown, "AddDirBtn");
      baseAfterAdd = baseBox->currentText();
      Click(shown, "OKBtn");
    });
    QVERIFY(dialog.Execute(files, internal, base, recurse));
    QCOMPARE(previews, QStringList({"y.wav", "x/y.wav", "sound/x/y.wav"}));
    QCOMPARE(baseAfterAdd, m_Root);
    QCOMPARE(base, m_Root);
  }

  void RemoveDeletesTheSelectionAndFollowsIt() {
    OpenArchive({});
    TAddDialog dialog(m_Pak, m_Desktop);
    QStringList files = {"/one", "/two", "/three"};
    QString internal, base;
    bool recurse = false;
    bool enabledBefore = true, enabledWithSelection = false, enabledAfter = true;
    WhenShown([&](QWidget &shown) {
      auto *list = Child<QListWidget>(shown, "FileListBox");
      auto *remove = Child<QPushButton>(shown, "DelBtn");
      enabledBefore = remove->isEnabled();
      list->item(0)->setSelected(true);
      list->item(2)->setSelected(true);
      enabledWithSelection = remove->isEnabled();
      remove->click();
      enabledAfter = remove->isEnabled();
      Click(shown, "OKBtn");
    });
    QVERIFY(dialog.Execute(files, internal, base, recurse));
    QVERIFY(!enabledBefore);
    QVERIFY(enabledWithSelection);
    QVERIFY(!enabledAfter);
    QCOMPARE(files, QStringList{"/two"});
  }

  void DroppedLocalFilesJoinTheList() {
    OpenArchive({});
    TAddDialog dialog(m_Pak, m_Desktop);
    QStringList files = {m_Root + "x/a.txt"};
    QString internal, base;
    bool recurse = false;
    bool remoteEntered = true, localEntered = false;
    QStringList baseItems;
    bool folderBold = false;
    WhenShown([&](QWidget &shown) {
      // A drag of web addresses only is refused.
      Drop(shown, {QUrl("https://example.com/a.pak")}, &remoteEntered);
      // A listed file in other letter case is skipped; a dropped folder is
      // listed like a file, and only its parent is offered.
      Drop(shown,
           {QUrl::fromLocalFile(m_Root + "X/A.TXT"), QUrl::fromLocalFile(m_Root + "Games/ID1"),
            QUrl("https://example.com/b.wav"), QUrl::fromLocalFile(m_Root + "x/y.wav")},
           &localEntered);
      baseItems = Items(Child<QComboBox>(shown, "BaseDirCombo"));
      folderBold = Child<QListWidget>(shown, "FileListBox")->item(1)->font().bold();
      Click(shown, "OKBtn");
    });
    QVERIFY(dialog.Execute(files, internal, base, recurse));
    QVERIFY(!remoteEntered);
    QVERIFY(localEntered);
    QCOMPARE(files, QStringList({m_Root + "x/a.txt", m_Root + "Games/ID1", m_Root + "x/y.wav"}));
    QVERIFY(folderBold);
    QCOMPARE(baseItems, QStringList({m_Root + "Games/", m_Root + "x/"}));
    QCOMPARE(base, m_Root + "x/");
  }

  void LongDroppedPathsArriveWhole() {
    OpenArchive({});
    TAddDialog dialog(m_Pak, m_Desktop);
    QStringList files;
    QString internal, base;
    bool recurse = false;
    const QString longPath = m_Root + QString(150, 'd') + "/" + QString(150, 'f') + ".wav";
    WhenShown([&](QWidget &shown) {
      Drop(shown, {QUrl::fromLocalFile(longPath)});
      Click(shown, "OKBtn");
    });
    QVERIFY(dialog.Execute(files, internal, base, recurse));
    QCOMPARE(files, QStringList{longPath});
    QCOMPARE(base, m_Root + QString(150, 'd') + "/");
  }
};

QTEST_MAIN(AddDlgTest)
#include "AddDlgTest.moc"
