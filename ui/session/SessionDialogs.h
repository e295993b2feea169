// SPDX-License-Identifier: GPL-3.0-or-later
// The questions an archive session asks through Varnel's own dialogs (the
// add, extract, move, options, open-or-add and replace dialogs, and the lump
// viewer). The session sees only this interface: the window answers it with
// the real dialogs, a test with scripted answers.
#pragma once

#include "DesktopApplications.h"
#include "ExtractDlg.h"
#include "OpenQueryDlg.h"
#include "PakQuake.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <string>

class QWidget;
class TDesktopServices;

// The values of the Options dialog; until filled in, a new component's.
struct TOptionValues {
  QString QuakeDirectory;
  QString TempDirectory;
  bool ProtectStock = true;
  bool AllowUndo = true;
  bool ForceLowercase = true;
  int32_t MaxUndoLevels = -1; // -1: unlimited
  TSpaceHandle Spaces = DefaultSpaceHandle;
  QString Reason; // shown above the options when set; never written back
};

// The program the user picked to edit an entry with.
struct TEditorChoice {
  QString Program;      // a desktop file id, or the path of an executable file
  bool Remember = true; // always use it for files of that extension
};

class TSessionDialogs {
public:
  virtual ~TSessionDialogs() = default;

  // The files and folders to add (files comes in with the dropped paths), the
  // archive directory that receives them and the base folder their names are
  // taken relative to. True on OK with at least one path; recurse always
  // comes back, also on Cancel.
  virtual bool ChooseFilesToAdd(const TQuakePak &pak, QStringList &files, QString &internalDirectory,
                                QString &baseDirectory, bool &recurse) = 0;
  // Where to extract to, whether the entries' directories are made, and
  // whether all entries go (allFiles comes in set when nothing is selected);
  // scope says what "all" is. Nothing comes back on Cancel.
  virtual bool ChooseExtraction(QString &targetDirectory, bool &maintainDirectory, bool &allFiles,
                                const TExtractScope &scope) = 0;
  // The archive directory that selected entries move to; empty: the top level.
  virtual bool ChooseMoveTarget(const TQuakePak &pak, QString &targetDirectory) = 0;
  // Shows the options and, on OK, writes the edited ones back.
  virtual bool EditOptions(TOptionValues &values) = 0;
  // Whether a PAK file dropped while another archive is open is opened or added.
  virtual TOpenOrAddAnswer AskOpenOrAdd() = 0;
  // Whether an added file replaces the entry of the same name (shown as text).
  virtual TFileReplace AskReplace(const QString &entryName) = 0;
  // Whether an extracted entry replaces the file already at that disk path.
  virtual TFileReplace AskReplaceFile(const QString &path) = 0;
  // Shows a decoded picture lump (none: reason in its place) until the user
  // closes it; exportPicture, when set, exports it as PNG.
  virtual void ShowPicture(const TBitmap *bitmap, const QString &reason, const std::string &entryName,
                           const std::string &archiveFileName, const std::function<void()> &exportPicture) = 0;
  // The program to edit fileName with, from applications or another the
  // user picks; extension (empty: none) is what the choice may be remembered for.
  virtual bool ChooseEditor(const QString &fileName, const QString &extension,
                            const QList<TDesktopApplication> &applications, TEditorChoice &choice) = 0;
  // A line of text, text filled in beforehand; true on OK with what the user typed in text.
  virtual bool AskText(const QString &title, const QString &label, QString &text) = 0;
};

// The lump viewer draws pictures over this grey: red, green and blue 50.
inline constexpr TColor LumpViewerOffset = 50 + 256 * 50 + 65536 * 50;

// Extracts the entries of pak; a file or folder that the extraction meets is
// asked about through dialogs' replace question, Replace All and Skip All
// answering the rest. prCancelled when the user cancels (the files written
// so far stay); otherwise what ExtractEntries returns.
TResultCode ExtractAsking(TQuakePak &pak, TSessionDialogs &dialogs, const TStringList &names,
                          const std::string &destination, bool keepPaths);

// The real dialogs, modal over the window.
class TWindowDialogs : public TSessionDialogs {
public:
  TWindowDialogs(TDesktopServices &desktop, QWidget *window);
  // The archive the lump viewer decodes true colours from; unset: the viewer shows only the picture given.
  void SetPak(TQuakePak *pak) { m_Pak = pak; }

  bool ChooseFilesToAdd(const TQuakePak &pak, QStringList &files, QString &internalDirectory, QString &baseDirectory,
                        bool &recurse) override;
  bool ChooseExtraction(QString &targetDirectory, bool &maintainDirectory, bool &allFiles,
                        const TExtractScope &scope) override;
  bool ChooseMoveTarget(const TQuakePak &pak, QString &targetDirectory) override;
  bool EditOptions(TOptionValues &values) override;
  TOpenOrAddAnswer AskOpenOrAdd() override;
  TFileReplace AskReplace(const QString &entryName) override;
  TFileReplace AskReplaceFile(const QString &path) override;
  void ShowPicture(const TBitmap *bitmap, const QString &reason, const std::string &entryName,
                   const std::string &archiveFileName, const std::function<void()> &exportPicture) override;
  bool ChooseEditor(const QString &fileName, const QString &extension, const QList<TDesktopApplication> &applications,
                    TEditorChoice &choice) override;
  bool AskText(const QString &title, const QString &label, QString &text) override;

private:
  TDesktopServices &m_Desktop;
  QWidget *m_Window;
  TQuakePak *m_Pak = nullptr;
};
