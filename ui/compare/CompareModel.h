// SPDX-License-Identifier: GPL-3.0-or-later
// The rows of two archives compared: one a name, with the kind of difference
// and the size in each archive. The kinds on show are a filter; the rows keep
// the comparison's order (this archive's directory, then the other's) until
// a column sorts them. Texts are made only for the rows on show.
#pragma once

#include "PakQuake.h"

#include <QAbstractTableModel>
#include <array>
#include <vector>

class TCompareModel : public QAbstractTableModel {
  Q_OBJECT
public:
  enum TColumn { ccName, ccKind, ccThisSize, ccOtherSize, CompareColumnCount };
  static constexpr int KindCount = edIdentical + 1;

  using QAbstractTableModel::QAbstractTableModel;

  // The comparison of this archive (first) with the other (second).
  void SetComparison(std::vector<TEntryComparison> rows);
  // How many names differ (or agree) in that way, shown or not.
  int Count(TEntryDifference kind) const { return m_Counts[kind]; }
  bool KindShown(TEntryDifference kind) const { return m_Shown[kind]; }
  void ShowKind(TEntryDifference kind, bool shown);
  // The comparison of a row on show.
  const TEntryComparison &At(int row) const { return m_All[static_cast<size_t>(m_Rows[static_cast<size_t>(row)])]; }
  // The words a row's kind is shown in.
  static QString KindText(TEntryDifference kind);

  int rowCount(const QModelIndex &parent = {}) const override;
  int columnCount(const QModelIndex &parent = {}) const override;
  QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
  // The rows on show: the sorted order, narrowed to the kinds shown.
  void ApplyFilter();

  std::vector<TEntryComparison> m_All;
  std::vector<int32_t> m_Order; // every comparison, in the order sorted
  std::vector<int32_t> m_Rows;  // those on show
  std::array<int, KindCount> m_Counts{};
  std::array<bool, KindCount> m_Shown{true, true, true, true};
};
