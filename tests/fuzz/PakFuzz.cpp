// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzing the reading side of the engine. Each input is written as an archive
// file and driven through everything that reads one: opening, the entry list,
// extraction with and without paths, picture decoding and saving a copy. What
// the engine reports through std::runtime_error is expected; what it returns
// is compared against the input bytes themselves, and after every input the
// folders around the scratch folder must be as they were.
//
// Built as a libFuzzer program with clang (see tests/README.md); run it with
// an allocation limit so that an input that makes the engine allocate far
// beyond its own size is reported, for example
//   varnel_pak_fuzz -max_len=4096 -malloc_limit_mb=64 -rss_limit_mb=1024 CORPUS
#include "PakFuzz.h"

#include "PakQuake.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {
constexpr size_t HeaderSize = PakFormat::HeaderSize;
constexpr size_t RecordSize = PakFormat::RecordSize;
constexpr size_t NameSize = PakFormat::NameSize;
constexpr size_t PaletteSize = PakFormat::PaletteSize;
constexpr size_t LumpHeaderSize = 8;
// The palette lump is drawn as 16 x 16 swatches of 16 x 16 pixels.
constexpr int32_t Swatches = 16;
constexpr int32_t SwatchSize = 16;

[[noreturn]] void Fail(const std::string &what) {
  std::fprintf(stderr, "PakFuzz: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

std::string ReadWholeFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    Fail("cannot read " + path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteWholeFile(const std::string &path, const std::string &bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out)
    Fail("cannot write " + path);
}

std::string Int32LE(int32_t value) {
  auto bits = static_cast<uint32_t>(value);
  std::string bytes(4, '\0');
  for (size_t i = 0; i < 4; ++i)
    bytes[i] = static_cast<char>(bits >> (8 * i));
  return bytes;
}

int32_t Int32At(const std::string &bytes, size_t at) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i)
    value |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
  return static_cast<int32_t>(value);
}

uint8_t ByteAt(const std::string &bytes, size_t at) { return static_cast<uint8_t>(bytes[at]); }

TColor Pack(int32_t red, int32_t green, int32_t blue) {
  return static_cast<TColor>(red) | static_cast<TColor>(green) << 8 | static_cast<TColor>(blue) << 16;
}

// A picture pixel as the lump viewer shows it: the palette colour moved by the
// offset, channel by channel, each channel held within 0..255.
TColor Shifted(TColor color, TColor offset, bool add) {
  TColor result = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    auto base = static_cast<int32_t>((color >> shift) & 0xFF);
    auto delta = static_cast<int32_t>((offset >> shift) & 0xFF);
    result |= static_cast<TColor>(std::clamp(add ? base + delta : base - delta, 0, 255)) << shift;
  }
  return result;
}

// The data of an entry as the input holds it, when the whole of it lies in the file.
bool DataInFile(const TDirEntry &entry, const std::string &bytes) {
  return entry.Position > 0 && entry.Size >= 0 &&
         static_cast<int64_t>(entry.Position) + entry.Size <= static_cast<int64_t>(bytes.size());
}

std::string DataOf(const TDirEntry &entry, const std::string &bytes) {
  return bytes.substr(static_cast<size_t>(entry.Position), static_cast<size_t>(entry.Size));
}

// Everything in folder (below it, when recursive) as sorted relative paths,
// with "/" after a folder, "@" after a link and "?" after anything else that
// is not a regular file. Links are listed, never followed.
std::vector<std::string> Listing(const fs::path &folder, bool recursive) {
  std::vector<std::string> names;
  auto describe = [&](const fs::directory_entry &entry) {
    std::string name = entry.path().lexically_relative(folder).string();
    std::error_code error;
    fs::file_status status = entry.symlink_status(error);
    if (fs::is_symlink(status))
      name += "@";
    else if (fs::is_directory(status))
      name += "/";
    else if (!fs::is_regular_file(status))
      name += "?";
    names.push_back(name);
  };
  std::error_code error;
  if (recursive) {
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
      describe(*it);
  } else {
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
      describe(*it);
  }
  if (error)
    Fail("cannot list " + folder.string() + ": " + error.message());
  std::sort(names.begin(), names.end());
  return names;
}

