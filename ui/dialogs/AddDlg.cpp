// SPDX-License-Identifier: GPL-3.0-or-later
#include "AddDlg.h"

#include "DesktopServices.h"
#include "DialogSupport.h"
#include "EntryText.h"
#include "TypedFolder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <map>

namespace {

QString Latin1(std::string_view text) { return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())); }

bool IsExistingDirectory(const QString &path) { return !path.isEmpty() && QFileInfo(path).isDir(); }

QPushButton *MakeListButton(const QString &text, const QString &name, QWidget *parent) {
  auto *button = new QPushButton(text, parent);
  button->setObjectName(name);
  // Enter belongs to OK, not to whichever list button has the focus.
  button->setAutoDefault(false);
  return button;
}

QComboBox *MakePathCombo(const QString &name, QWidget *parent) {
  QComboBox *combo = MakeEditableCombo(name, 40, parent);
  // Files dropped onto the edit field belong to the dialog's file list, not
  // into the text.
  combo->lineEdit()->setAcceptDrops(false);
  return combo;
}

// Shows each listed path followed by the entry name it will get (held as the
// item's tooltip), while the item's text stays the path itself.
class TEntryNameDelegate : public QStyledItemDelegate {
public:
  using QStyledItemDelegate::QStyledItemDelegate;

protected:
  void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    const QString name = index.data(Qt::ToolTipRole).toString();
    if (!name.isEmpty())
      option->text += QStringLiteral("  \u2192  ") + name;
  }
};

} // namespace

TAddDialog::TAddDialog(const TQuakePak &pak, TDesktopServices &desktop, QWidget *parent)
    : QDialog(parent), m_Pak(pak), m_Desktop(desktop) {
  setObjectName("AddDialog");
  setWindowTitle(tr("Add Files"));
  // Resizable, so that long paths and their entry names can be read whole.
  setSizeGripEnabled(true);

  auto *groupBox3 = new QGroupBox(tr(" Base Directory "), this);
  groupBox3->setObjectName("GroupBox3");
  auto *baseLabel = new QLabel(tr("Enter the base shell directory to offset files from :"), groupBox3);
  baseLabel->setObjectName("Label2");
  m_BaseDirCombo = MakePathCombo("BaseDirCombo", groupBox3);
  auto *baseLayout = new QVBoxLayout(groupBox3);
  baseLayout->addWidget(baseLabel);
  baseLayout->addWidget(m_BaseDirCombo);

  auto *groupBox2 = new QGroupBox(tr(" Files To Add "), this);
  groupBox2->setObjectName("GroupBox2");
  m_FileListBox = new QListWidget(groupBox2);
  m_FileListBox->setObjectName("FileListBox");
  m_FileListBox->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_FileListBox->setUniformItemSizes(true);
  m_FileListBox->setMinimumHeight(160);
  m_FileListBox->setItemDelegate(new TEntryNameDelegate(m_FileListBox));
  m_AddBtn = MakeListButton(tr("&Add File"), "AddBtn", groupBox2);
  m_AddDirBtn = MakeListButton(tr("Add &Directory"), "AddDirBtn", groupBox2);
  m_DelBtn = MakeListButton(tr("&Remove"), "DelBtn", groupBox2);
  m_DelBtn->setEnabled(false);
  m_RecurseCheck = new QCheckBox(tr("Recurse sub-directories when adding directories."), groupBox2);
  m_RecurseCheck->setObjectName("RecurseCheck");
  auto *listButtons = new QVBoxLayout;
  listButtons->addWidget(m_AddBtn);
  listButtons->addWidget(m_AddDirBtn);
  listButtons->addWidget(m_DelBtn);
  listButtons->addStretch();
  auto *listRow = new QHBoxLayout;
  listRow->addWidget(m_FileListBox, 1);
  listRow->addLayout(listButtons);
  auto *filesLayout = new QVBoxLayout(groupBox2);
  filesLayout->addLayout(listRow);
  filesLayout->addWidget(m_RecurseCheck);

  auto *groupBox1 = new QGroupBox(tr(" Directory "), this);
  groupBox1->setObjectName("GroupBox1");
  auto *targetLabel = new QLabel(tr("Enter the internal directory to add the files to :"), groupBox1);
  targetLabel->setObjectName("Label1");
  m_DirCombo = MakePathCombo("DirCombo", groupBox1);
  auto *dirLayout = new QVBoxLayout(groupBox1);
  dirLayout->addWidget(targetLabel);
  dirLayout->addWidget(m_DirCombo);

  const TOkCancelButtons buttons = MakeOkCancelButtons(*this, "OKBtn");
  m_OKBtn = buttons.OK;
  m_CancelBtn = buttons.Cancel;

  auto *layout = new QVBoxLayout(this);
  layout->addWidget(groupBox3);
  layout->addWidget(groupBox2);
  layout->addWidget(groupBox1);
  layout->addWidget(buttons.Box);

  setTabOrder(m_BaseDirCombo, m_FileListBox);
  setTabOrder(m_FileListBox, m_AddBtn);
  setTabOrder(m_AddBtn, m_AddDirBtn);
  setTabOrder(m_AddDirBtn, m_DelBtn);
  setTabOrder(m_DelBtn, m_RecurseCheck);
  setTabOrder(m_RecurseCheck, m_DirCombo);
  setTabOrder(m_DirCombo, m_OKBtn);
  setTabOrder(m_OKBtn, m_CancelBtn);

  connect(m_AddBtn, &QPushButton::clicked, this, &TAddDialog::AddBtnClick);
  connect(m_AddDirBtn, &QPushButton::clicked, this, &TAddDialog::AddDirBtnClick);
  connect(m_DelBtn, &QPushButton::clicked, this, &TAddDialog::DelBtnClick);
  connect(m_FileListBox, &QListWidget::itemSelectionChanged, this, &TAddDialog::FileListBoxSelectionChanged);
  connect(m_BaseDirCombo, &QComboBox::editTextChanged, this, &TAddDialog::ShowEntryNames);
  connect(m_DirCombo, &QComboBox::editTextChanged, this, &TAddDialog::ShowEntryNames);
  connect(m_FileListBox->model(), &QAbstractItemModel::rowsInserted, this, &TAddDialog::ShowEntryNames);

  // Files dropped from the desktop go into the list for as long as the dialog exists.
  setAcceptDrops(true);
}

