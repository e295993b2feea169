// SPDX-License-Identifier: GPL-3.0-or-later
#include "EntryBrowser.h"

#include "EntryListView.h"
#include "EntryText.h"

#include <QAction>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSplitter>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QStyle>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>
#include <unordered_map>
#include <utility>

namespace {
// Where a tree item keeps its folder's stored path (for an entry shown as a
// folder of lumps, the folder it lies in) and that entry's stored name.
constexpr int FolderRole = Qt::UserRole;
constexpr int LumpFolderRole = Qt::UserRole + 1;
// What the items sort by: folders first, then the entries shown as folders of lumps, each by name.
constexpr int SortRole = Qt::UserRole + 2;

std::string FolderOf(const QStandardItem *item) {
  return item == nullptr ? std::string() : item->data(FolderRole).toByteArray().toStdString();
}
std::string LumpFolderOf(const QStandardItem *item) {
  return item == nullptr ? std::string() : item->data(LumpFolderRole).toByteArray().toStdString();
}

// The tree's items, each a folder that can be dragged out whole. The
// entries shown as folders of lumps (WADs, maps) are kept aside per folder
// and made items when their folder is first opened: an archive of many maps
// would otherwise make an item of each before the window shows.
class TFolderModel : public QStandardItemModel {
public:
  using QStandardItemModel::QStandardItemModel;

  std::function<QMimeData *(const std::string &folder)> OnDrag;
  // Each folder's item by its stored path ("" for the top).
  std::unordered_map<std::string, QStandardItem *> FolderItems;

  void Clear() {
    clear();
    FolderItems.clear();
    m_PendingLumps.clear();
  }
  // Keeps entry (a stored name) aside for its folder's item, if the tree has that folder.
  void AddLumpFolderLater(std::string entry) {
    const auto folder = FolderItems.find(entry.substr(0, entry.rfind('/') + 1));
    if (folder != FolderItems.end())
      m_PendingLumps[folder->second].push_back(std::move(entry));
  }
  // The item of entry shown as a folder of lumps, made now if it was kept aside; null if none.
  QStandardItem *LumpFolderItem(const std::string &entry) {
    const auto folder = FolderItems.find(entry.substr(0, entry.rfind('/') + 1));
    if (folder == FolderItems.end())
      return nullptr;
    AddLumpFolders(folder->second);
    for (int row = 0; row < folder->second->rowCount(); ++row)
      if (LumpFolderOf(folder->second->child(row)) == entry)
        return folder->second->child(row);
    return nullptr;
  }

  bool hasChildren(const QModelIndex &parent) const override {
    return QStandardItemModel::hasChildren(parent) || m_PendingLumps.count(itemFromIndex(parent)) != 0;
  }
  bool canFetchMore(const QModelIndex &parent) const override {
    return m_PendingLumps.count(itemFromIndex(parent)) != 0;
  }
  void fetchMore(const QModelIndex &parent) override { AddLumpFolders(itemFromIndex(parent)); }

  QStringList mimeTypes() const override { return {QStringLiteral("text/uri-list")}; }
  QMimeData *mimeData(const QModelIndexList &indexes) const override {
    // An entry shown as a folder of lumps is dragged from the list, as an entry.
    if (!OnDrag || indexes.size() != 1 || !LumpFolderOf(itemFromIndex(indexes.first())).empty())
      return nullptr;
    return OnDrag(FolderOf(itemFromIndex(indexes.first())));
  }
  Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }

private:
  // Makes the items kept aside for folder, after its sub-folders (the order
  // the tree's sort gives: folders first, then these by caption).
  void AddLumpFolders(QStandardItem *folder) {
    const auto pending = m_PendingLumps.find(folder);
    if (pending == m_PendingLumps.end())
      return;
    const std::string path = FolderOf(folder);
    QList<QStandardItem *> items;
    for (const std::string &entry : pending->second) {
      auto *item = new QStandardItem(KindIcon(FileKindOf(entry)), EntryToDisplay(entry.substr(path.size())));
      item->setData(QByteArray::fromStdString(path), FolderRole);
      item->setData(QByteArray::fromStdString(entry), LumpFolderRole);
      item->setToolTip(TEntryBrowser::tr("Lumps of %1").arg(EntryToDisplay(entry)));
      item->setData(QStringLiteral("1") + item->text(), SortRole);
      items.append(item);
    }
    m_PendingLumps.erase(pending);
    std::stable_sort(items.begin(), items.end(),
                     [](const QStandardItem *a, const QStandardItem *b) { return a->text() < b->text(); });
    folder->appendRows(items);
  }

  std::unordered_map<const QStandardItem *, std::vector<std::string>> m_PendingLumps;
};
TFolderModel &FolderTree(QStandardItemModel *model) { return *static_cast<TFolderModel *>(model); }