std::string Joined(const std::vector<std::string> &names) {
  std::string text;
  for (const std::string &name : names)
    text += (text.empty() ? "" : ", ") + name;
  return "[" + text + "]";
}

// The palette of the Quake installation the archive is opened beside.
std::string GamePalette() {
  std::string colours(PaletteSize, '\0');
  for (size_t i = 0; i < PaletteSize; ++i)
    colours[i] = static_cast<char>((i * 37 + 11) & 0xFF);
  return colours;
}

constexpr const char *ScratchPrefix = "varnel-fuzz-";

// A process that crashed left its scratch folder behind; a long run that goes
// on after crashes would pile them up. Removes those of processes that are gone.
void SweepAbandonedScratch(const fs::path &temp) {
  std::error_code error;
  for (fs::directory_iterator it(temp, error), end; !error && it != end; it.increment(error)) {
    std::string name = it->path().filename().string();
    if (name.rfind(ScratchPrefix, 0) != 0)
      continue;
    long pid = std::strtol(name.c_str() + std::strlen(ScratchPrefix), nullptr, 10);
    if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
      std::error_code ignored;
      fs::remove_all(it->path(), ignored);
    }
  }
}

// The folders of one fuzzing process, below $TMPDIR:
//   varnel-fuzz-PID-XXXXXX/quake/id1/pak0.pak  the Quake installation, read only
//   varnel-fuzz-PID-XXXXXX/run/work/           everything an input may write
//   varnel-fuzz-PID-XXXXXX/run/sentinel/       beside it, always empty
class TScratch {
public:
  TScratch() {
    const fs::path temp = fs::temp_directory_path();
    SweepAbandonedScratch(temp);
    std::string pattern = (temp / (ScratchPrefix + std::to_string(::getpid()) + "-XXXXXX")).string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr)
      Fail("cannot make a scratch folder from " + pattern);
    Base = buffer.data();
    Quake = Base / "quake";
    Run = Base / "run";
    Work = Run / "work";
    Sentinel = Run / "sentinel";
    fs::create_directories(Quake / "id1");
    fs::create_directories(Sentinel);
    // The stock archive holds the palette alone, at offset 12.
    std::string record = "gfx/palette.lmp";
    record.resize(NameSize, '\0');
    record += Int32LE(static_cast<int32_t>(HeaderSize)) + Int32LE(static_cast<int32_t>(PaletteSize));
    m_Pak0 = "PACK" + Int32LE(static_cast<int32_t>(HeaderSize + PaletteSize)) +
             Int32LE(static_cast<int32_t>(RecordSize)) + GamePalette() + record;
    WriteWholeFile((Quake / "id1" / "pak0.pak").string(), m_Pak0);
    m_QuakeListing = Listing(Quake, true);
    MakeWork();
  }

  ~TScratch() {
    std::error_code error;
    fs::remove_all(Base, error);
  }

  TScratch(const TScratch &) = delete;
  TScratch &operator=(const TScratch &) = delete;

  std::string Input() const { return (Work / "input.pak").string(); }
  std::string Temp() const { return (Work / "tmp").string(); }
  std::string Tree() const { return (Work / "tree").string(); }
  std::string Flat() const { return (Work / "flat").string(); }
  fs::path Saved() const { return Work / "saved"; }
  std::string SaveTarget() const { return (Saved() / "copy.pak").string(); }

  // Nothing but the work folder may have changed since the scratch was made.
  void CheckConfinement() const {
    const std::vector<std::string> base{"quake/", "run/"};
    const std::vector<std::string> run{"sentinel/", "work/"};
    if (Listing(Base, false) != base)
      Fail("written beside the scratch folder: " + Joined(Listing(Base, false)));
    if (Listing(Run, false) != run)
      Fail("written beside the work folder: " + Joined(Listing(Run, false)));
    if (!Listing(Sentinel, true).empty())
      Fail("written into the sentinel folder: " + Joined(Listing(Sentinel, true)));
    if (Listing(Quake, true) != m_QuakeListing)
      Fail("the Quake installation changed: " + Joined(Listing(Quake, true)));
    if (ReadWholeFile((Quake / "id1" / "pak0.pak").string()) != m_Pak0)
      Fail("the stock archive changed");
  }

  // Empties the work folder for the next input.
  void MakeWork() const {
    std::error_code error;
    fs::remove_all(Work, error);
    if (error)
      Fail("cannot empty " + Work.string() + ": " + error.message());
    for (const fs::path &folder : {Work / "tmp", Work / "tree", Work / "flat", Work / "saved"})
      fs::create_directories(folder);
  }

  fs::path Base;
  fs::path Quake;
  fs::path Run;
  fs::path Work;
  fs::path Sentinel;

