// SPDX-License-Identifier: GPL-3.0-or-later
// Replays archives through the fuzz logic without libFuzzer, so that the seed
// corpus and every saved finding run as an ordinary test with the normal
// compiler. Each file runs in a child process of its own: a crash or an
// allocation over the limit fails that file, and the others still run.
//
//   varnel_pak_fuzz_replay FILE_OR_FOLDER...
//
// The memory limit: under AddressSanitizer the replay runs with
// allocator_may_return_null=0:max_allocation_size_mb=256 (the ctest entry sets
// it in ASAN_OPTIONS, and the program makes it its default as well), which
// aborts on any single allocation above 256 MiB; an address-space limit would
// break the sanitizer's shadow memory. Without AddressSanitizer each child
// limits its own address space to 1 GiB with setrlimit(RLIMIT_AS).
// Built twice: for the PAK engine, and with VARNEL_FUZZ_QUAKE for the
// readers of the Quake data module (their own corpus).
#ifdef VARNEL_FUZZ_QUAKE
#include "QuakeFuzz.h"
#define VARNEL_FUZZ_INPUT FuzzQuakeInput
#else
#include "PakFuzz.h"
#define VARNEL_FUZZ_INPUT FuzzPakInput
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define VARNEL_REPLAY_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VARNEL_REPLAY_ASAN 1
#endif
#endif

namespace fs = std::filesystem;

#ifdef VARNEL_REPLAY_ASAN
// The same allocation limit when the replay is run by hand, outside ctest;
// ASAN_OPTIONS still adds to it and overrides it.
extern "C" const char *__asan_default_options() { return "allocator_may_return_null=0:max_allocation_size_mb=256"; }
#endif

namespace {
#ifndef VARNEL_REPLAY_ASAN
// Address space of a child without AddressSanitizer: far above what a sound
// input of a few kilobytes needs, far below what a lump bomb asks for.
constexpr rlim_t AddressSpaceLimit = rlim_t{1} << 30;
#endif

std::vector<std::string> InputsOf(const std::string &argument) {
  std::vector<std::string> files;
  std::error_code error;
  if (fs::is_directory(argument, error)) {
    for (const fs::directory_entry &entry : fs::directory_iterator(argument))
      if (entry.is_regular_file())
        files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
  } else {
    files.push_back(argument);
  }
  return files;
}

// Runs in the child: never returns.
[[noreturn]] void ReplayFile(const std::string &path) {
#ifndef VARNEL_REPLAY_ASAN
  rlimit limit{AddressSpaceLimit, AddressSpaceLimit};
  if (::setrlimit(RLIMIT_AS, &limit) != 0) {
    std::perror("setrlimit");
    std::_Exit(2);
  }
#endif
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    std::_Exit(2);
  }
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  try {
    VARNEL_FUZZ_INPUT(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
  } catch (const std::exception &error) {
    // Engine errors are handled inside; anything else (std::bad_alloc above
    // all) is a finding.
    std::fprintf(stderr, "uncaught exception: %s\n", error.what());
    std::fflush(stderr);
    std::abort();
  }
  // exit, not _Exit: the scratch folders are removed and LeakSanitizer runs.
  std::exit(0);
}
} // namespace

int main(int argc, char **argv) {
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    std::vector<std::string> found = InputsOf(argv[i]);
    files.insert(files.end(), found.begin(), found.end());
  }
  if (files.empty()) {
    std::fprintf(stderr, "usage: %s FILE_OR_FOLDER...\n", argv[0]);
    return 2;
  }

  // The children's scratch folders go into a folder of this run, so that one
  // left by a crashing child is removed too.
  std::string pattern = (fs::temp_directory_path() / "varnel-replay-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    std::perror("mkdtemp");
    return 2;
  }
  const std::string scratch = pattern;
  ::setenv("TMPDIR", scratch.c_str(), 1);

  int passed = 0;
  int failed = 0;
  for (const std::string &file : files) {
    std::fflush(stdout);
    std::fflush(stderr);
    pid_t child = ::fork();
    if (child < 0) {
      std::perror("fork");
      return 2;
    }
    if (child == 0)
      ReplayFile(file);
    int status = 0;
    if (::waitpid(child, &status, 0) < 0) {
      std::perror("waitpid");
      return 2;
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
      ++passed;
      std::printf("ok      %s\n", file.c_str());
    } else {
      ++failed;
      if (WIFSIGNALED(status))
        std::printf("FAILED  %s (signal %d)\n", file.c_str(), WTERMSIG(status));
      else
        std::printf("FAILED  %s (exit code %d)\n", file.c_str(), WEXITSTATUS(status));
    }
  }

  std::error_code error;
  fs::remove_all(scratch, error);
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
