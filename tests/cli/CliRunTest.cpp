// SPDX-License-Identifier: GPL-3.0-or-later
// varnel-cli run as a whole program: round trips, exit statuses, refusals
// to overwrite, patterns, JSON read back, hostile archives and protected
// stock archives. Every archive is made by the test, byte by byte or by the
// program itself, in a scratch folder.
#include "CliTestSupport.h"
#include "VarnelProduct.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {
std::vector<std::string> Sorted(std::vector<std::string> lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}
} // namespace

class Cli : public ::testing::Test {
protected:
  Cli() { fs::create_directories(m_Work); }
  TRun Run(const std::vector<std::string> &args, const std::string &cwd = {}) {
    return RunCli(m_Scratch, m_Work + cwd, args);
  }
  std::string Path(const std::string &name) const { return m_Work + name; }
  void Write(const std::string &name, const std::string &bytes) {
    fs::create_directories(fs::path(Path(name)).parent_path());
    WriteFileBytes(Path(name), bytes);
  }
  std::vector<std::string> Listed(const std::string &archive) { return Sorted(Lines(Run({"list", archive}).Out)); }

  TTempDir m_Scratch;
  std::string m_Work = m_Scratch.File("work/");
};

TEST_F(Cli, CreateListExtractGiveTheTreeBackByteForByte) {
  Write("mod/maps/e1m1.bsp", PatternBytes(200000));
  Write("mod/maps/sub/b.bsp", "b");
  Write("mod/sound/hit one.wav", PatternBytes(70000));
  Write("mod/empty.txt", "");
  Write("mod/.git/config", "left out");
  TRun made = Run({"create", "-C", "mod", "out.pak", "."});
  EXPECT_EQ(made.Status, 0) << made.Err;
  EXPECT_EQ(made.Err, "");
  EXPECT_EQ(Listed("out.pak"),
            (std::vector<std::string>{"empty.txt", "maps/e1m1.bsp", "maps/sub/b.bsp", "sound/hit one.wav"}));

  TRun extracted = Run({"extract", "out.pak", "-o", "copy"});
  EXPECT_EQ(extracted.Status, 0) << extracted.Err;
  std::map<std::string, std::string> source = TreeOf(Path("mod"));
  source.erase(".git/");
  source.erase(".git/config");
  EXPECT_EQ(TreeOf(Path("copy")), source);

  TRun cat = Run({"cat", "out.pak", "MAPS/E1M1.BSP"});
  EXPECT_EQ(cat.Status, 0);
  EXPECT_TRUE(cat.Out == PatternBytes(200000));
  EXPECT_EQ(Run({"cat", "out.pak", "maps/none.bsp"}).Status, 2);

  // Names as the window makes them by default, and as the options say.
  Write("caps/Maps/Big Name.BSP", "x");
  EXPECT_EQ(Run({"create", "lower.pak", "-C", "caps", "Maps"}).Status, 0);
  EXPECT_EQ(Listed("lower.pak"), (std::vector<std::string>{"maps/big name.bsp"}));
  EXPECT_EQ(Run({"--keep-case", "create", "kept.pak", "-C", "caps", "Maps", "--spaces=underscore"}).Status, 0);
  EXPECT_EQ(Listed("kept.pak"), (std::vector<std::string>{"Maps/Big_Name.BSP"}));
}

