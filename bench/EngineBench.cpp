// SPDX-License-Identifier: GPL-3.0-or-later
// varnel_engine_bench: one engine job per run, for engine-bench.sh to time
// against a plain shell command doing the same amount of copying. Each job
// goes through the public interface of TQuakePak only, checks every result
// and exits non-zero on anything unexpected, so a wrong result never passes
// for a fast one. The make-* commands write the deterministic test data.
//
//   varnel_engine_bench pack TREE OUT.pak
//   varnel_engine_bench unpack PAK DIR
//   varnel_engine_bench open PAK
//   varnel_engine_bench delete-one PAK
//   varnel_engine_bench delete-tenth PAK
//   varnel_engine_bench resave PAK
//   varnel_engine_bench add PAK TREE
//   varnel_engine_bench make-tree DIR FILES FOLDERS MINSIZE MAXSIZE SEED PREFIX
//   varnel_engine_bench make-pak OUT.pak ENTRIES SIZE SEED
//
// The engine jobs need a Quake installation and a temporary folder: both are
// taken from VARNEL_BENCH_QUAKE and VARNEL_BENCH_TEMP, else made next to the
// archive (a folder "bench-quake" holding id1/pak0.pak with no entries, and a
// folder "bench-temp"). Each engine job prints its phase times in
// nanoseconds on stdout, one "phase=ns" a line.
#include "PakQuake.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Raised for any failure; main reports it once the engine has been destroyed
// (and so has removed its private folder).
class EBenchFailure : public std::runtime_error {
public:
  explicit EBenchFailure(const std::string &message) : std::runtime_error(message) {}
};

[[noreturn]] void Fail(const std::string &message) { throw EBenchFailure(message); }

std::string ResultText(uint8_t code) { return "result code " + std::to_string(code); }

void Check(uint8_t code, const char *what) {
  if (code != prDone)
    Fail(std::string(what) + " failed: " + ResultText(code));
}

void CheckNoFailures(const TQuakePak &pak, const char *what) {
  if (pak.Failures().empty())
    return;
  std::string text = std::string(what) + " left " + std::to_string(pak.Failures().size()) + " failure(s), first: ";
  Fail(text + pak.Failures().front());
}

// --- timing of the phases of one job

using TClock = std::chrono::steady_clock;

class TPhases {
public:
  TPhases() : m_Start(TClock::now()) {}
  // Ends the current phase under this name and starts the next.
  void Mark(const char *name) {
    const TClock::time_point now = TClock::now();
    std::printf("%s=%lld\n", name,
                static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now - m_Start).count()));
    m_Start = now;
  }

private:
  TClock::time_point m_Start;
};

// --- deterministic data

// SplitMix64: fast, and the same bytes on every machine for a seed.
class TRandom {
public:
  explicit TRandom(uint64_t seed) : m_State(seed) {}
  uint64_t Next() {
    uint64_t z = (m_State += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform enough in [low, high] for sizing test files.
  int64_t Between(int64_t low, int64_t high) {
    return low + static_cast<int64_t>(Next() % static_cast<uint64_t>(high - low + 1));
  }
  void Fill(std::vector<char> &bytes, size_t count) {
    bytes.resize(count);
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
      const uint64_t word = Next();
      std::memcpy(bytes.data() + i, &word, 8);
    }
    if (i < count) {
      const uint64_t word = Next();
      std::memcpy(bytes.data() + i, &word, count - i);
    }
  }

private:
  uint64_t m_State;
};

void MakeDirectory(const std::string &path) {
  if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST)
    Fail("cannot create " + path + ": " + std::strerror(errno));
}

void WriteAll(int fd, const char *data, size_t count, const std::string &path) {
  while (count > 0) {
    const ssize_t written = ::write(fd, data, count);
    if (written < 0 && errno == EINTR)
      continue;
    if (written <= 0)
      Fail("cannot write " + path + ": " + std::strerror(errno));
    data += written;
    count -= static_cast<size_t>(written);
  }
}

void WriteFile(const std::string &path, const std::vector<char> &bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0)
    Fail("cannot create " + path + ": " + std::strerror(errno));
  WriteAll(fd, bytes.data(), bytes.size(), path);
  if (::close(fd) != 0)
    Fail("cannot close " + path + ": " + std::strerror(errno));
}

