// SPDX-License-Identifier: GPL-3.0-or-later
// The bytes of the files a game view lists, through the engine's own file
// and copy code.
#include "GameFiles.h"

#include "PakCopy.h"
#include "PakFile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

TGameFiles::~TGameFiles() = default;

std::string TGameFiles::DiskPath(const TGameFile &file) const {
  const TGameSource &source = m_View.Sources[static_cast<size_t>(file.Source)];
  return source.IsArchive ? source.Path : source.Path + file.Name;
}

TQuakePak &TGameFiles::ArchiveOf(const TGameFile &file) {
  std::unique_ptr<TQuakePak> &pak = m_Archives[file.Source];
  if (!pak) {
    auto opened = std::make_unique<TQuakePak>();
    try {
      opened->OpenPakToRead(DiskPath(file));
    } catch (const EInvalidPakFile &) {
      throw EInOutError(DiskPath(file), "no longer a PAK file");
    }
    pak = std::move(opened);
  }
  if (pak->EntryName(file.Index) != file.Name)
    throw EInOutError(DiskPath(file), "changed on disk since the game folder was read");
  return *pak;
}

int64_t TGameFiles::PositionOf(const TGameFile &file) {
  return file.Index < 0 ? 0 : ArchiveOf(file).EntryPosition(file.Index);
}

std::string TGameFiles::ReadPart(const TGameFile &file, int64_t offset, int64_t count) {
  if (file.Index >= 0)
    return ArchiveOf(file).ReadEntryPart(file.Index, offset, count);
  const TPakFile source(DiskPath(file), TPakFile::ReadOnly);
  std::string bytes;
  if (offset < 0 || count <= 0)
    return bytes;
  // No more room than the file has past offset: a large count asks for "all of it".
  bytes.resize(static_cast<size_t>(std::clamp<int64_t>(source.Size() - offset, 0, count)));
  bytes.resize(static_cast<size_t>(source.ReadAt(bytes.data(), static_cast<int64_t>(bytes.size()), offset)));
  return bytes;
}

void TGameFiles::CopyTo(const TGameFile &file, const std::string &target) {
  if (file.Index >= 0) {
    ArchiveOf(file).ExtractEntry(file.Index, target);
    return;
  }
  const TPakFile source(DiskPath(file), TPakFile::ReadOnly);
  // A new file, never one reached through a link.
  const int descriptor = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (descriptor < 0)
    throw EInOutError(target, errno);
  TPakFile copy(descriptor, target);
  try {
    if (const TCopyOutcome outcome =
            CopyBetween(source.Descriptor(), 0, copy.Descriptor(), source.Size(), [](int64_t) {});
        outcome.Error != 0)
      RaiseCopyFailure(outcome, source.Path(), target);
    copy.Close();
  } catch (...) {
    ::unlink(target.c_str());
    throw;
  }
}
