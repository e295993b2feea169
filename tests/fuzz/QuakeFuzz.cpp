// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzing the readers of the Quake data module: every input goes through all
// of them, since each looks at its own magic (a mip texture has none). What
// a reader returns must lie inside the input and survive being written and
// read again; findings must be sentences.
//
// Built as a libFuzzer program with clang (see tests/README.md), for example
//   varnel_quake_fuzz -max_len=65536 -malloc_limit_mb=64 -rss_limit_mb=1024 CORPUS
#include "QuakeFuzz.h"

#include "QuakeCheck.h"
#include "QuakePictures.h"
#include "QuakeWad.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

[[noreturn]] void Fail(const std::string &what) {
  std::fprintf(stderr, "QuakeFuzz: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

void CheckFindings(const std::vector<std::string> &findings) {
  for (const std::string &finding : findings)
    if (finding.empty() || finding.back() != '.')
      Fail("a finding that is no sentence: " + finding);
}

void ExerciseWad(const TBytes &bytes) {
  QuakeWad::TWad wad;
  std::vector<std::string> findings;
  if (!QuakeWad::ReadWad(bytes, wad, findings))
    return;
  CheckFindings(findings);
  for (const QuakeWad::TLump &lump : wad.Lumps) {
    if (lump.Position < 0 || static_cast<size_t>(lump.Position) + lump.Data.size() > bytes.size() ||
        bytes.compare(static_cast<size_t>(lump.Position), lump.Data.size(), lump.Data) != 0)
      Fail("lump \"" + lump.Name + "\" is not the input's bytes");
    std::string name;
    uint8_t type = 0;
    if (!QuakeWad::LumpOfFileName(QuakeWad::LumpFileName(lump), name, type) || name != lump.Name ||
        type != lump.Type)
      Fail("the file name of lump \"" + lump.Name + "\" does not map back");
  }
  // Written and read again: the same lumps, no damage (compressed lumps are
  // still told), and the same file once more.
  const TBytes written = QuakeWad::WriteWad(wad);
  QuakeWad::TWad again;
  std::vector<std::string> told;
  if (!QuakeWad::ReadWad(written, again, told) || again.Lumps.size() != wad.Lumps.size())
    Fail("a written WAD does not read back whole");
  for (const std::string &finding : told)
    if (!finding.ends_with(": compressed, kept as it is."))
      Fail("a written WAD reads back with damage: " + finding);
  for (size_t i = 0; i < wad.Lumps.size(); ++i)
    if (again.Lumps[i].Name != wad.Lumps[i].Name || again.Lumps[i].Data != wad.Lumps[i].Data ||
        again.Lumps[i].Type != wad.Lumps[i].Type)
      Fail("lump " + std::to_string(i) + " changed when written");
  if (QuakeWad::WriteWad(again) != written)
    Fail("a WAD written twice differs");
}

void ExerciseMiptex(const TBytes &bytes) {
  QuakePictures::TMiptex texture;
  std::string reason;
  if (!QuakePictures::ReadMiptex(bytes, texture, reason)) {
    if (reason.empty())
      Fail("a refused texture without a reason");
    return;
  }
  QuakePictures::TMiptex again;
  if (!QuakePictures::ReadMiptex(QuakePictures::WriteMiptex(texture), again, reason) ||
      again.Levels != texture.Levels || again.Width != texture.Width)
    Fail("a written texture does not read back");
}

void ExerciseMap(const TBytes &bytes) {
  const QuakePictures::TMapTextures map = QuakePictures::ReadMapTextures(bytes);
  CheckFindings(map.Findings);
  TBytes changed = bytes;
  for (const QuakePictures::TMapTexture &texture : map.Textures) {
    if (texture.Offset < 0 || texture.Size < 0 || static_cast<uint64_t>(texture.Offset + texture.Size) > bytes.size())
      Fail("a map texture outside the map");
    // Its own pixels put back change nothing.
    if (!QuakePictures::ReplaceMapTexture(changed, texture, texture.Texture).empty())
      Fail("a map texture does not take its own pixels back");
  }
  if (changed != bytes)
    Fail("a map changed by putting its textures back");
}

void ExercisePlaced(const TBytes &bytes, const QuakePictures::TPlacedPictures &pictures) {
  CheckFindings(pictures.Findings);
  TBytes changed = bytes;
  for (const QuakePictures::TPlacedPicture &place : pictures.Pictures) {
    const QuakePictures::TPicture picture = QuakePictures::PictureAt(bytes, place);
    if (picture.Indices.size() != static_cast<size_t>(int64_t{place.Width} * place.Height))
      Fail(place.Label + " does not lie inside the file");
    if (!QuakePictures::ReplacePicture(changed, place, picture).empty())
      Fail(place.Label + " does not take its own pixels back");
  }
  if (changed != bytes)
    Fail("a file changed by putting its pictures back");
}

} // namespace

void FuzzQuakeInput(const uint8_t *data, size_t size) {
  const TBytes bytes = size > 0 ? TBytes(reinterpret_cast<const char *>(data), size) : TBytes();
  ExerciseWad(bytes);
  ExerciseMiptex(bytes);
  ExerciseMap(bytes);
  ExercisePlaced(bytes, QuakePictures::ModelSkins(bytes));
  ExercisePlaced(bytes, QuakePictures::SpriteFrames(bytes));
  for (const char *name : {"gfx.wad", "maps/x.bsp", "progs/x.mdl", "progs/x.spr", "gfx/x.lmp"})
    for (const TCheckFinding &finding : CheckEntryInside(3, name, bytes))
      if (finding.Index != 3 || finding.Entry != name || finding.Message.empty())
        Fail("a finding that names another entry: " + FindingText(finding));
  const std::string name = bytes.substr(0, 16);
  if (QuakePictures::NameOfSafeFileName(QuakePictures::SafeFileName(name)) != name)
    Fail("the file name of a texture name does not map back");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzQuakeInput(data, size);
  return 0;
}