// "a/b/" -> "b".
std::string LastPart(const std::string &folder) {
  const std::string path = folder.substr(0, folder.size() - 1);
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}
} // namespace

TEntryBrowser::TEntryBrowser(TEntryListView &list, QWidget *parent) : QWidget(parent), m_List(list) {
  setObjectName(QStringLiteral("EntryBrowser"));
  auto *folderModel = new TFolderModel(this);
  folderModel->OnDrag = [this](const std::string &folder) { return DragFolder(folder); };
  m_FolderModel = folderModel;
  m_FolderModel->setSortRole(SortRole);
  m_Folders = new QTreeView(this);
  m_Folders->setObjectName(QStringLiteral("FolderTree"));
  m_Folders->setModel(m_FolderModel);
  m_Folders->setHeaderHidden(true);
  m_Folders->setUniformRowHeights(true);
  m_Folders->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_Folders->setDragEnabled(true);
  m_Folders->setDragDropMode(QAbstractItemView::DragOnly);

  m_FilterBox = new QLineEdit(this);
  m_FilterBox->setObjectName(QStringLiteral("FilterBox"));
  m_FilterBox->setPlaceholderText(tr("Filter: text in the name, or a pattern such as *.wav"));
  m_FilterBox->setClearButtonEnabled(true);
  connect(m_FilterBox, &QLineEdit::textChanged, this, &TEntryBrowser::ApplyFilter);

  auto *find = new QAction(tr("Filter"), this);
  find->setObjectName(QStringLiteral("FilterAction"));
  find->setShortcut(QKeySequence::Find);
  find->setShortcutContext(Qt::WindowShortcut);
  connect(find, &QAction::triggered, this, [this] {
    m_FilterBox->setFocus(Qt::ShortcutFocusReason);
    m_FilterBox->selectAll();
  });
  addAction(find);

  auto *listSide = new QWidget(this);
  auto *listLayout = new QVBoxLayout(listSide);
  listLayout->setContentsMargins(0, 0, 0, 0);
  listLayout->setSpacing(2);
  listLayout->addWidget(m_FilterBox);
  m_ListPages = new QStackedWidget(listSide);
  m_ListPages->addWidget(&m_List);
  listLayout->addWidget(m_ListPages);

  auto *splitter = new QSplitter(this);
  splitter->setObjectName(QStringLiteral("BrowserSplitter"));
  splitter->addWidget(m_Folders);
  splitter->addWidget(listSide);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({130, 400});
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(splitter);

  m_List.installEventFilter(this);
  m_FilterBox->installEventFilter(this);
}

void TEntryBrowser::ShowFolders(const std::vector<std::string> &paths, const QString &topCaption,
                                std::vector<std::string> lumpFolders) {
  const std::string chosen = ChosenFolder();
  const std::string chosenLumps = ChosenLumpFolder();
  const QSignalBlocker quiet(m_Folders->selectionModel());
  TFolderModel &tree = FolderTree(m_FolderModel);
  // The folders open before stay open while the archive still has them.
  std::vector<std::string> opened;
  for (const auto &[folder, item] : tree.FolderItems)
    if (!folder.empty() && m_Folders->isExpanded(item->index()))
      opened.push_back(folder);
  tree.Clear();
  if (topCaption.isEmpty())
    return;
  // Folders show the style's folder icon, beside the kind icons of the entries shown as folders of lumps.
  const QIcon folderIcon = style()->standardIcon(QStyle::SP_DirIcon);
  auto *top = new QStandardItem(topCaption);
  m_FolderModel->appendRow(top);
  std::unordered_map<std::string, QStandardItem *> &items = tree.FolderItems;
  items.emplace(std::string(), top);
  for (const std::string &path : paths) {
    if (items.count(path) != 0)
      continue;
    QStandardItem *parent = top;
    size_t end = 0;
    while ((end = path.find('/', end)) != std::string::npos) {
      ++end;
      const std::string folder = path.substr(0, end);
      auto found = items.find(folder);
      if (found == items.end()) {
        auto *item = new QStandardItem(folderIcon, EntryToDisplay(LastPart(folder)));
        item->setData(QStringLiteral("0") + item->text(), SortRole);
        item->setData(QByteArray::fromStdString(folder), FolderRole);
        parent->appendRow(item);
        found = items.emplace(folder, item).first;
      }
      parent = found->second;
    }
  }
  m_FolderModel->sort(0);
  for (std::string &entry : lumpFolders)
    tree.AddLumpFolderLater(std::move(entry));
  m_Folders->expand(top->index());
  for (const std::string &folder : opened)
    if (const auto item = items.find(folder); item != items.end())
      m_Folders->expand(item->second->index());
  auto kept = items.find(chosen);
  // An entry shown as lumps stays chosen while the archive has it; else its folder is.
  QStandardItem *keptLumps = chosenLumps.empty() ? nullptr : tree.LumpFolderItem(chosenLumps);
  QModelIndex current = kept == items.end() ? top->index() : kept->second->index();
  if (keptLumps != nullptr)
    current = keptLumps->index();
  m_Folders->setCurrentIndex(current);
  m_Folders->scrollTo(current);
  connect(m_Folders->selectionModel(), &QItemSelectionModel::currentChanged, this, &TEntryBrowser::ApplyFilter,
          Qt::UniqueConnection);
  // The list's filter follows: a folder that is gone shows the whole archive.
  if (kept == items.end() && !chosen.empty())
    ApplyFilter();
  else if (keptLumps == nullptr && !m_LumpFolder.empty())
    ApplyFilter();
}

