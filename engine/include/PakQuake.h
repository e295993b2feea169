// SPDX-License-Identifier: GPL-3.0-or-later
// The archive engine of Varnel: one open Quake PAK archive at a time, its
// directory in memory, the working file that holds the data of added files,
// and every operation on the archive. Pure standard C++ (and POSIX): the
// engine knows nothing of windows. Questions and progress leave it only
// through its events, whose answers are plain values.
//
// This is the one header callers include. It reads as a map:
//   PakFormat.h   the byte layout of a PAK file; TEntryName, TDirEntry
//   PakResults.h  result codes, how each kind of operation reports a
//                 refusal, and the exceptions
//   PakNames.h    entry names, disk paths, small text routines, TSpaceHandle
//   PakPatterns.h TNamePattern, the shell patterns that choose entries by name
//   PakKinds.h    the table of entry kinds: names, icons, viewer, conversion, filters
//   PakLumps.h    colours, TBitmap, TQuakePalette and the picture-lump reader
//   PakCheck.h    the archive check
//   PakDirectory.h  a file's directory read record by record, TDirectoryReader
//   GameFolder.h  what the game loads from a Quake installation, by engine
//   PakCompare.h  two archives compared entry by entry
//   here          the component's questions and events, ReplaceFileContents,
//                 and the archive component TQuakePak
#pragma once

#include "GameFolder.h"
#include "PakCheck.h"
#include "PakCompare.h"
#include "PakDirectory.h"
#include "PakFormat.h"
#include "PakKinds.h"
#include "PakLumps.h"
#include "PakNames.h"
#include "PakPatterns.h"
#include "PakResults.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The file name of a new archive that has no file yet.
inline constexpr const char *UntitledName = "(Untitled)";

enum TFileReplace : uint8_t { frReplace, frReplaceAll, frSkip, frSkipAll, frCancel };

class TQuakePak;
class TPakFile;
class TPrivateFolder;
class TNameIndex;
struct TOpenedSource;
struct TDeferredData;
class TSourceOpener;

// The component's questions (answers preset before they are asked) and
// progress events; Sender is the component asking.
using TAddFileExistsEvent = std::function<void(TQuakePak &Sender, const std::string &FileName, TFileReplace &Replace)>;
using TExtFileExistsEvent = std::function<void(TQuakePak &Sender, const std::string &FileName, bool &Replace)>;
using TNoSaveFileNameEvent = std::function<void(TQuakePak &Sender, std::string &FileName, bool &Cancel)>;
using TCallbackEvent = std::function<void(TQuakePak &Sender, uint8_t Percent)>;
using TNotifyEvent = std::function<void(TQuakePak &Sender)>;


// Replaces the file at path with size bytes of data by the road a save of
// the archive takes: a link at path followed only where the kernel would
// follow it under fs.protected_symlinks (in a sticky folder that everyone
// may write to, only a link of the user saving or of the folder's owner),
// checked again at the moment of the rename; the bytes written and flushed
// to a private, locked file ".TITLE.varnel-save-XXXXXX" beside the file
// (abandoned ones there, whose lock nobody holds, are removed first), which
// then takes the file's place in one rename, and only while its name still
// leads to the file written. A file replaced keeps its owner and permission
// bits; a new one gets those of any new file. Returns an empty string when
// done, else one line "FILE: reason" (the file refused and why); the old
// file is then as it was.
[[nodiscard]] std::string ReplaceFileContents(const std::string &path, const void *data, size_t size);

// ---------------------------------------------------------------------------

class TQuakePak {
public:
  // No archive open; the temporary directory is the system's.
  TQuakePak();
  // Closes the archive's files and removes the private folders made.
  ~TQuakePak();
  TQuakePak(const TQuakePak &) = delete;
  TQuakePak &operator=(const TQuakePak &) = delete;

