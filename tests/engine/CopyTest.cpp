// SPDX-License-Identifier: GPL-3.0-or-later
// Copying between files: every way the bytes can go gives the same bytes.
#include "PakCopy.h"
#include "TestSupport.h"

#include <fcntl.h>

TEST(CopyBetween, GivesTheSameBytesWhateverWayTheyGo) {
  TTempDir folder;
  const std::string data = PatternBytes((3 << 20) + 777);
  WriteFileBytes(folder.File("source"), data);
  TDescriptor source(::open(folder.File("source").c_str(), O_RDONLY | O_CLOEXEC));
  ASSERT_GE(source.Get(), 0);

  // A plain target (split through the pipe: offsets 5 and 12 differ within a
  // page) and one opened for appending, which takes no splice and gets the
  // bytes the pipe already holds through the buffer.
  for (int extraFlags : {0, O_APPEND}) {
    SCOPED_TRACE(extraFlags);
    const std::string targetPath = folder.File("target" + std::to_string(extraFlags));
    WriteFileBytes(targetPath, "PACK01234567");
    TDescriptor target(::open(targetPath.c_str(), O_WRONLY | O_CLOEXEC | extraFlags));
    ASSERT_EQ(::lseek(target.Get(), 12, SEEK_SET), 12);
    std::vector<int64_t> steps;
    const int64_t count = static_cast<int64_t>(data.size()) - 5;
    TCopyOutcome outcome = CopyBetween(source.Get(), 5, target.Get(), count, [&](int64_t n) { steps.push_back(n); });
    EXPECT_EQ(outcome.Error, 0);
    EXPECT_EQ(ReadFileBytes(targetPath), "PACK01234567" + data.substr(5));
    int64_t total = 0;
    for (int64_t step : steps)
      total += step;
    EXPECT_EQ(total, count);
    ASSERT_FALSE(steps.empty());
    EXPECT_LE(steps.front(), PakFormat::BlockSize) << "the first step reports progress early";
  }

  // A source shorter than asked fails at the source, and the next copy on
  // this thread still works.
  TDescriptor target(::open(folder.File("short").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
  TCopyOutcome outcome = CopyBetween(source.Get(), 12, target.Get(), static_cast<int64_t>(data.size()), [](int64_t) {});
  EXPECT_EQ(outcome.Error, -1);
  EXPECT_TRUE(outcome.AtSource);
  ASSERT_EQ(::ftruncate(target.Get(), 0), 0);
  ASSERT_EQ(::lseek(target.Get(), 0, SEEK_SET), 0);
  EXPECT_EQ(CopyBetween(source.Get(), 12, target.Get(), 1 << 20, [](int64_t) {}).Error, 0);
  EXPECT_EQ(ReadFileBytes(folder.File("short")), data.substr(12, 1 << 20));
}
