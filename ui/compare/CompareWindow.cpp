// SPDX-License-Identifier: GPL-3.0-or-later
#include "CompareWindow.h"

#include "ArchiveSession.h"
#include "CompareModel.h"
#include "DesktopServices.h"
#include "EntryText.h"
#include "Translations.h"
#include "TypedFolder.h"
#include "WaitCursor.h"

#include <QAction>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTemporaryDir>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

// What the worker hands back: both archives opened to read, and the rows.
struct TCompareOutcome {
  std::array<std::unique_ptr<TQuakePak>, 2> Paks;
  std::vector<TEntryComparison> Rows;
  bool NotPak = false; // one of the files is no PAK file
  QString NotPakFile;  // which one, when known
  QString Failure;     // empty: compared
};

namespace {
// Opens both archives to read and compares them. Runs away from the window's
// thread: it touches nothing but its own values.
std::shared_ptr<TCompareOutcome> CompareFiles(const std::array<std::string, 2> &files, const std::string &quake,
                                              const std::string &temporary) {
  auto outcome = std::make_shared<TCompareOutcome>();
  size_t side = 0;
  try {
    for (; side < files.size(); ++side) {
      auto pak = std::make_unique<TQuakePak>();
      pak->SetTempDirectory(temporary);
      // The game palette, for the lump viewer; an archive reads as well without it.
      try {
        if (!quake.empty())
          pak->SetQuakeDirectory(quake);
      } catch (const std::exception &) {
      }
      pak->OpenPakToRead(files[side]);
      outcome->Paks[side] = std::move(pak);
    }
    outcome->Rows = CompareArchives(files[0], files[1]);
  } catch (const EInvalidPakFile &) {
    outcome->NotPak = true;
    if (side < files.size())
      outcome->NotPakFile = PathToQ(files[side]);
  } catch (const std::exception &error) {
    outcome->Failure = QString::fromLocal8Bit(error.what());
  }
  return outcome;
}

// Whether the rows of that kind have a copy on the side.
bool Holds(TEntryDifference kind, TCompareWindow::TSide side) {
  return kind == edDiffering || kind == edIdentical ||
         kind == (side == TCompareWindow::sdThis ? edOnlyInFirst : edOnlyInSecond);
}
} // namespace

