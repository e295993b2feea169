#include "EntryListModel.h"

#include "EntryText.h"
#include "PakQuake.h"

#include <algorithm>
#include <numeric>

namespace {
// Keys compared as numbers: a size as it stands, a position only when the data
// lies in the archive file; everything else counts as -1.
int64_t SizeKey(const TEntryRow &row) { return row.Size; }
int64_t PositionKey(const TEntryRow &row) { return row.Position > 0 ? row.Position : -1; }

template <typename T> int Sign(const T &first, const T &second) {
  if (first < second)
    return -1;
  return second < first ? 1 : 0;
}

// std::string compares through char_traits<char>::compare, that is memcmp: by
// unsigned byte value, as the order "by character code" wants.
int CompareBytes(const std::string &first, const std::string &second) {
  int result = first.compare(second);
  return result < 0 ? -1 : (result > 0 ? 1 : 0);
}
} // namespace

std::string TypeKeyOf(const std::string &caption) { return AsciiUpper(EntryExtension(caption, false)); }

TEntryRow MakeEntryRow(const std::string &entryName, int32_t size, int32_t position) {
  TEntryRow row;
  row.EntryName = entryName;
  row.Caption = EntryFileName(entryName);
  row.Path = EntryDirectory(entryName, true);
  row.TypeKey = TypeKeyOf(row.Caption);
  row.Size = size;
  row.Position = position;
  return row;
}

TEntryListModel::TEntryListModel(const QList<QIcon> &icons, QObject *parent)
    : QAbstractTableModel(parent), m_Icons(icons) {}

void TEntryListModel::SetRows(std::vector<TEntryRow> rows) {
  beginResetModel();
  m_Rows = std::move(rows);
  endResetModel();
}

void TEntryListModel::RenameRow(int row, const std::string &caption, const std::string &entryName) {
  if (row < 0 || row >= RowCount())
    return;
  TEntryRow &item = m_Rows[static_cast<size_t>(row)];
  item.Caption = caption;
  item.TypeKey = TypeKeyOf(caption);
  item.EntryName = entryName;
  emit dataChanged(index(row, colName), index(row, colName));
}

int TEntryListModel::CompareItems(const TEntryRow &first, const TEntryRow &second, uint8_t mode) {
  int result = 0;
  switch (mode / 2) {
  case 0:
    result = CompareBytes(first.Caption, second.Caption);
    break;
  case 1:
    result = CompareBytes(first.Path, second.Path);
    break;
  case 2:
    result = Sign(SizeKey(first), SizeKey(second));
    break;
  case 3:
    result = Sign(PositionKey(first), PositionKey(second));
    break;
  case 4:
    result = CompareBytes(first.TypeKey, second.TypeKey);
    break;
  default:
    return 0;
  }
  return mode % 2 == 0 ? result : -result;
}

void TEntryListModel::Sort(uint8_t mode) {
  if (mode > 9 || m_Rows.size() < 2)
    return;
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);

  std::vector<int> order(m_Rows.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [this, mode](int first, int second) {
    return CompareItems(m_Rows[static_cast<size_t>(first)], m_Rows[static_cast<size_t>(second)], mode) < 0;
  });

  std::vector<TEntryRow> sorted;
  sorted.reserve(m_Rows.size());
  std::vector<int> newRowOf(m_Rows.size());
  for (size_t i = 0; i < order.size(); ++i) {
    sorted.push_back(std::move(m_Rows[static_cast<size_t>(order[i])]));
    newRowOf[static_cast<size_t>(order[i])] = static_cast<int>(i);
  }
  m_Rows = std::move(sorted);

  // The view's selection and current row are persistent indexes: move them with their rows.
  const QModelIndexList before = persistentIndexList();
  QModelIndexList after;
  after.reserve(before.size());
  for (const QModelIndex &old : before)
    after.append(index(newRowOf[static_cast<size_t>(old.row())], old.column()));
  changePersistentIndexList(before, after);

  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int TEntryListModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : RowCount(); }

int TEntryListModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant TEntryListModel::data(const QModelIndex &index, int role) const {
  if (!index.isValid() || index.row() >= RowCount())
    return {};
  const TEntryRow &row = Row(index.row());
  if (role == Qt::DisplayRole || role == Qt::EditRole) {
    switch (index.column()) {
    case colName:
      return EntryToDisplay(row.Caption);
    case colSize:
      return QString::number(row.Size);
    case colPosition:
      return row.Position > 0 ? QString::number(row.Position) : QStringLiteral("?");
    case colPath:
      return EntryToDisplay(row.Path);
    default:
      return {};
    }
  }
  if (role == Qt::DecorationRole && index.column() == colName && row.IconIndex >= 0 && row.IconIndex < m_Icons.size())
    return m_Icons[row.IconIndex];
  return {};
}

QVariant TEntryListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
    return {};
  switch (section) {
  case colName:
    return QStringLiteral("Name");
  case colSize:
    return QStringLiteral("Size");
  case colPosition:
    return QStringLiteral("Position");
  case colPath:
    return QStringLiteral("Path");
  default:
    return {};
  }
}

Qt::ItemFlags TEntryListModel::flags(const QModelIndex &index) const {
  if (!index.isValid())
    return Qt::NoItemFlags;
  Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  if (index.column() == colName && !m_ReadOnly)
    result |= Qt::ItemIsEditable;
  return result;
}

bool TEntryListModel::setData(const QModelIndex &index, const QVariant &value, int role) {
  if (role != Qt::EditRole || !index.isValid() || index.column() != colName || m_ReadOnly || !OnEdited)
    return false;
  return OnEdited(index.row(), value.toString());
}
