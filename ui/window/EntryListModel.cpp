// SPDX-License-Identifier: GPL-3.0-or-later
#include "EntryListModel.h"

#include "DesktopServices.h"
#include "EntryText.h"
#include "PakQuake.h"
#include "Translations.h"

#include <QFile>
#include <QLocale>

#include <algorithm>
#include <iterator>
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

// What each sort key compares, and the column that shows it (-1: none).
struct TSortKeyRule {
  int Column;
  int (*Compare)(const TEntryRow &first, const TEntryRow &second);
};
const TSortKeyRule SortKeys[SortKeyCount] = {
    {TEntryListModel::colName,
     [](const TEntryRow &a, const TEntryRow &b) { return CompareBytes(a.Caption, b.Caption); }},
    {TEntryListModel::colPath, [](const TEntryRow &a, const TEntryRow &b) { return CompareBytes(a.Path, b.Path); }},
    {TEntryListModel::colSize, [](const TEntryRow &a, const TEntryRow &b) { return Sign(SizeKey(a), SizeKey(b)); }},
    {TEntryListModel::colPosition,
     [](const TEntryRow &a, const TEntryRow &b) { return Sign(PositionKey(a), PositionKey(b)); }},
    {-1, [](const TEntryRow &a, const TEntryRow &b) { return CompareBytes(a.TypeKey, b.TypeKey); }},
};

// The column titles, in column order.
const char *const ColumnTitles[TEntryListModel::ColumnCount] = {
    QT_TRANSLATE_NOOP("TEntryListModel", "Name"), QT_TRANSLATE_NOOP("TEntryListModel", "Size"),
    QT_TRANSLATE_NOOP("TEntryListModel", "Position"), QT_TRANSLATE_NOOP("TEntryListModel", "Path")};

// An extension that can stand in a probe file's name inside our own folder:
// one holding a separator could name a file elsewhere.
bool SafeProbeExtension(const std::string &extension) {
  return extension.find_first_of(std::string("/\\\0", 3)) == std::string::npos &&
         extension.size() <= static_cast<size_t>(PakFormat::NameSize);
}
} // namespace

QString KindIconPath(TFileKind kind) {
  const std::string_view icon = KindInfo(kind).Icon;
  return QStringLiteral(":/icons/kinds/") + QLatin1String(icon.data(), static_cast<qsizetype>(icon.size()));
}

std::string TypeKeyOf(const std::string &caption) { return AsciiUpper(EntryExtension(caption, false)); }

TEntryRow MakeEntryRow(const std::string &entryName, int32_t size, int32_t position) {
  TEntryRow row;
  row.EntryName = entryName;
  row.Caption = EntryFileName(entryName);
  row.Path = EntryDirectory(entryName, true);
  row.TypeKey = TypeKeyOf(row.Caption);
  row.Kind = FileKindOf(entryName);
  row.Size = size;
  row.Position = position;
  return row;
}

std::optional<TSortOrder> TSortOrder::FromNumber(int number) {
  if (number < 0 || number >= SortKeyCount * 2)
    return std::nullopt;
  return TSortOrder{static_cast<TSortKey>(number / 2), number % 2 != 0};
}

TSortOrder TSortOrder::Toggled(TSortKey key) const { return {key, key == Key && !Descending}; }

TEntryListModel::TEntryListModel(TDesktopServices &desktop, QObject *parent)
    : QAbstractTableModel(parent), m_Desktop(desktop) {
  for (const TFileKindInfo &info : FileKinds)
    if (info.Kind != fkUnknown)
      m_KindIcons.emplace_back(KindIconPath(info.Kind));
}

void TEntryListModel::Fill(TQuakePak &pak) {
  std::vector<TEntryRow> rows;
  rows.reserve(static_cast<size_t>(pak.EntryCount()));
  for (const TDirEntry &entry : pak.Directory()) {
    TEntryRow row = MakeEntryRow(entry.Name, entry.Size, entry.Position);
    if (row.Kind == fkUnknown)
      row.IconIndex = AssociationIndex(pak, EntryExtension(entry.Name, false));
    rows.push_back(std::move(row));
  }
  // Sorted before the view sees them: nothing of the view has to follow.
  SortRows(rows, nullptr);
  SetRows(std::move(rows));
}

