// SPDX-License-Identifier: GPL-3.0-or-later
// Two archives compared entry by entry.
#include "PakFile.h"
#include "PakInternal.h"
#include "PakQuake.h"

#include <memory>
#include <unordered_map>

namespace {

struct TOpenArchive {
  explicit TOpenArchive(const std::string &path) : File(path, TPakFile::ReadOnly) {
    if (!HasPakMagic(File))
      throw EInvalidPakFile();
    ReadDirectoryOf(File, Directory, nullptr);
    Size = File.Size();
  }
  TPakFile File;
  std::vector<TDirEntry> Directory;
  int64_t Size = 0;
};

// FNV-1a over the bytes of the entry that the file holds.
uint64_t ContentHash(const TOpenArchive &archive, const TDirEntry &entry, char *buffer) {
  uint64_t hash = 0xcbf29ce484222325ull;
  if (entry.Position <= 0 || entry.Size <= 0)
    return hash;
  int64_t offset = entry.Position;
  int64_t left = std::min<int64_t>(entry.Size, archive.Size - offset);
  while (left > 0) {
    const int64_t got = archive.File.ReadAt(buffer, std::min<int64_t>(left, PakFormat::BlockSize), offset);
    if (got <= 0)
      break;
    for (int64_t i = 0; i < got; ++i) {
      hash ^= static_cast<unsigned char>(buffer[i]);
      hash *= 0x100000001b3ull;
    }
    offset += got;
    left -= got;
  }
  return hash;
}

} // namespace

std::vector<TEntryComparison> CompareArchives(const std::string &first, const std::string &second) {
  const TOpenArchive a(first);
  const TOpenArchive b(second);
  // Name -> the second archive's entries of that name, in directory order,
  // and how many of them the first archive has paired so far.
  std::unordered_map<std::string_view, std::vector<int32_t>> secondByName;
  secondByName.reserve(b.Directory.size());
  for (size_t i = 0; i < b.Directory.size(); ++i)
    secondByName[b.Directory[i].Name.View()].push_back(static_cast<int32_t>(i));
  std::unordered_map<std::string_view, size_t> paired;
  std::vector<bool> secondPaired(b.Directory.size(), false);
  const auto buffer = std::make_unique<char[]>(PakFormat::BlockSize);

  std::vector<TEntryComparison> result;
  result.reserve(a.Directory.size());
  for (size_t i = 0; i < a.Directory.size(); ++i) {
    const TDirEntry &entry = a.Directory[i];
    TEntryComparison comparison{edOnlyInFirst, entry.Name.Str(), static_cast<int32_t>(i), -1, entry.Size, -1};
    const auto candidates = secondByName.find(entry.Name.View());
    size_t &used = paired[entry.Name.View()];
    if (candidates != secondByName.end() && used < candidates->second.size()) {
      const int32_t j = candidates->second[used++];
      const TDirEntry &other = b.Directory[static_cast<size_t>(j)];
      secondPaired[static_cast<size_t>(j)] = true;
      comparison.SecondIndex = j;
      comparison.SecondSize = other.Size;
      const bool same =
          entry.Size == other.Size && ContentHash(a, entry, buffer.get()) == ContentHash(b, other, buffer.get());
      comparison.Kind = same ? edIdentical : edDiffering;
    }
    result.push_back(std::move(comparison));
  }
  for (size_t j = 0; j < b.Directory.size(); ++j)
    if (!secondPaired[j])
      result.push_back(
          {edOnlyInSecond, b.Directory[j].Name.Str(), -1, static_cast<int32_t>(j), -1, b.Directory[j].Size});
  return result;
}