TEST_F(Cli, ExitStatusesAndErrorsNameTheFileAndTheReason) {
  Write("a.pak", BuildPak({{"maps/e1m1.bsp", "x"}, {"Maps/E1M1.bsp", "y"}}));
  Write("text.txt", "hello");
  EXPECT_EQ(Run({"list", "a.pak"}).Status, 0);

  TRun checked = Run({"check", "a.pak", "missing.pak"});
  EXPECT_EQ(checked.Status, 2);
  EXPECT_NE(checked.Out.find("a.pak: Maps/E1M1.bsp: error: "), std::string::npos) << checked.Out;
  EXPECT_EQ(checked.Err, "varnel-cli: missing.pak: No such file or directory\n");
  EXPECT_EQ(Run({"check", "a.pak"}).Status, 1);
  // Names in other letter case are two entries, each with its own bytes;
  // two entries of the very same name make one file, the later one's.
  TRun twins = Run({"extract", "a.pak", "-o", "x"});
  EXPECT_EQ(twins.Status, 0) << twins.Err;
  EXPECT_EQ(ReadFileBytes(Path("x/maps/e1m1.bsp")), "x");
  EXPECT_EQ(ReadFileBytes(Path("x/Maps/E1M1.bsp")), "y");
  Write("twice.pak", BuildPak({{"a.txt", "first"}, {"a.txt", "second"}}));
  TRun same = Run({"extract", "twice.pak", "-o", "y"});
  EXPECT_EQ(same.Status, 1);
  EXPECT_NE(same.Err.find("a.txt: a later entry has the same name"), std::string::npos) << same.Err;
  EXPECT_EQ(ReadFileBytes(Path("y/a.txt")), "second");

  TRun missing = Run({"list", "missing.pak"});
  EXPECT_EQ(missing.Status, 2);
  EXPECT_EQ(missing.Out, "");
  EXPECT_EQ(missing.Err, "varnel-cli: missing.pak: No such file or directory\n");
  TRun notPak = Run({"extract", "text.txt"});
  EXPECT_EQ(notPak.Status, 2);
  EXPECT_NE(notPak.Err.find("text.txt: not a PAK file"), std::string::npos);

  for (const std::vector<std::string> &wrong :
       std::vector<std::vector<std::string>>{{},
                                             {"list"},
                                             {"frob"},
                                             {"extract", "a.pak", "--bogus"},
                                             {"cat", "a.pak"},
                                             {"list", "a.pak", "--spaces=x"},
                                             {"extract", "a.pak", "--overwrite", "--skip-existing"},
                                             {"create", "b.pak", "/etc/hostname"}}) {
    TRun run = Run(wrong);
    EXPECT_EQ(run.Status, 2) << ::testing::PrintToString(wrong);
    EXPECT_NE(run.Err.find("--help"), std::string::npos) << run.Err;
  }
  EXPECT_FALSE(fs::exists(Path("b.pak")));

  TRun help = Run({"--help"});
  EXPECT_EQ(help.Status, 0);
  EXPECT_NE(help.Out.find("extract"), std::string::npos);
  EXPECT_EQ(Run({"extract", "-h"}).Out.rfind("Usage: varnel-cli extract", 0), 0u);
  EXPECT_EQ(Run({"--version"}).Out.rfind("varnel-cli ", 0), 0u);
}

TEST_F(Cli, NothingIsOverwrittenUnlessAsked) {
  Write("in/a.txt", "new");
  Write("in/b.txt", "b");
  Write("old.pak", "not an archive");
  TRun refused = Run({"create", "old.pak", "-C", "in", "."});
  EXPECT_EQ(refused.Status, 2);
  EXPECT_NE(refused.Err.find("old.pak: exists"), std::string::npos);
  EXPECT_EQ(ReadFileBytes(Path("old.pak")), "not an archive");
  EXPECT_EQ(Run({"create", "--force", "old.pak", "-C", "in", "."}).Status, 0);
  EXPECT_EQ(Listed("old.pak"), (std::vector<std::string>{"a.txt", "b.txt"}));

  // An existing file is an error for its entry alone.
  Write("out/a.txt", "mine");
  TRun kept = Run({"extract", "old.pak", "-o", "out"});
  EXPECT_EQ(kept.Status, 1);
  EXPECT_NE(kept.Err.find("out/a.txt: exists"), std::string::npos) << kept.Err;
  EXPECT_EQ(ReadFileBytes(Path("out/a.txt")), "mine");
  EXPECT_EQ(ReadFileBytes(Path("out/b.txt")), "b");
  EXPECT_EQ(Run({"extract", "old.pak", "-o", "out", "--skip-existing"}).Status, 0);
  EXPECT_EQ(ReadFileBytes(Path("out/a.txt")), "mine");
  EXPECT_EQ(Run({"extract", "old.pak", "-o", "out", "--overwrite"}).Status, 0);
  EXPECT_EQ(ReadFileBytes(Path("out/a.txt")), "new");

  // So is an existing entry when adding.
  Write("in2/a.txt", "newer");
  Write("in2/c.txt", "c");
  EXPECT_EQ(Run({"add", "old.pak", "-C", "in2", "a.txt", "c.txt"}).Status, 1);
  EXPECT_EQ(Run({"cat", "old.pak", "a.txt"}).Out, "new");
  EXPECT_EQ(Run({"cat", "old.pak", "c.txt"}).Out, "c");
  EXPECT_EQ(Run({"add", "old.pak", "-C", "in2", "--skip", "a.txt"}).Status, 0);
  EXPECT_EQ(Run({"cat", "old.pak", "a.txt"}).Out, "new");
  EXPECT_EQ(Run({"add", "old.pak", "-C", "in2", "--replace", "--to", "/", "a.txt"}).Status, 0);
  EXPECT_EQ(Run({"cat", "old.pak", "a.txt"}).Out, "newer");
}