  // --- state
  const std::string &QuakeDirectory() const { return m_QuakeDirectory; }
  const std::string &TempDirectory() const { return m_TempDirectory; }
  const std::string &WorkingFileName() const { return m_WorkingFileName; }
  const std::string &FileName() const { return m_FileName; }
  bool Modified() const { return m_Modified; }
  bool JournalTruncated() const { return m_JournalTruncated; }
  const std::vector<TDirEntry> &Directory() const { return m_Directory; }
  const TStringList &Journal() const { return m_Journal; }
  const TQuakePalette &Palette() const { return m_Palette; }
  // What is wrong with the open archive's file, as found when it was opened:
  // fewer records than the header claims, a directory outside the file,
  // entries whose data lies outside the file. Empty for a sound archive and
  // when nothing is open. Damage() gives each as one line ("ENTRY: sentence",
  // or the sentence alone for the file as a whole).
  const TCheckFindings &DamageFindings() const { return m_Damage; }
  TStringList Damage() const;
  // Why the last operation failed or what it left out, one line each:
  // "FILE: reason", the file or entry concerned and why (for a file the
  // system refused, its path and the system's own text, as
  // "/x/y.pak: Permission denied" or "/x/.y.pak.varnel-save-AbC123: File
  // too large"). Every operation that may fail or leave something out
  // clears it when it starts: SavePak, SavePakAs, WriteArchive, AddFiles,
  // ReplaceEntryData, ExtractEntries, DeleteEntries, MoveEntries and
  // LumpToBitmap. When one of them returns a code other than prDone or
  // prCancelled (or LumpToBitmap no bitmap for an entry that has bytes), or
  // leaves something out, it holds at least one line; after prDone with
  // nothing left out, none. An operation that raises leaves what it found
  // before the exception.
  const TStringList &Failures() const { return m_Failures; }

  // --- published properties
  bool AllowUndo() const { return m_AllowUndo; }
  // A different value is stored and clears the journal.
  void SetAllowUndo(bool value);
  bool ProtectID1Pak() const { return m_ProtectID1Pak; }
  void SetProtectID1Pak(bool value) { m_ProtectID1Pak = value; }
  bool ForceLowercase() const { return m_ForceLowercase; }
  void SetForceLowercase(bool value) { m_ForceLowercase = value; }
  TSpaceHandle HandleSpaces() const { return m_HandleSpaces; }
  void SetHandleSpaces(TSpaceHandle value) { m_HandleSpaces = value; }
  int32_t MaxUndoLevels() const { return m_MaxUndoLevels; }
  // 0 clears the journal; a positive limit drops the oldest records beyond it.
  void SetMaxUndoLevels(int32_t value);

  // --- events
  TAddFileExistsEvent OnAddFileExists;
  TExtFileExistsEvent OnExtractFileExists;
  TCallbackEvent OnCallback;
  TNotifyEvent OnStartCallback;
  TNotifyEvent OnEndCallback;
  TExtFileExistsEvent OnSaveFileExists;
  TNoSaveFileNameEvent OnNoSaveFileName;
  // Asked before a save replaces the archive's own file when that file is no
  // longer the one that was opened (another program changed or replaced it).
  // Replace is preset to false: the save is then cancelled.
  TExtFileExistsEvent OnArchiveChanged;

  // --- directories and opening
  // Validates (id1/pak0.pak must be a PAK file, in any letter case) and sets
  // the Quake directory, then loads the palette. An empty directory closes the
  // archive. Raises EInvalidQuakeDir; nothing changes then.
  void SetQuakeDirectory(const std::string &directory);
  // Whether directory holds a Quake installation as SetQuakeDirectory takes
  // one: id1/pak0.pak, in any letter case, a PAK file. False for empty.
  static bool IsQuakeDirectory(const std::string &directory);
  // Sets the temporary directory if it exists; otherwise does nothing.
  void SetTempDirectory(const std::string &directory);
  // Opens a PAK file, starts a new archive for "(Untitled)", or closes the
  // archive for an empty name. Raises EInvalidPakFile (nothing changed) or
  // EInOutError. The file stays open for as long as it is the open archive:
  // every entry reads as it was when opened, whatever happens to the file's name.
  void OpenPak(const std::string &fileName);
  // OpenPak for an archive that is to be read only: the directory takes just
  // the memory its entries need, where OpenPak leaves room to add half as
  // many again without copying it. Adding still works (at one copy).
  void OpenPakToRead(const std::string &fileName);
  // OpenPak("(Untitled)"): a new archive without entries.
  void NewPak();
  // Removes the working file's name from the private folder; its open data stays readable.
  void DeleteWorkingFile();
  // True for a new archive that has no file yet.
  bool IsUntitled() const;
  // This component's own folder inside TempDirectory (unique, mode 0700),
  // created on first need, ending in "/". Holds the working file, viewed
  // copies and icon probes. Checked at every call: a folder that is no longer
  // a real directory of ours with mode 0700 is given up for a new one. The
  // first folder made in a temporary directory sweeps it of the folders of
  // processes that no longer run. Raises EInOutError when it cannot be made.
  std::string PrivateDirectory();
  // True when the open archive's file on disk is no longer the one that was
  // opened: gone, replaced, or changed in size or modification time.
  bool ArchiveChangedOnDisk() const;

