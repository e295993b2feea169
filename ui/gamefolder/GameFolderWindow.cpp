// SPDX-License-Identifier: GPL-3.0-or-later
#include "GameFolderWindow.h"

#include "DesktopServices.h"
#include "EntryText.h"
#include "LumpPicture.h"
#include "PreviewPane.h"
#include "SessionDialogs.h"
#include "Translations.h"
#include "WaitCursor.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {
// The most of a lump the lump viewer reads: more than any picture the game draws.
constexpr int64_t LumpViewLimit = int64_t{16} << 20;

// A folder name as the title shows it.
QString FolderTitle(const TGameSetup &setup) { return setup.Mod.empty() ? QStringLiteral("id1") : PathToQ(setup.Mod); }

// Whether path lies in folder or below it, both canonical.
bool IsInside(const QString &path, const QString &folder) {
  return !folder.isEmpty() && (path == folder || path.startsWith(folder + QLatin1Char('/')));
}
} // namespace

TGameFolderWindow::TGameFolderWindow(TDesktopServices &desktop, TSessionDialogs *dialogs, const TGameSetup &setup,
                                     TGameView view, const QString &tempDirectory, QWidget *parent)
    : QMainWindow(parent, Qt::Window), m_Desktop(desktop),
      m_OwnDialogs(dialogs == nullptr ? std::make_unique<TWindowDialogs>(desktop, this) : nullptr),
      m_Dialogs(dialogs == nullptr ? *m_OwnDialogs : *dialogs), m_View(std::move(view)),
      m_Files(std::make_unique<TGameFiles>(m_View)),
      m_Copies((tempDirectory.isEmpty() ? QDir::tempPath() : tempDirectory) + QStringLiteral("/varnel-game-XXXXXX")) {
  setObjectName(QStringLiteral("GameFolderWindow"));
  setAttribute(Qt::WA_DeleteOnClose);
  Build(setup);
  // No filter set yet: one fill of the rows.
  m_Model.SetView(&m_View);
}

TGameFolderWindow::~TGameFolderWindow() {
  // The pane reads through the files, which go before it does.
  m_Preview->ShowEntry(std::nullopt);
}

