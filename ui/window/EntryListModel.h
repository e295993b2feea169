// SPDX-License-Identifier: GPL-3.0-or-later
// The rows of the main window's entry list: one per archive entry, holding
// the entry's name as the exact bytes the archive stores, and its size and
// position. The model also keeps what belongs to the list's view of the
// archive: the sort order and the icons by file type (Quake's own file kinds,
// which desktop themes do not know, show the program's kind icons).
// A list of a million entries fills, sorts and narrows at once: the names lie
// in one block of bytes, each folder once; the order and the rows on show are
// arrays of places in them; the texts of the cells are made only for the rows
// painted; and sorting compares keys taken from the name bytes, never strings
// made for it.
#pragma once

#include "EntryFilter.h"
#include "PakQuake.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class QMimeData;
class TDesktopServices;

// One row as the list shows it. The texts are views into the model: valid
// until the model next changes.
struct TEntryRow {
  std::string_view EntryName; // the entry's stored name, byte for byte, a zero byte after it: how the row finds its entry
  std::string_view Caption;   // the file part
  std::string_view Path;      // the directory part followed by "/", empty at the top level
  int32_t Size = 0;
  int32_t Position = 0;       // zero or less: the data is not yet in the archive file ("?")
  TFileKind Kind = fkUnknown; // a Quake file kind shows its own icon, fkUnknown the desktop's
  int IconIndex = -1;         // into TEntryListModel::Associations(), for fkUnknown
};

// The resource of the program's icon for a known kind (its row in FileKinds).
QString KindIconPath(TFileKind kind);
// The kind's icon, made once per kind: an icon made from its file for each
// item would read and parse the picture again each time.
QIcon KindIcon(TFileKind kind);

// What the list can be sorted by; the type order has no column of its own.
enum TSortKey : uint8_t { skName, skPath, skSize, skPosition, skType, SortKeyCount };

struct TSortOrder {
  TSortKey Key = skName;
  bool Descending = false;

  // The number the settings store: twice the key, plus one when descending.
  int Number() const { return Key * 2 + (Descending ? 1 : 0); }
  // The order a stored number stands for; none for a number out of range.
  static std::optional<TSortOrder> FromNumber(int number);
  // The order a sort command leaves: its key again reverses the direction,
  // another key sorts ascending.
  TSortOrder Toggled(TSortKey key) const;
  bool operator==(const TSortOrder &) const = default;
};

// One extension met this run and the desktop's icon for it.
struct TAssociation {
  std::string Extension; // upper case, without the dot
  QIcon Icon;
};

class TEntryListModel : public QAbstractTableModel {
  Q_OBJECT
public:
  enum TColumn { colName, colSize, colPosition, colPath, ColumnCount };

  // desktop gives the icon of each file type; it outlives the model.
  explicit TEntryListModel(TDesktopServices &desktop, QObject *parent = nullptr);

  // One row per entry of the archive, sorted, handed to the view in one reset.
  void Fill(TQuakePak &pak);
  // No rows (one reset of the view).
  void Clear();
  // The rows shown: those the filter lets through, in the sort order.
  TEntryRow Row(int row) const { return RowAt(m_Shown[static_cast<size_t>(row)]); }
  int RowCount() const { return static_cast<int>(m_Shown.size()); }
  // Every row, shown or not, in the sort order.
  TEntryRow AllRow(size_t row) const { return RowAt(m_Order[row]); }
  size_t AllRowCount() const { return m_Order.size(); }
  // The folders of the rows, each once (stored paths ending in "/"; "" for the top level).
  const std::vector<std::string> &Folders() const { return m_Folders; }

  // --- what is shown
  const TEntryFilter &Filter() const { return m_Filter; }
  // Shows the rows the filter lets through (one reset of the view).
  void SetFilter(const TEntryFilter &filter);
  // After a rename: the row shows the entry's stored name and finds the entry by it.
  void RenameRow(int row, const std::string &entryName);

  // Captions are editable unless the list is read-only.
  bool ReadOnly() const { return m_ReadOnly; }
  void SetReadOnly(bool readOnly) { m_ReadOnly = readOnly; }
  // Sizes as KB/MB rather than exact bytes; the exact count stays in the size cell's tooltip.
  bool SizesInUnits() const { return m_SizesInUnits; }
  void SetSizesInUnits(bool inUnits);
  // A size as B below a kilobyte, else as KB or MB with one decimal (1024 to the step).
  static QString SizeInUnits(int32_t size);

