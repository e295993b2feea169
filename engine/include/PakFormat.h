// SPDX-License-Identifier: GPL-3.0-or-later
// The byte layout of a PAK file and the directory entry that stands for one
// record of it. Included through PakQuake.h.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

using TStringList = std::vector<std::string>;

namespace PakFormat {
// Header, entry data, directory of fixed records; little-endian 32-bit fields.
inline constexpr int32_t HeaderSize = 12;
inline constexpr int32_t DirectoryPositionOffset = 4; // within the header
inline constexpr int32_t DirectorySizeOffset = 8;     // within the header
inline constexpr int32_t RecordSize = 64;
inline constexpr int32_t NameSize = 56;
inline constexpr int32_t PositionOffset = 56; // within a record
inline constexpr int32_t SizeOffset = 60;     // within a record
inline constexpr char Magic[4] = {'P', 'A', 'C', 'K'};
// Offsets and sizes are 32-bit signed: an archive ends below this.
inline constexpr int64_t MaxArchiveSize = 0x7FFFFFFF;
// Every copy streams through one buffer of this many bytes.
inline constexpr int32_t BlockSize = 65528;
// The most entries the original game, and the engines that follow it, load
// from one archive: it refuses an archive that holds more.
inline constexpr int32_t MaxGameEntries = 2048;

// The length of the name in a record's name field: up to its first zero
// byte, or all NameSize bytes when it has none. Reads the NameSize bytes of
// the field and nothing past them, 16 at a time where the processor can.
inline size_t NameFieldLength(const char *field) noexcept {
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const auto zeros = [&](__m128i bytes) {
    return static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, zero))));
  };
  static_assert(NameSize == 56);
  const uint64_t found =
      zeros(_mm_loadu_si128(reinterpret_cast<const __m128i *>(field))) |
      zeros(_mm_loadu_si128(reinterpret_cast<const __m128i *>(field + 16))) << 16 |
      zeros(_mm_loadu_si128(reinterpret_cast<const __m128i *>(field + 32))) << 32 |
      (zeros(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(field + 48))) & 0xFF) << 48;
  return found != 0 ? static_cast<size_t>(std::countr_zero(found)) : size_t{NameSize};
#else
  return ::strnlen(field, NameSize);
#endif
}
} // namespace PakFormat

// An entry name as a directory record holds it: at most PakFormat::NameSize
// bytes, kept inline, so that a directory of many entries costs no allocation
// per name. It reads as a std::string or std::string_view wherever one is
// expected. Made from longer text it keeps the first NameSize bytes, as the
// record would: whatever makes names refuses longer ones beforehand.
class TEntryName {
public:
  TEntryName() = default;
  TEntryName(std::string_view text) noexcept { Assign(text); }
  TEntryName(const std::string &text) noexcept { Assign(text); }
  TEntryName(const char *text) noexcept { Assign(text); }

  std::string_view View() const noexcept { return {m_Bytes, m_Size}; }
  operator std::string_view() const noexcept { return View(); }
  operator std::string() const { return std::string(View()); }
  std::string Str() const { return std::string(View()); }
  const char *data() const noexcept { return m_Bytes; }
  size_t size() const noexcept { return m_Size; }
  bool empty() const noexcept { return m_Size == 0; }
  char operator[](size_t index) const noexcept { return m_Bytes[index]; }
  char front() const noexcept { return m_Bytes[0]; }
  char back() const noexcept { return m_Bytes[m_Size - 1]; }

  friend bool operator==(const TEntryName &a, const TEntryName &b) noexcept { return a.View() == b.View(); }
  friend bool operator==(const TEntryName &a, std::string_view b) noexcept { return a.View() == b; }
  friend bool operator==(const TEntryName &a, const std::string &b) noexcept { return a.View() == b; }
  friend bool operator==(const TEntryName &a, const char *b) noexcept { return a.View() == b; }
  friend std::ostream &operator<<(std::ostream &out, const TEntryName &name) { return out << name.View(); }
  friend std::string operator+(const TEntryName &a, std::string_view b) { return std::string(a.View()).append(b); }
  friend std::string operator+(std::string_view a, const TEntryName &b) { return std::string(a).append(b.View()); }

  // Takes the first NameSize bytes of text.
  void Assign(std::string_view text) noexcept {
    m_Size = static_cast<uint8_t>(text.size() < sizeof m_Bytes ? text.size() : sizeof m_Bytes);
    text.copy(m_Bytes, m_Size);
  }
  // Takes a directory record's name field: all NameSize bytes are copied at
  // once (what follows the name is never read), the name ends at the first
  // zero byte or fills the field.
  void AssignField(const char *field) noexcept {
    std::memcpy(m_Bytes, field, sizeof m_Bytes);
    m_Size = static_cast<uint8_t>(PakFormat::NameFieldLength(m_Bytes));
  }
  // The same for a field whose name's length is known (at most NameSize).
  void AssignField(const char *field, size_t length) noexcept {
    std::memcpy(m_Bytes, field, sizeof m_Bytes);
    m_Size = static_cast<uint8_t>(length);
  }

private:
  char m_Bytes[PakFormat::NameSize] = {};
  uint8_t m_Size = 0;
};

// One directory entry. Position > 0: offset in the archive file; Position <= 0:
// offset -Position in the working file.
struct TDirEntry {
  TEntryName Name;
  int32_t Position = 0;
  int32_t Size = 0;
};

// One record of a directory as read from a file (TDirectoryReader). Name is
// the record's name field up to its first zero byte (all NameSize bytes when
// it has none), and Name.data() is the start of the whole field; it lies in
// the reader's buffer and holds until the reader reads on.
struct TRecordView {
  std::string_view Name;
  int32_t Position = 0;
  int32_t Size = 0;
};

// Appends an entry to a directory list; the name keeps its first NameSize bytes.
void AppendEntry(std::vector<TDirEntry> &list, std::string_view name, int32_t position, int32_t size);
