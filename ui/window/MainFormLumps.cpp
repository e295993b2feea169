// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's folders of lumps: a WAD entry, or a map's textures,
// chosen in the folder tree shows its lumps in the entry list's place, and
// the list's commands work on them.
#include "MainForm.h"

#include "EntryBrowser.h"
#include "EntryText.h"
#include "LumpFolder.h"
#include "LumpList.h"
#include "MainActions.h"
#include "PreviewPane.h"
#include "StatusPanels.h"
#include "Translations.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QShortcut>
#include <QTimer>
#include <algorithm>
#include <memory>

void TMain::BuildLumpList() {
  m_LumpList = new TLumpListView(this);
  m_Browser->SetLumpList(m_LumpList);
  m_LumpList->Model().OnRename = [this](int lump, const std::string &newName) {
    // Renamed once the edit has ended: the rename's refresh makes the rows anew.
    QTimer::singleShot(0, this, [this, lump, newName] { RunCommand([&] { m_Session.RenameLump(lump, newName); }); });
    return true;
  };
  connect(m_Browser, &TEntryBrowser::LumpFolderChosen, this,
          [this](const std::string &entryName) { RunCommand([&] { ChooseLumpFolder(entryName); }); });
  connect(m_Browser, &TEntryBrowser::FilterChanged, this, [this] {
    m_LumpList->SetFilterText(m_Browser->FilterBox()->text());
    if (LumpsShown())
      RunCommand([this] { UpdateCommands(); });
  });
  connect(m_LumpList, &TLumpListView::SelectionChanged, this, [this] {
    RunCommand([this] {
      UpdateCommands();
      UpdatePreview();
    });
  });
  connect(m_LumpList, &QAbstractItemView::doubleClicked, this, [this] {
    if (m_Actions->View->isEnabled())
      m_Actions->View->trigger();
  });
  for (const auto &[key, action] : {std::pair{Qt::Key_Delete, m_Actions->Delete}, std::pair{Qt::Key_Return, m_Actions->View},
                                    std::pair{Qt::Key_Enter, m_Actions->View}}) {
    auto *shortcut = new QShortcut(QKeySequence(key), m_LumpList, nullptr, nullptr, Qt::WidgetShortcut);
    connect(shortcut, &QShortcut::activated, this, [action] {
      if (action->isEnabled())
        action->trigger();
    });
  }
  auto *menu = new QMenu(this);
  menu->setObjectName(QStringLiteral("LumpMenu"));
  menu->addActions({m_Actions->Delete, m_Actions->Extract, m_Actions->View, m_Actions->ExportPicture,
                    m_Actions->ImportPicture, m_Actions->Rename});
  connect(menu, &QMenu::aboutToShow, this, [this] { RunCommand([this] { UpdateCommands(); }); });
  m_LumpList->SetContextMenu(menu);
}

bool TMain::LumpsShown() const { return m_Browser->LumpListShown() && m_Session.LumpFolder() != nullptr; }

std::vector<std::string> TMain::LumpFolderEntries() const {
  std::vector<std::string> entries;
  for (size_t i = 0; i < m_ListModel.AllRowCount(); ++i)
    if (const TEntryRow row = m_ListModel.AllRow(i); row.Kind == fkWad || row.Kind == fkMap)
      entries.emplace_back(row.EntryName);
  return entries;
}

void TMain::ChooseLumpFolder(const std::string &entryName) {
  // The rows let go of the folder before the session replaces it.
  m_LumpList->Show(nullptr);
  const bool shown = !entryName.empty() && m_Session.OpenLumpFolder(entryName);
  if (!shown) {
    m_Session.CloseLumpFolder();
    m_Browser->ShowLumpList(false);
    // A folder of lumps that cannot be read shows its own folder instead.
    if (!entryName.empty())
      m_Browser->SelectFolder(entryName.substr(0, entryName.rfind('/') + 1));
    ShowCountText();
    OneViewListClick();
    return;
  }
  m_LumpList->SetFilterText(m_Browser->FilterBox()->text());
  m_LumpList->Show(m_Session.LumpFolder());
  m_Browser->ShowLumpList(true);
  UpdateCommands();
  UpdatePreview();
}