TEST_F(Cli, PatternsChooseTheEntriesToExtractDeleteAndMove) {
  Write("p.pak", BuildPak({{"maps/e1m1.bsp", "1"},
                           {"maps/sub/e2.bsp", "2"},
                           {"maps/e1m1.lit", "3"},
                           {"sound/a/x.wav", "4"},
                           {"sound/b/x.wav", "5"}}));
  EXPECT_EQ(Run({"extract", "p.pak", "-o", "o", "MAPS/*.bsp"}).Status, 0);
  EXPECT_EQ(TreeOf(Path("o")), (std::map<std::string, std::string>{{"maps/", ""}, {"maps/e1m1.bsp", "1"}}));
  TRun flat = Run({"extract", "p.pak", "-o", "f", "--flat", "maps", "nothing/*"});
  EXPECT_EQ(flat.Status, 1);
  EXPECT_NE(flat.Err.find("nothing/*: no entry matches"), std::string::npos);
  EXPECT_EQ(TreeOf(Path("f")),
            (std::map<std::string, std::string>{{"e1m1.bsp", "1"}, {"e2.bsp", "2"}, {"e1m1.lit", "3"}}));

  EXPECT_EQ(Run({"delete", "p.pak", "maps/*.bsp"}).Status, 0);
  EXPECT_EQ(Listed("p.pak"),
            (std::vector<std::string>{"maps/e1m1.lit", "maps/sub/e2.bsp", "sound/a/x.wav", "sound/b/x.wav"}));
  // The second x.wav finds its new name taken and stays.
  TRun moved = Run({"move", "p.pak", "--to", "snd", "sound"});
  EXPECT_EQ(moved.Status, 1);
  EXPECT_NE(moved.Err.find("sound/b/x.wav: not moved: snd/x.wav is taken"), std::string::npos) << moved.Err;
  EXPECT_EQ(Run({"move", "p.pak", "--to", "/", "maps/sub/*"}).Status, 0);
  EXPECT_EQ(Run({"rename", "p.pak", "MAPS/E1M1.LIT", "Maps/Lit File.lit"}).Status, 0);
  EXPECT_EQ(Listed("p.pak"), (std::vector<std::string>{"e2.bsp", "maps/lit file.lit", "snd/x.wav", "sound/b/x.wav"}));
  EXPECT_EQ(Run({"rename", "p.pak", "none", "other"}).Status, 2);
  // A name longer than the record holds is refused with the limit.
  const TRun tooLong = Run({"rename", "p.pak", "e2.bsp", std::string(53, 'n') + ".bsp"});
  EXPECT_NE(tooLong.Status, 0);
  EXPECT_NE(tooLong.Err.find("at most 56 bytes"), std::string::npos) << tooLong.Err;
  EXPECT_EQ(Run({"delete", "p.pak", "none"}).Status, 1);
}

TEST_F(Cli, PatternsWithoutASlashFindFileNamesAtAnyDepthAndPlainNamesTheirEntry) {
  Write("p.pak", BuildPak({{"maps/e1m1.bsp", "1"},
                           {"maps/sub/e2.bsp", "2"},
                           {"maps/e1m1.lit", "3"},
                           {"a.txt", "lower"},
                           {"A.TXT", "upper"}}));
  EXPECT_EQ(Run({"extract", "p.pak", "-o", "o", "*.BSP"}).Status, 0);
  EXPECT_EQ(TreeOf(Path("o")), (std::map<std::string, std::string>{
                                   {"maps/", ""}, {"maps/e1m1.bsp", "1"}, {"maps/sub/", ""}, {"maps/sub/e2.bsp", "2"}}));
  EXPECT_EQ(Run({"extract", "p.pak", "-o", "d", "maps/**.bsp", "e1m1.lit"}).Status, 0);
  EXPECT_EQ(TreeOf(Path("d")).size(), 5u);

  // A name matched by nothing is reported with a word on quoting.
  TRun none = Run({"extract", "p.pak", "-o", "n", "e1m1.bsp.orig", "*.wav"});
  EXPECT_EQ(none.Status, 1);
  EXPECT_EQ(none.Err, "varnel-cli: p.pak: e1m1.bsp.orig: no entry matches\n"
                      "varnel-cli: p.pak: *.wav: no entry matches\n"
                      "varnel-cli: put patterns in quotes ('*.bsp'), or the shell may replace them with names of files "
                      "here\n");

  // A plain name is its entry alone, found as cat finds it: the case twin stays.
  EXPECT_EQ(Run({"delete", "p.pak", "a.txt"}).Status, 0);
  EXPECT_EQ(Run({"cat", "p.pak", "A.TXT"}).Out, "upper");
  EXPECT_EQ(Run({"delete", "p.pak", "a.TXT", "maps/*.bsp"}).Status, 0);
  EXPECT_EQ(Listed("p.pak"), (std::vector<std::string>{"maps/e1m1.lit", "maps/sub/e2.bsp"}));
}

