// SPDX-License-Identifier: GPL-3.0-or-later
// What the game loads, by engine: one Quake installation (MakeModdedQuake:
// stock archives, a mod with numbered archives, a gap in the numbers, another
// archive name, loose files, letter-case twins, an empty and an oversized
// archive) asked every profile's answers; the archive check that follows from
// it; and two archives compared.
#include "PakQuake.h"
#include "TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

struct TLoadCase {
  const char *Profile;
  const char *Name;
  // Where it loads from; empty: the game loads no file of that name.
  std::string From;
  std::vector<std::string> Shadows;
};

class GameFolder : public ::testing::Test {
protected:
  TGameView View(const char *profile, std::vector<std::string> packs = {"rogue", "hipnotic"}) {
    return ReadGameView({m_Quake, std::move(packs), "mymod", FindEngineProfile(profile)});
  }
  TTempDir m_Folder;
  std::string m_Quake = MakeModdedQuake(m_Folder);
};

} // namespace

TEST_F(GameFolder, EachProfileLoadsEachNameFromItsOwnPlace) {
  const std::string loose = " (loose file)";
  const std::vector<TLoadCase> cases = {
      // The original engine: archives before loose files, highest number
      // first, nothing past a gap, no other names, exact names.
      {"quake", "progs.dat", "mymod/pak1.pak", {"mymod/pak0.pak", "mymod/progs.dat" + loose, "id1/pak0.pak"}},
      {"quake", "sound/a.wav", "id1/pak0.pak", {}},
      {"quake", "maps/e1m1.bsp", "id1/pak1.pak", {"id1/pak0.pak"}},
      {"quake", "maps/E1M1.bsp", "mymod/maps/E1M1.bsp" + loose, {}},
      {"quake", "gfx/conback.lmp", "id1/pak0.pak", {}},
      {"quake", "config.cfg", "id1/config.cfg" + loose, {}},
      {"quake", "maps/hip1m1.bsp", "hipnotic/pak1.pak", {}},
      {"quake", "r/0", "", {}},
      {"quake", ".git/config", "", {}},
      {"quake", "pak0.pak", "", {}},
      // QuakeSpasm and its followers: an archive without entries ends the run.
      {"quakespasm", "maps/hip1m1.bsp", "", {}},
      {"vkquake", "progs.dat", "mymod/pak1.pak", {"mymod/pak0.pak", "mymod/progs.dat" + loose, "id1/pak0.pak"}},
      {"ironwail", "maps/hip1m1.bsp", "", {}},
      // DarkPlaces: loose files first, every *.pak in name order, later first.
      {"darkplaces", "progs.dat", "mymod/progs.dat" + loose, {"mymod/pak1.pak", "mymod/pak0.pak", "id1/pak0.pak"}},
      {"darkplaces", "sound/a.wav", "mymod/zz.pak", {"id1/pak0.pak"}},
      {"darkplaces", "maps/e1m1.bsp", "mymod/pak3.pak", {"id1/pak1.pak", "id1/pak0.pak"}},
      {"darkplaces", "maps/hip1m1.bsp", "hipnotic/pak1.pak", {}},
      {"darkplaces", "r/0", "", {}},
      // FTEQW: loose files first, other names after the numbered run, any letter case, no entry limit.
      {"fteqw", "MAPS/E1M1.BSP", "mymod/maps/E1M1.bsp" + loose, {"mymod/pak3.pak", "id1/pak1.pak", "id1/pak0.pak"}},
      {"fteqw", "gfx/conback.lmp", "mymod/pak1.pak", {"id1/pak0.pak"}},
      {"fteqw", "sound/a.wav", "mymod/zz.pak", {"id1/pak0.pak"}},
      {"fteqw", "r/2048", "rogue/pak0.pak", {}},
  };
  for (const TLoadCase &row : cases) {
    SCOPED_TRACE(std::string(row.Profile) + " " + row.Name);
    const TGameView view = View(row.Profile);
    const TLoadableFile *file = view.Find(row.Name);
    ASSERT_EQ(file != nullptr, !row.From.empty());
    if (file == nullptr)
      continue;
    EXPECT_EQ(view.PlaceOf(file->Loaded), row.From);
    std::vector<std::string> shadows;
    for (const TGameFile &copy : file->Shadowed)
      shadows.push_back(view.PlaceOf(copy));
    EXPECT_EQ(shadows, row.Shadows);
  }
}