void TGameFolderWindow::Build(const TGameSetup &setup) {
  const TEngineProfile &profile = setup.Profile != nullptr ? *setup.Profile : OriginalEngineProfile();
  setWindowTitle(tr("Game Folder - %1 (%2, %3)")
                     .arg(PathToQ(setup.QuakeDirectory), FolderTitle(setup),
                          QString::fromUtf8(profile.Title.data(), static_cast<qsizetype>(profile.Title.size()))));
  resize(900, 560);

  m_ViewAction = new QAction(tr("&View"), this);
  m_ViewAction->setObjectName(QStringLiteral("GameViewAction"));
  m_ViewAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
  m_ViewAction->setStatusTip(tr("Open the file the game loads with its program"));
  m_ExtractAction = new QAction(tr("&Extract..."), this);
  m_ExtractAction->setObjectName(QStringLiteral("GameExtractAction"));
  m_ExtractAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
  m_ExtractAction->setStatusTip(tr("Copy the files the game loads to a folder"));
  m_PreviewAction = new QAction(tr("Pre&view Pane"), this);
  m_PreviewAction->setObjectName(QStringLiteral("GamePreviewAction"));
  m_PreviewAction->setShortcut(QKeySequence(Qt::Key_F3));
  m_PreviewAction->setCheckable(true);
  m_PreviewAction->setChecked(true);
  auto *closeAction = new QAction(tr("&Close"), this);
  closeAction->setShortcut(QKeySequence::Close);
  connect(closeAction, &QAction::triggered, this, &QWidget::close);
  addAction(closeAction);

  QToolBar *toolbar = addToolBar(tr("Toolbar"));
  toolbar->setObjectName(QStringLiteral("GameToolbar"));
  toolbar->setMovable(false);
  toolbar->setContextMenuPolicy(Qt::PreventContextMenu);
  toolbar->setToolButtonStyle(Qt::ToolButtonTextOnly);
  toolbar->addActions({m_ViewAction, m_ExtractAction, m_PreviewAction});

  m_NameFilter = new QLineEdit(this);
  m_NameFilter->setObjectName(QStringLiteral("GameNameFilter"));
  m_NameFilter->setPlaceholderText(tr("Filter names (text or *.wav)"));
  m_NameFilter->setClearButtonEnabled(true);
  m_ModChanges = new QCheckBox(tr("only files the &mod changes"), this);
  m_ModChanges->setObjectName(QStringLiteral("ModChangesCheck"));
  m_ModChanges->setEnabled(!setup.Mod.empty());
  m_ShadowedOnly = new QCheckBox(tr("only &shadowed files"), this);
  m_ShadowedOnly->setObjectName(QStringLiteral("ShadowedCheck"));
  auto *filterRow = new QHBoxLayout;
  filterRow->addWidget(m_NameFilter, 1);
  filterRow->addWidget(m_ModChanges);
  filterRow->addWidget(m_ShadowedOnly);

  // What the engine does that changes the picture: archives left out, a gap in the numbers.
  m_Notes = new QLabel(this);
  m_Notes->setObjectName(QStringLiteral("GameNotes"));
  m_Notes->setWordWrap(true);
  m_Notes->setTextInteractionFlags(Qt::TextSelectableByMouse);
  QStringList notes;
  for (const std::string &note : m_View.Notes)
    notes << QString::fromStdString(note);
  m_Notes->setText(notes.join(QLatin1Char('\n')));
  m_Notes->setVisible(!notes.isEmpty());

  m_List = new QTableView(this);
  m_List->setObjectName(QStringLiteral("GameList"));
  m_List->setModel(&m_Model);
  m_List->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_List->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_List->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_List->setShowGrid(false);
  m_List->setWordWrap(false);
  m_List->setSortingEnabled(true);
  m_List->sortByColumn(TGameFolderModel::colName, Qt::AscendingOrder);
  m_List->verticalHeader()->hide();
  // Rows of one height: a long list is laid out without measuring each row.
  m_List->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  m_List->verticalHeader()->setDefaultSectionSize(m_List->fontMetrics().height() + 4);
  m_List->horizontalHeader()->setStretchLastSection(true);
  m_List->setColumnWidth(TGameFolderModel::colName, 230);
  m_List->setColumnWidth(TGameFolderModel::colSize, 64);
  m_List->setColumnWidth(TGameFolderModel::colFrom, 160);
  m_List->setDragEnabled(true);
  m_List->setDragDropMode(QAbstractItemView::DragOnly);
  m_List->setContextMenuPolicy(Qt::CustomContextMenu);
  auto *menu = new QMenu(this);
  menu->addActions({m_ViewAction, m_ExtractAction});
  connect(m_List, &QWidget::customContextMenuRequested, this,
          [this, menu](const QPoint &at) { menu->popup(m_List->viewport()->mapToGlobal(at)); });

  m_Preview = new TPreviewPane(this);
  m_Splitter = new QSplitter(this);
  m_Splitter->setObjectName(QStringLiteral("GameSplitter"));
  m_Splitter->addWidget(m_List);
  m_Splitter->addWidget(m_Preview);
  m_Splitter->setStretchFactor(0, 1);
  m_Splitter->setStretchFactor(1, 0);
  m_Splitter->setCollapsible(0, false);
  m_Splitter->setSizes({640, 240});

  auto *central = new QWidget(this);
  auto *layout = new QVBoxLayout(central);
  layout->addLayout(filterRow);
  layout->addWidget(m_Notes);
  layout->addWidget(m_Splitter, 1);
  setCentralWidget(central);
  m_Status = new QLabel(this);
  m_Status->setObjectName(QStringLiteral("GameStatus"));
  statusBar()->addWidget(m_Status, 1);

  connect(m_NameFilter, &QLineEdit::textChanged, this, [this] { ApplyFilter(); });
  connect(m_ModChanges, &QCheckBox::toggled, this, [this] { ApplyFilter(); });
  connect(m_ShadowedOnly, &QCheckBox::toggled, this, [this] { ApplyFilter(); });
  connect(m_ViewAction, &QAction::triggered, this, [this] { Run([this] { ViewSelected(); }); });
  connect(m_ExtractAction, &QAction::triggered, this, [this] { Run([this] { ExtractSelected(); }); });
  connect(m_PreviewAction, &QAction::toggled, this, [this](bool shown) {
    m_Preview->setVisible(shown);
    UpdatePreview();
  });
  // Enter on the list views, as in the main window.
  for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
    auto *shortcut = new QShortcut(QKeySequence(key), m_List, nullptr, nullptr, Qt::WidgetShortcut);
    connect(shortcut, &QShortcut::activated, m_ViewAction, [this] {
      if (m_ViewAction->isEnabled())
        m_ViewAction->trigger();
    });
  }
  connect(m_List, &QAbstractItemView::doubleClicked, this,
          [this](const QModelIndex &index) { Run([this, index] { Activate(index); }); });
  connect(m_List->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { SelectionChanged(); });
  connect(&m_Model, &QAbstractItemModel::modelReset, this, [this] { SelectionChanged(); });
  connect(this, &TGameFolderWindow::Extracted, this, [this](const QString &folder, int count) {
    // For a while, then the counts again.
    statusBar()->showMessage(EnglishPlural(tr("Extracted %n file(s) to %1", "", count), count).arg(folder), 10000);
  });
  m_Model.OnDrag = [this](const QModelIndexList &rows) {
    QMimeData *dragData = nullptr;
    Run([&] { dragData = DragData(rows); });
    return dragData;
  };
}

