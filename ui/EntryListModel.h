// The rows of the main window's entry list: one per archive entry, holding
// the entry's name as the exact bytes the archive stores, and the texts the
// four columns show. Sorting is done here, over the rows themselves, so that a
// list of a hundred thousand entries fills and sorts at once.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QList>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct TEntryRow {
  std::string EntryName; // the entry's stored name, byte for byte: how the row finds its entry
  std::string Caption;   // the file part; after an in-place rename, the text as typed
  std::string Path;      // the directory part followed by "/", empty at the top level
  std::string TypeKey;   // the caption's extension in upper case (the whole caption without a dot)
  int32_t Size = 0;
  int32_t Position = 0; // zero or less: the data is not yet in the archive file ("?")
  int IconIndex = -1;
};

// Builds a row from an entry's stored name, size and position; the icon is left unset.
TEntryRow MakeEntryRow(const std::string &entryName, int32_t size, int32_t position);
// The sort key of the "Type" order for a caption.
std::string TypeKeyOf(const std::string &caption);

class TEntryListModel : public QAbstractTableModel {
  Q_OBJECT
public:
  enum TColumn { colName, colSize, colPosition, colPath, ColumnCount };

  // icons is the image list the rows' IconIndex points into; it outlives the model.
  explicit TEntryListModel(const QList<QIcon> &icons, QObject *parent = nullptr);

  // Replaces every row at once (one reset of the view).
  void SetRows(std::vector<TEntryRow> rows);
  const TEntryRow &Row(int row) const { return m_Rows[static_cast<size_t>(row)]; }
  int RowCount() const { return static_cast<int>(m_Rows.size()); }
  // After a rename: the row shows caption and now finds its entry by entryName.
  void RenameRow(int row, const std::string &caption, const std::string &entryName);

  // Captions are editable unless the list is read-only.
  bool ReadOnly() const { return m_ReadOnly; }
  void SetReadOnly(bool readOnly) { m_ReadOnly = readOnly; }

  // Orders the rows by one of the ten sort modes; a mode above 9 leaves them
  // as they are. Selection and current row follow their rows.
  void Sort(uint8_t mode);
  // -1, 0 or 1 as the first row sorts before, with or after the second.
  static int CompareItems(const TEntryRow &first, const TEntryRow &second, uint8_t mode);

  // Called when an in-place edit ends with the row and the typed caption;
  // returns whether the caption was taken. Unset: every edit is refused.
  std::function<bool(int row, const QString &caption)> OnEdited;

  int rowCount(const QModelIndex &parent = QModelIndex()) const override;
  int columnCount(const QModelIndex &parent = QModelIndex()) const override;
  QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex &index) const override;
  bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

private:
  const QList<QIcon> &m_Icons;
  std::vector<TEntryRow> m_Rows;
  bool m_ReadOnly = false;
};