TEST_F(GameFolder, SearchPathNotesFiltersAndTwins) {
  const TGameView view = View("quake");
  std::vector<std::string> labels;
  for (const TGameSource &source : view.Sources)
    labels.push_back(source.Label);
  EXPECT_EQ(labels, (std::vector<std::string>{"mymod/pak1.pak", "mymod/pak0.pak", "mymod/", "hipnotic/pak1.pak",
                                              "hipnotic/pak0.pak", "hipnotic/", "rogue/", "id1/pak1.pak",
                                              "id1/pak0.pak", "id1/"}));
  const auto noted = [&](const std::string &part) {
    return std::any_of(view.Notes.begin(), view.Notes.end(),
                       [&](const std::string &note) { return note.find(part) != std::string::npos; });
  };
  EXPECT_TRUE(noted("mymod/pak3.pak: never loaded: pak2.pak is missing")) << ::testing::PrintToString(view.Notes);
  EXPECT_TRUE(noted("rogue/pak0.pak: the game stops with an error at start: it holds 2049 entries"));
  EXPECT_FALSE(noted("zz.pak"));

  std::vector<std::string> changed;
  for (const TLoadableFile *file : view.Filtered(gfModChanges))
    changed.push_back(file->Loaded.Name);
  EXPECT_EQ(changed, (std::vector<std::string>{"gfx/Conback.lmp", "maps/E1M1.bsp", "progs.dat", "sound/b.wav"}));
  std::vector<std::string> shadowing;
  for (const TLoadableFile *file : view.Filtered(gfShadowed))
    shadowing.push_back(file->Loaded.Name);
  EXPECT_EQ(shadowing, (std::vector<std::string>{"maps/e1m1.bsp", "progs.dat"}));

  const std::vector<const TGameFile *> twins = view.CaseTwins("maps/e1m1.bsp");
  ASSERT_EQ(twins.size(), 1u);
  EXPECT_EQ(view.PlaceOf(*twins[0]), "mymod/maps/E1M1.bsp (loose file)");

  // Folder names in other letter case are found, with a note; no id1 at all is no Quake directory.
  std::filesystem::rename(m_Quake + "mymod", m_Quake + "MyMod");
  const TGameView renamed = View("quake", {});
  ASSERT_NE(renamed.Find("sound/b.wav"), nullptr);
  EXPECT_EQ(renamed.PlaceOf(renamed.Find("sound/b.wav")->Loaded), "MyMod/pak0.pak");
  EXPECT_NE(renamed.Notes.at(0).find("MyMod: taken for mymod"), std::string::npos);
  EXPECT_THROW(ReadGameView({m_Folder.Path(), {}, {}, nullptr}), EInvalidQuakeDir);
  // A folder named twice is searched once.
  const TGameView twice = ReadGameView({m_Quake, {"hipnotic"}, "HIPNOTIC", nullptr});
  EXPECT_EQ(twice.Sources.size(), 6u); // hipnotic's two archives and loose files, id1's
  EXPECT_TRUE(twice.Find("maps/hip1m1.bsp")->Shadowed.empty());
}

