// SPDX-License-Identifier: GPL-3.0-or-later
// The undo journal: one text record per change of the directory, newest
// first, and the undoing of add, delete, rename and move records.
#include "PakInternal.h"
#include "PakNameIndex.h"
#include "PakQuake.h"

#include <algorithm>
#include <charconv>
#include <utility>

namespace {
bool NeedsEscape(char c) { return c == '%' || c == ':' || c == ','; }

char HexDigit(int value) { return "0123456789ABCDEF"[value & 0xF]; }

std::string PercentByte(char c) {
  auto byte = static_cast<unsigned char>(c);
  return {'%', HexDigit(byte >> 4), HexDigit(byte)};
}

// A decimal integer as the records write it; anything else is refused.
int32_t DecimalToInt32(const std::string &text) {
  int32_t value = 0;
  const char *end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end)
    throw EConvertError(text);
  return value;
}
} // namespace

std::string EscapeRecordField(const std::string &name) {
  std::string result;
  result.reserve(name.size());
  AppendEscapedField(result, name);
  return result;
}

void AppendEscapedField(std::string &text, std::string_view name) {
  // The bytes between escapes go in as one piece each.
  size_t start = 0;
  for (size_t i = 0; i < name.size(); ++i)
    if (NeedsEscape(name[i])) {
      text.append(name.substr(start, i - start));
      text += PercentByte(name[i]);
      start = i + 1;
    }
  text.append(name.substr(start));
}

void AppendEntryRecord(std::string &record, std::string_view name, int32_t position, int32_t size) {
  // The piece is made in a buffer of its own and appended at once: deleting
  // many entries writes one such piece each.
  char piece[3 * PakFormat::NameSize + 2 * 12 + 1];
  char *at = piece;
  if (name.size() <= static_cast<size_t>(PakFormat::NameSize)) {
    for (const char c : name)
      if (NeedsEscape(c)) {
        const auto byte = static_cast<unsigned char>(c);
        *at++ = '%';
        *at++ = HexDigit(byte >> 4);
        *at++ = HexDigit(byte);
      } else {
        *at++ = c;
      }
  } else {
    AppendEscapedField(record, name);
  }
  for (const int32_t value : {position, size}) {
    *at++ = ',';
    at = std::to_chars(at, piece + sizeof piece, value).ptr;
  }
  *at++ = ':';
  record.append(piece, at);
}

std::string EscapeRecordName(const std::string &name) {
  // A piece of one character followed by ":" reads as a kind marker inside
  // an add record, so such a name is written as "%XX" whole.
  if (name.size() == 1)
    return PercentByte(name.front());
  return EscapeRecordField(name);
}

std::string UnescapeRecordName(const std::string &text) {
  std::string result;
  result.reserve(text.size());
  for (std::string::size_type i = 0; i < text.size(); ++i) {
    const std::optional<uint32_t> byte =
        text[i] == '%' && i + 2 < text.size() ? ParseHex(std::string_view(text).substr(i + 1, 2)) : std::nullopt;
    if (byte) {
      result += static_cast<char>(*byte);
      i += 2;
    } else {
      result += text[i];
    }
  }
  return result;
}

void TQuakePak::SetAllowUndo(bool value) {
  if (value == m_AllowUndo)
    return;
  m_AllowUndo = value;
  // The changes of dropped records can no longer be undone: an emptied
  // journal must not pass for an unchanged archive later.
  if (!m_Journal.empty())
    m_UnrecordedChanges = true;
  m_Journal.clear();
}

void TQuakePak::SetMaxUndoLevels(int32_t value) {
  if (value == 0) {
    if (!m_Journal.empty())
      m_UnrecordedChanges = true;
    m_Journal.clear();
  }
  if (value > 0 && m_Journal.size() > static_cast<size_t>(value)) {
    m_JournalTruncated = true;
    m_Journal.resize(static_cast<size_t>(value));
  }
  m_MaxUndoLevels = value;
}

void TQuakePak::AddUndoRecord(std::string record) {
  // Whatever went unrecorded before was saved or discarded since Modified
  // was last clear.
  if (!m_Modified)
    m_UnrecordedChanges = false;
  if (m_AllowUndo) {
    m_Journal.insert(m_Journal.begin(), std::move(record));
    if (m_MaxUndoLevels >= 0 && m_Journal.size() > static_cast<size_t>(m_MaxUndoLevels)) {
      m_JournalTruncated = true;
      m_Journal.resize(static_cast<size_t>(m_MaxUndoLevels));
    }
  } else {
    m_UnrecordedChanges = true;
  }
  m_Modified = true;
}

