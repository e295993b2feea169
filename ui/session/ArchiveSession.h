// SPDX-License-Identifier: GPL-3.0-or-later
// The archive session: the one archive component of a run, the values the
// user's choices leave behind (folders, recent files), and every command on
// the archive. It makes no widget: it asks its questions through the desktop
// services and the session dialogs, and reports each change of the archive
// or of its state with one signal, so whatever shows the archive refreshes in
// one place. Tests drive it without a window.
#pragma once

#include "PakQuake.h"
#include "SettingsStore.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

class QFileSystemWatcher;
class QLockFile;
class QMimeData;
class QWidget;
class TDesktopServices;
class TSessionDialogs;
struct TFileDialogRequest;
class TStartedProgram;
struct TLumpFolder;
namespace QuakeWad {
struct TLump;
struct TWad;
} // namespace QuakeWad

class TArchiveSession : public QObject {
  Q_OBJECT
public:
  // What a change touched. Every change may touch the commands' states.
  enum TChange : uint8_t {
    chState = 0x01,       // modified, protected, undo, Quake directory: the commands and the status
    chEntries = 0x02,     // the entries: every row is made anew
    chArchive = 0x04,     // another archive, or none: the entries, the title, editing in place
    chRecentFiles = 0x08, // the recent files
  };
  Q_DECLARE_FLAGS(TChanges, TChange)

  // window: what the desktop's boxes and choosers are shown over; may be null.
  TArchiveSession(TDesktopServices &desktop, TSessionDialogs &dialogs, QWidget *window = nullptr);
  // Deletes the copies written for viewing and editing, except those that a
  // program may still have open (see ReleaseHandedCopies).
  ~TArchiveSession() override;

  TQuakePak &Pak() { return m_Pak; }
  const TQuakePak &Pak() const { return m_Pak; }
  TDesktopServices &Desktop() { return m_Desktop; }
  const TSessionValues &Values() const { return m_Values; }
  // Takes the values read from the settings; gaps in the recent files close up.
  void SetValues(const TSessionValues &values);
  // Copies written for viewing so far, deleted with the session.
  const TStringList &ViewedFiles() const { return m_ViewedFiles; }
  // The folder of the copies handed to other programs (ending in "/"): one of
  // the session's own in the temporary directory, made on first need. It
  // outlives the session when a program may still have copies in it open,
  // and is swept up by the first session of a later run.
  QString HandedCopyArea();

  // The application's error report: runs a command and shows in an error box
  // whatever failure it lets escape; the session stays usable.
  void Run(const std::function<void()> &command);
  // Runs work through the error report now, or, while a command or an engine
  // operation runs, once it has ended: the event loop turns during long
  // operations and questions, and what it delivers then (a watched copy's
  // change, a program's end, a timer) must not reach the archive in the
  // middle of another command. Waiting work runs in the order it came.
  void RunWhenIdle(const std::function<void()> &work);

  // --- file commands
  // True when the caller may go on (the changes are saved or dropped).
  bool QuerySaveChanges();
  void New();
  // Asks for a PAK file and opens it.
  void Open();
  // Opens fileName ("(Untitled)": a new archive); a file that is no archive is said so.
  void OpenFile(const QString &fileName);
  // index 0 to 3: the newest recent file first.
  void OpenRecent(int index);
  void Save();
  void SaveAs();
  // reason, when given, says above the options why they are asked for.
  void Options(const QString &reason = {});
  // A first start without a Quake directory: offers found (a Quake
  // installation found in the usual places) as the Quake directory, or, with
  // none found, asks for one in the options, saying why.
  void OfferQuakeDirectory(const QString &found);

