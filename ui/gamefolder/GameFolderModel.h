// SPDX-License-Identifier: GPL-3.0-or-later
// The game folder view's list: one row for each file the game loads and,
// below it, one for each copy it hides (their "Shadowed by" names the place
// the game loads the file from). A table model over the game view's own
// vectors: a row is two numbers, and its texts are made only when drawn, so
// a mod of tens of thousands of files shows at once.
#pragma once

#include "EntryFilter.h"
#include "PakQuake.h"

#include <QAbstractTableModel>
#include <functional>
#include <vector>

class QMimeData;

class TGameFolderModel : public QAbstractTableModel {
  Q_OBJECT
public:
  enum TColumn { colName, colSize, colFrom, colShadowedBy, ColumnCount };

  // One copy of a file: Copy -1 is the copy the game loads, else the index
  // into the file's Shadowed.
  struct TRow {
    int32_t File = 0; // into TGameView::Files
    int32_t Copy = -1;
  };

  explicit TGameFolderModel(QObject *parent = nullptr);

  // Shows view (kept by the caller for as long as the model shows it).
  void SetView(const TGameView *view);
  // What the rows show: files whose loaded copy comes from the mod's folder,
  // files that hide another copy, and names the text lets through; the
  // filters add up.
  void SetFilter(bool modChanges, bool shadowed, const std::string &nameText);

  const TRow &Row(int row) const { return m_Rows[static_cast<size_t>(row)]; }
  // The copy a row stands for, and the file the game loads for it.
  const TGameFile &CopyOf(const TRow &row) const;
  const TLoadableFile &FileOf(const TRow &row) const;
  // The files the game loads for these rows, each once, in list order.
  std::vector<const TLoadableFile *> LoadedFiles(const QModelIndexList &rows) const;
  // How many files the game loads in all.
  int FileCount() const;

  // Called to make a drag's data from the selected rows.
  std::function<QMimeData *(const QModelIndexList &rows)> OnDrag;

  int rowCount(const QModelIndex &parent = {}) const override;
  int columnCount(const QModelIndex &parent = {}) const override;
  QVariant data(const QModelIndex &index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex &index) const override;
  QStringList mimeTypes() const override;
  QMimeData *mimeData(const QModelIndexList &indexes) const override;
  void sort(int column, Qt::SortOrder order) override;

private:
  void Rebuild();
  void SortRows();

  const TGameView *m_View = nullptr;
  std::vector<TRow> m_Rows;
  bool m_ModChanges = false;
  bool m_Shadowed = false;
  TEntryFilter m_Text;
  int m_SortColumn = colName;
  Qt::SortOrder m_SortOrder = Qt::AscendingOrder;
};
