// SPDX-License-Identifier: GPL-3.0-or-later
// The fuzz logic for the readers of the Quake data module (quake/), shared
// by the libFuzzer program (QuakeFuzz.cpp) and by the replay test.
#pragma once

#include <cstddef>
#include <cstdint>

// Reads data as a WAD file, a mip texture, a map, a model, a sprite and a
// picture lump (each reader checks its own magic), writes what was read
// back and reads it again, and checks that nothing read lies outside data.
// A broken invariant aborts the process with a message on stderr.
void FuzzQuakeInput(const uint8_t *data, size_t size);
