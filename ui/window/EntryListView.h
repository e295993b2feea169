// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's entry list: a report view of TEntryListModel that keeps
// the order shown in its header, answers which entries are selected, sorts on
// a header click and shows its context menu.
#pragma once

#include "EntryListModel.h"
#include "PakQuake.h"

#include <QTreeView>
#include <vector>

class QAction;
class QMenu;

class TEntryListView : public QTreeView {
  Q_OBJECT
public:
  TEntryListView(TEntryListModel &model, QWidget *parent = nullptr);

  TEntryListModel &Model() const { return m_Model; }
  // Selected row numbers, ascending (top of the list first).
  std::vector<int> SelectedRows() const;
  int SelectedCount() const { return static_cast<int>(SelectedRows().size()); }
  // The stored names of the selected rows, in the list's current order.
  TStringList SelectedNames() const;
  // The stored names of every row, in the list's current order.
  TStringList AllNames() const;

  // A sort command: the key again reverses the order, another key sorts ascending.
  void SortBy(TSortKey key);
  // Shows the model's order in the header; the type order has no column.
  void ShowSortOrder();
  // The menu shown on a right click in the list.
  void SetContextMenu(QMenu *menu) { m_ContextMenu = menu; }
  // The switch between exact sizes and KB/MB, offered on a right click in the header.
  QAction *SizesInUnitsAction() const { return m_SizesInUnits; }
  using QTreeView::edit; // beside the override below

signals:
  // The left mouse button was released over the rows, before the view itself
  // handles the release.
  void Clicked();

protected:
  // A click on a row of a selection of several selects that row: only a
  // click on the one selected row renames it.
  bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;

private:
  TEntryListModel &m_Model;
  QMenu *m_ContextMenu = nullptr;
  QMenu *m_HeaderMenu = nullptr;
  QAction *m_SizesInUnits = nullptr;
};
