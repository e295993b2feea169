// SPDX-License-Identifier: GPL-3.0-or-later
// The commands that only read an archive: list, cat, extract, check.
#include "CliArchive.h"
#include "CliCommands.h"
#include "CliOutput.h"
#include "CliQuake.h"
#include "QuakeCheck.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <span>
#include <unistd.h>

namespace {

int List(const TArgs &args) {
  const std::string &path = args.Operands[0];
  if (NamesWad(path))
    return WadList(args);
  args.Exclusive("json", "null");
  const bool json = args.Has("json");
  const bool details = args.Has("long");
  // NUL-terminated names are for programs: byte for byte wherever they go.
  const bool nulls = args.Has("null");
  // The records are read in batches through one bounded buffer, no
  // directory is built, and the lines are made in one buffer, straight from
  // the names, and written a large piece at a time.
  const std::unique_ptr<TDirectoryReader> reader = OpenDirectory(path);
  constexpr size_t Piece = 1 << 20;
  if (!json && !details && (nulls || OutLinesAreBytes())) {
    // Names byte for byte, each ended by its separator: every name field is
    // copied whole (a fixed-size copy the compiler inlines) and the next line
    // starts after the name itself.
    const char separator = nulls ? '\0' : '\n';
    const auto lines = std::make_unique_for_overwrite<char[]>(Piece + PakFormat::NameSize + 1);
    size_t used = 0;
    for (std::span<const TRecordView> records = reader->Next(); !records.empty(); records = reader->Next()) {
      for (const TRecordView &record : records) {
        std::memcpy(lines.get() + used, record.Name.data(), PakFormat::NameSize);
        used += record.Name.size();
        lines[used++] = separator;
        if (used >= Piece) {
          WriteOut({lines.get(), used});
          used = 0;
        }
      }
    }
    WriteOut({lines.get(), used});
    FinishOutput();
    return ReportDamage(reader->Damage(), path) ? ExitProblems : ExitDone;
  }
  std::string out;
  out.reserve(Piece + 1024);
  auto appendNumber = [&out](int32_t value) {
    char digits[16];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
  };
  for (std::span<const TRecordView> records = reader->Next(); !records.empty(); records = reader->Next()) {
    for (const TRecordView &record : records) {
      if (json) {
        out += "{\"name\":";
        AppendJsonString(out, record.Name);
        out += ",\"size\":";
        appendNumber(record.Size);
        out += ",\"offset\":";
        appendNumber(record.Position);
        out += "}\n";
      } else {
        if (details) {
          char columns[32];
          out.append(columns, static_cast<size_t>(
                                  std::snprintf(columns, sizeof columns, "%10d %10d ", record.Size, record.Position)));
        }
        if (nulls) {
          out += record.Name;
          out += '\0';
        } else {
          AppendOutLine(out, record.Name);
        }
      }
    }
    if (out.size() >= Piece) {
      WriteOut(out);
      out.clear();
    }
  }
  WriteOut(out);
  FinishOutput();
  return ReportDamage(reader->Damage(), path) ? ExitProblems : ExitDone;
}

// Writes size bytes of path from offset to standard output.
void CopyToOutput(const std::string &path, int64_t offset, int64_t size) {
  struct TClosing {
    int Fd;
    ~TClosing() {
      if (Fd >= 0)
        ::close(Fd);
    }
  } file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
  if (file.Fd < 0)
    throw EInOutError(path, errno);
  FinishOutput();
  auto buffer = std::make_unique<char[]>(PakFormat::BlockSize);
  while (size > 0) {
    ThrowIfInterrupted();
    const ssize_t got =
        ::pread(file.Fd, buffer.get(), static_cast<size_t>(std::min<int64_t>(size, PakFormat::BlockSize)),
                static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR)
      continue;
    if (got <= 0)
      throw EInOutError(path, got < 0 ? errno : EIO);
    for (ssize_t written = 0; written < got;) {
      const ssize_t put = ::write(STDOUT_FILENO, buffer.get() + written, static_cast<size_t>(got - written));
      if (put < 0 && errno == EINTR)
        continue;
      if (put < 0)
        throw ECliFailure(std::string("standard output: ") + std::strerror(errno));
      written += put;
    }
    offset += got;
    size -= got;
  }
}

int Cat(const TArgs &args) {
  const std::string &path = args.Operands[0];
  const std::string &name = args.Operands[1];
  TQuakePak pak;
  OpenArchive(pak, path);
  const int32_t index = pak.FindEntry(name);
  if (index < 0)
    throw ECliFailure(path + ": " + name + ": no such entry");
  const TDirEntry &entry = pak.Directory()[static_cast<size_t>(index)];
  if (!EntryDataInFile(entry, ArchiveFileSize(path)))
    throw ECliFailure(path + ": " + entry.Name.Str() + ": its data lies outside the archive file");
  CopyToOutput(path, entry.Position, entry.Size);
  return ExitDone;
}

int Extract(const TArgs &args) {
  const std::string &path = args.Operands[0];
  if (NamesWad(path))
    return WadExtract(args);
  args.Exclusive("overwrite", "skip-existing");
  const bool overwrite = args.Has("overwrite");
  const bool skipExisting = args.Has("skip-existing");
  const bool keepPaths = !args.Has("flat");
  const std::string destination = args.Value("output", ".");
  if (destination.empty())
    throw EUsage("-o needs a folder");

  TQuakePak pak;
  OpenArchive(pak, path);
  bool problems = ReportDamage(pak, path);
  const TMatched matched = MatchEntries(pak, std::vector<std::string>(args.Operands.begin() + 1, args.Operands.end()));
  problems = ReportUnmatched(matched, path) || problems;

  // The engine extracts by name, and of the entries of one name, the last
  // (the one it finds by that name); each name goes once. Names that differ
  // in letter case are two entries.
  const int64_t fileSize = ArchiveFileSize(path);
  TStringList names;
  names.reserve(matched.Indexes.size());
  for (int32_t index : matched.Indexes) {
    const TDirEntry &entry = pak.Directory()[static_cast<size_t>(index)];
    const std::string name = entry.Name.Str();
    if (pak.FindEntry(name) != index) {
      ReportError(path + ": " + name + ": a later entry has the same name; only that one is extracted");
      problems = true;
      continue;
    }
    const std::string relative = ExtractionPath(name, keepPaths);
    const std::string asNamed = keepPaths ? TQuakePak::ToEntrySlashes(name) : EntryFileName(name);
    std::string refusal;
    if (!EntryDataInFile(entry, fileSize))
      refusal = "its data lies outside the archive file";
    else if (relative.empty())
      refusal = "its name names no file";
    if (!refusal.empty()) {
      ReportError(path + ": " + name + ": not extracted: " + refusal);
      problems = true;
      continue;
    }
    // The engine keeps every file inside the destination: a name that is
    // not a plain relative path ("../x", "/x", "C:x", "a//b") is made one.
    if (relative != asNamed) {
      ReportError(path + ": " + name + ": not a plain relative path; extracted as " + relative);
      problems = true;
    }
    names.push_back(name);
  }
  if (names.empty())
    return problems ? ExitProblems : ExitDone;

  pak.OnExtractFileExists = [&](TQuakePak &, const std::string &file, bool &replace) {
    replace = overwrite;
    if (!overwrite && !skipExisting) {
      ReportError(file + ": exists; not replaced (use --overwrite or --skip-existing)");
      problems = true;
    }
  };
  TProgressLine progress(pak, "extracting", Quiet(args));
  const uint8_t result = pak.ExtractEntries(names, destination, keepPaths);
  problems = ReportFailures(pak, path + ": ") || problems;
  if (result != prDone && result != prWriteFailed)
    throw ECliFailure(ResultText(result, path));
  return problems ? ExitProblems : ExitDone;
}

void WriteFinding(const std::string &path, const TCheckFinding &finding, bool json) {
  const char *severity = finding.Severity == csError ? "error" : "warning";
  if (json)
    WriteOut("{\"archive\":" + JsonString(path) + ",\"index\":" + std::to_string(finding.Index) +
             ",\"entry\":" + JsonString(finding.Entry) + ",\"severity\":\"" + severity +
             "\",\"message\":" + JsonString(finding.Message) + "}\n");
  else
    WriteOutLine(path + ": " + (finding.Index >= 0 ? finding.Entry + ": " : std::string()) + severity + ": " +
                 finding.Message);
}

// The entries the header of an archive lists; asked only of an archive the
// check found sound, whose header is right.
uint32_t ListedEntries(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  unsigned char header[PakFormat::HeaderSize] = {};
  file.read(reinterpret_cast<char *>(header), sizeof header);
  uint32_t size = 0;
  for (int i = 3; i >= 0; --i)
    size = (size << 8) | header[PakFormat::DirectorySizeOffset + i];
  return size / PakFormat::RecordSize;
}

int Check(const TArgs &args) {
  bool found = false;
  bool failed = false;
  const std::string quakeDirectory = args.Value("quake-dir");
  const TEngineProfile *profile = GameProfile(args);
  if (args.Has("quake-dir") && !TQuakePak::IsQuakeDirectory(quakeDirectory))
    throw ECliFailure(quakeDirectory + ": not a Quake directory (it has no id1/pak0.pak)");
  for (const std::string &path : args.Operands) {
    ThrowIfInterrupted();
    TCheckFindings findings;
    try {
      // The look inside the entries (WADs, maps, models, sprites, pictures),
      // each entry's after its own; the entries to look into are taken from
      // the check's one reading of the directory.
      TCheckFindings inside;
      if (quakeDirectory.empty()) {
        TInsideCheck insideCheck;
        findings = CheckArchiveFile(path, [&insideCheck](int64_t first, std::span<const TRecordView> records) {
          insideCheck.Visit(first, records);
        });
        inside = insideCheck.Check(path);
      } else {
        findings = CheckArchiveFileInGame(path, quakeDirectory, *profile);
        inside = CheckArchiveInside(path);
      }
      findings.insert(findings.end(), inside.begin(), inside.end());
      std::stable_sort(findings.begin(), findings.end(),
                       [](const TCheckFinding &a, const TCheckFinding &b) { return a.Index < b.Index; });
    } catch (const EInOutError &error) {
      ReportError(error.what());
      failed = true;
      continue;
    }
    for (const TCheckFinding &finding : findings)
      WriteFinding(path, finding, args.Has("json"));
    if (findings.empty() && !Quiet(args) && !args.Has("json")) {
      const uint32_t entries = ListedEntries(path);
      WriteOutLine(path + ": no problems found (" + GroupedNumber(entries) + (entries == 1 ? " entry)" : " entries)"));
    }
    found = found || !findings.empty();
  }
  FinishOutput();
  return failed ? ExitFailed : found ? ExitProblems : ExitDone;
}

} // namespace

std::vector<TNamedRun> ReadingCommands() { return {{"list", List}, {"cat", Cat}, {"extract", Extract}, {"check", Check}}; }