bool TAddDialog::Execute(QStringList &files, QString &internalDirectory, QString &baseDirectory, bool &recurse) {
  m_FileListBox->clear();
  m_BaseDirCombo->clear();
  m_BaseDirCombo->setEditText(QString());
  m_OfferedBase.clear();
  for (const QString &path : files) {
    // Paths handed in are listed as they are, duplicates included.
    AppendPath(path);
    if (IsExistingDirectory(path))
      AddBaseDirectory(path);
    AddBaseDirectory(PathDirectory(path));
  }
  AddBaseDirectory(baseDirectory);
  m_RecurseCheck->setChecked(recurse);
  FillDirCombo();
  m_DirCombo->setEditText(internalDirectory);
  FileListBoxSelectionChanged();

  CentreOnScreen(*this);
  const bool accepted = exec() == QDialog::Accepted;

  recurse = m_RecurseCheck->isChecked();
  if (!accepted || m_FileListBox->count() == 0)
    return false;
  files.clear();
  for (int row = 0; row < m_FileListBox->count(); ++row)
    files.append(m_FileListBox->item(row)->text());
  internalDirectory = m_DirCombo->currentText();
  baseDirectory = m_BaseDirCombo->currentText();
  return true;
}

void TAddDialog::AddBaseDirectory(const QString &directory) {
  if (directory.isEmpty())
    return;
  QString offered = directory;
  if (!offered.endsWith(QLatin1Char('/')))
    offered += QLatin1Char('/');

  // The items stay sorted ignoring ASCII case; an equal item is not added twice.
  const QString key = AsciiLower(offered);
  int insertAt = m_BaseDirCombo->count();
  int found = -1;
  for (int i = 0; i < m_BaseDirCombo->count(); ++i) {
    const QString itemKey = AsciiLower(m_BaseDirCombo->itemText(i));
    if (itemKey == key) {
      found = i;
      break;
    }
    if (itemKey > key) {
      insertAt = i;
      break;
    }
  }
  // Inserting into an empty box makes the item its text; what the user had is taken first.
  const QString shown = m_BaseDirCombo->currentText();
  if (found < 0) {
    m_BaseDirCombo->insertItem(insertAt, offered);
    found = insertAt;
  }
  if (!shown.isEmpty() && shown != m_OfferedBase) {
    m_BaseDirCombo->setEditText(shown);
    return;
  }
  m_OfferedBase = offered;
  m_BaseDirCombo->setCurrentIndex(found);
  // The text is the string offered, also when a differently spelled item matched it.
  m_BaseDirCombo->setEditText(offered);
}

int TAddDialog::FindListedPath(const QString &path) const {
  for (int row = 0; row < m_FileListBox->count(); ++row)
    if (AsciiLower(m_FileListBox->item(row)->text()) == AsciiLower(path))
      return row;
  return -1;
}

void TAddDialog::AppendPath(const QString &path) {
  auto *item = new QListWidgetItem(path);
  if (IsExistingDirectory(path)) {
    QFont font = m_FileListBox->font();
    font.setBold(true);
    item->setFont(font);
  }
  m_FileListBox->addItem(item);
}