std::string TEntryBrowser::ChosenLumpFolder() const {
  return LumpFolderOf(m_FolderModel->itemFromIndex(m_Folders->currentIndex()));
}

void TEntryBrowser::SelectLumpFolder(const std::string &entryName) {
  if (QStandardItem *item = FolderTree(m_FolderModel).LumpFolderItem(entryName))
    m_Folders->setCurrentIndex(item->index());
}

void TEntryBrowser::SetLumpList(QWidget *lumps) {
  m_ListPages->addWidget(lumps);
  lumps->installEventFilter(this);
}

void TEntryBrowser::ShowLumpList(bool shown) {
  if (m_ListPages->count() > 1)
    m_ListPages->setCurrentIndex(shown ? 1 : 0);
}

bool TEntryBrowser::LumpListShown() const { return m_ListPages->currentIndex() == 1; }

void TEntryBrowser::SelectFolder(const std::string &folder) {
  const auto &items = FolderTree(m_FolderModel).FolderItems;
  if (const auto found = items.find(folder); found != items.end())
    m_Folders->setCurrentIndex(found->second->index());
}

void TEntryBrowser::ShowAll() {
  m_FilterBox->clear();
  SelectFolder({});
  // Nor are folders left open for the next tree.
  m_Folders->collapseAll();
}

QMimeData *TEntryBrowser::DragFolder(const std::string &folder) const {
  if (!OnDrag)
    return nullptr;
  TStringList names;
  const TEntryListModel &model = m_List.Model();
  for (size_t i = 0; i < model.AllRowCount(); ++i)
    if (const TEntryRow row = model.AllRow(i); row.Path.substr(0, folder.size()) == folder)
      names.emplace_back(row.EntryName);
  // The folder itself is offered: its entries go relative to its parent.
  const size_t slash = folder.empty() ? std::string::npos : folder.substr(0, folder.size() - 1).rfind('/');
  return OnDrag(names, slash == std::string::npos ? std::string() : folder.substr(0, slash + 1));
}

std::string TEntryBrowser::ChosenFolder() const {
  return FolderOf(m_FolderModel->itemFromIndex(m_Folders->currentIndex()));
}

void TEntryBrowser::ApplyFilter() {
  // The folder of lumps chosen is said first: the list of lumps takes the filter text too.
  if (const std::string lumps = ChosenLumpFolder(); lumps != m_LumpFolder) {
    m_LumpFolder = lumps;
    emit LumpFolderChosen(lumps);
  }
  TEntryFilter filter;
  filter.Folder = ChosenFolder();
  filter.Text = DisplayToEntry(m_FilterBox->text());
  if (filter == m_List.Model().Filter())
    return;
  m_List.Model().SetFilter(filter);
  emit FilterChanged();
}

bool TEntryBrowser::eventFilter(QObject *watched, QEvent *event) {
  // Esc in the filter box clears it; an empty box leaves the key to the window.
  if (watched == m_FilterBox && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape && !m_FilterBox->text().isEmpty()) {
    m_FilterBox->clear();
    return true;
  }
  // Typing in the list, or in a folder's lumps, starts a filter (a caption
  // being edited has keys of its own editor).
  const bool list = watched == &m_List || (m_ListPages->count() > 1 && watched == m_ListPages->widget(1));
  if (list && event->type() == QEvent::KeyPress) {
    const auto *key = static_cast<QKeyEvent *>(event);
    const QString text = key->text();
    const bool plain = (key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) == 0;
    if (plain && !text.isEmpty() && text.at(0).isPrint() && !text.at(0).isSpace()) {
      m_FilterBox->setFocus(Qt::OtherFocusReason);
      m_FilterBox->setText(m_FilterBox->text() + text);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}
