// SPDX-License-Identifier: GPL-3.0-or-later
#include "LumpList.h"

#include "EntryFilter.h"
#include "EntryListModel.h"
#include "EntryText.h"
#include "LumpFolder.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QSortFilterProxyModel>

namespace {
// What a row sorts by in each column.
constexpr int SortRole = Qt::UserRole;

QIcon LumpIcon(const QuakeWad::TLump &lump) {
  if (lump.Type == QuakeWad::ltSound)
    return KindIcon(fkWave);
  switch (QuakeWad::KindOfLump(lump)) {
  case QuakeWad::lkPalette:
    return KindIcon(fkPalette);
  case QuakeWad::lkOther:
    return KindIcon(fkUnknown);
  default:
    return KindIcon(fkLump);
  }
}
} // namespace

// Sorts the lumps by the column clicked; lets through those the filter box's text does, as the entry list does.
class TLumpSortFilter : public QSortFilterProxyModel {
public:
  using QSortFilterProxyModel::QSortFilterProxyModel;
  void SetText(const std::string &text) {
    m_Filter.Text = text;
    m_Compiled.emplace(m_Filter);
    invalidateFilter();
  }

protected:
  bool filterAcceptsRow(int sourceRow, const QModelIndex &) const override {
    const auto *model = static_cast<const TLumpListModel *>(sourceModel());
    return !m_Compiled || model->Folder() == nullptr ||
           m_Compiled->ShowsName(model->Folder()->Wad.Lumps[static_cast<size_t>(sourceRow)].Name);
  }

private:
  TEntryFilter m_Filter;
  std::optional<TCompiledFilter> m_Compiled; // refers to m_Filter
};

void TLumpListModel::Show(const TLumpFolder *folder) {
  beginResetModel();
  m_Folder = folder;
  endResetModel();
}

int TLumpListModel::rowCount(const QModelIndex &parent) const {
  return parent.isValid() || m_Folder == nullptr ? 0 : static_cast<int>(m_Folder->Wad.Lumps.size());
}

int TLumpListModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant TLumpListModel::data(const QModelIndex &index, int role) const {
  if (!index.isValid() || m_Folder == nullptr || index.row() >= rowCount())
    return {};
  const QuakeWad::TLump &lump = m_Folder->Wad.Lumps[static_cast<size_t>(index.row())];
  const auto size = static_cast<qlonglong>(lump.Data.size());
  switch (role) {
  case Qt::DisplayRole:
  case Qt::EditRole:
    switch (index.column()) {
    case colName:
      return EntryToDisplay(lump.Name);
    case colType:
      return LumpTypeText(lump);
    case colSize:
      return QString::number(size);
    default:
      return {};
    }
  case SortRole:
    if (index.column() == colSize)
      return size;
    return data(index, Qt::DisplayRole).toString().toLower();
  case Qt::DecorationRole:
    return index.column() == colName && m_Folder != nullptr ? LumpIcon(lump) : QVariant();
  case Qt::TextAlignmentRole:
    return index.column() == colSize ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
  default:
    return {};
  }
}

QVariant TLumpListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
    return {};
  switch (section) {
  case colName:
    return tr("Name");
  case colType:
    return tr("Type");
  case colSize:
    return tr("Size");
  default:
    return {};
  }
}

Qt::ItemFlags TLumpListModel::flags(const QModelIndex &index) const {
  Qt::ItemFlags flags = QAbstractTableModel::flags(index);
  if (index.isValid() && index.column() == colName && OnRename && m_Folder != nullptr && !m_Folder->ReadOnly)
    flags |= Qt::ItemIsEditable;
  return flags;
}

bool TLumpListModel::setData(const QModelIndex &index, const QVariant &value, int role) {
  if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
    return false;
  // The rows are made anew by the rename's refresh.
  return OnRename(index.row(), DisplayToEntry(value.toString()));
}

// ---------------------------------------------------------------------------

TLumpListView::TLumpListView(QWidget *parent) : QTreeView(parent) {
  setObjectName(QStringLiteral("LumpList"));
  m_Model = new TLumpListModel(this);
  m_Sorted = new TLumpSortFilter(this);
  m_Sorted->setSourceModel(m_Model);
  m_Sorted->setSortRole(SortRole);
  setModel(m_Sorted);
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
  setSortingEnabled(true);
  sortByColumn(TLumpListModel::colName, Qt::AscendingOrder);
  header()->setStretchLastSection(false);
  header()->setSectionResizeMode(TLumpListModel::colName, QHeaderView::Stretch);
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &TLumpListView::SelectionChanged);
}

void TLumpListView::Show(const TLumpFolder *folder, const std::vector<std::string> &selectedNames) {
  m_Model->Show(folder);
  if (folder == nullptr)
    return;
  QItemSelection selection;
  for (int row = 0; row < m_Sorted->rowCount(); ++row) {
    const QModelIndex index = m_Sorted->index(row, 0);
    const std::string &name = folder->Wad.Lumps[static_cast<size_t>(m_Sorted->mapToSource(index).row())].Name;
    if (std::ranges::count(selectedNames, name) != 0) {
      selection.select(index, index.siblingAtColumn(TLumpListModel::ColumnCount - 1));
      if (selection.size() == 1)
        setCurrentIndex(index);
    }
  }
  selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
  emit SelectionChanged();
}

std::vector<int> TLumpListView::SelectedLumps() const {
  std::vector<std::pair<int, int>> rows; // shown row, lump
  for (const QModelIndex &index : selectionModel()->selectedRows())
    rows.emplace_back(index.row(), m_Sorted->mapToSource(index).row());
  std::ranges::sort(rows);
  std::vector<int> lumps;
  for (const auto &[row, lump] : rows)
    lumps.push_back(lump);
  return lumps;
}

std::vector<std::string> TLumpListView::SelectedNames() const {
  std::vector<std::string> names;
  if (const TLumpFolder *folder = m_Model->Folder())
    for (const int lump : SelectedLumps())
      names.push_back(folder->Wad.Lumps[static_cast<size_t>(lump)].Name);
  return names;
}

int TLumpListView::ShownCount() const { return m_Sorted->rowCount(); }

void TLumpListView::SetFilterText(const QString &text) { m_Sorted->SetText(DisplayToEntry(text)); }

void TLumpListView::EditSelected() {
  const QModelIndexList rows = selectionModel()->selectedRows();
  if (rows.size() == 1)
    edit(rows.first());
}

void TLumpListView::contextMenuEvent(QContextMenuEvent *event) {
  if (m_ContextMenu != nullptr)
    m_ContextMenu->popup(event->globalPos());
}