  // --- entries
  int32_t EntryCount() const;
  // An entry's fields; for an index out of range an empty name, position and size -1.
  std::string EntryName(int32_t index) const;
  int32_t EntryPosition(int32_t index) const;
  int32_t EntrySize(int32_t index) const;
  // The highest index whose name is exactly name; else the highest whose name
  // equals it ignoring ASCII case; -1 when none. Every operation that takes
  // entry names finds them so: names that differ in letter case only are
  // two entries, each with its own data, and a name reaches its own.
  int32_t FindEntry(const std::string &name) const;
  // Up to count bytes of entry index from offset within its data: fewer at
  // the end of the entry or of the file that holds it, none for an index out
  // of range or an offset past the end. Reads only those bytes, so a preview
  // can take a header without the whole entry. Raises EInOutError when the
  // file cannot be read or was changed by another program.
  std::string ReadEntryPart(int32_t index, int64_t offset, int64_t count);
  // True with a Quake directory set, unless the open archive is a stock one and ProtectID1Pak is set.
  bool CanModify() const;
  bool IsProtected() const { return !CanModify(); }
  // 0 nothing to undo, 1 add, 2 delete, 3 rename, 4 move, 5 an update of
  // one entry's data (ReplaceEntryData).
  uint8_t UndoKind() const;
  // The entry whose update Undo takes back (UndoKind 5); else empty.
  std::string UndoEntryName() const;
  // True when path names this installation's id1/pak0.pak or id1/pak1.pak,
  // by any spelling (letter case, links, "..", doubled slashes).
  bool IsStockArchive(const std::string &path) const;

  // --- the file format
  // True for a regular file that starts with "PACK" (any letter case).
  static bool IsPakFile(const std::string &path);
  // Creates or truncates the file with a bare header. Never raises.
  [[nodiscard]] static bool CreateBareArchive(const std::string &path);
  // Replaces list with the file's entries: prDone, or prNoPath for an empty
  // path; raises EInOutError when the file cannot be read. Never trusts header
  // fields for allocation: reads only the whole records the file holds.
  [[nodiscard]] static TResultCode ReadDirectory(const std::string &path, std::vector<TDirEntry> &list);
  // Patches the header of a file holding header and data and appends the
  // records of Directory.
  [[nodiscard]] bool WriteDirectory(const std::string &path);

  // --- entry names
  // "\" turned into "/"; and the native separator for disk paths ("/": no change).
  static std::string ToEntrySlashes(const std::string &name);
  static std::string ToPathSlashes(const std::string &name);
  // Spaces left, removed or turned into "_", as HandleSpaces says.
  std::string ApplySpaceRule(const std::string &name) const;
  // Slashes, lower case (ForceLowercase) and the space rule.
  std::string MakeEntryName(const std::string &name) const;
  // The entry name AddFiles gives the file at path: its path below
  // baseDirectory (its bare name when outside it) below targetDirectory,
  // through MakeEntryName.
  std::string AddedEntryName(const std::string &path, const std::string &baseDirectory,
                             const std::string &targetDirectory) const;

  // --- adding
  // Adds files and directory trees (named relative to baseDirectory, below
  // targetDirectory) as one undo step; clashes are put to OnAddFileExists.
  // Returns prDone, prEmptyList, prProtected, prNoArchive, prWriteFailed (the
  // files not added are in Failures()) or prCancelled. paths comes back as the
  // files added: directories expanded, skipped and unreadable files removed.
  // A target directory with a part that leads out of the archive's tree (a
  // leading "/", an empty, "." or ".." part) adds nothing: prWriteFailed,
  // the sentence in Failures() and paths empty; a file whose own entry name
  // has such a part is left out.
  // Adds regular files only, never follows a directory loop, never lets the
  // working file grow past PakFormat::MaxArchiveSize.
  [[nodiscard]] TResultCode AddFiles(TStringList &paths, const std::string &baseDirectory,
                                     const std::string &targetDirectory, bool recurse);
  // Appends source's bytes to target and an entry for them to the directory;
  // entryName comes back lower-cased (ForceLowercase) with the space rule.
  // True when appended or the name is taken already; false, the reason in
  // Failures() and nothing appended, when the file cannot be added.
  [[nodiscard]] bool AppendFileData(const std::string &target, const std::string &source, std::string &entryName);
  // Replaces the data of the entry at index with the bytes of a disk file,
  // copied now; the entry keeps its name exactly and moves to the end of the
  // directory, as a replacing add would, and one Undo brings the old data
  // back. Returns prDone, prEmptyList (index out of range), prProtected,
  // prNoArchive, or prWriteFailed (the file could not be read or appended;
  // the reason in Failures(); the directory is then as it was).
  [[nodiscard]] TResultCode ReplaceEntryData(int32_t index, const std::string &source);
  // Appends a directory's regular files (and, with recurse, sub-directories) to
  // paths, in byte order of their names; hidden names are left out.
  void ScanDirectory(const std::string &directory, TStringList &paths, bool recurse);

