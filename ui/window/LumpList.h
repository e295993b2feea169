// SPDX-License-Identifier: GPL-3.0-or-later
// The list of a folder of lumps (a WAD entry, or a map's textures), shown in
// the entry list's place while such a folder is chosen in the tree: one row a
// lump, with its name, type and size, sorted by a header click and narrowed
// by the filter box's text.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QTreeView>
#include <functional>
#include <string>
#include <vector>

class QMenu;
class TLumpSortFilter;
struct TLumpFolder;

class TLumpListModel : public QAbstractTableModel {
  Q_OBJECT
public:
  enum TColumn { colName, colType, colSize, ColumnCount };
  using QAbstractTableModel::QAbstractTableModel;

  // The folder's lumps (null: none), in one reset. The folder outlives the rows.
  void Show(const TLumpFolder *folder);
  const TLumpFolder *Folder() const { return m_Folder; }

  // Called when an in-place edit of a name ends, with the lump's place and
  // the typed name; true when renamed. Unset, or a read-only folder: no edits.
  std::function<bool(int lump, const std::string &newName)> OnRename;

  int rowCount(const QModelIndex &parent = QModelIndex()) const override;
  int columnCount(const QModelIndex &parent = QModelIndex()) const override;
  QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex &index) const override;
  bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

private:
  const TLumpFolder *m_Folder = nullptr;
};

class TLumpListView : public QTreeView {
  Q_OBJECT
public:
  explicit TLumpListView(QWidget *parent = nullptr);

  TLumpListModel &Model() const { return *m_Model; }
  // Shows the folder's lumps; the lumps of these names stay selected.
  void Show(const TLumpFolder *folder, const std::vector<std::string> &selectedNames = {});
  // The places in the folder of the selected lumps, in the list's order.
  std::vector<int> SelectedLumps() const;
  std::vector<std::string> SelectedNames() const;
  // The lumps the filter lets through.
  int ShownCount() const;
  // Shows only the lumps whose names the text lets through, as the entry list does (TEntryFilter).
  void SetFilterText(const QString &text);
  // Starts the in-place edit of the one selected lump's name.
  void EditSelected();
  void SetContextMenu(QMenu *menu) { m_ContextMenu = menu; }

signals:
  void SelectionChanged();

protected:
  void contextMenuEvent(QContextMenuEvent *event) override;

private:
  TLumpListModel *m_Model = nullptr;
  TLumpSortFilter *m_Sorted = nullptr;
  QMenu *m_ContextMenu = nullptr;
};