std::string Numbered(const char *format, long long value) {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

int64_t Number(const char *text, const char *what) {
  char *end = nullptr;
  errno = 0;
  const long long value = std::strtoll(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || value < 0)
    Fail(std::string("bad ") + what + ": " + text);
  return value;
}

// A tree of FILES files in FOLDERS folders below DIR: top folders
// PREFIXnn, each followed by up to ten sub-folders sN; the files go round the
// folders in turn, each of a random size in [MINSIZE, MAXSIZE] and random
// bytes. Every name stays well inside an entry name's 56 bytes.
int MakeTree(const std::string &root, int64_t files, int64_t folders, int64_t minSize, int64_t maxSize, uint64_t seed,
             const std::string &prefix) {
  if (folders < 1 || minSize > maxSize)
    Fail("make-tree: need at least one folder and MINSIZE <= MAXSIZE");
  MakeDirectory(root);
  std::vector<std::string> paths;
  std::string top;
  for (int64_t made = 0, sub = 10; made < folders; ++made) {
    if (sub == 10) {
      top = root + "/" + prefix + Numbered("%02lld", static_cast<long long>(paths.size() / 11));
      paths.push_back(top);
      sub = 0;
    } else {
      paths.push_back(top + "/s" + std::to_string(sub++));
    }
    MakeDirectory(paths.back());
  }
  TRandom sizes(seed);
  std::vector<char> bytes;
  for (int64_t i = 0; i < files; ++i) {
    TRandom content(seed * 1000003u + static_cast<uint64_t>(i));
    content.Fill(bytes, static_cast<size_t>(sizes.Between(minSize, maxSize)));
    WriteFile(paths[static_cast<size_t>(i % folders)] + Numbered("/f%06lld.dat", i), bytes);
  }
  return 0;
}

void AppendInt32(std::string &bytes, int64_t value) {
  const auto word = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i)
    bytes.push_back(static_cast<char>((word >> (8 * i)) & 0xFF));
}

// A PAK file of ENTRIES entries of SIZE random bytes each, named
// pNN/eNNNNNNN.dat over 100 folders, written directly rather than through
// the engine so that making it costs nothing worth waiting for.
int MakePak(const std::string &path, int64_t entries, int64_t size, uint64_t seed) {
  if (PakFormat::HeaderSize + entries * (size + PakFormat::RecordSize) > PakFormat::MaxArchiveSize)
    Fail("make-pak: too large for a PAK file");
  std::string bytes = "PACK";
  AppendInt32(bytes, PakFormat::HeaderSize + entries * size);
  AppendInt32(bytes, entries * PakFormat::RecordSize);
  TRandom random(seed);
  std::vector<char> data;
  random.Fill(data, static_cast<size_t>(entries * size));
  bytes.append(data.data(), data.size());
  for (int64_t i = 0; i < entries; ++i) {
    std::string name = Numbered("p%02lld/", i % 100) + Numbered("e%07lld.dat", i);
    name.resize(PakFormat::NameSize, '\0');
    bytes += name;
    AppendInt32(bytes, PakFormat::HeaderSize + i * size);
    AppendInt32(bytes, size);
  }
  WriteFile(path, std::vector<char>(bytes.begin(), bytes.end()));
  return 0;
}

// --- the engine jobs

std::string Absolute(const std::string &path) {
  if (!path.empty() && path.front() == '/')
    return path;
  std::vector<char> buffer(4096);
  if (::getcwd(buffer.data(), buffer.size()) == nullptr)
    Fail(std::string("getcwd: ") + std::strerror(errno));
  return std::string(buffer.data()) + "/" + path;
}

std::string DirectoryOf(const std::string &path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos || slash == 0 ? "/" : path.substr(0, slash);
}