TEST_F(Cli, CheckConfirmsASoundArchiveWithItsEntryCount) {
  std::vector<TFixtureEntry> entries;
  for (int i = 0; i < 1204; ++i)
    entries.push_back({"f" + std::to_string(i) + ".txt", "x"});
  Write("big.pak", BuildPak(entries));
  Write("one.pak", BuildPak({{"a.txt", "a"}}));
  TRun checked = Run({"check", "big.pak", "one.pak"});
  EXPECT_EQ(checked.Status, 0) << checked.Err;
  EXPECT_EQ(checked.Out, "big.pak: no problems found (1,204 entries)\none.pak: no problems found (1 entry)\n");
  EXPECT_EQ(Run({"check", "-q", "big.pak"}).Out, "");
  EXPECT_EQ(Run({"check", "--json", "big.pak"}).Out, "");
}

TEST_F(Cli, StandardStreamsAreNoArchivesAndNullEndedNamesGoRaw) {
  Write("s.pak", BuildPak({{"two\nlines.txt", "a"}, {"with space.txt", "b"}}));
  for (const std::vector<std::string> &args : std::vector<std::vector<std::string>>{
           {"list", "-"}, {"extract", "-"}, {"cat", "-", "x"}, {"check", "s.pak", "-"}, {"create", "-", "s.pak"}}) {
    TRun refused = Run(args);
    EXPECT_EQ(refused.Status, 2) << args[0];
    EXPECT_NE(refused.Err.find("-: an archive cannot be read from standard input"), std::string::npos) << refused.Err;
    EXPECT_EQ(refused.Out, "");
  }
  const std::string raw = std::string("two\nlines.txt") + '\0' + "with space.txt" + '\0';
  EXPECT_EQ(Run({"list", "-0", "s.pak"}).Out, raw);
  EXPECT_EQ(RunCliAttached(m_Scratch, m_Work, {"list", "--null", "s.pak"}, {true, true}).Out, raw);
  EXPECT_EQ(RunCliAttached(m_Scratch, m_Work, {"list", "s.pak"}, {true, true}).Out,
            "two\\nlines.txt\nwith space.txt\n");
  EXPECT_EQ(Run({"list", "--null", "--json", "s.pak"}).Status, 2);
}

TEST_F(Cli, CreateWarnsPastTheGamesLimitAndWritesNothingWhenEveryInputFailed) {
  for (int i = 0; i <= 2048; ++i)
    Write("many/f" + std::to_string(i), "");
  TRun many = Run({"create", "many.pak", "many"});
  EXPECT_EQ(many.Status, 0);
  EXPECT_EQ(many.Err, "varnel-cli: many.pak: warning: 2,049 entries; the game loads no archive of more than 2,048\n");
  EXPECT_EQ(Listed("many.pak").size(), 2049u);

  Write("long/" + std::string(60, 'n'), "x");
  ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
  for (const std::vector<std::string> &inputs :
       std::vector<std::vector<std::string>>{{"long"}, {"fifo"}, {"missing", "long", "fifo"}}) {
    std::vector<std::string> args = {"create", "none.pak"};
    args.insert(args.end(), inputs.begin(), inputs.end());
    TRun failed = Run(args);
    EXPECT_EQ(failed.Status, 2) << inputs[0] << failed.Err;
    EXPECT_FALSE(fs::exists(Path("none.pak"))) << inputs[0];
  }
  Write("ok.txt", "ok");
  EXPECT_EQ(Run({"create", "some.pak", "fifo", "ok.txt"}).Status, 1);
  EXPECT_EQ(Listed("some.pak"), (std::vector<std::string>{"ok.txt"}));
}

