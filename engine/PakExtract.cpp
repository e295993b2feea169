// Extracting entries to disk, flat or keeping their directories. Extraction
// only reads the archive file and the working file; it never changes the
// archive, so protected archives extract like any other.
#include "PakFile.h"
#include "PakInternal.h"
#include "PakQuake.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {
bool IsSeparator(char c) { return c == '/' || c == '\\'; }

} // namespace

// The relative disk path an entry name may be written under, confined to the
// destination: both separators split, a leading drive part ("C:") goes, and
// empty, "." and ".." components are dropped. Empty when the name has no file
// part (it ends in a separator, ".", or ".."): such an entry is passed over.
std::string ExtractionPath(const std::string &name, bool keepPaths) {
  std::string text = keepPaths ? name : EntryFileName(name);
  bool drive =
      text.size() >= 2 && text[1] == ':' && ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z'));
  if (drive)
    text = text.substr(2);
  std::string result;
  std::string component;
  bool lastWasFile = false;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && !IsSeparator(text[i])) {
      component += text[i];
      continue;
    }
    lastWasFile = !component.empty() && component != "." && component != "..";
    if (lastWasFile)
      result += (result.empty() ? "" : "/") + component;
    component.clear();
  }
  return lastWasFile ? result : std::string();
}

// Result: 0 done (also when files were kept because the handler declined to
// replace them), 1 empty name list, 3 empty destination (nothing is written:
// an empty path would put the files in whatever the current directory is),
// 7 no archive open; 7, then 1, then 3 are tested in that order. Names not in
// the archive are passed over without touching the disk. Every file is
// written below the destination, whatever its entry name says. Raises
// EInOutError when an entry cannot be read or its file not written; the files
// extracted before it stay, and the end of progress is still reported.
uint8_t TQuakePak::ExtractEntries(const TStringList &names, const std::string &destination, bool keepPaths) {
  if (m_FileName.empty())
    return prNoArchive;
  if (names.empty())
    return prEmptyList;
  if (destination.empty())
    return prNoPath;
  std::string folder = ToPathSlashes(destination);
  if (folder.back() != '/')
    folder += '/';

  m_ProgressTotal = 0;
  m_ProgressDone = 0;
  for (const std::string &name : names) {
    int32_t k = FindEntry(name);
    if (k >= 0)
      m_ProgressTotal += m_Directory[static_cast<size_t>(k)].Size;
  }

  ProgressStart();
  try {
    for (const std::string &name : names) {
      int32_t k = FindEntry(name);
      if (k < 0)
        continue;
      std::string relative = ExtractionPath(name, keepPaths);
      if (relative.empty())
        continue;
      std::string targetPath = folder + relative;
      ForceDirectories(PathDirectory(targetPath));
      if (SomethingAt(targetPath)) {
        bool replace = true;
        if (OnExtractFileExists)
          OnExtractFileExists(*this, targetPath, replace);
        // unlink, not a write through: a link standing there is removed, never followed.
        if (replace)
          ::unlink(targetPath.c_str());
      }
      if (!SomethingAt(targetPath))
        ExtractEntry(k, targetPath);
    }
  } catch (...) {
    ProgressEnd();
    throw;
  }
  ProgressEnd();
  return prDone;
}

// Copies the data of entry index into a new file at targetPath, from the
// archive file (position > 0) or the working file. An index out of range does
// nothing. Raises EInOutError when a file cannot be opened, read or written;
// a target file that was created is then removed, so no half-written file is left.
void TQuakePak::ExtractEntry(int32_t index, const std::string &targetPath) {
  if (index < 0 || index >= EntryCount())
    return;
  const TDirEntry &entry = m_Directory[static_cast<size_t>(index)];
  const std::string &sourceName = entry.Position > 0 ? m_FileName : m_WorkingFileName;
  int64_t offset = entry.Position > 0 ? int64_t{entry.Position} : -int64_t{entry.Position};
  int32_t size = entry.Size;

  TPakFile source(sourceName, TPakFile::ReadOnly);
  TPakFile target(targetPath, TPakFile::Create);
  try {
    source.Seek(offset);
    CopyBytes(source, target, size);
    target.Close();
  } catch (...) {
    // Unlinking an open file is fine here; the descriptor closes on the way out.
    ::unlink(targetPath.c_str());
    throw;
  }
}
