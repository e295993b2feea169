// Extracting entries to disk. (Not built yet.)
#include "PakQuake.h"

uint8_t TQuakePak::ExtractEntries(const TStringList &, const std::string &, bool) { return prDone; }
void TQuakePak::ExtractEntry(int32_t, const std::string &) {}
