// SPDX-License-Identifier: GPL-3.0-or-later
// The entry list with what narrows it: a tree of the archive's folders beside
// it (a folder shows the entries below it, the top one all of them) and a
// filter box above it (Ctrl+F, or typing while the list has focus).
#pragma once

#include "EntryListModel.h"

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

class QLineEdit;
class QMimeData;
class QStandardItem;
class QStackedWidget;
class QStandardItemModel;
class QTreeView;
class TEntryListView;

class TEntryBrowser : public QWidget {
  Q_OBJECT
public:
  // list is laid out inside the browser.
  TEntryBrowser(TEntryListView &list, QWidget *parent = nullptr);

  // Builds the tree from the folders of the entries (stored paths ending in
  // "/", "" for the top level), under a top item of that caption; the folder
  // chosen before stays chosen while the archive still has it. lumpFolders:
  // the entries (WADs, maps) shown as folders of their lumps, under their
  // own folders.
  void ShowFolders(const std::vector<std::string> &paths, const QString &topCaption,
                   std::vector<std::string> lumpFolders = {});
  // Chooses the folder (its stored path ending in "/"; empty: the top).
  void SelectFolder(const std::string &folder);
  // Shows everything: the top folder, no filter text, no folder open. Another archive starts so.
  void ShowAll();
  QLineEdit *FilterBox() const { return m_FilterBox; }
  // The entry chosen in the tree as a folder of lumps; empty when a folder is.
  std::string ChosenLumpFolder() const;
  // Chooses the item of the entry shown as a folder of lumps.
  void SelectLumpFolder(const std::string &entryName);
  // Lays out the list of a folder of lumps in the entry list's place.
  void SetLumpList(QWidget *lumps);
  // Shows the list of lumps (the filter box then narrows it), or the entry list.
  void ShowLumpList(bool shown);
  bool LumpListShown() const;
  QTreeView *Folders() const { return m_Folders; }

  // Makes the data of a drag of the entries stored under these names, offered
  // relative to folder; unset: folders are not dragged. A dragged folder of
  // the tree hands over every entry below it, relative to its parent.
  std::function<QMimeData *(const TStringList &names, const std::string &folder)> OnDrag;

signals:
  // The list shows other rows: another folder or filter text.
  void FilterChanged();
  // Another item of the tree was chosen: an entry shown as a folder of lumps
  // (its stored name), or a folder (empty).
  void LumpFolderChosen(const std::string &entryName);

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  // The folder of the chosen tree item; empty for the top.
  std::string ChosenFolder() const;
  // The data of a drag of the folder (its stored path ending in "/"; empty: the top).
  QMimeData *DragFolder(const std::string &folder) const;
  void ApplyFilter();

  TEntryListView &m_List;
  QTreeView *m_Folders = nullptr;
  QStandardItemModel *m_FolderModel = nullptr;
  QLineEdit *m_FilterBox = nullptr;
  QStackedWidget *m_ListPages = nullptr;
  std::string m_LumpFolder; // the entry of the lump folder chosen last; empty: a folder
};