// A Quake installation with a stock archive of no entries: just enough for
// the engine to accept the folder.
std::string FakeQuake(const std::string &near) {
  const char *given = std::getenv("VARNEL_BENCH_QUAKE");
  const std::string quake = given != nullptr && *given != '\0' ? std::string(given) : near + "/bench-quake";
  const std::string stock = quake + "/id1/pak0.pak";
  struct stat info {};
  if (::stat(stock.c_str(), &info) != 0) {
    MakeDirectory(quake);
    MakeDirectory(quake + "/id1");
    std::string header = "PACK";
    AppendInt32(header, PakFormat::HeaderSize);
    AppendInt32(header, 0);
    WriteFile(stock, std::vector<char>(header.begin(), header.end()));
  }
  return quake;
}

std::string TempFolder(const std::string &near) {
  const char *given = std::getenv("VARNEL_BENCH_TEMP");
  const std::string temp = given != nullptr && *given != '\0' ? std::string(given) : near + "/bench-temp";
  MakeDirectory(temp);
  return temp;
}

void SetUp(TQuakePak &pak, const std::string &near) {
  pak.SetQuakeDirectory(FakeQuake(near));
  const std::string temp = TempFolder(near);
  pak.SetTempDirectory(temp);
  if (pak.TempDirectory().empty())
    Fail("the engine did not take the temporary folder " + temp);
}

void Open(TQuakePak &pak, const std::string &path) {
  pak.OpenPak(path);
  if (pak.FileName().empty())
    Fail("nothing open after opening " + path);
  if (!pak.Damage().empty())
    Fail(path + " is damaged: " + pak.Damage().front());
}

// Adds every file below tree under its path relative to tree; fails when the
// engine left out any file.
void AddTree(TQuakePak &pak, const std::string &tree, int32_t expectedBefore) {
  TStringList paths{tree};
  const uint8_t result = pak.AddFiles(paths, tree + "/", "", true);
  CheckNoFailures(pak, "AddFiles");
  Check(result, "AddFiles");
  if (paths.empty())
    Fail("AddFiles found no files in " + tree);
  const int64_t expected = expectedBefore + static_cast<int64_t>(paths.size());
  if (pak.EntryCount() != expected)
    Fail("after adding " + std::to_string(paths.size()) + " files the archive holds " +
         std::to_string(pak.EntryCount()) + " entries, not " + std::to_string(expected));
}

int Pack(const std::string &tree, const std::string &out) {
  TPhases phases;
  TQuakePak pak;
  SetUp(pak, DirectoryOf(out));
  pak.NewPak();
  phases.Mark("setup");
  AddTree(pak, tree, 0);
  phases.Mark("add");
  Check(pak.SavePakAs(out), "SavePakAs");
  phases.Mark("save");
  return 0;
}

int Unpack(const std::string &archive, const std::string &destination) {
  TPhases phases;
  TQuakePak pak;
  SetUp(pak, DirectoryOf(archive));
  Open(pak, archive);
  phases.Mark("open");
  TStringList names;
  names.reserve(pak.Directory().size());
  for (const TDirEntry &entry : pak.Directory())
    names.push_back(entry.Name);
  if (names.empty())
    Fail(archive + " holds no entries");
  Check(pak.ExtractEntries(names, destination, true), "ExtractEntries");
  CheckNoFailures(pak, "ExtractEntries");
  phases.Mark("extract");
  return 0;
}

int OpenOnly(const std::string &archive) {
  TPhases phases;
  TQuakePak pak;
  SetUp(pak, DirectoryOf(archive));
  Open(pak, archive);
  if (pak.EntryCount() == 0)
    Fail(archive + " holds no entries");
  phases.Mark("open");
  return 0;
}

// Opens the archive for an edit, marks the open's phase; its entry count.
int32_t OpenToEdit(TQuakePak &pak, const std::string &archive, TPhases &phases) {
  SetUp(pak, DirectoryOf(archive));
  Open(pak, archive);
  phases.Mark("open");
  if (pak.EntryCount() == 0)
    Fail(archive + " holds no entries");
  return pak.EntryCount();
}

int DeleteOne(const std::string &archive) {
  TPhases phases;
  TQuakePak pak;
  const int32_t count = OpenToEdit(pak, archive, phases);
  // The middle entry: neither end of the directory is a special case to the engine.
  Check(pak.DeleteEntries({pak.EntryName(count / 2)}), "DeleteEntries");
  if (pak.EntryCount() != count - 1)
    Fail("DeleteEntries removed " + std::to_string(count - pak.EntryCount()) + " entries, not one");
  phases.Mark("delete");
  Check(pak.SavePak(), "SavePak");
  phases.Mark("save");
  return 0;
}