  // --- deleting, renaming, moving
  // Removes the named entries (names not found are passed over) as one undo
  // step; each entry goes once and is recorded once, however many spellings
  // of its name the list holds. Returns prDone, prNoArchive, prProtected or
  // prEmptyList.
  [[nodiscard]] TResultCode DeleteEntries(const TStringList &names);
  // Gives entry index the new name, made with MakeEntryName. Raises
  // EPakFileProtected or EInvalidFileName (name empty; a leading "/" or an
  // empty, "." or ".." part, with a sentence that quotes it; taken, in any
  // letter case; too long), changing nothing; an index out of range is ignored.
  void RenameEntry(int32_t index, const std::string &newName);
  // Puts the named entries below targetDirectory (empty: the top level) as one
  // undo step; an entry whose new name is taken (by another entry, in any
  // letter case), too long, names no file or has a part that leads out of
  // the archive's tree stays, with a line "NAME: not moved: reason" in Failures().
  // Returns prDone, prNoArchive, prProtected or prEmptyList.
  [[nodiscard]] TResultCode MoveEntries(const TStringList &names, const std::string &targetDirectory);

  // --- extracting
  // Result: prDone (files kept because the handler declined to replace them
  // included), prEmptyList, prNoPath (empty destination), prNoArchive, tested
  // in the order prNoArchive, prEmptyList, prNoPath; prWriteFailed when some
  // entries were not extracted, each listed in Failures() (a link or a file
  // where a folder on its way must be, a folder at its own name), while the
  // others were. Every file is created below the destination without
  // following any link inside it. Raises EInOutError when an entry cannot be
  // read or its file not written. An exception thrown by a handler
  // (OnExtractFileExists, say, to cancel; or a progress event) ends the
  // operation there and goes on to the caller: every file made so far is
  // complete (its copy finished) or removed, none is half written, the copy
  // thread has stopped and OnEndCallback has fired. The same holds for any other
  // exception, and for ExtractEntry.
  [[nodiscard]] TResultCode ExtractEntries(const TStringList &names, const std::string &destination, bool keepPaths);
  // Copies entry index's data into a new file at targetPath, never through a
  // link. Raises EInOutError, leaving no half-written file; an index out of range does nothing.
  void ExtractEntry(int32_t index, const std::string &targetPath);

  // --- undo journal
  // Keeps record as the newest undo step (while AllowUndo, within
  // MaxUndoLevels) and sets Modified in any case.
  void AddUndoRecord(std::string record);
  // "name,position,size:" of entry index, the name escaped for a record.
  std::string EntryRecord(int32_t index) const;
  // Reads an EntryRecord piece back; a missing position or size leaves its argument as it was.
  static void ParseEntryRecord(const std::string &piece, std::string &name, int32_t &position, int32_t &size);
  // Appends the entry exactly as recorded, whatever the other entries are called.
  void RestoreEntry(const std::string &name, int32_t position, int32_t size);
  // True when undo is allowed, an archive that may be changed is open, and the journal holds a step.
  bool CanUndo() const;
  // Takes back the newest step; prNothingToUndo when CanUndo is false, else prDone.
  [[nodiscard]] TResultCode Undo();