TEST_F(GameFolder, TheCheckWarnsOfShadowedEntriesUnopenedArchivesAndCaseTwins) {
  const TEngineProfile &quake = OriginalEngineProfile();
  const auto warnings = [&](const std::string &archive, TCheckKind kind, const TEngineProfile &profile) {
    std::vector<std::string> found;
    for (const TCheckFinding &finding : CheckArchiveFileInGame(m_Quake + archive, m_Quake, profile))
      if (finding.Kind == kind) {
        EXPECT_EQ(finding.Severity, csWarning);
        found.push_back(finding.Entry + ": " + finding.Message);
      }
    return found;
  };
  EXPECT_EQ(warnings("mymod/pak0.pak", ckShadowed, quake),
            (std::vector<std::string>{"progs.dat: The game never loads it: mymod/pak1.pak comes before this archive "
                                      "in the search path and holds it too."}));
  EXPECT_EQ(warnings("id1/pak0.pak", ckShadowed, quake).size(), 1u); // maps/e1m1.bsp, by id1/pak1.pak
  EXPECT_EQ(warnings("mymod/pak1.pak", ckShadowed, quake), std::vector<std::string>{});
  const std::vector<std::string> twins = warnings("mymod/pak1.pak", ckCaseTwin, quake);
  ASSERT_EQ(twins.size(), 1u);
  EXPECT_EQ(twins[0].substr(0, twins[0].find(" differs")), "gfx/Conback.lmp: \"gfx/conback.lmp\" in id1/pak0.pak");
  // An engine that ignores case finds the twin as the same file, which it shadows.
  EXPECT_EQ(warnings("mymod/pak1.pak", ckCaseTwin, *FindEngineProfile("fteqw")), std::vector<std::string>{});
  EXPECT_EQ(warnings("mymod/pak0.pak", ckShadowed, *FindEngineProfile("fteqw")),
            (std::vector<std::string>{"progs.dat: The game never loads it: mymod/progs.dat (loose file) comes before "
                                      "this archive in the search path and holds it too."}));

  const std::vector<std::string> unopened = warnings("mymod/pak3.pak", ckShadowed, quake);
  ASSERT_EQ(unopened.size(), 1u);
  EXPECT_NE(unopened[0].find("The game never loads this archive: pak2.pak is missing"), std::string::npos)
      << unopened[0];
  EXPECT_NE(warnings("mymod/zz.pak", ckShadowed, quake).at(0).find("loads only pak0.pak, pak1.pak"), std::string::npos);
  EXPECT_EQ(warnings("mymod/zz.pak", ckShadowed, *FindEngineProfile("darkplaces")), std::vector<std::string>{});

  // Outside any game folder of the installation: the check alone.
  WriteFileBytes(m_Folder.File("elsewhere.pak"), BuildPak({{"progs.dat", "x"}}));
  EXPECT_EQ(CheckArchiveFileInGame(m_Folder.File("elsewhere.pak"), m_Quake, quake).size(), 0u);

  // The open archive is judged as it stands, unsaved changes included.
  TQuakePak pak;
  pak.SetQuakeDirectory(m_Quake);
  pak.OpenPak(m_Quake + "mymod/pak0.pak");
  pak.SetForceLowercase(false);
  ASSERT_EQ(pak.DeleteEntries({"progs.dat"}), prDone);
  pak.RenameEntry(0, "gfx/Conback.lmp");
  std::vector<TCheckKind> kinds;
  for (const TCheckFinding &finding : CheckArchiveInGame(pak, quake)) {
    EXPECT_EQ(finding.Entry, "gfx/Conback.lmp");
    kinds.push_back(finding.Kind);
  }
  EXPECT_EQ(kinds, (std::vector<TCheckKind>{ckName, ckShadowed, ckCaseTwin}));
}

TEST(CompareArchives, PairsNamesAndToldContentsApartBySizeThenHash) {
  TTempDir folder;
  // Long entries that differ only in their last byte, past the first block.
  std::string longData = PatternBytes(200000);
  std::string longOther = longData;
  longOther.back() = static_cast<char>(longOther.back() ^ 1);
  WriteFileBytes(folder.File("a.pak"), BuildPak({{"only-a", "1"},
                                                 {"same", "22"},
                                                 {"bytes", "333"},
                                                 {"size", "4"},
                                                 {"twice", "x"},
                                                 {"twice", "y"},
                                                 {"long", longData},
                                                 {"long-same", longData}}));
  WriteFileBytes(folder.File("b.pak"), BuildPak({{"twice", "x"},
                                                 {"bytes", "334"},
                                                 {"same", "22"},
                                                 {"size", "44"},
                                                 {"long", longOther},
                                                 {"Same", "22"},
                                                 {"twice", "z"},
                                                 {"long-same", longData}}));
  std::vector<std::string> seen;
  for (const TEntryComparison &entry : CompareArchives(folder.File("a.pak"), folder.File("b.pak")))
    seen.push_back("-+MI"[entry.Kind] + entry.Name + " " + std::to_string(entry.FirstIndex) + ":" +
                   std::to_string(entry.SecondIndex));
  EXPECT_EQ(seen, (std::vector<std::string>{"-only-a 0:-1", "Isame 1:2", "Mbytes 2:1", "Msize 3:3", "Itwice 4:0",
                                            "Mtwice 5:6", "Mlong 6:4", "Ilong-same 7:7", "+Same -1:5"}));
  WriteFileBytes(folder.File("text.txt"), "hello");
  EXPECT_THROW(CompareArchives(folder.File("a.pak"), folder.File("text.txt")), EInvalidPakFile);
  EXPECT_THROW(CompareArchives(folder.File("a.pak"), folder.File("missing.pak")), EInOutError);
}