TEST_F(Cli, JsonOutputReadsBackAsTheArchiveHoldsIt) {
  const std::vector<TFixtureEntry> entries = {{"a\"q\\b.txt", "12"}, {"caf\xe9.txt", "345"}, {"tab\there", ""}};
  Write("j.pak", BuildPak(entries));
  const std::vector<std::string> lines = Lines(Run({"list", "--json", "j.pak"}).Out);
  ASSERT_EQ(lines.size(), entries.size());
  int32_t offset = 12;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::map<std::string, std::string> object = ParseJsonLine(lines[i]);
    EXPECT_EQ(object.at("name"), entries[i].Name);
    EXPECT_EQ(object.at("size"), std::to_string(entries[i].Data.size()));
    EXPECT_EQ(object.at("offset"), std::to_string(offset));
    offset += static_cast<int32_t>(entries[i].Data.size());
  }

  TRun checked = Run({"check", "--json", "j.pak"});
  EXPECT_EQ(checked.Status, 1);
  bool highByte = false;
  for (const std::string &line : Lines(checked.Out)) {
    const std::map<std::string, std::string> finding = ParseJsonLine(line);
    EXPECT_EQ(finding.at("archive"), "j.pak");
    EXPECT_EQ(finding.at("entry"), entries.at(std::stoul(finding.at("index"))).Name);
    highByte = highByte || (finding.at("index") == "1" && finding.at("severity") == "warning" &&
                            finding.at("message").find("printable ASCII") != std::string::npos);
  }
  EXPECT_TRUE(highByte) << checked.Out;
}

TEST_F(Cli, ListsOfMoreThanOneOutputBufferComeWholeAndInOrder) {
  // 30,000 entries of 40-byte names: several megabytes of lines in each form.
  std::vector<TFixtureEntry> entries;
  for (int i = 0; i < 30000; ++i) {
    std::string name = "maps/deep/folder/entry-" + std::to_string(i);
    entries.push_back({name + std::string(40 - name.size(), 'x'), std::string(static_cast<size_t>(i % 3), 'd')});
  }
  Write("big.pak", BuildPak(entries));
  const std::vector<std::string> plain = Lines(Run({"list", "big.pak"}).Out);
  const std::vector<std::string> detailed = Lines(Run({"list", "-l", "big.pak"}).Out);
  const std::vector<std::string> json = Lines(Run({"list", "--json", "big.pak"}).Out);
  ASSERT_EQ(plain.size(), entries.size());
  ASSERT_EQ(detailed.size(), entries.size());
  ASSERT_EQ(json.size(), entries.size());
  int32_t offset = 12;
  for (size_t i = 0; i < entries.size(); ++i) {
    const auto size = static_cast<int32_t>(entries[i].Data.size());
    char columns[32];
    std::snprintf(columns, sizeof columns, "%10d %10d ", size, offset);
    ASSERT_EQ(plain[i], entries[i].Name) << i;
    ASSERT_EQ(detailed[i], columns + entries[i].Name) << i;
    ASSERT_EQ(json[i], "{\"name\":\"" + entries[i].Name + "\",\"size\":" + std::to_string(size) +
                           ",\"offset\":" + std::to_string(offset) + "}")
        << i;
    offset += size;
  }
}