  // --- editing commands
  void Add();
  // Files and folders dropped on the window, in the order the desktop gave them.
  void Drop(const QStringList &paths);
  // names: the selected entries, in the list's order.
  void Delete(const TStringList &names);
  // selected and all: the entries' names in the list's order; all are the
  // entries below allFolder (empty: the whole archive) that the list shows.
  void Extract(const TStringList &selected, const TStringList &all, const std::string &allFolder = {});
  void Move(const TStringList &names);
  // Opens a copy of the entry with the desktop's program for it, watched as
  // an edited copy is (see Edit), or a picture lump in the lump viewer when
  // there is none.
  void View(const std::string &entryName);
  void Undo();
  // Renames the entry stored under entryName (exact bytes); the name it is
  // stored under afterwards, or none when refused (the engine's reason is shown).
  std::optional<std::string> Rename(const std::string &entryName, const std::string &newName);
  // Saves a picture lump or the palette as an image file the user names.
  void ExportPicture(const std::string &entryName);
  // Turns an image file the user picks into a lump with the game palette:
  // it replaces the one selected picture lump when the user says so, else it
  // is added as a new entry under the name the user gives, proposed in the
  // selected entry's folder, else in folder (the folder the list shows,
  // ending in "/"; empty: the top). Undoable either way. The stored name of
  // the entry that took the picture, or none.
  std::optional<std::string> ImportPicture(const TStringList &selected, const std::string &folder);
  // A drag of the entries out of the window: they are extracted with their
  // paths into a fresh folder of the private folder, and offered as the URLs
  // of the files and folders at the top below folder (the folder the list
  // shows, ending in "/"; empty: the archive's top). Null when nothing could
  // be extracted. The archive is left as it is.
  QMimeData *DragData(const TStringList &names, const std::string &folder);
  // Opens a copy of the entry with the program chosen for its extension, else
  // the desktop's program for it, and watches the copy: each time the program
  // saves it, the user is asked whether the entry takes the new data (an
  // ordinary, undoable edit; nothing is saved). A program Varnel starts
  // itself that ends with an error is said, with its last error output.
  void Edit(const std::string &entryName);
  // The same with a program the user picks, kept for the extension when the user says so.
  void EditWith(const std::string &entryName);
  // Entries out for editing whose changed copies were not taken into the archive.
  int PendingEdits() const;
  // A save is opening the file it wrote: the same archive goes on.
  bool Reopening() const { return m_Reopening; }

  // --- a WAD entry, or a map's textures, as a folder of lumps (ArchiveSessionWad.cpp)
  // Reads the entry (a .wad or .bsp) as the folder shown; false when it is
  // none, with the reason said unless quiet.
  bool OpenLumpFolder(const std::string &entryName, bool quiet = false);
  void CloseLumpFolder();
  // Reads the folder's entry again (after an edit or Undo); false, the folder
  // closed, when it is gone or no longer reads.
  bool ReloadLumpFolder();
  // The folder shown; null when none.
  const TLumpFolder *LumpFolder() const { return m_LumpFolder.get(); }
  // The lump at a place in the folder; null when out of range.
  const QuakeWad::TLump *LumpAt(int index) const;
  // Whether the folder's lumps may be changed: a WAD of an archive that may be.
  bool LumpsChangeable() const;
  // The commands on lumps, by their places in the folder. Each change writes
  // the WAD into its entry as one undoable replacement of the entry's data.
  void ViewLump(int index);
  void ExportLump(int index);
  // As ImportPicture: replaces the one selected picture lump when the user
  // says so, else adds a lump under the name the user gives. Its name, or none.
  std::optional<std::string> ImportLumpPicture(const std::vector<int> &selected);
  void DeleteLumps(std::vector<int> indexes);
  // True when renamed (or the name is the same); else the reason is shown.
  bool RenameLump(int index, const std::string &newName);
  // Writes the lumps as files (QuakeWad::LumpFileName) into a folder the
  // extraction dialog asks for; selected empty: every lump.
  void ExtractLumps(const std::vector<int> &selected);