const TQuakePalette &TGameFolderWindow::Palette() {
  if (std::exchange(m_PaletteRead, true))
    return m_Palette;
  // The palette the game loads: a mod may bring its own.
  if (const TLoadableFile *palette = m_View.Find("gfx/palette.lmp"); palette != nullptr) {
    try {
      const std::string bytes = m_Files->ReadPart(palette->Loaded, 0, PakFormat::PaletteSize);
      if (bytes.size() == PakFormat::PaletteSize) {
        std::array<uint8_t, PakFormat::PaletteSize> colours{};
        std::copy(bytes.begin(), bytes.end(), colours.begin());
        m_Palette = TQuakePalette(colours);
      }
    } catch (const std::exception &) {
      // Pictures then show black, as they do without a palette anywhere.
    }
  }
  return m_Palette;
}

void TGameFolderWindow::ApplyFilter() {
  m_Model.SetFilter(m_ModChanges->isChecked(), m_ShadowedOnly->isChecked(), DisplayToEntry(m_NameFilter->text()));
}

QString TGameFolderWindow::StatusText() const { return m_Status->text(); }

void TGameFolderWindow::SelectionChanged() {
  const int total = m_Model.FileCount();
  QString text = EnglishPlural(tr("%n file(s) the game loads", "", total), total);
  if (m_Model.rowCount() != total)
    text += QStringLiteral(", ") + EnglishPlural(tr("%n row(s) shown", "", m_Model.rowCount()), m_Model.rowCount());
  m_Status->setText(text);
  const size_t selected = SelectedFiles().size();
  m_ViewAction->setEnabled(selected == 1);
  m_ExtractAction->setEnabled(m_Model.rowCount() > 0);
  UpdatePreview();
}

std::vector<const TLoadableFile *> TGameFolderWindow::SelectedFiles() const {
  return m_Model.LoadedFiles(m_List->selectionModel()->selectedRows());
}

void TGameFolderWindow::UpdatePreview() {
  const std::vector<const TLoadableFile *> files = SelectedFiles();
  if (m_Preview->isHidden() || files.size() != 1) {
    m_Preview->ShowEntry(std::nullopt);
    return;
  }
  const TGameFile &file = files.front()->Loaded;
  TPreviewSource source;
  source.Name = file.Name;
  source.Size = file.Size;
  source.Palette = &Palette();
  try {
    source.Position = m_Files->PositionOf(file);
  } catch (const std::exception &) {
    // The read shows the reason.
  }
  source.Read = [files = m_Files.get(), &file](int64_t offset, int64_t count) {
    return files->ReadPart(file, offset, count);
  };
  m_Preview->ShowEntry(std::move(source));
}