private:
  std::string m_Pak0;
  std::vector<std::string> m_QuakeListing;
};

TScratch &Scratch() {
  static TScratch scratch;
  return scratch;
}

// Progress that was started must have been ended, whatever the operation did,
// and must never pass 100%.
struct TProgressWatch {
  int Starts = 0;
  int Ends = 0;

  void Attach(TQuakePak &pak) {
    pak.OnStartCallback = [this](TQuakePak &) { ++Starts; };
    pak.OnEndCallback = [this](TQuakePak &) { ++Ends; };
    pak.OnCallback = [](TQuakePak &, uint8_t percent) {
      if (percent > 100)
        Fail("progress of " + std::to_string(percent) + "%");
    };
  }

  void Check(const TQuakePak &pak, const char *operation) const {
    if (Starts != Ends || pak.ProgressActive())
      Fail(std::string(operation) + " left its progress running");
  }
};

// The entries the engine read must be whole records that the file holds, in
// order from the offset its header names: none invented, none read past the end.
// An entry's position may differ from its record only when it points past the
// end of the file, where reading it fails.
void CheckDirectory(const TQuakePak &pak, const std::string &bytes) {
  const std::vector<TDirEntry> &directory = pak.Directory();
  int32_t count = pak.EntryCount();
  if (count < 0 || static_cast<size_t>(count) != directory.size())
    Fail("EntryCount " + std::to_string(count) + " for " + std::to_string(directory.size()) + " entries");
  if (!pak.EntryName(-1).empty() || !pak.EntryName(count).empty() || pak.EntryPosition(count) != -1 ||
      pak.EntrySize(-1) != -1)
    Fail("an entry index out of range answered");
  if (directory.empty())
    return;
  const auto fileSize = static_cast<int64_t>(bytes.size());
  if (bytes.size() < HeaderSize)
    Fail("entries read from a file shorter than a header");
  int32_t offset = Int32At(bytes, 4);
  int32_t length = Int32At(bytes, 8);
  if (offset <= 0 || length <= 0)
    Fail("entries read although the header names no directory");
  if (directory.size() * RecordSize > static_cast<size_t>(length) ||
      static_cast<size_t>(offset) + directory.size() * RecordSize > bytes.size())
    Fail(std::to_string(directory.size()) + " entries read beyond the directory or the file");
  for (size_t i = 0; i < directory.size(); ++i) {
    size_t at = static_cast<size_t>(offset) + i * RecordSize;
    std::string name = bytes.substr(at, NameSize);
    name.resize(std::strlen(name.c_str()));
    const TDirEntry &entry = directory[i];
    auto index = static_cast<int32_t>(i);
    // An entry may be moved only to where no byte of the file can be read.
    int32_t position = Int32At(bytes, at + NameSize);
    bool positionKept = entry.Position == position || static_cast<int64_t>(entry.Position) >= fileSize;
    if (entry.Name != name || !positionKept || entry.Size != Int32At(bytes, at + NameSize + 4))
      Fail("entry " + std::to_string(i) + " differs from its record");
    if (pak.EntryName(index) != entry.Name || pak.EntryPosition(index) != entry.Position ||
        pak.EntrySize(index) != entry.Size)
      Fail("the entry queries disagree with the directory at " + std::to_string(i));
    int32_t found = pak.FindEntry(name);
    if (found < index || !SameTextAscii(pak.EntryName(found), name))
      Fail("FindEntry(\"" + name + "\") answered " + std::to_string(found) + ", not the last of its name");
  }
}

