// SPDX-License-Identifier: GPL-3.0-or-later
// varnel-cli which, overview, diff and check --quake-dir run as a whole
// program on the installation MakeModdedQuake builds byte by byte.
#include "CliTestSupport.h"

#include <gtest/gtest.h>

namespace {

class GameCli : public ::testing::Test {
protected:
  TRun Run(const std::vector<std::string> &args) { return RunCli(m_Scratch, m_Scratch.Path(), args); }
  TTempDir m_Scratch;
  std::string m_Quake = MakeModdedQuake(m_Scratch);
};

} // namespace

TEST_F(GameCli, WhichAndOverviewTellWhereEachFileLoadsFrom) {
  TRun which = Run({"which", m_Quake, "--game", "mymod", "progs.dat", "maps/e1m1.bsp"});
  EXPECT_EQ(which.Status, 0) << which.Err;
  EXPECT_EQ(which.Out,
            "progs.dat: mymod/pak1.pak (shadows mymod/pak0.pak, mymod/progs.dat (loose file), id1/pak0.pak)\n"
            "maps/e1m1.bsp: id1/pak1.pak (shadows id1/pak0.pak)\n");
  EXPECT_NE(which.Err.find("mymod/pak3.pak: never loaded: pak2.pak is missing"), std::string::npos) << which.Err;

  // A name the game loads from nowhere: exit 1, and the twin in other letter case named.
  which = Run({"which", m_Quake, "--game=mymod", "--profile", "darkplaces", "MAPS/e1m1.bsp", "progs.dat"});
  EXPECT_EQ(which.Status, 1);
  EXPECT_EQ(which.Out,
            "progs.dat: mymod/progs.dat (loose file) (shadows mymod/pak1.pak, mymod/pak0.pak, id1/pak0.pak)\n");
  EXPECT_NE(which.Err.find("varnel-cli: MAPS/e1m1.bsp: the game loads no file of this name ("), std::string::npos)
      << which.Err;
  EXPECT_EQ(Run({"which", m_Quake, "--profile", "fteqw", "--game", "mymod", "MAPS/e1m1.bsp"}).Out,
            "maps/E1M1.bsp: mymod/maps/E1M1.bsp (loose file) (shadows mymod/pak3.pak, id1/pak1.pak, id1/pak0.pak)\n");
  EXPECT_EQ(Run({"which", m_Quake, "--mission", "hipnotic", "maps/hip1m1.bsp"}).Status, 0);
  EXPECT_EQ(Run({"which", m_Quake, "--mission", "hipnotic", "--profile", "quakespasm", "maps/hip1m1.bsp"}).Status, 1);
  EXPECT_EQ(Run({"which", m_Quake, "--profile", "doom", "progs.dat"}).Status, 2);
  TRun notQuake = Run({"which", m_Scratch.Path(), "progs.dat"});
  EXPECT_EQ(notQuake.Status, 2);
  EXPECT_NE(notQuake.Err.find("not a Quake directory"), std::string::npos);

  TRun overview = Run({"overview", m_Quake, "--game", "mymod", "--changed"});
  EXPECT_EQ(overview.Status, 0);
  EXPECT_EQ(Lines(overview.Out), (std::vector<std::string>{
                                     "gfx/Conback.lmp: mymod/pak1.pak",
                                     "maps/E1M1.bsp: mymod/maps/E1M1.bsp (loose file)",
                                     "progs.dat: mymod/pak1.pak (shadows mymod/pak0.pak, mymod/progs.dat (loose "
                                     "file), id1/pak0.pak)",
                                     "sound/b.wav: mymod/pak0.pak",
                                 }));
  EXPECT_EQ(Lines(Run({"overview", m_Quake, "--shadowed"}).Out),
            std::vector<std::string>{"maps/e1m1.bsp: id1/pak1.pak (shadows id1/pak0.pak)"});
  EXPECT_EQ(Lines(Run({"overview", m_Quake}).Out).size(), 5u); // id1's four names and config.cfg
  EXPECT_EQ(Run({"overview", m_Quake, "--shadowed", "--changed"}).Status, 2);
}