void TEntryListModel::SetRows(std::vector<TEntryRow> rows) {
  beginResetModel();
  m_Rows = std::move(rows);
  FindShownRows();
  endResetModel();
}

void TEntryListModel::SetFilter(const TEntryFilter &filter) {
  if (filter == m_Filter)
    return;
  beginResetModel();
  m_Filter = filter;
  FindShownRows();
  endResetModel();
}

void TEntryListModel::FindShownRows() {
  m_Shown.clear();
  m_Shown.reserve(m_Rows.size());
  const TCompiledFilter filter(m_Filter);
  for (size_t i = 0; i < m_Rows.size(); ++i)
    if (m_Filter.ShowsAll() || filter.Shows(m_Rows[i]))
      m_Shown.push_back(static_cast<int>(i));
}

void TEntryListModel::RenameRow(int row, const std::string &entryName) {
  if (row < 0 || row >= RowCount())
    return;
  TEntryRow &item = m_Rows[static_cast<size_t>(m_Shown[static_cast<size_t>(row)])];
  TEntryRow renamed = MakeEntryRow(entryName, item.Size, item.Position);
  renamed.IconIndex = item.IconIndex;
  item = std::move(renamed);
  emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

int TEntryListModel::ColumnOf(TSortKey key) { return key < SortKeyCount ? SortKeys[key].Column : -1; }

std::optional<TSortKey> TEntryListModel::KeyOfColumn(int column) {
  for (int key = 0; key < SortKeyCount; ++key)
    if (SortKeys[key].Column >= 0 && SortKeys[key].Column == column)
      return static_cast<TSortKey>(key);
  return std::nullopt;
}

int TEntryListModel::CompareItems(const TEntryRow &first, const TEntryRow &second, TSortOrder order) {
  const int result = SortKeys[order.Key].Compare(first, second);
  return order.Descending ? -result : result;
}

void TEntryListModel::SetSortOrder(TSortOrder order) {
  m_SortOrder = order;
  Sort();
}

void TEntryListModel::SortRows(std::vector<TEntryRow> &rows, std::vector<int> *newRowOf) const {
  std::vector<int> order(rows.size());
  std::iota(order.begin(), order.end(), 0);
  const TSortOrder sortOrder = m_SortOrder;
  std::stable_sort(order.begin(), order.end(), [&rows, sortOrder](int first, int second) {
    return CompareItems(rows[static_cast<size_t>(first)], rows[static_cast<size_t>(second)], sortOrder) < 0;
  });

  std::vector<TEntryRow> sorted;
  sorted.reserve(rows.size());
  if (newRowOf != nullptr)
    newRowOf->resize(rows.size());
  for (size_t i = 0; i < order.size(); ++i) {
    sorted.push_back(std::move(rows[static_cast<size_t>(order[i])]));
    if (newRowOf != nullptr)
      (*newRowOf)[static_cast<size_t>(order[i])] = static_cast<int>(i);
  }
  rows = std::move(sorted);
}

void TEntryListModel::Sort() {
  if (m_Rows.size() < 2)
    return;
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  std::vector<int> newRowOf;
  SortRows(m_Rows, &newRowOf);

  // The shown rows keep being the same rows, now in the new order: where
  // each old shown row is shown now.
  const std::vector<int> shownBefore = std::move(m_Shown);
  m_Shown.clear();
  for (int old : shownBefore)
    m_Shown.push_back(newRowOf[static_cast<size_t>(old)]);
  std::vector<int> shownRowOf(m_Rows.size(), -1);
  std::sort(m_Shown.begin(), m_Shown.end());
  for (size_t i = 0; i < m_Shown.size(); ++i)
    shownRowOf[static_cast<size_t>(m_Shown[i])] = static_cast<int>(i);

  // The view's selection and current row are persistent indexes: move them with their rows.
  const QModelIndexList before = persistentIndexList();
  QModelIndexList after;
  after.reserve(before.size());
  for (const QModelIndex &old : before) {
    const int allRow = newRowOf[static_cast<size_t>(shownBefore[static_cast<size_t>(old.row())])];
    after.append(index(shownRowOf[static_cast<size_t>(allRow)], old.column()));
  }
  changePersistentIndexList(before, after);

  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int TEntryListModel::AssociationIndex(TQuakePak &pak, const std::string &extension) {
  const std::string key = AsciiUpper(extension);
  const auto cached = m_AssociationIndex.find(key);
  if (cached != m_AssociationIndex.end())
    return cached->second;

  std::string directory;
  try {
    directory = pak.PrivateDirectory();
  } catch (const std::exception &) {
    // No folder of our own: the icon is looked up by name alone.
  }
  QIcon icon;
  if (SafeProbeExtension(key)) {
    const QString probe = PathToQ(directory + "X." + key);
    QFile probeFile(probe);
    const bool created = !directory.empty() && probeFile.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                                                              QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    probeFile.close();
    icon = m_Desktop.FileIcon(probe);
    // Only the probe made here goes: a file of that name that was there already stays.
    if (created)
      QFile::remove(probe);
  } else {
    // An "extension" that holds a separator (a dot in a directory of the name)
    // gets the icon of a file without a type.
    icon = m_Desktop.FileIcon(PathToQ(directory + "X"));
  }

  const int index = static_cast<int>(m_Associations.size());
  m_Associations.push_back({key, icon});
  m_AssociationIndex.emplace(key, index);
  return index;
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
      return m_SizesInUnits ? SizeInUnits(row.Size) : QString::number(row.Size);
    case colPosition:
      return row.Position > 0 ? QString::number(row.Position) : QStringLiteral("?");
    case colPath:
      return EntryToDisplay(row.Path);
    default:
      return {};
    }
  }
  if (role == Qt::ToolTipRole && index.column() == colSize)
    return EnglishPlural(tr("%n byte(s)", "", row.Size), row.Size);
  if (role == Qt::DecorationRole && index.column() == colName) {
    if (row.Kind < m_KindIcons.size())
      return m_KindIcons[row.Kind];
    if (row.IconIndex >= 0 && row.IconIndex < static_cast<int>(m_Associations.size()))
      return m_Associations[static_cast<size_t>(row.IconIndex)].Icon;
  }
  return {};
}

