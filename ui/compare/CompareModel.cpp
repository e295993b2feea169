// SPDX-License-Identifier: GPL-3.0-or-later
#include "CompareModel.h"

#include "EntryText.h"

#include <QLocale>
#include <algorithm>
#include <functional>
#include <numeric>

namespace {
// Names in ASCII letter-case-blind order, the exact bytes breaking ties.
bool NameLess(const std::string &a, const std::string &b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  const auto less = [&](char x, char y) {
    return static_cast<unsigned char>(lower(x)) < static_cast<unsigned char>(lower(y));
  };
  if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), less))
    return true;
  if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), less))
    return false;
  return a < b;
}

QVariant SizeText(int64_t size) { return size < 0 ? QVariant() : QVariant(QLocale().toString(qint64(size))); }
} // namespace

void TCompareModel::SetComparison(std::vector<TEntryComparison> rows) {
  beginResetModel();
  m_All = std::move(rows);
  m_Counts.fill(0);
  for (const TEntryComparison &row : m_All)
    ++m_Counts[row.Kind];
  m_Order.resize(m_All.size());
  std::iota(m_Order.begin(), m_Order.end(), 0);
  ApplyFilter();
  endResetModel();
}

void TCompareModel::ShowKind(TEntryDifference kind, bool shown) {
  if (m_Shown[kind] == shown)
    return;
  beginResetModel();
  m_Shown[kind] = shown;
  ApplyFilter();
  endResetModel();
}

void TCompareModel::ApplyFilter() {
  m_Rows.clear();
  for (const int32_t i : m_Order)
    if (m_Shown[m_All[static_cast<size_t>(i)].Kind])
      m_Rows.push_back(i);
}

QString TCompareModel::KindText(TEntryDifference kind) {
  switch (kind) {
  case edOnlyInFirst:
    return tr("Only in this archive");
  case edOnlyInSecond:
    return tr("Only in the other");
  case edDiffering:
    return tr("Different");
  case edIdentical:
    break;
  }
  return tr("Identical");
}

int TCompareModel::rowCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_Rows.size());
}

int TCompareModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : CompareColumnCount; }

QVariant TCompareModel::data(const QModelIndex &index, int role) const {
  if (!index.isValid() || index.row() >= rowCount())
    return {};
  const TEntryComparison &row = At(index.row());
  if (role == Qt::TextAlignmentRole && (index.column() == ccThisSize || index.column() == ccOtherSize))
    return QVariant(Qt::AlignRight | Qt::AlignVCenter);
  if (role != Qt::DisplayRole)
    return {};
  switch (index.column()) {
  case ccName:
    return EntryToDisplay(row.Name);
  case ccKind:
    return KindText(row.Kind);
  case ccThisSize:
    return SizeText(row.FirstSize);
  case ccOtherSize:
    return SizeText(row.SecondSize);
  default:
    return {};
  }
}

QVariant TCompareModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
    return {};
  switch (section) {
  case ccName:
    return tr("Name");
  case ccKind:
    return tr("Difference");
  case ccThisSize:
    return tr("Size Here");
  case ccOtherSize:
    return tr("Size in the Other");
  default:
    return {};
  }
}

void TCompareModel::sort(int column, Qt::SortOrder order) {
  const auto at = [this](int32_t i) -> const TEntryComparison & { return m_All[static_cast<size_t>(i)]; };
  std::function<bool(int32_t, int32_t)> less;
  switch (column) {
  case ccName:
    less = [&](int32_t a, int32_t b) { return NameLess(at(a).Name, at(b).Name); };
    break;
  case ccKind:
    less = [&](int32_t a, int32_t b) { return at(a).Kind < at(b).Kind; };
    break;
  case ccThisSize:
    less = [&](int32_t a, int32_t b) { return at(a).FirstSize < at(b).FirstSize; };
    break;
  case ccOtherSize:
    less = [&](int32_t a, int32_t b) { return at(a).SecondSize < at(b).SecondSize; };
    break;
  default:
    return;
  }
  // A reset, as a filter's: the selection does not follow rows to their new places.
  beginResetModel();
  // Stable, from the comparison's order: equal keys keep the directories' order.
  std::iota(m_Order.begin(), m_Order.end(), 0);
  if (order == Qt::AscendingOrder)
    std::stable_sort(m_Order.begin(), m_Order.end(), less);
  else
    std::stable_sort(m_Order.begin(), m_Order.end(), [&](int32_t a, int32_t b) { return less(b, a); });
  ApplyFilter();
  endResetModel();
}
