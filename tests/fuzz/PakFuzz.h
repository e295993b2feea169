// SPDX-License-Identifier: GPL-3.0-or-later
// The fuzz logic for the reading side of the engine, shared by the libFuzzer
// program (PakFuzz.cpp) and by the replay test (PakFuzzReplay.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

// Writes data as an archive file into a scratch folder and drives it through
// the public engine: opening, the entry list, extraction with and without
// paths, picture decoding and saving under another name. Engine errors
// (std::runtime_error) are expected; a broken invariant, or a file written
// outside the scratch folders, aborts the process with a message on stderr.
// The scratch folders are made on the first call and removed at exit.
void FuzzPakInput(const uint8_t *data, size_t size);
