// SPDX-License-Identifier: GPL-3.0-or-later
#include "EntryListModel.h"

#include "DesktopServices.h"
#include "EntryText.h"
#include "PakQuake.h"
#include "Translations.h"

#include <QFile>
#include <QLocale>

#include <algorithm>
#include <array>
#include <iterator>
#include <numeric>
#include <utility>

namespace {
// A key of eight bytes of text from offset on, the first in the highest byte,
// zeros past its end: keys compare as the bytes do (unsigned), a shorter text
// before a longer one it begins. upper: letters a to z as A to Z.
uint64_t TextKey(std::string_view text, size_t offset, bool upper) {
  uint64_t key = 0;
  for (size_t i = 0; i < 8; ++i) {
    uint8_t byte = offset + i < text.size() ? static_cast<uint8_t>(text[offset + i]) : 0;
    if (upper && byte >= 'a' && byte <= 'z')
      byte = static_cast<uint8_t>(byte - 'a' + 'A');
    key = (key << 8) | byte;
  }
  return key;
}

// A signed number as a key that compares as the number does.
uint64_t NumberKey(int64_t number) { return static_cast<uint64_t>(number) ^ (uint64_t(1) << 63); }

// A row to sort: its key, and its place among the model's rows.
struct TKeyedRow {
  uint64_t Key;
  uint32_t Row;
  uint32_t Rank; // of a text: the same for equal texts
};

// Sorts rows by key, stably: least significant byte first, each pass
// stable, skipping the bytes that all keys share. buffer is scratch space.
void SortByKey(TKeyedRow *rows, size_t count, std::vector<TKeyedRow> &buffer) {
  constexpr size_t FewRows = 64;
  if (count < FewRows) {
    std::stable_sort(rows, rows + count, [](const TKeyedRow &a, const TKeyedRow &b) { return a.Key < b.Key; });
    return;
  }
  std::array<std::array<uint32_t, 256>, 8> counts{};
  for (size_t i = 0; i < count; ++i)
    for (size_t pass = 0; pass < 8; ++pass)
      ++counts[pass][(rows[i].Key >> (8 * pass)) & 0xFF];
  buffer.resize(std::max(buffer.size(), count));
  TKeyedRow *from = rows;
  TKeyedRow *to = buffer.data();
  for (size_t pass = 0; pass < 8; ++pass) {
    std::array<uint32_t, 256> &starts = counts[pass];
    if (starts[(rows[0].Key >> (8 * pass)) & 0xFF] == count)
      continue;
    uint32_t next = 0;
    for (uint32_t &start : starts)
      next += std::exchange(start, next);
    for (size_t i = 0; i < count; ++i)
      to[starts[(from[i].Key >> (8 * pass)) & 0xFF]++] = from[i];
    std::swap(from, to);
  }
  if (from != rows)
    std::copy(from, from + count, rows);
}

// Sorts rows stably by their texts, eight bytes at a time: rows whose first
// eight agree are sorted by the next eight, and so on. keyAt(row, offset)
// gives the TextKey of a row's text at offset, lengthOf(row) its length. Each
// row's Rank becomes firstRank plus the place of the first row of its text.
template <typename TKeyAt, typename TLengthOf>
void SortByText(TKeyedRow *rows, size_t count, size_t offset, const TKeyAt &keyAt, const TLengthOf &lengthOf,
                uint32_t firstRank, std::vector<TKeyedRow> &buffer) {
  for (size_t i = 0; i < count; ++i)
    rows[i].Key = keyAt(rows[i].Row, offset);
  SortByKey(rows, count, buffer);
  for (size_t first = 0; first < count;) {
    size_t end = first + 1;
    while (end < count && rows[end].Key == rows[first].Key)
      ++end;
    const auto rank = static_cast<uint32_t>(firstRank + first);
    bool longer = false;
    for (size_t i = first; i < end && end - first > 1 && !longer; ++i)
      longer = lengthOf(rows[i].Row) > offset + 8;
    if (end - first == 1) {
      rows[first].Rank = rank;
    } else if (longer) {
      SortByText(rows + first, end - first, offset + 8, keyAt, lengthOf, rank, buffer);
    } else {
      // Equal in every byte but the zero bytes a name may hold at its end: the shorter first.
      for (size_t i = first; i < end; ++i)
        rows[i].Key = lengthOf(rows[i].Row);
      SortByKey(rows + first, end - first, buffer);
      for (size_t i = first; i < end; ++i)
        rows[i].Rank = i > first && rows[i].Key == rows[i - 1].Key ? rows[i - 1].Rank : static_cast<uint32_t>(firstRank + i);
    }
    first = end;
  }
}

// The sort key of the "Type" order: the caption's extension (the whole
// caption without a dot), compared in upper case.
std::string_view TypeText(std::string_view caption) {
  const size_t dot = caption.rfind('.');
  return dot == std::string_view::npos ? caption : caption.substr(dot + 1);
}

// Whole file names that make a kind whatever their extension (palette.lmp).
const std::vector<std::string_view> &KindFileNames() {
  static const std::vector<std::string_view> names = [] {
    std::vector<std::string_view> all;
    for (const TFileKindInfo &info : FileKinds)
      for (std::string_view name : KindWords(info.FileNames))
        all.push_back(name);
    return all;
  }();
  return names;
}

bool IsKindFileName(std::string_view caption) {
  for (std::string_view name : KindFileNames())
    if (name.size() == caption.size() && SameTextAscii(name, caption))
      return true;
  return false;
}

// The column that shows each sort key (-1: none), in TSortKey order.
constexpr int SortKeyColumns[SortKeyCount] = {TEntryListModel::colName, TEntryListModel::colPath,
                                              TEntryListModel::colSize, TEntryListModel::colPosition, -1};

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

QIcon KindIcon(TFileKind kind) {
  static std::array<QIcon, fkUnknown + 1> icons;
  QIcon &icon = icons[kind];
  if (icon.isNull())
    icon = QIcon(KindIconPath(kind));
  return icon;
}

std::optional<TSortOrder> TSortOrder::FromNumber(int number) {
  if (number < 0 || number >= SortKeyCount * 2)
    return std::nullopt;
  return TSortOrder{static_cast<TSortKey>(number / 2), number % 2 != 0};
}

TSortOrder TSortOrder::Toggled(TSortKey key) const { return {key, key == Key && !Descending}; }

TEntryListModel::TEntryListModel(TDesktopServices &desktop, QObject *parent)
    : QAbstractTableModel(parent), m_Desktop(desktop) {}

TEntryRow TEntryListModel::RowAt(uint32_t stored) const {
  const TStoredRow &item = m_Rows[stored];
  TEntryRow row;
  row.EntryName = std::string_view(m_Names).substr(item.NameStart, item.NameLength);
  row.Caption = row.EntryName.substr(item.CaptionStart);
  row.Path = m_Folders[item.Folder];
  row.Size = item.Size;
  row.Position = item.Position;
  row.Kind = item.Kind;
  row.IconIndex = item.IconIndex;
  return row;
}

uint32_t TEntryListModel::FolderIndex(std::string_view directory) {
  const auto found = m_FolderIndex.find(directory);
  if (found != m_FolderIndex.end())
    return found->second;
  const auto index = static_cast<uint32_t>(m_Folders.size());
  m_Folders.push_back(directory.empty() ? std::string() : std::string(directory) + '/');
  m_FolderIndex.emplace(std::string(directory), index);
  return index;
}

TEntryListModel::TStoredRow TEntryListModel::StoreRow(std::string_view entryName, int32_t size, int32_t position,
                                                      TQuakePak *icons) {
  TStoredRow row;
  row.NameStart = static_cast<uint32_t>(m_Names.size());
  row.NameLength = static_cast<uint32_t>(entryName.size());
  m_Names.append(entryName);
  m_Names.push_back('\0');
  row.Size = size;
  row.Position = position;
  // The folder and file parts as EntryDirectory and EntryFileName cut them:
  // at the last "/" or "\"; a name that starts with its only separator lies at the top.
  const size_t separator = entryName.find_last_of("/\\");
  row.CaptionStart = separator == std::string_view::npos ? 0 : static_cast<uint32_t>(separator + 1);
  row.Folder = FolderIndex(separator == std::string_view::npos ? std::string_view() : entryName.substr(0, separator));

  // The kind as FileKindOf finds it: a whole file name of a kind first, then
  // the extension of the whole name; one look per extension.
  const std::string_view caption = entryName.substr(row.CaptionStart);
  if (IsKindFileName(caption)) {
    row.Kind = FileKindOf(std::string(entryName));
    return row;
  }
  const size_t dot = entryName.rfind('.');
  const std::string_view extension = dot == std::string_view::npos ? entryName : entryName.substr(dot + 1);
  auto look = m_TypeLooks.find(extension);
  if (look == m_TypeLooks.end()) {
    TTypeLook found;
    found.Kind = FileKindOf(std::string(entryName));
    look = m_TypeLooks.emplace(std::string(extension), found).first;
  }
  row.Kind = look->second.Kind;
  if (row.Kind == fkUnknown && icons != nullptr) {
    if (look->second.IconIndex < 0)
      look->second.IconIndex = AssociationIndex(*icons, std::string(extension));
    row.IconIndex = look->second.IconIndex;
  }
  return row;
}

void TEntryListModel::Fill(TQuakePak &pak) {
  const std::vector<TDirEntry> &directory = pak.Directory();
  beginResetModel();
  m_Names.clear();
  m_Rows.clear();
  m_Folders.clear();
  m_FolderIndex.clear();
  m_NameRanks.clear();
  m_TypeRanks.clear();
  size_t nameBytes = 0;
  for (const TDirEntry &entry : directory)
    nameBytes += entry.Name.size() + 1;
  m_Names.reserve(nameBytes);
  m_Rows.reserve(directory.size());
  for (const TDirEntry &entry : directory)
    m_Rows.push_back(StoreRow(entry.Name, entry.Size, entry.Position, &pak));
  // Sorted from the archive's order before the view sees the rows.
  m_Order.resize(m_Rows.size());
  std::iota(m_Order.begin(), m_Order.end(), 0);
  SortOrder(m_Order);
  FindShownRows();
  endResetModel();
}

void TEntryListModel::Clear() {
  beginResetModel();
  m_Names.clear();
  m_Rows.clear();
  m_Folders.clear();
  m_FolderIndex.clear();
  m_NameRanks.clear();
  m_TypeRanks.clear();
  m_Order.clear();
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
  if (m_Filter.ShowsAll()) {
    m_Passes.clear();
    m_Shown = m_Order;
    return;
  }
  // The folder is tested once per folder; the text only for the rows in it.
  std::vector<uint8_t> folderShown(m_Folders.size());
  for (size_t i = 0; i < m_Folders.size(); ++i)
    folderShown[i] = m_Folders[i].compare(0, m_Filter.Folder.size(), m_Filter.Folder) == 0;
  const TCompiledFilter filter(m_Filter);
  m_Passes.assign(m_Rows.size(), 0);
  for (size_t i = 0; i < m_Rows.size(); ++i)
    m_Passes[i] = folderShown[m_Rows[i].Folder] && filter.ShowsName(RowAt(static_cast<uint32_t>(i)).EntryName);
  m_Shown.reserve(m_Order.size());
  for (uint32_t row : m_Order)
    if (m_Passes[row])
      m_Shown.push_back(row);
}

void TEntryListModel::RenameRow(int row, const std::string &entryName) {
  if (row < 0 || row >= RowCount())
    return;
  TStoredRow &item = m_Rows[m_Shown[static_cast<size_t>(row)]];
  TStoredRow renamed = StoreRow(entryName, item.Size, item.Position, nullptr);
  renamed.IconIndex = item.IconIndex;
  item = renamed;
  m_NameRanks.clear();
  m_TypeRanks.clear();
  emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

int TEntryListModel::ColumnOf(TSortKey key) { return key < SortKeyCount ? SortKeyColumns[key] : -1; }

std::optional<TSortKey> TEntryListModel::KeyOfColumn(int column) {
  for (int key = 0; key < SortKeyCount; ++key)
    if (SortKeyColumns[key] >= 0 && SortKeyColumns[key] == column)
      return static_cast<TSortKey>(key);
  return std::nullopt;
}

void TEntryListModel::SetSortOrder(TSortOrder order) {
  m_SortOrder = order;
  Sort();
}

std::string_view TEntryListModel::SortText(uint32_t row, TSortKey key) const {
  const TStoredRow &item = m_Rows[row];
  const std::string_view caption =
      std::string_view(m_Names).substr(item.NameStart + item.CaptionStart, item.NameLength - item.CaptionStart);
  return key == skType ? TypeText(caption) : caption;
}

const std::vector<uint32_t> &TEntryListModel::TextRanks(TSortKey key) const {
  std::vector<uint32_t> &ranks = key == skType ? m_TypeRanks : m_NameRanks;
  if (ranks.size() == m_Rows.size())
    return ranks;
  // The first sixteen bytes of each text, taken in the rows' own order (one
  // pass through memory): most texts differ in them.
  const bool upper = key == skType;
  const size_t count = m_Rows.size();
  std::vector<uint64_t> heads(count);
  std::vector<uint64_t> nexts(upper ? 0 : count);
  std::vector<uint32_t> lengths(count);
  for (size_t row = 0; row < count; ++row) {
    const std::string_view text = SortText(static_cast<uint32_t>(row), key);
    heads[row] = TextKey(text, 0, upper);
    if (!upper)
      nexts[row] = TextKey(text, 8, upper);
    lengths[row] = static_cast<uint32_t>(text.size());
  }
  const auto keyAt = [&](uint32_t row, size_t offset) {
    if (offset == 0)
      return heads[row];
    if (offset == 8 && !upper)
      return nexts[row];
    return TextKey(SortText(row, key), offset, upper);
  };
  std::vector<TKeyedRow> rows(count);
  for (size_t i = 0; i < count; ++i)
    rows[i].Row = static_cast<uint32_t>(i);
  std::vector<TKeyedRow> buffer;
  SortByText(rows.data(), count, 0, keyAt, [&lengths](uint32_t row) { return lengths[row]; }, 0, buffer);
  ranks.resize(count);
  for (const TKeyedRow &row : rows)
    ranks[row.Row] = row.Rank;
  return ranks;
}

void TEntryListModel::SortOrder(std::vector<uint32_t> &order) const {
  std::vector<TKeyedRow> rows(order.size());
  for (size_t i = 0; i < order.size(); ++i)
    rows[i].Row = order[i];
  std::vector<TKeyedRow> buffer;
  const uint64_t flip = m_SortOrder.Descending ? ~uint64_t(0) : 0;
  switch (m_SortOrder.Key) {
  case skName:
  case skType: {
    // Texts are sorted once; each sort after that is one by their ranks.
    const std::vector<uint32_t> &ranks = TextRanks(m_SortOrder.Key);
    for (TKeyedRow &row : rows)
      row.Key = ranks[row.Row] ^ flip;
    SortByKey(rows.data(), rows.size(), buffer);
    break;
  }
  case skPath: {
    // Few folders: each gets its rank among them, and the rows are sorted by that.
    std::vector<uint32_t> folders(m_Folders.size());
    std::iota(folders.begin(), folders.end(), 0);
    std::sort(folders.begin(), folders.end(), [this](uint32_t a, uint32_t b) { return m_Folders[a] < m_Folders[b]; });
    std::vector<uint32_t> rank(m_Folders.size());
    for (size_t i = 0; i < folders.size(); ++i)
      rank[folders[i]] = static_cast<uint32_t>(i);
    for (TKeyedRow &row : rows)
      row.Key = rank[m_Rows[row.Row].Folder] ^ flip;
    SortByKey(rows.data(), rows.size(), buffer);
    break;
  }
  case skSize:
    for (TKeyedRow &row : rows)
      row.Key = NumberKey(m_Rows[row.Row].Size) ^ flip;
    SortByKey(rows.data(), rows.size(), buffer);
    break;
  case skPosition:
    // Only data that lies in the archive file has a place; the rest counts as -1.
    for (TKeyedRow &row : rows)
      row.Key = NumberKey(m_Rows[row.Row].Position > 0 ? m_Rows[row.Row].Position : -1) ^ flip;
    SortByKey(rows.data(), rows.size(), buffer);
    break;
  case SortKeyCount:
    break;
  }
  for (size_t i = 0; i < order.size(); ++i)
    order[i] = rows[i].Row;
}

void TEntryListModel::Sort() {
  if (m_Rows.size() < 2)
    return;
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  const QModelIndexList before = persistentIndexList();
  // The rows the persistent indexes (the selection, the current row) stand on.
  std::vector<uint32_t> heldRows;
  heldRows.reserve(static_cast<size_t>(before.size()));
  for (const QModelIndex &old : before)
    heldRows.push_back(m_Shown[static_cast<size_t>(old.row())]);

  SortOrder(m_Order);
  // The shown rows keep being the same rows, now in the new order.
  m_Shown.clear();
  if (m_Filter.ShowsAll()) {
    m_Shown = m_Order;
  } else {
    for (uint32_t row : m_Order)
      if (m_Passes[row])
        m_Shown.push_back(row);
  }

  // The view's selection and current row are persistent indexes: move them with their rows.
  if (!before.isEmpty()) {
    std::vector<int> shownAt(m_Rows.size(), -1);
    for (size_t i = 0; i < m_Shown.size(); ++i)
      shownAt[m_Shown[i]] = static_cast<int>(i);
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i)
      after.append(index(shownAt[heldRows[static_cast<size_t>(i)]], before[i].column()));
    changePersistentIndexList(before, after);
  }
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
  const TEntryRow row = Row(index.row());
  if (role == Qt::DisplayRole || role == Qt::EditRole) {
    switch (index.column()) {
    case colName:
      return EntryToDisplay(std::string(row.Caption));
    case colSize:
      return m_SizesInUnits ? SizeInUnits(row.Size) : QString::number(row.Size);
    case colPosition:
      return row.Position > 0 ? QString::number(row.Position) : QStringLiteral("?");
    case colPath:
      return EntryToDisplay(std::string(row.Path));
    default:
      return {};
    }
  }
  if (role == Qt::ToolTipRole && index.column() == colSize)
    return EnglishPlural(tr("%n byte(s)", "", row.Size), row.Size);
  if (role == Qt::DecorationRole && index.column() == colName) {
    if (row.Kind != fkUnknown)
      return KindIcon(row.Kind);
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
  const TEntryRow item = Row(row);
  const std::string caption = DisplayToEntry(value.toString());
  if (caption == item.Caption)
    return false; // an edit that changed nothing renames nothing
  const std::optional<std::string> stored = OnRename(std::string(item.EntryName), std::string(item.Path) + caption);
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
    names.emplace_back(Row(row).EntryName);
  return OnDrag(names);
}