TEST_F(Cli, NamesShowControlBytesEscapedOnATerminalAndGoRawElsewhere) {
  // The first name would erase the warning about itself from the screen; the
  // second ends in a C1 control (CSI) after UTF-8.
  const std::string sneaky = "../x\r\x1b[2Kclean.txt";
  const std::string high = "caf\xc3\xa9\x9b.txt";
  const std::string sneakyShown = "../x\\r\\x1b[2Kclean.txt";
  const std::string highShown = "caf\xc3\xa9\\x9b.txt";
  Write("evil.pak", BuildPak({{sneaky, "a"}, {high, "b"}}));
  const auto run = [&](const std::vector<std::string> &args, bool outputOnTerminal, bool errorsOnTerminal,
                       const std::string &locale = "C.UTF-8") {
    return RunCliAttached(m_Scratch, m_Work, args, {outputOnTerminal, errorsOnTerminal, locale});
  };
  const auto shown = [&](std::string text) {
    for (const auto &[raw, escaped] : {std::pair(sneaky, sneakyShown), std::pair(high, highShown)})
      for (size_t at; (at = text.find(raw)) != std::string::npos;)
        text.replace(at, raw.size(), escaped);
    return text;
  };

  EXPECT_EQ(run({"list", "evil.pak"}, true, false).Out, sneakyShown + "\n" + highShown + "\n");
  EXPECT_EQ(run({"list", "evil.pak"}, false, true).Out, sneaky + "\n" + high + "\n");
  // Where the terminal does not show UTF-8, every byte from 0x80 on is escaped.
  EXPECT_EQ(run({"list", "-l", "evil.pak"}, true, true, "C").Out,
            "         1         12 " + sneakyShown + "\n         1         13 caf\\xc3\\xa9\\x9b.txt\n");

  // Standard error decides for itself.
  const auto warning = [](const std::string &name) {
    return "varnel-cli: evil.pak: " + name + ": not a plain relative path; extracted as " + name.substr(3) + "\n";
  };
  TRun onTerminal = run({"extract", "evil.pak", "-o", "a"}, false, true);
  EXPECT_EQ(onTerminal.Status, 1);
  EXPECT_EQ(onTerminal.Err, warning(sneakyShown));
  EXPECT_EQ(onTerminal.Out, "");
  EXPECT_EQ(run({"extract", "evil.pak", "-o", "b"}, true, false).Err, warning(sneaky));
  EXPECT_EQ(ReadFileBytes(Path("b/" + sneaky.substr(3))), "a");

  TRun piped = run({"check", "evil.pak"}, false, false);
  EXPECT_NE(piped.Out.find(sneaky + ": warning: "), std::string::npos) << piped.Out;
  EXPECT_NE(piped.Out.find(high + ": warning: "), std::string::npos) << piped.Out;
  EXPECT_EQ(run({"check", "evil.pak"}, true, true).Out, shown(piped.Out));
  // JSON escapes for itself, the same everywhere, and gives the bytes back.
  const std::string json = run({"list", "--json", "evil.pak"}, true, true).Out;
  EXPECT_EQ(json, run({"list", "--json", "evil.pak"}, false, false).Out);
  EXPECT_EQ(ParseJsonLine(Lines(json).at(1)).at("name"), high);
}

TEST_F(Cli, HostileArchivesWriteNothingOutsideAndFailAsTheySay) {
  Write("evil.pak", BuildPak({{"../up.txt", "u"},
                              {"/abs.txt", "a"},
                              {"a/../../b.txt", "b"},
                              {"C:c.txt", "c"},
                              {"ok/in.txt", "i"},
                              {"dir/", "d"}}));
  fs::create_directories(Path("box/dest"));
  std::map<std::string, std::string> before = TreeOf(m_Work);
  TRun extracted = Run({"extract", "../evil.pak", "-o", "dest"}, "box");
  EXPECT_EQ(extracted.Status, 1);
  EXPECT_NE(extracted.Err.find("../up.txt: not a plain relative path; extracted as up.txt"), std::string::npos)
      << extracted.Err;
  EXPECT_NE(extracted.Err.find("dir/: not extracted"), std::string::npos);
  std::map<std::string, std::string> after = TreeOf(m_Work);
  const std::string inside = "box/dest/";
  std::erase_if(
      after, [&](const auto &item) { return item.first.size() > inside.size() && item.first.rfind(inside, 0) == 0; });
  EXPECT_EQ(after, before);
  EXPECT_EQ(TreeOf(Path("box/dest")), (std::map<std::string, std::string>{{"up.txt", "u"},
                                                                          {"abs.txt", "a"},
                                                                          {"a/", ""},
                                                                          {"a/b.txt", "b"},
                                                                          {"c.txt", "c"},
                                                                          {"ok/", ""},
                                                                          {"ok/in.txt", "i"}}));

  // By hand: 2 bytes of data, a header claiming 3 records of which the file
  // holds 2, the second of them claiming 500 bytes past the end.
  const std::string damaged =
      "PACK" + Int32LE(14) + Int32LE(3 * 64) + "ab" + Record("good.txt", 12, 2) + Record("past.txt", 12, 500);
  Write("damaged.pak", damaged);
  TRun listed = Run({"list", "damaged.pak"});
  EXPECT_EQ(listed.Status, 1);
  EXPECT_EQ(listed.Out, "good.txt\npast.txt\n");
  EXPECT_NE(listed.Err.find("damaged.pak: damaged: The header lists 3 entries"), std::string::npos);
  TRun partly = Run({"extract", "damaged.pak", "-o", "d"});
  EXPECT_EQ(partly.Status, 1);
  EXPECT_NE(partly.Err.find("past.txt: not extracted"), std::string::npos);
  EXPECT_EQ(TreeOf(Path("d")), (std::map<std::string, std::string>{{"good.txt", "ab"}}));
  EXPECT_EQ(Run({"cat", "damaged.pak", "past.txt"}).Status, 2);
  Write("new.txt", "n");
  EXPECT_EQ(Run({"add", "damaged.pak", "new.txt"}).Status, 2);
  EXPECT_EQ(Run({"delete", "damaged.pak", "good.txt"}).Status, 2);
  EXPECT_EQ(ReadFileBytes(Path("damaged.pak")), damaged);
}