QString TEntryListModel::SizeInUnits(int32_t size) {
  constexpr double Kilobyte = 1024.0;
  if (size < Kilobyte)
    return tr("%1 B").arg(size);
  if (size < Kilobyte * Kilobyte)
    return tr("%1 KB").arg(QLocale().toString(size / Kilobyte, 'f', 1));
  return tr("%1 MB").arg(QLocale().toString(size / (Kilobyte * Kilobyte), 'f', 1));
}

void TEntryListModel::SetSizesInUnits(bool inUnits) {
  if (inUnits == m_SizesInUnits)
    return;
  m_SizesInUnits = inUnits;
  if (RowCount() > 0)
    emit dataChanged(index(0, colSize), index(RowCount() - 1, colSize), {Qt::DisplayRole});
}

QVariant TEntryListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
    return {};
  return tr(ColumnTitles[section]);
}

Qt::ItemFlags TEntryListModel::flags(const QModelIndex &index) const {
  if (!index.isValid())
    return Qt::NoItemFlags;
  Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  if (OnDrag)
    result |= Qt::ItemIsDragEnabled;
  if (index.column() == colName && !m_ReadOnly)
    result |= Qt::ItemIsEditable;
  return result;
}

bool TEntryListModel::setData(const QModelIndex &index, const QVariant &value, int role) {
  if (role != Qt::EditRole || !index.isValid() || index.column() != colName || m_ReadOnly || !OnRename)
    return false;
  const int row = index.row();
  const TEntryRow &item = Row(row);
  const std::string caption = DisplayToEntry(value.toString());
  if (caption == item.Caption)
    return false; // an edit that changed nothing renames nothing
  const std::optional<std::string> stored = OnRename(item.EntryName, item.Path + caption);
  // The row shows the name as stored (the name rules may have changed what
  // was typed); refused (protected archive, name taken or too long), it keeps its old caption.
  if (stored)
    RenameRow(row, *stored);
  Sort();
  return stored.has_value();
}

QStringList TEntryListModel::mimeTypes() const { return {QStringLiteral("text/uri-list")}; }

QMimeData *TEntryListModel::mimeData(const QModelIndexList &indexes) const {
  if (!OnDrag)
    return nullptr;
  // One name per row, in the list's order, whatever columns were dragged.
  std::vector<int> rows;
  for (const QModelIndex &index : indexes)
    rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  TStringList names;
  for (int row : rows)
    names.push_back(Row(row).EntryName);
  return OnDrag(names);
}