  // --- a WAD file opened on its own: held as the one entry of an untitled
  // archive, so that its lumps change and undo as a WAD entry's do; Save
  // writes that entry's bytes to the file.
  // Whether the file starts as a WAD2 file does.
  static bool IsWadFile(const QString &fileName);
  bool IsWadDocument() const { return !m_WadFile.isEmpty(); }
  // The WAD file open on its own; empty when an archive is.
  const QString &WadFile() const { return m_WadFile; }
  // The entry that holds it.
  const std::string &WadEntry() const { return m_WadEntry; }
  // Whether its bytes differ from the file's as last read or saved.
  bool WadModified() const { return m_WadModified; }

signals:
  void Changed(TArchiveSession::TChanges changes);
  // Progress of a long operation, in percent; the event loop may run meanwhile.
  void ProgressStarted();
  void ProgressMoved(int percent);
  void ProgressEnded();
  // An archive was opened (not a save's reopening of its own file) and the
  // window has shown it: time to check it. Once per open, after the list is
  // shown; dropped when another archive was opened meanwhile.
  void CheckDue();
  // An extraction ended well: count entries went into folder.
  void Extracted(const QString &folder, int count);

private:
  // A copy handed to another program (view, edit): its entry, and the copy's
  // state when last seen. The copy lies alone in a folder of its own.
  struct TEditedCopy {
    std::string EntryName;
    QString Program; // the program Varnel started with it; empty: the desktop's, unknown
    QDateTime Modified;
    qint64 Size = 0;
    bool Pending = false; // changed, and not taken into the archive
    bool Decided = false; // the user said what becomes of it (taken back or discarded)
    // A program may still have it open: always for the desktop's opener, and
    // for a started program until it ends with an error (one that ends well
    // may have handed the file to an instance already running).
    bool MaybeOpen = true;
    QPointer<TStartedProgram> Started; // while it runs
  };
  // Holds back the work of RunWhenIdle while it lives.
  class TBusyScope {
  public:
    explicit TBusyScope(TArchiveSession &session);
    ~TBusyScope();
    TBusyScope(const TBusyScope &) = delete;
    TBusyScope &operator=(const TBusyScope &) = delete;

  private:
    TArchiveSession &m_Session;
  };
  void RunDeferred();
  void StartEditing(const std::string &entryName, bool choose);
  // Writes the copy of the entry that goes to a program: alone in a fresh
  // folder of the handed-copy area, under a name safe for shells and
  // terminals. Empty, with failure said, when none could be written.
  QString WriteHandedCopy(const std::string &entryName, const QString &failure);
  // Watches a copy handed to a program (started: the program Varnel started
  // with it, named program; null: the desktop's opener).
  void WatchCopy(const QString &copy, const std::string &entryName, const QString &program, TStartedProgram *started);
  void EditedCopyChanged(const QString &copy);
  // Marks the copy pending when it changed since last seen; true then.
  static bool NoticeChange(const QString &copy, TEditedCopy &edited);
  // Replaces the entry's data with the copy's; false, with the failure said, when it cannot.
  bool TakeBackCopy(const QString &copy);
  void ProgramEnded(const QString &copy, const QString &program, int exitStatus, bool crashed, const QString &errors);
  // Before the archive goes: asks about the copies with changes not taken
  // back and those still open in a program Varnel started: take the changes
  // back, discard them, or cancel (false).
  bool SettleHandedCopies();
  // The archive went: the copies are no longer watched, and those that no
  // program can still have open, or that the user decided on, are removed.
  void ReleaseHandedCopies();
  // Removes the copy's folder and what its program left there.
  void RemoveHandedCopy(const QString &copy);
  // At the session's end: the area goes unless copies were kept in it; either
  // way it is no longer held, so a later run's sweep takes it.
  void CloseHandedCopyArea();
  enum TSaveOutcome { soSaved, soNotSaved, soFailed };