TEST_F(Cli, StockArchivesOfTheWindowsQuakeInstallationStayUnchanged) {
  const std::string quake = MakeQuakeDirectory(m_Scratch, {{"a.txt", "a"}});
  fs::create_directories(m_Scratch.File("run-config"));
  WriteFileBytes(m_Scratch.File(std::string("run-config/") + VarnelSettingsFileName),
                 "[Quake]\nDirectory=" + quake + "\n");
  const std::string stock = ReadFileBytes(quake + "id1/pak0.pak");
  TRun refused = Run({"delete", quake + "id1/pak0.pak", "a.txt"});
  EXPECT_EQ(refused.Status, 2);
  EXPECT_NE(refused.Err.find("protected"), std::string::npos) << refused.Err;
  Write("in/b.txt", "b");
  EXPECT_EQ(Run({"create", "--force", quake + "ID1/PAK1.PAK", "-C", "in", "b.txt"}).Status, 2);
  EXPECT_EQ(ReadFileBytes(quake + "id1/pak0.pak"), stock);
  EXPECT_EQ(ReadFileBytes(quake + "id1/pak1.pak"), BuildPak({}));

  // Any other archive of the installation can be changed.
  fs::copy_file(quake + "id1/pak0.pak", quake + "id1/pak2.pak");
  EXPECT_EQ(Run({"delete", quake + "id1/pak2.pak", "a.txt"}).Status, 0);
  EXPECT_EQ(ReadFileBytes(quake + "id1/pak2.pak"), BuildPak({}));
}

TEST_F(Cli, ConvertTurnsLumpsIntoImagesAndBackByteForByte) {
  // A palette whose colours all differ, and a 3 x 2 picture using the
  // transparent index and a full-bright one.
  std::string palette(768, '\0');
  for (size_t i = 0; i < 256; ++i) {
    palette[i * 3] = static_cast<char>(i);
    palette[i * 3 + 1] = static_cast<char>(255 - i);
    palette[i * 3 + 2] = static_cast<char>(i / 2);
  }
  const std::string lump = std::string("\3\0\0\0\2\0\0\0", 8) + std::string("\0\1\xe6\xff\x10\x80", 6);
  Write("palette.lmp", palette);
  Write("pic.lmp", lump);

  TRun toPng = Run({"convert", "--palette", "palette.lmp", "pic.lmp", "pic.png"});
  EXPECT_EQ(toPng.Status, 0) << toPng.Err;
  EXPECT_EQ(ReadFileBytes(Path("pic.png")).substr(1, 3), "PNG");
  TRun back = Run({"convert", "pic.png", "back.lmp", "--palette", "palette.lmp"});
  EXPECT_EQ(back.Status, 0) << back.Err;
  EXPECT_EQ(ReadFileBytes(Path("back.lmp")), lump);

  // The palette of an installation: its stock archive's gfx/palette.lmp.
  Write("stock/gfx/palette.lmp", palette);
  ASSERT_EQ(Run({"create", "-C", "stock", "quake/id1/pak0.pak", "."}).Status, 0);
  TRun viaQuake = Run({"convert", "--quake", "quake", "pic.png", "quake.lmp"});
  EXPECT_EQ(viaQuake.Status, 0) << viaQuake.Err;
  EXPECT_EQ(ReadFileBytes(Path("quake.lmp")), lump);

  // The palette itself needs none; a picture without one is a usage error.
  EXPECT_EQ(Run({"convert", "palette.lmp", "palette.png"}).Status, 0);
  EXPECT_EQ(Run({"convert", "palette.png", "again/palette.lmp"}).Status, 2); // no such folder
  fs::create_directories(Path("again"));
  EXPECT_EQ(Run({"convert", "palette.png", "again/palette.lmp"}).Status, 0);
  EXPECT_EQ(ReadFileBytes(Path("again/palette.lmp")), palette);
  TRun noPalette = Run({"convert", "pic.lmp", "x.png"});
  EXPECT_EQ(noPalette.Status, 2);
  EXPECT_NE(noPalette.Err.find("--palette"), std::string::npos) << noPalette.Err;
  TRun both = Run({"convert", "--palette", "palette.lmp", "--quake", "quake", "pic.lmp", "x.png"});
  EXPECT_EQ(both.Status, 2);
  TRun missing = Run({"convert", "--palette", "palette.lmp", "gone.lmp", "x.png"});
  EXPECT_EQ(missing.Status, 2);
  EXPECT_NE(missing.Err.find("gone.lmp"), std::string::npos) << missing.Err;
}

