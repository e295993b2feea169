// SPDX-License-Identifier: GPL-3.0-or-later
#include "EntryListView.h"

#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QStyle>

#include <algorithm>

namespace {
// The columns' widths when the window opens, in column order.
constexpr int DefaultWidths[TEntryListModel::ColumnCount] = {150, 100, 100, 150};
// The Name column fits a long name of the game's own as the font draws it.
const QString TypicalLongName = QStringLiteral("progs/player_armour1.mdl");
} // namespace

TEntryListView::TEntryListView(TEntryListModel &model, QWidget *parent) : QTreeView(parent), m_Model(model) {
  setObjectName(QStringLiteral("OneViewList"));
  setModel(&m_Model);
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setAllColumnsShowFocus(true);
  setSortingEnabled(false); // the model sorts, on the sort commands only
  setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
  setContextMenuPolicy(Qt::CustomContextMenu);
  for (int column = 0; column < TEntryListModel::ColumnCount; ++column)
    setColumnWidth(column, DefaultWidths[column]);
  const int margins = 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) +
                      style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this) + 16;
  setColumnWidth(TEntryListModel::colName,
                 std::max(DefaultWidths[TEntryListModel::colName], fontMetrics().horizontalAdvance(TypicalLongName) + margins));
  QHeaderView *columns = header();
  columns->setSectionsClickable(true);
  columns->setSectionsMovable(false);
  columns->setSortIndicatorShown(true);
  columns->setSortIndicator(-1, Qt::AscendingOrder);
  m_HeaderMenu = new QMenu(this);
  m_SizesInUnits = m_HeaderMenu->addAction(tr("Sizes in KB/MB"));
  m_SizesInUnits->setObjectName(QStringLiteral("SizesInUnits"));
  m_SizesInUnits->setCheckable(true);
  connect(m_SizesInUnits, &QAction::toggled, this, [this](bool inUnits) { m_Model.SetSizesInUnits(inUnits); });
  columns->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(columns, &QWidget::customContextMenuRequested, this,
          [this, columns](const QPoint &position) { m_HeaderMenu->popup(columns->mapToGlobal(position)); });

  connect(columns, &QHeaderView::sectionClicked, this, [this](int column) {
    if (const std::optional<TSortKey> key = TEntryListModel::KeyOfColumn(column))
      SortBy(*key);
  });
  connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint &position) {
    if (m_ContextMenu != nullptr)
      m_ContextMenu->popup(viewport()->mapToGlobal(position));
  });
}

std::vector<int> TEntryListView::SelectedRows() const {
  std::vector<int> rows;
  const QItemSelectionModel *selection = selectionModel();
  if (selection == nullptr)
    return rows;
  for (const QItemSelectionRange &range : selection->selection())
    if (range.left() == 0)
      for (int row = range.top(); row <= range.bottom(); ++row)
        rows.push_back(row);
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

TStringList TEntryListView::SelectedNames() const {
  TStringList names;
  for (int row : SelectedRows())
    names.emplace_back(m_Model.Row(row).EntryName);
  return names;
}

TStringList TEntryListView::AllNames() const {
  TStringList names;
  names.reserve(static_cast<size_t>(m_Model.RowCount()));
  for (int row = 0; row < m_Model.RowCount(); ++row)
    names.emplace_back(m_Model.Row(row).EntryName);
  return names;
}

void TEntryListView::SortBy(TSortKey key) {
  m_Model.SetSortOrder(m_Model.SortOrder().Toggled(key));
  ShowSortOrder();
}

void TEntryListView::ShowSortOrder() {
  const TSortOrder order = m_Model.SortOrder();
  const int column = TEntryListModel::ColumnOf(order.Key);
  header()->setSortIndicator(column, column >= 0 && order.Descending ? Qt::DescendingOrder : Qt::AscendingOrder);
}

bool TEntryListView::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) {
  if (trigger == SelectedClicked && SelectedCount() > 1)
    return false;
  return QTreeView::edit(index, trigger, event);
}

void TEntryListView::mouseReleaseEvent(QMouseEvent *event) {
  if (event->button() == Qt::LeftButton)
    emit Clicked();
  QTreeView::mouseReleaseEvent(event);
}