  TSaveOutcome SaveArchive();
  TSaveOutcome SaveArchiveAs();
  TSaveOutcome ReportSaveResult(TResultCode result, const QString &reason, const QString &fileName);
  // What the engine could not do (Failures(), one line each, a long list cut
  // short), and reason, an escaped failure's text, unless a line says it already.
  QString FailureDetail(const QString &reason = {}) const;
  void AddRecentFile(const QString &fileName);
  // Moves empty recent files to the end.
  void CloseRecentGaps();
  // The add dialog on files (empty for the Add command, the dropped paths for
  // a drop), then the add itself.
  void AddThroughDialog(const QStringList &files);
  // Runs an edit of the archive, then reports the changed entries, also when
  // the edit fails part-way: no view may keep showing entries the archive no
  // longer has. The failure goes on to the error report.
  void EditEntries(const std::function<void()> &edit);
  void ShowError(const QString &text, const QString &detail = {});
  // The picture file the user picks to import, or empty when none is picked.
  QString ChoosePictureToImport();
  // The offer to drop a recent file that is gone; true when it was dropped.
  bool OfferToForgetRecent(const QString &fileName);
  // Whether a save over the open file may go ahead: a damaged file is only
  // replaced when the user says so; else the archive goes to another file, or
  // nowhere.
  enum TDamagedFileAnswer { dfReplace, dfSaveElsewhere, dfCancel };
  TDamagedFileAnswer AskReplaceDamaged();
  // Takes folder as typed: "~" is the home folder; a relative path is refused
  // with a message, and false comes back.
  bool TakeTypedFolder(QString &folder);
  // A view that could not open the copy: says message and offers to extract the entry instead.
  void OfferExtractInstead(const QString &message, const std::string &entryName, const std::string &copy);
  // The warning that the archive just opened is damaged, each finding a line.
  void ShowDamage(const QString &fileName);
  // Extracts the entry, without its path, into subFolder of the private
  // folder and returns the copy's path; empty, with failure said, when none
  // could be written. The copy goes with the session.
  std::string ExtractPrivateCopy(const std::string &entryName, const std::string &subFolder, const QString &failure);
  // The same into folder (ending in "/"), listed nowhere.
  std::string ExtractCopyInto(const std::string &entryName, const std::string &folder, const QString &failure);
  // The place of the entry stored under exactly these bytes; -1 when none.
  int32_t IndexOfStoredName(const std::string &entryName) const;
  // True unless the archive check finds errors and the user declines to save anyway.
  bool ConfirmSaveWithErrors();
  // Writes wad as the data of the lump folder's entry; false, with the failure said, when it cannot.
  bool WriteLumpFolder(const QuakeWad::TWad &wad);
  // Opens a WAD file on its own (see IsWadDocument).
  void OpenWadFile(const QString &fileName);
  // Writes the WAD entry's bytes to fileName in one step; soFailed, said, when it cannot.
  TSaveOutcome SaveWadFile(const QString &fileName);
  // After an edit: whether the WAD entry still holds the bytes last saved.
  void NoteWadChange();

  TDesktopServices &m_Desktop;
  TSessionDialogs &m_Dialogs;
  QWidget *m_Window;
  TQuakePak m_Pak;
  TSessionValues m_Values;
  TStringList m_ViewedFiles;
  int m_DragCount = 0;                    // the drags so far, each with a folder of its own
  int m_EditCount = 0;                    // the copies handed out so far, each with a folder of its own
  std::map<QString, TEditedCopy> m_Edits; // by the copy's path
  QFileSystemWatcher *m_EditWatcher;
  QString m_HandedArea;                        // empty until made; ends in "/"
  std::unique_ptr<QLockFile> m_HandedAreaLock; // held for the run: the area is in use
  int m_BusyDepth = 0;                         // commands and engine operations running
  bool m_RunningDeferred = false;
  QStringList m_KeptCopies; // copies a program may still have open: they outlive the session
  std::deque<std::function<void()>> m_Deferred;
  bool m_Reopening = false; // a save as opens its new file: no check is offered then
  int m_Opens = 0;          // archives opened so far: a check due for an earlier one is dropped
  std::unique_ptr<TLumpFolder> m_LumpFolder; // the folder of lumps shown, if any
  QString m_WadFile;    // the WAD file open on its own, if any
  std::string m_WadEntry; // its entry in the untitled archive
  std::string m_WadSaved; // its bytes as last read or saved
  bool m_WadModified = false;
  bool m_SaveAsInstead = false; // the save found the file changed by another program, and the user chose Save As
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TArchiveSession::TChanges)

// A chooser of PAK files (and all files), starting in directory.
TFileDialogRequest PakFileRequest(const QString &title, const QString &directory);