  // --- saving
  // Writes the archive to its own file; an untitled one asks OnNoSaveFileName
  // for a name. Returns WriteArchive's code, prNoArchive, or prCancelled.
  [[nodiscard]] TResultCode SavePak();
  // Writes the archive to target, asking OnSaveFileExists before replacing a
  // file there; the folders on its way are made. Returns WriteArchive's code,
  // prNoArchive, prProtected (a stock archive), or prCancelled.
  [[nodiscard]] TResultCode SavePakAs(const std::string &target);
  // Writes a complete archive to target and makes it the open one; the old
  // file is replaced only once the new one is complete, and the archive's own
  // file, changed by another program, only after OnArchiveChanged agrees.
  // The archive is assembled in a locked save file beside the target (or, for
  // an archive of added files only, in the working file) and renamed into the
  // target's place as ReplaceFileContents does: abandoned save files there
  // are removed first, a link at target is followed only where the kernel
  // would follow it, and both that and the save file's identity are checked again at
  // the moment of the rename. Returns prDone, prNoArchive, prProtected,
  // prCancelled, or prWriteFailed (nothing replaced; the file refused and
  // why in Failures()); raises EInOutError when entry data cannot be read.
  // After a save the archive is read through the file written, and errors
  // name it by target.
  [[nodiscard]] TResultCode WriteArchive(const std::string &target);

  // --- palette and lumps
  // Loads Palette from the last palette entry of the stock id1/pak0.pak; false when there is none.
  bool LoadPalette();
  // Decodes an entry into a new bitmap: a picture lump through Palette with
  // each channel shifted by offset (added, or subtracted when add is false,
  // held within 0..255), palette.lmp as 16 x 16 swatches of its own colours,
  // colormap.lmp as a 256 x 256 bitmap carrying a notice. A picture is read
  // by ReadPictureLayout: one without pixels (width or height 0) gives an
  // empty bitmap of that size; any other fault no bitmap, its reason in
  // Failures(). Empty for a name not found or not ".lmp". Never allocates
  // more than the bytes the entry really has in its file can fill.
  [[nodiscard]] std::unique_ptr<TBitmap> LumpToBitmap(const std::string &name, TColor offset, bool add);

  // --- block copy and progress
  // Copies count bytes between the files' current positions: by the kernel
  // where it can, else in blocks of at most BlockSize through one buffer.
  // Raises EInOutError on a failing read or write, and before writing
  // anything when the source holds fewer than count bytes.
  void CopyBytes(TPakFile &source, TPakFile &target, int64_t count);
  // Progress: Start fires OnStartCallback, Step fires OnCallback with the
  // percent done when it changed, End fires OnEndCallback.
  void ProgressStart();
  void ProgressStep();
  void ProgressEnd();
  // Counts n more items or bytes while progress is active, then steps.
  void ProgressAdvance(int64_t n);
  bool ProgressActive() const { return m_ProgressActive; }
  int64_t ProgressDone() const { return m_ProgressDone; }
  int64_t ProgressTotal() const { return m_ProgressTotal; }
  void SetProgressTotal(int64_t total) { m_ProgressTotal = total; }
  uint8_t LastPercent() const { return m_LastPercent; }

private:
  std::string m_QuakeDirectory;
  std::string m_TempDirectory;
  std::string m_WorkingFileName;
  std::string m_FileName;
  bool m_ProgressActive = false;
  bool m_Modified = false;
  bool m_ForceLowercase = true;
  bool m_AllowUndo = true;
  bool m_JournalTruncated = false;
  bool m_ProtectID1Pak = true;
  TSpaceHandle m_HandleSpaces = DefaultSpaceHandle;
  std::vector<TDirEntry> m_Directory;
  TStringList m_Journal;
  TQuakePalette m_Palette;
  int32_t m_MaxUndoLevels = -1;
  int64_t m_ProgressDone = 0;
  int64_t m_ProgressTotal = 0;
  uint8_t m_LastPercent = 0;
  // Some change since Modified was last clear has no record in the journal
  // (made while AllowUndo was clear, or its record was cleared away).
  bool m_UnrecordedChanges = false;
  TCheckFindings m_Damage;
  TStringList m_Failures;
  // Private folders made so far, the current one last; removed by the destructor.
  std::vector<std::unique_ptr<TPrivateFolder>> m_PrivateFolders;
  // Temporary directories already swept of abandoned private folders.
  TStringList m_SweptDirectories;
  // The private folder that holds the working file, and both data files, held
  // open from OpenPak on.
  TPrivateFolder *m_WorkingFolder = nullptr;
  std::unique_ptr<TPakFile> m_ArchiveFile;
  std::unique_ptr<TPakFile> m_WorkingFile;
  // Who the archive file was when opened, to notice another program's change.
  struct TFileIdentity {
    uint64_t Device = 0;
    uint64_t Inode = 0;
    int64_t Size = 0;
    int64_t ModifiedSeconds = 0;
    int64_t ModifiedNanoseconds = 0;
    bool operator==(const TFileIdentity &) const = default;
  };
  static TFileIdentity IdentityOf(const struct stat &info);
  TFileIdentity m_ArchiveIdentity;
  // The archive file's path with its links followed, absolute.
  std::string m_ArchiveRealPath;