// Deletes every tenth entry (the 10th, 20th, ...) and saves: the data left
// lies in runs of nine entries between the gaps.
int DeleteTenth(const std::string &archive) {
  TPhases phases;
  TQuakePak pak;
  const int32_t count = OpenToEdit(pak, archive, phases);
  TStringList names;
  names.reserve(static_cast<size_t>(count / 10));
  for (int32_t i = 9; i < count; i += 10)
    names.push_back(pak.EntryName(i));
  if (names.empty())
    Fail(archive + " holds fewer than ten entries");
  Check(pak.DeleteEntries(names), "DeleteEntries");
  if (pak.EntryCount() != count - static_cast<int32_t>(names.size()))
    Fail("DeleteEntries removed " + std::to_string(count - pak.EntryCount()) + " entries, not " +
         std::to_string(names.size()));
  phases.Mark("delete");
  Check(pak.SavePak(), "SavePak");
  phases.Mark("save");
  return 0;
}

int Resave(const std::string &archive) {
  TPhases phases;
  TQuakePak pak;
  SetUp(pak, DirectoryOf(archive));
  Open(pak, archive);
  phases.Mark("open");
  Check(pak.SavePak(), "SavePak");
  phases.Mark("save");
  return 0;
}

int Add(const std::string &archive, const std::string &tree) {
  TPhases phases;
  TQuakePak pak;
  SetUp(pak, DirectoryOf(archive));
  Open(pak, archive);
  phases.Mark("open");
  AddTree(pak, tree, pak.EntryCount());
  phases.Mark("add");
  Check(pak.SavePak(), "SavePak");
  phases.Mark("save");
  return 0;
}

int Usage() {
  std::fputs("usage: varnel_engine_bench pack TREE OUT.pak | unpack PAK DIR | open PAK | delete-one PAK |\n"
             "       delete-tenth PAK | resave PAK | add PAK TREE |\n"
             "       make-tree DIR FILES FOLDERS MINSIZE MAXSIZE SEED PREFIX | make-pak OUT.pak ENTRIES SIZE SEED\n",
             stderr);
  return 2;
}

int Run(const std::vector<std::string> &args) {
  if (args.empty())
    return Usage();
  const std::string &job = args[0];
  const size_t n = args.size() - 1;
  auto path = [&](size_t i) {
    std::string text = Absolute(args[i]);
    while (text.size() > 1 && text.back() == '/')
      text.pop_back();
    return text;
  };
  if (job == "pack" && n == 2)
    return Pack(path(1), path(2));
  if (job == "unpack" && n == 2)
    return Unpack(path(1), path(2));
  if (job == "open" && n == 1)
    return OpenOnly(path(1));
  if (job == "delete-one" && n == 1)
    return DeleteOne(path(1));
  if (job == "delete-tenth" && n == 1)
    return DeleteTenth(path(1));
  if (job == "resave" && n == 1)
    return Resave(path(1));
  if (job == "add" && n == 2)
    return Add(path(1), path(2));
  if (job == "make-tree" && n == 7)
    return MakeTree(path(1), Number(args[2].c_str(), "FILES"), Number(args[3].c_str(), "FOLDERS"),
                    Number(args[4].c_str(), "MINSIZE"), Number(args[5].c_str(), "MAXSIZE"),
                    static_cast<uint64_t>(Number(args[6].c_str(), "SEED")), args[7]);
  if (job == "make-pak" && n == 4)
    return MakePak(path(1), Number(args[2].c_str(), "ENTRIES"), Number(args[3].c_str(), "SIZE"),
                   static_cast<uint64_t>(Number(args[4].c_str(), "SEED")));
  return Usage();
}

} // namespace

int main(int argc, char **argv) {
  try {
    return Run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const EBenchFailure &failure) {
    std::fprintf(stderr, "varnel_engine_bench: %s\n", failure.what());
  } catch (const std::exception &error) {
    std::fprintf(stderr, "varnel_engine_bench: the engine raised: %s\n", error.what());
  }
  return 1;
}
