// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

TTempDir::TTempDir() {
  std::string pattern = (fs::temp_directory_path() / "varnel-test-XXXXXX").string();
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (::mkdtemp(buffer.data()) == nullptr)
    throw std::runtime_error("cannot make a scratch folder");
  m_Path = std::string(buffer.data()) + "/";
}

TTempDir::~TTempDir() {
  std::error_code error;
  fs::permissions(m_Path, fs::perms::owner_all, fs::perm_options::add, error);
  fs::remove_all(m_Path, error);
}

std::string MakeSharedFolder(const TTempDir &folder, const std::string &name) {
  const std::string path = folder.File(name);
  fs::create_directories(path);
  if (::chmod(path.c_str(), 01777) != 0)
    throw std::runtime_error("cannot share " + path);
  return path + "/";
}

bool LinkAsOtherUser(const std::string &folder, const std::string &name, const std::string &target) {
  constexpr uid_t Nobody = 65534;
  if (::geteuid() != 0)
    return false;
  const pid_t child = ::fork();
  if (child < 0)
    return false;
  if (child == 0) {
    // The folder is entered first: the folders above it need not be open to the other user.
    if (::chdir(folder.c_str()) != 0 || ::setgroups(0, nullptr) != 0 || ::setresgid(Nobody, Nobody, Nobody) != 0 ||
        ::setresuid(Nobody, Nobody, Nobody) != 0)
      ::_exit(2);
    ::_exit(::symlink(target.c_str(), name.c_str()) == 0 ? 0 : 1);
  }
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) == 2)
    return false;
  if (WEXITSTATUS(status) != 0)
    throw std::runtime_error("the other user could not make " + folder + name);
  return true;
}

std::string PatternBytes(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<char>((i * 7 + i / 4093) % 251);
  return bytes;
}

std::string ReadFileBytes(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteFileBytes(const std::string &path, const std::string &bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out)
    throw std::runtime_error("cannot write " + path);
}

std::string Int32LE(int32_t value) {
  auto bits = static_cast<uint32_t>(value);
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i)
    bytes[static_cast<size_t>(i)] = static_cast<char>(bits >> (8 * i));
  return bytes;
}

std::string Record(const std::string &name, int32_t position, int32_t size) {
  std::string field = name.substr(0, 56);
  field.resize(56, '\0');
  return field + Int32LE(position) + Int32LE(size);
}

std::string BuildPak(const std::vector<TFixtureEntry> &entries) {
  std::string data;
  std::string directory;
  for (const TFixtureEntry &entry : entries) {
    std::string name = entry.Name.substr(0, 56);
    name.resize(56, '\0');
    directory +=
        name + Int32LE(static_cast<int32_t>(12 + data.size())) + Int32LE(static_cast<int32_t>(entry.Data.size()));
    data += entry.Data;
  }
  return "PACK" + Int32LE(static_cast<int32_t>(12 + data.size())) + Int32LE(static_cast<int32_t>(directory.size())) +
         data + directory;
}

std::string MakeQuakeDirectory(const TTempDir &folder, const std::vector<TFixtureEntry> &pak0Entries,
                               const std::string &id1Name, const std::string &pakName) {
  std::string quake = folder.File("quake/");
  fs::create_directories(quake + id1Name);
  WriteFileBytes(quake + id1Name + "/" + pakName, BuildPak(pak0Entries));
  WriteFileBytes(quake + id1Name + "/pak1.pak", BuildPak({}));
  return quake;
}

TPakTest::TPakTest(const std::vector<TFixtureEntry> &pak0Entries) : m_Quake(MakeQuakeDirectory(m_Folder, pak0Entries)) {
  m_Pak.SetQuakeDirectory(m_Quake);
  m_Pak.SetTempDirectory(m_Folder.Path());
  m_Pak.OnStartCallback = [this](TQuakePak &) { ++m_Starts; };
  m_Pak.OnEndCallback = [this](TQuakePak &) { ++m_Ends; };
  m_Pak.OnCallback = [this](TQuakePak &, uint8_t percent) { m_Percents.push_back(percent); };
}

void TPakTest::OpenArchive(const std::vector<TFixtureEntry> &entries) {
  WriteFileBytes(m_Folder.File("test.pak"), BuildPak(entries));
  m_Pak.OpenPak(m_Folder.File("test.pak"));
}

std::string MakeModdedQuake(const TTempDir &folder) {
  const std::string quake = folder.File("modded/");
  const auto put = [&](const std::string &path, const std::string &bytes) {
    fs::create_directories(fs::path(quake + path).parent_path());
    WriteFileBytes(quake + path, bytes);
  };
  put("id1/pak0.pak", BuildPak({{"progs.dat", "id-progs"},
                                {"sound/a.wav", "id-a"},
                                {"maps/e1m1.bsp", "id0-map"},
                                {"gfx/conback.lmp", "id-conback"}}));
  put("id1/pak1.pak", BuildPak({{"maps/e1m1.bsp", "id1-map"}}));
  put("id1/config.cfg", "cfg");
  std::vector<TFixtureEntry> many;
  for (int i = 0; i <= 2048; ++i)
    many.push_back({"r/" + std::to_string(i), "r"});
  put("rogue/pak0.pak", BuildPak(many));
  put("hipnotic/pak0.pak", BuildPak({}));
  put("hipnotic/pak1.pak", BuildPak({{"maps/hip1m1.bsp", "hip"}}));
  put("mymod/pak0.pak", BuildPak({{"progs.dat", "mod0-progs"}, {"sound/b.wav", "mod-b"}}));
  put("mymod/pak1.pak", BuildPak({{"progs.dat", "mod1-progs"}, {"gfx/Conback.lmp", "mod-conback"}}));
  put("mymod/pak3.pak", BuildPak({{"maps/e1m1.bsp", "mod3-map"}}));
  put("mymod/zz.pak", BuildPak({{"sound/a.wav", "zz-a"}}));
  put("mymod/progs.dat", "loose-progs");
  put("mymod/maps/E1M1.bsp", "loose-map");
  put("mymod/.git/config", "hidden");
  return quake;
}