TCompareWindow::TCompareWindow(TArchiveSession &session, const QString &thisFile, const QString &otherFile,
                               bool unsaved, QWidget *parent)
    : QDialog(parent), m_Session(session), m_Dialogs(session.Desktop(), this), m_Files{thisFile, otherFile} {
  setObjectName(QStringLiteral("CompareWindow"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowFlag(Qt::WindowMaximizeButtonHint);
  setWindowTitle(tr("Compare %1 with %2").arg(QFileInfo(thisFile).fileName(), QFileInfo(otherFile).fileName()));

  auto *files = new QLabel(tr("This archive: %1\nThe other: %2").arg(thisFile, otherFile), this);
  files->setObjectName(QStringLiteral("CompareFiles"));
  files->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto *unsavedNote =
      new QLabel(tr("The open archive has changes that are not saved: it is compared as it was last saved."), this);
  unsavedNote->setObjectName(QStringLiteral("UnsavedNote"));
  unsavedNote->setWordWrap(true);
  unsavedNote->setVisible(unsaved);

  auto *filters = new QHBoxLayout;
  const char *filterNames[] = {"ShowOnlyHere", "ShowOnlyThere", "ShowDifferent", "ShowIdentical"};
  m_Model = new TCompareModel(this);
  for (int kind = 0; kind < TCompareModel::KindCount; ++kind) {
    auto *box = new QCheckBox(this);
    box->setObjectName(QLatin1String(filterNames[kind]));
    // What agrees is of least interest: shown on request.
    box->setChecked(kind != edIdentical);
    m_Model->ShowKind(static_cast<TEntryDifference>(kind), box->isChecked());
    connect(box, &QCheckBox::toggled, this, [this, kind](bool shown) {
      m_Model->ShowKind(static_cast<TEntryDifference>(kind), shown);
      UpdateCommands();
    });
    filters->addWidget(box);
    m_Filters[static_cast<size_t>(kind)] = box;
  }
  filters->addStretch();

  auto *tools = new QToolBar(this);
  tools->setObjectName(QStringLiteral("CompareTools"));
  tools->setToolButtonStyle(Qt::ToolButtonTextOnly);
  const auto make = [this, tools](const char *name, const QString &text, const std::function<void()> &command) {
    auto *action = new QAction(text, this);
    action->setObjectName(QLatin1String(name));
    connect(action, &QAction::triggered, this, [this, command] { Run(command); });
    tools->addAction(action);
    return action;
  };
  m_ViewActions = {make("CompareViewThis", tr("&View This Archive's Copy"), [this] { View(sdThis); }),
                   make("CompareViewOther", tr("View the &Other's Copy"), [this] { View(sdOther); })};
  tools->addSeparator();
  m_ExtractActions = {make("CompareExtractThis", tr("&Extract This Archive's Copies..."), [this] { Extract(sdThis); }),
                      make("CompareExtractOther", tr("E&xtract the Other's Copies..."), [this] { Extract(sdOther); })};

  m_Rows = new QTreeView(this);
  m_Rows->setObjectName(QStringLiteral("CompareRows"));
  m_Rows->setModel(m_Model);
  m_Rows->setRootIsDecorated(false);
  m_Rows->setUniformRowHeights(true);
  m_Rows->setAllColumnsShowFocus(true);
  m_Rows->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_Rows->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_Rows->setContextMenuPolicy(Qt::ActionsContextMenu);
  m_Rows->addActions(
      {m_ViewActions[sdThis], m_ViewActions[sdOther], m_ExtractActions[sdThis], m_ExtractActions[sdOther]});
  // The name takes the room left; the other columns are as wide as their
  // widest text can be, measured once rather than over every row.
  QHeaderView *header = m_Rows->header();
  header->setStretchLastSection(false);
  header->setSectionResizeMode(TCompareModel::ccName, QHeaderView::Stretch);
  const QFontMetrics metrics = m_Rows->fontMetrics();
  const int padding = 4 * metrics.averageCharWidth();
  int kindWidth = metrics.horizontalAdvance(m_Model->headerData(TCompareModel::ccKind, Qt::Horizontal).toString());
  for (int kind = 0; kind < TCompareModel::KindCount; ++kind)
    kindWidth =
        std::max(kindWidth, metrics.horizontalAdvance(TCompareModel::KindText(static_cast<TEntryDifference>(kind))));
  header->resizeSection(TCompareModel::ccKind, kindWidth + padding);
  for (const int column : {TCompareModel::ccThisSize, TCompareModel::ccOtherSize})
    header->resizeSection(column,
                          std::max(metrics.horizontalAdvance(QLocale().toString(qint64(2147483647))),
                                   metrics.horizontalAdvance(m_Model->headerData(column, Qt::Horizontal).toString())) +
                              padding);
  // The comparison's own order until a column is clicked.
  m_Rows->header()->setSortIndicator(-1, Qt::AscendingOrder);
  m_Rows->setSortingEnabled(true);
  connect(m_Rows->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { UpdateCommands(); });
  connect(m_Model, &QAbstractItemModel::modelReset, this, [this] { UpdateCommands(); });
  // A double click or Enter views this archive's copy, or the other's where this one has none.
  const auto viewHeld = [this] {
    const QModelIndexList rows = m_Rows->selectionModel()->selectedRows();
    if (rows.size() == 1)
      Run([this, row = rows.front().row()] { View(IndexOn(sdThis, row) >= 0 ? sdThis : sdOther); });
  };
  connect(m_Rows, &QAbstractItemView::doubleClicked, this, viewHeld);
  for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter})
    connect(new QShortcut(QKeySequence(key), m_Rows, nullptr, nullptr, Qt::WidgetShortcut), &QShortcut::activated, this,
            viewHeld);

  m_Status = new QLabel(this);
  m_Status->setObjectName(QStringLiteral("CompareStatus"));
  m_Status->setWordWrap(true);
  m_Busy = new QProgressBar(this);
  m_Busy->setObjectName(QStringLiteral("CompareBusy"));
  m_Busy->setRange(0, 0); // no percentage: the engine compares in one call
  m_Busy->setMaximumWidth(160);
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  // Enter in the list views a copy; only Escape or the button closes.
  for (QAbstractButton *button : buttons->buttons())
    if (auto *push = qobject_cast<QPushButton *>(button))
      push->setAutoDefault(false);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto *bottom = new QHBoxLayout;
  bottom->addWidget(m_Busy);
  bottom->addWidget(m_Status, 1);
  bottom->addWidget(buttons);

  auto *layout = new QVBoxLayout(this);
  layout->addWidget(files);
  layout->addWidget(unsavedNote);
  layout->addLayout(filters);
  layout->addWidget(tools);
  layout->addWidget(m_Rows, 1);
  layout->addLayout(bottom);

  // Wide enough for every command's button, in any language.
  resize(std::max(760, sizeHint().width()), 480);
  Start();
}

TCompareWindow::~TCompareWindow() = default;