void TGameFolderWindow::Run(const std::function<void()> &command) {
  try {
    command();
  } catch (const std::exception &error) {
    m_Desktop.ShowError(this, tr("The game's files could not be read or copied."),
                        QString::fromStdString(error.what()));
  }
}

std::string TGameFolderWindow::NewCopyFolder(const char *kind) {
  if (!m_Copies.isValid())
    throw EInOutError(PathFromQ(m_Copies.path()), m_Copies.errorString().toStdString());
  const std::string folder = PathFromQ(m_Copies.path()) + "/" + kind + "/" + std::to_string(++m_CopyCount) + "/";
  ForceDirectories(folder);
  return folder;
}

int TGameFolderWindow::ExtractFiles(const std::vector<const TLoadableFile *> &files, const std::string &destination,
                                    bool keepPaths, bool ask) {
  TWaitCursor wait;
  ForceDirectories(destination);
  const QString root = QFileInfo(PathToQ(destination)).canonicalFilePath();
  QStringList notes;
  int written = 0;
  bool replaceAll = false;
  for (const TLoadableFile *file : files) {
    const std::string &name = file->Loaded.Name;
    const std::string relative = ExtractionPath(name, keepPaths);
    if (relative.empty()) {
      notes << tr("%1: left out, the name has no file part").arg(EntryToDisplay(name));
      continue;
    }
    const std::string target = (destination.back() == '/' ? destination : destination + "/") + relative;
    ForceDirectories(PathDirectory(target));
    // Only below the folder chosen: a link on the way would lead elsewhere.
    if (!IsInside(QFileInfo(PathToQ(PathDirectory(target))).canonicalFilePath(), root)) {
      notes << tr("%1: left out, its folder could not be made there").arg(PathToQ(target));
      continue;
    }
    struct stat status {};
    if (::lstat(target.c_str(), &status) == 0) {
      if (S_ISDIR(status.st_mode)) {
        notes << tr("%1: left out, a folder has that name").arg(PathToQ(target));
        continue;
      }
      if (!ask)
        continue;
      if (!replaceAll) {
        TNormalCursor normal;
        const TFileReplace answer = m_Dialogs.AskReplaceFile(PathToQ(target));
        if (answer == frCancel)
          break;
        if (answer == frSkip)
          continue;
        if (answer == frSkipAll) {
          ask = false;
          continue;
        }
        replaceAll = answer == frReplaceAll;
      }
      ::unlink(target.c_str());
    }
    try {
      m_Files->CopyTo(file->Loaded, target);
      ++written;
    } catch (const std::exception &error) {
      notes << QString::fromStdString(error.what());
    }
  }
  if (!notes.isEmpty())
    m_Desktop.ShowWarning(this, tr("Some files were not extracted."), notes.join(QLatin1Char('\n')));
  return written;
}

void TGameFolderWindow::ExtractSelected() {
  std::vector<const TLoadableFile *> files = SelectedFiles();
  QModelIndexList shown;
  for (int row = 0; row < m_Model.rowCount(); ++row)
    shown << m_Model.index(row, 0);
  const std::vector<const TLoadableFile *> all = m_Model.LoadedFiles(shown);
  QString target;
  bool keepPaths = true;
  bool allFiles = files.empty();
  if (!m_Dialogs.ChooseExtraction(target, keepPaths, allFiles, {static_cast<int>(all.size()), QString()}))
    return;
  if (allFiles)
    files = all;
  if (files.empty() || target.isEmpty())
    return;
  const int written = ExtractFiles(files, PathFromQ(target), keepPaths, true);
  if (written > 0)
    emit Extracted(target, written);
}

