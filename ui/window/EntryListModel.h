// SPDX-License-Identifier: GPL-3.0-or-later
// The rows of the main window's entry list: one per archive entry, holding
// the entry's name as the exact bytes the archive stores, and the texts the
// four columns show. The model also keeps what belongs to the list's view of
// the archive: the sort order and the icons by file type (Quake's own file
// kinds, which desktop themes do not know, show the program's kind icons).
// Sorting is done here, over the rows themselves, so that a list of a hundred
// thousand entries fills and sorts at once.
#pragma once

#include "EntryFilter.h"
#include "PakQuake.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class QMimeData;
class TDesktopServices;

struct TEntryRow {
  std::string EntryName; // the entry's stored name, byte for byte: how the row finds its entry
  std::string Caption;   // the file part
  std::string Path;      // the directory part followed by "/", empty at the top level
  std::string TypeKey;   // the caption's extension in upper case (the whole caption without a dot)
  int32_t Size = 0;
  int32_t Position = 0;       // zero or less: the data is not yet in the archive file ("?")
  TFileKind Kind = fkUnknown; // a Quake file kind shows its own icon, fkUnknown the desktop's
  int IconIndex = -1;         // into TEntryListModel::Associations(), for fkUnknown
};

// Builds a row from an entry's stored name, size and position; the icon is left unset.
TEntryRow MakeEntryRow(const std::string &entryName, int32_t size, int32_t position);
// The resource of the program's icon for a known kind (its row in FileKinds).
QString KindIconPath(TFileKind kind);
// The sort key of the "Type" order for a caption.
std::string TypeKeyOf(const std::string &caption);

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
  // Replaces every row at once (one reset of the view), as they are.
  void SetRows(std::vector<TEntryRow> rows);
  // The rows shown: those the filter lets through, in the sort order.
  const TEntryRow &Row(int row) const { return m_Rows[static_cast<size_t>(m_Shown[static_cast<size_t>(row)])]; }
  int RowCount() const { return static_cast<int>(m_Shown.size()); }
  // Every row, shown or not.
  const std::vector<TEntryRow> &AllRows() const { return m_Rows; }

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
  // -1, 0 or 1 as the first row sorts before, with or after the second.
  static int CompareItems(const TEntryRow &first, const TEntryRow &second, TSortOrder order);

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
  // The icon record of an extension, looked up once per run: through a probe
  // file of that type in the archive's private folder.
  int AssociationIndex(TQuakePak &pak, const std::string &extension);
  void SortRows(std::vector<TEntryRow> &rows, std::vector<int> *newRowOf) const;

  TDesktopServices &m_Desktop;
  // The rows the filter lets through, as places in m_Rows, ascending.
  void FindShownRows();

  std::vector<TEntryRow> m_Rows; // every row, sorted
  std::vector<int> m_Shown;
  TEntryFilter m_Filter;
  bool m_ReadOnly = false;
  bool m_SizesInUnits = false;
  TSortOrder m_SortOrder;
  std::vector<TAssociation> m_Associations;
  std::unordered_map<std::string, int> m_AssociationIndex;
  // Indexed by TFileKind, all but fkUnknown.
  std::vector<QIcon> m_KindIcons;
};