  // Name lookups for FindEntry, kept in step with m_Directory by the
  // routines below, which are the only ones that change the directory's names.
  std::unique_ptr<TNameIndex> m_NameIndex;
  // Entries taken out by the running operation but still in m_Directory, so
  // that indexes stay put until CompactDirectory erases them all in one pass.
  std::vector<int32_t> m_PendingRemovals;
  void AppendDirectoryEntry(std::string_view name, int32_t position, int32_t size);
  void RenameDirectoryEntry(int32_t index, const std::string &name);
  // FindEntry no longer finds it; it goes at the next CompactDirectory.
  void RemoveEntryLater(int32_t index);
  void CompactDirectory();
  // The directory was replaced as a whole.
  void DirectoryReplaced();

  // The same as ProgressAdvance for bytes moved in one go, counted a block at a time.
  void AdvanceProgressInBlocks(int64_t n);
  // Lower case (ForceLowercase) and the space rule, slashes as they are: the
  // part of MakeEntryName that AppendFileData applies.
  std::string ApplyCaseAndSpaceRules(const std::string &name) const;
  TPrivateFolder &CurrentPrivateFolder();
  // The file holding an entry's data; raises EInOutError when it is not open.
  TPakFile &DataFileOf(const TDirEntry &entry);
  // Raises EInOutError when the open archive's file was written into since it
  // was opened; called once by each operation that reads entries.
  void CheckArchiveUnchanged() const;
  // Writes the entry's data at target's position (by the kernel where it can).
  void CopyEntryData(const TDirEntry &entry, TPakFile &target);
  void CopyRange(const TPakFile &source, int64_t offset, TPakFile &target, int64_t count);
  // Creates the file of one entry in the open folder parent, never following
  // a link; -1 when the entry is passed over (declined or refused).
  int CreateEntryFile(int parent, const std::string &leaf, const std::string &targetPath, int32_t index);
  // AppendFileData on a source already opened and examined; takes over its descriptor.
  // With keepName the entry name is taken as it is: no lower-case or space
  // rule, and appended even when an equal name is listed (the caller's business).
  // With deferred, data read ahead for the working file joins it unwritten
  // (the caller checked it continues it) and is counted when written.
  bool AppendOpenedFile(const TOpenedSource &opened, const std::string &target, const std::string &source,
                        std::string &entryName, bool keepName = false, TDeferredData *deferred = nullptr);
  // Writes the data of deferred files into the working file, records their
  // names in addedNames and releases them. Should the write fail, each file is
  // added again on its own, as if never deferred; false when one then fails.
  bool WriteDeferredData(TDeferredData &deferred, TSourceOpener &opener, const TStringList &sources,
                         TStringList &addedNames);
  // Where the next added file goes in the working file while AddFiles runs
  // (-1 otherwise): one seek per call instead of one per file.
  int64_t m_WorkingEnd = -1;
  bool AssembleArchive(TPakFile &file, int64_t dataSize);
  void WriteRecords(TPakFile &file);
  enum TCompletion { Completed, NotThisWay, Refused };
  TCompletion SaveByCompletingWorkingFile(const std::string &path, const std::string &realTarget,
                                          const struct stat *replaced, int64_t dataSize);
  // WriteArchive without clearing Failures() first.
  TResultCode WriteArchiveTo(const std::string &target);
  // Returns code, after making sure that Failures() holds a line for any
  // code but prDone and prCancelled: "file: " (when file is not empty) and
  // ResultText(code).
  TResultCode Reported(TResultCode code, const std::string &file);
  // A fresh, bare working file in the current private folder, held open.
  void StartWorkingFile();
  // OpenPak and OpenPakToRead: roomToGrow as ReadDirectoryOf takes it.
  void OpenPakWithRoom(const std::string &fileName, bool roomToGrow);
  // True when path names the open archive's file: the same file now, or the
  // path it was opened under.
  bool IsArchiveFile(const std::string &path) const;
  void CloseArchiveFiles();
  // Makes file, open under path, the open archive's file, remembering who it is.
  void AdoptArchiveFile(std::unique_ptr<TPakFile> file, const std::string &path);
};