void TCompareWindow::Start() {
  m_Comparing = true;
  m_Status->setText(tr("Comparing the archives..."));
  m_Busy->show();
  ShowCounts();
  UpdateCommands();
  const TQuakePak &pak = m_Session.Pak();
  auto *watcher = new QFutureWatcher<std::shared_ptr<TCompareOutcome>>(this);
  connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
    watcher->deleteLater();
    TakeOutcome(watcher->result());
  });
  // A window closed meanwhile takes its watcher along; the worker ends on its own.
  watcher->setFuture(QtConcurrent::run(CompareFiles,
                                       std::array<std::string, 2>{PathFromQ(m_Files[0]), PathFromQ(m_Files[1])},
                                       pak.QuakeDirectory(), pak.TempDirectory()));
}

void TCompareWindow::TakeOutcome(const std::shared_ptr<TCompareOutcome> &outcome) {
  m_Comparing = false;
  m_Busy->hide();
  if (outcome->NotPak || !outcome->Failure.isEmpty()) {
    QString failure = outcome->Failure;
    if (outcome->NotPak)
      failure = outcome->NotPakFile.isEmpty() ? tr("One of the files is not a valid PAK file.")
                                              : tr("%1 is not a valid PAK file.").arg(outcome->NotPakFile);
    m_Status->setText(tr("The archives could not be compared."));
    m_Session.Desktop().ShowError(this, tr("The archives could not be compared."), failure);
  } else {
    m_Paks = std::move(outcome->Paks);
    m_Model->SetComparison(std::move(outcome->Rows));
    // A column clicked while comparing sorts the rows now.
    m_Rows->sortByColumn(m_Rows->header()->sortIndicatorSection(), m_Rows->header()->sortIndicatorOrder());
    const bool same = m_Model->Count(edOnlyInFirst) + m_Model->Count(edOnlyInSecond) + m_Model->Count(edDiffering) == 0;
    m_Status->setText(same ? tr("The archives hold the same entries with the same bytes.") : QString());
  }
  ShowCounts();
  UpdateCommands();
  emit Compared();
}

void TCompareWindow::ShowCounts() {
  for (int kind = 0; kind < TCompareModel::KindCount; ++kind) {
    const auto difference = static_cast<TEntryDifference>(kind);
    // No count while they are being made: a zero would say something false.
    const QString text = TCompareModel::KindText(difference);
    m_Filters[static_cast<size_t>(kind)]->setText(
        m_Comparing ? text : tr("%1 (%2)").arg(text, QLocale().toString(m_Model->Count(difference))));
    m_Filters[static_cast<size_t>(kind)]->setEnabled(!m_Comparing);
  }
}

void TCompareWindow::UpdateCommands() {
  const QModelIndexList selected = m_Rows->selectionModel()->selectedRows();
  for (const TSide side : {sdThis, sdOther}) {
    m_ViewActions[side]->setEnabled(selected.size() == 1 && IndexOn(side, selected.front().row()) >= 0);
    bool held = false;
    for (int kind = 0; kind < TCompareModel::KindCount; ++kind) {
      const auto difference = static_cast<TEntryDifference>(kind);
      held = held || (m_Model->KindShown(difference) && m_Model->Count(difference) > 0 && Holds(difference, side));
    }
    m_ExtractActions[side]->setEnabled(!m_Comparing && held);
  }
}

int32_t TCompareWindow::IndexOn(TSide side, int row) const {
  if (m_Paks[side] == nullptr || row < 0 || row >= m_Model->rowCount())
    return -1;
  const TEntryComparison &entry = m_Model->At(row);
  const int32_t index = side == sdThis ? entry.FirstIndex : entry.SecondIndex;
  if (index < 0)
    return -1;
  // The comparison read the file by its name a moment after the archive
  // was opened: should another program have replaced it in between, the
  // entry is found by its name.
  const TQuakePak &pak = *m_Paks[side];
  if (pak.EntryName(index) == entry.Name)
    return index;
  for (int32_t i = pak.EntryCount() - 1; i >= 0; --i)
    if (pak.EntryName(i) == entry.Name)
      return i;
  return -1;
}

void TCompareWindow::Run(const std::function<void()> &command) {
  try {
    command();
  } catch (const std::exception &error) {
    m_Session.Desktop().ShowError(this, QString::fromLocal8Bit(error.what()));
  }
}

