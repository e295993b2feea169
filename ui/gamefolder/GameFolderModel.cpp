// SPDX-License-Identifier: GPL-3.0-or-later
#include "GameFolderModel.h"

#include "EntryText.h"

#include <QGuiApplication>
#include <QMimeData>
#include <QPalette>
#include <algorithm>
#include <set>

TGameFolderModel::TGameFolderModel(QObject *parent) : QAbstractTableModel(parent) {}

void TGameFolderModel::SetView(const TGameView *view) {
  m_View = view;
  Rebuild();
}

void TGameFolderModel::SetFilter(bool modChanges, bool shadowed, const std::string &nameText) {
  m_ModChanges = modChanges;
  m_Shadowed = shadowed;
  m_Text.Text = nameText;
  Rebuild();
}

const TGameFile &TGameFolderModel::CopyOf(const TRow &row) const {
  const TLoadableFile &file = FileOf(row);
  return row.Copy < 0 ? file.Loaded : file.Shadowed[static_cast<size_t>(row.Copy)];
}

const TLoadableFile &TGameFolderModel::FileOf(const TRow &row) const {
  return m_View->Files[static_cast<size_t>(row.File)];
}

std::vector<const TLoadableFile *> TGameFolderModel::LoadedFiles(const QModelIndexList &rows) const {
  std::set<int> seen;
  std::vector<int> order;
  for (const QModelIndex &index : rows)
    if (index.isValid() && seen.insert(index.row()).second)
      order.push_back(index.row());
  std::sort(order.begin(), order.end());
  std::set<int32_t> files;
  std::vector<const TLoadableFile *> result;
  for (const int row : order)
    if (files.insert(Row(row).File).second)
      result.push_back(&FileOf(Row(row)));
  return result;
}

int TGameFolderModel::FileCount() const { return m_View == nullptr ? 0 : static_cast<int>(m_View->Files.size()); }

void TGameFolderModel::Rebuild() {
  beginResetModel();
  m_Rows.clear();
  if (m_View != nullptr) {
    const TCompiledFilter text(m_Text);
    std::vector<int32_t> files;
    for (size_t i = 0; i < m_View->Files.size(); ++i) {
      const TLoadableFile &file = m_View->Files[i];
      if (m_Shadowed && file.Shadowed.empty())
        continue;
      if (m_ModChanges && m_View->Sources[static_cast<size_t>(file.Loaded.Source)].Role != frMod)
        continue;
      if (!m_Text.Text.empty() && !text.ShowsName(file.Loaded.Name))
        continue;
      files.push_back(static_cast<int32_t>(i));
    }
    // Sorted as files: a file's hidden copies stay below it, in the order the game searches them.
    const auto &all = m_View->Files;
    const auto key = [&](int32_t a, int32_t b) {
      const TGameFile &x = all[static_cast<size_t>(a)].Loaded;
      const TGameFile &y = all[static_cast<size_t>(b)].Loaded;
      switch (m_SortColumn) {
      case colSize:
        if (x.Size != y.Size)
          return x.Size < y.Size;
        break;
      case colFrom:
      case colShadowedBy:
        if (x.Source != y.Source)
          return x.Source < y.Source;
        break;
      default:
        break;
      }
      return a < b; // the view's files are in byte order of their names
    };
    if (m_SortOrder == Qt::AscendingOrder)
      std::stable_sort(files.begin(), files.end(), key);
    else
      std::stable_sort(files.begin(), files.end(), [&](int32_t a, int32_t b) { return key(b, a); });
    m_Rows.reserve(files.size());
    for (const int32_t file : files) {
      m_Rows.push_back({file, -1});
      const auto copies = static_cast<int32_t>(all[static_cast<size_t>(file)].Shadowed.size());
      for (int32_t copy = 0; copy < copies; ++copy)
        m_Rows.push_back({file, copy});
    }
  }
  endResetModel();
}

int TGameFolderModel::rowCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_Rows.size());
}

int TGameFolderModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant TGameFolderModel::data(const QModelIndex &index, int role) const {
  if (!index.isValid() || m_View == nullptr || index.row() >= rowCount())
    return {};
  const TRow &row = Row(index.row());
  const TGameFile &copy = CopyOf(row);
  const auto from = [this](const TGameFile &file) {
    const TGameSource &source = m_View->Sources[static_cast<size_t>(file.Source)];
    return source.IsArchive ? PathToQ(source.Label) : tr("%1 (loose file)").arg(PathToQ(source.Label));
  };
  switch (role) {
  case Qt::DisplayRole:
    switch (index.column()) {
    case colName:
      return EntryToDisplay(copy.Name);
    case colSize:
      return QString::number(copy.Size);
    case colFrom:
      return from(copy);
    case colShadowedBy:
      return row.Copy < 0 ? QString() : from(FileOf(row).Loaded);
    default:
      return {};
    }
  case Qt::TextAlignmentRole:
    if (index.column() == colSize)
      return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
  case Qt::ForegroundRole:
    // A copy the game never loads is drawn as something out of play.
    if (row.Copy >= 0)
      return QGuiApplication::palette().color(QPalette::Disabled, QPalette::Text);
    return {};
  case Qt::ToolTipRole:
    if (index.column() == colFrom)
      return PathToQ(m_View->PlaceOf(copy));
    return {};
  default:
    return {};
  }
}

QVariant TGameFolderModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
    return QAbstractTableModel::headerData(section, orientation, role);
  switch (section) {
  case colName:
    return tr("Name");
  case colSize:
    return tr("Size");
  case colFrom:
    return tr("From");
  case colShadowedBy:
    return tr("Shadowed by");
  default:
    return {};
  }
}

Qt::ItemFlags TGameFolderModel::flags(const QModelIndex &index) const {
  Qt::ItemFlags flags = QAbstractTableModel::flags(index);
  if (index.isValid() && OnDrag)
    flags |= Qt::ItemIsDragEnabled;
  return flags;
}

QStringList TGameFolderModel::mimeTypes() const { return {QStringLiteral("text/uri-list")}; }

QMimeData *TGameFolderModel::mimeData(const QModelIndexList &indexes) const {
  return OnDrag ? OnDrag(indexes) : nullptr;
}

void TGameFolderModel::sort(int column, Qt::SortOrder order) {
  m_SortColumn = column;
  m_SortOrder = order;
  Rebuild();
}