TEST_F(GameCli, DiffListsChangesAndExitsLikeDiff) {
  WriteFileBytes(m_Scratch.File("a.pak"), BuildPak({{"same", "1"}, {"gone", "2"}, {"changed", "abc"}}));
  WriteFileBytes(m_Scratch.File("b.pak"), BuildPak({{"changed", "abd"}, {"new", "3"}, {"same", "1"}}));
  TRun diff = Run({"diff", "a.pak", "b.pak"});
  EXPECT_EQ(diff.Status, 1);
  EXPECT_EQ(diff.Out, "- gone\nM changed\n+ new\n");
  TRun json = Run({"diff", "--json", "a.pak", "b.pak"});
  const std::vector<std::string> lines = Lines(json.Out);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(ParseJsonLine(lines[1]), (std::map<std::string, std::string>{
                                         {"change", "M"}, {"name", "changed"}, {"old_size", "3"}, {"new_size", "3"}}));
  EXPECT_EQ(ParseJsonLine(lines[2]).at("old_size"), "-1");
  TRun same = Run({"diff", "a.pak", "a.pak"});
  EXPECT_EQ(same.Status, 0);
  EXPECT_EQ(same.Out, "");
  WriteFileBytes(m_Scratch.File("text.txt"), "hello");
  EXPECT_EQ(Run({"diff", "a.pak", "text.txt"}).Status, 2);
  EXPECT_EQ(Run({"diff", "a.pak", "missing.pak"}).Status, 2);
}

TEST_F(GameCli, CheckWithTheQuakeDirectoryWarnsOfWhatTheGameNeverLoads) {
  const std::string pak0 = m_Quake + "mymod/pak0.pak";
  TRun plain = Run({"check", pak0});
  EXPECT_EQ(plain.Status, 0) << plain.Out;
  TRun placed = Run({"check", "--quake-dir", m_Quake, pak0, m_Quake + "mymod/pak3.pak", m_Quake + "mymod/pak1.pak"});
  EXPECT_EQ(placed.Status, 1);
  const std::vector<std::string> lines = Lines(placed.Out);
  EXPECT_EQ(lines.at(0), pak0 + ": progs.dat: warning: The game never loads it: mymod/pak1.pak comes before this "
                                "archive in the search path and holds it too.");
  EXPECT_EQ(lines.at(1), m_Quake + "mymod/pak3.pak: warning: The game never loads this archive: pak2.pak is missing, "
                                   "and numbered archives stop at the first missing number.");
  EXPECT_NE(placed.Out.find("mymod/pak1.pak: gfx/Conback.lmp: warning: \"gfx/conback.lmp\" in id1/pak0.pak differs"),
            std::string::npos)
      << placed.Out;
  // FTEQW loads the loose progs.dat first and every *.pak.
  TRun fte = Run({"check", "--quake-dir", m_Quake, "--profile", "fteqw", pak0, m_Quake + "mymod/pak3.pak"});
  const std::vector<std::string> fteLines = Lines(fte.Out);
  ASSERT_EQ(fteLines.size(), 2u) << fte.Out;
  EXPECT_EQ(fteLines[0], pak0 + ": progs.dat: warning: The game never loads it: mymod/progs.dat (loose file) comes "
                                "before this archive in the search path and holds it too.");
  EXPECT_EQ(fteLines[1].substr(0, fteLines[1].find(" comes")),
            m_Quake +
                "mymod/pak3.pak: maps/e1m1.bsp: warning: The game never loads it: mymod/maps/E1M1.bsp (loose file)");
  EXPECT_EQ(Run({"check", "--quake-dir", m_Scratch.Path(), pak0}).Status, 2);
}