void TGameFolderWindow::ViewSelected() {
  const std::vector<const TLoadableFile *> files = SelectedFiles();
  if (files.size() != 1)
    return;
  const TGameFile &file = files.front()->Loaded;
  const std::string leaf = ExtractionPath(file.Name, false);
  if (leaf.empty())
    return;
  // Each view has a copy of its own, alone in its folder, under the file's own name.
  const std::string copy = NewCopyFolder("view") + leaf;
  {
    TWaitCursor wait;
    m_Files->CopyTo(file, copy);
  }
  switch (m_Desktop.OpenWithDefaultApplication(PathToQ(copy))) {
  case TDesktopServices::orOpened:
    break;
  case TDesktopServices::orNoApplication:
    if (KindInfo(FileKindOf(file.Name)).LumpViewer)
      ShowInLumpViewer(file);
    else
      m_Desktop.ShowError(this, tr("There is no application associated with this file type."), PathToQ(copy));
    break;
  case TDesktopServices::orFailed:
    m_Desktop.ShowError(this, tr("The program for this file type could not be started."), PathToQ(copy));
    break;
  }
}

void TGameFolderWindow::ShowInLumpViewer(const TGameFile &file) {
  QString reason;
  std::unique_ptr<TBitmap> bitmap;
  {
    TWaitCursor wait;
    const std::string bytes = m_Files->ReadPart(file, 0, std::min(file.Size, LumpViewLimit));
    const QImage image =
        LumpPicture::LumpFileToImage(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())),
                                     LumpPicture::LumpFileOf(EntryToDisplay(file.Name)), Palette(), &reason)
            .convertToFormat(QImage::Format_RGB32);
    if (!image.isNull()) {
      bitmap = std::make_unique<TBitmap>(image.width(), image.height());
      for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
          const QRgb pixel = image.pixel(x, y);
          bitmap->SetPixel(x, y, static_cast<TColor>(qRed(pixel) + 256 * qGreen(pixel) + 65536 * qBlue(pixel)));
        }
    }
  }
  m_Dialogs.ShowPicture(bitmap.get(), reason, file.Name, m_Files->DiskPath(file), {});
}

QMimeData *TGameFolderWindow::DragData(const QModelIndexList &rows) {
  const std::vector<const TLoadableFile *> files = m_Model.LoadedFiles(rows);
  if (files.empty())
    return nullptr;
  // Each file where extraction puts it, below a fresh folder; the drag offers the top items there.
  const std::string folder = NewCopyFolder("drag");
  if (ExtractFiles(files, folder, true, false) == 0)
    return nullptr;
  std::set<std::string> tops;
  QList<QUrl> urls;
  for (const TLoadableFile *file : files) {
    const std::string relative = ExtractionPath(file->Loaded.Name, true);
    const std::string top = relative.substr(0, relative.find('/'));
    if (!relative.empty() && tops.insert(top).second && ::access((folder + top).c_str(), F_OK) == 0)
      urls << QUrl::fromLocalFile(PathToQ(folder + top));
  }
  auto *dragData = new QMimeData;
  dragData->setUrls(urls);
  return dragData;
}

void TGameFolderWindow::Activate(const QModelIndex &index) {
  if (!index.isValid())
    return;
  const TGameFile &copy = m_Model.CopyOf(m_Model.Row(index.row()));
  const TGameSource &source = m_View.Sources[static_cast<size_t>(copy.Source)];
  if (index.column() != TGameFolderModel::colFrom || !source.IsArchive) {
    m_List->selectRow(index.row());
    ViewSelected();
    return;
  }
  // One window a process: the archive opens in Varnel started anew on it.
  const QString errors = QString::fromStdString(NewCopyFolder("open")) + QStringLiteral("errors.txt");
  TStartedProgram *program =
      m_Desktop.StartProgram({QCoreApplication::applicationFilePath(), PathToQ(source.Path)}, errors);
  if (program == nullptr)
    m_Desktop.ShowError(this, tr("The archive could not be opened in a new window."), PathToQ(source.Path));
  else
    program->setParent(this);
}