void TMain::RefreshLumps(bool archiveChanged) {
  if (m_Session.IsWadDocument()) {
    setWindowTitle(tr("Varnel - ") + QDir::toNativeSeparators(m_Session.WadFile()));
    if (archiveChanged)
      m_Browser->SelectLumpFolder(m_Session.WadEntry());
  }
  if (!LumpsShown())
    return;
  const std::vector<std::string> selected = m_LumpList->SelectedNames();
  m_LumpList->Show(nullptr);
  if (!m_Session.ReloadLumpFolder()) {
    ChooseLumpFolder({});
    return;
  }
  m_LumpList->Show(m_Session.LumpFolder(), selected);
}

void TMain::UpdateLumpCommands() {
  const TMainActions &a = *m_Actions;
  if (m_Session.IsWadDocument()) {
    // The archive around a WAD file open on its own is not the user's: only its lumps are.
    for (QAction *action : {a.Add, a.Move, a.Edit, a.EditWith, a.CheckArchive, a.Delete, a.Rename})
      action->setEnabled(false);
    m_Status->SetText(2, m_Session.WadModified() ? tr("Modified") : QString());
  }
  if (!LumpsShown())
    return;
  const std::vector<int> lumps = m_LumpList->SelectedLumps();
  const bool changeable = m_Session.LumpsChangeable();
  const QuakeWad::TLump *one = lumps.size() == 1 ? m_Session.LumpAt(lumps.front()) : nullptr;
  const bool picture = one != nullptr && IsPictureLump(*one);
  for (QAction *action : {a.Add, a.Move, a.Edit, a.EditWith})
    action->setEnabled(false);
  a.Delete->setEnabled(changeable && !lumps.empty());
  a.Rename->setEnabled(changeable && one != nullptr);
  a.ImportPicture->setEnabled(changeable);
  a.View->setEnabled(picture);
  a.ExportPicture->setEnabled(picture);
  a.Extract->setEnabled(true);
  const int count = static_cast<int>(lumps.size());
  m_Status->SetText(0, EnglishPlural(tr("%n lump(s)", "", m_LumpList->ShownCount()), m_LumpList->ShownCount()));
  m_Status->SetText(1, count == 0 ? QString() : EnglishPlural(tr("%n lump(s) selected", "", count), count));
}

bool TMain::RunOnLumps(QAction *action) {
  if (!LumpsShown())
    return false;
  const TMainActions &a = *m_Actions;
  const std::vector<int> lumps = m_LumpList->SelectedLumps();
  if (action == a.Delete) {
    m_Session.DeleteLumps(lumps);
  } else if (action == a.Extract) {
    m_Session.ExtractLumps(lumps);
  } else if (action == a.View) {
    if (lumps.size() == 1)
      m_Session.ViewLump(lumps.front());
  } else if (action == a.ExportPicture) {
    if (lumps.size() == 1)
      m_Session.ExportLump(lumps.front());
  } else if (action == a.ImportPicture) {
    if (const std::optional<std::string> name = m_Session.ImportLumpPicture(lumps))
      m_LumpList->Show(m_Session.LumpFolder(), {*name});
  } else if (action == a.Rename) {
    m_LumpList->EditSelected();
  } else {
    // The archive's own commands (Add, Move, Edit) wait for a folder of entries.
    return action == a.Add || action == a.Move || action == a.Edit || action == a.EditWith;
  }
  return true;
}

bool TMain::PreviewLump() {
  if (!LumpsShown())
    return false;
  const std::vector<int> lumps = m_LumpList->SelectedLumps();
  const QuakeWad::TLump *lump = lumps.size() == 1 ? m_Session.LumpAt(lumps.front()) : nullptr;
  if (m_Preview->isHidden() || lump == nullptr) {
    m_Preview->ShowEntry(std::nullopt);
    return true;
  }
  TPreviewSource source;
  // The lump's own name, with the extension of the file it extracts to, which says its kind.
  const std::string fileName = QuakeWad::LumpFileName(*lump);
  source.Name = lump->Name + fileName.substr(std::min(fileName.rfind('.'), fileName.size()));
  source.Size = static_cast<int64_t>(lump->Data.size());
  source.Position = lump->Position;
  source.Palette = &m_Session.Pak().Palette();
  source.Previewer = ::PreviewLump;
  // The lump's bytes, copied: the folder is read anew after each change.
  auto bytes = std::make_shared<const std::string>(lump->Data);
  source.Read = [bytes, read = MemoryReader(*bytes)](int64_t offset, int64_t count) { return read(offset, count); };
  m_Preview->ShowEntry(std::move(source));
  return true;
}
