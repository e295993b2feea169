// SPDX-License-Identifier: GPL-3.0-or-later
// Block copies and the progress percentages they report.
#include "PakFile.h"
#include "PakQuake.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {
struct TProgressLog {
  int Starts = 0;
  int Ends = 0;
  std::vector<int> Percents;
  void Attach(TQuakePak &pak) {
    pak.OnStartCallback = [this](TQuakePak &) { ++Starts; };
    pak.OnEndCallback = [this](TQuakePak &) { ++Ends; };
    pak.OnCallback = [this](TQuakePak &, uint8_t percent) { Percents.push_back(percent); };
  }
};
} // namespace

TEST(CopyBytes, CopiesInBlocksAndCountsEachBlock) {
  TTempDir folder;
  std::string data(65529, '\0');
  for (size_t i = 0; i < data.size(); ++i)
    data[i] = static_cast<char>(i * 7);
  WriteFileBytes(folder.File("src"), data);
  TQuakePak pak;
  TProgressLog log;
  log.Attach(pak);
  pak.SetProgressTotal(2 * 65529);
  pak.ProgressStart();
  {
    TPakFile source(folder.File("src"), TPakFile::ReadOnly);
    TPakFile target(folder.File("dst"), TPakFile::Create);
    pak.CopyBytes(source, target, 65529);
    target.Close();
  }
  EXPECT_EQ(ReadFileBytes(folder.File("dst")), data);
  // Two blocks: 65528 bytes (50%) and 1 byte (still 50%: not reported again).
  EXPECT_EQ(pak.ProgressDone(), 65529);
  EXPECT_EQ(log.Percents, std::vector<int>({50}));
  pak.ProgressEnd();
  EXPECT_EQ(log.Starts, 1);
  EXPECT_EQ(log.Ends, 1);
  EXPECT_FALSE(pak.ProgressActive());

  // Nothing to copy: nothing read, written or reported.
  TPakFile source(folder.File("src"), TPakFile::ReadOnly);
  TPakFile target(folder.File("none"), TPakFile::Create);
  pak.ProgressStart();
  pak.CopyBytes(source, target, 0);
  EXPECT_EQ(target.Size(), 0);
  EXPECT_EQ(pak.ProgressDone(), 0);
  EXPECT_EQ(log.Percents.size(), 1u);
}

TEST(CopyBytes, ShortReadRaisesAndWritesNothingUnread) {
  TTempDir folder;
  WriteFileBytes(folder.File("src"), "abc");
  TQuakePak pak;
  TPakFile source(folder.File("src"), TPakFile::ReadOnly);
  TPakFile target(folder.File("dst"), TPakFile::Create);
  EXPECT_THROW(pak.CopyBytes(source, target, 10), EInOutError);
  EXPECT_EQ(target.Size(), 0);
}

TEST(Progress, PercentagesRoundHalfToEvenAndSkipRepeats) {
  TQuakePak pak;
  TProgressLog log;
  log.Attach(pak);
  pak.SetProgressTotal(3);
  pak.ProgressStart();
  pak.ProgressAdvance(1);
  pak.ProgressAdvance(1);
  pak.ProgressAdvance(1);
  EXPECT_EQ(log.Percents, std::vector<int>({33, 67, 100}));
  pak.ProgressEnd();
  EXPECT_EQ(pak.LastPercent(), 100);

  // The last percentage survives into the next operation: 100 again is not reported.
  pak.SetProgressTotal(8);
  pak.ProgressStart();
  pak.ProgressAdvance(8);
  EXPECT_EQ(log.Percents.size(), 3u);
  // 1/8 = 12.5% rounds to 12; 3/8 = 37.5% rounds to 38.
  pak.ProgressStart();
  pak.ProgressAdvance(1);
  pak.ProgressAdvance(2);
  EXPECT_EQ(log.Percents, std::vector<int>({33, 67, 100, 12, 38}));

  // No total: nothing reported; inactive: nothing counted.
  pak.SetProgressTotal(0);
  pak.ProgressAdvance(5);
  pak.ProgressEnd();
  pak.ProgressAdvance(5);
  EXPECT_EQ(log.Percents.size(), 5u);
}
