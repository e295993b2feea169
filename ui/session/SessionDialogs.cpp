// SPDX-License-Identifier: GPL-3.0-or-later
#include "SessionDialogs.h"

#include "AddDlg.h"
#include "EditWithDlg.h"
#include "EntryText.h"
#include "ExtractDlg.h"
#include "LumpViewDlg.h"
#include "MoveDlg.h"
#include "PromptReplaceDlg.h"
#include "SetDirDialog.h"
#include "WaitCursor.h"

#include <QInputDialog>
#include <QScopeGuard>
#include <algorithm>
#include <optional>

namespace {
// Thrown out of the question about an existing file when the user cancels:
// it ends the extraction inside the engine, and ExtractAsking catches it.
struct EExtractCancelled {};
} // namespace

TResultCode ExtractAsking(TQuakePak &pak, TSessionDialogs &dialogs, const TStringList &names,
                          const std::string &destination, bool keepPaths) {
  std::optional<bool> rest; // Replace All or Skip All: the answer for every further file
  pak.OnExtractFileExists = [&dialogs, &rest](TQuakePak &, const std::string &fileName, bool &replace) {
    if (!rest) {
      switch (dialogs.AskReplaceFile(PathToQ(fileName))) {
      case frReplace:
        replace = true;
        return;
      case frSkip:
        replace = false;
        return;
      case frReplaceAll:
        rest = true;
        break;
      case frSkipAll:
        rest = false;
        break;
      default:
        throw EExtractCancelled();
      }
    }
    replace = *rest;
  };
  // Only this extraction asks: the private copies of other commands are the archive's own to replace.
  const auto unassign = qScopeGuard([&pak] { pak.OnExtractFileExists = nullptr; });
  try {
    TWaitCursor wait;
    return pak.ExtractEntries(names, destination, keepPaths);
  } catch (const EExtractCancelled &) {
    return prCancelled;
  }
}

TWindowDialogs::TWindowDialogs(TDesktopServices &desktop, QWidget *window) : m_Desktop(desktop), m_Window(window) {}

bool TWindowDialogs::ChooseFilesToAdd(const TQuakePak &pak, QStringList &files, QString &internalDirectory,
                                      QString &baseDirectory, bool &recurse) {
  TAddDialog dialog(pak, m_Desktop, m_Window);
  return dialog.Execute(files, internalDirectory, baseDirectory, recurse);
}

bool TWindowDialogs::ChooseExtraction(QString &targetDirectory, bool &maintainDirectory, bool &allFiles,
                                      const TExtractScope &scope) {
  TExtractDialog dialog(m_Desktop, m_Window);
  return dialog.Execute(targetDirectory, maintainDirectory, allFiles, scope);
}

bool TWindowDialogs::ChooseMoveTarget(const TQuakePak &pak, QString &targetDirectory) {
  TMoveDialog dialog(pak, m_Window);
  return dialog.Execute(targetDirectory);
}

bool TWindowDialogs::EditOptions(TOptionValues &values) {
  TSetDirectoryDialog dialog(m_Desktop, m_Window);
  dialog.ShowReason(values.Reason);
  return dialog.Execute(values.QuakeDirectory, values.TempDirectory, values.ProtectStock, values.AllowUndo,
                        values.ForceLowercase, values.MaxUndoLevels, values.Spaces);
}

TOpenOrAddAnswer TWindowDialogs::AskOpenOrAdd() {
  TOpenOrAddDialog dialog(m_Window);
  return dialog.Execute();
}

TFileReplace TWindowDialogs::AskReplace(const QString &entryName) {
  TConfirmReplaceDialog dialog(m_Window);
  // Asked in the middle of an add that shows the hourglass.
  TNormalCursor normal;
  return dialog.Execute(entryName);
}

TFileReplace TWindowDialogs::AskReplaceFile(const QString &path) {
  TConfirmReplaceDialog dialog(m_Window);
  // Asked in the middle of an extraction that shows the hourglass.
  TNormalCursor normal;
  return dialog.ExecuteForFile(path);
}

void TWindowDialogs::ShowPicture(const TBitmap *bitmap, const QString &reason, const std::string &entryName,
                                 const std::string &archiveFileName, const std::function<void()> &exportPicture) {
  TLumpViewForm viewer(m_Desktop, m_Window);
  {
    TWaitCursor wait;
    viewer.SetExport(exportPicture);
    viewer.SetPicture(bitmap, reason);
    // The viewer shows the game's brightened look; true colours are decoded without the offset.
    if (m_Pak != nullptr && bitmap != nullptr && FileKindOf(entryName) == fkLump) {
      if (const std::unique_ptr<TBitmap> plain = m_Pak->LumpToBitmap(entryName, 0, true)) {
        const TColor seeThrough = m_Pak->Palette().ColorOf(255);
        const std::vector<TColor> &pixels = plain->Pixels();
        viewer.SetTrueColours(*plain, std::find(pixels.begin(), pixels.end(), seeThrough) != pixels.end());
      }
    }
    viewer.SetEntryName(entryName);
    viewer.SetArchiveFileName(archiveFileName);
  }
  viewer.exec();
}

bool TWindowDialogs::ChooseEditor(const QString &fileName, const QString &extension,
                                  const QList<TDesktopApplication> &applications, TEditorChoice &choice) {
  TEditWithDialog dialog(m_Desktop, m_Window);
  return dialog.Execute(fileName, extension, applications, choice);
}

bool TWindowDialogs::AskText(const QString &title, const QString &label, QString &text) {
  QInputDialog dialog(m_Window);
  dialog.setObjectName(QStringLiteral("TextInputDlg"));
  dialog.setWindowTitle(title);
  dialog.setLabelText(label);
  dialog.setTextValue(text);
  if (dialog.exec() != QDialog::Accepted)
    return false;
  text = dialog.textValue();
  return true;
}
