// SPDX-License-Identifier: GPL-3.0-or-later
// Reading the directory of a PAK file record by record, in batches through
// one bounded buffer, without building a directory in memory: for the
// commands that read a large archive once (listing, the check). Opening an
// archive builds its directory with the same reader. Included through PakQuake.h.
#pragma once

#include "PakCheck.h"
#include "PakFormat.h"

#include <cstdint>
#include <memory>
#include <string>

class TPakFile;

class TDirectoryReader {
public:
  // Opens the file at path to read; raises EInOutError when it cannot. With
  // judge, every way in which the file falls short of a sound archive is
  // listed in Damage() (as the archive check reports it), and records whose
  // data cannot lie in the file get a position past its end, so that reading
  // them fails instead of reading other bytes; without, records come as the
  // file holds them. Never trusts a header field for an allocation or a read
  // beyond the file: only the whole records the file holds are read.
  explicit TDirectoryReader(const std::string &path, bool judge = true);
  // The same through a file the caller keeps open.
  TDirectoryReader(TPakFile &file, bool judge);
  ~TDirectoryReader();
  TDirectoryReader(const TDirectoryReader &) = delete;
  TDirectoryReader &operator=(const TDirectoryReader &) = delete;

  // The file starts with "PACK" (any letter case).
  bool HasMagic() const { return m_Magic; }
  int64_t FileSize() const { return m_FileSize; }
  // The records to be read: those the header lists that the file holds.
  int64_t Count() const { return m_Count; }
  // Where the records read so far lie in the file; length 0 when none were.
  int64_t DirectoryOffset() const { return m_Count > 0 ? m_Offset : 0; }
  int64_t DirectoryLength() const { return m_Read * PakFormat::RecordSize; }
  // The damage found so far (with judge); each record's when it was read.
  const TCheckFindings &Damage() const { return m_Damage; }
  TCheckFindings TakeDamage() { return std::move(m_Damage); }

  // The next records in directory order, the first of them at index First();
  // empty after the last (or where the file ends early, having shrunk).
  std::span<const TRecordView> Next();
  int64_t First() const { return m_First; }
  // Reads from the first record again (the damage is not listed twice).
  void Rewind();
  // The name of record index as the file holds it (judged records are
  // unchanged in their names); from the buffer when that record is in it.
  // Empty when the file no longer holds it.
  TEntryName NameAt(int64_t index) const;

private:
  void ReadHeader(bool judge);
  void Judge(int64_t index, TRecordView &record);

  std::unique_ptr<TPakFile> m_Owned;
  TPakFile *m_File = nullptr;
  bool m_Judge = false;
  bool m_Magic = false;
  int64_t m_FileSize = 0;
  int64_t m_Offset = 0;
  int64_t m_Count = 0;
  int64_t m_First = 0; // index of the records in the buffer
  int64_t m_Next = 0;  // index of the next record to read
  int64_t m_Read = 0;  // records read (and judged) so far, the most of any pass
  int64_t m_InBuffer = 0;
  bool m_Ended = false;
  std::unique_ptr<unsigned char[]> m_Records;
  std::unique_ptr<TRecordView[]> m_Views;
  TCheckFindings m_Damage;
};