QString TAddDialog::EntryNameFor(const QString &path) const {
  const QString base = TypedFolder(m_BaseDirCombo->currentText()).value_or(QString());
  QString name =
      EntryToDisplay(m_Pak.AddedEntryName(PathFromQ(path), PathFromQ(base), DisplayToEntry(m_DirCombo->currentText())));
  if (IsExistingDirectory(path))
    name += QStringLiteral("/\u2026");
  return name;
}

void TAddDialog::ShowEntryNames() {
  for (int row = 0; row < m_FileListBox->count(); ++row) {
    QListWidgetItem *item = m_FileListBox->item(row);
    item->setToolTip(EntryNameFor(item->text()));
  }
}

void TAddDialog::FillDirCombo() {
  m_DirCombo->clear();
  m_DirCombo->addItems(ArchiveDirectories(m_Pak));
}

void TAddDialog::AddBtnClick() {
  TFileDialogRequest request;
  request.Title = tr("Select Files To Add To List");
  request.Filters = FileFilters();
  request.Multiple = true;
  const QStringList chosen = m_Desktop.ChooseOpenFiles(this, request);
  for (const QString &path : chosen) {
    if (path.isEmpty() || FindListedPath(path) >= 0)
      continue;
    AppendPath(path);
    AddBaseDirectory(PathDirectory(path));
  }
}

void TAddDialog::AddDirBtnClick() {
  const QString directory = m_Desktop.ChooseDirectory(this, tr("Select Directory"), QString(), false);
  if (directory.isEmpty() || FindListedPath(directory) >= 0)
    return;
  AppendPath(directory);
  // The directory itself is offered too, but its parent ends up selected.
  AddBaseDirectory(directory);
  AddBaseDirectory(PathDirectory(directory));
}

void TAddDialog::DelBtnClick() {
  const QList<QListWidgetItem *> selected = m_FileListBox->selectedItems();
  for (QListWidgetItem *item : selected)
    delete item;
  FileListBoxSelectionChanged();
}

void TAddDialog::FileListBoxSelectionChanged() { m_DelBtn->setEnabled(!m_FileListBox->selectedItems().isEmpty()); }

void TAddDialog::dragEnterEvent(QDragEnterEvent *event) {
  const QMimeData *mime = event->mimeData();
  if (mime != nullptr && mime->hasUrls()) {
    const QList<QUrl> urls = mime->urls();
    for (const QUrl &url : urls)
      if (url.isLocalFile()) {
        event->acceptProposedAction();
        return;
      }
  }
  event->ignore();
}

void TAddDialog::dragMoveEvent(QDragMoveEvent *event) {
  if (event->mimeData() != nullptr && event->mimeData()->hasUrls())
    event->acceptProposedAction();
  else
    event->ignore();
}

void TAddDialog::dropEvent(QDropEvent *event) {
  const QMimeData *mime = event->mimeData();
  if (mime == nullptr || !mime->hasUrls()) {
    event->ignore();
    return;
  }
  // Whole paths are kept: cutting a long path short would name another file.
  const QList<QUrl> urls = mime->urls();
  for (const QUrl &url : urls) {
    if (!url.isLocalFile())
      continue;
    QString path = url.toLocalFile();
    // A dropped folder may arrive as ".../name/"; list it as the folder chooser would.
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
      path.chop(1);
    if (path.isEmpty() || FindListedPath(path) >= 0)
      continue;
    AppendPath(path);
    AddBaseDirectory(PathDirectory(path));
  }
  event->acceptProposedAction();
}

QStringList TAddDialog::FileFilters() {
  std::map<std::string_view, QStringList> patternsOfCaption;
  QStringList every;
  for (const TFileKindInfo &info : FileKinds) {
    if (info.Filter.empty())
      continue;
    QStringList &patterns = patternsOfCaption[info.Filter];
    for (std::string_view extension : KindWords(info.Extensions)) {
      patterns << QStringLiteral("*.") + Latin1(extension);
      every << patterns.back();
    }
  }
  std::vector<std::pair<QStringList, QString>> filters;
  for (auto &[caption, patterns] : patternsOfCaption) {
    patterns.removeDuplicates();
    patterns.sort();
    if (!patterns.isEmpty())
      filters.emplace_back(patterns, QCoreApplication::translate(FileKindTextContext, std::string(caption).c_str()));
  }
  std::sort(filters.begin(), filters.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
  every.removeDuplicates();
  every.sort();
  QStringList result{tr("All Quake Formats (%1)").arg(every.join(QLatin1Char(' ')))};
  for (const auto &[patterns, caption] : filters)
    result << QStringLiteral("%1 (%2)").arg(caption, patterns.join(QLatin1Char(' ')));
  result << tr("All Files (*)");
  return result;
}