void TCompareWindow::View(TSide side) {
  const QModelIndexList selected = m_Rows->selectionModel()->selectedRows();
  if (selected.size() != 1)
    return;
  const int32_t index = IndexOn(side, selected.front().row());
  if (index < 0)
    return;
  TQuakePak &pak = *m_Paks[side];
  const std::string name = pak.EntryName(index);
  TDesktopServices &desktop = m_Session.Desktop();

  // Each view has a copy of its own, alone in a folder among the session's
  // copies handed to other programs, under a name safe for shells.
  QTemporaryDir folder(m_Session.HandedCopyArea() + QStringLiteral("compare-XXXXXX"));
  if (!folder.isValid()) {
    desktop.ShowError(this, tr("The entry could not be extracted for viewing."), folder.errorString());
    return;
  }
  folder.setAutoRemove(false);
  const std::string leaf = EntryFileName(name);
  const QString copy = folder.filePath(SafeCopyName(leaf.empty() ? std::string("entry") : leaf));
  try {
    TWaitCursor wait;
    pak.ExtractEntry(index, PathFromQ(copy));
  } catch (const EInOutError &error) {
    folder.remove();
    desktop.ShowError(this, tr("The entry could not be extracted for viewing."), QString::fromLocal8Bit(error.what()));
    return;
  }

  switch (desktop.OpenWithDefaultApplication(copy)) {
  case TDesktopServices::orOpened:
    break;
  case TDesktopServices::orNoApplication: {
    if (!KindInfo(FileKindOf(name)).LumpViewer) {
      desktop.ShowError(this, tr("There is no application associated with this file type."), copy);
      break;
    }
    std::unique_ptr<TBitmap> bitmap;
    {
      TWaitCursor wait;
      bitmap = pak.LumpToBitmap(name, LumpViewerOffset, true);
    }
    m_Dialogs.SetPak(&pak);
    m_Dialogs.ShowPicture(bitmap.get(),
                          pak.Failures().empty() ? QString() : QString::fromStdString(pak.Failures().front()), name,
                          pak.FileName(), {});
    break;
  }
  case TDesktopServices::orFailed:
    desktop.ShowError(this, tr("The program for this file type could not be started."), copy);
    break;
  }
}

void TCompareWindow::Extract(TSide side) {
  if (m_Paks[side] == nullptr)
    return;
  TStringList selected;
  TStringList all;
  for (int row = 0; row < m_Model->rowCount(); ++row) {
    const int32_t index = IndexOn(side, row);
    if (index < 0)
      continue;
    all.push_back(m_Paks[side]->EntryName(index));
    if (m_Rows->selectionModel()->isRowSelected(row))
      selected.push_back(all.back());
  }
  if (all.empty())
    return;

  TSessionValues values = m_Session.Values();
  QString target = values.ExtractPath.isEmpty() ? PathDirectory(m_Files[side]) : values.ExtractPath;
  bool maintain = values.MaintainDirectory;
  bool allFiles = selected.empty();
  if (!m_Dialogs.ChooseExtraction(target, maintain, allFiles, TExtractScope{static_cast<int>(all.size()), {}}))
    return;
  const std::optional<QString> folder = TypedFolder(target);
  if (!folder) {
    m_Session.Desktop().ShowError(this, RelativeFolderMessage(), target);
    return;
  }
  // The main window's Extract starts where this one went.
  values.ExtractPath = *folder;
  values.MaintainDirectory = maintain;
  m_Session.SetValues(values);

  const TStringList &names = allFiles ? all : selected;
  TQuakePak &pak = *m_Paks[side];
  QString failure;
  TResultCode result = prDone;
  try {
    result = ExtractAsking(pak, m_Dialogs, names, PathFromQ(*folder), maintain);
  } catch (const EInOutError &error) {
    failure = QString::fromLocal8Bit(error.what());
    result = prWriteFailed;
  }
  if (result == prWriteFailed) {
    QStringList lines;
    for (const std::string &line : pak.Failures())
      lines << QString::fromStdString(line);
    if (!failure.isEmpty() && !lines.contains(failure))
      lines << failure;
    m_Session.Desktop().ShowError(this, tr("The files could not be extracted."), lines.join(QLatin1Char('\n')));
  } else if (result == prDone) {
    const int count = static_cast<int>(names.size());
    m_Status->setText(EnglishPlural(tr("Extracted %n file(s) to %1", "", count), count).arg(*folder));
  }
}

bool CanCompareWith(const TArchiveSession &session, const QString &otherFile) {
  const TQuakePak &pak = session.Pak();
  return !pak.FileName().empty() && !pak.IsUntitled() && QFileInfo(otherFile).isFile() &&
         TQuakePak::IsPakFile(PathFromQ(otherFile));
}

TCompareWindow *CompareWith(TArchiveSession &session, const QString &otherFile, QWidget *window) {
  const TQuakePak &pak = session.Pak();
  if (pak.FileName().empty() || pak.IsUntitled())
    return nullptr;
  auto *compare = new TCompareWindow(session, PathToQ(pak.FileName()), otherFile, pak.Modified(), window);
  compare->show();
  return compare;
}

void CompareWithChosen(TArchiveSession &session, QWidget *window) {
  const TQuakePak &pak = session.Pak();
  if (pak.FileName().empty() || pak.IsUntitled())
    return;
  const QStringList files = session.Desktop().ChooseOpenFiles(
      window, PakFileRequest(TCompareWindow::tr("Compare With"), PathDirectory(PathToQ(pak.FileName()))));
  if (!files.isEmpty())
    CompareWith(session, files.front(), window);
}