// Both checks name only entries the directory holds, by their own names, in
// directory order after the findings of the archive as a whole.
void CheckFindings(const TQuakePak &pak, const std::string &path) {
  const std::vector<TDirEntry> &directory = pak.Directory();
  for (const TCheckFindings &findings : {CheckArchiveFile(path), CheckArchive(pak)}) {
    int32_t last = -1;
    for (const TCheckFinding &finding : findings) {
      if (finding.Index < last || finding.Index >= static_cast<int32_t>(directory.size()) || finding.Message.empty())
        Fail("a finding out of order or out of range: " + FindingText(finding));
      if (finding.Index >= 0 && directory[static_cast<size_t>(finding.Index)].Name != finding.Entry)
        Fail("a finding names entry " + std::to_string(finding.Index) + " " + finding.Entry);
      last = finding.Index;
    }
  }
}

// Where an entry may land on disk: a relative path of real components only.
void CheckExtractionPath(const std::string &name, bool keepPaths) {
  std::string path = ExtractionPath(name, keepPaths);
  if (path.empty())
    return;
  if (!keepPaths && path.find('/') != std::string::npos)
    Fail("the flat path of \"" + name + "\" is \"" + path + "\"");
  if (path.find('\\') != std::string::npos)
    Fail("the extraction path of \"" + name + "\" keeps a backslash: \"" + path + "\"");
  std::stringstream parts(path);
  std::string part;
  size_t count = 0;
  while (std::getline(parts, part, '/')) {
    ++count;
    if (part.empty() || part == "." || part == "..")
      Fail("the extraction path of \"" + name + "\" is \"" + path + "\"");
  }
  if (count == 0 || path.back() == '/')
    Fail("the extraction path of \"" + name + "\" is \"" + path + "\"");
}

void ExtractAll(TQuakePak &pak, const TProgressWatch &watch, const TStringList &names, const std::string &folder,
                bool keepPaths) {
  try {
    // Entries that cannot be written may be passed over; refusing the call is wrong.
    uint8_t result = pak.ExtractEntries(names, folder, keepPaths);
    if (result == prNoArchive || result == prEmptyList || result == prNoPath)
      Fail("extraction refused with " + std::to_string(result));
  } catch (const std::runtime_error &) {
    // One entry failed and ended the run: give every entry its own try.
    watch.Check(pak, "a failed extraction");
    for (const std::string &name : names) {
      try {
        (void)pak.ExtractEntries(TStringList{name}, folder, keepPaths); // any result: only faults count
      } catch (const std::runtime_error &) {
      }
    }
  }
  watch.Check(pak, "extraction");
}

// Every file in folder must be the extraction path of some entry; a file that
// only one entry writes must hold that entry's data, and an entry whose data
// runs past the end of the archive must leave no file behind.
void CheckExtracted(const TQuakePak &pak, const TStringList &names, const std::string &bytes, const std::string &folder,
                    bool keepPaths) {
  std::map<std::string, std::set<int32_t>> writers;
  std::set<std::string> parents;
  for (const std::string &name : names) {
    std::string path = ExtractionPath(name, keepPaths);
    if (path.empty())
      continue;
    writers[path].insert(pak.FindEntry(name));
    for (auto at = path.find('/'); at != std::string::npos; at = path.find('/', at + 1))
      parents.insert(path.substr(0, at) + "/");
  }
  for (const std::string &found : Listing(folder, true)) {
    bool known = found.back() == '/' ? parents.count(found) > 0 : writers.count(found) > 0;
    if (!known)
      Fail("extraction wrote \"" + found + "\", which no entry names");
  }
  for (const auto &[path, indices] : writers) {
    if (indices.size() != 1)
      continue;
    const TDirEntry &entry = pak.Directory()[static_cast<size_t>(*indices.begin())];
    std::string file = folder + "/" + path;
    std::error_code error;
    if (!fs::is_regular_file(fs::symlink_status(file, error)))
      continue;
    if (DataInFile(entry, bytes)) {
      if (ReadWholeFile(file) != DataOf(entry, bytes))
        Fail("the extracted \"" + path + "\" differs from the entry's data");
    } else if (entry.Position > 0 && entry.Size > 0) {
      Fail("\"" + path + "\" was extracted although its data runs past the end of the archive");
    }
  }
}