// Case twins keep their own bytes; new names never leave the archive's tree;
// a failed save says which file and why.
TEST_F(Cli, NamesReachTheirOwnEntryAndRefusalsSayWhy) {
  Write("t.pak", BuildPak({{"maps/E1M1.bsp", std::string(100, 'A')}, {"maps/e1m1.bsp", std::string(10, 'B')}}));
  EXPECT_EQ(Run({"cat", "t.pak", "maps/E1M1.bsp"}).Out, std::string(100, 'A'));
  EXPECT_EQ(Run({"cat", "t.pak", "maps/e1m1.bsp"}).Out, std::string(10, 'B'));
  EXPECT_EQ(Run({"cat", "t.pak", "MAPS/E1M1.BSP"}).Out, std::string(10, 'B')) << "else the last in other case";
  EXPECT_EQ(Run({"rename", "t.pak", "maps/E1M1.bsp", "big.bsp"}).Status, 0);
  EXPECT_EQ(Run({"cat", "t.pak", "big.bsp"}).Out, std::string(100, 'A'));

  const std::vector<std::vector<std::string>> refused = {{"rename", "t.pak", "big.bsp", "a/../b.bsp"},
                                                         {"move", "t.pak", "--to", "x/..", "big.bsp"},
                                                         {"add", "t.pak", "--to", "x/../y", "new.txt"}};
  Write("new.txt", "n");
  const std::string before = ReadFileBytes(Path("t.pak"));
  for (const std::vector<std::string> &args : refused) {
    TRun run = Run(args);
    EXPECT_NE(run.Status, 0) << args[0];
    EXPECT_NE(run.Err.find("has a \"..\" part"), std::string::npos) << run.Err;
    EXPECT_EQ(ReadFileBytes(Path("t.pak")), before);
  }

  fs::create_directories(Path("folder.pak"));
  Write("plain.txt", "plain");
  const std::vector<std::pair<std::string, std::string>> saves = {
      {"folder.pak", "folder.pak: Is a directory\n"},
      {"plain.txt/out.pak", ": Not a directory\n"}};
  for (const auto &[target, reason] : saves) {
    TRun run = Run({"create", "--force", target, "new.txt"});
    EXPECT_EQ(run.Status, 2);
    EXPECT_NE(run.Err.find(reason), std::string::npos) << run.Err;
  }
  EXPECT_NE(Run({"create", "plain.txt/out.pak", "new.txt"}).Err.find("plain.txt/: Not a directory"),
            std::string::npos);
}

// A link another user planted in a shared folder is not written through,
// neither by a save nor by convert.
TEST_F(Cli, LinksOfOtherUsersInSharedFoldersAreNotWrittenThrough) {
  const std::string shared = MakeSharedFolder(m_Scratch, "shared");
  const std::string victim = Path("victim");
  Write("victim", "precious");
  if (!LinkAsOtherUser(shared, "out.pak", victim) || !LinkAsOtherUser(shared, "palette.lmp", victim))
    GTEST_SKIP() << "this process cannot act as another user";
  Write("in/a.txt", "a");
  TRun created = Run({"create", "--force", shared + "out.pak", "-C", "in", "a.txt"});
  EXPECT_EQ(created.Status, 2);
  EXPECT_NE(created.Err.find(shared + "out.pak: a symbolic link of another user"), std::string::npos) << created.Err;

  std::string palette(768, '\0');
  Write("palette.lmp", palette);
  Write("palette.png", "");
  ASSERT_EQ(Run({"convert", "palette.lmp", "palette.png"}).Status, 0);
  TRun converted = Run({"convert", "palette.png", shared + "palette.lmp"});
  EXPECT_EQ(converted.Status, 2);
  EXPECT_NE(converted.Err.find(shared + "palette.lmp: a symbolic link of another user"), std::string::npos)
      << converted.Err;
  EXPECT_EQ(ReadFileBytes(victim), "precious");
  EXPECT_TRUE(fs::is_symlink(shared + "out.pak"));
}