std::string TQuakePak::EntryRecord(int32_t index) const {
  std::string record;
  AppendEntryRecord(record, EntryName(index), EntryPosition(index), EntrySize(index));
  return record;
}

void TQuakePak::ParseEntryRecord(const std::string &piece, std::string &name, int32_t &position, int32_t &size) {
  std::string text;
  for (char c : piece)
    if (c != ':')
      text += c;
  name = UnescapeRecordName(SplitAt(text, ','));
  std::string positionText = SplitAt(text, ',');
  if (!positionText.empty())
    position = DecimalToInt32(positionText);
  if (!text.empty())
    size = DecimalToInt32(text);
}

// Whatever the other entries are called: an entry beside it in other letter
// case, or of the very same name, is another entry.
void TQuakePak::RestoreEntry(const std::string &name, int32_t position, int32_t size) {
  AppendDirectoryEntry(name, position, size);
}

bool TQuakePak::CanUndo() const { return m_AllowUndo && !m_FileName.empty() && CanModify() && !m_Journal.empty(); }

namespace {
// Reads the ":"-separated pieces of a record front to back, in time linear in
// the record's length however many pieces it has.
class TRecordReader {
public:
  explicit TRecordReader(const std::string &text) : m_Text(text) {}
  bool AtEnd() const { return m_At >= m_Text.size(); }
  // A piece of one character is a kind marker ("A", "D"): it is taken and returned.
  bool TakeMarker(char &marker) {
    if (m_At + 1 < m_Text.size() && m_Text[m_At] != ':' && m_Text[m_At + 1] == ':') {
      marker = m_Text[m_At];
      m_At += 2;
      return true;
    }
    return false;
  }
  // The text up to the next ":" (or the end), which is passed over.
  std::string Next() {
    auto colon = m_Text.find(':', m_At);
    std::string piece = m_Text.substr(m_At, colon == std::string::npos ? std::string::npos : colon - m_At);
    m_At = colon == std::string::npos ? m_Text.size() : colon + 1;
    return piece;
  }

private:
  const std::string &m_Text;
  size_t m_At = 0;
};
} // namespace

std::string TQuakePak::UndoEntryName() const {
  if (UndoKind() != 5)
    return {};
  const std::string text = m_Journal.front().substr(2);
  return UnescapeRecordName(TRecordReader(text).Next());
}

TResultCode TQuakePak::Undo() {
  if (!CanUndo())
    return prNothingToUndo;
  std::string record = m_Journal.front();
  m_Journal.erase(m_Journal.begin());
  char kind = record.empty() ? '\0' : record.front();
  std::string text = record.size() > 2 ? record.substr(2) : std::string();
  TRecordReader reader(text);
  m_NameIndex->Prepare(m_Directory, static_cast<size_t>(std::count(text.begin(), text.end(), ':')));
  int32_t position = 0;
  int32_t size = 0;
  std::string name;

  switch (kind) {
  case 'A':
  case 'U': {
    char marker = 'A';
    while (!reader.AtEnd()) {
      if (reader.TakeMarker(marker))
        continue;
      std::string piece = reader.Next();
      if (marker == 'A') {
        int32_t k = FindEntry(UnescapeRecordName(piece));
        if (k >= 0)
          RemoveEntryLater(k);
      } else {
        ParseEntryRecord(piece, name, position, size);
        RestoreEntry(name, position, size);
      }
    }
    CompactDirectory();
    break;
  }
  case 'D':
    while (!reader.AtEnd()) {
      ParseEntryRecord(reader.Next(), name, position, size);
      RestoreEntry(name, position, size);
    }
    break;
  case 'M':
  case 'R':
    while (!reader.AtEnd()) {
      std::string newName = UnescapeRecordName(reader.Next());
      std::string oldName = UnescapeRecordName(reader.Next());
      int32_t k = FindEntry(newName);
      if (k >= 0)
        RenameDirectoryEntry(k, oldName);
    }
    break;
  default:
    break;
  }
  // An empty journal means an unchanged archive only when every change since
  // the archive was opened had its record here and was undone.
  if (m_Journal.empty() && !m_JournalTruncated && !m_UnrecordedChanges)
    m_Modified = false;
  return prDone;
}
