// SPDX-License-Identifier: GPL-3.0-or-later
// Deleting, renaming and moving entries. These change the directory alone:
// the bytes of every entry stay where they are until the archive is saved,
// which is what lets the journal bring a deleted entry back.
#include "PakInternal.h"
#include "PakNameIndex.h"
#include "PakQuake.h"

#include <utility>

namespace {
// A name that names no file: nothing at all, or a directory part alone.
bool NamesNoFile(const std::string &name) { return name.empty() || name.back() == '/'; }
} // namespace

// Of the failing preconditions the last one tested decides the result.
TResultCode TQuakePak::DeleteEntries(const TStringList &names) {
  m_Failures.clear();
  TResultCode result = prDone;
  if (m_FileName.empty())
    result = prNoArchive;
  if (!CanModify())
    result = prProtected;
  if (names.empty())
    result = prEmptyList;
  if (result != prDone)
    return Reported(result, m_FileName);

  std::string record = "D:";
  if (m_AllowUndo) {
    // One piece per entry: its name, as long as the name asked for, and two numbers.
    size_t expected = record.size();
    for (const std::string &name : names)
      expected += name.size() + 24;
    record.reserve(expected);
  }
  auto recordRemoval = [&](int32_t k) {
    if (m_AllowUndo) {
      const TDirEntry &entry = m_Directory[static_cast<size_t>(k)];
      AppendEntryRecord(record, entry.Name, entry.Position, entry.Size);
    }
  };
  // Many names and no table of names yet: all are looked up in one pass,
  // unless two of them could find the same entry.
  std::vector<int32_t> found;
  if (m_NameIndex->WouldBuild(names.size()))
    found = TNameIndex::FindAll(m_Directory, names);
  if (!found.empty()) {
    for (const int32_t k : found)
      if (k >= 0) {
        recordRemoval(k);
        m_PendingRemovals.push_back(k);
      }
  } else {
    m_NameIndex->Prepare(m_Directory, names.size());
    for (const std::string &name : names) {
      // An entry taken out is found no more: a second spelling of its name
      // finds another entry or none.
      const int32_t k = FindEntry(name);
      if (k < 0)
        continue;
      recordRemoval(k);
      RemoveEntryLater(k);
    }
  }
  CompactDirectory();
  // Even a record that names no entry is one step: the call was an edit.
  AddUndoRecord(std::move(record));
  return prDone;
}

// The entry keeps its place, position and size. Tested in this order:
// EInvalidFileName with NameEmptyMessage when the name is empty or ends in
// "/", NamePartRefusal's sentence for a part that leaves the archive's tree,
// NameExistsMessage when any entry, this one included, has the name (in
// any letter case), NameTooLongMessage beyond the record's name field.
void TQuakePak::RenameEntry(int32_t index, const std::string &newName) {
  std::string name = MakeEntryName(newName);
  if (index < 0 || index >= EntryCount())
    return;
  if (!CanModify())
    throw EPakFileProtected();
  if (NamesNoFile(name))
    throw EInvalidFileName(NameEmptyMessage);
  if (std::string refusal = NamePartRefusal(name); !refusal.empty())
    throw EInvalidFileName(refusal);
  if (FindEntry(name) >= 0)
    throw EInvalidFileName(NameExistsMessage);
  if (name.size() > static_cast<size_t>(PakFormat::NameSize))
    throw EInvalidFileName(NameTooLongMessage);

  std::string record = "R:" + EscapeRecordField(name) + ":" + EscapeRecordField(EntryName(index));
  RenameDirectoryEntry(index, name);
  AddUndoRecord(std::move(record));
}

// Each entry keeps its file name, made with MakeEntryName below the target. Of
// the failing preconditions the first one tested decides the result. Only a
// call that moved something makes a record. An entry already at its new name
// (or at it in other letter case) is where it should be: no failure.
TResultCode TQuakePak::MoveEntries(const TStringList &names, const std::string &targetDirectory) {
  m_Failures.clear();
  // Slashes first, so that a directory typed with a closing backslash gets
  // one "/" and not two.
  std::string directory = ToEntrySlashes(targetDirectory);
  if (!directory.empty() && directory.back() != '/')
    directory += '/';

  if (m_FileName.empty())
    return Reported(prNoArchive, {});
  if (!CanModify())
    return Reported(prProtected, m_FileName);
  if (names.empty())
    return Reported(prEmptyList, m_FileName);

  m_NameIndex->Prepare(m_Directory, 2 * names.size());
  std::string record = "M:";
  bool moved = false;
  for (const std::string &name : names) {
    int32_t k = FindEntry(name);
    if (k < 0)
      continue;
    std::string newName = MakeEntryName(directory + EntryFileName(name));
    const std::string notMoved = m_Directory[static_cast<size_t>(k)].Name + ": not moved: ";
    // A name beyond the name field would be cut short when saving, and so
    // silently become another name; it is refused like a taken one.
    if (NamesNoFile(newName)) {
      m_Failures.push_back(notMoved + NameEmptyMessage);
      continue;
    }
    if (std::string refusal = NamePartRefusal(newName); !refusal.empty()) {
      m_Failures.push_back(notMoved + refusal);
      continue;
    }
    if (newName.size() > static_cast<size_t>(PakFormat::NameSize)) {
      m_Failures.push_back(notMoved + "its new name " + newName + " would be longer than 56 bytes");
      continue;
    }
    if (const int32_t holder = FindEntry(newName); holder >= 0) {
      if (holder != k)
        m_Failures.push_back(notMoved + newName + " is taken");
      continue;
    }
    record += EscapeRecordField(newName) + ":" + EscapeRecordField(EntryName(k)) + ":";
    RenameDirectoryEntry(k, newName);
    moved = true;
  }
  if (moved)
    AddUndoRecord(std::move(record));
  return prDone;
}