  // --- sorting
  TSortOrder SortOrder() const { return m_SortOrder; }
  // Takes the order and sorts the rows by it.
  void SetSortOrder(TSortOrder order);
  // Orders the rows by the current order. Selection and current row follow their rows.
  void Sort();
  // The column that shows a key, or -1.
  static int ColumnOf(TSortKey key);
  // The key a column sorts by; none for a column that does not sort.
  static std::optional<TSortKey> KeyOfColumn(int column);
  // --- icons: one record per extension met this run, in the order met; a
  // row's IconIndex points into them.
  const std::vector<TAssociation> &Associations() const { return m_Associations; }

  // Called when an in-place edit of a caption ends, with the row's stored
  // name and the new name (the row's path and the typed caption). Returns the
  // name the entry is stored under now, or none when the rename was refused.
  // Unset: every edit is refused.
  std::function<std::optional<std::string>(const std::string &entryName, const std::string &newName)> OnRename;

  // Makes the data of a drag of the entries stored under these names; unset: no drags.
  std::function<QMimeData *(const TStringList &names)> OnDrag;

  int rowCount(const QModelIndex &parent = QModelIndex()) const override;
  int columnCount(const QModelIndex &parent = QModelIndex()) const override;
  QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex &index) const override;
  bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
  QStringList mimeTypes() const override;
  QMimeData *mimeData(const QModelIndexList &indexes) const override;
  Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }

private:
  // A row as kept: the name's place in m_Names, where its file part starts,
  // its folder in m_Folders.
  struct TStoredRow {
    uint32_t NameStart = 0;
    uint32_t NameLength = 0;
    uint32_t CaptionStart = 0;
    uint32_t Folder = 0;
    int32_t Size = 0;
    int32_t Position = 0;
    int32_t IconIndex = -1;
    TFileKind Kind = fkUnknown;
  };
  // Hashes the folder texts and their views alike, to look them up without a copy.
  struct TTextHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>()(text); }
  };
  using TTextIndex = std::unordered_map<std::string, uint32_t, TTextHash, std::equal_to<>>;
  // The kind and icon record of the entries of one extension.
  struct TTypeLook {
    TFileKind Kind = fkUnknown;
    int IconIndex = -1;
  };

  TEntryRow RowAt(uint32_t stored) const;
  // Keeps entryName; its kind is looked up (and its icon, unless icons is null).
  TStoredRow StoreRow(std::string_view entryName, int32_t size, int32_t position, TQuakePak *icons);
  // The place of a folder (its stored path without the ending "/") in m_Folders, added when new.
  uint32_t FolderIndex(std::string_view directory);
  // The icon record of an extension, looked up once per run: through a probe
  // file of that type in the archive's private folder.
  int AssociationIndex(TQuakePak &pak, const std::string &extension);
  // Puts order in the sort order, stably: rows of equal keys keep their order.
  void SortOrder(std::vector<uint32_t> &order) const;
  // The caption (skName) or type (skType) of a row.
  std::string_view SortText(uint32_t row, TSortKey key) const;
  // By place in m_Rows: each row's rank by its caption or type, equal texts
  // of equal rank; worked out on the first sort by that key.
  const std::vector<uint32_t> &TextRanks(TSortKey key) const;
  // The rows the filter lets through, in the order of m_Order.
  void FindShownRows();

  TDesktopServices &m_Desktop;
  std::string m_Names; // every row's stored name, each followed by a zero byte
  std::vector<TStoredRow> m_Rows;
  std::vector<std::string> m_Folders;
  TTextIndex m_FolderIndex;      // a folder without its ending "/" -> its place in m_Folders
  std::vector<uint32_t> m_Order; // every row, as places in m_Rows, in the sort order
  std::vector<uint32_t> m_Shown; // the rows the filter lets through, in the sort order
  std::vector<uint8_t> m_Passes; // by place in m_Rows: whether the filter lets it through
  mutable std::vector<uint32_t> m_NameRanks;
  mutable std::vector<uint32_t> m_TypeRanks;
  TEntryFilter m_Filter;
  bool m_ReadOnly = false;
  bool m_SizesInUnits = false;
  TSortOrder m_SortOrder;
  std::vector<TAssociation> m_Associations;
  std::unordered_map<std::string, int> m_AssociationIndex;
  // By an entry name's extension, as stored: the kind and icon it gives.
  std::unordered_map<std::string, TTypeLook, TTextHash, std::equal_to<>> m_TypeLooks;
};