// A bitmap decoded from a lump must show the lump's bytes in the game palette.
void CheckLump(TQuakePak &pak, const TProgressWatch &watch, const std::string &name, const std::string &bytes,
               bool add) {
  const TColor offset = 0x302010;
  std::unique_ptr<TBitmap> bitmap;
  try {
    bitmap = pak.LumpToBitmap(name, offset, add);
  } catch (const std::runtime_error &) {
    watch.Check(pak, "a failed picture decoding");
    return;
  }
  watch.Check(pak, "picture decoding");
  if (!bitmap)
    return;
  size_t width = static_cast<size_t>(bitmap->Width());
  size_t height = static_cast<size_t>(bitmap->Height());
  if (bitmap->Width() < 0 || bitmap->Height() < 0 || bitmap->Pixels().size() != width * height)
    Fail("a bitmap of " + std::to_string(bitmap->Pixels().size()) + " pixels for " + std::to_string(width) + " x " +
         std::to_string(height));
  const TDirEntry &entry = pak.Directory()[static_cast<size_t>(pak.FindEntry(name))];
  std::string base = AsciiUpper(EntryFileName(name));
  base = base.substr(0, base.find('.'));
  if (base == "COLORMAP") {
    if (width != 256 || height != 256 || bitmap->Notice().empty())
      Fail("the colour map picture is not the 256 x 256 notice");
    return;
  }
  if (entry.Position <= 0)
    return; // data from the working file, which holds a bare header
  auto start = static_cast<size_t>(entry.Position);
  if (base == "PALETTE") {
    if (start + PaletteSize > bytes.size())
      Fail("a palette picture from beyond the end of the archive");
    if (width != Swatches * SwatchSize || height != Swatches * SwatchSize)
      Fail("the palette picture is not 256 x 256");
    for (int32_t k = 0; k < Swatches * Swatches; ++k) {
      size_t at = start + 3 * static_cast<size_t>(k);
      TColor expected = Pack(ByteAt(bytes, at), ByteAt(bytes, at + 1), ByteAt(bytes, at + 2));
      int32_t x = (k % Swatches) * SwatchSize + SwatchSize - 1;
      int32_t y = (k / Swatches) * SwatchSize + SwatchSize - 1;
      if (bitmap->Pixel(x, y) != expected)
        Fail("palette swatch " + std::to_string(k) + " has the wrong colour");
    }
    return;
  }
  if (start + LumpHeaderSize > bytes.size())
    Fail("a picture whose header lies beyond the end of the archive");
  if (bitmap->Width() != Int32At(bytes, start) || bitmap->Height() != Int32At(bytes, start + 4))
    Fail("the picture's size differs from its header");
  // Pixels past the end of the file stay blank.
  const std::vector<TColor> &pixels = bitmap->Pixels();
  size_t data = start + LumpHeaderSize;
  for (size_t i = 0; i < pixels.size(); ++i) {
    TColor expected = data + i < bytes.size() ? Shifted(pak.Palette().ColorOf(ByteAt(bytes, data + i)), offset, add)
                                              : TBitmap::DefaultBackground;
    if (pixels[i] != expected)
      Fail("pixel " + std::to_string(i) + " of \"" + name + "\" has the wrong colour");
  }
}

