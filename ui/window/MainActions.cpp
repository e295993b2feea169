// SPDX-License-Identifier: GPL-3.0-or-later
#include "MainActions.h"

#include "ArchiveSession.h"
#include "EntryText.h"
#include "LumpPicture.h"

#include <QAction>
#include <QIcon>
#include <QKeySequence>

namespace {
// The desktop theme's icon of that standard name, else the program's own drawing of it.
QIcon ActionIcon(const char *themeName) {
  const QString name = QLatin1String(themeName);
  return QIcon::fromTheme(name, QIcon(QStringLiteral(":/icons/actions/%1.svg").arg(name)));
}

// A file name as a menu caption: "&" would otherwise mark a mnemonic.
QString MenuText(const QString &text) {
  QString result = text;
  return result.replace(QLatin1Char('&'), QStringLiteral("&&"));
}
} // namespace

TMainActions::TMainActions(QObject *parent) : QObject(parent) {
  auto make = [this](const char *objectName, const QString &text, const QKeySequence &shortcut = {}) {
    auto *action = new QAction(text, this);
    action->setObjectName(QLatin1String(objectName));
    action->setShortcut(shortcut);
    // Menus show no icons, only the toolbar does.
    action->setIconVisibleInMenu(false);
    return action;
  };
  // The toolbar's actions: the hint is both tooltip and status tip.
  auto tool = [](QAction *action, const QString &hint, const QIcon &icon) {
    action->setToolTip(hint);
    action->setStatusTip(hint);
    action->setIcon(icon);
  };

  FileNew = make("MenuFileNew", tr("&New..."), QKeySequence(Qt::CTRL | Qt::Key_N));
  tool(FileNew, tr("Make New PAK File"), ActionIcon("document-new"));
  FileOpen = make("MenuFileOpen", tr("&Open..."), QKeySequence(Qt::CTRL | Qt::Key_O));
  tool(FileOpen, tr("Open PAK File"), ActionIcon("document-open"));
  FileOpenGameFolder = make("MenuFileOpenGameFolder", tr("Open &Game Folder..."));
  FileOpenGameFolder->setStatusTip(tr("List every file the game loads from a Quake directory and a mod"));
  FileSave = make("MenuFileSave", tr("&Save"), QKeySequence(Qt::CTRL | Qt::Key_S));
  tool(FileSave, tr("Save"), ActionIcon("document-save"));
  FileSaveAs = make("MenuFileSaveAs", tr("Save &As..."));
  FileSaveAs->setIcon(ActionIcon("document-save-as"));
  for (size_t i = 0; i < FileOld.size(); ++i) {
    FileOld[i] = make(qPrintable(QStringLiteral("MenuFileOld%1").arg(i + 1)), QString());
    FileOld[i]->setVisible(false);
  }
  FileOldDiv = make("MenuFileOldDiv", QString());
  FileOldDiv->setSeparator(true);
  FileOldDiv->setVisible(false);
  FileExit = make("MenuFileExit", tr("E&xit"));
  // The Linux desktops' quit key beside the program's Alt+X: spelled out, as
  // QKeySequence::Quit has no key under a Windows-like key scheme.
  FileExit->setShortcuts({QKeySequence(Qt::ALT | Qt::Key_X), QKeySequence(Qt::CTRL | Qt::Key_Q)});
  FileExit->setIcon(ActionIcon("application-exit"));

  Undo = make("MenuActionsUndo", tr("&Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z));
  tool(Undo, tr("Undo"), ActionIcon("edit-undo"));
  Add = make("MenuActionsAdd", tr("&Add..."), QKeySequence(Qt::CTRL | Qt::Key_A));
  tool(Add, tr("Add File To PAK File"), ActionIcon("list-add"));
  Delete = make("MenuActionsDel", tr("&Delete"), QKeySequence(Qt::CTRL | Qt::Key_Delete));
  tool(Delete, tr("Delete File From PAK File"), ActionIcon("list-remove"));
  Extract = make("MenuActionsExtract", tr("&Extract..."), QKeySequence(Qt::CTRL | Qt::Key_E));
  tool(Extract, tr("Extract File From PAK File"), ActionIcon("document-export"));
  View = make("MenuActionsView", tr("&View"));
  // The keypad's Enter too.
  View->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
  tool(View, tr("View File"), ActionIcon("document-preview"));
  Move = make("MenuActionsMove", tr("&Move Files..."));
  tool(Move, tr("Move File"), ActionIcon("go-jump"));
  Rename = make("MenuActionsRename", tr("&Rename"), QKeySequence(Qt::Key_F2));
  Rename->setStatusTip(tr("Rename the file in the list"));
  CheckArchive = make("MenuActionsCheck", tr("&Check Archive"));
  Edit = make("MenuActionsEdit", tr("Edi&t"));
  Edit->setStatusTip(tr("Edit the file in another program and take its changes back into the archive"));
  EditWith = make("MenuActionsEditWith", tr("Edit &With..."));
  EditWith->setStatusTip(tr("Choose the program to edit the file in"));
  ExportPicture = make("MenuActionsExportPicture", tr("Export as &PNG..."));
  ExportPicture->setStatusTip(tr("Save the picture as a PNG image"));
  ImportPicture = make("MenuActionsImportPicture", tr("&Import Picture..."));
  ImportPicture->setStatusTip(tr("Make a picture lump from a PNG, BMP or TGA image"));
  CheckArchive->setStatusTip(tr("Check whether the game reads every entry of the archive"));
  CompareWith = make("MenuActionsCompareWith", tr("C&ompare With..."));
  CompareWith->setStatusTip(tr("Compare the archive as saved with another PAK file"));

  Sorts = {{{make("MenuSortName", tr("Sort By &Name")), skName},
            {make("MenuSortDir", tr("Sort By Pat&h")), skPath},
            {make("MenuSortType", tr("Sort By T&ype")), skType},
            {make("MenuSortSize", tr("Sort By &Size")), skSize},
            {make("MenuSortOffset", tr("Sort By O&ffset")), skPosition}}};
  for (const TSortAction &sort : Sorts)
    sort.Action->setIcon(ActionIcon("view-sort-ascending"));
  Options = make("MenuViewOptions", tr("&Options..."));
  Options->setIcon(ActionIcon("preferences-system"));
  About = make("MenuHelpAbout", tr("About Varnel..."));
  About->setIcon(ActionIcon("help-about"));
  PreviewPane = make("MenuViewPreview", tr("Pre&view Pane"), QKeySequence(Qt::Key_F3));
  PreviewPane->setCheckable(true);
  PreviewPane->setChecked(true);
  PreviewPane->setStatusTip(tr("Show or hide what the selected entry holds beside the list"));
  FocusPreview = make("MenuViewFocusPreview", tr("Go to P&review"), QKeySequence(Qt::Key_F6));
  FocusPreview->setStatusTip(tr("Move the keyboard focus into the preview pane"));
}

void TMainActions::Update(const TArchiveSession &session, int selectedCount) {
  const TQuakePak &pak = session.Pak();
  const bool quake = !pak.QuakeDirectory().empty();
  const bool open = quake && !pak.FileName().empty();
  const bool changeable = open && !pak.IsProtected();
  const bool change = changeable && selectedCount > 0;

  for (QAction *action : {FileNew, FileOpen, FileOld[0], FileOld[1], FileOld[2], FileOld[3]})
    action->setEnabled(quake);
  for (QAction *action : {FileSave, Add, ImportPicture})
    action->setEnabled(changeable);
  for (QAction *action : {Delete, Move})
    action->setEnabled(change);
  for (QAction *action : {FileSaveAs, Extract, CheckArchive})
    action->setEnabled(open);
  for (const TSortAction &sort : Sorts)
    sort.Action->setEnabled(open);
  View->setEnabled(open && selectedCount == 1);
  // The comparison reads the archive's file: a new one has none yet.
  CompareWith->setEnabled(open && !pak.IsUntitled());
  Edit->setEnabled(changeable && selectedCount == 1);
  Rename->setEnabled(Edit->isEnabled());
  EditWith->setEnabled(Edit->isEnabled());
  Undo->setEnabled(pak.CanUndo());

  QString undoCaption;
  switch (pak.UndoKind()) {
  case 1:
    undoCaption = tr("&Undo Add File(s)");
    break;
  case 2:
    undoCaption = tr("&Undo Delete File(s)");
    break;
  case 3:
    undoCaption = tr("&Undo Rename File(s)");
    break;
  case 4:
    undoCaption = tr("&Undo Move File(s)");
    break;
  case 5:
    undoCaption = tr("&Undo Update of %1").arg(MenuText(EntryToDisplay(pak.UndoEntryName())));
    break;
  default:
    undoCaption = tr("&Undo");
    break;
  }
  Undo->setText(undoCaption);
  // The toolbar's hint is the caption without its mnemonic.
  const QString hint = undoCaption.mid(1).replace(QStringLiteral("&&"), QStringLiteral("&"));
  Undo->setToolTip(hint);
  Undo->setStatusTip(hint);
}

void TMainActions::FollowSelection(const TStringList &selected) {
  ExportPicture->setEnabled(Extract->isEnabled() && selected.size() == 1 &&
                            LumpPicture::Converts(FileKindOf(selected.front())));
}

void TMainActions::ShowRecentFiles(const std::array<QString, 4> &files) {
  for (size_t i = 0; i < files.size(); ++i) {
    FileOld[i]->setText(QStringLiteral("&%1. ").arg(i + 1) + MenuText(files[i]));
    FileOld[i]->setVisible(!files[i].isEmpty());
  }
  FileOldDiv->setVisible(FileOld[0]->isVisible());
}