// A copy saved under another name holds every entry's data back to back, and
// the engine then lists that copy; a save that fails leaves nothing behind.
void CheckSaveAs(TQuakePak &pak, const TProgressWatch &watch, const TScratch &scratch, const std::string &bytes) {
  const std::vector<TDirEntry> before = pak.Directory();
  const std::string target = scratch.SaveTarget();
  uint8_t result = prWriteFailed;
  try {
    result = pak.SavePakAs(target);
  } catch (const std::runtime_error &) {
    result = prWriteFailed;
  }
  watch.Check(pak, "saving");
  if (result != prDone) {
    if (!Listing(scratch.Saved(), true).empty())
      Fail("a failed save left " + Joined(Listing(scratch.Saved(), true)));
    return;
  }
  const std::vector<TDirEntry> &after = pak.Directory();
  if (pak.FileName() != target || after.size() != before.size())
    Fail("the saved copy is not the open archive, or lists other entries");
  std::string saved = ReadWholeFile(target);
  size_t expectedSize = HeaderSize + before.size() * RecordSize;
  for (size_t i = 0; i < before.size(); ++i) {
    if (after[i].Name != before[i].Name || after[i].Size != before[i].Size)
      Fail("entry " + std::to_string(i) + " changed its name or size in the saved copy");
    expectedSize += static_cast<size_t>(before[i].Size);
    if (before[i].Position <= 0 || before[i].Size == 0)
      continue; // nothing read, or read from the working file
    if (!DataInFile(before[i], bytes))
      Fail("entry " + std::to_string(i) + " was saved although its data runs past the end of the archive");
    if (!DataInFile(after[i], saved) || DataOf(after[i], saved) != DataOf(before[i], bytes))
      Fail("the saved data of entry " + std::to_string(i) + " differs from the original");
  }
  if (saved.size() != expectedSize)
    Fail("the saved copy has " + std::to_string(saved.size()) + " bytes, not " + std::to_string(expectedSize));
}

void Exercise(TQuakePak &pak, const TProgressWatch &watch, const TScratch &scratch, const std::string &bytes) {
  try {
    pak.OpenPak(scratch.Input());
  } catch (const std::runtime_error &) {
    if (!pak.FileName().empty() || pak.EntryCount() != 0)
      Fail("a refused archive was left open");
    return;
  }
  if (pak.FileName() != scratch.Input())
    Fail("the open archive is " + pak.FileName());
  CheckDirectory(pak, bytes);
  CheckFindings(pak, scratch.Input());

  TStringList names;
  for (int32_t i = 0; i < pak.EntryCount(); ++i)
    names.push_back(pak.EntryName(i));
  for (const std::string &name : names) {
    CheckExtractionPath(name, true);
    CheckExtractionPath(name, false);
    FileKindOf(name);
  }

  if (!names.empty()) {
    ExtractAll(pak, watch, names, scratch.Tree(), true);
    CheckExtracted(pak, names, bytes, scratch.Tree(), true);
    ExtractAll(pak, watch, names, scratch.Flat(), false);
    CheckExtracted(pak, names, bytes, scratch.Flat(), false);
  }

  bool add = true;
  for (const std::string &name : names) {
    if (AsciiLower(EntryExtension(name, true)) != ".lmp")
      continue;
    CheckLump(pak, watch, name, bytes, add);
    add = !add;
  }

  CheckSaveAs(pak, watch, scratch, bytes);
}
} // namespace

void FuzzPakInput(const uint8_t *data, size_t size) {
  TScratch &scratch = Scratch();
  const fs::path here = fs::current_path();
  const std::vector<std::string> hereBefore = Listing(here, false);
  const std::string bytes = size > 0 ? std::string(reinterpret_cast<const char *>(data), size) : std::string();
  WriteWholeFile(scratch.Input(), bytes);
  {
    TProgressWatch watch; // outlives the archive that calls it
    TQuakePak pak;
    watch.Attach(pak);
    try {
      pak.SetQuakeDirectory(scratch.Quake.string());
    } catch (const std::runtime_error &error) {
      Fail(std::string("the scratch Quake installation was refused: ") + error.what());
    }
    const auto &colours = pak.Palette().Colours();
    if (std::string(colours.begin(), colours.end()) != GamePalette())
      Fail("the game palette was not loaded");
    pak.SetTempDirectory(scratch.Temp());
    if (pak.TempDirectory() != scratch.Temp() + "/")
      Fail("the temporary directory is " + pak.TempDirectory());
    Exercise(pak, watch, scratch, bytes);
  }
  // The engine's private folders go with it.
  if (!Listing(scratch.Temp(), true).empty())
    Fail("the temporary directory kept " + Joined(Listing(scratch.Temp(), true)));
  scratch.CheckConfinement();
  if (Listing(here, false) != hereBefore)
    Fail("the current directory changed: " + Joined(Listing(here, false)));
  scratch.MakeWork();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzPakInput(data, size);
  return 0;
}
